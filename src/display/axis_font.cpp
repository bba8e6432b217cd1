#include "display/axis_font.h"

#include <QApplication>

namespace zevrin {

QFont default_axis_font() {
    QFont font = QApplication::font();
    font.setPointSize(8);
    return font;
}

} // namespace zevrin
