#pragma once
// The six drag cursors of the axes ("VUPPER", "VLOWER", "VMIDDLE", "HUPPER",
// "HLOWER", "HMIDDLE"), drawn in code and registered under the screen cursor numbers
// crVUpper .. crHMiddle of display/axis_drag.h.

#include <QCursor>
#include <QImage>

namespace zevrin {

/// Registers the six cursors with the running application; later calls do nothing
/// until that application ends.
void register_axis_cursors();

/// The cursor registered under `number`, or the default arrow.
QCursor screen_cursor(int number);

/// The 32 × 32 picture of a drag cursor: a double arrow at the end that moves and a
/// bar at the end that stays (arrows at both ends and the range between them for the
/// whole-range cursors). A null image for other numbers.
QImage axis_cursor_image(int number);

} // namespace zevrin
