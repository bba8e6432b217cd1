#pragma once
// The picture options of zevrin --analyse: --png, --svg, --pdf, --size and --title.

#include "output/plot_picture.h"

#include <string>
#include <vector>

namespace zevrin {

/// When args[i] is a picture option, reads it (and its value, moving i on) into
/// `options` and returns true; std::invalid_argument for a bad value.
bool parse_picture_option(const std::vector<std::string>& args, size_t& i,
                          TPictureOptions& options);

/// The options' lines of the usage and of the help text.
std::string picture_usage();
std::string picture_help();

/// Draws the pictures asked for without a display: a QApplication on Qt's offscreen
/// platform is made for them when the program has none.
void write_analysis_pictures(const TPictureOptions& options, TAnalyser& analyser,
                             const std::array<uint32_t, ncurves>& linecolor,
                             const std::array<bool, ncurves>& showcurve);

} // namespace zevrin
