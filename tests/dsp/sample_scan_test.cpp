// One pass over captured samples (dsp/sample_scan.h): the frame's power, each channel's
// extremes and one channel as doubles, on every instruction set, against plain loops.

#include "dsp/sample_scan.h"
#include "dsp/vector_isa.h"
#include "isa_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

namespace zevrin {
namespace {

// Full-scale samples everywhere (where the squares of pairs need all 32 bits), the
// extremes of each channel placed in the vector part and in the rest after it.
TEST(SampleScan, PowerAndExtremesOfEachChannel) {
    std::mt19937 rng(3);
    std::uniform_int_distribution<int> any(-32768, 32767);
    for (size_t count : {size_t{0}, size_t{7}, size_t{64}, size_t{1923}}) {
        std::vector<int16_t> v(count, -32768);
        if (count > 64) {
            for (auto& s : v) {
                s = static_cast<int16_t>(any(rng) / 4);
            }
            v[37] = 32767;   // right, vector part
            v[1920] = -9000; // left, after it
            v[1922] = -32768;
        }
        for (int channels : {1, 2}) {
            int64_t squares = 0;
            int low[2] = {0, 0}, high[2] = {0, 0};
            for (size_t i = 0; i < count; ++i) {
                const size_t c = channels == 2 ? i % 2 : 0;
                squares += v[i] * v[i];
                low[c] = std::min<int>(low[c], v[i]);
                high[c] = std::max<int>(high[c], v[i]);
            }
            for (TVectorIsa isa : runnable_isas()) {
                IsaLimit limit(isa);
                const TSampleScan s = scan_samples(v.data(), count, channels);
                SCOPED_TRACE(testing::Message() << count << " samples, " << channels
                                                << " channels, isa " << static_cast<int>(isa));
                EXPECT_EQ(s.squares, squares);
                EXPECT_EQ(s.low[0], low[0]);
                EXPECT_EQ(s.low[1], low[1]);
                EXPECT_EQ(s.high[0], high[0]);
                EXPECT_EQ(s.high[1], high[1]);
            }
        }
    }
}

TEST(SampleScan, ChannelToDoubles) {
    std::vector<int16_t> v(2 * 1031 + 1);
    for (size_t i = 0; i < v.size(); ++i) {
        v[i] = static_cast<int16_t>(i % 2 == 0 ? -32768 + 61 * i : 32767 - 53 * i);
    }
    for (TVectorIsa isa : runnable_isas()) {
        IsaLimit limit(isa);
        for (size_t count : {size_t{3}, size_t{1031}}) {
            for (size_t offset : {size_t{0}, size_t{1}}) {
                std::vector<double> out(count + 1, 0.5);
                channel_to_doubles(v.data(), 2, offset, out.data(), count);
                for (size_t i = 0; i < count; ++i) {
                    ASSERT_EQ(out[i], v[2 * i + offset]) << i << " offset " << offset;
                }
                EXPECT_EQ(out[count], 0.5); // nothing written beyond
            }
            std::vector<double> mono(count);
            channel_to_doubles(v.data(), 1, 0, mono.data(), count);
            for (size_t i = 0; i < count; ++i) {
                ASSERT_EQ(mono[i], v[i]) << i;
            }
        }
    }
}

} // namespace
} // namespace zevrin
