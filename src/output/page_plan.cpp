#include "output/page_plan.h"

#include "dsp/text.h"

#include <algorithm>
#include <cmath>

namespace zevrin {

namespace {

int round_even(double x) {
    return static_cast<int>(std::lrint(x));
}

// The curves in the order the page draws them, with their pen widths: the spectra
// thin, the averages thick, the SLTAS on its unused partials (noise and distortion)
// thinnest.
struct TPrintedCurve {
    int curve;
    int width;
};
constexpr std::array<TPrintedCurve, 18> printed_curves = {{
    {5, 2},
    {6, 2},
    {4, 2}, // frozen
    {2, 2},
    {3, 2},
    {1, 2}, // current
    {8, 5},
    {9, 5},
    {10, 5},
    {7, 5}, // LTAS
    {12, 5},
    {13, 5},
    {14, 5},
    {11, 5}, // SLTAS, used partials
    {16, 1},
    {17, 1},
    {18, 1},
    {15, 1}, // SLTAS, unused partials
}};

void plan_level_ticks(const TPageInput& in, const TextMeasure& measure, TPagePlan& plan) {
    const TPageFrame& f = plan.frame;
    const int height = measure("1234567890").height;
    // A label is drawn only where it lies wholly above the one drawn before.
    int last = 10000000;
    for (const AxisTick& t : in.yaxis.ticks) {
        const double p = value_to_position(in.yaxis.scale, t.value);
        if (!(p > 0.0 && p < 1.0)) {
            continue;
        }
        const int y = round_even(f.T + f.H * p);
        plan.ticklines.push_back({{f.L - 30, y}, {in.gridlines ? f.L + f.W : f.L, y}});
        const int ly = y - height / 2;
        if (last > ly) {
            const std::string text = general_text(t.value, decimal_separator());
            plan.texts.push_back({f.L - 40 - measure(text).width, ly, text});
            last = ly - height;
        }
    }
}

// A tick beyond either end of the axis (a tick layout may add one past the high
// end) has no place on the page. Labels run together would read as other numbers: one
// that would come closer to the last one drawn than the width of a blank is left out.
void plan_frequency_ticks(const TPageInput& in, const TextMeasure& measure, TPagePlan& plan) {
    const TPageFrame& f = plan.frame;
    const int gap = measure(" ").width;
    bool any = false;
    int last = 0; // the right edge of the last label drawn
    for (const AxisTick& t : in.xaxis.ticks) {
        const double p = value_to_notclipped_position(in.xaxis.scale, t.value);
        if (!(p >= 0.0 && p <= 1.0)) {
            continue;
        }
        const int x = round_even(f.L + f.W * p);
        plan.ticklines.push_back({{x, f.T + f.H + 30}, {x, in.gridlines ? f.T : f.T + f.H}});
        const int width = measure(t.text).width;
        const int left = x - width / 2;
        if (!t.text.empty() && (!any || left >= last + gap)) {
            plan.texts.push_back({left, f.T + f.H + 30, t.text});
            any = true;
            last = left + width;
        }
    }
}

} // namespace

TPageFrame page_frame(int width, int height, int lh) {
    TPageFrame f;
    f.lh = lh;
    f.T = round_even(0.05 * height + 3.0 * lh);
    f.L = round_even(0.15 * width);
    f.W = round_even(0.8 * width);
    f.H = round_even(f.W * 2.0 / 3.0);
    return f;
}

TPagePlan plan_page(const TPageInput& in, const TextMeasure& measure) {
    TPagePlan plan;
    const int lh = round_even(1.2 * measure("0123456789gjqz").height);
    plan.frame = page_frame(in.width, in.height, lh);
    const TPageFrame& f = plan.frame;
    plan.logo.right = f.L + f.W;
    plan.logo.left = round_even(f.L + 0.93 * f.W);
    plan.logo.bottom = f.T - 10;
    plan.logo.top =
        round_even(plan.logo.bottom - static_cast<double>(plan.logo.right - plan.logo.left) *
                                          in.logoheight / std::max(1, in.logowidth));
    for (size_t i = 0; i < in.facts.size(); ++i) {
        plan.texts.push_back({f.L, f.T + f.H + static_cast<int>(i + 5) * lh, in.facts[i]});
    }
    plan.texts.push_back({f.L + 40, f.T - round_even(3.0 * lh), in.jobtitle});
    // Placed by the width of "[dB]" whatever the unit, so that the page stays as it
    // is without calibration and a longer unit reaches further left.
    plan.texts.push_back(
        {f.L - measure("[dB]").width - measure(in.levelunit).width - 30, f.T, in.levelunit});
    plan_level_ticks(in, measure, plan);
    const int hz = measure("[Hz]").width;
    plan.texts.push_back({f.L + f.W - hz, f.T + f.H + 30 + hz, "[Hz]"});
    plan_frequency_ticks(in, measure, plan);
    return plan;
}

std::vector<TPageCurve> page_curves(const TAnalyser& a, const std::array<bool, ncurves>& showcurve,
                                    const std::array<uint32_t, ncurves>& linecolor,
                                    const TPageFrame& f, const AxisScale& xscale,
                                    const AxisScale& yscale) {
    std::vector<TPageCurve> curves;
    const size_t n = a.outdb1.size();
    if (n < 2) {
        return curves;
    }
    const size_t count = n / 2 + 1;
    std::vector<int> columns(count);
    for (size_t k = 1; k < count; ++k) {
        const double freq = static_cast<double>(k) * a.sampfreq / static_cast<double>(n);
        columns[k] = round_even(f.L + f.W * value_to_position(xscale, freq));
    }
    const int below = f.T + 100 * f.H;
    tdoublearr levels(count);
    for (const TPrintedCurve& c : printed_curves) {
        const auto index = static_cast<size_t>(c.curve);
        if (!showcurve[index] || !curve_condition(a, c.curve) ||
            !shown_levels(a, c.curve, count, levels)) {
            continue;
        }
        TPageCurve curve{c.curve, linecolor[index], c.width, {}};
        curve.points.reserve(count - 1);
        for (size_t k = 1; k < count; ++k) {
            const double level = levels[k];
            const int y = std::isnan(level)
                              ? below
                              : round_even(f.T + f.H * value_to_position(yscale, level));
            curve.points.push_back({columns[k], y});
        }
        reduce_columns(curve.points);
        curves.push_back(std::move(curve));
    }
    return curves;
}

void reduce_columns(std::vector<TPagePoint>& points) {
    size_t out = 0;
    size_t i = 0;
    while (i < points.size()) {
        size_t end = i + 1;
        size_t top = i;
        size_t bottom = i;
        while (end < points.size() && points[end].x == points[i].x) {
            top = points[end].y < points[top].y ? end : top;
            bottom = points[end].y > points[bottom].y ? end : bottom;
            ++end;
        }
        // The run's first point, its extremes in the order they came, and its last.
        const size_t keep[4] = {i, std::min(top, bottom), std::max(top, bottom), end - 1};
        for (size_t k : keep) {
            if (out == 0 || !(points[out - 1] == points[k])) {
                points[out++] = points[k];
            }
        }
        i = end;
    }
    points.resize(out);
}

} // namespace zevrin
