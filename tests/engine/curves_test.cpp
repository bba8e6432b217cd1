#include "engine_fixture.h"

#include "engine/curves.h"

#include <gtest/gtest.h>

#include <cmath>

namespace zevrin {
namespace {

class Curves : public ::testing::Test, public testing::EngineFixture {
protected:
    void SetUp() override {
        configure();
        analyser->prepare_frames();
        show.fill(true);
    }
    std::vector<int> drawn() {
        std::array<int, ncurves> order{};
        const int n = curves_to_draw(*analyser, show, order);
        return std::vector<int>(order.begin(), order.begin() + n);
    }
    std::array<bool, ncurves> show{};
};

TEST_F(Curves, ListNamesAndColours) {
    EXPECT_STREQ(curve_names[0], "Background");
    EXPECT_STREQ(curve_names[10], "L-R LTAS");
    EXPECT_STREQ(curve_names[18], "L-R SLTAS (unused partial)");
    EXPECT_EQ(default_curve_colors[0], 0xFFFFFFu);
    EXPECT_EQ(default_curve_colors[2], 0xFF0000u);  // blue in 0x00BBGGRR
    EXPECT_EQ(default_curve_colors[6], 0x000080u);  // maroon
    EXPECT_EQ(default_curve_colors[17], 0xFF00FFu); // fuchsia
}

TEST_F(Curves, WhichAreDrawnAndInWhatOrder) {
    TAnalyser& a = *analyser;
    EXPECT_EQ(drawn(), (std::vector<int>{1}));
    a.set_ltas(true);
    a.set_sltas(true);
    a.set_freeze(true);
    EXPECT_EQ(drawn(), (std::vector<int>{4, 1})); // no average has a frame yet
    a.set_freeze(false);
    feed(sine(1000, 10));
    a.set_freeze(true);
    EXPECT_EQ(drawn(), (std::vector<int>{4, 1, 7, 15, 11}));
    a.dualchannels = true;
    EXPECT_EQ(drawn(), (std::vector<int>{5, 6, 2, 3, 8, 9, 10, 16, 17, 18, 12, 13, 14}));
    show[9] = false;
    show[0] = false; // the background is not a curve of this list
    EXPECT_EQ(drawn(), (std::vector<int>{5, 6, 2, 3, 8, 10, 16, 17, 18, 12, 13, 14}));
}

TEST_F(Curves, FailedValuesAreNaN) {
    TAnalyser& a = *analyser;
    a.set_ltas(true);
    feed(sine(1000, 10));
    tdoublearr v(256);
    ASSERT_TRUE(curve_levels(a, 7, 256, v));
    EXPECT_TRUE(std::isfinite(v[10]));
    a.ltas1[3] = 0.0;
    curve_levels(a, 7, 256, v);
    EXPECT_TRUE(std::isnan(v[3]));
    a.ltasdecayedcount = 0; // a division by zero
    curve_levels(a, 7, 256, v);
    EXPECT_TRUE(std::isnan(v[10]));
}

TEST_F(Curves, SltasStaircases) {
    TAnalyser& a = *analyser;
    a.sltasdecayedcount = 1;
    a.sltascount = 1;
    for (size_t i = 0; i < a.sltas1.size(); ++i) {
        a.sltas1[i] = tcomplex{static_cast<double>(i + 1), 0.0};
    }
    a.partialused.assign(a.sltas1.size(), false);
    a.partialused[2] = a.partialused[5] = true;
    tdoublearr v(8);
    ASSERT_TRUE(curve_levels(a, 11, 8, v));
    const auto level = [](double m) { return 20 * std::log10(m); };
    // Used: starts at the first used entry and holds each value to the next.
    EXPECT_DOUBLE_EQ(v[0], level(3));
    EXPECT_DOUBLE_EQ(v[4], level(3));
    EXPECT_DOUBLE_EQ(v[5], level(6));
    EXPECT_DOUBLE_EQ(v[7], level(6));
    ASSERT_TRUE(curve_levels(a, 15, 8, v));
    EXPECT_DOUBLE_EQ(v[0], level(1));
    EXPECT_DOUBLE_EQ(v[2], level(2)); // holds entry 1 over the used entry 2
    EXPECT_DOUBLE_EQ(v[3], level(4));
    a.partialused.assign(a.sltas1.size(), true);
    EXPECT_FALSE(curve_levels(a, 15, 8, v));
    a.partialused.back() = false; // only the last entry unused: still nothing to draw
    EXPECT_FALSE(curve_levels(a, 15, 8, v));
    a.partialused.clear(); // never played
    EXPECT_FALSE(curve_levels(a, 11, 8, v));
    EXPECT_TRUE(curve_levels(a, 15, 8, v) == false);
}

TEST_F(Curves, SltasLevelsAreOfTheModuliOverTheWeight) {
    TAnalyser& a = *analyser;
    a.sltasdecayedcount = 4;
    a.sltascount = 4;
    a.partialused.assign(a.sltas1.size(), true);
    a.partialused[3] = false;
    a.sltas1[2] = tcomplex{30.0, 40.0}; // modulus 50
    a.sltas2[2] = tcomplex{-6.0, 8.0};  // modulus 10
    tdoublearr v(4);
    ASSERT_TRUE(curve_levels(a, 12, 4, v));
    EXPECT_NEAR(v[2], 20 * std::log10(50.0 / 4), 1e-12);
    ASSERT_TRUE(curve_levels(a, 13, 4, v));
    EXPECT_NEAR(v[2], 20 * std::log10(10.0 / 4), 1e-12);
    ASSERT_TRUE(curve_levels(a, 14, 4, v));
    EXPECT_NEAR(v[2], 20 * std::log10(10.0 / 50), 1e-12);
    EXPECT_TRUE(std::isnan(v[0])); // 0 / 0
    // Entries beyond the arrays fail rather than being read.
    tdoublearr beyond(a.outdb1.size() + 3);
    ASSERT_TRUE(curve_levels(a, 1, beyond.size(), beyond));
    EXPECT_TRUE(std::isnan(beyond.back()));
}

} // namespace
} // namespace zevrin
