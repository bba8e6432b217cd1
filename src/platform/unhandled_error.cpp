#include "platform/unhandled_error.h"

#include "platform/message_box.h"
#include "zevrin_version.h"

#include <stdexcept>

namespace zevrin {

namespace {

struct Installed {
    const void* owner = nullptr;
    UnhandledErrorHandler handler;
};

Installed& installed() {
    static Installed i;
    return i;
}

} // namespace

void show_standard_error(const std::string& message) {
    message_box(message, product_name, mb::ok | mb::iconerror);
}

void handle_unhandled_error(const std::exception& error) noexcept {
    try {
        // A copy: the handler may remove itself while it runs.
        const UnhandledErrorHandler handler = installed().handler;
        if (handler) {
            handler(error);
        } else {
            show_standard_error(error.what());
        }
    } catch (...) {
        try {
            show_standard_error(error.what());
        } catch (...) {
            // Nothing is left to report with.
        }
    }
}

void handle_unknown_error() noexcept {
    handle_unhandled_error(std::runtime_error("Unknown exception"));
}

void set_unhandled_error_handler(const void* owner, UnhandledErrorHandler handler) {
    installed() = {handler ? owner : nullptr, std::move(handler)};
}

void remove_unhandled_error_handler(const void* owner) {
    if (installed().owner == owner) {
        installed() = {};
    }
}

} // namespace zevrin
