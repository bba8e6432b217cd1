// TFFT's transform against a direct DFT in long double of the same frame: mean
// removal, windowing, zero padding, the second mean removal over all N values, the
// positive exponent and the 1/W scale, exactly as the component defines its result.
// Every bin is summed directly up to a few thousand points; above that a fixed random
// set of bins (still a direct sum each) keeps the test to a few seconds.

#include "dsp/fft.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace zevrin {
namespace {

using ld = long double;

constexpr double tolerance = 1e-12;
constexpr std::size_t all_bins_up_to = 4096;
constexpr std::size_t sampled_bins = 48;

struct Frame {
    tdoublearr re, im;
};

Frame random_frame(std::mt19937& rng, std::size_t len, double dc) {
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    Frame f{tdoublearr(len), tdoublearr(len)};
    for (std::size_t i = 0; i < len; ++i) {
        f.re[i] = dc + u(rng);
        f.im[i] = -0.5 * dc + u(rng);
    }
    return f;
}

// The frame as the transform sees it, in long double.
std::vector<ld> prepared(const tdoublearr& x, const tdoublearr& window, std::size_t n,
                         bool removedc, bool used) {
    std::vector<ld> z(n, 0.0L);
    if (!used) {
        return z;
    }
    ld mean = 0.0L;
    if (removedc && !x.empty()) {
        for (double v : x) {
            mean += v;
        }
        mean /= static_cast<ld>(x.size());
    }
    for (std::size_t k = 0; k < std::min(x.size(), n); ++k) {
        z[k] = (x[k] - mean) * window[k];
    }
    if (removedc) {
        ld second = 0.0L;
        for (ld v : z) {
            second += v;
        }
        second /= static_cast<ld>(n);
        for (ld& v : z) {
            v -= second;
        }
    }
    return z;
}

struct Spectrum {
    std::vector<std::size_t> bins;
    std::vector<ld> re, im;
    ld peak = 0.0L;
};

std::vector<std::size_t> bins_to_check(std::size_t n, std::mt19937& rng) {
    std::vector<std::size_t> bins;
    if (n <= all_bins_up_to) {
        for (std::size_t m = 0; m < n; ++m) {
            bins.push_back(m);
        }
        return bins;
    }
    bins = {0, 1, 2, n / 4, n / 2 - 1, n / 2, n / 2 + 1, 3 * n / 4, n - 1};
    std::uniform_int_distribution<std::size_t> pick(0, n - 1);
    for (std::size_t i = 0; i < sampled_bins; ++i) {
        bins.push_back(pick(rng));
    }
    return bins;
}

Spectrum direct_dft(const std::vector<ld>& zr, const std::vector<ld>& zi, std::size_t w,
                    const std::vector<std::size_t>& bins) {
    const std::size_t n = zr.size();
    std::vector<ld> c(n), s(n);
    for (std::size_t j = 0; j < n; ++j) {
        const ld angle =
            2.0L * 3.14159265358979323846264338327950288L * static_cast<ld>(j) / static_cast<ld>(n);
        c[j] = std::cos(angle);
        s[j] = std::sin(angle);
    }
    Spectrum out;
    out.bins = bins;
    ld energy = 0.0L;
    for (std::size_t k = 0; k < n; ++k) {
        energy += zr[k] * zr[k] + zi[k] * zi[k];
    }
    for (std::size_t m : bins) {
        ld re = 0.0L, im = 0.0L;
        std::size_t j = 0; // m·k mod n, stepped rather than multiplied
        for (std::size_t k = 0; k < n; ++k) {
            re += zr[k] * c[j] - zi[k] * s[j];
            im += zr[k] * s[j] + zi[k] * c[j];
            j += m;
            if (j >= n) {
                j -= n;
            }
        }
        re /= static_cast<ld>(w);
        im /= static_cast<ld>(w);
        out.re.push_back(re);
        out.im.push_back(im);
        out.peak = std::max(out.peak, std::sqrt(re * re + im * im));
    }
    // The RMS of all bins (Parseval) never exceeds their peak: a safe floor where only
    // some bins were summed.
    out.peak = std::max(out.peak, std::sqrt(energy / static_cast<ld>(n)) / static_cast<ld>(w));
    return out;
}

struct Case {
    std::size_t n;
    std::size_t w;
    TFFTWindow window = TFFTWindow::rectangle;
    bool removedc = false;
    bool complex = false;
    double dc = 0.0;
    std::size_t len = 0;     ///< input length; 0 for the window size
    std::size_t badat = ~0u; ///< a sample set to `bad`, in both parts
    double bad = 0.0;
};

std::string describe(const Case& s) {
    return "N=" + std::to_string(s.n) + " W=" + std::to_string(s.w) +
           " window=" + std::to_string(static_cast<int>(s.window)) +
           " removedc=" + std::to_string(s.removedc) + " complex=" + std::to_string(s.complex) +
           " len=" + std::to_string(s.len) + " bad=" + std::to_string(s.bad) + " at " +
           std::to_string(s.badat);
}

// A frame with its failed samples left out: at the mean of the others with the mean
// removal, else at 0.
tdoublearr without_failed(tdoublearr x, bool removedc) {
    ld sum = 0.0L;
    std::size_t count = 0;
    for (double v : x) {
        if (std::isfinite(v)) {
            sum += v;
            ++count;
        }
    }
    const double fill = removedc && count > 0 ? static_cast<double>(sum / count) : 0.0;
    for (double& v : x) {
        v = std::isfinite(v) ? v : fill;
    }
    return x;
}

// Largest error of any output bin against the direct sum, relative to the peak.
double relative_error(const Case& c, std::mt19937& rng) {
    const std::size_t len = c.len != 0 ? c.len : c.w;
    Frame f = random_frame(rng, len, c.dc);
    if (c.badat < len) {
        f.re[c.badat] = c.bad;
        f.im[c.badat] = c.bad;
    }
    TFFT fft;
    fft.set_RemoveDC(c.removedc);
    fft.set_IgnoreInIm(!c.complex);
    // Input first: a length other than the window size sets both sizes to it.
    fft.set_InRe(f.re);
    if (c.complex) {
        fft.set_InIm(f.im);
    }
    fft.set_FFTSize(static_cast<int>(c.n));
    fft.set_WindowSize(static_cast<int>(c.w));
    fft.set_Window(c.window);
    const tdoublearr& window = fft.WinValues();
    const auto zr = prepared(without_failed(f.re, c.removedc), window, c.n, c.removedc, true);
    const auto zi = prepared(without_failed(f.im, c.removedc), window, c.n, c.removedc, c.complex);
    const Spectrum ref = direct_dft(zr, zi, c.w, bins_to_check(c.n, rng));
    // The magnitude first: the per-frame path reads it without the other outputs.
    const tdoublearr& magnitude = fft.OutAbs();
    const tdoublearr& re = fft.OutRe();
    const tdoublearr& im = fft.OutIm();
    const tcomplexarr& both = fft.OutComplex();
    EXPECT_EQ(re.size(), c.n);
    double worst = 0.0;
    for (std::size_t i = 0; i < ref.bins.size(); ++i) {
        const std::size_t m = ref.bins[i];
        const ld dre = re[m] - ref.re[i];
        const ld dim = im[m] - ref.im[i];
        const ld dmag = magnitude[m] - std::sqrt(ref.re[i] * ref.re[i] + ref.im[i] * ref.im[i]);
        const ld err = std::max({std::abs(dre), std::abs(dim), std::abs(dmag)});
        worst = std::max(worst, static_cast<double>(err / ref.peak));
        EXPECT_EQ(both[m].re, re[m]);
        EXPECT_EQ(both[m].im, im[m]);
        const double power = re[m] * re[m] + im[m] * im[m];
        EXPECT_NEAR(fft.OutdB()[m], power > 0 ? 10 * std::log10(power) : -3250.0, 1e-9) << m;
    }
    return worst;
}

TEST(FFTAccuracy, EveryPowerOfTwoAgainstADirectSum) {
    std::mt19937 rng(20240611);
    for (std::size_t n = 2; n <= 65536; n *= 2) {
        for (int frame = 0; frame < 3; ++frame) {
            const Case c{n, n};
            EXPECT_LE(relative_error(c, rng), tolerance) << describe(c);
        }
    }
}

TEST(FFTAccuracy, WindowsMeanRemovalAndPadding) {
    std::mt19937 rng(77);
    const TFFTWindow windows[] = {TFFTWindow::rectangle, TFFTWindow::Bartlett, TFFTWindow::Hamming,
                                  TFFTWindow::Hanning, TFFTWindow::Blackman};
    for (std::size_t n : {2u, 4u, 8u, 16u, 64u, 512u, 8192u}) {
        for (std::size_t w : {n, n / 2 + 1, n * 3 / 4}) {
            if (w < 2) {
                continue;
            }
            for (TFFTWindow window : windows) {
                for (bool removedc : {false, true}) {
                    // An offset as large as the signal makes the mean removal matter
                    // without making the frame ill-conditioned.
                    const Case c{n, w, window, removedc, false, 1.0};
                    EXPECT_LE(relative_error(c, rng), tolerance) << describe(c);
                }
            }
        }
    }
}

TEST(FFTAccuracy, ComplexInput) {
    std::mt19937 rng(5);
    for (std::size_t n = 2; n <= 16384; n *= 2) {
        for (std::size_t w : {n, n / 2 + 1}) {
            if (w < 2) {
                continue;
            }
            for (bool removedc : {false, true}) {
                const Case c{n, w, TFFTWindow::Blackman, removedc, true, 1.0};
                EXPECT_LE(relative_error(c, rng), tolerance) << describe(c);
            }
        }
    }
}

// Input longer than the window size: the samples beyond it weigh nothing, with the
// rectangle as with the other windows (the mean is still that of the whole input).
TEST(FFTAccuracy, InputBeyondTheWindowSizeWeighsNothing) {
    std::mt19937 rng(12);
    const TFFTWindow windows[] = {TFFTWindow::rectangle, TFFTWindow::Bartlett, TFFTWindow::Hamming,
                                  TFFTWindow::Hanning, TFFTWindow::Blackman};
    for (TFFTWindow window : windows) {
        for (bool removedc : {false, true}) {
            for (bool complex : {false, true}) {
                Case c{512, 320, window, removedc, complex, 1.0};
                c.len = 512;
                EXPECT_LE(relative_error(c, rng), tolerance) << describe(c);
            }
        }
    }
}

// A sample that is no number or infinite spoils only its own entry of the frame: every
// bin is that of the frame without it, with and without the mean removal.
TEST(FFTAccuracy, AFailedSampleIsLeftOutOfTheFrame) {
    std::mt19937 rng(3);
    const double inf = std::numeric_limits<double>::infinity();
    for (double bad : {std::numeric_limits<double>::quiet_NaN(), inf, -inf}) {
        for (std::size_t at : {0u, 100u, 255u}) {
            for (bool removedc : {false, true}) {
                for (bool complex : {false, true}) {
                    for (TFFTWindow window : {TFFTWindow::rectangle, TFFTWindow::Hamming}) {
                        Case c{256, 256, window, removedc, complex, 1.0};
                        c.badat = at;
                        c.bad = bad;
                        EXPECT_LE(relative_error(c, rng), tolerance) << describe(c);
                    }
                }
            }
        }
    }
}

} // namespace
} // namespace zevrin
