#include "display/axis_limits.h"

#include "dsp/numeric.h"

#include <cmath>

namespace zevrin {

namespace {

// Whole-number limits are kept as doubles: the default limits of ±1e300 have no
// 32-bit counterpart, and a read must never fail.
double up(double x, bool is_integer) {
    return is_integer ? std::ceil(x) : x;
}
double down(double x, bool is_integer) {
    return is_integer ? std::floor(x) : x;
}

} // namespace

double clamped_lo(double stored_lo, const AxisLimits& limits, bool is_integer) {
    double v = is_integer ? round_even(stored_lo) : stored_lo;
    const double lower = up(limits.min_lo, is_integer);
    const double upper = down(limits.max_lo, is_integer);
    if (v < lower) {
        v = lower;
    }
    if (v > upper) {
        v = upper;
    }
    return v;
}

double clamped_hi(double stored_lo, double stored_hi, const AxisLimits& limits, bool is_integer) {
    double v = is_integer ? round_even(stored_hi) : stored_hi;
    const double lower = up(limits.min_hi, is_integer);
    const double upper = down(limits.max_hi, is_integer);
    if (v < lower) {
        v = lower;
    }
    if (v > upper) {
        v = upper;
    }
    if (v - stored_lo > limits.max_difference) {
        v = down(stored_lo + limits.max_difference, is_integer);
    }
    if (v - stored_lo < limits.min_difference) {
        v = up(stored_lo + limits.min_difference, is_integer);
    }
    return v;
}

} // namespace zevrin
