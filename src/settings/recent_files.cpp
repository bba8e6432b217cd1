#include "settings/recent_files.h"

#include "platform/message_box.h"

#include <algorithm>
#include <filesystem>

namespace zevrin {

namespace {

// Appended in place: prepending "1" to a temporary makes GCC 12 at -O3 take the
// copy for an overlapping one.
std::string hex_digit(int i) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    if (i >= 16) {
        text += '1';
        i -= 16;
    }
    text += digits[i];
    return text;
}

bool file_exists(const std::string& name) {
    std::error_code ec;
    return !name.empty() && std::filesystem::exists(name, ec) &&
           !std::filesystem::is_directory(name, ec);
}

// Two names of one file, as the file system decides: on Linux names that differ in
// letter case are different files, except on a file system that ignores case; a link
// names the file it leads to. Names of files that do not exist count as spelt.
bool same_file(const std::string& a, const std::string& b) {
    if (a == b) {
        return true;
    }
    std::error_code ec;
    return !a.empty() && !b.empty() && std::filesystem::equivalent(a, b, ec) && !ec;
}

std::string expanded(const std::string& name) {
    std::error_code ec;
    const auto full = std::filesystem::absolute(name, ec);
    return ec ? name : full.lexically_normal().string();
}

} // namespace

TRecentFiles::TRecentFiles(QObject* owner) : QObject(owner), setting(new TSetting(this)) {
    // The stored list is written in one save; see write_to_registry().
    setting->set_ManualIniClose(true);
}

TRecentFiles::~TRecentFiles() {
    delete_items();
}

void TRecentFiles::delete_items() {
    remove_from_menu();
    for (QAction*& a : fitems) {
        delete a;
        a = nullptr;
    }
    delete fbaritem;
    delete fclearitem;
    fbaritem = nullptr;
    fclearitem = nullptr;
}

void TRecentFiles::Loaded() {
    if (!fprogid) {
        throw ESettingError("Nothing assigned to " + objectName().toStdString() + ".ProgId");
    }
    setting->set_ProgId(fprogid);
    floaded = true;
    if (fmenu) {
        delete_items();
        for (int i = 1; i <= positions; ++i) {
            fitems[static_cast<size_t>(i)] = new QAction(this);
        }
        fbaritem = new QAction("-", this);
        fbaritem->setSeparator(true);
        fclearitem = new QAction(QString::fromStdString(fclearcaption), this);
        fclearitem->setVisible(fincludeclear);
        connect(fclearitem, &QAction::triggered, this, [this] { clear_click(); });
    }
    read_from_registry();
    for (int i = positions; i >= 1 && fmenu; --i) {
        QAction* a = fitems[static_cast<size_t>(i)];
        a->setData(i);
        a->setEnabled(true);
        connect(a, &QAction::triggered, this, [this, a] { item_click(a); });
    }
    caption_items();
    insert_in_menu();
}

void TRecentFiles::set_Menu(QMenu* menu) {
    remove_from_menu();
    fmenu = menu;
    if (floaded) {
        Loaded();
    }
}

void TRecentFiles::set_MaxItems(int n) {
    fmaxitems = std::clamp(n, 0, positions - 1);
    for (int i = fmaxitems + 1; i <= positions; ++i) {
        ffilenames[static_cast<size_t>(i)].clear();
    }
    insert_in_menu();
}

void TRecentFiles::set_BarBefore(bool v) {
    fbarbefore = v;
    insert_in_menu();
}

void TRecentFiles::set_IncludeClearItem(bool v) {
    fincludeclear = v;
    insert_in_menu();
}

void TRecentFiles::set_ClearCaption(const std::string& caption) {
    fclearcaption = caption;
    insert_in_menu();
}

int TRecentFiles::itemcount() const {
    return static_cast<int>(std::count_if(ffilenames.begin() + 1,
                                          ffilenames.begin() + 1 + fmaxitems,
                                          [](const std::string& n) { return !n.empty(); }));
}

void TRecentFiles::caption_items() {
    for (int i = 1; i <= positions; ++i) {
        if (QAction* a = fitems[static_cast<size_t>(i)]) {
            // A "&" of the name is shown, not taken as the item's accelerator.
            const QString name =
                QString::fromStdString(ffilenames[static_cast<size_t>(i)]).replace("&", "&&");
            a->setText("&" + QString::fromStdString(hex_digit(i)) + " " + name);
        }
    }
}

void TRecentFiles::tidy_list() {
    auto& f = ffilenames;
    for (int i = 1; i <= positions; ++i) {
        const std::string& name = f[static_cast<size_t>(i)];
        for (int j = i + 1; j <= positions && !name.empty(); ++j) {
            if (same_file(f[static_cast<size_t>(j)], name)) {
                f[static_cast<size_t>(j)].clear();
            }
        }
    }
    const auto end = std::stable_partition(f.begin() + 1, f.end(),
                                           [](const std::string& n) { return !n.empty(); });
    std::fill(end, f.end(), std::string());
    // The names beyond MaxItems are dropped too, so that raising it later cannot
    // bring back a file that left the list.
    for (int i = fmaxitems + 1; i <= positions; ++i) {
        f[static_cast<size_t>(i)].clear();
    }
    caption_items();
}

void TRecentFiles::insert_in_menu() {
    if (!fmenu || !floaded || fitems[1] == nullptr) {
        return;
    }
    write_to_registry();
    if (finserted) {
        remove_from_menu();
    }
    const QList<QAction*> present = fmenu->actions();
    const int index = std::clamp(fmenupos, 0, static_cast<int>(present.size()));
    QAction* before = index < present.size() ? present[index] : nullptr;
    const bool any = itemcount() > 0;
    fclearitem->setVisible(fincludeclear && any);
    fmenu->insertAction(before, fclearitem);
    before = fclearitem;
    for (int i = positions; i >= 1; --i) {
        QAction* a = fitems[static_cast<size_t>(i)];
        a->setVisible(!ffilenames[static_cast<size_t>(i)].empty() && i <= fmaxitems);
        fmenu->insertAction(before, a);
        before = a;
    }
    fbaritem->setVisible(fbarbefore && any);
    fmenu->insertAction(before, fbaritem);
    finserted = true;
}

void TRecentFiles::remove_from_menu() {
    if (!fmenu || !finserted) {
        return;
    }
    for (int i = positions; i >= 1; --i) {
        fmenu->removeAction(fitems[static_cast<size_t>(i)]);
    }
    fmenu->removeAction(fbaritem);
    fmenu->removeAction(fclearitem);
    finserted = false;
}

void TRecentFiles::write_to_registry() {
    if (!floaded || fisreading) {
        return;
    }
    try {
        setting->set_Location(tsettinglocation::slroaming);
        setting->DeleteSection(section());
        setting->WriteInteger(section(), "nToUse", fmaxitems);
        for (int i = 1; i <= fmaxitems; ++i) {
            setting->WriteString(section(), hex_digit(i), ffilenames[static_cast<size_t>(i)]);
        }
        setting->IniClose();
    } catch (const std::exception&) {
        // As written: the list in memory stays; the next change tries again.
    }
}

void TRecentFiles::read_from_registry() {
    const auto before = ffilenames;
    fisreading = true;
    try {
        setting->set_Location(tsettinglocation::slroaming);
        set_MaxItems(setting->ReadInteger(section(), "nToUse", fmaxitems));
        std::fill(ffilenames.begin(), ffilenames.end(), std::string());
        for (int i = 1; i <= fmaxitems; ++i) {
            std::string& name = ffilenames[static_cast<size_t>(i)];
            name = setting->ReadString(section(), hex_digit(i), "");
            if (!file_exists(name)) {
                name.clear();
            }
            tidy_list();
        }
    } catch (const std::exception&) {
        ffilenames = before;
    }
    fisreading = false;
}

bool TRecentFiles::allowed(const std::string& path) {
    switch (drive_kind_of(path)) {
    case DriveKind::no_root_dir:
        return false;
    case DriveKind::removable:
        return fallowremovable;
    case DriveKind::fixed:
        return fallowfixed;
    case DriveKind::remote:
        return fallowremote;
    case DriveKind::cdrom:
        return fallowcdrom;
    case DriveKind::ramdisk:
        return fallowramdisk;
    case DriveKind::unknown:
        break;
    }
    return true;
}

void TRecentFiles::add(const std::string& filename) {
    if (filename.empty()) {
        return;
    }
    const std::string name = expanded(filename);
    if (allowed(name)) {
        std::move_backward(ffilenames.begin() + 1, ffilenames.end() - 1, ffilenames.end());
        ffilenames[1] = name;
    }
    tidy_list();
    insert_in_menu();
}

void TRecentFiles::clear() {
    std::fill(ffilenames.begin(), ffilenames.end(), std::string());
    tidy_list();
    insert_in_menu();
}

void TRecentFiles::item_click(QAction* item) {
    const int i = item->data().toInt();
    const std::string name = ffilenames[static_cast<size_t>(i)];
    if (!file_exists(name)) {
        message_box("Can't find \r" + name, "File not found", mb::ok | mb::iconexclamation);
        ffilenames[static_cast<size_t>(i)].clear();
        tidy_list();
        insert_in_menu();
        return;
    }
    if (!OnClick) {
        return;
    }
    add(name);
    // A file that its drive kind keeps out of the list now is still the one the
    // user picked; only a file that went to the top is named by position 1.
    const bool on_top = same_file(ffilenames[1], expanded(name));
    OnClick(item, i, on_top ? ffilenames[1] : name);
}

void TRecentFiles::clear_click() {
    if (message_box("Do you want to clear the list of recently used files?", "Clear list",
                    mb::yesno | mb::iconquestion) == id::yes) {
        clear();
    }
}

void configure_main_recent_files(TRecentFiles& recent, QMenu* settings_menu, TProgId* progid) {
    recent.setObjectName("RecentFiles1");
    recent.set_Menu(settings_menu);
    recent.set_MaxItems(5);
    recent.set_MenuPos(100);
    recent.set_BarBefore(true);
    recent.set_IncludeClearItem(true);
    recent.set_ClearCaption("&Clear list...");
    recent.set_AllowFileOnRemovable(false);
    recent.set_AllowFileOnRemote(true);
    recent.set_AllowFileOnFixed(true);
    recent.set_AllowFileOnCDROM(false);
    recent.set_AllowFileOnRAMDisk(false);
    recent.set_ListName("sec");
    recent.set_ProgId(progid);
    recent.Loaded();
}

} // namespace zevrin
