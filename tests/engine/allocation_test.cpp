// Frame processing allocates nothing in steady state.

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

} // namespace
} // namespace zevrin
