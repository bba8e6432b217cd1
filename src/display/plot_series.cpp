#include "display/plot_series.h"

#include "dsp/text.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace zevrin {

size_t first_point_from(const TPlotSeries& s, double x) {
    return static_cast<size_t>(std::lower_bound(s.x, s.x + s.count, x) - s.x);
}

size_t nearest_point(const TPlotSeries& s, double x) {
    if (s.count == 0) {
        return 0;
    }
    const size_t at = first_point_from(s, x);
    // The nearest point with a value on either side of x.
    size_t right = at;
    while (right < s.count && !std::isfinite(s.y[right])) {
        ++right;
    }
    size_t left = at;
    while (left > 0 && !std::isfinite(s.y[left - 1])) {
        --left;
    }
    const bool hasleft = left > 0;
    const bool hasright = right < s.count;
    if (!hasleft && !hasright) {
        return s.count;
    }
    if (!hasleft) {
        return right;
    }
    if (!hasright) {
        return left - 1;
    }
    return x - s.x[left - 1] <= s.x[right] - x ? left - 1 : right;
}

bool value_range(const TPlotSeries& s, double& lo, double& hi) {
    lo = std::numeric_limits<double>::infinity();
    hi = -lo;
    for (size_t i = 0; i < s.count; ++i) {
        if (std::isfinite(s.y[i])) {
            lo = std::min(lo, s.y[i]);
            hi = std::max(hi, s.y[i]);
        }
    }
    return lo <= hi;
}

void nice_range(double& lo, double& hi, double step, double minspan, double maxspan) {
    lo = std::floor(lo / step) * step;
    hi = std::ceil(hi / step) * step;
    if (hi - lo < minspan) {
        const double middle = (lo + hi) / 2;
        lo = std::floor((middle - minspan / 2) / step) * step;
        hi = lo + std::ceil(minspan / step) * step;
    }
    if (hi - lo > maxspan) {
        lo = hi - maxspan;
    }
}

void cursor_press(TPlotCursors& c, const std::vector<TPlotSeries>& series, double x, double y) {
    c.shown = false;
    double best = std::numeric_limits<double>::infinity();
    for (size_t k = 0; k < series.size(); ++k) {
        const size_t i = nearest_point(series[k], x);
        if (i < series[k].count && std::abs(series[k].y[i] - y) < best) {
            best = std::abs(series[k].y[i] - y);
            c.series = k;
            c.shown = true;
        }
    }
    c.downx = c.x = x;
}

void cursor_drag(TPlotCursors& c, double x) {
    c.x = x;
}

TCursorPoint cursor_point(const TPlotCursors& c, const std::vector<TPlotSeries>& series,
                          double at) {
    if (!c.shown || c.series >= series.size()) {
        return {};
    }
    const TPlotSeries& s = series[c.series];
    const size_t i = nearest_point(s, at);
    if (i >= s.count) {
        return {};
    }
    return {true, s.x[i], s.y[i]};
}

std::string cursor_readout(const TPlotCursors& c, const std::vector<TPlotSeries>& series,
                           const TPlotUnits& u) {
    const TCursorPoint p1 = cursor_point(c, series, c.downx);
    const TCursorPoint p2 = cursor_point(c, series, c.x);
    if (!p1.valid || !p2.valid) {
        return std::string();
    }
    const std::string n = u.xname;
    const auto unit = [](const char* text) {
        return *text == '\0' ? std::string() : std::string(" ") + text;
    };
    const std::string xu = unit(u.xunit);
    const std::string yu = unit(u.yunit);
    std::string text = n + "1=" + format_float(u.xpicture, p1.x) + xu + ", " + n +
                       "2=" + format_float(u.xpicture, p2.x) + xu + ", " + n + "2-" + n +
                       "1=" + format_float(u.xpicture, p2.x - p1.x) + xu;
    if (p1.x != 0.0) {
        text += ", " + n + "2/" + n + "1=" + format_float("0.000", p2.x / p1.x);
    }
    text += "   " + series[c.series].name + " " + format_float(u.ypicture, p1.y) + yu + ", " +
            format_float(u.ypicture, p2.y) + yu + ", Diff " +
            format_float(u.ypicture, p2.y - p1.y) + yu;
    return text;
}

} // namespace zevrin
