#pragma once
// The stored settings for a program without a window (zevrin --analyse).

#include "engine/analyser.h"
#include "engine/curves.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace zevrin {

/// Puts the settings of the program's registry key (empty `settings_file`) or of a
/// ".zvr" settings file into the analyser, the curve colours and the curve flags, as the
/// window reads them at its first activation; needs no QApplication. A file name without
/// a folder is one in the current folder. Reading writes nothing. std::runtime_error for
/// a settings file that cannot be read. Returns the warnings for values that could not
/// be used (each replaced by its default, see read_settings_keys).
std::vector<std::string> read_stored_settings(const std::string& settings_file, TAnalyser& analyser,
                                              std::array<uint32_t, ncurves>& linecolor,
                                              std::array<bool, ncurves>& showcurve);

} // namespace zevrin
