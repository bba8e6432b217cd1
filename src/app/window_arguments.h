#pragma once
// What the command line asks of the window once it is up and has read the stored
// settings.

#include "app/command_line.h"
#include "app/main_window.h"

namespace zevrin {

/// Queues, for when the event loop runs: each settings file of the command line,
/// opened in turn as "&Open file..." opens one. The about box of "/?" comes after them
/// from the tools menu (TToolsMenu::show_about_for_switch).
void queue_window_arguments(TForm1& window, const CommandLine& cl);

} // namespace zevrin
