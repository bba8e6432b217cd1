#pragma once
// The identity of this program: the values that the main window gives its
// program identity (ProgId1) and its about box (TamberAbout1).

#include "shell/prog_id.h"
#include "shell/tamber_about.h"

namespace zevrin {

/// The maker's copyright line of this program.
inline constexpr const char* zevrin_copyright = "Copyright \u00A9 2024 MarvenData";

/// ProductName "Zevrin", AutoVersion off, Version "3.0.2.0", Company "MarvenData",
/// the copyright line; named "ProgId1".
void configure_main_prog_id(TProgId& progid);
/// Title "Zevrin", Version "3.0.2.0", the copyright line, ShowATamber off,
/// ShowCompileDate and BMP256 on, OSVersions "Linux"; named "TamberAbout1" and loaded.
void configure_main_about(TTamberAbout& about);
/// Tells the running application who it is: its name and version, the desktop entry
/// it was started from (so that a Wayland desktop finds its icon and file types) and
/// the program icon, which every window then shows. Needs the QApplication.
void configure_application();

} // namespace zevrin
