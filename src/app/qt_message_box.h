#pragma once
// The program's message boxes: the handler of platform/message_box.h shown as a
// QMessageBox with the buttons, icon and default button its flags ask for.

#include <string>

namespace zevrin {

/// Shows the box modally and returns the id of the button pressed; Escape presses
/// Cancel where there is one.
int qt_message_box(const std::string& text, const std::string& caption, unsigned flags);

/// Makes every message_box() of the program a qt_message_box(). Needs a QApplication.
void install_qt_message_box();

} // namespace zevrin
