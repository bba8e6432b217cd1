#include "display/axis_scale.h"

#include "dsp/numeric.h"

#include <cmath>

namespace zevrin {

namespace {

// Keeps a pixel far outside the axis, yet far from integer overflow in the callers'
// own arithmetic.
constexpr double pixel_limit = 1e9;

int saturated_pixel(double p) {
    if (std::isnan(p)) {
        return 0;
    }
    if (p > pixel_limit) {
        p = pixel_limit;
    } else if (p < -pixel_limit) {
        p = -pixel_limit;
    }
    return static_cast<int>(round_even(p));
}

// Distance of v from the low end in pixels, before the axis direction is applied.
int pixel_from_low_end(const AxisScale& s, double v) {
    const double span = s.extent - 1;
    if (s.logarithmic) {
        if (!(s.lo > 0.0 && v > 0.0 && s.hi > 0.0)) {
            return 0;
        }
        // The written order of operations, so that ties round the same way.
        const double p = log10(v / s.lo) * span / log10(s.hi / s.lo);
        return std::isfinite(p) ? saturated_pixel(p) : 0;
    }
    return saturated_pixel(scale_fraction(s, v) * span);
}

// Whether the low end of the scale lies at the far (bottom or right) edge.
bool low_end_is_far_edge(const AxisScale& s) {
    return s.vertical != s.reverse;
}

} // namespace

double scale_fraction(const AxisScale& s, double v) {
    double f = 0.0;
    if (s.logarithmic) {
        if (s.lo > 0.0 && v > 0.0 && s.hi > 0.0) {
            f = log10(v / s.lo) / log10(s.hi / s.lo);
        }
    } else if (s.lo != s.hi) {
        f = (v - s.lo) / (s.hi - s.lo);
    }
    return std::isfinite(f) ? f : 0.0;
}

double value_to_notclipped_position(const AxisScale& s, double v) {
    const double f = scale_fraction(s, v);
    return low_end_is_far_edge(s) ? 1.0 - f : f;
}

double value_to_position(const AxisScale& s, double v) {
    const double p = value_to_notclipped_position(s, v);
    return p < 0.0 ? 0.0 : (p > 1.0 ? 1.0 : p);
}

int value_to_notclippedpixel(const AxisScale& s, double v) {
    const int p = pixel_from_low_end(s, v);
    return low_end_is_far_edge(s) ? s.extent - p - 1 : p;
}

int value_to_pixel(const AxisScale& s, double v) {
    int p = value_to_notclippedpixel(s, v);
    if (p < 0) {
        p = 0;
    }
    if (p > s.extent - 1) {
        p = s.extent - 1;
    }
    return p;
}

double pixel_to_value(const AxisScale& s, int p) {
    const double n = s.extent;
    double q = s.vertical ? n - p - 1 : p;
    if (s.reverse) {
        q = n - q - 1;
    }
    double v = 0.0;
    if (s.lo != s.hi && s.extent != 1) {
        if (!s.logarithmic) {
            v = s.lo + q * (s.hi - s.lo) / (n - 1);
        } else if (s.lo > 0.0 && s.hi > 0.0) {
            v = s.lo * pow10(log10(s.hi / s.lo) * q / (n - 1));
        }
    }
    if (!std::isfinite(v)) {
        v = 0.0;
    }
    if (v < s.lo) {
        v = s.lo;
    }
    if (v > s.hi) {
        v = s.hi;
    }
    return v;
}

AxisScale with_extent(AxisScale s, int extent) {
    s.extent = extent;
    return s;
}

int tick_pixel_on(const AxisScale& s, const AxisScale& fine, double value, int pixel) {
    const int p = value_to_notclippedpixel(fine, value);
    if (pixel < 0 || pixel > s.extent - 1) {
        return p;
    }
    return p < 0 ? 0 : (p > fine.extent - 1 ? fine.extent - 1 : p);
}

} // namespace zevrin
