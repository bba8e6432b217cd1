#pragma once
// The limits an axis applies whenever its low and high values are read. The stored
// values are never changed by them, so that widening a limit brings back the value
// the user last set.

namespace zevrin {

struct AxisLimits {
    double min_lo = -1e300;
    double max_lo = 1e300;
    double min_hi = -1e300;
    double max_hi = 1e300;
    double min_difference = 0.0;
    double max_difference = 1e300;
};

/// The stored low value within [min_lo, max_lo] (the upper limit wins when they
/// cross); with `is_integer` rounded half to even, within the whole numbers inside
/// the limits.
double clamped_lo(double stored_lo, const AxisLimits& limits, bool is_integer);

/// The stored high value within [min_hi, max_hi], then at most max_difference and at
/// least min_difference above the stored (not the clamped) low value; with
/// `is_integer` rounded, each replacement rounded towards the inside of its limit.
double clamped_hi(double stored_lo, double stored_hi, const AxisLimits& limits, bool is_integer);

} // namespace zevrin
