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
        ASSERT_EQ(stereo.values.size(), 40u);
        for (size_t f = 0; f < 20; ++f) {
            const int16_t expected = f < 5 ? int16_t{0} : ramp_value(static_cast<int64_t>(f) - 5);
            EXPECT_EQ(stereo.values[2 * f], expected) << f;
            EXPECT_EQ(stereo.values[2 * f + 1], expected) << f;
        }
    }
    loop.set_delay(0);
    TRampOutput stereo(loop, 2);
    TInputTap mono(loop, 1);
    loop.advance(300); // more than one internal block
    ASSERT_EQ(mono.values.size(), 300u);
    for (size_t f = 0; f < 300; ++f) {
        EXPECT_EQ(mono.values[f], ramp_value(2 * static_cast<int64_t>(f))) << "channel 1 only";
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
            const double expected = std::nearbyint(i % 2 == 0 ? half : -half);
            ASSERT_EQ(in.values[i], std::clamp(expected, -32768.0, 32767.0)) << i;
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
    std::vector<int16_t> first;
    for (int run = 0; run < 2; ++run) {
        TInputTap in(loop, 1);
        loop.advance(40000);
        double sum = 0;
        double squares = 0;
        for (int16_t v : in.values) {
            sum += v;
            squares += static_cast<double>(v) * v;
        }
        const double n = static_cast<double>(in.values.size());
        EXPECT_NEAR(sum / n, 0.0, 2.0);
        EXPECT_NEAR(std::sqrt(squares / n), 100.0, 2.0);
        if (run == 0) {
            first = in.values;
        } else {
            EXPECT_EQ(in.values, first) << "the same seed gives the same noise at every open";
        }
    }
    loop.set_noise(100.0, 8);
    TInputTap other(loop, 1);
    loop.advance(100);
    EXPECT_FALSE(std::equal(other.values.begin(), other.values.end(), first.begin()));
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
