#include "shell/application.h"

#include "platform/unhandled_error.h"

#include <exception>

namespace zevrin {

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        handle_unhandled_error(e);
    } catch (...) {
        handle_unknown_error();
    }
    return false;
}

} // namespace zevrin
