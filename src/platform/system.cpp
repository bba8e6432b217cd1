#include "platform/system.h"

#include <array>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <pwd.h>
#include <stdexcept>
#include <unistd.h>
#include <vector>

namespace zevrin {

namespace {

std::string env(const char* name) {
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

std::string program_path() {
    std::error_code ec;
    const auto p = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : p.string();
}

} // namespace

std::string user_name() {
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* result = nullptr;
    const int rc = getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &result);
    if (rc != 0) {
        throw std::runtime_error(std::strerror(rc));
    }
    if (result == nullptr) {
        return std::string();
    }
    return std::string(entry.pw_name).substr(0, 254);
}

std::string computer_name() {
    std::array<char, 256> name{};
    if (gethostname(name.data(), name.size() - 1) != 0) {
        return std::string();
    }
    return std::string(name.data());
}

std::string program_folder() {
    const std::string path = program_path();
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string program_file_name() {
    const std::string path = program_path();
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

const char* const no_home_folder_text =
    "no home folder is known (HOME is not set and the user has none)";

std::string zevrin_home() {
    return env("ZEVRIN_HOME");
}

std::string home_folder() {
    std::string home = env("HOME");
    if (home.empty()) {
        if (const passwd* pw = getpwuid(geteuid())) {
            home = pw->pw_dir;
        }
    }
    return home;
}

std::string windows_folder() {
    const std::string root = zevrin_home();
    if (!root.empty()) {
        return root + "/data";
    }
    std::string data = env("XDG_DATA_HOME");
    if (data.empty() || data[0] != '/') {
        const std::string home = home_folder();
        if (home.empty()) {
            return std::string();
        }
        data = home + "/.local/share";
    }
    return data + "/zevrin";
}

} // namespace zevrin
