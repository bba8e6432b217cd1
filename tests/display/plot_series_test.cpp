// The cursors of the transfer function window's plots and the fitting of their ranges,
// without a window.

#include "display/plot_series.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace zevrin {
namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();

const std::vector<double> x = {0, 100, 200, 300, 400};
const std::vector<double> low = {-10, -20, nan, -40, -50};
const std::vector<double> high = {10, 11, 12, 13, 14};

std::vector<TPlotSeries> two_series() {
    return {{"Low", x.data(), low.data(), x.size(), 0},
            {"High", x.data(), high.data(), x.size(), 0}};
}

TEST(PlotCursors, StandOnTheNearestPointWithAValueOfTheCurveNearestThePointer) {
    const auto series = two_series();
    EXPECT_EQ(nearest_point(series[0], 240), 3u); // 200 has no value
    EXPECT_EQ(nearest_point(series[0], 149), 1u);
    EXPECT_EQ(nearest_point(series[1], 1e9), 4u);
    TPlotCursors c;
    cursor_press(c, series, 310, -35); // nearer the low curve
    ASSERT_TRUE(c.shown);
    EXPECT_EQ(c.series, 0u);
    cursor_drag(c, 95);
    EXPECT_EQ(cursor_readout(c, series, TPlotUnits{}),
              "f1=300.0 Hz, f2=100.0 Hz, f2-f1=-200.0 Hz, f2/f1=0.333   Low -40.0 dB, "
              "-20.0 dB, Diff 20.0 dB");
    cursor_press(c, series, 0, 20); // the high curve; at 0 there is no ratio
    EXPECT_EQ(c.series, 1u);
    EXPECT_EQ(cursor_readout(c, series, TPlotUnits{"t", "ms", "0.#", "", "0.00"}),
              "t1=0 ms, t2=0 ms, t2-t1=0 ms   High 10.00, 10.00, Diff 0.00");
    // Curves with no value at all: nothing to stand on.
    const std::vector<double> none(x.size(), nan);
    cursor_press(c, {{"None", x.data(), none.data(), x.size(), 0}}, 100, 0);
    EXPECT_FALSE(c.shown);
    EXPECT_EQ(cursor_readout(c, series, TPlotUnits{}), "");
}

TEST(PlotRanges, FitTheValuesInWholeStepsWithinTheirLimits) {
    double lo = 0, hi = 0;
    ASSERT_TRUE(value_range(two_series()[0], lo, hi));
    EXPECT_EQ(lo, -50);
    EXPECT_EQ(hi, -10);
    nice_range(lo, hi, 10, 20, 80);
    EXPECT_EQ(lo, -50);
    EXPECT_EQ(hi, -10);
    lo = -3, hi = 2; // too narrow: widened about its middle
    nice_range(lo, hi, 10, 20, 80);
    EXPECT_EQ(lo, -10);
    EXPECT_EQ(hi, 10);
    lo = -213, hi = 17; // too wide: the floor gives way
    nice_range(lo, hi, 10, 20, 80);
    EXPECT_EQ(lo, -60);
    EXPECT_EQ(hi, 20);
}

} // namespace
} // namespace zevrin
