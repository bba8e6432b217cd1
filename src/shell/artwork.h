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

} // namespace zevrin
