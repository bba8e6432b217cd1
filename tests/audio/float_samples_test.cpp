// Sound card floats to 16-bit values: the values a user's levels start from.

#include "audio/float_samples.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <random>
#include <vector>

namespace zevrin {
namespace {

TEST(FloatSamples, ScaledRoundedAndLimited) {
    constexpr float inf = std::numeric_limits<float>::infinity();
    const std::vector<float> in = {
        0.5f,     1.0f,   -1.0f, 0.5f / 32768,   1.5f / 32768,    -2.5f / 32768,
        1e30f,    -1e30f, inf,   -inf,           std::nanf(""),   -std::nanf(""),
        0.99999f, 1e-45f, -0.0f, -0.75f / 32768, 32767.5f / 32768};
    const std::vector<int16_t> expected = {16384, 32767,  -32768, 0,      2,      -2,
                                           32767, -32768, 32767,  -32768, -32768, -32768,
                                           32767, 0,      0,      -1,     32767};
    // Every length up to the whole set, so that each value goes through both paths.
    for (size_t start = 0; start < in.size(); ++start) {
        std::vector<int16_t> out(in.size() - start, 1234);
        samples_from_floats(in.data() + start, out.data(), out.size());
        for (size_t i = 0; i < out.size(); ++i) {
            EXPECT_EQ(out[i], expected[start + i]) << "value " << in[start + i];
        }
    }
}

TEST(FloatSamples, EightAtATimeGiveTheValueByValueResults) {
    std::mt19937 random(7);
    std::vector<float> in(4099);
    for (float& v : in) {
        uint32_t bits = random();
        std::memcpy(&v, &bits, sizeof v); // every kind of float, NaNs included
        if (random() % 2 == 0) {
            v = std::ldexp(static_cast<float>(random() % 131072) - 65536.0f, -16);
        }
    }
    std::vector<int16_t> out(in.size());
    samples_from_floats(in.data(), out.data(), out.size());
    for (size_t i = 0; i < in.size(); ++i) {
        ASSERT_EQ(out[i], sample_from_float(in[i])) << "value " << in[i];
    }
}

} // namespace
} // namespace zevrin
