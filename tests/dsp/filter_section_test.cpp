#include "dsp/filter_section.h"
#include "dsp/numeric.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

namespace zevrin {
namespace {

TEST(FilterSection, ExampleCoefficients) {
    TLPFilterSection lp;
    lp.set_Q(10);
    lp.set_F0(1000);
    lp.set_SampFreq(48000);
    EXPECT_NEAR(lp.a0(), 0.0169993, 1e-7);
    EXPECT_NEAR(lp.a1(), 1.97003, 1e-5);
    EXPECT_NEAR(lp.a2(), -0.987032, 1e-6);
    EXPECT_EQ(lp.b0(), 0.25);
    EXPECT_EQ(lp.b1(), 2);
    EXPECT_EQ(lp.b2(), 1);
    EXPECT_NEAR(lp.bw(), 100, 1e-12);

    THPFilterSection hp;
    hp.set_Q(0.7071);
    hp.set_F0(1);
    hp.set_SampFreq(16000);
    EXPECT_NEAR(hp.a0(), 1.5417e-7, 1e-11);
    EXPECT_NEAR(hp.a1(), 1.99944463, 1e-8);
    EXPECT_NEAR(hp.a2(), -0.99944479, 1e-8);
    EXPECT_NEAR(hp.b0(), 6484555.59, 1e-2);
    EXPECT_EQ(hp.b1(), -2);
    EXPECT_NEAR(hp.bw(), 1.41423, 1e-5);
    EXPECT_NEAR(hp.a0() + hp.a1() + hp.a2(), 1.0, 1e-15);
}

TEST(FilterSection, HighPassSwallowsFailedDesigns) {
    THPFilterSection hp;
    const double a1 = hp.a1();
    hp.set_Q(0);
    EXPECT_EQ(hp.a1(), a1);
    EXPECT_EQ(hp.bw(), 0.0);
    hp.set_Q(1);
    hp.set_SampFreq(0);
    EXPECT_EQ(hp.a1(), a1);
    TLPFilterSection lp;
    EXPECT_THROW(lp.set_Q(0), EMathError);
}

TEST(FilterSection, SteadyStates) {
    TLPFilterSection lp;
    double y = 0;
    for (int i = 0; i < 20000; ++i) {
        y = lp.filter(3.0);
    }
    EXPECT_NEAR(y, 3.0, 1e-9);
    THPFilterSection hp;
    for (int i = 0; i < 20000; ++i) {
        y = hp.filter(3.0);
    }
    EXPECT_NEAR(y, 0.0, 1e-9);
    for (int i = 0; i < 20000; ++i) {
        y = hp.filter(i % 2 ? -3.0 : 3.0);
    }
    EXPECT_NEAR(std::abs(y), 3.0, 1e-9);
    hp.reset();
    EXPECT_NEAR(hp.filter(0.0), 0.0, 0.0);
}

// The bilinear-transform response with the corner pre-warped through the tangent:
// u = tan(π·f/fs) / tan(π·F0/fs); |H| = 1 / |1 - u² + i·u/Q| for the low-pass and u²
// times that for the high-pass.
double analytic_gain(bool highpass, double f, double f0, double q, double fs) {
    if (2 * f >= fs) {
        return highpass ? 1.0 : 0.0;
    }
    const double u = std::tan(pi * f / fs) / std::tan(pi * f0 / fs);
    const double g = 1.0 / std::hypot(1.0 - u * u, u / q);
    return highpass ? u * u * g : g;
}

// The steady-state amplitude of the section's output for a cosine of frequency f.
double measured_gain(TFilterSectionBase& section, double f, double fs) {
    section.reset();
    const int settle = 20000;
    const int periods_len = 48000; // whole periods of every frequency tried
    double c = 0.0, s = 0.0;
    for (int n = 0; n < settle + periods_len; ++n) {
        const double phase = 2 * pi * f * n / fs;
        const double y = section.filter(std::cos(phase));
        if (n >= settle) {
            c += y * std::cos(phase);
            s += y * std::sin(phase);
        }
    }
    const double scale = (2 * f == fs || f == 0) ? 1.0 : 2.0;
    return scale * std::hypot(c, s) / periods_len;
}

TEST(FilterSection, ResponseMatchesTheBilinearDesign) {
    const double fs = 48000;
    for (double q : {0.7071, 3.0}) {
        for (bool highpass : {false, true}) {
            TLPFilterSection lp;
            THPFilterSection hp;
            TFilterSectionBase& section = highpass ? static_cast<TFilterSectionBase&>(hp) : lp;
            section.set_SampFreq(fs);
            section.set_F0(1000);
            section.set_Q(q);
            for (double f : {0.0, 1000.0, 3000.0, 24000.0}) {
                const double expected = analytic_gain(highpass, f, 1000, q, fs);
                EXPECT_NEAR(measured_gain(section, f, fs), expected, 1e-9)
                    << (highpass ? "high" : "low") << "-pass Q " << q << " at " << f << " Hz";
            }
            // At the corner the gain is Q.
            EXPECT_NEAR(analytic_gain(highpass, 1000, 1000, q, fs), q, 1e-12);
        }
    }
}

// The gain scales the whole output: the steady states and one step of each section.
TEST(FilterSection, GainScalesTheOutput) {
    TLPFilterSection lp;
    lp.set_Gain(2.5);
    double y = 0;
    for (int i = 0; i < 20000; ++i) {
        y = lp.filter(3.0);
    }
    EXPECT_NEAR(y, 7.5, 1e-9);
    THPFilterSection hp;
    hp.set_Gain(-0.5);
    for (int i = 0; i < 20000; ++i) {
        y = hp.filter(i % 2 ? -4.0 : 4.0);
    }
    EXPECT_NEAR(y, 2.0, 1e-9); // the last input was -4
    // The first output of a section at rest: Gain·b0·a0·x = Gain·B/C·x.
    hp.reset();
    hp.set_Gain(3);
    const double k = std::tan(pi * 1000 / 16000);
    const double b = 1 / (k * k);
    const double c = b + 1 / k + 1;
    EXPECT_NEAR(hp.filter(1.0), 3 * b / c, 1e-12);
}

TEST(FilterSection, SamplingFrequencyRedesigns) {
    TLPFilterSection moved;
    moved.set_F0(2000);
    moved.set_Q(0.5);
    moved.set_SampFreq(44100);
    EXPECT_EQ(moved.F0(), 2000);
    EXPECT_EQ(moved.Q(), 0.5);
    TLPFilterSection direct;
    direct.set_SampFreq(44100);
    direct.set_F0(2000);
    direct.set_Q(0.5);
    EXPECT_EQ(moved.a0(), direct.a0());
    EXPECT_EQ(moved.a1(), direct.a1());
    EXPECT_EQ(moved.a2(), direct.a2());
    EXPECT_EQ(moved.b0(), direct.b0());
    for (double f0 : {1.0, 100.0, 5000.0, 20000.0}) {
        THPFilterSection hp;
        hp.set_SampFreq(48000);
        hp.set_F0(f0);
        EXPECT_NEAR(hp.a0() + hp.a1() + hp.a2(), 1.0, 1e-14) << f0;
        TLPFilterSection lp;
        lp.set_SampFreq(48000);
        lp.set_F0(f0);
        EXPECT_NEAR(lp.a0() + lp.a1() + lp.a2(), 1.0, 1e-14) << f0;
    }
}

// The blocks of frame processing: each output what filter() gives for that sample,
// rounded half to even and limited to 16 bits; the state carries over between blocks
// and into filter().
TEST(FilterSection, BlocksGiveWhatSampleBySampleGives) {
    std::mt19937 rng(3);
    std::uniform_int_distribution<int> value(-32768, 32767);
    std::vector<int16_t> input(20001);
    for (size_t i = 0; i < input.size(); ++i) {
        // Noise, with full-scale steps whose overshoot must be limited.
        input[i] = static_cast<int16_t>((i / 2000) % 2   ? value(rng)
                                        : (i / 4000) % 2 ? 32767
                                                         : -32768);
    }
    const auto sample = [](THPFilterSection& f, int16_t x) {
        return static_cast<int16_t>(std::clamp(std::nearbyint(f.filter(x)), -32768.0, 32767.0));
    };
    THPFilterSection ref1, ref2, left, right, mono, refmono;
    for (THPFilterSection* f : {&ref1, &ref2, &left, &right, &mono, &refmono}) {
        f->set_Q(0.7071);
        f->set_F0(1);
        f->set_SampFreq(48000);
    }
    // The channels' sections differ, so that neither can stand in for the other.
    ref2.set_F0(3);
    right.set_F0(3);
    std::vector<int16_t> expected(input.size()), expectedmono(input.size());
    for (size_t i = 0; i < input.size(); ++i) {
        expected[i] = sample(i % 2 ? ref2 : ref1, input[i]);
        expectedmono[i] = sample(refmono, input[i]);
    }
    std::vector<int16_t> pairs = input, single = input;
    TFilterSectionBase::filter_interleaved(left, right, pairs.data(), 9600);
    TFilterSectionBase::filter_interleaved(left, right, pairs.data() + 9600, input.size() - 9600);
    mono.filter_samples(single.data(), 7);
    mono.filter_samples(single.data() + 7, input.size() - 7);
    EXPECT_EQ(pairs, expected);
    EXPECT_EQ(single, expectedmono);
    EXPECT_EQ(std::count(expected.begin(), expected.end(), int16_t{32767}) > 0, true);
    EXPECT_EQ(std::count(expected.begin(), expected.end(), int16_t{-32768}) > 0, true);
    // The odd count ended on the first section: the second is one sample behind.
    EXPECT_EQ(left.filter(100), ref1.filter(100));
    EXPECT_EQ(right.filter(100), ref2.filter(100));
    EXPECT_EQ(mono.filter(-5), refmono.filter(-5));
}

} // namespace
} // namespace zevrin
