#include "dsp/fft.h"
#include "dsp/fft_plan.h"

#include <gtest/gtest.h>

#include "dsp/numeric.h"
#include "dsp/vector_isa.h"
#include "isa_support.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

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

TEST(FFTSizes, LogFFTSizeSetsThePowerOfTwo) {
    TFFT fft;
    fft.set_LogFFTSize(10);
    EXPECT_EQ(fft.FFTSize(), 1024);
    EXPECT_EQ(fft.LogFFTSize(), 10);
    EXPECT_EQ(fft.WindowSize(), 256);
    for (int ignored : {1, 21, 0, -3}) {
        fft.set_LogFFTSize(ignored);
        EXPECT_EQ(fft.FFTSize(), 1024) << ignored;
    }
    // The next input of the window's length is transformed over 1024 points: 20
    // periods of bin 40's double frequency cancel over 256 samples, leaving 1/2.
    tdoublearr x(256);
    for (int i = 0; i < 256; ++i) {
        x[i] = std::cos(2 * M_PI * 40 * i / 1024);
    }
    fft.set_Window(TFFTWindow::rectangle);
    fft.set_RemoveDC(false);
    fft.set_InRe(x);
    ASSERT_EQ(fft.OutRe().size(), 1024u);
    EXPECT_NEAR(fft.OutRe()[40], 0.5, 1e-14);
    EXPECT_NEAR(fft.OutRe()[984], 0.5, 1e-14);
    fft.set_LogFFTSize(2);
    EXPECT_EQ(fft.FFTSize(), 4);
    fft.set_LogFFTSize(20);
    EXPECT_EQ(fft.FFTSize(), 1048576);
    EXPECT_EQ(fft.LogFFTSize(), 20);
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

TEST(FFTOutputs, InputBeyondTheWindowSizeIsCut) {
    TFFT fft;
    fft.set_Window(TFFTWindow::rectangle);
    fft.set_RemoveDC(false);
    fft.set_InRe(tdoublearr(512, 1.0));
    fft.set_WindowSize(320);
    fft.set_Dirty(true);
    EXPECT_DOUBLE_EQ(fft.OutRe()[0], 1.0);
    fft.set_Window(TFFTWindow::Hanning);
    fft.set_Dirty(true);
    EXPECT_NEAR(fft.OutRe()[0], 0.5 * 319 / 320, 1e-15); // Hanning's mean over W points
}

TEST(FFTOutputs, InputShorterThanTheSize) {
    TFFT fft;
    fft.set_InRe(tdoublearr(320, 0.0));
    EXPECT_EQ(fft.FFTSize(), 512);
    EXPECT_EQ(fft.WindowSize(), 320);
}

TEST(FFTWindows, EveryKindSkewed) {
    // Left 0.1, right 0.3: rising over the first tenth, holding the peak up to 30 %,
    // falling over the rest. W = 1001 puts n = 50 at the middle of the rise and n = 650
    // at the middle of the fall.
    struct Expect {
        TFFTWindow window;
        double ends, middle_of_slope;
    };
    const Expect kinds[] = {{TFFTWindow::rectangle, 1.0, 1.0},
                            {TFFTWindow::Bartlett, 0.0, 0.5},
                            {TFFTWindow::Hamming, 0.08, 0.54},
                            {TFFTWindow::Hanning, 0.0, 0.5},
                            {TFFTWindow::Blackman, 0.0, 0.34}};
    TFFT fft;
    fft.set_FFTSize(1024);
    fft.set_WindowSize(1001);
    fft.set_windowleftskew(0.1);
    fft.set_windowrightskew(0.3);
    for (const Expect& k : kinds) {
        fft.set_Window(k.window);
        const tdoublearr& w = fft.WinValues();
        const int kind = static_cast<int>(k.window);
        EXPECT_NEAR(w[0], k.ends, 1e-12) << kind;
        EXPECT_NEAR(w[50], k.middle_of_slope, 1e-12) << kind;
        EXPECT_NEAR(w[650], k.middle_of_slope, 1e-12) << kind;
        EXPECT_NEAR(w[1000], k.ends, 1e-12) << kind;
        for (int n = 100; n <= 300; n += 20) {
            EXPECT_NEAR(w[n], 1.0, 1e-12) << kind << " n=" << n;
        }
        if (k.window != TFFTWindow::rectangle) {
            EXPECT_LT(w[320], 1.0) << kind;
        }
        for (int n = 1001; n < 1024; ++n) {
            EXPECT_EQ(w[n], 0.0) << kind;
        }
    }
    // Back to 0.5 each: the plain, symmetric window again.
    fft.set_Window(TFFTWindow::Hanning);
    fft.set_windowleftskew(0.5);
    fft.set_windowrightskew(0.5);
    const tdoublearr& w = fft.WinValues();
    for (int n = 0; n < 1001; ++n) {
        EXPECT_EQ(w[n], w[1000 - n]) << n;
    }
    EXPECT_NEAR(w[250], 0.5, 1e-15);
}

tdoublearr ramp(std::size_t n, double step) {
    tdoublearr x(n);
    for (std::size_t i = 0; i < n; ++i) {
        x[i] = step * static_cast<double>((i * 7) % 13) - 5.0;
    }
    return x;
}

TEST(FFTOutputs, EveryOutputFollowsNewInput) {
    TFFT fft;
    fft.set_Window(TFFTWindow::Blackman);
    const tdoublearr a = ramp(256, 1.0);
    const tdoublearr b = ramp(256, 3.0);
    fft.set_InRe(a);
    EXPECT_TRUE(fft.Dirty());
    const tdoublearr& db = fft.OutdB();
    EXPECT_TRUE(fft.Dirty()); // the other outputs are still stale
    const tdoublearr re_a = fft.OutRe();
    const tdoublearr im_a = fft.OutIm();
    const tdoublearr db_a = db;
    const tdoublearr abs_a = fft.OutAbs();
    const tdoublearr abs2_a = fft.OutAbs2();
    const tdoublearr phase_a = fft.OutPhase();
    fft.OutComplex();
    EXPECT_FALSE(fft.Dirty());
    fft.set_Dirty(false); // any value marks everything stale
    EXPECT_TRUE(fft.Dirty());

    fft.set_InRe(b);
    const double* re_address = fft.OutRe().data();
    // The same arrays, overwritten in place.
    EXPECT_EQ(&fft.OutdB(), &db);
    EXPECT_EQ(fft.OutRe().data(), re_address);
    // b is 3·a plus a constant that mean removal takes out: every bin but 0 scales by 3.
    for (std::size_t m = 1; m < 256; ++m) {
        EXPECT_NEAR(fft.OutRe()[m], 3 * re_a[m], 1e-12) << m;
        EXPECT_NEAR(fft.OutIm()[m], 3 * im_a[m], 1e-12) << m;
        EXPECT_NEAR(fft.OutComplex()[m].im, 3 * im_a[m], 1e-12) << m;
        EXPECT_NEAR(fft.OutAbs()[m], 3 * abs_a[m], 1e-12) << m;
        EXPECT_NEAR(fft.OutAbs2()[m], 9 * abs2_a[m], 1e-10) << m;
        EXPECT_NEAR(fft.OutdB()[m], db_a[m] + 20 * std::log10(3.0), 1e-9) << m;
        EXPECT_NEAR(fft.OutPhase()[m], phase_a[m], 1e-9) << m;
    }
}

TEST(FFTOutputs, WindowChangeWaitsForTheNextInput) {
    TFFT fft;
    const tdoublearr x = ramp(256, 1.0);
    fft.set_InRe(x);
    const tdoublearr hamming = fft.OutAbs();
    fft.set_Window(TFFTWindow::rectangle);
    EXPECT_EQ(fft.OutAbs(), hamming);
    fft.set_InRe(x);
    EXPECT_NE(fft.OutAbs(), hamming);
}

TEST(FFTOutputs, UpperHalfOfARealFrameMirrorsTheLower) {
    TFFT fft;
    const tdoublearr x = ramp(64, 1.0);
    fft.set_InRe(x);
    const tdoublearr db = fft.OutdB(); // before the full arrays are read
    const tdoublearr& re = fft.OutRe();
    const tdoublearr& im = fft.OutIm();
    const tdoublearr& phase = fft.OutPhase();
    for (std::size_t m = 1; m < 32; ++m) {
        EXPECT_EQ(re[64 - m], re[m]);
        EXPECT_EQ(im[64 - m], -im[m]);
        EXPECT_EQ(db[64 - m], db[m]);
        EXPECT_NEAR(phase[64 - m], -phase[m], 1e-15);
    }
    EXPECT_EQ(im[32], 0.0);
}

// A caller that reads every bin of one frame gets the next frame's upper half from the
// transform itself: the same bits as from the separate mirror pass.
TEST(FFTOutputs, ReadingEveryBinOfEachFrameGivesTheSameBits) {
    for (std::size_t n : {2u, 4u, 8u, 64u, 2048u}) {
        for (bool removedc : {false, true}) {
            TFFT everyframe, fresh;
            for (TFFT* f : {&everyframe, &fresh}) {
                f->set_RemoveDC(removedc);
            }
            everyframe.set_InRe(ramp(n, 3.0));
            everyframe.OutRe();
            tdoublearr x(n);
            for (std::size_t k = 0; k < n; ++k) {
                x[k] = std::cos(2 * M_PI * 3 * static_cast<double>(k) / static_cast<double>(n)) +
                       0.25 * static_cast<double>(k % 5);
            }
            everyframe.set_InRe(x);
            fresh.set_InRe(x);
            const tdoublearr& re = everyframe.OutRe();
            const tdoublearr& im = everyframe.OutIm();
            for (std::size_t m = 0; m < n; ++m) {
                ASSERT_EQ(std::bit_cast<uint64_t>(re[m]), std::bit_cast<uint64_t>(fresh.OutRe()[m]))
                    << "N=" << n << " bin " << m;
                ASSERT_EQ(std::bit_cast<uint64_t>(im[m]), std::bit_cast<uint64_t>(fresh.OutIm()[m]))
                    << "N=" << n << " bin " << m;
            }
            EXPECT_EQ(everyframe.OutdB(), fresh.OutdB());
        }
    }
}

// The transform's passes and the statistics of an assigned frame run on the widest
// vectors the processor has: the spectrum a user reads must not depend on which.
TEST(FFTOutputs, EveryInstructionSetGivesTheSameBits) {
    const std::vector<TVectorIsa> isas = runnable_isas();
    std::vector<std::vector<uint64_t>> results;
    for (TVectorIsa isa : isas) {
        const IsaLimit limit(isa);
        std::vector<uint64_t> bits;
        // Lengths with and without a remainder after the groups of four per quarter.
        for (std::size_t n : {64u, 1000u, 4096u, 4099u}) {
            TFFT fft;
            fft.set_InRe(ramp(n, 1.7));
            for (const tdoublearr* out : {&fft.OutRe(), &fft.OutIm(), &fft.OutdB()}) {
                for (double v : *out) {
                    bits.push_back(std::bit_cast<uint64_t>(v));
                }
            }
            tsamplechunk chunk;
            chunk.used = static_cast<int32_t>(n);
            for (std::size_t k = 0; k < n; ++k) {
                chunk.data[k] = static_cast<int16_t>((k * 7919) % 20011) - 10000;
            }
            fft.set_InChunk(chunk);
            for (double v : fft.OutAbs()) {
                bits.push_back(std::bit_cast<uint64_t>(v));
            }
        }
        results.push_back(bits);
    }
    for (std::size_t k = 1; k < results.size(); ++k) {
        EXPECT_EQ(results[k], results[0]) << vector_isa_name(isas[k]) << " differs from SSE2";
    }
}

// A frame shorter than N is read where it lies, its padding taken as zeros: the bits
// must be those of the frame with the zeros written out, at every length about the
// blocks of eight samples the first pass reads, for both of its forms (n = 16 has too
// few butterflies for groups of four).
TEST(FFTOutputs, AShortFrameGivesTheBitsOfItsZeroPadding) {
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> value(-1000.0, 1000.0);
    const double offset = 123.456;
    for (std::size_t n : {16u, 256u}) {
        FFTPlan plan;
        plan.prepare(n);
        std::vector<double> x(n), shifted(n, 0.0), window(n);
        for (std::size_t k = 0; k < n; ++k) {
            x[k] = value(rng);
            window[k] = 0.5 + value(rng) / 4000.0;
        }
        std::vector<double> re1(n), im1(n), re2(n), im2(n);
        for (std::size_t len = 1; len < n; ++len) {
            for (std::size_t k = 0; k < n; ++k) {
                shifted[k] = k < len ? x[k] - offset : 0.0;
            }
            plan.real_forward(x.data(), len, offset, window.data(), 0.25, re1.data(), im1.data(),
                              true);
            plan.real_forward(shifted.data(), n, 0.0, window.data(), 0.25, re2.data(), im2.data(),
                              true);
            for (std::size_t k = 0; k < n; ++k) {
                ASSERT_EQ(std::bit_cast<uint64_t>(re1[k]), std::bit_cast<uint64_t>(re2[k]))
                    << "n " << n << " length " << len << " bin " << k;
                ASSERT_EQ(std::bit_cast<uint64_t>(im1[k]), std::bit_cast<uint64_t>(im2[k]))
                    << "n " << n << " length " << len << " bin " << k;
            }
        }
    }
}

TEST(FFTOutputs, MeanRemovalEmptiesBinZero) {
    TFFT fft;
    const tdoublearr x = ramp(300, 1.0);
    fft.set_InRe(x);
    EXPECT_EQ(fft.OutRe()[0], 0.0);
    EXPECT_EQ(fft.OutIm()[0], 0.0);
    EXPECT_EQ(fft.OutdB()[0], -3250.0);
    fft.set_RemoveDC(false);
    fft.set_InRe(x);
    EXPECT_GT(std::abs(fft.OutRe()[0]), 0.1);
}

TEST(FFTOutputs, PhaseInEveryQuadrant) {
    // One complex sample at n = 0: every bin holds that value over W.
    struct Case {
        double re, im, phase;
    };
    const Case cases[] = {{1, 1, pi / 4},   {-1, 1, 3 * pi / 4}, {-1, -1, -3 * pi / 4},
                          {1, -1, -pi / 4}, {0, 1, pi / 2},      {0, -1, -pi / 2},
                          {-1, 0, -pi},     {1, 0, 0},           {0, 0, 0},
                          {-2, 1e-300, pi}};
    TFFT fft;
    fft.set_Window(TFFTWindow::rectangle);
    fft.set_RemoveDC(false);
    fft.set_IgnoreInIm(false);
    for (const Case& c : cases) {
        tdoublearr re(8, 0.0), im(8, 0.0);
        re[0] = c.re;
        im[0] = c.im;
        fft.set_InRe(re);
        fft.set_InIm(im);
        for (int m = 0; m < 8; ++m) {
            EXPECT_NEAR(fft.OutPhase()[m], c.phase, 1e-15) << c.re << " " << c.im << " bin " << m;
        }
    }
}

TEST(FFTInput, ChunkAsInput) {
    TFFT fft;
    tsamplechunk chunk;
    chunk.used = 300;
    tdoublearr same(300);
    for (int i = 0; i < 300; ++i) {
        chunk.data[i] = static_cast<int16_t>((i * 97) % 601 - 300);
        same[i] = chunk.data[i];
    }
    fft.set_InChunk(chunk);
    EXPECT_EQ(fft.FFTSize(), 512);
    EXPECT_EQ(fft.WindowSize(), 300);
    const tdoublearr from_chunk = fft.OutRe();
    TFFT reference;
    reference.set_InRe(same);
    EXPECT_EQ(from_chunk, reference.OutRe());

    // The chunk replaces an earlier imaginary input with zeros.
    fft.set_IgnoreInIm(false);
    fft.set_InIm(tdoublearr(300, 5.0));
    fft.set_InChunk(chunk);
    for (std::size_t m = 0; m < 512; ++m) {
        EXPECT_NEAR(fft.OutRe()[m], from_chunk[m], 1e-12) << m;
        EXPECT_NEAR(fft.OutIm()[m], reference.OutIm()[m], 1e-12) << m;
    }
}

TEST(FFTInput, ChunkBeyondItsRecordReadsZeros) {
    TFFT fft;
    tsamplechunk chunk;
    chunk.used = 20000;
    chunk.data.fill(1000);
    fft.set_RemoveDC(false);
    fft.set_Window(TFFTWindow::rectangle);
    fft.set_InChunk(chunk);
    EXPECT_EQ(fft.WindowSize(), 20000);
    EXPECT_EQ(fft.FFTSize(), 32768);
    // Bin 0 is the sum of the samples over W: 16384 of them hold 1000.
    EXPECT_NEAR(fft.OutRe()[0], 1000.0 * 16384 / 20000, 1e-9);
}

TEST(FFTInput, SizeChangesBetweenFrames) {
    TFFT reused;
    for (std::size_t len : {512u, 300u, 1024u, 2u, 300u}) {
        const tdoublearr x = ramp(len, 1.5);
        reused.set_InRe(x);
        TFFT fresh;
        fresh.set_InRe(x);
        EXPECT_EQ(reused.FFTSize(), fresh.FFTSize());
        EXPECT_EQ(reused.OutRe(), fresh.OutRe()) << len;
        EXPECT_EQ(reused.OutdB(), fresh.OutdB()) << len;
    }
}

TEST(FFTBadInput, InvalidSizesChangeNothing) {
    TFFT fft;
    const tdoublearr x = ramp(100, 1.0);
    fft.set_InRe(x);
    const tdoublearr before = fft.OutAbs();
    fft.OutdB();
    fft.OutAbs2();
    fft.OutPhase();
    fft.OutComplex();
    EXPECT_EQ(error_of([&] { fft.set_InRe(tdoublearr{}); }), "FFT size out of range (0)");
    EXPECT_EQ(error_of([&] { fft.set_InIm(tdoublearr{1.0}); }), "FFT size out of range (1)");
    tsamplechunk chunk;
    chunk.used = -5;
    EXPECT_EQ(error_of([&] { fft.set_InChunk(chunk); }), "FFT size out of range (-5)");
    EXPECT_EQ(error_of([&] { fft.set_WindowSize(0); }), "Window size out of range");
    EXPECT_EQ(error_of([&] { fft.set_FFTSize(-1); }), "FFT size out of range (-1)");
    EXPECT_EQ(fft.FFTSize(), 128);
    EXPECT_EQ(fft.WindowSize(), 100);
    EXPECT_FALSE(fft.Dirty());
    EXPECT_EQ(fft.OutAbs(), before);
}

void expect_numbers(TFFT& fft, const std::string& what) {
    const tdoublearr* outputs[] = {&fft.OutRe(),   &fft.OutIm(),    &fft.OutdB(),    &fft.OutAbs(),
                                   &fft.OutAbs2(), &fft.OutPhase(), &fft.WinValues()};
    for (const tdoublearr* out : outputs) {
        for (double v : *out) {
            ASSERT_FALSE(std::isnan(v)) << what;
        }
    }
    for (const tcomplex& c : fft.OutComplex()) {
        ASSERT_TRUE(std::isfinite(c.re) && std::isfinite(c.im)) << what;
    }
}

// The frame without the failed sample, every bin: fft_accuracy_test.
TEST(FFTBadInput, NoNumberGivesNumbersNeverNaN) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (bool complex : {false, true}) {
        for (double bad : {nan, inf, -inf}) {
            TFFT fft;
            fft.set_IgnoreInIm(!complex);
            tdoublearr x = ramp(64, 1.0);
            x[10] = bad;
            fft.set_InRe(x);
            fft.set_InIm(ramp(64, 2.0));
            expect_numbers(fft, "bad sample");
        }
    }
    // A constant frame with a failed sample is still constant: silence in every bin,
    // with the mean removed; without, all of it in bin 0, less the sample left out.
    TFFT flat;
    flat.set_Window(TFFTWindow::rectangle);
    tdoublearr x(256, 3.0);
    x[17] = nan;
    flat.set_InRe(x);
    for (std::size_t m = 0; m < 256; ++m) {
        ASSERT_EQ(flat.OutAbs()[m], 0.0) << m;
        ASSERT_EQ(flat.OutdB()[m], -3250.0) << m;
    }
    flat.set_RemoveDC(false);
    flat.set_InRe(x);
    EXPECT_NEAR(flat.OutRe()[0], 3.0 * 255 / 256, 1e-15);
    // Finite samples so large that the sums overflow.
    TFFT fft;
    fft.set_RemoveDC(false);
    tdoublearr huge(256);
    for (std::size_t i = 0; i < huge.size(); ++i) {
        huge[i] = (i % 3 ? 1.7e308 : -1.7e308);
    }
    fft.set_InRe(huge);
    expect_numbers(fft, "overflow");
    // A skew that is no number.
    fft.set_windowrightskew(nan);
    fft.set_InRe(ramp(256, 1.0));
    expect_numbers(fft, "skew");
}

TEST(FFTBadInput, WindowLargerThanTheTables) {
    // After FFTSize is lowered below the window size the tables keep their old size;
    // a transform in that state must still be safe.
    TFFT fft;
    fft.set_InRe(ramp(256, 1.0));
    fft.set_FFTSize(64);
    EXPECT_EQ(fft.FFTSize(), 64);
    fft.set_InRe(ramp(256, 2.0));
    expect_numbers(fft, "N < W");
    EXPECT_EQ(fft.OutRe().size(), 256u);
}

} // namespace
} // namespace zevrin
