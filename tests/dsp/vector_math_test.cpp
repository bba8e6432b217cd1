// The per-bin arithmetic of the spectra (dsp/vector_math.h): the decimal logarithm
// against the maths library's over the whole range of doubles, the failure values of
// the dB and magnitude rules, and the same bits from every instruction set.

#include "dsp/cache_aligned.h"
#include "dsp/vector_isa.h"
#include "dsp/vector_math.h"
#include "isa_support.h"

#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

namespace zevrin {
namespace {

constexpr double inf = std::numeric_limits<double>::infinity();
constexpr double nan = std::numeric_limits<double>::quiet_NaN();

// Every positive finite double whose logarithm the code can meet at the edges: every
// binary exponent of the normal and subnormal range with the mantissas next to 1, √½
// and 2 (where the reduction switches) and random ones; the powers of ten; around 1.
std::vector<double> edge_values() {
    std::vector<double> v;
    std::mt19937_64 rng(20261208);
    for (int e = -1074; e <= 1023; ++e) {
        const double p = std::ldexp(1.0, e);
        for (double m : {1.0, std::sqrt(0.5) * 2.0, 1.5, 2.0}) {
            double x = p * m;
            for (int k = 0; k < 3 && std::isfinite(x); ++k) {
                x = std::nextafter(x, inf);
            }
            for (int k = 0; k < 6 && x > 0.0; ++k) {
                if (std::isfinite(x)) {
                    v.push_back(x);
                }
                x = std::nextafter(x, 0.0);
            }
        }
        for (int k = 0; k < 200; ++k) {
            const double m = 1.0 + static_cast<double>(rng() >> 12) * 0x1p-52;
            const double x = p * m;
            if (x > 0.0 && std::isfinite(x)) {
                v.push_back(x);
            }
        }
    }
    for (int k = -323; k <= 308; ++k) {
        v.push_back(std::pow(10.0, k));
    }
    for (int k = 1; k <= 100000; ++k) {
        v.push_back(1.0 + k * 0x1p-52);
        v.push_back(1.0 - k * 0x1p-53);
        v.push_back(1.0 + k * 1e-9);
    }
    v.push_back(DBL_MIN);
    v.push_back(DBL_MAX);
    v.push_back(std::numeric_limits<double>::denorm_min());
    return v;
}

int64_t ulps_apart(double a, double b) {
    return std::abs(std::bit_cast<int64_t>(a) - std::bit_cast<int64_t>(b));
}

TEST(VectorLog, FollowsTheMathsLibraryOverTheWholeRange) {
    const std::vector<double> x = edge_values();
    ASSERT_GT(x.size(), 700000u);
    for (TVectorIsa isa : runnable_isas()) {
        IsaLimit limit(isa);
        std::vector<double> y(x.size());
        scaled_log10(x.data(), y.data(), x.size(), 1.0);
        double worstrel = 0.0;
        for (size_t i = 0; i < x.size(); ++i) {
            const double ref = std::log10(x[i]);
            ASSERT_LE(ulps_apart(y[i], ref), 2) << vector_isa_name(isa) << " x=" << x[i];
            if (ref != 0.0) {
                worstrel = std::max(worstrel, std::fabs(y[i] - ref) / std::fabs(ref));
            }
        }
        EXPECT_LT(worstrel, 1e-12);
    }
}

TEST(VectorLog, PowersOfTenAndOneAreExact) {
    for (int k = -323; k <= 308; ++k) {
        const double x = std::pow(10.0, k);
        ASSERT_EQ(scaled_log10(x, 1.0), std::log10(x)) << k;
    }
    EXPECT_EQ(scaled_log10(1.0, 20.0), 0.0);
    EXPECT_EQ(scaled_log10(100.0, 20.0), 40.0);
    EXPECT_EQ(scaled_log10(0.001, 10.0), -30.0);
}

TEST(VectorLog, ValuesWithoutALogarithmGiveNaN) {
    const double bad[] = {0.0, -0.0, -1.0, -DBL_MIN, -inf, inf, nan, -nan};
    for (double x : bad) {
        EXPECT_TRUE(std::isnan(scaled_log10(x, 20.0))) << x;
    }
    // Mixed with good values in the array form, each lane on its own.
    std::vector<double> x = {0.0, 10.0, inf, 1e-320, nan, -5.0, 1e300};
    std::vector<double> y(x.size());
    scaled_log10(x.data(), y.data(), x.size(), 20.0);
    EXPECT_TRUE(std::isnan(y[0]));
    EXPECT_EQ(y[1], 20.0);
    EXPECT_TRUE(std::isnan(y[2]));
    EXPECT_NEAR(y[3], 20.0 * std::log10(1e-320), 1e-12 * 6400);
    EXPECT_TRUE(std::isnan(y[4]));
    EXPECT_TRUE(std::isnan(y[5]));
    EXPECT_EQ(y[6], 6000.0);
}

TEST(BinLevels, KeepTheDocumentedFailureValues) {
    // p = re² + im²: normal, 0, subnormal, overflowing, no number.
    const std::vector<double> re = {3.0, 0.0, 1e-160, 1e200, nan, 0.5, -0.0, inf, 1e-170};
    const std::vector<double> im = {4.0, 0.0, 0.0, 0.0, 1.0, 0.0, 0.0, 0.0, 0.0};
    std::vector<double> db(re.size()), mag(re.size());
    power_db_bins(re.data(), im.data(), db.data(), re.size());
    magnitude_bins(re.data(), im.data(), mag.data(), re.size());
    EXPECT_NEAR(db[0], 20.0 * std::log10(5.0), 1e-13);
    EXPECT_EQ(db[1], -3250.0);                                   // no power
    EXPECT_NEAR(db[2], 10.0 * std::log10(1e-320), 1e-12 * 3200); // subnormal power
    EXPECT_EQ(db[3], 0.0); // the power overflows: a failed entry
    EXPECT_EQ(db[4], 0.0); // no number
    EXPECT_NEAR(db[5], 20.0 * std::log10(0.5), 1e-13);
    EXPECT_EQ(db[6], -3250.0);
    EXPECT_EQ(db[7], 0.0);
    EXPECT_EQ(db[8], -3250.0); // the square underflows to 0
    EXPECT_EQ(mag[0], 5.0);
    EXPECT_EQ(mag[1], 0.0);
    EXPECT_EQ(mag[2], std::sqrt(1e-160 * 1e-160)); // from a subnormal power
    EXPECT_EQ(mag[3], 0.0);                        // overflow
    EXPECT_EQ(mag[4], 0.0);                        // no number
    EXPECT_EQ(mag[7], 0.0);
}

TEST(VectorIsa, EveryInstructionSetGivesTheSameBits) {
    std::mt19937_64 rng(5);
    std::uniform_real_distribution<double> exponent(-330.0, 300.0);
    const size_t n = 4099; // leaves a part of a vector at the end
    std::vector<double> re(n), im(n), q(n);
    for (size_t i = 0; i < n; ++i) {
        re[i] = std::pow(10.0, exponent(rng) / 2) * (i % 3 == 0 ? -1 : 1);
        im[i] = i % 7 == 0 ? 0.0 : std::pow(10.0, exponent(rng) / 2);
        q[i] = i % 11 == 0 ? -1.0 : std::pow(10.0, exponent(rng));
    }
    re[5] = nan;
    im[6] = inf;
    std::vector<std::vector<double>> results;
    for (TVectorIsa isa : runnable_isas()) {
        IsaLimit limit(isa);
        std::vector<double> db(n), mag(n), lev(n), sum(n, 1.5), mir = re;
        power_db_bins(re.data(), im.data(), db.data(), n);
        magnitude_bins(re.data(), im.data(), mag.data(), n);
        scaled_log10(q.data(), lev.data(), n, 20.0);
        add_decayed(sum.data(), mag.data(), 0.98, n);
        mirror_lower_half(mir.data(), 4096, true);
        // The powers and cross powers of two channels (the second is the first reversed).
        std::vector<double> power(n, 2.5), re2(re.rbegin(), re.rend()), im2(im.rbegin(), im.rend());
        std::vector<tcomplex> cross(n, tcomplex{0.5, -0.25});
        add_decayed_power(power.data(), re.data(), im.data(), 0.97, n);
        add_decayed_cross(cross.data(), re.data(), im.data(), re2.data(), im2.data(), 0.97, n);
        std::vector<double> all;
        for (const auto* v : {&db, &mag, &lev, &sum, &mir, &power}) {
            all.insert(all.end(), v->begin(), v->end());
        }
        for (const tcomplex& z : cross) {
            all.insert(all.end(), {z.re, z.im});
        }
        results.push_back(all);
        for (size_t i = 0; i < n; i += 97) {
            const double one = scaled_log10(q[i], 20.0);
            ASSERT_EQ(std::bit_cast<uint64_t>(one), std::bit_cast<uint64_t>(lev[i])) << i;
            // Each entry as written, value by value: the same operations in the same order.
            const double a = re[i], b = im[i], c = re2[i], d = im2[i];
            EXPECT_EQ(std::bit_cast<uint64_t>(power[i]),
                      std::bit_cast<uint64_t>(a * a + b * b + 2.5 * 0.97))
                << i;
            EXPECT_EQ(std::bit_cast<uint64_t>(cross[i].re),
                      std::bit_cast<uint64_t>(a * c + b * d + 0.5 * 0.97))
                << i;
            EXPECT_EQ(std::bit_cast<uint64_t>(cross[i].im),
                      std::bit_cast<uint64_t>(a * d - b * c + -0.25 * 0.97))
                << i;
        }
    }
    for (size_t k = 1; k < results.size(); ++k) {
        ASSERT_EQ(results[k].size(), results[0].size());
        for (size_t i = 0; i < results[0].size(); ++i) {
            ASSERT_EQ(std::bit_cast<uint64_t>(results[k][i]),
                      std::bit_cast<uint64_t>(results[0][i]))
                << vector_isa_name(runnable_isas()[k]) << " differs from SSE2 at " << i;
        }
    }
}

// Arrays on cache lines (the transform's tables and working arrays) start on one at
// every size, the large ones too (which the allocator would otherwise place 16 bytes
// into a page), after growing and as copies.
TEST(CacheAlignedArrays, StartOnACacheLine) {
    for (std::size_t n : {1, 3, 100, 4096, 16384, 65537, 262144}) {
        cache_aligned_vector<double> v(n, 1.0);
        const cache_aligned_vector<double> copy = v;
        v.resize(2 * n);
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(v.data()) % cache_line_bytes, 0u) << n;
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(copy.data()) % cache_line_bytes, 0u) << n;
    }
}

TEST(VectorIsa, NamesAndStateReadAsTheProcessorHasThem) {
    EXPECT_EQ(vector_isa_name(TVectorIsa::baseline), "SSE2");
    EXPECT_EQ(vector_isa_name(TVectorIsa::avx2), "AVX2");
    {
        IsaLimit limit(TVectorIsa::baseline);
        EXPECT_EQ(vector_isa(), TVectorIsa::baseline);
    }
    EXPECT_EQ(vector_isa(), processor_vector_isa());
    clear_upper_vector_state();
    EXPECT_FALSE(upper_vector_state_in_use());
}

} // namespace
} // namespace zevrin
