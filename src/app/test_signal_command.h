#pragma once
// zevrin --write-test-signal OUT.wav --periods K [options]: the test signal as a sound
// file, for measuring a system whose playback and recording run on different devices:
// play the file there, record the answer, and analyse the recording with
// zevrin --analyse --sltas.

#include "app/analyse_command.h"
#include "app/test_signal_options.h"

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace zevrin {

struct TTestSignalFileOptions {
    std::string file;     ///< the WAV file to write
    std::string settings; ///< a settings file; empty: the stored settings
    int periods = 0;
    std::optional<int> sltaspoints;
    std::optional<int> rate;
    TTestSignalOptions signal;
};

/// Reads the arguments after "--write-test-signal" (the first is the file);
/// std::invalid_argument with a message for a bad option or value.
TTestSignalFileOptions parse_test_signal_file_options(const std::vector<std::string>& args);

std::string test_signal_file_usage();
std::string test_signal_file_help();

/// Runs the command: writes `periods` periods of the test signal exactly as playback
/// hands them to the sound card (16-bit mono WAV at the sampling frequency in force;
/// the period the program plays first after its start, dither included, beginning
/// where playback begins). 0 on success, 2 for bad options (with the usage line), 1
/// when the file cannot be written (with the reason; nothing is left of it).
int run_test_signal_command(const std::vector<std::string>& args,
                            const TSettingsLoader& load_settings, std::ostream& out,
                            std::ostream& err);

} // namespace zevrin
