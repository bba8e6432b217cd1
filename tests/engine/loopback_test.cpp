// The synchronous average end to end: the test signal played through a simulated
// system on the virtual loopback, captured, and averaged.

#include "engine_fixture.h"

#include "dsp/filter_section.h"
#include "dsp/numeric.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>

namespace zevrin {
namespace {

constexpr double rate = 16000;
constexpr int period = 4096;

class SltasLoopback : public ::testing::Test, public testing::EngineFixture {
protected:
    void SetUp() override {
        TAnalyser& a = *analyser;
        // As the settings dialog sets SLTAS mode: rectangle window, bandwidth rate / L.
        configure(rate, rate / period, TFFTWindow::rectangle);
        a.set_usesltas(true);
        a.sltaspoints = period;
        a.partialpattern = 2;
        a.partialsperoctave = 12;
        a.chirpiness = 1;
        a.set_highpass(false);
        loopback->set_delay(37);
    }

    // Plays and captures; the first frames (filter and line settling) stay out.
    void measure(int frames) {
        TAnalyser& a = *analyser;
        a.set_playing(true);
        a.RunExecute();
        advance(3 * period);
        a.clearsltasExecute();
        a.set_sltas(true);
        for (int k = 0; k < frames; ++k) {
            advance(period);
        }
        ASSERT_EQ(a.sltascount, frames);
    }
    void more(int frames) {
        for (int k = 0; k < frames; ++k) {
            advance(period);
        }
    }

    double level(int bin) const {
        const tcomplex z = analyser->sltas1[static_cast<size_t>(bin)];
        return 20 * std::log10(std::hypot(z.re, z.im) / analyser->sltasdecayedcount);
    }
    // Mean power of the unused bins between 1 and L/2, in dB.
    double unused_floor() const {
        double sum = 0;
        int n = 0;
        for (int i = 1; i < period / 2; ++i) {
            if (!analyser->partialused[static_cast<size_t>(i)]) {
                const tcomplex z = analyser->sltas1[static_cast<size_t>(i)];
                sum += (z.re * z.re + z.im * z.im);
                ++n;
            }
        }
        return 10 *
               std::log10(sum / n / (analyser->sltasdecayedcount * analyser->sltasdecayedcount));
    }
    // The played period's own spectrum, as the analyser's transform sees it.
    std::vector<double> played_magnitudes() const {
        TFFT fft;
        fft.set_Window(TFFTWindow::rectangle);
        tdoublearr x(analyser->stasharr.begin(), analyser->stasharr.end());
        fft.set_InRe(x);
        return fft.OutAbs();
    }
};

// |H| of the bilinear high-pass at f: the analog prototype at the pre-warped frequency.
double highpass_gain(double f, double f0, double q) {
    const double w = std::tan(pi * f / rate) / std::tan(pi * f0 / rate);
    return w * w / std::sqrt((1 - w * w) * (1 - w * w) + (w / q) * (w / q));
}

TEST_F(SltasLoopback, UsedPartialsFollowAFilterInThePath) {
    // A resonant high-pass: 32 dB down at the lowest partial, 6 dB up at its corner,
    // and every partial still far above the 16-bit rounding of the captured values.
    constexpr double f0 = 50, q = 2, gain = 0.25;
    auto filter = std::make_shared<THPFilterSection>();
    filter->set_SampFreq(rate);
    filter->set_F0(f0);
    filter->set_Q(q);
    loopback->set_gain(gain);
    loopback->set_filter([filter](double v, int) { return filter->filter(v); });
    measure(8);
    const auto played = played_magnitudes();
    int checked = 0;
    for (int a = 1; a < period / 2; ++a) {
        if (!analyser->partialused[static_cast<size_t>(a)]) {
            continue;
        }
        const double expected =
            played[static_cast<size_t>(a)] * gain * highpass_gain(a * rate / period, f0, q);
        ASSERT_GT(expected, 2.0) << "partial " << a;
        EXPECT_NEAR(level(a), 20 * std::log10(expected), 0.05) << "partial " << a;
        ++checked;
    }
    EXPECT_GT(checked, 90); // twelve per octave up to half the rate
}

TEST_F(SltasLoopback, NoiseFloorFallsWithEveryDoubling) {
    loopback->set_gain(0.5); // no clipping from the noise peaks
    loopback->set_noise(200, 7);
    measure(8);
    std::vector<double> floors{unused_floor()};
    int used = 64;
    while (!analyser->partialused[static_cast<size_t>(used)]) {
        ++used;
    }
    const double partial = level(used);
    for (int frames : {8, 16, 32}) {
        more(frames);
        floors.push_back(unused_floor());
    }
    for (size_t k = 1; k < floors.size(); ++k) {
        EXPECT_NEAR(floors[k - 1] - floors[k], 3.0, 1.0) << "doubling " << k;
    }
    EXPECT_NEAR(level(used), partial, 0.1); // the partials stay put
}

TEST_F(SltasLoopback, ClippingShowsInTheUnusedPartials) {
    analyser->set_excludeoverloaded(false); // take the clipped frames
    measure(4);
    const double clean = unused_floor();
    analyser->set_playing(false);
    analyser->RunExecute();
    loopback->set_gain(3.0); // peaks three times full scale, clipped to 16 bits
    analyser->clearsltasExecute();
    measure(4);
    const double clipped = unused_floor();
    // Rounding and dither alone leave the floor near -25 dB (16-bit units); clipping
    // at a third of the peak spreads tens of dB of distortion into the unused bins.
    EXPECT_GT(clipped - clean, 30.0) << clean << " " << clipped;
}

} // namespace
} // namespace zevrin
