#include "app/stored_settings.h"

#include "settings/ini.h"
#include "settings/settings_keys.h"

namespace zevrin {

std::vector<std::string> read_stored_settings(const std::string& settings_file, TAnalyser& analyser,
                                              std::array<bool, ncurves>& showcurve) {
    if (!settings_file.empty()) {
        check_settings_file(settings_file);
    }
    TIni ini(settings_file);
    // The colours are read past, as the window would, but draw nothing here.
    std::array<uint32_t, ncurves> linecolor = default_curve_colors;
    return read_settings_keys(ini.store(), {analyser, linecolor, default_curve_colors, showcurve});
}

} // namespace zevrin
