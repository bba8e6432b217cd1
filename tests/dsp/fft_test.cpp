#include "dsp/fft.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace zevrin {
namespace {

std::string error_of(const std::function<void()>& f) {
    try {
        f();
    } catch (const EFFTError& e) {
        return e.what();
    }
    return "no error";
}

TEST(FFTSizes, PowersOfTwoAndMessages) {
    TFFT fft;
    EXPECT_EQ(fft.FFTSize(), 256);
    EXPECT_EQ(fft.WindowSize(), 256);
    fft.set_FFTSize(512);
    EXPECT_EQ(fft.FFTSize(), 512);
    EXPECT_EQ(fft.LogFFTSize(), 9);
    fft.set_FFTSize(513);
    EXPECT_EQ(fft.FFTSize(), 1024);
    fft.set_FFTSize(2);
    EXPECT_EQ(fft.FFTSize(), 2);
    EXPECT_EQ(error_of([&] { fft.set_FFTSize(1); }), "FFT size out of range (1)");
    EXPECT_EQ(error_of([&] { fft.set_FFTSize(16777217); }), "FFT size out of range (16777217)");
    EXPECT_EQ(fft.FFTSize(), 2);
    fft.set_FFTSize(256);
    fft.set_WindowSize(320);
    EXPECT_EQ(fft.FFTSize(), 512);
    EXPECT_EQ(error_of([&] { fft.set_WindowSize(1); }), "Window size out of range");
    EXPECT_EQ(fft.WindowSize(), 320);
    fft.set_LogFFTSize(21);
    EXPECT_EQ(fft.FFTSize(), 512);
}

TEST(FFTWindows, Values) {
    TFFT fft;
    fft.set_FFTSize(8);
    fft.set_WindowSize(5);
    fft.set_Window(TFFTWindow::Hamming);
    const double hamming[] = {0.08, 0.54, 1.0, 0.54, 0.08, 0, 0, 0};
    for (int i = 0; i < 8; ++i) {
        EXPECT_NEAR(fft.WinValues()[i], hamming[i], 1e-15) << i;
    }
    fft.set_Window(TFFTWindow::Bartlett);
    const double bartlett5[] = {0, 0.5, 1, 0.5, 0};
    for (int i = 0; i < 5; ++i) {
        EXPECT_NEAR(fft.WinValues()[i], bartlett5[i], 1e-15) << i;
    }
    fft.set_WindowSize(4);
    fft.set_Window(TFFTWindow::Bartlett);
    const double bartlett4[] = {0, 2.0 / 3, 2.0 / 3, 0};
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(fft.WinValues()[i], bartlett4[i], 1e-15) << i;
    }
}

TEST(FFTWindows, SkewedHanningHoldsItsPeak) {
    TFFT fft;
    fft.set_FFTSize(1024);
    fft.set_WindowSize(1001);
    fft.set_Window(TFFTWindow::Hanning);
    fft.set_windowleftskew(0.25);
    fft.set_windowrightskew(0.75);
    const tdoublearr& w = fft.WinValues();
    EXPECT_NEAR(w[0], 0.0, 1e-15);
    EXPECT_NEAR(w[125], 0.5, 1e-12);
    for (int n = 250; n <= 750; ++n) {
        EXPECT_DOUBLE_EQ(w[n], 1.0) << n;
    }
    EXPECT_NEAR(w[875], 0.5, 1e-12);
    EXPECT_LT(w[999], 0.001);
}

TEST(FFTOutputs, CosineOnABin) {
    TFFT fft;
    const int n = 64;
    tdoublearr x(n);
    for (int i = 0; i < n; ++i) {
        x[i] = std::cos(2 * M_PI * 8 * i / n);
    }
    fft.set_RemoveDC(false);
    fft.set_Window(TFFTWindow::rectangle);
    fft.set_InRe(x);
    const tdoublearr& re = fft.OutRe();
    for (int m = 0; m < n; ++m) {
        EXPECT_NEAR(re[m], (m == 8 || m == n - 8) ? 0.5 : 0.0, 1e-14) << m;
    }
    EXPECT_NEAR(fft.OutdB()[8], 20 * std::log10(0.5), 1e-12);
    EXPECT_NEAR(fft.OutAbs()[8], 0.5, 1e-14);
    EXPECT_NEAR(fft.OutAbs2()[8], 0.25, 1e-14);
    EXPECT_NEAR(fft.OutPhase()[8], 0.0, 1e-12);
    EXPECT_NEAR(fft.OutComplex()[n - 8].re, 0.5, 1e-14);
}

TEST(FFTOutputs, ConstantInputGivesSilence) {
    TFFT fft;
    fft.set_InRe(tdoublearr(100, 1234.0));
    EXPECT_EQ(fft.FFTSize(), 128);
    EXPECT_EQ(fft.WindowSize(), 100);
    for (double v : fft.OutdB()) {
        EXPECT_EQ(v, -3250.0);
    }
    for (double v : fft.OutAbs()) {
        EXPECT_EQ(v, 0.0);
    }
}

TEST(FFTOutputs, NewInputRecomputesLazily) {
    TFFT fft;
    fft.set_Window(TFFTWindow::rectangle);
    fft.set_RemoveDC(false);
    tdoublearr x(16, 0.0);
    x[0] = 1;
    fft.set_InRe(x);
    EXPECT_TRUE(fft.Dirty());
    EXPECT_NEAR(fft.OutAbs()[3], 1.0 / 16, 1e-15);
    x[0] = 2;
    fft.set_InRe(x);
    EXPECT_NEAR(fft.OutAbs()[3], 2.0 / 16, 1e-15);
    EXPECT_NEAR(fft.OutdB()[3], 20 * std::log10(2.0 / 16), 1e-12);
}

TEST(FFTOutputs, InputShorterThanTheSize) {
    TFFT fft;
    fft.set_InRe(tdoublearr(320, 0.0));
    EXPECT_EQ(fft.FFTSize(), 512);
    EXPECT_EQ(fft.WindowSize(), 320);
}

TEST(FFTAccuracy, MatchesADirectTransform) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> u(-1, 1);
    for (int n = 2; n <= 1024; n *= 2) {
        tdoublearr x(n);
        for (double& v : x) {
            v = u(rng);
        }
        TFFT fft;
        fft.set_Window(TFFTWindow::rectangle);
        fft.set_RemoveDC(false);
        fft.set_InRe(x);
        double peak = 0;
        std::vector<long double> dre(n), dim(n);
        for (int m = 0; m < n; ++m) {
            long double sr = 0, si = 0;
            for (int k = 0; k < n; ++k) {
                const long double a = 2.0L * M_PIl * m * k / n;
                sr += x[k] * std::cos(a);
                si += x[k] * std::sin(a);
            }
            dre[m] = sr / n;
            dim[m] = si / n;
            peak = std::max(peak, static_cast<double>(std::hypot(dre[m], dim[m])));
        }
        for (int m = 0; m < n; ++m) {
            EXPECT_LE(std::abs(fft.OutRe()[m] - static_cast<double>(dre[m])), 1e-12 * peak);
            EXPECT_LE(std::abs(fft.OutIm()[m] - static_cast<double>(dim[m])), 1e-12 * peak);
        }
    }
}

} // namespace
} // namespace zevrin
