#pragma once
// The test signal as the sound card receives it, for a file that another device plays.

#include "engine/analyser.h"

#include <cstdint>
#include <vector>

namespace zevrin {

/// Synthesises the test signal in force (analyser.build_test_signal: the same
/// partials, amplitudes, phases and dither as playing) and takes `periods` whole
/// periods from the playback feed, as a start of playing hands them to the sound card:
/// the first value is stasharr[1]. std::invalid_argument for fewer than one period or
/// more than fit in memory.
std::vector<int16_t> played_periods(TAnalyser& analyser, int periods);

} // namespace zevrin
