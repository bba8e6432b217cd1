#include "app/stored_settings.h"

#include "settings/ini.h"
#include "settings/settings_keys.h"

namespace zevrin {

void read_stored_settings(const std::string& settings_file, TAnalyser& analyser,
                          std::array<uint32_t, ncurves>& linecolor,
                          std::array<bool, ncurves>& showcurve) {
    if (!settings_file.empty()) {
        check_settings_file(settings_file);
    }
    TIni ini(settings_file);
    read_settings_keys(ini.store(), {analyser, linecolor, default_curve_colors, showcurve});
}

} // namespace zevrin
