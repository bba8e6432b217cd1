// The main window's application shell: the error log.

#include "app/main_window.h"

namespace zevrin {

void TForm1::create_shell_components() {
    ErrorLog1 = new TErrorLog(this);
    ErrorLog1->setObjectName("ErrorLog1");
    ErrorLog1->set_Tamberabout(TamberAbout1);
    ErrorLog1->Loaded();
}

} // namespace zevrin
