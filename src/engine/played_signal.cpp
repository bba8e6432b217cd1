#include "engine/played_signal.h"

#include <limits>
#include <stdexcept>
#include <string>

namespace zevrin {

namespace {

// A WAV file's sizes are 32-bit: 16-bit samples up to 2 GiB.
constexpr int64_t most_samples = (int64_t{1} << 30) - 64;

} // namespace

std::vector<int16_t> played_periods(TAnalyser& analyser, int periods) {
    const int length = analyser.sltaspoints;
    if (periods < 1 || length < 1 || static_cast<int64_t>(periods) * length > most_samples) {
        throw std::invalid_argument("cannot write " + std::to_string(periods) + " periods of " +
                                    std::to_string(length) + " samples");
    }
    analyser.build_test_signal();
    std::vector<int16_t> samples;
    samples.reserve(static_cast<size_t>(periods) * static_cast<size_t>(length));
    TWaveChunk chunk(static_cast<size_t>(length));
    bool last = false;
    for (int p = 0; p < periods; ++p) {
        int used = length;
        analyser.MPCPlay1Stash(chunk, used, last);
        samples.insert(samples.end(), chunk.begin(), chunk.end());
    }
    return samples;
}

} // namespace zevrin
