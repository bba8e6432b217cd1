// What the transfer function adds to the engine: the power sums of every frame taken
// into the synchronous average (beside the frame processing that carries them, in
// engine_bench.cpp), and one computation of the transfer function and the distortion
// from the averages, as the transfer window makes it once per frame it shows.

#include "audio/virtual_loopback.h"
#include "engine/analyser.h"
#include "engine/distortion.h"
#include "engine/power_sums.h"
#include "engine/transfer_function.h"

#include <benchmark/benchmark.h>

#include <random>

namespace zevrin {
namespace {

// One channel's spectrum of a noise frame, as the FFT component gives it.
struct Spectrum {
    explicit Spectrum(int n, unsigned seed) {
        std::mt19937 rng(seed);
        std::normal_distribution<double> noise(0, 1000);
        tdoublearr frame(static_cast<size_t>(n));
        for (double& v : frame) {
            v = noise(rng);
        }
        TFFT fft;
        fft.set_Window(TFFTWindow::rectangle);
        fft.set_InRe(frame);
        re = fft.OutRe();
        im = fft.OutIm();
    }
    tdoublearr re, im;
};

void power_sums(benchmark::State& state, bool dual) {
    const auto n = static_cast<int>(state.range(0));
    const Spectrum left(n, 1), right(n, 2);
    TPowerSums sums;
    sums.resize(static_cast<size_t>(n));
    for (auto _ : state) {
        if (dual) {
            sums.add(1, left.re, left.im, 0.99);
            sums.add(2, right.re, right.im, 0.99);
        } else {
            sums.add(0, left.re, left.im, 0.99);
        }
        benchmark::DoNotOptimize(sums.power1().data());
    }
}

void BM_PowerSumsMono(benchmark::State& s) {
    power_sums(s, false);
}
void BM_PowerSumsDual(benchmark::State& s) {
    power_sums(s, true);
}
BENCHMARK(BM_PowerSumsMono)->Arg(4096)->Arg(32768)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PowerSumsDual)->Arg(4096)->Arg(32768)->Unit(benchmark::kMicrosecond);

// Two channels averaged over a few frames of noise with every partial in use: the
// most partials and the longest impulse response a period of that length has.
void BM_TransferCompute(benchmark::State& state) {
    TVirtualLoopback idle(TLoopbackClock::manual);
    TAnalyserComponents components(idle);
    TAnalyser a(components);
    a.sampfreq = 48000;
    a.dualchannels = true;
    a.sltaspoints = static_cast<int>(state.range(0));
    a.partialpattern = 1; // even partials: the odd bins for the distortion
    components.FFT1.set_Window(TFFTWindow::rectangle);
    a.set_usesltas(true);
    a.prepare_frames();
    a.set_sltas(true);
    std::mt19937 rng(3);
    std::normal_distribution<double> noise(0, 3000);
    TWaveChunk chunk(static_cast<size_t>(components.MPCRecord1.nChunkSamples()));
    bool last = false;
    for (int k = 0; k < 4; ++k) {
        for (int16_t& v : chunk) {
            v = static_cast<int16_t>(noise(rng));
        }
        a.MPCRecord1Fetch(chunk, static_cast<int>(chunk.size()), last);
    }
    TTransferFunction tf;
    TDistortion d;
    for (auto _ : state) {
        tf.compute(a);
        d.compute(a);
        benchmark::DoNotOptimize(tf.impulse.data());
    }
    state.SetLabel(tf.valid() ? std::to_string(tf.bins.size()) + " partials" : tf.problem());
}
BENCHMARK(BM_TransferCompute)->Arg(4096)->Arg(32768)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace zevrin
