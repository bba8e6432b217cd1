#include "app/window_arguments.h"

namespace zevrin {

void queue_window_arguments(TForm1& window, const CommandLine& cl) {
    // Queued, so that the first activation has read the stored settings before a
    // file's settings replace them, and a message box about a file comes up over
    // a window that is already shown.
    for (const std::string& file : cl.settings_files) {
        QMetaObject::invokeMethod(
            &window, [&window, file] { window.open_settings_file(file); }, Qt::QueuedConnection);
    }
}

} // namespace zevrin
