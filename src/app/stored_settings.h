#pragma once
// The stored settings for a program without a window (zevrin --analyse).

#include "engine/analyser.h"
#include "engine/curves.h"

#include <array>
#include <string>
#include <vector>

namespace zevrin {

/// Puts the settings of the program's registry key (empty `settings_file`) or of a
/// ".zvr" settings file into the analyser and the curve flags, as the window reads
/// them at its first activation; needs no QApplication. std::runtime_error for a
/// settings file that cannot be read. Returns the warnings for values that could not
/// be used (each replaced by its default, see read_settings_keys).
std::vector<std::string> read_stored_settings(const std::string& settings_file, TAnalyser& analyser,
                                              std::array<bool, ncurves>& showcurve);

} // namespace zevrin
