#include "audio/wave_record.h"
#include "loopback_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zevrin {
namespace {

using test::error_of;
using test::ramp_value;
using test::TRampOutput;

const std::string simulated = "The virtual loopback failed on purpose (simulated fault).";

// A capture of 64-value chunks in a ring of 4 on a manual loopback that plays the ramp,
// with a log of the events.
struct Capture : ::testing::Test {
    static constexpr int chunk = 64;
    TVirtualLoopback loop;
    TRampOutput ramp{loop, 1};
    TMPCRecord rec{loop};
    std::vector<std::string> log;
    std::vector<TWaveChunk> chunks;

    Capture() {
        rec.set_nChunkSamples(chunk);
        rec.OnOpened = [this] { log.push_back("open"); };
        rec.OnClosed = [this] { log.push_back("close"); };
        rec.OnLost = [this](int n) { log.push_back("lost " + std::to_string(n)); };
        rec.OnFetch = [this](TWaveChunk& arr, int used, bool&) {
            log.push_back("fetch " + std::to_string(used));
            chunks.emplace_back(arr.begin(), arr.begin() + used);
        };
    }
    // The ramp values that the capture's value number `first` onwards should hold.
    bool holds_ramp(const TWaveChunk& c, int64_t first) const {
        for (size_t i = 0; i < c.size(); ++i) {
            if (c[i] != ramp_value(first + static_cast<int64_t>(i))) {
                return false;
            }
        }
        return true;
    }
};

TEST(RecordFormat, DefaultsAndDivision) {
    TVirtualLoopback loop;
    TMPCRecord rec(loop);
    EXPECT_EQ(rec.nChans(), 1);
    EXPECT_EQ(rec.sfTot(), 16000);
    EXPECT_EQ(rec.nBuffers(), 4);
    EXPECT_EQ(rec.nChunkSamples(), 4096);
    EXPECT_EQ(rec.DeviceID(), -1);
    EXPECT_FALSE(rec.OwnBoard());
    EXPECT_EQ(rec.wavefmt().nSamplesPerSec, 16000);
    EXPECT_EQ(rec.wavefmt().nAvgBytesPerSec, 32000);
    EXPECT_EQ(rec.wavefmt().nBlockAlign, 2);
    EXPECT_EQ(rec.wavefmt().wBitsPerSample, 16);

    rec.OnFetch = [](TWaveChunk&, int, bool&) {};
    rec.Run();
    ASSERT_TRUE(loop.input_format());
    EXPECT_EQ(loop.input_format()->rate, 16000);
    EXPECT_EQ(loop.input_format()->channels, 1);
    rec.Stop();

    rec.set_nChans(2);
    EXPECT_EQ(rec.wavefmt().nSamplesPerSec, 8000);
    EXPECT_EQ(rec.wavefmt().nBlockAlign, 4);
    rec.set_sfTot(32000);
    EXPECT_EQ(rec.wavefmt().nSamplesPerSec, 16000);
    rec.set_sfTot(44101);
    EXPECT_EQ(rec.wavefmt().nSamplesPerSec, 22050);
    rec.Run();
    EXPECT_EQ(loop.input_format()->rate, 22050);
    EXPECT_EQ(loop.input_format()->channels, 2);
    rec.Stop();

    for (int bad : {0, -3}) {
        rec.set_nChans(bad);
        EXPECT_EQ(rec.nChans(), 1);
    }
    rec.set_sfTot(0);
    EXPECT_EQ(rec.sfTot(), 1);
    rec.set_nBuffers(5000);
    EXPECT_EQ(rec.nBuffers(), 1000);
    rec.set_nBuffers(0);
    EXPECT_EQ(rec.nBuffers(), 1);
}

TEST_F(Capture, RefusesChangesAndRunWhileOwning) {
    rec.Run();
    EXPECT_EQ(error_of([&] { rec.set_nChans(2); }), "Cannot change nChans while owning board");
    EXPECT_EQ(error_of([&] { rec.set_sfTot(8000); }), "Cannot change sfTot while owning board");
    EXPECT_EQ(error_of([&] { rec.set_nBuffers(8); }), "Cannot change nBuffers while owning board");
    EXPECT_EQ(error_of([&] { rec.set_nChunkSamples(8); }),
              "Cannot change nChunkSamples while owning board");
    EXPECT_EQ(error_of([&] { rec.Run(); }), "Could not aquire board");
    EXPECT_EQ(rec.nChans(), 1);
    EXPECT_EQ(rec.sfTot(), 16000);
    EXPECT_EQ(rec.nBuffers(), 4);
    EXPECT_EQ(rec.nChunkSamples(), chunk);
    EXPECT_TRUE(rec.OwnBoard());
}

TEST_F(Capture, RunWithoutHandlerAndStopWhenIdle) {
    rec.OnFetch = nullptr;
    EXPECT_EQ(error_of([&] { rec.Run(); }), "Nothing assigned to OnFetch!");
    EXPECT_FALSE(rec.OwnBoard());
    EXPECT_EQ(loop.open_streams(), 1); // only the ramp's output
    rec.Stop();
    rec.pump();
    EXPECT_TRUE(log.empty());
}

TEST_F(Capture, DeliversCompleteChunksInOrderOnPump) {
    rec.Run();
    loop.advance(3 * chunk + 10);
    EXPECT_TRUE(log.empty()) << "nothing before pump";
    rec.pump();
    EXPECT_EQ(log, (std::vector<std::string>{"open", "fetch 64", "fetch 64", "fetch 64"}));
    // Far more chunks than the ring holds, pumped as they come.
    for (int i = 0; i < 20; ++i) {
        loop.advance(chunk);
        rec.pump();
    }
    ASSERT_EQ(chunks.size(), 23u);
    for (size_t i = 0; i < chunks.size(); ++i) {
        EXPECT_TRUE(holds_ramp(chunks[i], static_cast<int64_t>(i) * chunk)) << "chunk " << i;
    }
    EXPECT_EQ(rec.lost_chunks(), 0);
}

TEST_F(Capture, NothingAfterStop) {
    rec.Run();
    loop.advance(2 * chunk);
    rec.Stop();
    EXPECT_FALSE(rec.OwnBoard());
    EXPECT_EQ(loop.open_streams(), 1);
    rec.pump();
    loop.advance(2 * chunk);
    rec.pump();
    EXPECT_EQ(log, (std::vector<std::string>{"open", "close"}));
}

TEST_F(Capture, WakeupIsCalledOnceUntilPumped) {
    int wakeups = 0;
    rec.set_wakeup([&] { ++wakeups; });
    rec.Run();
    rec.pump();
    wakeups = 0;
    loop.advance(3 * chunk);
    EXPECT_EQ(wakeups, 1);
    rec.pump();
    EXPECT_EQ(chunks.size(), 3u);
    loop.advance(chunk);
    EXPECT_EQ(wakeups, 2);
}

TEST_F(Capture, LastEndsAfterTheMarkedChunkComesBack) {
    std::vector<int64_t> marks;
    rec.OnMsg = [&](TMPCMessage& m) {
        if (m.Msg == MM_WIM_DATA) {
            marks.push_back(m.dwUser);
        }
    };
    rec.OnFetch = [&](TWaveChunk&, int, bool& last) {
        chunks.emplace_back();
        last = chunks.size() == 2;
    };
    rec.Run();
    for (int i = 0; i < 2; ++i) {
        loop.advance(chunk);
        rec.pump();
    }
    loop.advance(6 * chunk);
    EXPECT_EQ(rec.lost_chunks(), 0) << "nothing is captured after the marked chunk";
    rec.pump();
    EXPECT_EQ(chunks.size(), 2u);
    // Chunk 1 was queued again with the marker; chunks 2, 3 and 0 came back before it.
    EXPECT_EQ(marks, (std::vector<int64_t>{0, 1, 2, 3, 0, stop_marker}));
    EXPECT_FALSE(rec.OwnBoard());
    EXPECT_EQ(log.back(), "close");
    EXPECT_EQ(loop.open_streams(), 1);
}

TEST_F(Capture, OverflowLosesWholeChunksAndCountsThem) {
    rec.Run();
    // The owner stalls: 4 chunks fit in the ring, 6 are lost, a 7th is being lost.
    loop.advance(10 * chunk + 5);
    EXPECT_EQ(rec.lost_chunks(), 6);
    rec.pump();
    loop.advance(2 * chunk);
    rec.pump();
    EXPECT_EQ(log, (std::vector<std::string>{"open", "fetch 64", "fetch 64", "fetch 64", "fetch 64",
                                             "lost 7", "fetch 64"}));
    ASSERT_EQ(chunks.size(), 5u);
    // The stream goes on exactly 7 chunks later: nothing shifted, nothing repeated.
    EXPECT_TRUE(holds_ramp(chunks[3], 3 * chunk));
    EXPECT_TRUE(holds_ramp(chunks[4], 11 * chunk));
    rec.Stop();
    rec.Run();
    EXPECT_EQ(rec.lost_chunks(), 0);
}

TEST_F(Capture, DeviceFailureDeliversTheRecordedPartThenRaises) {
    rec.Run();
    loop.advance(chunk + chunk / 2);
    loop.set_fault(TLoopbackFault::running);
    loop.advance(chunk);
    EXPECT_EQ(error_of([&] { rec.pump(); }), "waveinWrite:" + simulated);
    EXPECT_EQ(log, (std::vector<std::string>{"open", "fetch 64", "fetch 32"}));
    EXPECT_FALSE(rec.OwnBoard());
    rec.pump();
    EXPECT_EQ(log.back(), "close");
    rec.Run(); // the program can start again
    EXPECT_TRUE(rec.OwnBoard());
}

TEST_F(Capture, EveryFailureGivesItsMessageAndLeavesTheBoardFree) {
    loop.set_fault(TLoopbackFault::open);
    EXPECT_EQ(error_of([&] { rec.Run(); }), "waveinOpen:" + simulated);
    rec.Run();
    loop.set_fault(TLoopbackFault::reset);
    EXPECT_EQ(error_of([&] { rec.Stop(); }), "waveinReset:" + simulated);
    EXPECT_FALSE(rec.OwnBoard());
    rec.Run();
    loop.set_fault(TLoopbackFault::close);
    EXPECT_EQ(error_of([&] { rec.Stop(); }), "waveinClose:" + simulated);
    EXPECT_FALSE(rec.OwnBoard());

    rec.set_DeviceID(1);
    EXPECT_EQ(error_of([&] { rec.Run(); }), "waveinOpen:The device identifier is out of range.");
    rec.set_DeviceID(0);
    rec.set_sfTot(500);
    EXPECT_EQ(error_of([&] { rec.Run(); }),
              "waveinOpen:The device does not support this sampling rate.");
    rec.set_sfTot(48000);
    rec.set_nChans(3);
    EXPECT_EQ(error_of([&] { rec.Run(); }),
              "waveinOpen:The device does not support this number of channels.");
    EXPECT_FALSE(rec.OwnBoard());
    EXPECT_EQ(loop.open_streams(), 1);
    rec.set_nChans(1);
    rec.Run();
    EXPECT_TRUE(rec.OwnBoard());
}

TEST_F(Capture, HandlersThatThrowStopOrMisbehaveDoNotBreakTheRing) {
    rec.Run();
    int calls = 0;
    rec.OnFetch = [&](TWaveChunk& arr, int, bool&) {
        ++calls;
        arr.resize(3); // must not reach the device
        rec.pump();    // re-entrant: returns at once
        throw std::runtime_error("handler");
    };
    for (int i = 0; i < 12; ++i) {
        loop.advance(chunk);
        EXPECT_THROW(rec.pump(), std::runtime_error);
    }
    EXPECT_EQ(calls, 12) << "a chunk whose handler failed goes back to the device";
    EXPECT_EQ(rec.lost_chunks(), 0);

    rec.OnFetch = [&](TWaveChunk& arr, int used, bool&) {
        chunks.emplace_back(arr.begin(), arr.begin() + used);
        rec.Stop();
    };
    loop.advance(3 * chunk);
    rec.pump();
    ASSERT_EQ(chunks.size(), 1u);
    EXPECT_TRUE(holds_ramp(chunks[0], 12 * chunk));
    EXPECT_FALSE(rec.OwnBoard());
}

TEST_F(Capture, DeviceListAndRepeatedRunsLeaveNothingBehind) {
    EXPECT_EQ(rec.nDevices(), 1);
    EXPECT_EQ(rec.Devicenames(), std::vector<std::string>{TVirtualLoopback::device_name});
    const int threads = test::thread_count();
    for (int i = 0; i < 50; ++i) {
        rec.Run();
        loop.advance(chunk);
        rec.pump();
        rec.Stop();
        rec.pump();
    }
    EXPECT_EQ(chunks.size(), 50u);
    EXPECT_EQ(loop.open_streams(), 1);
    EXPECT_EQ(test::thread_count(), threads);
    rec.Run();
    {
        TMPCRecord other(loop);
        other.OnFetch = rec.OnFetch;
        EXPECT_THROW(other.Run(), EMPCError) << "the loopback's input is taken";
    }
}

TEST(RecordLifetime, DestroyingWhileOwningClosesTheDevice) {
    TVirtualLoopback loop;
    {
        TMPCRecord rec(loop);
        rec.OnFetch = [](TWaveChunk&, int, bool&) {};
        rec.Run();
        loop.advance(5000);
        EXPECT_EQ(loop.open_streams(), 1);
    }
    EXPECT_EQ(loop.open_streams(), 0);
    loop.advance(5000);
}

} // namespace
} // namespace zevrin
