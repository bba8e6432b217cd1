// The spectrogram's costs per frame and per paint: adding one frame's column to the
// kept picture (the ring takes the levels, the plot draws one pixel column), a repaint
// of the plot (the kept picture copied in two pieces), and a repaint of the whole
// panel with its three axes and colour scale. The plot is 1200 × 400 pixels with a
// logarithmic frequency axis from 20 Hz to 24 kHz; the frames are noise about a
// falling slope, two channels at 48 kHz, N the FFT size.

#include "display/spectrogram_panel.h"
#include "engine/spectrogram_ring.h"

#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <random>
#include <vector>

namespace zevrin {
namespace {

constexpr int plot_width = 1200;
constexpr int plot_height = 400;
constexpr double sampfreq = 48000.0;

struct Scene {
    explicit Scene(int n) : bins(static_cast<size_t>(n / 2 + 1)) {
        ring.start(bins, 2, sampfreq, n / sampfreq);
        std::mt19937 rng(3);
        std::normal_distribution<double> gauss(0.0, 6.0);
        for (auto& frame : frames) {
            frame.resize(bins);
            for (size_t m = 0; m < bins; ++m) {
                frame[m] =
                    60.0 - 40.0 * static_cast<double>(m) / static_cast<double>(bins) + gauss(rng);
            }
        }
        panel.setAttribute(Qt::WA_DontShowOnScreen);
        panel.show();
        // The plot's size follows from the panel's: widen the panel until it fits.
        panel.resize(plot_width + 200, plot_height + 60);
        panel.resize(panel.width() + plot_width - panel.plot->width(),
                     panel.height() + plot_height - panel.plot->height());
        panel.set_frequency_scale(20, 24000, true, false);
        panel.set_level_range(-25, 75);
        panel.frames_started(true);
        for (int k = 0; k < plot_width + 10; ++k) {
            add();
        }
        QImage warm(panel.size(), QImage::Format_RGB32);
        panel.render(&warm);
    }

    void add() {
        const auto& frame = frames[static_cast<size_t>(ring.count()) % frames.size()];
        ring.add(frame.data(), frame.data());
        panel.frame_added();
    }

    size_t bins;
    TSpectrogramRing ring;
    std::array<std::vector<double>, 16> frames;
    TSpectrogramPanel panel{ring};
};

void BM_SpectrogramAddColumn(benchmark::State& state) {
    Scene scene(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        scene.add();
    }
    state.SetLabel(std::to_string(scene.panel.plot->width()) + " x " +
                   std::to_string(scene.panel.plot->height()));
}
BENCHMARK(BM_SpectrogramAddColumn)->Arg(2048)->Arg(8192)->Unit(benchmark::kMicrosecond);

void BM_SpectrogramPlotRepaint(benchmark::State& state) {
    Scene scene(static_cast<int>(state.range(0)));
    QImage target(scene.panel.plot->size(), QImage::Format_RGB32);
    QPainter painter(&target);
    for (auto _ : state) {
        scene.panel.plot->paint(painter);
    }
}
BENCHMARK(BM_SpectrogramPlotRepaint)->Arg(8192)->Unit(benchmark::kMillisecond);

// A new frame and everything it makes the panel draw again: the column, the moved time
// axis and the whole panel's picture.
void BM_SpectrogramPanelRepaint(benchmark::State& state) {
    Scene scene(static_cast<int>(state.range(0)));
    QImage target(scene.panel.size(), QImage::Format_RGB32);
    for (auto _ : state) {
        scene.add();
        scene.panel.render(&target);
    }
    state.SetLabel("panel " + std::to_string(scene.panel.width()) + " x " +
                   std::to_string(scene.panel.height()));
}
BENCHMARK(BM_SpectrogramPanelRepaint)->Arg(8192)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace zevrin
