#pragma once
// THelpMenu: the main window's "&Help" menu, built by itself. From the top:
//
//   &Help...                              F1, only when a help file exists
//   ----------                            only with links
//   the shared links, the last one first  only http, https and mailto are opened
//   Check for new version now
//   Check for new version automatically   a check item
//   ----------                            only with links
//   A&bout...
//
// The shared links of the maker's programs live in the machine's registry under
// "\Software\MarvenData\WebMenu\items" (value name: caption, data: address), the
// state of the automatic check and the day of the last check under the current
// user's "\Software\MarvenData\" + the product name.
//
// The version check fetches the version file (version_file.h) asynchronously
// (version_fetch.h), compares its version with the running one and offers to open
// the download page. The automatic check runs once a day at most, never on the
// first day, and only when the program asks for it at its start (check_at_start),
// which tests never do. A build without ZEVRIN_VERSION_CHECK has no check at all.
//
// GUI thread only.

#include "shell/about.h"
#include "shell/prog_id.h"
#include "shell/version_fetch.h"

#include <QMenu>
#include <QObject>
#include <QPointer>

#include <functional>
#include <string>
#include <vector>

class QAction;
class QMenuBar;

namespace zevrin {

class THelpMenu : public QObject {
public:
    explicit THelpMenu(QObject* owner = nullptr);
    ~THelpMenu() override;

    /// Builds the menu once (only with MainMenu) and inserts it into the main menu.
    void Loaded();

    QMenuBar* MainMenu() const { return fmainmenu; }
    void set_MainMenu(QMenuBar* menu) { fmainmenu = menu; }
    QMenu* Menu() const { return fmenu; }
    int MenuPos() const { return fmainmenupos; }
    void set_MenuPos(int pos) { fmainmenupos = pos; }
    TProgId* ProgId() const { return fprogid; }
    void set_ProgId(TProgId* progid) { fprogid = progid; }
    /// The address of the version file; empty in a build without the check.
    const std::string& NewFullVersionURL() const { return fNewFullVersionURL; }
    void set_NewFullVersionURL(const std::string& url) { fNewFullVersionURL = url; }
    TAbout* AboutBox() const { return faboutbox; }
    void set_AboutBox(TAbout* about) { faboutbox = about; }
    std::vector<std::string> AdditionalCommands;
    std::vector<std::string> AdditionalMenutexts;
    bool EnableVersionCheck() const { return fEnableVersionCheck; }
    void set_EnableVersionCheck(bool v) { fEnableVersionCheck = v; }

    QAction* aboutitem() const { return faboutitem; }
    QAction* newversionitem() const { return fnewversionitem; }
    QAction* newversionnowitem() const { return fnewversionnowitem; }
    QAction* helpitem() const { return fhelpitem; }
    const std::vector<QAction*>& linkitems() const { return fmenuitem; }
    /// The help file in use; empty when there is none.
    const std::string& help_file() const { return fhelpfile; }
    const std::vector<std::string>& link_captions() const { return menutexts; }
    const std::vector<std::string>& link_commands() const { return shellcommands; }

    /// Looks for a new version. manual: the user asked (and is told every outcome);
    /// quitafter: the program ends once the download page was opened. Returns at
    /// once; the answer comes through the event loop.
    void check_version(bool manual, bool quitafter);
    /// The automatic check of a program start: at most once a day, never on the
    /// first day the program runs.
    void check_at_start();
    /// True while a version file is on its way.
    bool checking() const { return ffetch.running(); }
    /// The fetch, whose timeouts tests shorten.
    TVersionFetch& fetch() { return ffetch; }
    /// Ends the program after the download page was opened by the automatic check:
    /// closes the main menu's window (which saves what it saves on closing).
    std::function<void()> OnEndProgram;

    /// Whole days since 1899-12-30, as the check dates are stored.
    static int today();

private:
    void read_links();
    void insert_top(QAction* item);
    QAction* insert_separator();
    void link_click(QAction* item);
    void about_click();
    void autocheck_click();
    void checknow_click();
    void version_file_arrived(const TFetchResult& result, bool manual, bool quitafter);
    void end_program();
    std::string user_key() const;
    std::string guide_folder() const;

    QMenuBar* fmainmenu = nullptr;
    QPointer<QMenu> fmenu; ///< the main menu owns it once inserted
    int fmainmenupos = 100;
    TProgId* fprogid = nullptr;
    std::vector<QAction*> fmenuitem;
    QAction* fbaritem1 = nullptr;
    QAction* fbaritem2 = nullptr;
    QAction* faboutitem = nullptr;
    QAction* fnewversionitem = nullptr;
    QAction* fnewversionnowitem = nullptr;
    std::string fNewFullVersionURL;
    std::string newversionstr;
    std::string downloadurl;
    std::string usermessage;
    QAction* fhelpitem = nullptr;
    TAbout* faboutbox = nullptr;
    bool fEnableVersionCheck = true;
    std::vector<std::string> menutexts;
    std::vector<std::string> shellcommands;
    TVersionFetch ffetch;
    int lastnewversioncheckdate = 0;
    std::string fhelpfile;
    bool floaded = false;
};

} // namespace zevrin
