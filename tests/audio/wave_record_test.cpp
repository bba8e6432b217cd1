#include "audio/wave_record.h"
#include "loopback_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zevrin {
namespace {

using test::error_of;
using test::ramp;
using Log = std::vector<std::string>;

const std::string simulated = "The virtual loopback failed on purpose (simulated fault).";

// A capture of 64-value chunks in a ring of 4 on a manual loopback that plays the ramp,
// with a log of the events.
struct Capture : ::testing::Test {
    static constexpr int chunk = 64;
    TVirtualLoopback loop;
    test::TRampOutput ramp_output{loop, 1};
    TMPCRecord rec{loop};
    Log log;
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
};

TEST(RecordFormat, DefaultsAndDivision) {
    TVirtualLoopback loop;
    TMPCRecord rec(loop);
    EXPECT_EQ(rec.nBuffers(), 4);
    EXPECT_EQ(rec.nChunkSamples(), 4096);
    EXPECT_EQ(rec.DeviceID(), -1);
    EXPECT_EQ(rec.wavefmt().nAvgBytesPerSec, 32000);
    EXPECT_EQ(rec.wavefmt().nBlockAlign, 2);
    rec.OnFetch = [](TWaveChunk&, int, bool&) {};
    const auto opened = [&] {
        rec.Run();
        const TStreamFormat f = loop.input_format().value();
        rec.Stop();
        return std::pair{f.rate, f.channels};
    };
    EXPECT_EQ(opened(), std::pair(16000, 1));
    rec.set_nChans(2);
    EXPECT_EQ(rec.wavefmt().nSamplesPerSec, 8000);
    EXPECT_EQ(rec.wavefmt().nBlockAlign, 4);
    rec.set_sfTot(32000);
    EXPECT_EQ(rec.wavefmt().nSamplesPerSec, 16000);
    rec.set_sfTot(44101);
    EXPECT_EQ(opened(), std::pair(22050, 2));
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

TEST_F(Capture, RefusalsWhileOwningAndWithoutHandler) {
    rec.Run();
    EXPECT_EQ(error_of([&] { rec.set_nChans(2); }), "Cannot change nChans while owning board");
    EXPECT_EQ(error_of([&] { rec.set_sfTot(8000); }), "Cannot change sfTot while owning board");
    EXPECT_EQ(error_of([&] { rec.set_nBuffers(8); }), "Cannot change nBuffers while owning board");
    EXPECT_EQ(error_of([&] { rec.set_nChunkSamples(8); }),
              "Cannot change nChunkSamples while owning board");
    EXPECT_EQ(error_of([&] { rec.Run(); }), "Could not aquire board");
    EXPECT_EQ(rec.nChans() + rec.sfTot() + rec.nBuffers() + rec.nChunkSamples(),
              1 + 16000 + 4 + chunk);
    rec.Stop();
    rec.OnFetch = nullptr;
    EXPECT_EQ(error_of([&] { rec.Run(); }), "Nothing assigned to OnFetch!");
    EXPECT_EQ(loop.open_streams(), 1) << "only the ramp's output";
}

TEST_F(Capture, DeliversChunksInOrderOnPumpAndNothingAfterStop) {
    int wakeups = 0;
    rec.set_wakeup([&] { ++wakeups; });
    rec.Stop(); // idle: nothing happens
    rec.Run();
    loop.advance(3 * chunk + 10);
    EXPECT_TRUE(log.empty()) << "nothing before pump";
    EXPECT_EQ(wakeups, 2) << "one for the opening, one for the three chunks";
    rec.pump();
    EXPECT_EQ(log, (Log{"open", "fetch 64", "fetch 64", "fetch 64"}));
    for (int i = 0; i < 20; ++i) { // far more chunks than the ring holds
        loop.advance(chunk);
        rec.pump();
    }
    EXPECT_EQ(wakeups, 22);
    ASSERT_EQ(chunks.size(), 23u);
    for (size_t i = 0; i < chunks.size(); ++i) {
        EXPECT_EQ(chunks[i], ramp(static_cast<int64_t>(i) * chunk, chunk)) << "chunk " << i;
    }
    loop.advance(2 * chunk);
    rec.Stop();
    loop.advance(2 * chunk);
    rec.pump();
    EXPECT_EQ(chunks.size(), 23u);
    EXPECT_EQ(log.back(), "close");
    EXPECT_EQ(loop.open_streams(), 1);
}

TEST_F(Capture, LastEndsWhenTheMarkedChunkComesBack) {
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
}

TEST_F(Capture, OverflowLosesWholeChunksAndCountsThem) {
    rec.Run();
    // The owner stalls: 4 chunks fit in the ring, 6 are lost, a 7th is being lost.
    loop.advance(10 * chunk + 5);
    EXPECT_EQ(rec.lost_chunks(), 6);
    rec.pump();
    loop.advance(2 * chunk);
    rec.pump();
    EXPECT_EQ(log,
              (Log{"open", "fetch 64", "fetch 64", "fetch 64", "fetch 64", "lost 7", "fetch 64"}));
    // The stream goes on exactly 7 chunks later: nothing shifted, nothing repeated.
    EXPECT_EQ(chunks.at(4), ramp(11 * chunk, chunk));
    rec.Stop();
    rec.Run();
    EXPECT_EQ(rec.lost_chunks(), 0);
}

TEST_F(Capture, AnOverflowTheHostReportsCountsAsOneLostChunk) {
    rec.Run();
    loop.advance(chunk + 36);
    loop.set_fault(TLoopbackFault::overflow);
    loop.advance(5); // these never arrive; the host says so
    EXPECT_EQ(loop.fault(), TLoopbackFault::none);
    loop.advance(28);
    rec.pump();
    EXPECT_EQ(log, (Log{"open", "fetch 64", "lost 1", "fetch 64"}));
    EXPECT_EQ(rec.lost_chunks(), 1);
    // The chunk holds what arrived, without the lost values.
    std::vector<int16_t> expected = ramp(chunk, 36);
    const std::vector<int16_t> after = ramp(chunk + 41, 28);
    expected.insert(expected.end(), after.begin(), after.end());
    EXPECT_EQ(chunks.at(1), expected);
}

TEST_F(Capture, DeviceFailureDeliversTheRecordedPartThenRaises) {
    rec.Run();
    loop.advance(chunk + chunk / 2);
    loop.set_fault(TLoopbackFault::running);
    loop.advance(chunk);
    EXPECT_EQ(error_of([&] { rec.pump(); }), "waveinWrite:" + simulated);
    EXPECT_EQ(log, (Log{"open", "fetch 64", "fetch 32"}));
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
    rec.Run();
    loop.set_fault(TLoopbackFault::close);
    EXPECT_EQ(error_of([&] { rec.Stop(); }), "waveinClose:" + simulated);
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
    TMPCRecord other(loop);
    other.OnFetch = rec.OnFetch;
    EXPECT_EQ(error_of([&] { other.Run(); }), "waveinOpen:The device is already in use.");
}

TEST_F(Capture, HandlersThatThrowStopOrMisbehaveDoNotBreakTheRing) {
    rec.Run();
    std::string nesting;
    rec.OnFetch = [&](TWaveChunk&, int, bool&) {
        nesting += "(";
        rec.pump(); // re-entrant: returns at once
        nesting += ")";
    };
    loop.advance(3 * chunk);
    rec.pump();
    EXPECT_EQ(nesting, "()()()");
    int calls = 0;
    rec.OnFetch = [&](TWaveChunk& arr, int, bool&) {
        ++calls;
        arr.resize(3); // must not reach the device
        throw std::runtime_error("handler");
    };
    for (int i = 0; i < 12; ++i) {
        loop.advance(chunk);
        EXPECT_THROW(rec.pump(), std::runtime_error);
    }
    EXPECT_EQ(calls, 12) << "a chunk whose handler failed goes back to the device";
    rec.OnFetch = [&](TWaveChunk& arr, int used, bool&) {
        chunks.emplace_back(arr.begin(), arr.begin() + used);
        rec.Stop();
    };
    loop.advance(3 * chunk);
    rec.pump();
    EXPECT_EQ(chunks, std::vector<TWaveChunk>{ramp(15 * chunk, chunk)});
    EXPECT_EQ(rec.lost_chunks(), 0);
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
    EXPECT_EQ(test::thread_count(), threads);
    {
        TMPCRecord running(loop);
        running.OnFetch = rec.OnFetch;
        running.Run();
        EXPECT_EQ(loop.open_streams(), 2);
    }
    EXPECT_EQ(loop.open_streams(), 1) << "destroyed while running, it closed its device";
    loop.advance(5000);
}

} // namespace
} // namespace zevrin
