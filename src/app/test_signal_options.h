#pragma once
// The test signal's settings on the command line, for --analyse and
// --write-test-signal: the partial pattern, partials per octave, the single
// sinusoid's frequency, chirpiness and tilt.

#include "engine/analyser.h"

#include <optional>
#include <string>
#include <vector>

namespace zevrin {

struct TTestSignalOptions {
    std::optional<int> pattern; ///< TPartialPattern's value
    std::optional<int> partialsperoctave;
    std::optional<double> singlesinusfreq;
    std::optional<double> chirpiness;
    std::optional<double> tilt;
};

/// When args[i] is one of the test signal's options, reads it and its value (i then
/// stands on the value) and returns true; std::invalid_argument for a bad value.
bool parse_test_signal_option(const std::vector<std::string>& args, size_t& i,
                              TTestSignalOptions& options);

/// Puts the options given into the analyser's settings.
void apply_test_signal_options(const TTestSignalOptions& options, TAnalyser& analyser);

/// The options explained, one or two lines each, for a command's help.
std::string test_signal_options_help();

/// The test signal in force in words: "12 partials per octave, chirpiness 1, tilt -3 dB/octave".
std::string test_signal_description(const TAnalyser& analyser);

} // namespace zevrin
