// Press zones and drag values, without a window. The widget tests drive the same
// rules through real mouse events.

#include "display/axis_drag.h"

#include <gtest/gtest.h>

#include <cmath>

namespace zevrin {
namespace {

constexpr DragPermissions all{true, true, true};

TEST(DragZones, ThirdsSplitAtWholePixelsAndMirrorOnHorizontalAxes) {
    EXPECT_EQ(press_mode(true, 99, 300, all), DragMode::high_end);
    EXPECT_EQ(press_mode(true, 100, 300, all), DragMode::whole_range);
    EXPECT_EQ(press_mode(true, 200, 300, all), DragMode::whole_range);
    EXPECT_EQ(press_mode(true, 201, 300, all), DragMode::low_end);
    EXPECT_EQ(press_mode(false, 99, 300, all), DragMode::low_end);
    EXPECT_EQ(press_mode(false, 201, 300, all), DragMode::high_end);
    // 301 div 3 is 100, times 2 is 200: the zones are not exact thirds.
    EXPECT_EQ(press_mode(true, 201, 301, all), DragMode::low_end);
}

TEST(DragZones, PressesKeepElevenPixelsFromEitherEnd) {
    EXPECT_EQ(clamp_press_position(5, 300), 11);
    EXPECT_EQ(clamp_press_position(295, 300), 289);
    EXPECT_EQ(clamp_press_position(150, 300), 150);
    // Too short for both: the far end wins.
    EXPECT_EQ(clamp_press_position(5, 15), 4);
}

TEST(DragValues, WholeRangeShiftsBothEndsAlike) {
    // Horizontal: moving right by a tenth of the width shows lower values.
    DragValues v = drag_values({DragMode::whole_range, 100, 0, 50}, false, false, 130, 300);
    EXPECT_DOUBLE_EQ(*v.hi, 45);
    EXPECT_DOUBLE_EQ(*v.lo, -5);
    // Vertical logarithmic: moving down by a third multiplies by (H0 / L0)^(1/3).
    v = drag_values({DragMode::whole_range, 100, 10, 1000}, true, true, 200, 300);
    EXPECT_NEAR(*v.hi, 1000 * std::pow(100.0, 1.0 / 3), 1e-9);
    EXPECT_NEAR(*v.lo, 10 * std::pow(100.0, 1.0 / 3), 1e-9);
}

TEST(DragValues, UncomputableValuesChangeNothing) {
    EXPECT_FALSE(drag_values({DragMode::low_end, 200, -10, 1000}, true, true, 250, 300).lo);
    const DragValues v = drag_values({DragMode::whole_range, 100, 0, 1000}, true, true, 200, 300);
    EXPECT_FALSE(v.hi);
    EXPECT_FALSE(v.lo);
    EXPECT_FALSE(drag_values({DragMode::none, 100, 0, 1}, true, false, 200, 300).hi);
}

} // namespace
} // namespace zevrin
