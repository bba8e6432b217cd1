#pragma once
// The program's pictures, drawn in code: the family picture of the about box and
// the program icon.

#include <QIcon>
#include <QImage>

namespace zevrin {

/// The family picture: 155 by 226 pixels, at most 256 colours (8-bit indexed).
QImage family_picture();
/// The program icon in the sizes a desktop asks for.
QIcon program_icon();
/// The logo of the printed page: the program icon above the program's name, on white,
/// 150 by 100 pixels, 24-bit. Drawn from program_icon(), so it follows the icon.
QImage program_logo();

} // namespace zevrin
