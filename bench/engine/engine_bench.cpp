// Frame processing speed (frames per second and times real time) in both register
// states (bench/support/register_state.h), beside the two FFTW transforms of the same
// frames, and the speed of the test-signal synthesis, transform against direct sum.

#include "audio/virtual_loopback.h"
#include "comparison.h"
#include "engine/analyser.h"
#include "engine/spectrogram_ring.h"
#include "engine/test_signal.h"
#include "register_state.h"

#include <benchmark/benchmark.h>
#include <fftw3.h>

#include <cmath>
#include <memory>
#include <random>
#include <string>

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

using bench::enter_state;
using bench::TRegisterState;

void run_frames(benchmark::State& state, bool dual, double bandwidth, int sltaspoints,
                TRegisterState rs, bool spectrogram = false) {
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
        enter_state(rs);
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
    run_frames(s, false, static_cast<double>(s.range(0)), 0, bench::state_arg(s, 1));
}
void BM_FramesDual(benchmark::State& s) {
    run_frames(s, true, static_cast<double>(s.range(0)), 0, bench::state_arg(s, 1));
}
void BM_FramesDualSpectrogram(benchmark::State& s) {
    run_frames(s, true, static_cast<double>(s.range(0)), 0, bench::state_arg(s, 1), true);
}
void BM_FramesSltasMono(benchmark::State& s) {
    run_frames(s, false, 10, static_cast<int>(s.range(0)), bench::state_arg(s, 1));
}
void BM_FramesSltasDual(benchmark::State& s) {
    run_frames(s, true, 10, static_cast<int>(s.range(0)), bench::state_arg(s, 1));
}

BENCHMARK(BM_FramesMono)
    ->ArgsProduct({{50, 10, 1}, {0, 1}})
    ->ArgNames({"bw", "dirty"})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FramesDual)
    ->ArgsProduct({{50, 10, 1}, {0, 1}})
    ->ArgNames({"bw", "dirty"})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FramesDualSpectrogram)
    ->ArgsProduct({{50, 10}, {0, 1}})
    ->ArgNames({"bw", "dirty"})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FramesSltasMono)
    ->ArgsProduct({{4096, 32768}, {0, 1}})
    ->ArgNames({"points", "dirty"})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FramesSltasDual)
    ->ArgsProduct({{4096, 32768}, {0, 1}})
    ->ArgNames({"points", "dirty"})
    ->Unit(benchmark::kMicrosecond);

// The reference of frame processing: FFTW's real-input transforms (FFTW_MEASURE) of the
// frames of both channels, zero-padded to N as the analyser pads them, and nothing else.
void BM_FFTWTransformsOfAFrame(benchmark::State& state) {
    const auto n = static_cast<size_t>(state.range(0));
    const auto length = static_cast<size_t>(state.range(1));
    const TRegisterState rs = bench::state_arg(state, 2);
    double* in[2];
    fftw_complex* out[2];
    fftw_plan plan[2];
    const TWaveChunk samples = test_chunk(2 * length);
    for (int c = 0; c < 2; ++c) {
        in[c] = fftw_alloc_real(n);
        out[c] = fftw_alloc_complex(n / 2 + 1);
        plan[c] = fftw_plan_dft_r2c_1d(static_cast<int>(n), in[c], out[c], FFTW_MEASURE);
        for (size_t i = 0; i < n; ++i) {
            in[c][i] = i < length ? samples[2 * i + static_cast<size_t>(c)] : 0.0;
        }
    }
    for (auto _ : state) {
        enter_state(rs);
        fftw_execute(plan[0]);
        fftw_execute(plan[1]);
        benchmark::DoNotOptimize(out[0]);
        benchmark::DoNotOptimize(out[1]);
        benchmark::ClobberMemory();
    }
    for (int c = 0; c < 2; ++c) {
        fftw_destroy_plan(plan[c]);
        fftw_free(out[c]);
        fftw_free(in[c]);
    }
}
BENCHMARK(BM_FFTWTransformsOfAFrame)
    ->ArgsProduct({{16384}, {9600}, {0, 1}})
    ->ArgNames({"N", "frame", "dirty"})
    ->Unit(benchmark::kMicrosecond);

[[maybe_unused]] const bool compared = [] {
    for (TRegisterState rs : {TRegisterState::clean, TRegisterState::dirty}) {
        const std::string dirty = rs == TRegisterState::dirty ? "1" : "0";
        bench::compare(std::string("frame processing, dual 48 kHz 10 Hz LTAS+SLTAS, ") +
                           bench::state_name(rs) + ", against FFTW's two transforms",
                       "BM_FramesDual/bw:10/dirty:" + dirty,
                       "BM_FFTWTransformsOfAFrame/N:16384/frame:9600/dirty:" + dirty, 1.5);
    }
    return true;
}();

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
