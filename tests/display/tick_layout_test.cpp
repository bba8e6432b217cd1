// Tick layout, label thinning and the placing of labels, with a fixed-pitch text
// measure (6 pixels a character, 10 high). No QApplication.

#include "display/axis_picture.h"
#include "display/tick_layout.h"
#include "dsp/numeric.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zevrin {
namespace {

TextExtent fixed_pitch(const std::string& text) {
    return TextExtent{6 * static_cast<int>(text.size()), 10};
}

std::vector<AxisTick> layout(const TickLayoutInput& in) {
    TickLayout l;
    l.compute(in, fixed_pitch);
    return l.ticks();
}

TickLayoutInput input(AxisScale s, int aim = 40, bool music = false) {
    return TickLayoutInput{s, s.lo, s.hi, music, aim};
}

std::vector<double> values(const std::vector<AxisTick>& ticks) {
    std::vector<double> v;
    for (const AxisTick& t : ticks) {
        v.push_back(t.value);
    }
    return v;
}

std::vector<std::string> kept_labels(const std::vector<AxisTick>& ticks) {
    std::vector<std::string> v;
    for (const AxisTick& t : ticks) {
        if (!t.text.empty()) {
            v.push_back(t.text);
        }
    }
    return v;
}

TEST(LinearTicks, WorkedExampleEndsOnTheLastPixel) {
    // nice_step(479) = 500 aims at 10 intervals; nice_step(800) = 1000.
    const auto ticks = layout(input(AxisScale{0, 8000, 480, false, false, false}, 50));
    ASSERT_EQ(ticks.size(), 10u);
    for (std::size_t i = 0; i < ticks.size(); ++i) {
        EXPECT_DOUBLE_EQ(ticks[i].value, 1000.0 * static_cast<double>(i));
        EXPECT_EQ(ticks[i].text, std::to_string(1000 * i));
    }
    EXPECT_EQ(ticks[0].position, 0);
    EXPECT_EQ(ticks[4].position, 240); // 239.5, rounded to even
    EXPECT_EQ(ticks[8].position, 479);
    EXPECT_EQ(ticks[9].position, 479);
}

TEST(LinearTicks, ZeroSpaceAimGivesThreeIntervalsWhateverTheSize) {
    for (const int extent : {50, 2000}) {
        const auto ticks = layout(input(AxisScale{0, 1, extent, true, false, false}, 0));
        EXPECT_EQ(values(ticks), (std::vector<double>{0, 0.5, 1, 1.5})) << extent;
        EXPECT_EQ(ticks.back().position, 0);
    }
}

TEST(LinearTicks, DegenerateRangesFallBackToThreeTicks) {
    // No range: step 0, three ticks at 0 labelled "0".
    const auto flat = layout(input(AxisScale{5, 5, 200, false, false, false}));
    ASSERT_EQ(flat.size(), 3u);
    EXPECT_EQ(flat[2].text, "0");
    // A reversed range has no step: 1 is used, and no tick fits.
    EXPECT_TRUE(layout(input(AxisScale{10, 0, 200, false, false, false})).empty());
}

TEST(LinearTicks, AnAimLongerThanTheAxisStepsByOneWithinTheCap) {
    // No interval fits: the step is 1, so 0..20 gets 22 ticks...
    EXPECT_EQ(layout(input(AxisScale{0, 20, 100, false, false, false}, 500)).size(), 22u);
    // ...and a range that would need millions gets none rather than exhausting memory.
    EXPECT_TRUE(layout(input(AxisScale{0, 1e9, 100, false, false, false}, 500)).empty());
}

TEST(LogTicks, SmallRatioGetsLinearValuesAtLogarithmicPositions) {
    const AxisScale s{100, 300, 200, false, false, true};
    const auto ticks = layout(input(s));
    // nice_step(199) = 200 aims at 5 intervals of nice_step(40) = 50.
    EXPECT_EQ(values(ticks), (std::vector<double>{100, 150, 200, 250, 300, 350}));
    EXPECT_EQ(ticks[1].position, value_to_pixel(s, 150));
    EXPECT_NE(ticks[1].position, 50);
}

TEST(LogTicks, DecimalStepsRunToTheFirstBeyondTheHighValue) {
    const AxisScale s{100, 500, 400, false, false, true};
    const auto ticks = layout(input(s));
    EXPECT_EQ(values(ticks), (std::vector<double>{200, 300, 400, 500, 600}));
    EXPECT_EQ(ticks.back().position, value_to_notclippedpixel(s, 600));
    EXPECT_GT(ticks.back().position, 399);
}

TEST(LogTicks, DecimalStepsCrossDecadesBelowOne) {
    const auto ticks = layout(input(AxisScale{0.05, 2, 2000, false, false, true}));
    const std::vector<double> expected = {0.06, 0.07, 0.08, 0.09, 0.1, 0.2, 0.3, 0.4,
                                          0.5,  0.6,  0.7,  0.8,  0.9, 1,   2,   3};
    ASSERT_EQ(ticks.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_NEAR(ticks[i].value, expected[i], expected[i] * 1e-12);
    }
    EXPECT_EQ(ticks[4].text, "0.1");
    EXPECT_EQ(ticks[9].text, "0.6");
}

// Classes claim space in the order 1, 2, 5, 3, 4, 8, 6, 7, 9, not in digit order.
TEST(LogTicks, FiveClaimsSpaceBeforeThreeAndFour) {
    // 1..10 over 36 pixels: 2 at 11, 3 at 17, 4 at 21, 5 at 24. In digit order 3 and 4
    // would fall to 2 and still block 5.
    EXPECT_EQ(kept_labels(layout(input(AxisScale{1, 10, 36, false, false, true}))),
              (std::vector<std::string>{"2", "5", "10"}));
    // 2.4..20 over 39 pixels, vertical: a kept label blocks its width (6 pixels a
    // character) even there, so 5 at 13 from the bottom keeps 3 at 4 away.
    EXPECT_EQ(kept_labels(layout(input(AxisScale{2.4, 20, 39, true, false, true}))),
              (std::vector<std::string>{"5", "10"}));
}

// A3..A5 over 241 pixels: 10 pixels a semitone, labels 12 wide. A, C, D, E claim space
// before F, G and B, so F yields to E and B to C and A.
TEST(MusicTicks, NaturalNotesOnlyThinnedByPitchClass) {
    const AxisScale s{220, 880, 241, false, false, true};
    const auto ticks = layout(input(s, 40, true));
    ASSERT_EQ(ticks.size(), 15u);
    for (const AxisTick& t : ticks) {
        EXPECT_FALSE(is_black_key(static_cast<int32_t>(round_even(freq_to_note(t.value)))));
    }
    EXPECT_EQ(ticks[0].position, 20);
    EXPECT_EQ(ticks[13].position, 240);
    EXPECT_EQ(ticks[14].position, 260);
    EXPECT_EQ(kept_labels(ticks), (std::vector<std::string>{"C4", "D4", "E4", "G4", "A4", "C5",
                                                            "D5", "E5", "G5", "A5"}));
}

TEST(MusicTicks, UnlimitedLowValueGivesNoTicks) {
    EXPECT_TRUE(layout(input(AxisScale{0, 1000, 200, false, false, true}, 40, true)).empty());
    EXPECT_TRUE(layout(input(AxisScale{-5, 1000, 200, true, false, true}, 40, true)).empty());
}

AxisPicture picture(const AxisPictureInput& in, const std::vector<AxisTick>& ticks) {
    AxisPicture p;
    plan_axis_picture(in, ticks, fixed_pitch, p);
    return p;
}

TEST(AxisPicture, LeftAxisRightAlignsLabelsOneTickAwayFromTheTicks) {
    const std::vector<AxisTick> ticks = {{0, 100, "10"}, {0, 3, "20"}, {0, 15, "30"}};
    const AxisPicture p = picture({tposition::posleft, 40, 200, 5, "[dB]"}, ticks);
    EXPECT_EQ(p.base, 35);
    EXPECT_EQ(p.caption_x, 0);
    EXPECT_EQ(p.axistextposition, 10);
    ASSERT_EQ(p.tick_lines.size(), 3u);
    EXPECT_EQ(p.tick_lines[0].x, 35);
    EXPECT_EQ(p.tick_lines[0].width, 5);
    // The label at 3 would reach into the caption; the one at 15 just clears it.
    ASSERT_EQ(p.labels.size(), 2u);
    EXPECT_EQ(p.labels[0].x, 35 - 5 - 12);
    EXPECT_EQ(p.labels[0].y, 95);
    EXPECT_EQ(p.labels[1].tick, 2);
}

TEST(AxisPicture, RightAxisWithoutCaptionUsesTheTopAndKeepsOffTheBottom) {
    const std::vector<AxisTick> ticks = {{0, 5, "1"}, {0, 194, "2"}, {0, 195, "3"}};
    const AxisPicture p = picture({tposition::posright, 40, 200, 5, ""}, ticks);
    EXPECT_FALSE(p.caption_shown);
    EXPECT_EQ(p.base, 0);
    ASSERT_EQ(p.labels.size(), 2u);
    EXPECT_EQ(p.labels[0].x, 6);
    EXPECT_EQ(p.labels[0].y, 0);
    EXPECT_EQ(p.labels[1].tick, 1);
}

TEST(AxisPicture, HorizontalLabelsStayClearOfTheCaption) {
    const auto ticks = layout(input(AxisScale{0, 8000, 480, false, false, false}, 50));
    const AxisPicture under = picture({tposition::posunder, 480, 25, 5, "[Hz]"}, ticks);
    EXPECT_EQ(under.caption_x, 480 - 24);
    EXPECT_EQ(under.caption_y, 5);
    // "0" would start left of the axis; 8000 and 9000 reach the caption.
    std::vector<int> shown;
    for (const PlacedLabel& l : under.labels) {
        shown.push_back(l.tick);
        EXPECT_EQ(l.y, 5);
    }
    EXPECT_EQ(shown, (std::vector<int>{1, 2, 3, 4, 5, 6, 7}));
    const AxisPicture over = picture({tposition::posover, 480, 25, 5, "[Hz]"}, ticks);
    EXPECT_EQ(over.base, 20);
    EXPECT_EQ(over.caption_y, 10);
    EXPECT_EQ(over.labels[0].y, 10);
    EXPECT_EQ(over.tick_lines[1].y, 20);
    EXPECT_EQ(over.tick_lines[1].height, 5);
}

// Linear labels that would crowd keep every k-th step, k = 1, 2, 5, 10, ..., counted
// from zero: evenly spaced round numbers, each a blank clear of the next.
TEST(LinearTicks, CrowdedLabelsKeepAnEvenStrideFromZero) {
    // 0 .. 5512.5 Hz over 780 pixels: 200 Hz steps 28.3 pixels apart; "1000" at 9
    // pixels a character and a blank need 45, so every other step is labelled.
    const auto wide = [](const std::string& text) {
        return TextExtent{9 * static_cast<int>(text.size()), 10};
    };
    TickLayout l;
    l.compute(input(AxisScale{0, 5512.5, 780, false, false, false}, 50), wide);
    const std::vector<AxisTick>& ticks = l.ticks();
    ASSERT_EQ(ticks.size(), 29u);
    for (std::size_t i = 0; i < ticks.size(); ++i) {
        EXPECT_EQ(ticks[i].text.empty(), i % 2 == 1) << i;
    }
    EXPECT_EQ(ticks[6].text, "1200");
    // -250 .. 250 over 300 pixels in steps of 10, 6 pixels apart: labels of up to four
    // characters and a blank need 30, so the stride is 5 (not 3, which would fit).
    const auto values = layout(input(AxisScale{-250, 250, 300, false, false, false}, 5));
    ASSERT_NEAR(values[1].value - values[0].value, 10, 1e-9);
    EXPECT_EQ(kept_labels(values),
              (std::vector<std::string>{"-250", "-200", "-150", "-100", "-50", "0", "50", "100",
                                        "150", "200", "250"}));
    // Stacked labels may touch: 20 dB steps 12 pixels apart with labels 10 high all
    // stay; 8 apart keep the multiples of 40. (120 lies beyond the range, on the end
    // pixel, where it is never painted.)
    const auto levels = [](int extent, int aim) {
        return kept_labels(layout(input(AxisScale{-40, 100, extent, true, false, false}, aim)));
    };
    EXPECT_EQ(levels(85, 12),
              (std::vector<std::string>{"-40", "-20", "0", "20", "40", "60", "80", "100", "120"}));
    EXPECT_EQ(levels(57, 6), (std::vector<std::string>{"-40", "0", "40", "80", "120"}));
}

// What the layout keeps is what is painted, unless it would leave the axis or meet
// the caption.
TEST(AxisPicture, PaintsEveryLabelTheLayoutKeeps) {
    // Note names may touch: A, C, D, E, G 10 pixels a semitone apart, 12 wide.
    const auto ticks = layout(input(AxisScale{220, 880, 241, false, false, true}, 40, true));
    const AxisPicture p = picture({tposition::posunder, 241, 25, 5, ""}, ticks);
    std::vector<std::string> painted;
    for (const PlacedLabel& l : p.labels) {
        painted.push_back(ticks[static_cast<std::size_t>(l.tick)].text);
    }
    EXPECT_EQ(painted,
              (std::vector<std::string>{"C4", "D4", "E4", "G4", "A4", "C5", "D5", "E5", "G5"}));
}

} // namespace
} // namespace zevrin
