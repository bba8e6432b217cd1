// Frame processing speed (frames per second and times real time) and the speed of
// the test-signal synthesis, transform against direct sum.

#include "audio/virtual_loopback.h"
#include "engine/analyser.h"
#include "engine/spectrogram_ring.h"
#include "engine/test_signal.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <random>

namespace zevrin {
namespace {

constexpr double rate = 48000;

// One chunk of a sine in noise for every frame, as the capture hands it over.
TWaveChunk test_chunk(size_t values) {
    std::mt19937 rng(1);
    std::normal_distribution<double> noise(0, 300);
    TWaveChunk chunk(values);
    for (size_t i = 0; i < values; ++i) {
        chunk[i] =
            static_cast<int16_t>(8000 * std::sin(0.05 * static_cast<double>(i)) + noise(rng));
    }
    return chunk;
}

void run_frames(benchmark::State& state, bool dual, double bandwidth, int sltaspoints,
                bool spectrogram = false) {
    TVirtualLoopback idle(TLoopbackClock::manual); // no device is opened
    TAnalyserComponents components(idle);
    TAnalyser a(components);
    // The spectrogram window's ring, fed with every frame as the window feeds it.
    TSpectrogramRing ring;
    if (spectrogram) {
        a.OnFramesStart = [&] { start_spectrogram(ring, a); };
        a.OnFrame = [&] { record_spectrogram_frame(ring, a); };
    }
    a.sampfreq = rate;
    a.bandwidth = bandwidth;
    a.dualchannels = dual;
    if (sltaspoints > 0) {
        components.FFT1.set_Window(TFFTWindow::rectangle);
        a.sltaspoints = sltaspoints;
        a.set_usesltas(true);
    }
    a.prepare_frames();
    a.set_ltas(true);
    a.set_sltas(true);
    const TWaveChunk source =
        test_chunk(static_cast<size_t>(components.MPCRecord1.nChunkSamples()));
    TWaveChunk chunk = source;
    bool last = false;
    for (auto _ : state) {
        chunk = source; // the filter writes into the chunk
        a.MPCRecord1Fetch(chunk, static_cast<int>(chunk.size()), last);
    }
    const double frame_seconds = static_cast<double>(a.inre1.size()) / rate;
    state.counters["frames_per_s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["x_realtime"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * frame_seconds, benchmark::Counter::kIsRate);
    state.SetLabel(std::to_string(a.inre1.size()) +
                   " samples, N=" + std::to_string(components.FFT1.FFTSize()));
}

void BM_FramesMono(benchmark::State& s) {
    run_frames(s, false, static_cast<double>(s.range(0)), 0);
}
void BM_FramesDual(benchmark::State& s) {
    run_frames(s, true, static_cast<double>(s.range(0)), 0);
}
void BM_FramesDualSpectrogram(benchmark::State& s) {
    run_frames(s, true, static_cast<double>(s.range(0)), 0, true);
}
void BM_FramesSltasMono(benchmark::State& s) {
    run_frames(s, false, 10, static_cast<int>(s.range(0)));
}
void BM_FramesSltasDual(benchmark::State& s) {
    run_frames(s, true, 10, static_cast<int>(s.range(0)));
}

BENCHMARK(BM_FramesMono)->Arg(50)->Arg(10)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FramesDual)->Arg(50)->Arg(10)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FramesDualSpectrogram)->Arg(50)->Arg(10)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FramesSltasMono)->Arg(4096)->Arg(32768)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FramesSltasDual)->Arg(4096)->Arg(32768)->Unit(benchmark::kMicrosecond);

struct Partials {
    explicit Partials(size_t length) : used(length, true), amp(length), period(length) {
        partial_amplitudes(-3, amp);
    }
    tpartialflags used;
    tdoublearr amp;
    tdoublearr period;
};

void BM_SynthesisFast(benchmark::State& state) {
    Partials p(static_cast<size_t>(state.range(0)));
    TFFT fft;
    for (auto _ : state) {
        synthesise_fast(p.used, p.amp, 1.0, fft, p.period);
        benchmark::DoNotOptimize(p.period.data());
    }
}

void BM_SynthesisDirect(benchmark::State& state) {
    Partials p(static_cast<size_t>(state.range(0)));
    for (auto _ : state) {
        synthesise_direct(p.used, p.amp, 1.0, p.period);
        benchmark::DoNotOptimize(p.period.data());
    }
}

BENCHMARK(BM_SynthesisFast)->Arg(32768)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SynthesisDirect)->Arg(32768)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace zevrin

BENCHMARK_MAIN();
