// The main window's application shell: the error log, the "&Tools" menu shared with
// the maker's other programs and the "&Help" menu, after the menus of its own.

#include "app/main_window.h"

#include "zevrin_version.h"

#include <QMenuBar>

namespace zevrin {

void TForm1::create_shell_components() {
    ErrorLog1 = new TErrorLog(this);
    ErrorLog1->setObjectName("ErrorLog1");
    ErrorLog1->set_Tamberabout(TamberAbout1);
    ErrorLog1->Loaded();

    ToolsMenu1 = new TToolsMenu(this);
    ToolsMenu1->setObjectName("ToolsMenu1");
    ToolsMenu1->set_MainMenu(menuBar());
    ToolsMenu1->set_ThisAppMenuText(product_name);
    ToolsMenu1->set_ThisAppHotKey(0);
    ToolsMenu1->set_ThisAppParams("%a");
    ToolsMenu1->set_ThisAppName(product_name);
    ToolsMenu1->set_TamberAboutBox(TamberAbout1);
    ToolsMenu1->set_Caption("&Tools");
    ToolsMenu1->set_MenuPos(100);
    ToolsMenu1->set_Want83(false);
    ToolsMenu1->set_AutoStartEditor(true);
    ToolsMenu1->set_AutoInsertInMenu(true);
    ToolsMenu1->set_AutoInsertThisApp(true);
    ToolsMenu1->set_Visible(false); // before the menu exists: no effect, as stored
    ToolsMenu1->Loaded();

    HelpMenu1 = new THelpMenu(this);
    HelpMenu1->setObjectName("HelpMenu1");
    HelpMenu1->set_MainMenu(menuBar());
    HelpMenu1->set_AboutBox(TamberAbout1);
    HelpMenu1->set_ProgId(ProgId1);
    HelpMenu1->set_MenuPos(100);
    HelpMenu1->set_EnableVersionCheck(true);
    HelpMenu1->Loaded();
    Help1 = HelpMenu1->Menu();
    About1 = HelpMenu1->aboutitem();
}

} // namespace zevrin
