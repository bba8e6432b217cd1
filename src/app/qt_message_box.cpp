#include "app/qt_message_box.h"

#include "platform/message_box.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

#include <array>
#include <utility>

namespace zevrin {

namespace {

using Button = std::pair<QMessageBox::StandardButton, int>;

// The buttons of each kind, in the order in which defbutton2 and defbutton3 count.
std::array<Button, 3> buttons_of(unsigned kind, int& count) {
    using B = QMessageBox;
    switch (kind) {
    case mb::okcancel:
        count = 2;
        return {{{B::Ok, id::ok}, {B::Cancel, id::cancel}, {}}};
    case mb::abortretryignore:
        count = 3;
        return {{{B::Abort, id::abort}, {B::Retry, id::retry}, {B::Ignore, id::ignore}}};
    case mb::yesnocancel:
        count = 3;
        return {{{B::Yes, id::yes}, {B::No, id::no}, {B::Cancel, id::cancel}}};
    case mb::yesno:
        count = 2;
        return {{{B::Yes, id::yes}, {B::No, id::no}, {}}};
    case mb::retrycancel:
        count = 2;
        return {{{B::Retry, id::retry}, {B::Cancel, id::cancel}, {}}};
    default:
        count = 1;
        return {{{B::Ok, id::ok}, {}, {}}};
    }
}

QMessageBox::Icon icon_of(unsigned flags) {
    switch (flags & mb::icon_mask) {
    case mb::iconerror:
        return QMessageBox::Critical;
    case mb::iconquestion:
        return QMessageBox::Question;
    case mb::iconexclamation:
        return QMessageBox::Warning;
    case mb::iconinformation:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

} // namespace

int qt_message_box(const std::string& text, const std::string& caption, unsigned flags) {
    QMessageBox box(icon_of(flags), QString::fromStdString(caption), QString::fromStdString(text),
                    QMessageBox::NoButton, QApplication::activeWindow());
    int count = 0;
    const std::array<Button, 3> buttons = buttons_of(flags & mb::buttons_mask, count);
    const auto defindex = static_cast<int>((flags & mb::defbutton_mask) >> 8);
    for (int i = 0; i < count; ++i) {
        QPushButton* b = box.addButton(buttons[static_cast<size_t>(i)].first);
        if (i == defindex) {
            box.setDefaultButton(b);
        }
    }
    box.exec();
    QAbstractButton* clicked = box.clickedButton();
    for (int i = 0; i < count; ++i) {
        if (clicked != nullptr &&
            box.standardButton(clicked) == buttons[static_cast<size_t>(i)].first) {
            return buttons[static_cast<size_t>(i)].second;
        }
    }
    return default_button_id(flags);
}

void install_qt_message_box() {
    set_message_box_handler(qt_message_box);
}

} // namespace zevrin
