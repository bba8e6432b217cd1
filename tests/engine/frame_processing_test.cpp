#include "engine_fixture.h"

#include "engine/curves.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numeric>

namespace zevrin {
namespace {

using testing::EngineFixture;

class FrameLength : public ::testing::Test, public EngineFixture {};

TEST_F(FrameLength, FollowsBandwidthAndWindow) {
    TAnalyser& a = *analyser;
    configure(16000, 100, TFFTWindow::Hamming);
    a.prepare_frames();
    EXPECT_EQ(a.inre1.size(), 320u);
    EXPECT_EQ(components->FFT1.FFTSize(), 512);
    EXPECT_EQ(a.ltas1.size(), 512u);
    EXPECT_EQ(components->MPCRecord1.nChunkSamples(), 320);
    EXPECT_EQ(components->MPCRecord1.sfTot(), 16000);
    EXPECT_EQ(components->MPCRecord1.nBuffers(), 32);
    EXPECT_EQ(a.statustext(0), "BW:100Hz Hamming, 20 ms");
    EXPECT_DOUBLE_EQ(a.taxis_high(), 20.0);

    configure(16000, 100, TFFTWindow::rectangle);
    a.prepare_frames();
    EXPECT_EQ(a.inre1.size(), 160u);
    EXPECT_EQ(components->FFT1.FFTSize(), 256);

    configure(11025, 50, TFFTWindow::Blackman);
    a.prepare_frames();
    EXPECT_EQ(a.inre1.size(), 662u); // Round(661.5), half to even
    EXPECT_EQ(components->FFT1.FFTSize(), 1024);
    EXPECT_EQ(a.statustext(0), "BW:50Hz Blackman, 60 ms");

    a.set_usesltas(true);
    a.sltaspoints = 4096;
    a.prepare_frames();
    EXPECT_EQ(a.inre1.size(), 4096u);
    EXPECT_EQ(components->FFT1.FFTSize(), 4096);
    EXPECT_EQ(a.statustext(0), "BW:50Hz Blackman, 371.5 ms");
}

TEST_F(FrameLength, DualChunksHoldBothChannelsAndAveragesSurviveARestart) {
    TAnalyser& a = *analyser;
    configure();
    a.dualchannels = true;
    a.prepare_frames();
    EXPECT_EQ(components->MPCRecord1.nChans(), 2);
    EXPECT_EQ(components->MPCRecord1.sfTot(), 32000);
    EXPECT_EQ(components->MPCRecord1.nChunkSamples(), 640);
    a.set_ltas(true);
    feed(sine(1000, 16), sine(500, 16));
    const double kept = a.ltas1[16];
    EXPECT_GT(kept, 0.0);
    a.prepare_frames();
    EXPECT_EQ(a.ltas1[16], kept);
    EXPECT_EQ(a.ltascount, 1);
}

TEST_F(FrameLength, BandwidthAboveTheRateFailsBeforeOpening) {
    TAnalyser& a = *analyser;
    configure(16000, 20000, TFFTWindow::rectangle);
    EXPECT_THROW(a.RunExecute(), EFFTError);
    EXPECT_TRUE(a.running());
    EXPECT_TRUE(a.runButton_down);
    EXPECT_FALSE(components->MPCRecord1.OwnBoard());
    a.RunExecute(); // the next command stops
    EXPECT_FALSE(a.running());
}

class Exclusion : public ::testing::Test, public EngineFixture {
protected:
    void SetUp() override {
        configure();
        analyser->prepare_frames();
    }
    std::vector<double> clipped() const {
        auto frame = sine(1000, 10);
        frame[100] = 32767;
        return frame;
    }
};

TEST_F(Exclusion, OneClippedSampleExcludesThreeFrames) {
    TAnalyser& a = *analyser;
    a.set_ltas(true);
    feed(clipped());
    EXPECT_TRUE(a.exclude);
    EXPECT_EQ(a.statustext(2), "Excluded (overloaded)");
    feed(sine(1000, 10));
    EXPECT_EQ(a.statustext(2), "Excluded");
    feed(sine(1000, 10));
    EXPECT_EQ(a.statustext(2), "Excluded");
    EXPECT_EQ(a.excluded, 3);
    EXPECT_EQ(a.ltascount, 0);
    feed(sine(1000, 10));
    EXPECT_FALSE(a.exclude);
    EXPECT_EQ(a.statustext(2), "");
    EXPECT_EQ(a.taken, 1);
    EXPECT_EQ(a.ltascount, 1);
    EXPECT_EQ(a.statustext(1), "1 taken, 3 excluded, 0 skipped");
}

TEST_F(Exclusion, HoldWaitsForAnAverage) {
    TAnalyser& a = *analyser;
    feed(clipped());
    feed(sine(1000, 10));
    EXPECT_EQ(a.excluded, 0);
    EXPECT_EQ(a.statustext(2), "");
    EXPECT_EQ(a.excludehold, 3);
    EXPECT_EQ(a.powercount, 0); // excluded frames stay out of the power average
    a.set_ltas(true);
    for (int i = 0; i < 3; ++i) {
        feed(sine(1000, 10));
        EXPECT_TRUE(a.exclude) << i;
    }
    feed(sine(1000, 10));
    EXPECT_FALSE(a.exclude);
    EXPECT_EQ(a.excluded, 3);
}

TEST_F(Exclusion, OverloadIsFoundWithTheHighPassOff) {
    TAnalyser& a = *analyser;
    a.set_highpass(false);
    a.set_ltas(true);
    feed(clipped());
    EXPECT_TRUE(a.exclude);
    EXPECT_EQ(a.statustext(2), "Excluded (overloaded)");
}

TEST_F(Exclusion, HighPowerAfterWarmUp) {
    TAnalyser& a = *analyser;
    a.set_excludehighpower(true);
    a.set_excludedblimit(6);
    a.set_ltas(true);
    feed(sine(8000, 10)); // loud, but no test before 11 frames
    EXPECT_FALSE(a.exclude);
    for (int i = 0; i < 10; ++i) {
        feed(sine(1000, 10));
    }
    EXPECT_EQ(a.powercount, 11);
    // The average power is that of 10 frames at 1000 and one at 8000: (10 + 64) / 11
    // of a 1000 frame; 4.3 times that in amplitude is above 6 dB, 3.9 times is not.
    const double avg = std::sqrt(74.0 / 11.0);
    feed(sine(1000 * avg * std::pow(10, 6.2 / 20), 10));
    EXPECT_TRUE(a.exclude);
    EXPECT_EQ(a.statustext(2), "Excluded");
    feed(sine(1000, 10));
    feed(sine(1000, 10));
    EXPECT_TRUE(a.exclude);
    EXPECT_EQ(a.powercount, 11); // excluded frames never raise the average
    feed(sine(1000 * avg * std::pow(10, 5.9 / 20), 10));
    EXPECT_FALSE(a.exclude);
    EXPECT_EQ(a.excluded, 3);
}

TEST_F(Exclusion, SilentHistoryDoesNotExcludeSound) {
    TAnalyser& a = *analyser;
    a.set_excludehighpower(true);
    a.set_ltas(true);
    for (int i = 0; i < 12; ++i) {
        feed(std::vector<double>(320, 0.0));
    }
    feed(sine(1000, 10));
    EXPECT_FALSE(a.exclude);
    for (double v : a.ltas1) {
        EXPECT_TRUE(std::isfinite(v));
    }
}

class Processing : public ::testing::Test, public EngineFixture {
protected:
    void SetUp() override {
        configure();
        analyser->prepare_frames();
    }
};

TEST_F(Processing, FreezeKeepsTheFrameBeforeLast) {
    TAnalyser& a = *analyser;
    feed(sine(1000, 10));
    const tdoublearr first = a.outdb1;
    feed(sine(1000, 20));
    EXPECT_EQ(a.outdb1a, first);
    a.Freeze1Execute();
    EXPECT_TRUE(a.freeze());
    EXPECT_TRUE(a.freezeButton_down);
    feed(sine(1000, 30));
    EXPECT_EQ(a.outdb1a, first);
    EXPECT_GT(a.outdb1[30], a.outdb1[20] + 40);
}

TEST_F(Processing, DecayWeightsAndTheirText) {
    TAnalyser& a = *analyser;
    a.ltasdecay = true;
    a.set_ltasdecaytime(10);
    EXPECT_NEAR(a.ltasdecayfactor, 0.98628, 1e-5);
    a.set_ltas(true);
    for (int i = 0; i < 1500; ++i) {
        feed(sine(1000, 10));
    }
    EXPECT_NEAR(a.ltasdecayedcount, 1 / (1 - a.ltasdecayfactor), 1e-6);
    EXPECT_EQ(a.statustext(1), "Equiv. of 72.9 taken");
    // Without decay the factor is exactly 1 and the weight counts the frames.
    a.ltasdecay = false;
    a.set_ltasdecaytime(10);
    EXPECT_EQ(a.ltasdecayfactor, 1.0);
    a.ltasdecay = true;
    a.set_ltasdecaytime(0);
    EXPECT_EQ(a.ltasdecayfactor, 1.0);
}

TEST_F(Processing, SltasWithDecayReportsTheLtasWeight) {
    TAnalyser& a = *analyser;
    a.ltasdecay = true;
    a.sltasdecay = true;
    a.set_sltasdecaytime(5);
    a.set_sltas(true);
    feed(sine(1000, 10));
    EXPECT_EQ(a.sltascount, 1);
    EXPECT_EQ(a.statustext(1), "Equiv. of 0.0 taken");
}

TEST_F(Processing, FilteredSamplesAreClampedNotWrapped) {
    TAnalyser& a = *analyser;
    std::vector<double> frame(320);
    for (size_t i = 0; i < frame.size(); ++i) {
        frame[i] = (i / 40) % 2 ? 32767 : -32768;
    }
    const TWaveChunk out = feed(frame);
    for (size_t i = 40; i < out.size(); i += 80) {
        EXPECT_GT(out[i], 30000) << i; // the jump upwards stays positive
    }
    EXPECT_EQ(a.inre1[40], out[40]);
}

TEST_F(Processing, SteadySineLtasEqualsCurrentInDualMode) {
    TAnalyser& a = *analyser;
    a.set_highpass(false); // its settling would make the frames differ
    a.dualchannels = true;
    a.prepare_frames();
    a.set_ltas(true);
    for (int k = 0; k < 20; ++k) {
        feed(sine(10000, 32), sine(1000, 64));
    }
    EXPECT_EQ(a.ltascount, 20);
    tdoublearr left(256), current(256), lr(256), right(256);
    curve_levels(a, 8, 256, left);
    curve_levels(a, 2, 256, current);
    curve_levels(a, 10, 256, lr);
    curve_levels(a, 9, 256, right);
    EXPECT_NEAR(left[32], current[32], 1e-9);
    EXPECT_NEAR(left[32], 20 * std::log10(10000 * 0.54 / 2), 0.05); // Hamming's coherent gain
    // L-R: right relative to left, bin by bin.
    EXPECT_NEAR(lr[64], right[64] - left[64], 1e-9);
    EXPECT_LT(lr[32], -40);
}

TEST_F(Processing, LostChunksAreSkippedFrames) {
    TAnalyser& a = *analyser;
    a.MPCRecord1Lost(2);
    EXPECT_EQ(a.skipped, 0); // no average: nothing was skipped from one
    a.set_ltas(true);
    feed(sine(1000, 10));
    a.MPCRecord1Lost(2);
    EXPECT_EQ(a.skipped, 2);
    EXPECT_EQ(a.statustext(1), "1 taken, 0 excluded, 2 skipped");
    a.clearltasExecute();
    EXPECT_EQ(a.skipped, 0);
    EXPECT_EQ(a.ltascount, 0);
    EXPECT_EQ(a.ltas1[10], 0.0);
}

TEST_F(Processing, ShortChunkFillsOnlyTheFirstEntries) {
    TAnalyser& a = *analyser;
    a.set_highpass(false);
    feed(std::vector<double>(320, 7.0));
    TWaveChunk chunk(320, 100);
    bool last = false;
    a.MPCRecord1Fetch(chunk, 100, last);
    EXPECT_FALSE(last);
    EXPECT_EQ(a.inre1[99], 100.0);
    EXPECT_EQ(a.inre1[100], 7.0);
    EXPECT_EQ(a.inre1[319], 7.0);
    EXPECT_EQ(a.inre1a, tdoublearr(320, 7.0));
}

// The frozen copies take the previous frame's arrays in both channels, also when the
// frame before was short, and the current arrays then hold only the new frame's values.
TEST_F(Processing, FrozenCopiesFollowBothChannelsFrameByFrame) {
    TAnalyser& a = *analyser;
    a.dualchannels = true;
    a.prepare_frames();
    feed(sine(1000, 10), sine(2000, 20));
    const tdoublearr in1 = a.inre1, in2 = a.inre2, db1 = a.outdb1, db2 = a.outdb2;
    TWaveChunk chunk(640, -300);
    bool last = false;
    a.MPCRecord1Fetch(chunk, 200, last); // 100 values per channel
    EXPECT_EQ(a.inre1a, in1);
    EXPECT_EQ(a.inre2a, in2);
    EXPECT_EQ(a.outdb1a, db1);
    EXPECT_EQ(a.outdb2a, db2);
    const tdoublearr in1b = a.inre1, in2b = a.inre2, db2b = a.outdb2;
    EXPECT_EQ(std::vector<double>(in2b.begin() + 100, in2b.end()),
              std::vector<double>(in2.begin() + 100, in2.end()));
    EXPECT_NE(db2b, db2);
    feed(sine(3000, 30), sine(3000, 40));
    EXPECT_EQ(a.inre1a, in1b);
    EXPECT_EQ(a.inre2a, in2b);
    EXPECT_EQ(a.outdb2a, db2b);
    // Mono: the right channel's arrays are not transformed, and their copies follow them.
    a.dualchannels = false;
    a.prepare_frames();
    const tdoublearr right = a.outdb2;
    feed(sine(1000, 10));
    feed(sine(1000, 10));
    EXPECT_EQ(a.outdb2a, right);
    EXPECT_EQ(a.outdb2, right);
}

} // namespace
} // namespace zevrin
