#include "shell/help_menu.h"

#include "dsp/text.h"
#include "platform/message_box.h"
#include "platform/registry.h"
#include "shell/help_file.h"
#include "shell/maker.h"
#include "shell/version_file.h"
#include "shell/web_link.h"
#include "zevrin_shell_config.h"

#include <QAction>
#include <QCoreApplication>
#include <QDate>
#include <QMenu>
#include <QMenuBar>
#include <QNetworkInformation>
#include <QUrl>

#include <filesystem>

namespace zevrin {

namespace {

constexpr const char* webmenu_key = "\\Software\\MarvenData\\WebMenu";
constexpr const char* items_key = "\\Software\\MarvenData\\WebMenu\\items";
constexpr int links_date = 20020523;

std::optional<uint32_t> dword_of(Registry& reg, const std::string& path, const char* name) {
    const std::optional<RegistryValue> v = reg.value(path, name);
    if (!v || v->kind != RegistryValue::Kind::dword) {
        return std::nullopt;
    }
    return v->dword;
}

// Writing a user's value may fail (a locked or damaged hive): the check goes on
// with what it has.
void write_user_dword(const std::string& path, const char* name, uint32_t value) {
    try {
        Registry(RegistryHive::current_user).write_dword(path, name, value);
    } catch (const ERegistryError&) {
    }
}

// Without a way to ask (no network-information plug-in) the answer is yes; a check
// that then finds no server says nothing.
bool internet_connected() {
    if (QNetworkInformation::instance() == nullptr) {
        QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability);
    }
    const QNetworkInformation* info = QNetworkInformation::instance();
    return info == nullptr ||
           info->reachability() != QNetworkInformation::Reachability::Disconnected;
}

} // namespace

int THelpMenu::today() {
    return static_cast<int>(QDate(1899, 12, 30).daysTo(QDate::currentDate()));
}

THelpMenu::THelpMenu(QObject* owner)
    : QObject(owner), fNewFullVersionURL(version_check_built ? version_file_url : "") {
    fmenu = new QMenu("&Help");
    fmenu->setEnabled(true);
    fhelpfile = find_help_file();
    read_links();
}

THelpMenu::~THelpMenu() {
    delete fmenu;
}

// The maker's two links are written once for all users; a user who may not write
// the machine's registry simply has the links an administrator wrote.
void THelpMenu::read_links() {
    Registry machine(RegistryHive::local_machine);
    int date = 0;
    if (const std::optional<RegistryValue> v = machine.value(webmenu_key, "MenuDate");
        v && v->kind == RegistryValue::Kind::string) {
        date = str_to_int_def(v->text, 0);
    }
    if (date < links_date) {
        try {
            machine.change([](RegistryTree& tree) {
                tree.create(webmenu_key)
                    .set_value("MenuDate", RegistryValue::string(std::to_string(links_date)));
                RegistryKey& items = tree.create(items_key);
                items.set_value("Marven Data Web", RegistryValue::string(maker_web_site));
                items.set_value("E-mail Marven Data", RegistryValue::string(maker_mail_link));
            });
        } catch (const ERegistryError&) {
        }
    }
    if (const RegistryKey* items = machine.tree().find(items_key)) {
        for (const auto& [name, value] : items->values()) {
            if (value.kind == RegistryValue::Kind::string) {
                menutexts.push_back(name);
                shellcommands.push_back(value.text);
            }
        }
    }
}

// A shared link may lead into the guide (a chapter of it), and nowhere else on disk.
std::string THelpMenu::guide_folder() const {
    return fhelpfile.empty() ? std::string()
                             : std::filesystem::path(fhelpfile).parent_path().string();
}

std::string THelpMenu::user_key() const {
    return "\\Software\\MarvenData\\" + fprogid->ProductName();
}

void THelpMenu::insert_top(QAction* item) {
    fmenu->insertAction(fmenu->actions().value(0, nullptr), item);
}

QAction* THelpMenu::insert_separator() {
    auto* bar = new QAction(fmenu);
    bar->setSeparator(true);
    insert_top(bar);
    return bar;
}

void THelpMenu::Loaded() {
    if (fmainmenu == nullptr || floaded) {
        return;
    }
    floaded = true;
    for (size_t i = std::min(AdditionalMenutexts.size(), AdditionalCommands.size()); i-- > 0;) {
        if (!AdditionalMenutexts[i].empty() && !AdditionalCommands[i].empty()) {
            menutexts.push_back(AdditionalMenutexts[i]);
            shellcommands.push_back(AdditionalCommands[i]);
        }
    }
    if (faboutbox != nullptr) {
        faboutitem = new QAction("A&bout...", fmenu);
        connect(faboutitem, &QAction::triggered, this, [this] { about_click(); });
        insert_top(faboutitem);
        if (!menutexts.empty()) {
            fbaritem1 = insert_separator();
        }
    }
    if (version_check_built && fprogid != nullptr && !fNewFullVersionURL.empty() &&
        fEnableVersionCheck) {
        Registry user(RegistryHive::current_user);
        const bool autocheck =
            dword_of(user, user_key(), "AutoCheckForNewVersion").value_or(1) != 0;
        lastnewversioncheckdate =
            static_cast<int>(dword_of(user, user_key(), "LastNewVersionCheckDate").value_or(0));
        if (lastnewversioncheckdate == 0) {
            lastnewversioncheckdate = today();
            write_user_dword(user_key(), "LastNewVersionCheckDate",
                             static_cast<uint32_t>(lastnewversioncheckdate));
        }
        fnewversionitem = new QAction("Check for new version automatically", fmenu);
        fnewversionitem->setCheckable(true);
        fnewversionitem->setChecked(autocheck);
        connect(fnewversionitem, &QAction::triggered, this, [this] { autocheck_click(); });
        insert_top(fnewversionitem);
        fnewversionnowitem = new QAction("Check for new version now", fmenu);
        connect(fnewversionnowitem, &QAction::triggered, this, [this] { checknow_click(); });
        insert_top(fnewversionnowitem);
    }
    for (size_t i = 0; i < menutexts.size(); ++i) {
        auto* item = new QAction(QString::fromStdString(menutexts[i]), fmenu);
        item->setData(static_cast<int>(i));
        connect(item, &QAction::triggered, this, [this, item] { link_click(item); });
        insert_top(item);
        fmenuitem.push_back(item);
    }
    if (!fhelpfile.empty()) {
        if (!menutexts.empty()) {
            fbaritem2 = insert_separator();
        }
        fhelpitem = new QAction("&Help...", fmenu);
        fhelpitem->setShortcut(Qt::Key_F1);
        connect(fhelpitem, &QAction::triggered, this, [this] {
            open_link(
                QUrl::fromLocalFile(QString::fromStdString(fhelpfile)).toString().toStdString(),
                LinkKinds::web, guide_folder());
        });
        insert_top(fhelpitem);
    }
    if (!fmenu->actions().isEmpty()) {
        fmenu->setParent(fmainmenu, fmenu->windowFlags());
        fmainmenu->insertMenu(fmainmenu->actions().value(fmainmenupos, nullptr), fmenu);
        // The shortcut works while the menu is closed.
        if (fhelpitem != nullptr) {
            fmainmenu->window()->addAction(fhelpitem);
        }
    }
}

void THelpMenu::link_click(QAction* item) {
    const int tag = item->data().toInt();
    if (tag >= 0 && static_cast<size_t>(tag) < shellcommands.size()) {
        open_link(shellcommands[static_cast<size_t>(tag)], LinkKinds::web_and_mail, guide_folder());
    }
}

void THelpMenu::about_click() {
    faboutbox->showmodal();
}

void THelpMenu::autocheck_click() {
    write_user_dword(user_key(), "AutoCheckForNewVersion", fnewversionitem->isChecked() ? 1 : 0);
}

void THelpMenu::checknow_click() {
    check_version(true, false);
}

void THelpMenu::check_at_start() {
    if (fnewversionitem != nullptr && today() != lastnewversioncheckdate) {
        check_version(false, true);
    }
}

void THelpMenu::check_version(bool manual, bool quitafter) {
    if (!version_check_built || fprogid == nullptr || fNewFullVersionURL.empty() ||
        !fEnableVersionCheck || fnewversionitem == nullptr || !fnewversionitem->isChecked()) {
        return;
    }
    if (!manual && !internet_connected()) {
        return;
    }
    lastnewversioncheckdate = today();
    write_user_dword(user_key(), "LastNewVersionCheckDate",
                     static_cast<uint32_t>(lastnewversioncheckdate));
    ffetch.get(fNewFullVersionURL, [this, manual, quitafter](const TFetchResult& result) {
        version_file_arrived(result, manual, quitafter);
    });
}

void THelpMenu::version_file_arrived(const TFetchResult& result, bool manual, bool quitafter) {
    const TVersionFile file = parse_version_file(result.body);
    if (!result.ok || !plausible_version(file.newversion)) {
        if (manual) {
            message_box("Cannot connect to the update server.\rCheck your Internet connection.",
                        "New version check", mb::ok | mb::iconexclamation);
        }
        return;
    }
    newversionstr = file.newversion;
    downloadurl = file.downloadurl;
    usermessage = file.usermessage;
    const std::string version = fprogid->Version();
    if (trim(newversionstr) != trim(version)) {
        if (message_box(usermessage, "New version available (current version is " + version + ")",
                        mb::yesno | mb::iconquestion) == id::yes &&
            open_link(downloadurl, LinkKinds::web) && quitafter) {
            end_program();
        }
    } else if (manual) {
        message_box("There is currently no new version available.\rYou are already running the "
                    "latest version: " +
                        version,
                    "No new version", mb::ok | mb::iconinformation);
    }
}

void THelpMenu::end_program() {
    if (OnEndProgram) {
        OnEndProgram();
    } else if (fmainmenu != nullptr && fmainmenu->window() != nullptr) {
        fmainmenu->window()->close();
    } else {
        QCoreApplication::quit();
    }
}

} // namespace zevrin
