#pragma once
// TToolsMenu: the "&Tools" menu shared by all programs of the maker. Every such
// program registers itself in one list of tools in the registry store and shows the
// whole list, so that the user can start any sibling program from any other one,
// with parameters filled in from the running program.
//
// The list lives under RootKey ("\SOFTWARE\Ostreva\Toolmenu"), one subkey per tool
// named by five digits ("00001"), in the hive that "UsersDifferent" (machine-wide
// root) and "IWantDifferent" (current user) select. A tools-menu editor program
// (application name "tooledit") maintains it.
//
// Programs tell each other about a change of the list (tools_broadcast.h): a
// running program rebuilds its menu when another one registers or changes a tool,
// and ignores its own news.
//
// A tool starts as its program ("CmdLine") with an argument list made of its
// "Parameters" (tool_command.h), detached, never through a shell. Paths are never
// shortened: Linux has no 8.3 names, so "Want8+3" leaves every value as it is.
//
// GUI thread only. Registry failures while the program registers itself are
// reported through the program's unhandled-error entry; the menu still appears.

#include "platform/registry.h"
#include "shell/about.h"

#include <QKeySequence>
#include <QObject>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QMenu;
class QMenuBar;

namespace zevrin {

class TToolsBroadcast;

/// One tool's registration.
struct tappregentry {
    std::string menutext;
    uint16_t hotkey = 0; ///< key code with shift flags, see hotkey_to_key_sequence()
    bool menucolbreak = false;
    std::string cmdline;
    std::string parameters;
    std::string version;
    std::string appname;
    bool want83 = false;
    bool enabled = true;
    std::vector<std::string> validextensions;
};

/// sender: the clicked item; code: the placeholder ("%f"); meaning: its value.
using tmeaningevent =
    std::function<void(QObject* sender, const std::string& code, std::string& meaning)>;

/// A stored 16-bit shortcut (low byte the key code, 0x2000 Shift, 0x4000 Ctrl,
/// 0x8000 Alt) as a key sequence; empty for 0 or a key that has no equivalent.
QKeySequence hotkey_to_key_sequence(uint16_t hotkey);

class TToolsMenu : public QObject {
    Q_OBJECT

public:
    static constexpr const char* default_root_key = "\\SOFTWARE\\Ostreva\\Toolmenu";

    explicit TToolsMenu(QObject* owner = nullptr);
    ~TToolsMenu() override;

    /// To be called once the properties are set: registers this program
    /// (AutoInsertThisApp), then builds the menu (AutoInsertInMenu).
    void Loaded();

    QMenuBar* MainMenu() const { return fmainmenu; }
    void set_MainMenu(QMenuBar* menu) { fmainmenu = menu; }
    tmeaningevent OnMeaning;
    /// Another program changed the list and the menu was built again.
    std::function<void()> OnBroadcastedChange;
    const std::string& RootKey() const { return frootkey; }
    void set_RootKey(const std::string& key) { frootkey = key; }
    const std::string& ThisAppMenuText() const { return fthisappmenutext; }
    void set_ThisAppMenuText(const std::string& v) { fthisappmenutext = v; }
    uint16_t ThisAppHotKey() const { return fthisapphotkey; }
    void set_ThisAppHotKey(uint16_t v) { fthisapphotkey = v; }
    const std::string& ThisAppParams() const { return fthisappparams; }
    void set_ThisAppParams(const std::string& v) { fthisappparams = v; }
    const std::string& ThisAppName() const { return fthisappname; }
    void set_ThisAppName(const std::string& v) { fthisappname = v; }
    const std::vector<std::string>& ThisAppValidExtensions() const {
        return fthisappvalidextensions;
    }
    void set_ThisAppValidExtensions(std::vector<std::string> v) {
        fthisappvalidextensions = std::move(v);
    }
    /// The full path of the running program unless set.
    const std::string& ThisAppCmdLine() const { return fthisappcmdline; }
    void set_ThisAppCmdLine(const std::string& v) { fthisappcmdline = v; }
    const std::string& ThisAppKey() const { return fthisappkey; }
    TAbout* TamberAboutBox() const { return ftamberaboutbox; }
    void set_TamberAboutBox(TAbout* about) { ftamberaboutbox = about; }
    const std::string& Caption() const { return fcaption; }
    void set_Caption(const std::string& v) { fcaption = v; }
    int MenuPos() const { return fmenupos; }
    void set_MenuPos(int v) { fmenupos = v; }
    bool Want83() const { return fwant83; }
    void set_Want83(bool v) { fwant83 = v; }
    bool AutoStartEditor() const { return fautostarteditor; }
    void set_AutoStartEditor(bool v) { fautostarteditor = v; }
    bool AutoInsertInMenu() const { return fautoinsertinmenu; }
    void set_AutoInsertInMenu(bool v) { fautoinsertinmenu = v; }
    bool AutoInsertThisApp() const { return fautoinsertthisapp; }
    void set_AutoInsertThisApp(bool v) { fautoinsertthisapp = v; }
    /// Ignored while the menu does not exist yet.
    void set_Visible(bool visible);
    /// The running program's command line: [0] its path, then its parameters
    /// ("%0" ... "%9"). QCoreApplication's arguments unless set.
    const std::vector<std::string>& ParamStr() const { return fparams; }
    void set_ParamStr(std::vector<std::string> params) { fparams = std::move(params); }
    /// With "/?" among the parameters: shows the about box once the event loop has
    /// done what the start queued before it (settings files named on the command line).
    void show_about_for_switch();

    /// The "&Tools" menu; nullptr before the first build.
    QMenu* Menu() const { return ftoolsmenu; }
    /// The tool key names in order; an item's index here is its tag.
    const std::vector<std::string>& AppKeyNames() const { return fappkeynames; }
    /// "UpdateSameVersion" and "AutoUpdate", written true when missing.
    bool UpdateSameVersion();
    void set_UpdateSameVersion(bool v);
    bool AutoUpdate();
    void set_AutoUpdate(bool v);
    /// The accelerator characters used twice (lower case); also rebuilds
    /// AppKeyNames() and UsedHotKeys().
    std::string HotKeyConflict();
    bool HasToolEditor() const { return fhastooleditor; }
    const std::string& UsedHotKeys() const { return fusedhotkeys; }
    /// The hive every access uses (see the top of this file).
    RegistryHive root();
    /// The hive whose list all users share: the machine's, unless it cannot be
    /// written, then the current user's. Found once, when the menu is created.
    RegistryHive machine_wide_root() const { return fmachineroot; }
    bool IWantDifferent();
    int UsersDifferent();

    /// Tells the other running programs that the list changed.
    void broadcast_change();
    /// Builds (or rebuilds) the menu from the list.
    void insert_in_menu();
    /// Registers the running program, or updates its entry.
    void insert_thisapp();
    /// Registers `app` under a new key (with AutoUpdate); its menutext gets an
    /// accelerator.
    void add_app(tappregentry& app);
    /// Overwrites the entry of `app.appname` (a new one when there is none).
    void change_app(tappregentry& app);
    /// The last key whose "AppName" is `appname`; empty when none.
    std::string app_keyname(const std::string& appname);

    // The handlers and rules behind the menu, public for tests.
    /// Starts the tool of the item; "Error running tool " when it cannot.
    void tool_click(QAction* item);
    std::string expand_params(const std::string& text);
    std::string placeholder_value(const std::string& code);
    std::string add_accelerator(const std::string& text);
    bool is_free_hotkey(char c) const;
    /// Starts `program` with `args`, detached: 2 for a command of 255 characters or
    /// more, 0 when it cannot be started, 33 when it was.
    int run_command(const std::string& program, const std::vector<std::string>& args);
    /// The registry entry of key `keyname`.
    std::optional<tappregentry> read_app(const std::string& keyname);
    /// True while the news of other programs comes over the session bus.
    bool listens_on_bus() const;

private:
    std::string key_path(const std::string& keyname) const;
    Registry& registry();
    std::vector<std::string> sorted_key_names();
    std::string free_key_name(size_t start);
    void write_app(const std::string& keyname, tappregentry& app, bool overwrite_extensions);
    void ask_moved(const std::string& keyname, const tappregentry& stored);
    /// One transaction on the list; this program's own change is no news to it.
    void change_list(const std::function<void(RegistryTree&)>& edit);
    void ensure_want83(const std::string& keyname);
    void other_program_changed();
    /// A Boolean of the list's key, written as `default_value` when missing.
    bool read_bool(const std::string& name, bool default_value);

    QMenuBar* fmainmenu = nullptr;
    QMenu* ftoolsmenu = nullptr;
    std::string frootkey = default_root_key;
    std::string fthisappmenutext;
    std::string fthisappparams = "%a";
    std::string fthisappname;
    std::string fthisappcmdline;
    std::string fthisappkey;
    uint16_t fthisapphotkey = 0;
    TAbout* ftamberaboutbox = nullptr;
    std::vector<std::string> fthisappvalidextensions;
    std::string fcaption = "&Tools";
    std::vector<std::string> fappkeynames;
    bool fautostarteditor = true;
    bool fautoinsertinmenu = true;
    bool fautoinsertthisapp = false;
    bool fwant83 = false;
    bool fhastooleditor = false;
    std::vector<std::string> validextensions; ///< of the tool being started
    std::string fusedhotkeys;
    int fmenupos = 100;
    bool firstinsert = true;
    RegistryHive fmachineroot = RegistryHive::current_user;
    std::string feditorcmdline;
    std::vector<std::string> fparams;
    QObject* sender_item_ = nullptr; ///< the item whose tool is being started
    Registry fuserhive{RegistryHive::current_user};
    Registry fmachinehive{RegistryHive::local_machine};
    std::unique_ptr<TToolsBroadcast> fbroadcast;
};

} // namespace zevrin
