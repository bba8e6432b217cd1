#pragma once
// The mapping between axis values and pixels. The plots call these once per plotted
// point on every repaint, so they are plain arithmetic: no allocation, no exception.
// A value that cannot be placed (a logarithm of a non-positive number, a degenerate
// range, any overflow) takes the documented fallback instead.

namespace zevrin {

/// Where an axis stands relative to its plot: left or right makes it vertical (its
/// extent is its height), over or under horizontal (its extent is its width).
enum class tposition { posleft, posright, posover, posunder };

inline bool is_vertical(tposition p) {
    return p == tposition::posleft || p == tposition::posright;
}

/// Everything the mapping depends on. `lo` and `hi` are the axis's clamped values.
struct AxisScale {
    double lo = 0.0;
    double hi = 1.0;
    int extent = 200;
    bool vertical = true;
    bool reverse = false;
    bool logarithmic = false;

    bool operator==(const AxisScale&) const = default;
};

/// Fraction of v along the scale from lo (0) to hi (1), not limited; 0 where it
/// cannot be computed.
double scale_fraction(const AxisScale& s, double v);

/// 0 at the top or left edge, 1 at the bottom or right edge; not limited.
double value_to_notclipped_position(const AxisScale& s, double v);
/// value_to_notclipped_position limited to [0, 1].
double value_to_position(const AxisScale& s, double v);
/// The pixel of v along the axis, rounded half to even; far-away values are limited
/// to ±1e9 pixels so that callers can still compute with them.
int value_to_notclippedpixel(const AxisScale& s, double v);
/// value_to_notclippedpixel limited to [0, extent - 1].
int value_to_pixel(const AxisScale& s, double v);
/// The value at pixel p, limited to [lo, hi]; the inverse of value_to_pixel.
double pixel_to_value(const AxisScale& s, int p);

/// The same scale over `extent` pixels: the device pixels of a screen with a scale
/// factor above 1.
AxisScale with_extent(AxisScale s, int extent);

/// Where a tick that the layout put at `pixel` on `s` lies on `fine`, the same scale
/// over more pixels: its value mapped there, held on the end pixel as the layout held
/// it. Equal to `pixel` when `fine` is `s`.
int tick_pixel_on(const AxisScale& s, const AxisScale& fine, double value, int pixel);

} // namespace zevrin
