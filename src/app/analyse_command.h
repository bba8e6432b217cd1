#pragma once
// zevrin --analyse FILE [options]: a sound file through the analyser without a window,
// the curves as comma-separated numbers.

#include "app/test_signal_options.h"
#include "app/transfer_outputs.h"
#include "engine/curves.h"
#include "output/plot_picture.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace zevrin {

struct TAnalyseOptions {
    std::string file;
    std::string settings;  ///< a settings file; empty: the stored settings
    std::string csv;       ///< output file; empty: standard output
    std::string reference; ///< a reference table to add the difference to; empty: none
    std::optional<double> bandwidth;
    std::optional<TFFTWindow> window;
    bool dual = false;
    std::optional<bool> highpass;
    bool ltas = false;
    bool sltas = false;
    std::optional<int> sltaspoints;
    std::optional<double> decay;
    std::optional<bool> excludeoverloaded;
    std::optional<double> excludehighpower;
    TPictureOptions pictures;
    std::string spectrogram; ///< a PNG file for the spectrogram; empty: none
    TTestSignalOptions signal;
    TTransferOutputs transfer;
};

/// Reads the arguments that follow "--analyse"; std::invalid_argument with a message
/// for a bad option or value.
TAnalyseOptions parse_analyse_options(const std::vector<std::string>& args);

/// The usage line of the command, and its options explained.
std::string analyse_usage();
std::string analyse_help();

/// "Settings: 16000 Hz, mono, bandwidth 100 Hz, ...": the settings line of the
/// analysis, also the note a reference table keeps.
std::string settings_summary(const TAnalyser& a);

/// Puts the stored settings (settings_file empty) or those of a settings file into the
/// analyser, the curve colours and the curve flags; throws std::runtime_error when they
/// cannot be read. Returns warnings for values it replaced by their defaults.
using TSettingsLoader = std::function<std::vector<std::string>(
    const std::string& settings_file, TAnalyser& analyser, std::array<uint32_t, ncurves>& linecolor,
    std::array<bool, ncurves>& showcurve)>;

/// Runs the command: 0 on success, 2 for bad options (with the usage line), 1 for a
/// file that cannot be analysed or written (with the reason). Nothing is left of an
/// output file that could not be completed.
int run_analyse_command(const std::vector<std::string>& args, const TSettingsLoader& load_settings,
                        std::ostream& out, std::ostream& err);

} // namespace zevrin
