#pragma once
// Modal message boxes for code below the window layer. The program installs a
// handler that shows a real dialog; without one the text goes to standard error
// and the default button is taken.

#include <functional>
#include <string>

namespace zevrin {

// Style bits and answers, as Windows numbers them.
namespace mb {
inline constexpr unsigned ok = 0x0;
inline constexpr unsigned okcancel = 0x1;
inline constexpr unsigned abortretryignore = 0x2;
inline constexpr unsigned yesnocancel = 0x3;
inline constexpr unsigned yesno = 0x4;
inline constexpr unsigned retrycancel = 0x5;
inline constexpr unsigned buttons_mask = 0xF;
inline constexpr unsigned iconerror = 0x10;
inline constexpr unsigned iconquestion = 0x20;
inline constexpr unsigned iconexclamation = 0x30;
inline constexpr unsigned iconinformation = 0x40;
inline constexpr unsigned icon_mask = 0xF0;
inline constexpr unsigned defbutton2 = 0x100;
inline constexpr unsigned defbutton3 = 0x200;
inline constexpr unsigned defbutton_mask = 0xF00;
} // namespace mb

namespace id {
inline constexpr int ok = 1;
inline constexpr int cancel = 2;
inline constexpr int abort = 3;
inline constexpr int retry = 4;
inline constexpr int ignore = 5;
inline constexpr int yes = 6;
inline constexpr int no = 7;
} // namespace id

using MessageBoxHandler =
    std::function<int(const std::string& text, const std::string& caption, unsigned flags)>;

/// Shows text with caption and the buttons and icon of `flags`; returns the id of
/// the button pressed.
int message_box(const std::string& text, const std::string& caption, unsigned flags);
/// Installs the handler that shows message boxes; an empty one restores the default.
void set_message_box_handler(MessageBoxHandler handler);
/// The answer that the default button of `flags` gives.
int default_button_id(unsigned flags);

} // namespace zevrin
