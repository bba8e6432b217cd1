#include "dsp/numeric.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>

namespace zevrin {
namespace {

TEST(Phase, WrapsIntoOnePeriod) {
    EXPECT_DOUBLE_EQ(wrap_phase(-0.5), 2 * pi - 0.5);
    EXPECT_DOUBLE_EQ(wrap_phase(2 * pi + 1.0), 1.0);
    EXPECT_EQ(wrap_phase(0.0), 0.0);
    const double tiny = wrap_phase(-1e-300);
    EXPECT_GE(tiny, 0.0);
    EXPECT_LT(tiny, 2 * pi);
}

TEST(Phase, SkewHoldsInTheMiddle) {
    for (double x = 0.0; x < 2 * pi; x += 0.01) {
        EXPECT_DOUBLE_EQ(skew_phase(x, 0.5, 0.5), x);
    }
    // Left 0.25, right 0.75: 0..π over the first quarter, π held over the middle half.
    EXPECT_DOUBLE_EQ(skew_phase(2 * pi * 0.125, 0.25, 0.75), pi / 2);
    EXPECT_DOUBLE_EQ(skew_phase(2 * pi * 0.3, 0.25, 0.75), pi);
    EXPECT_DOUBLE_EQ(skew_phase(2 * pi * 0.7, 0.25, 0.75), pi);
    EXPECT_NEAR(skew_phase(2 * pi * 0.875, 0.25, 0.75), 1.5 * pi, 1e-12);
}

TEST(Phase, TriangleIsSineShaped) {
    EXPECT_DOUBLE_EQ(triangle_wave(0.0), 0.0);
    EXPECT_DOUBLE_EQ(triangle_wave(pi / 2), 1.0);
    EXPECT_NEAR(triangle_wave(pi), 0.0, 1e-15);
    EXPECT_DOUBLE_EQ(triangle_wave(1.5 * pi), -1.0);
    EXPECT_NEAR(triangle_wave(pi / 4), 0.5, 1e-15);
    EXPECT_DOUBLE_EQ(skewed_cos(pi / 3, 0.5, 0.5), std::cos(pi / 3));
    EXPECT_DOUBLE_EQ(skewed_triangle(pi / 4, 0.5, 0.5), triangle_wave(pi / 4));
}

TEST(Maths, PowersAndLogarithms) {
    EXPECT_NEAR(pow10(2.0), 100.0, 1e-12);
    EXPECT_NEAR(pow2(10.0), 1024.0, 1e-12);
    EXPECT_NEAR(log10(1000.0), 3.0, 1e-15);
    EXPECT_NEAR(power_db(100.0), 20.0, 1e-13);
    EXPECT_FALSE(std::isfinite(power_db(0.0)));
    EXPECT_NEAR(power(2.0, 0.5), std::sqrt(2.0), 1e-15);
    EXPECT_EQ(power(0.0, 0.0), 1.0);
    EXPECT_EQ(power(0.0, 3.0), 0.0);
    EXPECT_NEAR(tan(0.25), std::tan(0.25), 1e-15);
    EXPECT_DOUBLE_EQ(hypot(3.0, 4.0), 5.0);
}

TEST(Maths, IntegerConversionsCheckTheirRange) {
    EXPECT_EQ(ceil_int(1.2), 2);
    EXPECT_EQ(floor_int(-1.2), -2);
    EXPECT_EQ(round_int(2.5), 2);
    EXPECT_EQ(round_int(3.5), 4);
    EXPECT_EQ(round_int(-2.5), -2);
    EXPECT_THROW(ceil_int(3e9), ERangeError);
    EXPECT_THROW(floor_int(std::nan("")), ERangeError);
}

TEST(NiceStep, PicksOneTwoOrFive) {
    EXPECT_EQ(nice_step(0.0), 0.0);
    EXPECT_NEAR(nice_step(0.13), 0.1, 1e-15);
    EXPECT_NEAR(nice_step(1.5), 2.0, 1e-15);
    EXPECT_NEAR(nice_step(4.0), 5.0, 1e-15);
    EXPECT_NEAR(nice_step(7.5), 10.0, 1e-14);
    EXPECT_NEAR(nice_step(300.0), 200.0, 1e-12);
    EXPECT_NEAR(nice_step(1.41), 1.0, 1e-15);
    EXPECT_NEAR(nice_step(1.42), 2.0, 1e-15);
    EXPECT_NEAR(nice_step(479.0), 500.0, 1e-12);
    EXPECT_NEAR(nice_step(1.0 / 3.0), 0.5, 1e-15);
    EXPECT_TRUE(std::isnan(nice_step(-1.0)));
}

TEST(ToSample, LimitsAndRoundsHalfToEven) {
    EXPECT_EQ(to_sample(false, 40000), 32767);
    EXPECT_EQ(to_sample(false, -40000), -32768);
    EXPECT_EQ(to_sample(false, 2.5), 2);
    EXPECT_EQ(to_sample(false, 3.5), 4);
    EXPECT_EQ(to_sample(false, -0.4), 0);
    EXPECT_THROW(to_sample(false, std::nan("")), ERangeError);
}

TEST(ToSample, DitherStaysWithinOneStep) {
    set_random_seed(12345);
    std::set<int> seen;
    for (int i = 0; i < 2000; ++i) {
        const int s = to_sample(true, 40000);
        EXPECT_GE(s, 32765);
        EXPECT_LE(s, 32767);
        seen.insert(s);
        const int t = to_sample(true, 10.0);
        EXPECT_GE(t, 9);
        EXPECT_LE(t, 11);
    }
    EXPECT_EQ(seen.size(), 3u);
}

TEST(Random, FollowsTheLinearCongruentialRule) {
    set_random_seed(1);
    EXPECT_DOUBLE_EQ(random_uniform(), 134775814.0 / 4294967296.0);
    EXPECT_EQ(random_seed(), 134775814u);
    set_random_seed(0xFFFFFFFFu);
    random_uniform();
    EXPECT_EQ(random_seed(), static_cast<uint32_t>(0xFFFFFFFFu * 134775813u + 1u));
}

TEST(Notes, FrequenciesAndKeys) {
    EXPECT_DOUBLE_EQ(note_to_freq(69), 440.0);
    EXPECT_NEAR(note_to_freq(81), 880.0, 1e-12);
    EXPECT_NEAR(freq_to_note(261.6255653), 60.0, 1e-8);
    EXPECT_FALSE(is_black_key(69));
    EXPECT_TRUE(is_black_key(70));
    EXPECT_FALSE(is_black_key(64));
    EXPECT_FALSE(is_black_key(65));
    for (int n : {61, 63, 66, 68, 70}) {
        EXPECT_TRUE(is_black_key(n)) << n;
    }
    for (int n : {60, 62, 64, 65, 67, 69, 71}) {
        EXPECT_FALSE(is_black_key(n)) << n;
    }
}

TEST(Notes, Names) {
    EXPECT_EQ(note_name(false, 69), "A4");
    EXPECT_EQ(note_name(false, 68.6), "A4");
    EXPECT_EQ(note_name(true, 68.6), "A4 -40 cent");
    EXPECT_EQ(note_name(false, 60), "C4");
    EXPECT_EQ(note_name(false, 59), "B3");
    EXPECT_EQ(note_name(false, 73), "C#5");
    EXPECT_EQ(note_name(false, 56), "Ab3");
    EXPECT_EQ(note_name(true, 69.12), "A4 +12 cent");
    EXPECT_EQ(note_name(true, 72 - 0.034), "C5 -3.4 cent");
    EXPECT_EQ(note_name(true, 40), "E2 +0 cent");
    EXPECT_EQ(freq_to_notename(true, 0), "-");
    EXPECT_EQ(freq_to_notename(false, 440), "A4");
    EXPECT_THROW(note_name(false, 1e12), ERangeError);
}

} // namespace
} // namespace zevrin
