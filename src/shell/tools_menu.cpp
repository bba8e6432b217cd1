// TToolsMenu: the menu, the click on a tool and the broadcast. The registry entries
// are read and written in tools_menu_registry.cpp.

#include "shell/tools_menu.h"

#include "dsp/text.h"
#include "platform/message_box.h"
#include "platform/system.h"
#include "platform/unhandled_error.h"
#include "shell/tool_command.h"
#include "shell/tools_broadcast.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QTimer>

#include <array>
#include <filesystem>

namespace zevrin {

namespace {

std::string current_folder() {
    std::error_code ec;
    const std::filesystem::path cwd = std::filesystem::current_path(ec);
    return ec ? std::string() : cwd.string();
}

std::string running_program() {
    const std::string folder = program_folder();
    return folder.empty() ? program_file_name() : folder + "/" + program_file_name();
}

std::vector<std::string> command_line_parameters() {
    std::vector<std::string> params = {running_program()};
    if (QCoreApplication::instance() != nullptr) {
        const QStringList args = QCoreApplication::arguments();
        for (qsizetype i = 1; i < args.size(); ++i) {
            params.push_back(args[i].toStdString());
        }
    }
    return params;
}

// The extension of a file name without its dot; empty when it has none.
std::string extension_of(const std::string& file) {
    const size_t slash = file.rfind('/');
    const size_t dot = file.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
        return {};
    }
    return file.substr(dot + 1);
}

} // namespace

QKeySequence hotkey_to_key_sequence(uint16_t hotkey) {
    const int code = hotkey & 0xFF;
    int key = 0;
    Qt::KeyboardModifiers modifiers;
    if (code >= 0x30 && code <= 0x39) {
        key = Qt::Key_0 + (code - 0x30);
    } else if (code >= 0x41 && code <= 0x5A) {
        key = Qt::Key_A + (code - 0x41);
    } else if (code >= 0x60 && code <= 0x69) {
        key = Qt::Key_0 + (code - 0x60);
        modifiers |= Qt::KeypadModifier;
    } else if (code >= 0x70 && code <= 0x87) {
        key = Qt::Key_F1 + (code - 0x70);
    } else {
        static const std::array<std::pair<int, int>, 20> others = {{
            {0x08, Qt::Key_Backspace}, {0x09, Qt::Key_Tab},    {0x0D, Qt::Key_Return},
            {0x1B, Qt::Key_Escape},    {0x20, Qt::Key_Space},  {0x21, Qt::Key_PageUp},
            {0x22, Qt::Key_PageDown},  {0x23, Qt::Key_End},    {0x24, Qt::Key_Home},
            {0x25, Qt::Key_Left},      {0x26, Qt::Key_Up},     {0x27, Qt::Key_Right},
            {0x28, Qt::Key_Down},      {0x2D, Qt::Key_Insert}, {0x2E, Qt::Key_Delete},
            {0x6A, Qt::Key_Asterisk},  {0x6B, Qt::Key_Plus},   {0x6D, Qt::Key_Minus},
            {0x6E, Qt::Key_Period},    {0x6F, Qt::Key_Slash},
        }};
        for (const auto& [vk, qt] : others) {
            if (vk == code) {
                key = qt;
                if (vk >= 0x6A) {
                    modifiers |= Qt::KeypadModifier;
                }
            }
        }
    }
    if (key == 0) {
        return {};
    }
    if ((hotkey & 0x2000) != 0) {
        modifiers |= Qt::ShiftModifier;
    }
    if ((hotkey & 0x4000) != 0) {
        modifiers |= Qt::ControlModifier;
    }
    if ((hotkey & 0x8000) != 0) {
        modifiers |= Qt::AltModifier;
    }
    return QKeySequence(QKeyCombination(modifiers, static_cast<Qt::Key>(key)));
}

TToolsMenu::TToolsMenu(QObject* owner)
    : QObject(owner), fthisappcmdline(running_program()), fparams(command_line_parameters()) {
    // Whether this user may write the list that all users share: a key created and
    // deleted again under the machine's "Software" tells.
    try {
        const std::string probe = "\\Software\\MarvenXII13425843592";
        fmachinehive.create_key(probe);
        fmachinehive.delete_key(probe);
        fmachineroot = RegistryHive::local_machine;
    } catch (const ERegistryError&) {
        fmachineroot = RegistryHive::current_user;
    }
    fbroadcast = std::make_unique<TToolsBroadcast>(
        [this] {
            const RegistryHive hive = root();
            Registry& reg = hive == RegistryHive::current_user ? fuserhive : fmachinehive;
            const RegistryKey* key = reg.tree().find(frootkey);
            RegistryTree list;
            if (key != nullptr) {
                list.create(frootkey) = *key;
            }
            return std::string(hive_name(hive)) + "\n" + format_registry_text(list, "");
        },
        std::vector<std::string>{fuserhive.file(), fmachinehive.file()});
    fbroadcast->OnChange = [this] { other_program_changed(); };
}

TToolsMenu::~TToolsMenu() = default;

void TToolsMenu::Loaded() {
    // Without a home folder the window has said once that nothing can be kept.
    if (fautoinsertthisapp && user_hive_available()) {
        try {
            insert_thisapp();
        } catch (const std::exception& e) {
            // The program runs on without its entry; the menu still shows the others.
            handle_unhandled_error(e);
        }
    }
    if (fautoinsertinmenu) {
        insert_in_menu();
    }
}

void TToolsMenu::set_Visible(bool visible) {
    if (ftoolsmenu != nullptr) {
        ftoolsmenu->menuAction()->setVisible(visible);
    }
}

bool TToolsMenu::listens_on_bus() const {
    return fbroadcast->on_bus();
}

void TToolsMenu::broadcast_change() {
    fbroadcast->send();
}

void TToolsMenu::other_program_changed() {
    insert_in_menu();
    if (OnBroadcastedChange) {
        OnBroadcastedChange();
    }
}

void TToolsMenu::insert_in_menu() {
    if (fmainmenu == nullptr) {
        return;
    }
    fappkeynames = sorted_key_names();
    bool visible = true;
    int place = -1;
    if (ftoolsmenu != nullptr) {
        visible = ftoolsmenu->menuAction()->isVisible();
        // A rebuilt menu keeps its place, so that it does not move behind menus
        // inserted after it.
        place = static_cast<int>(fmainmenu->actions().indexOf(ftoolsmenu->menuAction()));
        delete ftoolsmenu;
    }
    ftoolsmenu = new QMenu(QString::fromStdString(fcaption), fmainmenu);
    ftoolsmenu->menuAction()->setVisible(visible);
    fhastooleditor = false;
    for (size_t i = fappkeynames.size(); i-- > 0;) {
        const std::optional<tappregentry> entry = read_app(fappkeynames[i]);
        if (!entry) {
            continue;
        }
        if (lower_case(entry->appname) == "tooledit") {
            fhastooleditor = true;
            feditorcmdline = entry->cmdline;
        }
        auto* item = new QAction(QString::fromStdString(entry->menutext), ftoolsmenu);
        item->setShortcut(hotkey_to_key_sequence(entry->hotkey));
        item->setData(static_cast<int>(i));
        item->setVisible(entry->enabled);
        connect(item, &QAction::triggered, this, [this, item] { tool_click(item); });
        QAction* first = ftoolsmenu->actions().value(0, nullptr);
        ftoolsmenu->insertAction(first, item);
        // A menu here has no columns: a separator stands where a new column began.
        if (entry->menucolbreak) {
            ftoolsmenu->insertSeparator(first);
        }
    }
    if (place < 0) {
        place = fmenupos;
    }
    fmainmenu->insertMenu(fmainmenu->actions().value(place, nullptr), ftoolsmenu);
    fbroadcast->remember();
    if (firstinsert) {
        firstinsert = false;
        fbroadcast->listen();
        if (!HotKeyConflict().empty() && fhastooleditor && fautostarteditor &&
            message_box("Tools menu has errors, start tools menu editor to correct them?",
                        "Error in tools menu", mb::yesno | mb::iconexclamation) == id::yes) {
            run_command(feditorcmdline, {});
        }
        show_about_for_switch();
    }
}

// Once the window is up: the about box must not hold up the start.
void TToolsMenu::show_about_for_switch() {
    if (ftamberaboutbox == nullptr) {
        return;
    }
    for (size_t i = 1; i < fparams.size(); ++i) {
        if (fparams[i] == "/?") {
            // Queued twice: the first call runs before what the start queued after the
            // window was made, the second after it.
            QMetaObject::invokeMethod(
                this,
                [this] {
                    QMetaObject::invokeMethod(
                        this,
                        [this] {
                            if (ftamberaboutbox != nullptr) {
                                ftamberaboutbox->showmodal();
                            }
                        },
                        Qt::QueuedConnection);
                },
                Qt::QueuedConnection);
            return;
        }
    }
}

std::string TToolsMenu::HotKeyConflict() {
    fappkeynames = sorted_key_names();
    std::vector<std::string> texts;
    for (const std::string& name : fappkeynames) {
        const std::optional<tappregentry> entry = read_app(name);
        if (entry) {
            texts.push_back(entry->menutext);
        }
    }
    return hotkey_conflict(texts, fusedhotkeys);
}

bool TToolsMenu::is_free_hotkey(char c) const {
    return zevrin::is_free_hotkey(c, fusedhotkeys);
}

std::string TToolsMenu::add_accelerator(const std::string& text) {
    return zevrin::add_accelerator(text, fusedhotkeys);
}

std::string TToolsMenu::placeholder_value(const std::string& code) {
    std::string value = code;
    if (OnMeaning) {
        value.clear();
        OnMeaning(sender_item_, code, value);
    }
    if (code == "%f" && !validextensions.empty()) {
        const std::string ext = lower_case(extension_of(value));
        bool valid = false;
        for (const std::string& e : validextensions) {
            valid = valid || lower_case(e) == ext;
        }
        if (!valid) {
            value.clear();
        }
    }
    if (value == code) {
        value.clear();
    }
    if (!value.empty()) {
        return value;
    }
    if (code == "%d") {
        return current_folder();
    }
    if (code == "%w") {
        return windows_folder();
    }
    if (code == "%p") {
        return program_folder();
    }
    if (code == "%%") {
        return "%";
    }
    if (code.size() == 2 && code[1] >= '0' && code[1] <= '9') {
        const auto n = static_cast<size_t>(code[1] - '0');
        return n < fparams.size() ? fparams[n] : std::string();
    }
    return {};
}

// With "Want8+3" a path would be shortened here; Linux has no short names.
std::string TToolsMenu::expand_params(const std::string& text) {
    return zevrin::expand_params(
        text, [this](const std::string& code) { return placeholder_value(code); });
}

int TToolsMenu::run_command(const std::string& program, const std::vector<std::string>& args) {
    if (command_text(program, args).size() >= max_command_length) {
        return 2;
    }
    if (program.empty()) {
        return 0;
    }
    QStringList list;
    for (const std::string& a : args) {
        list << QString::fromStdString(a);
    }
    return QProcess::startDetached(QString::fromStdString(program), list) ? 33 : 0;
}

void TToolsMenu::tool_click(QAction* item) {
    const int tag = item->data().toInt();
    if (tag < 0 || static_cast<size_t>(tag) >= fappkeynames.size()) {
        return;
    }
    const std::string keyname = fappkeynames[static_cast<size_t>(tag)];
    const tappregentry entry = read_app(keyname).value_or(tappregentry{});
    validextensions = entry.validextensions;
    ensure_want83(keyname);
    sender_item_ = item;
    std::vector<std::string> args;
    for (const std::string& a : split_arguments(entry.parameters)) {
        std::string value = expand_params(a);
        // A placeholder without a value leaves nothing, not an empty argument.
        if (!value.empty() || a.empty()) {
            args.push_back(std::move(value));
        }
    }
    sender_item_ = nullptr;
    const std::string program = trim(entry.cmdline);
    if (run_command(program, args) < 32) {
        message_box("Error running tool " + command_text(program, args) + "\r" +
                        "Run the tools menu editor",
                    "Tools", mb::ok | mb::iconexclamation);
    }
}

} // namespace zevrin
