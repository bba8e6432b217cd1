// Frame processing allocates nothing in steady state: counted by replacing the global
// allocation functions of this test program.

#include "engine_fixture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

// The replaced operators pair malloc with free; the compiler cannot see that they match.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

namespace {
std::atomic<long> g_allocations{0};
} // namespace

void* operator new(std::size_t size) {
    ++g_allocations;
    if (void* p = std::malloc(size == 0 ? 1 : size)) {
        return p;
    }
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

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
    const long before = g_allocations.load();
    for (int k = 0; k < 20; ++k) {
        chunk[0] = k % 2 ? 32767 : 0; // exclusions and their texts too
        a.MPCRecord1Fetch(chunk, static_cast<int>(chunk.size()), last);
    }
    EXPECT_EQ(g_allocations.load() - before, 0);
    EXPECT_GT(a.taken + a.excluded, 20);
}

INSTANTIATE_TEST_SUITE_P(Modes, SteadyState,
                         ::testing::Combine(::testing::Bool(), ::testing::Bool()));

} // namespace
} // namespace zevrin
