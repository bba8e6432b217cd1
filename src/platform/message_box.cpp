#include "platform/message_box.h"

#include <array>
#include <iostream>

namespace zevrin {

namespace {

MessageBoxHandler& handler() {
    static MessageBoxHandler h;
    return h;
}

} // namespace

int default_button_id(unsigned flags) {
    static const std::array<std::array<int, 3>, 6> buttons = {{
        {id::ok, id::ok, id::ok},
        {id::ok, id::cancel, id::cancel},
        {id::abort, id::retry, id::ignore},
        {id::yes, id::no, id::cancel},
        {id::yes, id::no, id::no},
        {id::retry, id::cancel, id::cancel},
    }};
    const unsigned kind = flags & mb::buttons_mask;
    const unsigned def = (flags & mb::defbutton_mask) >> 8;
    if (kind >= buttons.size() || def > 2) {
        return id::ok;
    }
    return buttons[kind][def];
}

int message_box(const std::string& text, const std::string& caption, unsigned flags) {
    if (handler()) {
        return handler()(text, caption, flags);
    }
    std::cerr << caption << ": " << text << '\n';
    return default_button_id(flags);
}

void set_message_box_handler(MessageBoxHandler h) {
    handler() = std::move(h);
}

} // namespace zevrin
