#include "shell/identity.h"

#include "shell/artwork.h"
#include "zevrin_version.h"

#include <QApplication>

namespace zevrin {

void configure_main_prog_id(TProgId& progid) {
    progid.setObjectName("ProgId1");
    progid.set_ProductName(product_name);
    progid.set_AutoVersion(false);
    progid.set_Version(version_text);
    progid.set_Company("MarvenData");
    progid.set_Copyright(zevrin_copyright);
}

void configure_main_about(TTamberAbout& about) {
    about.setObjectName("TamberAbout1");
    about.set_Title(product_name);
    about.set_Version(version_text);
    about.set_Copyright(zevrin_copyright);
    about.set_ShowATamber(false);
    about.set_ShowCompileDate(true);
    about.set_BMP256(true);
    about.set_OSVersions("Linux");
    about.Loaded();
}

void configure_application() {
    QApplication::setApplicationName(product_name);
    QApplication::setApplicationVersion(version_text);
    QGuiApplication::setDesktopFileName(app_id);
    QApplication::setWindowIcon(program_icon());
}

} // namespace zevrin
