#include "audio/virtual_loopback.h"
#include "audio/wave_record.h"
#include "loopback_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>

namespace zevrin {
namespace {

using test::ramp_value;
using test::TInputTap;
using test::TRampOutput;

TEST(VirtualLoopback, DelaysAndMapsChannels) {
    TVirtualLoopback loop;
    loop.set_delay(5);
    {
        TRampOutput mono(loop, 1);
        TInputTap stereo(loop, 2);
        loop.advance(20);
        std::vector<int16_t> expected(10, 0); // 5 frames of the silent line
        for (int16_t v : test::ramp(0, 15)) {
            expected.insert(expected.end(), {v, v});
        }
        EXPECT_EQ(stereo.values, expected);
    }
    loop.set_delay(0);
    TRampOutput stereo(loop, 2);
    TInputTap mono(loop, 1);
    loop.advance(300); // more than one internal block
    ASSERT_EQ(mono.values.size(), 300u);
    for (size_t f = 0; f < 300; ++f) {
        ASSERT_EQ(mono.values[f], ramp_value(2 * static_cast<int64_t>(f))) << "channel 1 only";
    }
}

TEST(VirtualLoopback, SimulatedSystemGainFilterClippingAndNoise) {
    TVirtualLoopback loop;
    TRampOutput out(loop, 2);
    loop.set_gain(0.5);
    loop.set_filter([](double v, int channel) { return channel == 0 ? v : -v; });
    {
        TInputTap in(loop, 2);
        loop.advance(1000);
        for (size_t i = 0; i < in.values.size(); ++i) {
            const double half = 0.5 * ramp_value(static_cast<int64_t>(i));
            ASSERT_EQ(in.values[i], std::nearbyint(i % 2 == 0 ? half : -half)) << i;
        }
    }
    loop.set_filter(nullptr);
    loop.set_gain(4.0);
    {
        TInputTap in(loop, 1);
        loop.advance(5000);
        EXPECT_EQ(*std::max_element(in.values.begin(), in.values.end()), 32767);
        EXPECT_EQ(*std::min_element(in.values.begin(), in.values.end()), -32768);
    }
    loop.set_gain(0.0);
    loop.set_noise(100.0, 7);
    const auto noise = [&] {
        TInputTap in(loop, 1);
        loop.advance(40000);
        return in.values;
    };
    const std::vector<int16_t> first = noise();
    double squares = 0;
    for (int16_t v : first) {
        squares += static_cast<double>(v) * v;
    }
    EXPECT_NEAR(std::sqrt(squares / static_cast<double>(first.size())), 100.0, 2.0);
    EXPECT_EQ(noise(), first) << "the same seed gives the same noise at every open";
    loop.set_noise(100.0, 8);
    EXPECT_NE(noise(), first);
}

TEST(VirtualLoopback, RealTimeClockRunsOnlyWhileAStreamRuns) {
    TVirtualLoopback loop(TLoopbackClock::real_time);
    EXPECT_THROW(loop.advance(1), std::logic_error);
    TMPCRecord rec(loop);
    std::atomic<int> wakeups{0};
    rec.set_wakeup([&] { wakeups.fetch_add(1); });
    int fetched = 0;
    rec.OnFetch = [&](TWaveChunk&, int used, bool&) {
        EXPECT_EQ(used, 160);
        ++fetched;
    };
    rec.set_nChunkSamples(160);
    int threads = 0;
    for (int run = 0; run < 3; ++run) {
        fetched = 0;
        rec.Run();
        EXPECT_TRUE(loop.clock_running());
        for (int i = 0; i < 2000 && fetched < 3; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            rec.pump();
        }
        EXPECT_GE(fetched, 3);
        rec.Stop();
        EXPECT_FALSE(loop.clock_running());
        // After the first run: a sanitizer may start a thread of its own then.
        threads = run == 0 ? test::thread_count() : threads;
        EXPECT_EQ(test::thread_count(), threads);
    }
    EXPECT_GT(wakeups.load(), 0);
}

} // namespace
} // namespace zevrin
