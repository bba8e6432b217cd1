#pragma once
// The font of the axes and their dialog: the desktop's user-interface font at 8
// points, the size of Windows' "MS Sans Serif" 8, which Linux lacks.

#include <QFont>

namespace zevrin {

/// Needs a running QApplication.
QFont default_axis_font();

} // namespace zevrin
