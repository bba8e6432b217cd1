// The cost of one repaint of the spectrum plot at 1200 × 700 pixels, and at 3840 × 2000
// (the device pixels of a large high-density screen), with two channels and both
// averages on (curves 2, 3, 8, 9, 10, 12, 13, 14, 16, 17 and 18), in both register
// states (bench/support/register_state.h); against the plain way: every point of every
// curve computed, placed through the axes and drawn as one polyline. N is the FFT size;
// a curve has N/2 + 1 points.

#include "audio/virtual_loopback.h"
#include "comparison.h"
#include "display/axis.h"
#include "display/spectrum_plot.h"
#include "engine/curves.h"
#include "engine/test_signal.h"
#include "register_state.h"

#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace zevrin {
namespace {

constexpr double sampfreq = 48000.0;

struct PlotSize {
    int width, height;
};
// Argument "size": 0 the usual window, 1 a large high-density screen's device pixels.
constexpr PlotSize sizes[] = {{1200, 700}, {3840, 2000}};

// An analyser whose arrays hold what ten frames of a falling noise spectrum (Rayleigh
// magnitudes about a slope of 30 dB over the band) leave in them, in both channels.
struct Scene {
    Scene(int n, PlotSize plotsize) {
        TAnalyser& a = analyser;
        a.sampfreq = sampfreq;
        a.dualchannels = true;
        a.sltaspoints = n;
        a.set_usesltas(true);
        a.prepare_frames();
        a.select_test_partials();
        std::mt19937 rng(7);
        std::normal_distribution<double> gauss(0.0, 1.0);
        const auto noise = [&](double rms) { return tcomplex{rms * gauss(rng), rms * gauss(rng)}; };
        const size_t size = a.outdb1.size();
        for (size_t i = 0; i < size; ++i) {
            const double rms = 1000.0 * std::pow(10.0, -1.5 * static_cast<double>(i) / size);
            const auto db = [](const tcomplex& z) {
                return 20 * std::log10(std::hypot(z.re, z.im));
            };
            a.outdb1[i] = db(noise(rms));
            a.outdb2[i] = db(noise(0.7 * rms));
            tcomplex s1{}, s2{};
            double m1 = 0, m2 = 0;
            for (int k = 0; k < 10; ++k) {
                const tcomplex z1 = noise(rms);
                const tcomplex z2 = noise(0.7 * rms);
                m1 += std::hypot(z1.re, z1.im);
                m2 += std::hypot(z2.re, z2.im);
                // A used partial adds coherently; elsewhere only noise.
                const double partial = a.partialused[i] ? 20.0 * rms : 0.0;
                s1 = tcomplex{s1.re + z1.re + partial, s1.im + z1.im};
                s2 = tcomplex{s2.re + z2.re + 0.5 * partial, s2.im + z2.im};
            }
            a.ltas1[i] = m1;
            a.ltas2[i] = m2;
            a.sltas1[i] = s1;
            a.sltas2[i] = s2;
        }
        a.ltascount = a.sltascount = 10;
        a.ltasdecayedcount = a.sltasdecayedcount = 10.0;
        linecolor = default_curve_colors;
        showcurve.fill(true);
        xaxis.set_Position(tposition::posunder);
        xaxis.resize(plotsize.width, 25);
        xaxis.set_hilovalues(0, sampfreq / 2);
        yaxis.resize(37, plotsize.height);
        yaxis.set_hilovalues(-30, 75);
        plot = std::make_unique<TSpectrumPlot>(a, xaxis, yaxis, linecolor, showcurve, cursors);
        plot->resize(plotsize.width, plotsize.height);
    }

    TVirtualLoopback loop;
    TAnalyserComponents components{loop};
    TAnalyser analyser{components};
    std::array<uint32_t, ncurves> linecolor{};
    std::array<bool, ncurves> showcurve{};
    TCursors cursors;
    TAxis xaxis;
    TAxis yaxis;
    std::unique_ptr<TSpectrumPlot> plot;
};

void BM_SpectrumPlotPaint(benchmark::State& state) {
    const PlotSize size = sizes[state.range(1)];
    const bench::TRegisterState rs = bench::state_arg(state, 2);
    Scene scene(static_cast<int>(state.range(0)), size);
    // Like the window's backing store: in device pixels, with QT_SCALE_FACTOR too.
    const qreal ratio = scene.plot->devicePixelRatioF();
    QImage target(QSize(size.width, size.height) * ratio, QImage::Format_RGB32);
    target.setDevicePixelRatio(ratio);
    QPainter painter(&target);
    for (auto _ : state) {
        bench::enter_state(rs);
        scene.plot->PaintBox1Paint(painter);
    }
    state.counters["curves"] = static_cast<double>(scene.plot->drawn_curves().size());
}
BENCHMARK(BM_SpectrumPlotPaint)
    ->ArgsProduct({{4096, 32768, 131072}, {0, 1}, {0, 1}})
    ->ArgNames({"N", "size", "dirty"})
    ->Unit(benchmark::kMillisecond);

[[maybe_unused]] const bool compared = [] {
    for (const char* dirty : {"0", "1"}) {
        bench::compare(std::string("curve levels against the maths library's, N = 131072, ") +
                           (dirty[0] == '1' ? "dirty" : "clean"),
                       std::string("BM_CurveLevels/N:131072/libm:0/dirty:") + dirty,
                       std::string("BM_CurveLevels/N:131072/libm:1/dirty:") + dirty, 0.0);
        bench::compare(std::string("repaint at 3840 x 2000 against 1200 x 700, N = 131072, ") +
                           (dirty[0] == '1' ? "dirty" : "clean"),
                       std::string("BM_SpectrumPlotPaint/N:131072/size:1/dirty:") + dirty,
                       std::string("BM_SpectrumPlotPaint/N:131072/size:0/dirty:") + dirty, 4.0);
    }
    return true;
}();

// The levels of every point of the eleven curves (curve_levels, as the curve export and
// the plain polyline below compute them), against the same with the maths library's
// logarithm per point.
void BM_CurveLevels(benchmark::State& state) {
    const bool libm = state.range(1) != 0;
    const bench::TRegisterState rs = bench::state_arg(state, 2);
    Scene scene(static_cast<int>(state.range(0)), sizes[0]);
    const TAnalyser& a = scene.analyser;
    const size_t count = a.outdb1.size() / 2 + 1;
    tdoublearr levels(count);
    std::array<int, ncurves> order{};
    const int curves = curves_to_draw(a, scene.showcurve, order);
    for (auto _ : state) {
        bench::enter_state(rs);
        for (int k = 0; k < curves; ++k) {
            const int curve = order[static_cast<size_t>(k)];
            if (!libm) {
                curve_levels(a, curve, count, levels);
                continue;
            }
            TCurveQuantities q(a, curve);
            q.next(levels.data(), count);
            if (q.scale() != TLevelScale::decibels) {
                const double factor = q.scale() == TLevelScale::ratio ? 20.0 : 10.0;
                for (double& v : levels) {
                    v = quantity_failed(q.scale(), v) ? NAN : factor * std::log10(v);
                }
            }
        }
        benchmark::DoNotOptimize(levels.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_CurveLevels)
    ->ArgsProduct({{131072}, {0, 1}, {0, 1}})
    ->ArgNames({"N", "libm", "dirty"})
    ->Unit(benchmark::kMillisecond);

// Every point computed, placed through both axes and drawn as one polyline per curve.
void BM_FullPolyline(benchmark::State& state) {
    const PlotSize size = sizes[0];
    Scene scene(static_cast<int>(state.range(0)), size);
    const TAnalyser& a = scene.analyser;
    const size_t count = a.outdb1.size() / 2 + 1;
    tdoublearr levels(count);
    std::vector<QPoint> points(count);
    QImage target(size.width, size.height, QImage::Format_RGB32);
    QPainter painter(&target);
    std::array<int, ncurves> order{};
    for (auto _ : state) {
        painter.fillRect(target.rect(), Qt::white);
        const int curves = curves_to_draw(a, scene.showcurve, order);
        for (int k = 0; k < curves; ++k) {
            const int curve = order[static_cast<size_t>(k)];
            if (!curve_levels(a, curve, count, levels)) {
                continue;
            }
            for (size_t i = 0; i < count; ++i) {
                const double f = static_cast<double>(i) * a.sampfreq / (2.0 * (count - 1));
                const int y = std::isnan(levels[i]) ? -500 : scene.yaxis.value_to_pixel(levels[i]);
                points[i] = QPoint(scene.xaxis.value_to_pixel(f), y);
            }
            painter.setPen(Qt::blue);
            painter.drawPolyline(points.data(), static_cast<int>(count));
        }
    }
}
BENCHMARK(BM_FullPolyline)->Arg(4096)->Arg(32768)->Arg(131072)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace zevrin
