// TToolsMenu: the registry entries of the tools, this program's own registration
// and the choice of the hive.

#include "dsp/text.h"
#include "platform/message_box.h"
#include "shell/tool_command.h"
#include "shell/tools_broadcast.h"
#include "shell/tools_menu.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

namespace zevrin {

namespace {

constexpr const char* extensions_key = "ValidExtensions";

std::optional<std::string> text_of(Registry& reg, const std::string& path, const char* name) {
    const std::optional<RegistryValue> v = reg.value(path, name);
    if (!v || v->kind != RegistryValue::Kind::string) {
        return std::nullopt;
    }
    return v->text;
}

std::optional<uint32_t> dword_of(Registry& reg, const std::string& path, const char* name) {
    const std::optional<RegistryValue> v = reg.value(path, name);
    if (!v || v->kind != RegistryValue::Kind::dword) {
        return std::nullopt;
    }
    return v->dword;
}

// A stored version as a number with "." as decimal separator, -1 when missing or
// no number.
double version_number(const std::optional<std::string>& text) {
    if (!text) {
        return -1;
    }
    try {
        const double v = str_to_float_dot(*text);
        return std::isfinite(v) ? v : -1;
    } catch (const EConvertError&) {
        return -1;
    }
}

std::string without_ampersands(const std::string& text) {
    std::string plain;
    std::copy_if(text.begin(), text.end(), std::back_inserter(plain),
                 [](char c) { return c != '&'; });
    return plain;
}

RegistryValue boolean(bool v) {
    return RegistryValue::number(v ? 1 : 0);
}

} // namespace

std::string TToolsMenu::key_path(const std::string& keyname) const {
    return frootkey + "\\" + keyname;
}

RegistryHive TToolsMenu::root() {
    const int users = UsersDifferent();
    const bool own = users != 0 && (users == 2 || IWantDifferent());
    return own ? RegistryHive::current_user : fmachineroot;
}

Registry& TToolsMenu::registry() {
    return root() == RegistryHive::current_user ? fuserhive : fmachinehive;
}

int TToolsMenu::UsersDifferent() {
    Registry& machine = fmachineroot == RegistryHive::current_user ? fuserhive : fmachinehive;
    return static_cast<int>(dword_of(machine, frootkey, "UsersDifferent").value_or(1));
}

bool TToolsMenu::IWantDifferent() {
    return dword_of(fuserhive, frootkey, "IWantDifferent").value_or(0) != 0;
}

bool TToolsMenu::read_bool(const std::string& name, bool default_value) {
    const std::optional<uint32_t> v = dword_of(registry(), frootkey, name.c_str());
    if (v) {
        return *v != 0;
    }
    try {
        change_list([&](RegistryTree& tree) {
            tree.create(frootkey).set_value(name, boolean(default_value));
        });
    } catch (const ERegistryError&) {
        // A list this user cannot write keeps its default.
    }
    return default_value;
}

bool TToolsMenu::AutoUpdate() {
    return read_bool("AutoUpdate", true);
}

void TToolsMenu::set_AutoUpdate(bool v) {
    change_list(
        [&](RegistryTree& tree) { tree.create(frootkey).set_value("AutoUpdate", boolean(v)); });
}

bool TToolsMenu::UpdateSameVersion() {
    return read_bool("UpdateSameVersion", true);
}

void TToolsMenu::set_UpdateSameVersion(bool v) {
    change_list([&](RegistryTree& tree) {
        tree.create(frootkey).set_value("UpdateSameVersion", boolean(v));
    });
}

void TToolsMenu::change_list(const std::function<void(RegistryTree&)>& edit) {
    registry().change(edit);
    fbroadcast->remember();
}

std::vector<std::string> TToolsMenu::sorted_key_names() {
    return registry().subkey_names(frootkey);
}

std::string TToolsMenu::free_key_name(size_t start) {
    const std::vector<std::string> names = sorted_key_names();
    for (size_t n = start; n <= 99999; ++n) {
        std::array<char, 8> name{};
        std::snprintf(name.data(), name.size(), "%05zu", n);
        if (std::find(names.begin(), names.end(), name.data()) == names.end()) {
            return name.data();
        }
    }
    return {};
}

std::optional<tappregentry> TToolsMenu::read_app(const std::string& keyname) {
    Registry& reg = registry();
    const std::string path = key_path(keyname);
    if (!reg.key_exists(path)) {
        return std::nullopt;
    }
    tappregentry app;
    app.menutext = text_of(reg, path, "MenuText").value_or("");
    app.hotkey = static_cast<uint16_t>(dword_of(reg, path, "HotKey").value_or(0));
    app.menucolbreak = dword_of(reg, path, "MenuColBreak").value_or(0) != 0;
    app.cmdline = text_of(reg, path, "CmdLine").value_or("");
    app.parameters = text_of(reg, path, "Parameters").value_or("");
    app.version = text_of(reg, path, "Version").value_or("");
    app.appname = text_of(reg, path, "AppName").value_or("");
    app.want83 = dword_of(reg, path, "Want8+3").value_or(0) != 0;
    app.enabled = dword_of(reg, path, "Enabled").value_or(1) != 0;
    for (const std::string& ext : reg.value_names(path + "\\" + extensions_key)) {
        if (!ext.empty()) {
            app.validextensions.push_back(ext);
        }
    }
    return app;
}

std::string TToolsMenu::app_keyname(const std::string& appname) {
    std::string found;
    for (const std::string& name : sorted_key_names()) {
        const std::optional<std::string> v = text_of(registry(), key_path(name), "AppName");
        if (v && *v == appname) {
            found = name;
        }
    }
    return found;
}

namespace {

// The accelerators of every entry but `keyname`'s own, which must not push its own
// entry to another letter at each rewrite.
std::string used_by_others(TToolsMenu& menu, const std::vector<std::string>& names,
                           const std::string& keyname) {
    std::string used;
    for (const std::string& name : names) {
        if (name != keyname) {
            if (const std::optional<tappregentry> e = menu.read_app(name)) {
                used += accelerator_of(e->menutext);
            }
        }
    }
    return used;
}

} // namespace

void TToolsMenu::insert_thisapp() {
    fappkeynames = sorted_key_names();
    fthisappkey.clear();
    for (const std::string& name : fappkeynames) {
        const std::optional<std::string> v = text_of(registry(), key_path(name), "AppName");
        if (v && lower_case(*v) == lower_case(fthisappname)) {
            fthisappkey = name;
        }
    }
    fusedhotkeys = used_by_others(*this, fappkeynames, fthisappkey);
    if (fthisappkey.empty()) {
        fthisappkey = free_key_name(fappkeynames.size());
    }
    if (!AutoUpdate()) {
        return;
    }
    const std::optional<tappregentry> entry = read_app(fthisappkey);
    const double stored = version_number(
        entry ? text_of(registry(), key_path(fthisappkey), "Version") : std::nullopt);
    double current = 0;
    if (ftamberaboutbox != nullptr) {
        current = ftamberaboutbox->beta() ? stored : ftamberaboutbox->VersionNumber();
    }
    if (stored < 0 || stored < current) {
        fthisappmenutext = add_accelerator(fthisappmenutext);
        const std::string path = key_path(fthisappkey);
        change_list([&](RegistryTree& tree) {
            RegistryKey& key = tree.create(path);
            key.set_value("MenuText", RegistryValue::string(fthisappmenutext));
            key.set_value("HotKey", RegistryValue::number(fthisapphotkey));
            key.set_value("CmdLine", RegistryValue::string(fthisappcmdline));
            key.set_value("Parameters", RegistryValue::string(fthisappparams));
            key.set_value("AppName", RegistryValue::string(fthisappname));
            key.set_value("Want8+3", boolean(fwant83));
            if (ftamberaboutbox != nullptr) {
                key.set_value("Version", RegistryValue::string(ftamberaboutbox->Version()));
            }
            if (key.value("Enabled") == nullptr) {
                key.set_value("Enabled", boolean(true));
            }
            if (key.value("MenuColBreak") == nullptr) {
                key.set_value("MenuColBreak", boolean(false));
            }
            RegistryKey& extensions = key.add_subkey(extensions_key);
            for (const std::string& ext : fthisappvalidextensions) {
                extensions.set_value(ext, boolean(false));
            }
        });
        broadcast_change();
    } else if (stored == current && lower_case(entry->cmdline) != lower_case(fthisappcmdline)) {
        ask_moved(fthisappkey, *entry);
    }
}

void TToolsMenu::ask_moved(const std::string& keyname, const tappregentry& stored) {
    if (!UpdateSameVersion()) {
        return;
    }
    const std::string caption = ftamberaboutbox != nullptr
                                    ? ftamberaboutbox->Title() + " has been moved!"
                                    : std::string("This application has been moved!");
    const std::string text = "Do you want to use\r" + fthisappcmdline + "\r" + "instead of\r" +
                             stored.cmdline + "\r" + "when you click on \"" +
                             without_ampersands(fcaption) + "|" +
                             without_ampersands(stored.menutext) + "\" in the future?";
    if (message_box(text, caption, mb::yesno | mb::iconquestion) != id::yes) {
        return;
    }
    const std::string menutext = add_accelerator(fthisappmenutext);
    const std::string path = key_path(keyname);
    change_list([&](RegistryTree& tree) {
        RegistryKey& key = tree.create(path);
        key.set_value("HotKey", RegistryValue::number(fthisapphotkey));
        key.set_value("CmdLine", RegistryValue::string(fthisappcmdline));
        const auto where_missing = [&key](const char* name, RegistryValue value) {
            if (key.value(name) == nullptr) {
                key.set_value(name, std::move(value));
            }
        };
        where_missing("MenuText", RegistryValue::string(menutext));
        where_missing("Parameters", RegistryValue::string(fthisappparams));
        if (ftamberaboutbox != nullptr) {
            where_missing("Version", RegistryValue::string(ftamberaboutbox->Version()));
        }
        where_missing("Enabled", boolean(true));
        where_missing("MenuColBreak", boolean(false));
        where_missing("AppName", RegistryValue::string(fthisappname));
        where_missing("Want8+3", boolean(fwant83));
        if (key.subkey(extensions_key) == nullptr) {
            RegistryKey& extensions = key.add_subkey(extensions_key);
            for (const std::string& ext : fthisappvalidextensions) {
                extensions.set_value(ext, boolean(false));
            }
        }
    });
    broadcast_change();
}

void TToolsMenu::write_app(const std::string& keyname, tappregentry& app,
                           bool overwrite_extensions) {
    app.menutext =
        zevrin::add_accelerator(app.menutext, used_by_others(*this, sorted_key_names(), keyname));
    const std::string path = key_path(keyname);
    change_list([&](RegistryTree& tree) {
        RegistryKey& key = tree.create(path);
        key.set_value("MenuText", RegistryValue::string(app.menutext));
        key.set_value("HotKey", RegistryValue::number(app.hotkey));
        key.set_value("MenuColBreak", boolean(app.menucolbreak));
        key.set_value("CmdLine", RegistryValue::string(app.cmdline));
        key.set_value("Parameters", RegistryValue::string(app.parameters));
        key.set_value("Version", RegistryValue::string(app.version));
        key.set_value("AppName", RegistryValue::string(app.appname));
        key.set_value("Want8+3", boolean(app.want83));
        key.set_value("Enabled", boolean(app.enabled));
        if (overwrite_extensions) {
            key.delete_subkey(extensions_key);
        }
        RegistryKey& extensions = key.add_subkey(extensions_key);
        for (const std::string& ext : app.validextensions) {
            extensions.set_value(ext, boolean(false));
        }
    });
    broadcast_change();
}

void TToolsMenu::add_app(tappregentry& app) {
    const std::string keyname = free_key_name(1);
    if (AutoUpdate()) {
        write_app(keyname, app, false);
    }
}

void TToolsMenu::change_app(tappregentry& app) {
    std::string keyname = app_keyname(app.appname);
    if (keyname.empty()) {
        keyname = free_key_name(1);
    }
    if (AutoUpdate()) {
        write_app(keyname, app, true);
    }
}

void TToolsMenu::ensure_want83(const std::string& keyname) {
    const std::string path = key_path(keyname);
    if (!registry().key_exists(path) || registry().value(path, "Want8+3")) {
        return;
    }
    try {
        change_list(
            [&](RegistryTree& tree) { tree.create(path).set_value("Want8+3", boolean(false)); });
    } catch (const ERegistryError&) {
        // Reading it as false is all the click needs.
    }
}

} // namespace zevrin
