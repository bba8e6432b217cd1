// The cost of placing plotted points through an axis, against the bare arithmetic
// of the same mapping, and the cost of a tick layout (run at every axis repaint).
//
// The spectrum plot places every point of every curve through its two axes: up to
// 18 curves of 16384 points per frame.

#include "display/axis.h"
#include "display/axis_scale.h"
#include "display/tick_layout.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace zevrin {
namespace {

constexpr int points = 16384;

std::vector<double> frequencies() {
    std::vector<double> f(points);
    for (int i = 0; i < points; ++i) {
        f[static_cast<size_t>(i)] = 24000.0 * i / (points - 1);
    }
    return f;
}

void configure(TAxis& axis, bool logarithmic) {
    axis.set_Position(tposition::posunder);
    axis.resize(1000, 25);
    axis.set_hilovalues(20, 20000);
    axis.set_Logarithmic(logarithmic);
}

// Through the widget, as the plot calls it: the limits are applied at every call.
void BM_AxisValueToPixel(benchmark::State& state) {
    TAxis axis;
    configure(axis, state.range(0) != 0);
    const std::vector<double> f = frequencies();
    for (auto _ : state) {
        long sum = 0;
        for (double v : f) {
            sum += axis.value_to_pixel(v);
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * points);
}

// Reference: the mapping's arithmetic alone, with the scale fixed beforehand.
void BM_BareMapping(benchmark::State& state) {
    const bool logarithmic = state.range(0) != 0;
    const std::vector<double> f = frequencies();
    const double lo = 20;
    const double span = 999;
    const double scale = logarithmic ? span / std::log10(20000.0 / lo) : span / (20000 - lo);
    for (auto _ : state) {
        long sum = 0;
        for (double v : f) {
            const double p = logarithmic ? std::log10(v / lo) * scale : (v - lo) * scale;
            sum +=
                std::isfinite(p) ? std::clamp(static_cast<long>(std::nearbyint(p)), 0L, 999L) : 0;
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * points);
}

TextExtent fixed_pitch(const std::string& text) {
    return TextExtent{6 * static_cast<int>(text.size()), 11};
}

void BM_TickLayout(benchmark::State& state) {
    const bool music = state.range(0) != 0;
    const TickLayoutInput in{AxisScale{20, 20000, 1000, false, false, true}, 20, 20000, music, 50};
    TickLayout layout;
    for (auto _ : state) {
        layout.compute(in, fixed_pitch);
        benchmark::DoNotOptimize(layout.ticks().data());
    }
}

BENCHMARK(BM_AxisValueToPixel)->ArgName("log")->Arg(0)->Arg(1);
BENCHMARK(BM_BareMapping)->ArgName("log")->Arg(0)->Arg(1);
BENCHMARK(BM_TickLayout)->ArgName("music")->Arg(0)->Arg(1);

} // namespace
} // namespace zevrin
