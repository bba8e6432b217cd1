// Values to pixels and back, and the limits applied when values are read. No
// QApplication: these run without any window system.

#include "display/axis_limits.h"
#include "display/axis_scale.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace zevrin {
namespace {

AxisScale linear(double lo, double hi, int extent, bool vertical, bool reverse = false) {
    return AxisScale{lo, hi, extent, vertical, reverse, false};
}

AxisScale logarithmic(double lo, double hi, int extent, bool vertical, bool reverse = false) {
    return AxisScale{lo, hi, extent, vertical, reverse, true};
}

TEST(AxisMapping, VerticalAxisPutsHighValueOnTopAndClampsOutside) {
    const AxisScale s = linear(0, 1, 200, true);
    EXPECT_EQ(value_to_pixel(s, 1), 0);
    EXPECT_EQ(value_to_pixel(s, 0), 199);
    EXPECT_EQ(value_to_pixel(s, 2), 0);
    EXPECT_EQ(value_to_notclippedpixel(s, 2), -199);
    EXPECT_DOUBLE_EQ(value_to_notclipped_position(s, 0.25), 0.75);
    EXPECT_DOUBLE_EQ(value_to_position(s, 2), 0.0);
    EXPECT_DOUBLE_EQ(value_to_position(s, -1), 1.0);
}

TEST(AxisMapping, ReverseMirrorsEitherOrientation) {
    EXPECT_EQ(value_to_pixel(linear(0, 1, 200, true, true), 1), 199);
    EXPECT_EQ(value_to_pixel(linear(0, 1, 200, false), 1), 199);
    EXPECT_EQ(value_to_pixel(linear(0, 1, 200, false, true), 1), 0);
    EXPECT_EQ(value_to_notclippedpixel(linear(0, 1, 200, false, true), 2), -199);
    EXPECT_DOUBLE_EQ(value_to_notclipped_position(linear(0, 1, 200, false, true), 0.25), 0.75);
    EXPECT_DOUBLE_EQ(value_to_notclipped_position(linear(0, 1, 200, true, true), 0.25), 0.25);
}

TEST(AxisMapping, PixelsRoundHalfToEven) {
    // 0..4 over 3 pixels: 1 and 3 fall exactly between two pixels.
    const AxisScale s = linear(0, 4, 3, false);
    EXPECT_EQ(value_to_pixel(s, 1), 0);
    EXPECT_EQ(value_to_pixel(s, 3), 2);
}

TEST(AxisMapping, LogarithmicDecadesAreEvenlySpaced) {
    const AxisScale s = logarithmic(20, 20000, 1000, false);
    EXPECT_EQ(value_to_pixel(s, 200), 333);
    EXPECT_EQ(value_to_pixel(s, 20000), 999);
    EXPECT_NEAR(value_to_notclipped_position(s, 632.455532), 0.5, 1e-9);
}

TEST(AxisMapping, UnplaceableValuesFallBackToTheLowEnd) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const AxisScale log_scale = logarithmic(20, 20000, 1000, false);
    EXPECT_EQ(value_to_pixel(log_scale, 0), 0);
    EXPECT_EQ(value_to_pixel(log_scale, nan), 0);
    // A degenerate range has no fraction at all.
    EXPECT_EQ(value_to_notclippedpixel(linear(5, 5, 100, true), 7), 99);
    EXPECT_EQ(value_to_notclippedpixel(logarithmic(5, 5, 100, false), 7), 0);
    EXPECT_EQ(value_to_notclippedpixel(logarithmic(-5, 5, 100, false), 1), 0);
    EXPECT_DOUBLE_EQ(value_to_position(linear(0, 1, 100, false), nan), 0.0);
}

TEST(AxisMapping, FarAwayValuesStayFarAwayWithoutOverflow) {
    const AxisScale s = linear(0, 1, 200, true);
    EXPECT_EQ(value_to_notclippedpixel(s, 1e300), 200 - 1000000000 - 1);
    EXPECT_EQ(value_to_notclippedpixel(s, -1e300), 200 + 1000000000 - 1);
    EXPECT_EQ(value_to_pixel(s, 1e300), 0);
}

TEST(AxisMapping, PixelToValueInvertsAndClampsToTheRange) {
    const AxisScale v = linear(0, 1, 200, true);
    EXPECT_DOUBLE_EQ(pixel_to_value(v, 0), 1.0);
    EXPECT_DOUBLE_EQ(pixel_to_value(v, 199), 0.0);
    EXPECT_DOUBLE_EQ(pixel_to_value(v, -50), 1.0);
    EXPECT_DOUBLE_EQ(pixel_to_value(linear(0, 1, 200, false, true), 0), 1.0);
    EXPECT_NEAR(pixel_to_value(logarithmic(20, 20000, 1000, false), 333), 200, 200 * 0.01);
    // No scale: the value is the range's only one.
    EXPECT_DOUBLE_EQ(pixel_to_value(linear(3, 3, 200, false), 20), 3.0);
    EXPECT_DOUBLE_EQ(pixel_to_value(linear(3, 7, 1, false), 0), 3.0);
    EXPECT_DOUBLE_EQ(pixel_to_value(logarithmic(-1, 10, 100, false), 50), 0.0);
}

// Whatever the scale and direction, a value comes back from its pixel within the
// value step of one pixel.
TEST(AxisMapping, RoundTripStaysWithinOnePixel) {
    for (const bool vertical : {true, false}) {
        for (const bool reverse : {true, false}) {
            const AxisScale lin = linear(-25, 75, 301, vertical, reverse);
            const double lin_step = 100.0 / 300;
            for (double v = -25; v <= 75; v += 0.37) {
                EXPECT_NEAR(pixel_to_value(lin, value_to_pixel(lin, v)), v, lin_step) << v;
            }
            const AxisScale log = logarithmic(20, 20000, 480, vertical, reverse);
            const double log_step = 3.0 / 479;
            for (double v = 20; v <= 20000; v *= 1.013) {
                const double back = pixel_to_value(log, value_to_pixel(log, v));
                EXPECT_LE(std::fabs(std::log10(back / v)), log_step) << v;
            }
        }
    }
}

// Ticks on the device pixels of a screen scaled by 2: placed by value, held on the end
// where the layout held them, left beyond it where the layout left them.
TEST(AxisMapping, TicksOnDevicePixelsFollowTheirValues) {
    const AxisScale s = linear(0, 8000, 480, false);
    const AxisScale fine = with_extent(s, 960);
    EXPECT_EQ(tick_pixel_on(s, fine, 2000, 120), 240); // 2000 / 8000 · 959 = 239.75
    EXPECT_EQ(tick_pixel_on(s, fine, 9000, 479), 959);
    EXPECT_EQ(tick_pixel_on(s, s, 2000, 120), 120);
    const AxisScale up = logarithmic(100, 500, 400, true);
    const AxisScale upfine = with_extent(up, 800);
    EXPECT_EQ(tick_pixel_on(up, upfine, 200, value_to_pixel(up, 200)), 455); // 799 - 344.1
    EXPECT_EQ(tick_pixel_on(up, upfine, 600, value_to_notclippedpixel(up, 600)),
              value_to_notclippedpixel(upfine, 600));
    EXPECT_LT(value_to_notclippedpixel(upfine, 600), 0);
}

TEST(AxisLimits, ClampOnReadWithUpperLimitWinning) {
    AxisLimits l;
    l.min_lo = 5;
    EXPECT_EQ(clamped_lo(2, l, false), 5);
    l.max_lo = 3;
    EXPECT_EQ(clamped_lo(2, l, false), 3);
    l = AxisLimits{};
    l.min_hi = -10;
    l.max_hi = 10;
    EXPECT_EQ(clamped_hi(0, 50, l, false), 10);
    EXPECT_EQ(clamped_hi(-100, -50, l, false), -10);
}

TEST(AxisLimits, DifferencesCountFromTheStoredLowValue) {
    AxisLimits l;
    l.max_difference = 100;
    EXPECT_EQ(clamped_hi(0, 500, l, false), 100);
    l.min_lo = 0;
    // The low value reads 0, but the high value keeps within 100 of the stored -50.
    EXPECT_EQ(clamped_lo(-50, l, false), 0);
    EXPECT_EQ(clamped_hi(-50, 80, l, false), 50);
    l.min_difference = 10;
    EXPECT_EQ(clamped_hi(-50, -45, l, false), -40);
}

TEST(AxisLimits, IntegerValuesRoundAndStayInsideTheirLimits) {
    AxisLimits l;
    EXPECT_EQ(clamped_lo(2.5, l, true), 2);
    EXPECT_EQ(clamped_lo(3.5, l, true), 4);
    EXPECT_EQ(clamped_hi(0, 7.4, l, true), 7);
    l.min_lo = 0.3;
    l.max_hi = 9.7;
    l.max_difference = 4.5;
    EXPECT_EQ(clamped_lo(0, l, true), 1);
    EXPECT_EQ(clamped_hi(0, 12, l, true), 4);
    l.min_difference = 2.2;
    EXPECT_EQ(clamped_hi(0, 1, l, true), 3);
}

} // namespace
} // namespace zevrin
