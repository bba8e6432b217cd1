#pragma once
// The one place that every exception escaping an event handler reaches: the
// window's handlers, the settings dialog's, the application's event dispatch and,
// through them, the engine's and the sound devices' failures. The program's error
// log installs itself here; without it the standard error message is shown.

#include <exception>
#include <functional>
#include <string>

namespace zevrin {

using UnhandledErrorHandler = std::function<void(const std::exception& error)>;

/// Hands `error` to the installed handler, or shows the standard error message.
/// Never raises: a handler that fails leaves only the standard message.
void handle_unhandled_error(const std::exception& error) noexcept;
/// The same for an exception that is no std::exception ("Unknown exception").
void handle_unknown_error() noexcept;

/// Installs `handler` for `owner`; an empty one removes it.
void set_unhandled_error_handler(const void* owner, UnhandledErrorHandler handler);
/// Removes the handler, but only while `owner` is the one that installed it.
void remove_unhandled_error_handler(const void* owner);

/// The program's standard error message: the text in a message box with the
/// program's name as caption and the stop icon.
void show_standard_error(const std::string& message);

} // namespace zevrin
