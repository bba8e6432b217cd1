#pragma once
// An analyser on components whose sound devices are a virtual loopback on a manual
// clock, so that tests drive time and delivery themselves.

#include "audio/virtual_loopback.h"
#include "engine/analyser.h"

#include <memory>
#include <vector>

namespace zevrin::testing {

struct EngineFixture {
    EngineFixture();

    /// Sampling frequency, bandwidth and window in force (16000 Hz, 100 Hz and Hamming
    /// give 320-sample frames and N = 512).
    void configure(double fs = 16000, double bw = 100, TFFTWindow w = TFFTWindow::Hamming);
    /// One frame of every channel through the frame processing, as the capture delivers
    /// it; returns the chunk after processing.
    TWaveChunk feed(const std::vector<double>& left, const std::vector<double>& right = {});
    /// A sinusoid over the frame length; `bin` periods per FFT size.
    std::vector<double> sine(double amplitude, double bin, double phase = 0) const;
    /// Moves `frames` frames through the loopback and delivers what they produced.
    void advance(size_t frames);

    std::unique_ptr<TVirtualLoopback> loopback;
    std::unique_ptr<TAnalyserComponents> components;
    std::unique_ptr<TAnalyser> analyser;
};

} // namespace zevrin::testing
