#include "engine_fixture.h"

#include "engine/measurement.h"

#include <gtest/gtest.h>

#include <cmath>

namespace zevrin {
namespace {

// 16000 Hz, 100 Hz, Hamming: N = 512, bins 31.25 Hz apart.
class Measurement : public ::testing::Test, public testing::EngineFixture {
protected:
    void SetUp() override {
        configure();
        analyser->prepare_frames();
        show.fill(true);
        colors = default_curve_colors;
    }
    double bin_hz() const { return 16000.0 / 512.0; }
    // A press at f (freehand level `pointer`) and a move to f2.
    void drag(double f1, double f2, double pointer = 0.0) {
        cursors.mousewasjustpressed = true;
        cursor_event(*analyser, cursors, true, f1, pointer);
        cursor_event(*analyser, cursors, true, f2, pointer);
    }
    TReadout readout() const { return measurement_readout(*analyser, cursors, show, colors); }

    TCursors cursors;
    std::array<bool, ncurves> show{};
    std::array<uint32_t, ncurves> colors{};
};

TEST_F(Measurement, SnapClimbsARisingCurveToTheSecondToLastBin) {
    TAnalyser& a = *analyser;
    for (size_t i = 0; i < a.outdb1.size(); ++i) {
        a.outdb1[i] = static_cast<double>(i);
    }
    a.set_interpolate(false);
    drag(100 * bin_hz(), 100 * bin_hz());
    EXPECT_TRUE(a.domeasure);
    EXPECT_DOUBLE_EQ(cursors.measurefreq, 510 * bin_hz());
    EXPECT_DOUBLE_EQ(cursors.measurelevel, 510.0);
    // Without snapping the cursor reads the bin under the pointer.
    a.set_snaptopeak(false);
    drag(100.4 * bin_hz(), 100.4 * bin_hz());
    EXPECT_DOUBLE_EQ(cursors.measurefreq, 100 * bin_hz());
    EXPECT_DOUBLE_EQ(cursors.measurelevel, 100.0);
}

// Snapping climbs right first, then left, and never onto the first entry or the last.
TEST_F(Measurement, SnapClimbsRightThenLeftWithinTheInnerBins) {
    TAnalyser& a = *analyser;
    a.set_interpolate(false);
    const auto set = [&](auto level) {
        for (size_t i = 0; i < a.outdb1.size(); ++i) {
            a.outdb1[i] = level(static_cast<double>(i));
        }
    };
    // Peaks at 100 (50 dB) and 300 (80 dB), a valley at 200.
    set([](double i) { return i < 200 ? 50 - std::abs(i - 100) / 4 : 80 - std::abs(i - 300) / 2; });
    drag(150 * bin_hz(), 150 * bin_hz()); // falling to the right: climbs left
    EXPECT_DOUBLE_EQ(cursors.measurefreq, 100 * bin_hz());
    EXPECT_DOUBLE_EQ(cursors.measurelevel, 50.0);
    drag(200 * bin_hz(), 200 * bin_hz()); // the valley: right comes first
    EXPECT_DOUBLE_EQ(cursors.measurefreq, 300 * bin_hz());
    EXPECT_DOUBLE_EQ(cursors.measurelevel, 80.0);
    // Falling from the first entry: the climb stops at bin 1.
    set([](double i) { return -i; });
    drag(100 * bin_hz(), 100 * bin_hz());
    EXPECT_DOUBLE_EQ(cursors.measurefreq, 1 * bin_hz());
    EXPECT_DOUBLE_EQ(cursors.measurelevel, -1.0);
    // A peak on the last entry is out of reach: the second-to-last bin.
    set([](double i) { return i == 511 ? 100 : (i == 510 ? 10 : 0); });
    drag(509 * bin_hz(), 509 * bin_hz());
    EXPECT_DOUBLE_EQ(cursors.measurefreq, 510 * bin_hz());
}

TEST_F(Measurement, InterpolationFindsTheVertexOfAParabola) {
    TAnalyser& a = *analyser;
    for (size_t i = 0; i < a.outdb1.size(); ++i) {
        const double d = static_cast<double>(i) - 100.3;
        a.outdb1[i] = 40.0 - 0.5 * d * d;
    }
    drag(97 * bin_hz(), 97 * bin_hz());
    EXPECT_NEAR(cursors.measurefreq, 100.3 * bin_hz(), 1e-9);
    EXPECT_NEAR(cursors.measurelevel, 40.0, 1e-9);
    // Three points on a line: no offset.
    std::fill(a.outdb1.begin(), a.outdb1.end(), 7.0);
    drag(50 * bin_hz(), 50 * bin_hz());
    EXPECT_DOUBLE_EQ(cursors.measurefreq, 50 * bin_hz());
    EXPECT_DOUBLE_EQ(cursors.measurelevel, 7.0);
}

// The spectrum is periodic in N, so the first entry's left neighbour is the last one
// and the last entry's right neighbour is the first.
TEST_F(Measurement, InterpolationAtTheEndsUsesTheNeighbourAcrossTheEnd) {
    TAnalyser& a = *analyser;
    std::fill(a.outdb1.begin(), a.outdb1.end(), 0.0);
    a.outdb1[0] = 10.0;
    a.outdb1[1] = 4.0;
    a.outdb1[511] = 4.0; // a real signal's mirror image
    drag(0.0, 0.0);
    EXPECT_DOUBLE_EQ(cursors.measurefreq, 0.0);
    EXPECT_DOUBLE_EQ(cursors.measurelevel, 10.0);
    a.outdb1[511] = 8.0;
    a.outdb1[510] = 2.0;
    a.outdb1[0] = 7.0;
    a.outdb1[1] = 0.0;
    drag(511 * bin_hz(), 511 * bin_hz()); // beyond fs / 2, on the last entry
    // y1 = 2, y2 = 8, y3 = 7: d = -5 / (2 * -7) = 5/14.
    EXPECT_NEAR(cursors.measurefreq, (511 + 5.0 / 14) * bin_hz(), 1e-9);
    EXPECT_NEAR(cursors.measurelevel, 8 + (5.0 / 14) * 2.5 + (25.0 / 196) * (4.5 - 8), 1e-9);
}

TEST_F(Measurement, NoBinNoMeasurement) {
    TAnalyser& a = *analyser;
    drag(1000, 1000);
    ASSERT_TRUE(a.domeasure);
    drag(9000 * 2, 9000 * 2); // beyond the last entry
    EXPECT_FALSE(a.domeasure);
    a.set_measurecurveno(10); // L-R cannot be measured
    drag(1000, 1000);
    EXPECT_FALSE(a.domeasure);
    TAnalyser fresh(*components); // no run yet: no spectrum
    TCursors c;
    c.mousewasjustpressed = true;
    cursor_event(fresh, c, true, 1000, 0);
    EXPECT_FALSE(fresh.domeasure);
    EXPECT_EQ(c.measurefreq, 0.0);
}

TEST_F(Measurement, LevelsOfTheAverages) {
    TAnalyser& a = *analyser;
    a.set_interpolate(false);
    a.set_snaptopeak(false);
    a.set_measurecurveno(7);
    drag(1000, 1000);
    EXPECT_TRUE(a.domeasure);
    EXPECT_EQ(cursors.measurelevel, failed_level); // before any LTAS frame
    a.ltas1[32] = 50.0;
    a.ltasdecayedcount = 5.0;
    drag(1000, 1000);
    EXPECT_DOUBLE_EQ(cursors.measurelevel, 20.0);
    a.set_measurecurveno(15);
    a.sltas1[32] = tcomplex{30.0, 40.0};
    a.sltasdecayedcount = 5.0;
    drag(1000, 1000);
    EXPECT_DOUBLE_EQ(cursors.measurelevel, 20.0);
}

TEST_F(Measurement, PressMovesBothCursorsAndADragOnlyTheSecond) {
    TAnalyser& a = *analyser;
    a.set_measurecurveno(0);
    cursors.mousewasjustpressed = true;
    cursor_event(a, cursors, true, 1000, -12.3);
    EXPECT_FALSE(cursors.mousewasjustpressed);
    cursor_event(a, cursors, true, 2000, -20.0);
    EXPECT_EQ(cursors.measuredownfreq, 1000);
    EXPECT_EQ(cursors.measuredownlevel, -12.3);
    EXPECT_EQ(cursors.measurefreq, 2000);
    EXPECT_EQ(cursors.measurelevel, -20.0);
    // Without the left button nothing moves, but a press is spent.
    cursors.mousewasjustpressed = true;
    cursor_event(a, cursors, false, 3000, 5.0);
    EXPECT_FALSE(cursors.mousewasjustpressed);
    EXPECT_EQ(cursors.measurefreq, 2000);
    EXPECT_EQ(cursors.measuredownfreq, 1000);
}

TEST_F(Measurement, ReadoutWithFourAndTwoNumbers) {
    TAnalyser& a = *analyser;
    a.dualchannels = true;
    a.set_measurecurveno(2);
    a.domeasure = true;
    cursors = TCursors{2000, -20.0, 1000, -12.3, false};
    TReadout r = readout();
    EXPECT_EQ(r.a, "f1=1000.0 Hz, f2=2000.0 Hz, f2-f1=1000.0 Hz, f2/f1=2.000");
    EXPECT_EQ(r.b, "Left levels -12.3 dB, -20.0 dB, Diff -7.7 dB");
    EXPECT_EQ(r.bcolor, 0xFF0000u);
    EXPECT_EQ(r.clipboardstr, "1000.0\t-12.3\t2000.0\t-20.0");
    // A press without moving: one point.
    cursors = TCursors{1000, -12.3, 1000, -12.3, false};
    r = readout();
    EXPECT_EQ(r.a, "f1=1000.0 Hz, f2=1000.0 Hz, f2-f1=0.0 Hz, f2/f1=1.000");
    EXPECT_EQ(r.b, "Left levels -12.3 dB, -12.3 dB, Diff 0.0 dB");
    EXPECT_EQ(r.clipboardstr, "1000.0\t-12.3");
    // Cursors on bins 1 and 3: their exact halves round away from zero.
    cursors = TCursors{3 * bin_hz(), -20.25, bin_hz(), -12.25, false};
    r = readout();
    EXPECT_EQ(r.a, "f1=31.3 Hz, f2=93.8 Hz, f2-f1=62.5 Hz, f2/f1=3.000");
    EXPECT_EQ(r.b, "Left levels -12.3 dB, -20.3 dB, Diff -8.0 dB");
    EXPECT_EQ(r.clipboardstr, "31.3\t-12.3\t93.8\t-20.3");
}

TEST_F(Measurement, FreehandAtZeroHasNoRatio) {
    TAnalyser& a = *analyser;
    a.set_measurecurveno(0);
    drag(0, 0, -12.3);
    const TReadout r = readout();
    EXPECT_EQ(r.a, "f1=0.0 Hz, f2=0.0 Hz, f2-f1=0.0 Hz");
    EXPECT_EQ(r.b, "Levels -12.3 dB, -12.3 dB, Diff 0.0 dB");
    EXPECT_EQ(r.bcolor, 0x000000u);
    EXPECT_EQ(r.clipboardstr, "0.0\t-12.3");
}

TEST_F(Measurement, LevelsOnlyWhileTheCaptureIsClosedAndTheCurveShown) {
    TAnalyser& a = *analyser;
    drag(1000, 2000);
    ASSERT_FALSE(readout().b.empty());
    show[1] = false;
    EXPECT_TRUE(readout().b.empty());
    EXPECT_TRUE(readout().clipboardstr.empty());
    EXPECT_FALSE(readout().a.empty());
    show[1] = true;
    a.RunExecute();
    ASSERT_TRUE(components->MPCRecord1.OwnBoard());
    EXPECT_TRUE(readout().b.empty());
    a.RunExecute();
    EXPECT_FALSE(readout().b.empty());
    a.domeasure = false; // a new frame ends the measurement
    EXPECT_TRUE(readout().b.empty());
    a.measure = false;
    a.domeasure = true;
    const TReadout off = readout();
    EXPECT_TRUE(off.a.empty());
    EXPECT_TRUE(off.b.empty());
    EXPECT_TRUE(off.clipboardstr.empty());
}

TEST_F(Measurement, MenuItemsFollowTheCurvesShownAndTheChannels) {
    EXPECT_EQ(measure_items.size(), 16u);
    EXPECT_STREQ(measure_items[0].caption, "Freehand");
    EXPECT_STREQ(measure_items[13].caption, "SLTAS (unused partials)");
    EXPECT_EQ(measure_items[13].curve, 15);
    EXPECT_TRUE(measure_item_visible(0, show, false));
    EXPECT_TRUE(measure_item_visible(7, show, false));
    EXPECT_FALSE(measure_item_visible(7, show, true));
    EXPECT_TRUE(measure_item_visible(8, show, true));
    EXPECT_FALSE(measure_item_visible(8, show, false));
    show[8] = false;
    EXPECT_FALSE(measure_item_visible(8, show, true));
    show[0] = false;
    EXPECT_TRUE(measure_item_visible(0, show, true));
}

} // namespace
} // namespace zevrin
