#include "app/stored_settings.h"

#include "settings/ini.h"
#include "settings/settings_keys.h"

namespace zevrin {

namespace {

// A name from the command line means what it means in a shell: a file in the current
// folder, not one in the program's data folder, where the store puts bare names.
std::string command_line_path(const std::string& name) {
    return name.empty() || name.find('/') != std::string::npos ? name : "./" + name;
}

} // namespace

std::vector<std::string> read_stored_settings(const std::string& settings_name, TAnalyser& analyser,
                                              std::array<uint32_t, ncurves>& linecolor,
                                              std::array<bool, ncurves>& showcurve) {
    const std::string settings_file = command_line_path(settings_name);
    if (!settings_file.empty()) {
        check_settings_file(settings_file);
    }
    TIni ini(settings_file);
    return read_settings_keys(ini.store(), {analyser, linecolor, default_curve_colors, showcurve});
}

} // namespace zevrin
