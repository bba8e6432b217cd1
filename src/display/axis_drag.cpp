#include "display/axis_drag.h"

#include "dsp/numeric.h"

#include <algorithm>
#include <cmath>

namespace zevrin {

namespace {

std::optional<double> finite(double v) {
    return std::isfinite(v) ? std::optional<double>(v) : std::nullopt;
}

// One end moves by `ratio` of the range, measured from the fixed end.
std::optional<double> moved_end(double fixed, double moving, double ratio, bool logarithmic) {
    if (logarithmic) {
        return finite(fixed * power(moving / fixed, ratio));
    }
    return finite(fixed + ratio * (moving - fixed));
}

// The whole range shifted by `shift` of its length (a ratio on a logarithmic scale).
DragValues shifted_range(const DragStart& s, double shift, bool logarithmic) {
    double hi = 0.0;
    double lo = 0.0;
    if (logarithmic) {
        const double c = power(s.hi / s.lo, shift);
        hi = c * s.hi;
        lo = c * s.lo;
    } else {
        hi = s.hi + shift * (s.hi - s.lo);
        lo = s.lo + shift * (s.hi - s.lo);
    }
    if (!std::isfinite(hi) || !std::isfinite(lo)) {
        return {};
    }
    return DragValues{hi, lo};
}

} // namespace

int clamp_press_position(int pos, int extent) {
    if (pos < 11) {
        pos = 11;
    }
    if (pos > extent - 11) {
        pos = extent - 11;
    }
    return pos;
}

DragMode press_mode(bool vertical, int pos, int extent, const DragPermissions& allowed) {
    if (!(allowed.low && allowed.high)) {
        return allowed.low ? DragMode::low_end
                           : (allowed.high ? DragMode::high_end : DragMode::none);
    }
    // Zones from the top or left edge: the first is the high end on a vertical axis
    // and the low end on a horizontal one.
    const DragMode first = vertical ? DragMode::high_end : DragMode::low_end;
    const DragMode last = vertical ? DragMode::low_end : DragMode::high_end;
    if (allowed.middle) {
        const int third = extent / 3;
        if (pos < third) {
            return first;
        }
        return third * 2 < pos ? last : DragMode::whole_range;
    }
    return pos < extent / 2 ? first : last;
}

int drag_cursor(bool vertical, DragMode mode) {
    switch (mode) {
    case DragMode::high_end:
        return vertical ? crVUpper : crHUpper;
    case DragMode::low_end:
        return vertical ? crVLower : crHLower;
    case DragMode::whole_range:
        return vertical ? crVMiddle : crHMiddle;
    case DragMode::none:
        break;
    }
    return crDefault;
}

DragValues drag_values(const DragStart& s, bool vertical, bool logarithmic, int pos, int extent) {
    const double d = s.downpos;
    const double n = extent;
    switch (s.mode) {
    case DragMode::low_end: {
        const double ratio =
            vertical ? d / std::max(pos, 10) : (n - d) / (n - std::min(pos, extent - 10));
        return DragValues{std::nullopt, moved_end(s.hi, s.lo, ratio, logarithmic)};
    }
    case DragMode::high_end: {
        const double ratio =
            vertical ? (n - d) / (n - std::min(pos, extent - 10)) : d / std::max(pos, 10);
        return DragValues{moved_end(s.lo, s.hi, ratio, logarithmic), std::nullopt};
    }
    case DragMode::whole_range:
        return shifted_range(s, (vertical ? pos - d : d - pos) / n, logarithmic);
    case DragMode::none:
        break;
    }
    return {};
}

} // namespace zevrin
