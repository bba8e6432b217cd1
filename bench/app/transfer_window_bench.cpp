// One repaint of the transfer function window's five plots (magnitude, phase,
// coherence, distortion and noise, impulse response) at 900 × 760 pixels, with two
// channels averaged over periods of L samples: the plots alone while the averages stay
// (as when an axis is dragged), and with the recomputation a new frame brings.

#include "app/transfer_window.h"
#include "audio/virtual_loopback.h"

#include <QApplication>
#include <benchmark/benchmark.h>

#include <memory>
#include <random>

namespace zevrin {
namespace {

struct Scene {
    explicit Scene(int length, int pattern) : components(idle), a(components) {
        a.sampfreq = 48000;
        a.dualchannels = true;
        a.sltaspoints = length;
        a.partialpattern = pattern;
        components.FFT1.set_Window(TFFTWindow::rectangle);
        a.set_usesltas(true);
        a.prepare_frames();
        a.set_sltas(true);
        std::mt19937 rng(5);
        std::normal_distribution<double> noise(0, 3000);
        TWaveChunk chunk(static_cast<size_t>(components.MPCRecord1.nChunkSamples()));
        bool last = false;
        for (int k = 0; k < 4; ++k) {
            for (int16_t& v : chunk) {
                v = static_cast<int16_t>(noise(rng));
            }
            a.MPCRecord1Fetch(chunk, static_cast<int>(chunk.size()), last);
        }
        window = std::make_unique<TTransferWindow>(a);
        window->resize(900, 760);
        window->show();
        QApplication::processEvents();
        window->fit_axes();
        QApplication::processEvents();
    }
    void paint() {
        for (TPlotPanel* p : {window->MagnitudePanel, window->PhasePanel, window->CoherencePanel,
                              window->DistortionPanel, window->ImpulsePanel}) {
            p->plot->render();
        }
    }

    TVirtualLoopback idle{TLoopbackClock::manual};
    TAnalyserComponents components;
    TAnalyser a;
    std::unique_ptr<TTransferWindow> window;
};

void BM_TransferWindowPaint(benchmark::State& state) {
    Scene scene(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    for (auto _ : state) {
        scene.paint();
    }
}

void BM_TransferWindowNewFrame(benchmark::State& state) {
    Scene scene(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    for (auto _ : state) {
        scene.window->analyser_changed();
        scene.paint();
    }
}

// Pattern 0: every partial (the most points); 1: even partials (half of them, and the
// odd bins in the distortion plot).
BENCHMARK(BM_TransferWindowPaint)
    ->Args({4096, 0})
    ->Args({32768, 0})
    ->Args({32768, 1})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TransferWindowNewFrame)
    ->Args({4096, 0})
    ->Args({32768, 0})
    ->Args({32768, 1})
    ->Unit(benchmark::kMillisecond);

} // namespace
} // namespace zevrin
