// The averaged arrays as the user reads them through the curves, against values the
// test works out for itself: decayed LTAS and SLTAS, frames left out of them, the right
// channel, the frozen copies, the high-pass of both channels and the power warm-up.

#include "engine_fixture.h"

#include "dsp/numeric.h"
#include "engine/curves.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <vector>

namespace zevrin {
namespace {

using cplx = std::complex<double>;

// Frames of 256 samples, N = 256, rectangle window, no high-pass: a sinusoid on bin 64
// (N/4) whose samples are whole numbers reads exactly amplitude/2 there.
class Averages : public ::testing::Test, public testing::EngineFixture {
protected:
    static constexpr size_t n = 256;
    static constexpr size_t bin = 64;

    void SetUp() override {
        configure(16000, 16000.0 / n, TFFTWindow::rectangle);
        analyser->set_usesltas(true);
        analyser->sltaspoints = static_cast<int>(n);
        analyser->set_highpass(false);
        analyser->partialpattern = 0; // every bin a used partial
        analyser->select_test_partials();
        analyser->prepare_frames();
    }
    // amplitude·sin(π(i + q)/2): its bin-64 value is i·(amplitude/2)·e^(-i·q·π/2).
    static std::vector<double> quarter(double amplitude, int q) {
        static const double s[4] = {0, 1, 0, -1};
        std::vector<double> v(n);
        for (size_t i = 0; i < n; ++i) {
            v[i] = amplitude * s[(i + static_cast<size_t>(q)) % 4];
        }
        return v;
    }
    static cplx bin_value(double amplitude, int q) {
        return std::polar(amplitude / 2, -q * pi / 2);
    }
    double level(int curve, size_t at = bin) const {
        tdoublearr v(n);
        EXPECT_TRUE(curve_levels(*analyser, curve, n, v)) << curve;
        return v[at];
    }
};

TEST_F(Averages, DecayedLtasAndSltasAreWeightedMeans) {
    TAnalyser& a = *analyser;
    a.ltasdecay = true;
    a.sltasdecay = true;
    a.set_ltasdecaytime(0.08);
    a.set_sltasdecaytime(0.2);
    const double fl = std::pow(1000.0, -(256.0 / 16000) / 0.08); // 1000^-0.2
    const double fs = std::pow(1000.0, -(256.0 / 16000) / 0.2);
    EXPECT_NEAR(a.ltasdecayfactor, fl, 1e-15);
    a.set_ltas(true);
    a.set_sltas(true);
    const double amps[] = {1000, 4000, 2000, 8000, 3000};
    const int phases[] = {0, 1, 3, 2, 1};
    double lsum = 0, lweight = 0, sweight = 0;
    cplx ssum = 0;
    for (int k = 0; k < 5; ++k) {
        feed(quarter(amps[k], phases[k]));
        lsum = lsum * fl + amps[k] / 2;
        lweight = lweight * fl + 1;
        ssum = ssum * fs + bin_value(amps[k], phases[k]);
        sweight = sweight * fs + 1;
    }
    EXPECT_NEAR(level(7), 20 * std::log10(lsum / lweight), 1e-9);
    EXPECT_NEAR(level(11), 20 * std::log10(std::abs(ssum) / sweight), 1e-9);
    EXPECT_NEAR(a.ltasdecayedcount, lweight, 1e-12);
    EXPECT_EQ(a.statustext(1), "Equiv. of 1.3 taken"); // 1.33 after five frames
    // Elsewhere nothing: no level to draw.
    EXPECT_TRUE(std::isnan(level(7, 10)) || level(7, 10) < -200);
}

TEST_F(Averages, ExcludedFramesStayOutOfBothAverages) {
    TAnalyser& a = *analyser;
    a.set_ltas(true);
    a.set_sltas(true);
    feed(quarter(1000, 0));
    auto clipped = quarter(30000, 1);
    clipped[5] = 32767;
    feed(clipped); // overloaded: excluded with the next two
    feed(quarter(30000, 2));
    feed(quarter(30000, 3));
    feed(quarter(2000, 2));
    EXPECT_EQ(a.ltascount, 2);
    EXPECT_EQ(a.sltascount, 2);
    EXPECT_EQ(a.excluded, 3);
    EXPECT_NEAR(level(7), 20 * std::log10((500.0 + 1000.0) / 2), 1e-9);
    const cplx s = bin_value(1000, 0) + bin_value(2000, 2);
    EXPECT_NEAR(level(11), 20 * std::log10(std::abs(s) / 2), 1e-9);
    // The clipped sample would have spread over every bin.
    EXPECT_LT(a.ltas1[10], 1e-9);
    EXPECT_LT(std::abs(a.sltas1[10].re) + std::abs(a.sltas1[10].im), 1e-9);
}

TEST_F(Averages, DualChannelsKeepTheirOwnAveragesAndFrozenCopies) {
    TAnalyser& a = *analyser;
    a.dualchannels = true;
    a.prepare_frames();
    a.set_ltas(true);
    a.set_sltas(true);
    feed(quarter(1000, 0), quarter(6000, 1));
    const auto right1 = quarter(6000, 1);
    feed(quarter(3000, 2), quarter(2000, 3));
    // Left and right each through their own arrays.
    EXPECT_NEAR(level(8), 20 * std::log10((500.0 + 1500.0) / 2), 1e-9);
    EXPECT_NEAR(level(9), 20 * std::log10((3000.0 + 1000.0) / 2), 1e-9);
    const cplx left = bin_value(1000, 0) + bin_value(3000, 2);
    const cplx right = bin_value(6000, 1) + bin_value(2000, 3);
    EXPECT_NEAR(level(12), 20 * std::log10(std::abs(left) / 2), 1e-9);
    EXPECT_NEAR(level(13), 20 * std::log10(std::abs(right) / 2), 1e-9);
    EXPECT_NEAR(level(14), 20 * std::log10(std::abs(right) / std::abs(left)), 1e-9);
    // The frozen copies hold the frame before the last, of both channels.
    EXPECT_EQ(a.inre2a, tdoublearr(right1.begin(), right1.end()));
    EXPECT_NEAR(a.outdb2a[bin], 20 * std::log10(3000.0), 1e-9);
    EXPECT_NEAR(a.outdb1a[bin], 20 * std::log10(500.0), 1e-9);
    a.set_freeze(true);
    feed(quarter(100, 0), quarter(100, 0));
    EXPECT_NEAR(level(6), 20 * std::log10(3000.0), 1e-9);
    EXPECT_NEAR(level(5), 20 * std::log10(500.0), 1e-9);
    EXPECT_EQ(a.inre2a, tdoublearr(right1.begin(), right1.end()));
    EXPECT_NEAR(level(3), 20 * std::log10(50.0), 1e-9);
}

TEST_F(Averages, HighPowerTestWaitsForElevenFrames) {
    TAnalyser& a = *analyser;
    a.set_excludehighpower(true);
    a.set_excludedblimit(6);
    a.set_ltas(true);
    for (int quiet : {10, 11}) {
        a.clearltasExecute();
        for (int i = 0; i < quiet; ++i) {
            feed(quarter(1000, 0));
        }
        feed(quarter(8000, 0)); // 18 dB above the average
        EXPECT_EQ(a.exclude, quiet == 11) << quiet << " frames before";
    }
}

// The 1 Hz high-pass sections of the two channels against the bilinear design's
// difference equation, run here over the whole stream of each channel: the state of
// each channel carries from chunk to chunk, and a run starts from rest.
class HighPass : public ::testing::Test, public testing::EngineFixture {
protected:
    struct Reference {
        double b, a1, a2;
        double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
        Reference(double f0, double q, double fs) {
            const double k = std::tan(pi * f0 / fs);
            const double bb = 1 / (k * k);
            const double aa = 1 / (k * q);
            const double c = bb + aa + 1;
            b = bb / c;
            a1 = 2 * (bb - 1) / c;
            a2 = -(bb + 1 - aa) / c;
        }
        double operator()(double x) {
            const double y = b * (x - 2 * x1 + x2) + a1 * y1 + a2 * y2;
            x2 = x1;
            x1 = x;
            y2 = y1;
            y1 = y;
            return std::clamp(std::nearbyint(y), -32768.0, 32767.0);
        }
    };
};

TEST_F(HighPass, EachChannelKeepsItsOwnStateAcrossChunks) {
    TAnalyser& a = *analyser;
    configure(16000, 100, TFFTWindow::Hamming);
    a.dualchannels = true;
    a.prepare_frames();
    Reference left(1, 0.7071, 16000), right(1, 0.7071, 16000);
    std::vector<double> l(320), r(320), lexpect(320), rexpect(320);
    for (int chunk = 0; chunk < 3; ++chunk) {
        for (size_t i = 0; i < 320; ++i) {
            l[i] = 10000 + 3000 * ((i / 7) % 2); // a step and a square wave
            r[i] = -6000 + 50.0 * static_cast<double>(chunk * 320 + i) / 10;
            lexpect[i] = left(l[i]);
            rexpect[i] = right(r[i]);
        }
        feed(l, r);
    }
    for (size_t i = 0; i < 320; ++i) {
        ASSERT_NEAR(a.inre1[i], lexpect[i], 1.0) << i;
        ASSERT_NEAR(a.inre2[i], rexpect[i], 1.0) << i;
    }
    // A new run starts both sections from rest.
    a.prepare_frames();
    Reference fresh(1, 0.7071, 16000);
    feed(r, l);
    for (size_t i = 0; i < 320; ++i) {
        ASSERT_NEAR(a.inre1[i], fresh(r[i]), 1.0) << i;
    }
}

} // namespace
} // namespace zevrin
