#include "engine_fixture.h"

#include "dsp/numeric.h"

#include <cmath>

namespace zevrin::testing {

EngineFixture::EngineFixture()
    : loopback(std::make_unique<TVirtualLoopback>(TLoopbackClock::manual)),
      components(std::make_unique<TAnalyserComponents>(*loopback)),
      analyser(std::make_unique<TAnalyser>(*components)) {}

void EngineFixture::configure(double fs, double bw, TFFTWindow w) {
    analyser->sampfreq = fs;
    analyser->bandwidth = bw;
    components->FFT1.set_Window(w);
}

TWaveChunk EngineFixture::feed(const std::vector<double>& left, const std::vector<double>& right) {
    const bool dual = analyser->dualchannels;
    const size_t frames = left.size();
    TWaveChunk chunk(dual ? 2 * frames : frames);
    for (size_t i = 0; i < frames; ++i) {
        if (dual) {
            chunk[2 * i] = to_sample(false, left[i]);
            chunk[2 * i + 1] = to_sample(false, i < right.size() ? right[i] : 0.0);
        } else {
            chunk[i] = to_sample(false, left[i]);
        }
    }
    bool last = false;
    analyser->MPCRecord1Fetch(chunk, static_cast<int>(chunk.size()), last);
    return chunk;
}

std::vector<double> EngineFixture::sine(double amplitude, double bin, double phase) const {
    const size_t length = analyser->inre1.size();
    const auto n = static_cast<double>(components->FFT1.FFTSize());
    std::vector<double> v(length);
    for (size_t i = 0; i < length; ++i) {
        v[i] = amplitude * std::sin(2 * pi * bin * static_cast<double>(i) / n + phase);
    }
    return v;
}

void EngineFixture::advance(size_t frames) {
    loopback->advance(frames);
    components->MPCPlay1.pump();
    components->MPCRecord1.pump();
}

} // namespace zevrin::testing
