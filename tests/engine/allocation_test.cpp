// Frame processing allocates nothing in steady state.

#include "engine/spectrogram_ring.h"
#include "engine_fixture.h"
#include "support/allocation_counter.h"

#include <gtest/gtest.h>

namespace zevrin {
namespace {

class SteadyState : public ::testing::TestWithParam<std::tuple<bool, bool>>,
                    public testing::EngineFixture {};

TEST_P(SteadyState, FramesDoNotAllocate) {
    const auto [dual, sltasmode] = GetParam();
    TAnalyser& a = *analyser;
    configure(48000, 10);
    a.dualchannels = dual;
    if (sltasmode) {
        a.sltaspoints = 8192;
        a.set_usesltas(true);
    }
    a.ltasdecay = true;
    a.set_ltasdecaytime(3);
    a.set_excludehighpower(true);
    a.prepare_frames();
    a.set_ltas(true);
    a.set_sltas(true);
    TWaveChunk chunk(static_cast<size_t>(components->MPCRecord1.nChunkSamples()));
    bool last = false;
    for (int k = 0; k < 3; ++k) { // the transform's tables are built on first use
        for (size_t i = 0; i < chunk.size(); ++i) {
            chunk[i] = static_cast<int16_t>((i * 37 + k) % 2000);
        }
        a.MPCRecord1Fetch(chunk, static_cast<int>(chunk.size()), last);
    }
    const long allocations = testing::allocations_in([&] {
        for (int k = 0; k < 20; ++k) {
            chunk[0] = k % 2 ? 32767 : 0; // exclusions and their texts too
            a.MPCRecord1Fetch(chunk, static_cast<int>(chunk.size()), last);
        }
    });
    EXPECT_EQ(allocations, 0);
    EXPECT_GT(a.taken + a.excluded, 20);
}

INSTANTIATE_TEST_SUITE_P(Modes, SteadyState,
                         ::testing::Combine(::testing::Bool(), ::testing::Bool()));

// Frames recorded long after the ring has filled: its memory stays what it took at the
// start, and the columns kept are the newest, each with its own frame's levels.
class SpectrogramMemory : public ::testing::Test, public testing::EngineFixture {};

TEST_F(SpectrogramMemory, TheRingKeepsItsSizeOverALongRun) {
    TAnalyser& a = *analyser;
    configure(8000, 50); // 320-sample frames, 257 bins
    a.dualchannels = true;
    TSpectrogramRing ring(1 << 20);
    a.OnFramesStart = [&] { start_spectrogram(ring, a); };
    a.OnFrame = [&] { record_spectrogram_frame(ring, a); };
    a.prepare_frames();
    const size_t capacity = ring.capacity();
    ASSERT_EQ(capacity, (1u << 20) / (2 * 257 * sizeof(int16_t)));
    const int frames = static_cast<int>(3 * capacity + 17);
    std::vector<double> bin40(static_cast<size_t>(frames));
    TWaveChunk chunk(static_cast<size_t>(components->MPCRecord1.nChunkSamples()));
    bool last = false;
    const auto feed = [&](int k) {
        for (size_t i = 0; i < chunk.size(); ++i) {
            chunk[i] = static_cast<int16_t>((k % 97 + 3) * ((i * 41) % 113) - 5000);
        }
        a.MPCRecord1Fetch(chunk, static_cast<int>(chunk.size()), last);
        bin40[static_cast<size_t>(k)] = a.outdb2[40];
    };
    constexpr int warmup = 3; // the transform's tables are built on first use
    for (int k = 0; k < warmup; ++k) {
        feed(k);
    }
    const long allocations = testing::allocations_in([&] {
        for (int k = warmup; k < frames; ++k) {
            feed(k);
        }
    });
    EXPECT_EQ(allocations, 0);
    EXPECT_EQ(ring.capacity(), capacity);
    EXPECT_EQ(ring.count(), frames);
    EXPECT_EQ(ring.first(), frames - static_cast<int64_t>(capacity));
    for (int64_t k : {ring.first(), ring.first() + 1, int64_t{frames} - 1}) {
        EXPECT_NEAR(ring.level_units(k, TSpectrogramSource::channel2, 40) * 0.01,
                    bin40[static_cast<size_t>(k)], 0.005)
            << "frame " << k;
    }
}

} // namespace
} // namespace zevrin
