#pragma once
// Changing an axis's range with the mouse: which end a press takes hold of, which
// cursor says so, and the values while dragging, chosen so that the value under the
// pointer at the press stays under the pointer.

#include <optional>

namespace zevrin {

/// What a drag moves, numbered as the axis's drag state.
enum class DragMode : int { none = 0, low_end = 1, whole_range = 2, high_end = 3 };

/// Screen cursor numbers of the drag modes on vertical (V) and horizontal (H) axes;
/// 0 is the default arrow.
inline constexpr int crDefault = 0;
inline constexpr int crVUpper = 1201;
inline constexpr int crVLower = 1202;
inline constexpr int crVMiddle = 1203;
inline constexpr int crHUpper = 1204;
inline constexpr int crHLower = 1205;
inline constexpr int crHMiddle = 1206;

struct DragPermissions {
    bool low = true;
    bool high = true;
    bool middle = false;
};

/// A press closer than 11 pixels to either end counts as 11 pixels in, so that a
/// drag never starts on the very pixel that it scales about.
int clamp_press_position(int pos, int extent);

/// The mode for a pointer at `pos` along the axis (y downwards, x rightwards): the
/// high end is the upper part of a vertical axis and the right part of a horizontal
/// one, whatever the axis's direction; with `middle`, the central third moves the
/// whole range.
DragMode press_mode(bool vertical, int pos, int extent, const DragPermissions& allowed);

/// The cursor that shows `mode`.
int drag_cursor(bool vertical, DragMode mode);

struct DragStart {
    DragMode mode = DragMode::none;
    /// Press position after clamp_press_position.
    int downpos = 0;
    double lo = 0.0;
    double hi = 1.0;
};

/// New values for a pointer now at `pos`; the high value is to be written before the
/// low one. A value that cannot be computed is absent (the move changes nothing).
struct DragValues {
    std::optional<double> hi;
    std::optional<double> lo;
};
DragValues drag_values(const DragStart& start, bool vertical, bool logarithmic, int pos,
                       int extent);

} // namespace zevrin
