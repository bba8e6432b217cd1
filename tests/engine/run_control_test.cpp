#include "engine_fixture.h"

#include "audio/wave_component.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>

namespace zevrin {
namespace {

class RunControl : public ::testing::Test, public testing::EngineFixture {
protected:
    void SetUp() override {
        configure();
        analyser->OnChange = [this](TAnalyserChange c) {
            changes.push_back(c);
            if (c == TAnalyserChange::status_now) {
                progress.push_back(analyser->statustext(2));
            }
        };
    }
    std::vector<TAnalyserChange> changes;
    std::vector<std::string> progress;
};

TEST_F(RunControl, RunCapturesOneFrameOfEveryChannelPerChunk) {
    TAnalyser& a = *analyser;
    a.dualchannels = true;
    a.set_ltas(true);
    a.RunExecute();
    EXPECT_TRUE(a.running());
    EXPECT_TRUE(a.runButton_down);
    EXPECT_FALSE(a.settings_enabled());
    ASSERT_TRUE(loopback->input_format().has_value());
    EXPECT_EQ(loopback->input_format()->rate, 16000);
    EXPECT_EQ(loopback->input_format()->channels, 2);
    EXPECT_EQ(components->MPCRecord1.nBuffers(), 32);
    advance(320 * 3);
    EXPECT_EQ(a.ltascount, 3);
    a.RunExecute();
    EXPECT_FALSE(a.running());
    EXPECT_TRUE(a.settings_enabled());
    EXPECT_FALSE(components->MPCRecord1.OwnBoard());
    advance(320 * 3);
    EXPECT_EQ(a.ltascount, 3); // nothing after Stop
    EXPECT_NE(std::find(changes.begin(), changes.end(), TAnalyserChange::actions), changes.end());
}

TEST_F(RunControl, CaptureFailureLeavesTheButtonAsTheBoardIs) {
    TAnalyser& a = *analyser;
    loopback->set_fault(TLoopbackFault::open);
    try {
        a.RunExecute();
        FAIL() << "no error";
    } catch (const EMPCError& e) {
        EXPECT_EQ(std::string(e.what()).rfind("waveinOpen:", 0), 0u) << e.what();
    }
    EXPECT_TRUE(a.running());
    EXPECT_FALSE(a.runButton_down);
    a.RunExecute();
    EXPECT_FALSE(a.running());
    a.RunExecute(); // and the program can start again
    EXPECT_TRUE(components->MPCRecord1.OwnBoard());
    a.FormCloseQuery();
    EXPECT_FALSE(components->MPCRecord1.OwnBoard());
}

TEST_F(RunControl, PlayingBuildsThePeriodAndFeedsItWithoutAGap) {
    TAnalyser& a = *analyser;
    a.sltaspoints = 4096;
    a.partialpattern = 4;
    a.singlesinusfreq = 1000;
    a.set_playing(true);
    EXPECT_TRUE(a.playing());
    EXPECT_TRUE(a.playbutton_down);
    EXPECT_FALSE(a.settings_enabled());
    EXPECT_EQ(loopback->output_format()->rate, 16000);
    EXPECT_EQ(loopback->output_format()->channels, 1);
    EXPECT_EQ(std::count(a.partialused.begin(), a.partialused.end(), true), 4096);
    const auto peak = *std::max_element(a.stasharr.begin(), a.stasharr.end());
    EXPECT_GE(peak, 32765);
    // Progress every 100 samples, then 100 %, then the panel is cleared.
    ASSERT_GE(progress.size(), 3u);
    EXPECT_EQ(progress.front(), "0%");
    EXPECT_EQ(progress[1], "2.442%");
    EXPECT_EQ(progress.back(), "100%");
    EXPECT_EQ(a.statustext(2), "");
    a.set_playing(false);
    EXPECT_FALSE(components->MPCPlay1.OwnBoard());
    EXPECT_TRUE(a.settings_enabled());
}

TEST_F(RunControl, FeedWrapsAroundThePeriod) {
    TAnalyser& a = *analyser;
    a.stasharr = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
    a.stashcount = 0;
    TWaveChunk chunk(10);
    int used = 10;
    bool last = false;
    a.MPCPlay1Stash(chunk, used, last);
    EXPECT_EQ(chunk, (TWaveChunk{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    used = 6;
    a.MPCPlay1Stash(chunk, used, last);
    EXPECT_EQ(a.stashcount, 0);
    EXPECT_EQ(chunk, (TWaveChunk{11, 12, 13, 14, 15, 0, 7, 8, 9, 10}));
    used = 1;
    a.MPCPlay1Stash(chunk, used, last);
    EXPECT_EQ(chunk[0], 1);
    EXPECT_EQ(used, 1);
    EXPECT_FALSE(last);
}

TEST_F(RunControl, NoPartialPlaysSilenceAndSaysSo) {
    TAnalyser& a = *analyser;
    a.sltaspoints = 64;
    a.partialpattern = 9;
    a.set_playing(true);
    EXPECT_TRUE(
        std::all_of(a.stasharr.begin(), a.stasharr.end(), [](int16_t v) { return v == 0; }));
    EXPECT_EQ(a.statustext(2), "No partial: silence");
    EXPECT_TRUE(components->MPCPlay1.OwnBoard());
}

TEST_F(RunControl, PlaybackFailureLeavesPlayingOn) {
    TAnalyser& a = *analyser;
    a.sltaspoints = 256;
    loopback->set_fault(TLoopbackFault::open);
    try {
        a.set_playing(true);
        FAIL() << "no error";
    } catch (const EMPCError& e) {
        EXPECT_EQ(std::string(e.what()).rfind("WaveOutOpen:", 0), 0u) << e.what();
    }
    EXPECT_TRUE(a.playing());
    EXPECT_FALSE(a.playbutton_down);
    a.playactionExecute(); // the stop branch
    EXPECT_FALSE(a.playing());
    EXPECT_TRUE(a.settings_enabled());
}

// A device that stops while running (the sound server died, the card was pulled)
// ends the run it belonged to, so that the buttons, Settings and the next Run tell and
// do what is true; an error of a frame's handler, with the device still running, ends
// nothing.
TEST_F(RunControl, ADeviceThatFailsWhileRunningEndsItsRunAndOneRunStartsAgain) {
    TAnalyser& a = *analyser;
    a.sltaspoints = 256;
    a.set_ltas(true);
    a.set_playing(true);
    a.RunExecute();
    advance(320 * 2);
    ASSERT_EQ(a.ltascount, 2);
    loopback->set_fault(TLoopbackFault::running);
    loopback->advance(320);
    try {
        a.pump_capture();
        FAIL() << "no error";
    } catch (const EMPCError& e) {
        EXPECT_EQ(std::string(e.what()).rfind("waveinWrite:", 0), 0u) << e.what();
    }
    EXPECT_FALSE(a.running());
    EXPECT_FALSE(a.runButton_down);
    EXPECT_FALSE(a.settings_enabled()); // the playback has not told yet
    EXPECT_THROW(a.pump_playback(), EMPCError);
    EXPECT_FALSE(a.playing());
    EXPECT_FALSE(a.playbutton_down);
    EXPECT_TRUE(a.settings_enabled());
    EXPECT_EQ(changes.back(), TAnalyserChange::actions);

    a.RunExecute();
    EXPECT_TRUE(a.running());
    EXPECT_TRUE(components->MPCRecord1.OwnBoard());
    advance(320);
    EXPECT_EQ(a.ltascount, 3);

    a.OnChange = [](TAnalyserChange) { throw std::runtime_error("a handler failed"); };
    loopback->advance(320);
    EXPECT_THROW(a.pump_capture(), std::runtime_error);
    a.OnChange = nullptr;
    EXPECT_TRUE(a.running());
    EXPECT_TRUE(components->MPCRecord1.OwnBoard());
}

TEST_F(RunControl, LeavingSltasModeClearsTheAverage) {
    TAnalyser& a = *analyser;
    a.prepare_frames();
    a.set_usesltas(true);
    a.set_sltas(true);
    feed(sine(1000, 8));
    EXPECT_EQ(a.sltascount, 1);
    a.set_usesltas(false);
    EXPECT_FALSE(a.sltas());
    EXPECT_FALSE(a.SLTASbutton_down);
    EXPECT_EQ(a.sltascount, 0);
    EXPECT_EQ(a.sltas1[8].re, 0.0);
}

TEST_F(RunControl, AutoAxisFollowsTheRate) {
    TAnalyser& a = *analyser;
    a.sampfreq = 44100;
    a.set_autoxaxis(true);
    EXPECT_EQ(a.fmax(), 22050);
    a.set_autoxaxis(false);
    a.sampfreq = 8000;
    a.set_autoxaxis(false);
    EXPECT_EQ(a.fmax(), 22050);
}

} // namespace
} // namespace zevrin
