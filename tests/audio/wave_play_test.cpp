#include "audio/wave_play.h"
#include "audio/wave_record.h"
#include "loopback_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace zevrin {
namespace {

using test::error_of;
using test::ramp;
using Values = std::vector<int16_t>;

const std::string simulated = "The virtual loopback failed on purpose (simulated fault).";

// A playback of 64-value chunks in a ring of 4 on a manual loopback whose input is
// tapped; OnStash continues the ramp, and the handler's calls are logged.
struct Playback : ::testing::Test {
    static constexpr int chunk = 64;
    TVirtualLoopback loop;
    TMPCPlay play{loop};
    std::unique_ptr<test::TInputTap> tap;
    std::vector<std::string> log;
    int64_t next = 0;

    Playback() {
        play.set_nChunkSamples(chunk);
        play.OnClosed = [this] { log.push_back("close"); };
        play.OnLost = [this](int n) { log.push_back("lost " + std::to_string(n)); };
        play.OnStash = [this](TWaveChunk& arr, int& used, bool&) {
            log.push_back("stash " + std::to_string(used));
            fill(arr, used);
        };
    }
    void fill(TWaveChunk& arr, int used) {
        for (int i = 0; i < used; ++i) {
            arr[static_cast<size_t>(i)] = test::ramp_value(next++);
        }
    }
    void listen(int channels = 1) { tap = std::make_unique<test::TInputTap>(loop, channels); }
    // n values the input heard from value number `from` on.
    Values heard(size_t from, size_t n) const {
        const auto& v = tap->values;
        return Values(v.begin() + static_cast<ptrdiff_t>(std::min(from, v.size())),
                      v.begin() + static_cast<ptrdiff_t>(std::min(from + n, v.size())));
    }
};

TEST_F(Playback, FillsTheWholeRingBeforeStartingThenRefillsInOrder) {
    listen();
    std::vector<int64_t> done;
    play.OnMsg = [&](TMPCMessage& m) {
        if (m.Msg == MM_WOM_DONE) {
            done.push_back(m.dwUser);
        }
    };
    play.Run();
    EXPECT_EQ(loop.output_format()->rate, 16000);
    EXPECT_EQ(loop.output_format()->channels, 1);
    EXPECT_EQ(log, std::vector<std::string>(4, "stash 64"));
    for (int i = 0; i < 10; ++i) {
        loop.advance(chunk);
        play.pump();
    }
    EXPECT_EQ(done, (std::vector<int64_t>{0, 1, 2, 3, 0, 1, 2, 3, 0, 1}));
    EXPECT_EQ(log.size(), 14u);
    EXPECT_EQ(tap->values, ramp(0, 10 * chunk));
}

TEST_F(Playback, UsedZeroFirstPlaysOneSilentFrameAndCloses) {
    listen(2);
    play.set_nChans(2);
    play.set_sfTot(32000);
    int calls = 0;
    play.OnStash = [&](TWaveChunk& arr, int& used, bool&) {
        ++calls;
        std::fill(arr.begin(), arr.end(), int16_t{999});
        used = 0;
    };
    play.Run();
    loop.advance(1);
    play.pump();
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(play.OwnBoard());
    EXPECT_EQ(log, std::vector<std::string>{"close"});
    EXPECT_EQ(tap->values, (Values{0, 0}));
}

TEST_F(Playback, LastPlaysEverythingUpToTheMarkedChunk) {
    listen();
    play.set_nChunkSamples(2000);
    play.OnStash = [&](TWaveChunk& arr, int& used, bool& last) {
        log.push_back("stash");
        used = 1000;
        fill(arr, used);
        last = log.size() == 2;
    };
    play.Run();
    EXPECT_EQ(log.size(), 2u) << "no chunk is filled after the last one";
    loop.advance(1999);
    play.pump();
    EXPECT_TRUE(play.OwnBoard()) << "the last value has not been played yet";
    loop.advance(101);
    play.pump();
    EXPECT_FALSE(play.OwnBoard());
    EXPECT_EQ(log.back(), "close");
    EXPECT_EQ(heard(0, 2000), ramp(0, 2000));
    EXPECT_EQ(heard(2000, 100), Values(100, 0));
}

TEST_F(Playback, VolumeWordsAndGain) {
    EXPECT_EQ(play.LeftVolume(), 0xFFFF);
    EXPECT_EQ(play.RightVolume(), 0xFFFF);
    play.set_BothVolume(0x8000);
    EXPECT_EQ(play.LeftVolume(), 0x8000);
    EXPECT_EQ(play.RightVolume(), 0x8000);
    play.set_LeftVolume(0x1234);
    EXPECT_EQ(play.LeftVolume(), 0x1234);
    EXPECT_EQ(play.RightVolume(), 0x8000);

    listen(2);
    play.set_nChans(2);
    play.set_sfTot(32000);
    play.OnStash = [](TWaveChunk& arr, int& used, bool&) {
        for (int i = 0; i < used; i += 2) {
            arr[static_cast<size_t>(i)] = 30000;
            arr[static_cast<size_t>(i) + 1] = -30000;
        }
    };
    play.Run();
    loop.advance(2);
    play.set_RightVolume(0);
    play.set_LeftVolume(0xFFFF);
    loop.advance(1);
    // round(30000 x 0x1234 / 65535), round(-30000 x 0x8000 / 65535), then 30000 and 0
    EXPECT_EQ(tap->values, (Values{2133, -15000, 2133, -15000, 30000, 0}));
}

// A stereo handler that returns an odd count: the half frame is completed with silence
// on the right, and every later frame keeps left on the left. A chunk that is itself no
// whole number of frames loses its last value instead.
TEST_F(Playback, OddCountsInStereoKeepTheChannelsInPlace) {
    listen(2);
    play.set_nChans(2);
    play.set_sfTot(32000);
    int16_t frame = 0;
    play.OnStash = [&](TWaveChunk& arr, int& used, bool&) {
        used = 63; // 31 frames and the left value of a 32nd
        for (int i = 0; i < used; ++i) {
            const auto left = static_cast<int16_t>(1000 + frame + i / 2);
            arr[static_cast<size_t>(i)] = i % 2 == 0 ? left : static_cast<int16_t>(-left);
        }
        frame = static_cast<int16_t>(frame + 32);
    };
    play.Run();
    for (int c = 0; c < 8; ++c) {
        loop.advance(32);
        play.pump();
    }
    Values expected;
    for (int f = 0; f < 8 * 32; ++f) {
        expected.push_back(static_cast<int16_t>(1000 + f));
        expected.push_back(f % 32 == 31 ? int16_t{0} : static_cast<int16_t>(-1000 - f));
    }
    EXPECT_EQ(tap->values, expected);

    play.Stop();
    play.set_nChunkSamples(63);
    play.OnStash = [&](TWaveChunk& arr, int& used, bool&) {
        for (int i = 0; i < used; ++i) {
            arr[static_cast<size_t>(i)] = static_cast<int16_t>(i % 2 == 0 ? 1 : -1);
        }
    };
    play.Run();
    tap->values.clear();
    for (int c = 0; c < 8; ++c) {
        loop.advance(31);
        play.pump();
    }
    ASSERT_EQ(tap->values.size(), 8u * 62);
    for (size_t i = 0; i < tap->values.size(); ++i) {
        ASSERT_EQ(tap->values[i], i % 2 == 0 ? 1 : -1) << i;
    }
}

TEST_F(Playback, UnderrunPlaysWholeChunksOfSilenceAndCountsThem) {
    listen();
    play.Run();
    loop.advance(6 * chunk + 5); // the owner stalls: 4 chunks played, 2 silent, a 3rd begun
    EXPECT_EQ(play.lost_chunks(), 2);
    play.pump();
    loop.advance(2 * chunk);
    play.pump();
    EXPECT_EQ(heard(0, 4 * chunk), ramp(0, 4 * chunk));
    EXPECT_EQ(heard(4 * chunk, 3 * chunk), Values(3 * chunk, 0));
    // The refilled chunks follow, aligned to whole chunks.
    EXPECT_EQ(heard(7 * chunk, chunk + 5), ramp(4 * chunk, chunk + 5));
    EXPECT_EQ(play.lost_chunks(), 3);
    EXPECT_EQ(std::count(log.begin(), log.end(), "lost 3"), 1);
}

TEST_F(Playback, AnUnderflowTheHostReportsCountsAsOneLostChunk) {
    listen();
    play.Run();
    loop.advance(chunk + 10);
    loop.set_fault(TLoopbackFault::underflow);
    loop.advance(6); // the host plays silence and says so
    loop.advance(chunk);
    play.pump();
    EXPECT_EQ(heard(chunk + 10, 6), Values(6, 0));
    // Then the stream goes on where it was: nothing of it was skipped.
    EXPECT_EQ(heard(chunk + 16, chunk - 6), ramp(chunk + 10, chunk - 6));
    EXPECT_EQ(play.lost_chunks(), 1);
    EXPECT_EQ(std::count(log.begin(), log.end(), "lost 1"), 1);
    // The loss is told before the chunk that follows it is refilled.
    const auto lost = std::find(log.begin(), log.end(), "lost 1");
    EXPECT_EQ(lost - log.begin(), 5); // 4 to start, then the first chunk played
}

TEST_F(Playback, HandlerErrorsAndBadUsedKeepTheStreamSound) {
    listen();
    play.OnStash = [&](TWaveChunk& arr, int& used, bool&) {
        fill(arr, used);
        used = 1000000; // more than the chunk: plays the chunk only
    };
    play.Run();
    const auto advance = [&](int chunks) {
        for (int i = 0; i < chunks; ++i) {
            loop.advance(chunk);
            play.pump();
        }
    };
    advance(8);
    play.OnStash = [&](TWaveChunk& arr, int& used, bool&) {
        fill(arr, used);
        arr.clear(); // must not free the device's memory
        throw std::runtime_error("handler");
    };
    loop.advance(chunk);
    EXPECT_THROW(play.pump(), std::runtime_error);
    play.OnStash = [&](TWaveChunk& arr, int& used, bool&) { fill(arr, used); };
    advance(8);
    EXPECT_EQ(play.lost_chunks(), 0);
    EXPECT_EQ(heard(0, 12 * chunk), ramp(0, 12 * chunk));
    // The chunk whose handler failed plays as silence, in its place.
    EXPECT_EQ(heard(12 * chunk, chunk), Values(chunk, 0));
    EXPECT_EQ(heard(13 * chunk, 4 * chunk), ramp(13 * chunk, 4 * chunk));
}

TEST_F(Playback, EveryFailureGivesItsMessageAndLeavesTheBoardFree) {
    const auto stash = play.OnStash;
    play.OnStash = nullptr;
    EXPECT_EQ(error_of([&] { play.Run(); }), "Nothing assigned to OnStash!");
    EXPECT_EQ(loop.open_streams(), 0);
    play.OnStash = stash;
    loop.set_fault(TLoopbackFault::open);
    EXPECT_EQ(error_of([&] { play.Run(); }), "WaveOutOpen:" + simulated);
    play.Run();
    loop.set_fault(TLoopbackFault::running);
    loop.advance(10);
    EXPECT_EQ(error_of([&] { play.pump(); }), "WaveOutWrite:" + simulated);
    EXPECT_FALSE(play.OwnBoard());
    play.pump();
    EXPECT_EQ(log.back(), "close");
    play.Run();
    loop.set_fault(TLoopbackFault::reset);
    EXPECT_EQ(error_of([&] { play.Stop(); }), "WaveOutReset:" + simulated);
    play.Run();
    loop.set_fault(TLoopbackFault::close);
    EXPECT_EQ(error_of([&] { play.Stop(); }), "WaveOutClose:" + simulated);
    play.set_DeviceID(-2);
    EXPECT_EQ(error_of([&] { play.Run(); }), "WaveOutOpen:The device identifier is out of range.");
    EXPECT_FALSE(play.OwnBoard());
    EXPECT_EQ(loop.open_streams(), 0);
}

// What the engine does: play a signal through the loopback and capture it.
TEST(PlayAndRecord, TheCaptureIsThePlayedStreamDelayed) {
    TVirtualLoopback loop;
    TMPCPlay play(loop);
    TMPCRecord rec(loop);
    play.set_nChunkSamples(300);
    play.set_nBuffers(32);
    rec.set_nChunkSamples(256);
    rec.set_nBuffers(32);
    int64_t next = 0;
    play.OnStash = [&](TWaveChunk& arr, int& used, bool&) {
        for (int i = 0; i < used; ++i) {
            arr[static_cast<size_t>(i)] = test::ramp_value(next++);
        }
    };
    Values heard;
    rec.OnFetch = [&](TWaveChunk& arr, int used, bool&) {
        heard.insert(heard.end(), arr.begin(), arr.begin() + used);
    };
    Values expected(100, 0);
    const Values played = ramp(0, 15 * 256 - 100);
    expected.insert(expected.end(), played.begin(), played.end());
    for (int run = 0; run < 5; ++run) {
        loop.set_delay(100);
        heard.clear();
        next = 0;
        rec.Run();
        play.Run();
        for (int i = 0; i < 40; ++i) {
            loop.advance(97);
            play.pump();
            rec.pump();
        }
        rec.Stop();
        play.Stop();
        EXPECT_EQ(heard, expected) << "run " << run;
    }
    EXPECT_EQ(loop.open_streams(), 0);
}

} // namespace
} // namespace zevrin
