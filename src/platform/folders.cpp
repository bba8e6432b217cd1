#include "platform/folders.h"

#include "platform/store_file.h"
#include "platform/system.h"

#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>

namespace zevrin {

namespace {

// An XDG variable counts only with an absolute path; XDG says to ignore a relative one.
std::string xdg_folder(const char* variable, const char* fallback_below_home) {
    const char* value = std::getenv(variable);
    if (value != nullptr && value[0] == '/') {
        return value;
    }
    const std::string home = home_folder();
    return home.empty() ? std::string() : home + fallback_below_home;
}

} // namespace

std::string machine_folder() {
    const std::string root = zevrin_home();
    return root.empty() ? std::string("/var/lib/zevrin") : root + "/machine";
}

std::string app_data_folder(AppDataFolder kind) {
    const std::string root = zevrin_home();
    switch (kind) {
    case AppDataFolder::roaming:
        return root.empty() ? xdg_folder("XDG_CONFIG_HOME", "/.config") : root + "/config";
    case AppDataFolder::local:
        return root.empty() ? xdg_folder("XDG_DATA_HOME", "/.local/share") : root + "/local";
    case AppDataFolder::common:
        return machine_folder() + "/common";
    }
    return std::string();
}

bool folder_available(const std::string& folder) {
    if (folder.empty()) {
        return false;
    }
    // The nearest part of the path that exists decides: a folder can hold the rest.
    std::string part = folder;
    struct stat st {};
    while (::stat(part.c_str(), &st) != 0) {
        if (errno != ENOENT || part == "/" || part == ".") {
            return false;
        }
        part = folder_of(part);
    }
    return S_ISDIR(st.st_mode);
}

} // namespace zevrin
