#pragma once
// The program's pictures: the family picture of the about box, drawn in code, and
// the program icon, the artwork of data/icons.

#include <QIcon>
#include <QImage>

namespace zevrin {

/// The family picture: 155 by 226 pixels, at most 256 colours (8-bit indexed).
QImage family_picture();
/// The program icon in the sizes of the desktop's icon theme, 16 to 256 pixels.
QIcon program_icon();
/// The logo of the printed page: the program icon above the program's name, on white,
/// 150 by 100 pixels, 24-bit. Drawn from program_icon(), so it follows the icon.
QImage program_logo();

} // namespace zevrin
