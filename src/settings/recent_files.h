#pragma once
// TRecentFiles: a most-recently-used list of file names, shown as numbered items
// ("&1 name" ... "&F name") inside an existing menu, with a separator above and a
// clear item below, and kept in the settings store (TSetting, location slroaming)
// in the section "RecentFiles" + ListName:
//
//   "nToUse"      MaxItems
//   "1" .. "F"    the names, most recent first, empty for none
//
// Two names are one entry when the file system takes them for one file: on Linux,
// names that differ only in letter case are two files (except on a file system that
// ignores case), and a link stands for the file it leads to. A file may enter the
// list only from the kinds of drive that the AllowFileOn... properties allow.

#include "platform/drive_kind.h"
#include "settings/setting.h"
#include "shell/prog_id.h"

#include <QAction>
#include <QMenu>
#include <QObject>
#include <QPointer>

#include <array>
#include <functional>
#include <string>

namespace zevrin {

/// sender: the menu item clicked; ItemNo: its position 1..16; FileName: the file.
using tRecentEvent = std::function<void(QObject* sender, int ItemNo, const std::string& FileName)>;

class TRecentFiles : public QObject {
public:
    static constexpr int positions = 16;

    explicit TRecentFiles(QObject* owner = nullptr);
    ~TRecentFiles() override;

    /// To be called once the properties are set: ESettingError "Nothing assigned to
    /// <name>.ProgId" without a ProgId; otherwise builds the menu items, reads the
    /// stored list and shows it.
    void Loaded();

    QMenu* Menu() const { return fmenu; }
    void set_Menu(QMenu* menu);
    int MaxItems() const { return fmaxitems; }
    /// Clamped to 0..15; names above it are dropped.
    void set_MaxItems(int n);
    int MenuPos() const { return fmenupos; }
    void set_MenuPos(int pos) { fmenupos = pos; }
    bool BarBefore() const { return fbarbefore; }
    void set_BarBefore(bool v);
    bool IncludeClearItem() const { return fincludeclear; }
    void set_IncludeClearItem(bool v);
    const std::string& ClearCaption() const { return fclearcaption; }
    /// Reaches the clear item at the next Loaded().
    void set_ClearCaption(const std::string& caption);
    bool AllowFileOnRemovable() const { return fallowremovable; }
    void set_AllowFileOnRemovable(bool v) { fallowremovable = v; }
    bool AllowFileOnRemote() const { return fallowremote; }
    void set_AllowFileOnRemote(bool v) { fallowremote = v; }
    bool AllowFileOnFixed() const { return fallowfixed; }
    void set_AllowFileOnFixed(bool v) { fallowfixed = v; }
    bool AllowFileOnCDROM() const { return fallowcdrom; }
    void set_AllowFileOnCDROM(bool v) { fallowcdrom = v; }
    bool AllowFileOnRAMDisk() const { return fallowramdisk; }
    void set_AllowFileOnRAMDisk(bool v) { fallowramdisk = v; }
    const std::string& ListName() const { return flistname; }
    void set_ListName(const std::string& name) { flistname = name; }
    TProgId* ProgId() const { return fprogid; }
    void set_ProgId(TProgId* progid) { fprogid = progid; }

    tRecentEvent OnClick;
    /// The kind of drive of a file: the platform's answer, replaceable for tests.
    std::function<DriveKind(const std::string&)> drive_kind_of = [](const std::string& path) {
        return drive_kind(path);
    };

    bool inserted() const { return finserted; }
    /// Non-empty names among the first MaxItems.
    int itemcount() const;
    /// The name at a position 1..16, empty for none.
    const std::string& filename(int position) const {
        return ffilenames.at(static_cast<size_t>(position));
    }
    /// The menu items (nullptr before Loaded with a menu): names 1..16, separator, clear.
    QAction* item(int position) const { return fitems.at(static_cast<size_t>(position)); }
    QAction* baritem() const { return fbaritem; }
    QAction* clearitem() const { return fclearitem; }

    void insert_in_menu();
    void remove_from_menu();
    void read_from_registry();
    void write_to_registry();
    /// Puts the file (made absolute) at position 1, when its drive kind is allowed.
    void add(const std::string& filename);
    void clear();

private:
    void tidy_list();
    void caption_items();
    void item_click(QAction* item);
    void clear_click();
    bool allowed(const std::string& path);
    std::string section() const { return "RecentFiles" + flistname; }
    void delete_items();

    QPointer<QMenu> fmenu;
    int fmaxitems = 5;
    bool fisreading = false;
    bool fbarbefore = true;
    QAction* fbaritem = nullptr;
    std::string fclearcaption = "&Clear list...";
    QAction* fclearitem = nullptr;
    bool fincludeclear = true;
    std::array<QAction*, positions + 1> fitems{};
    std::array<std::string, positions + 1> ffilenames;
    int fmenupos = 100;
    bool finserted = false;
    std::string flistname;
    bool fallowremovable = false;
    bool fallowremote = true;
    bool fallowfixed = true;
    bool fallowcdrom = false;
    bool fallowramdisk = false;
    QPointer<TProgId> fprogid;
    TSetting* setting;
    bool floaded = false; ///< Loaded() has run: until then changes only store
};

/// The main window's list RecentFiles1: in `settings_menu` at its end, five names,
/// separator and clear item, files from fixed and network drives only, ListName
/// "sec" (section "RecentFilessec"); loaded.
void configure_main_recent_files(TRecentFiles& recent, QMenu* settings_menu, TProgId* progid);

} // namespace zevrin
