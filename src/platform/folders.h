#pragma once
// The application-data folders of the Windows program on an XDG desktop.
//
//   kind      normal place                          with ZEVRIN_HOME
//   roaming   $XDG_CONFIG_HOME, else ~/.config      $ZEVRIN_HOME/config
//   local     $XDG_DATA_HOME, else ~/.local/share   $ZEVRIN_HOME/local
//   common    /var/lib/zevrin/common                $ZEVRIN_HOME/machine/common
//
// The common folder is shared by all users and, like the per-machine registry hive
// beside it in /var/lib/zevrin, only an administrator can create or write it.

#include <string>

namespace zevrin {

enum class AppDataFolder { roaming, local, common };

/// The folder of that kind, without a trailing "/"; empty when no home folder is
/// known. The folder may not exist yet.
std::string app_data_folder(AppDataFolder kind);
/// The folder of the per-machine store: /var/lib/zevrin, or $ZEVRIN_HOME/machine.
std::string machine_folder();
/// True when `folder` is a folder or can become one: the nearest part of its path
/// that exists is a folder. Nothing is created here; a write creates what it needs
/// (as XDG asks of a program that writes there), so reading leaves no trace.
bool folder_available(const std::string& folder);

} // namespace zevrin
