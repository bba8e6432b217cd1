// The extremes of a stretch equal those of std::min and std::max taken value by value,
// however the values fall on the pairs that are compared together.

#include "engine/extremes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

namespace zevrin {
namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();

// The reference: one value at a time.
TExtremes folded(const std::vector<double>& v, size_t from, size_t to, TExtremes e) {
    for (size_t i = from; i < to; ++i) {
        e.low = std::min(e.low, v[i]);
        e.high = std::max(e.high, v[i]);
        e.finite = e.finite && std::isfinite(v[i]);
    }
    return e;
}

void expect_same(const TExtremes& got, const TExtremes& want) {
    EXPECT_TRUE(got.low == want.low || (std::isnan(got.low) && std::isnan(want.low)));
    EXPECT_TRUE(got.high == want.high || (std::isnan(got.high) && std::isnan(want.high)));
    EXPECT_EQ(got.finite, want.finite);
}

TEST(Extremes, EveryStretchAndEveryPlaceOfAFailedValue) {
    std::mt19937 rng(5);
    std::normal_distribution<double> gauss(0.0, 100.0);
    std::vector<double> v(41);
    for (double& x : v) {
        x = gauss(rng);
    }
    for (double odd : {nan, inf, -inf, 0.0}) {
        for (size_t at = 0; at < 9; ++at) {
            std::vector<double> w = v;
            w[at] = odd;
            for (size_t from = 0; from < 5; ++from) {
                for (size_t to = from; to <= 12; ++to) {
                    SCOPED_TRACE(testing::Message()
                                 << odd << " at " << at << " in " << from << ".." << to);
                    expect_same(extremes(TPlainValues{w.data()}, from, to, TExtremes{}),
                                folded(w, from, to, TExtremes{}));
                }
            }
        }
    }
    // Joined to what came before, a NaN there included.
    const TExtremes before{-3.0, 2.0, true};
    expect_same(extremes(TPlainValues{v.data()}, 0, 41, before), folded(v, 0, 41, before));
    const TExtremes failed{nan, nan, false};
    expect_same(extremes(TPlainValues{v.data()}, 3, 20, failed), folded(v, 3, 20, failed));
}

TEST(Extremes, ComputedValuesAreThoseOfOneByOne) {
    std::mt19937 rng(9);
    std::normal_distribution<double> gauss(0.0, 1.0);
    std::vector<double> a(33), b(33);
    std::vector<tcomplex> z(33), y(33);
    for (size_t i = 0; i < a.size(); ++i) {
        a[i] = gauss(rng);
        b[i] = gauss(rng);
        z[i] = {gauss(rng), gauss(rng)};
        y[i] = {gauss(rng), gauss(rng)};
    }
    y[7] = {0.0, 0.0}; // a division by 0
    std::vector<double> scaled, ratio, powers, power_ratio;
    for (size_t i = 0; i < a.size(); ++i) {
        scaled.push_back(a[i] * 0.1);
        ratio.push_back(a[i] / b[i]);
        powers.push_back((z[i].re * z[i].re + z[i].im * z[i].im) * 0.1);
        power_ratio.push_back((z[i].re * z[i].re + z[i].im * z[i].im) /
                              (y[i].re * y[i].re + y[i].im * y[i].im));
    }
    for (size_t to : {size_t{32}, size_t{33}}) {
        expect_same(extremes(TScaledValues{a.data(), 0.1}, 1, to, TExtremes{}),
                    folded(scaled, 1, to, TExtremes{}));
        expect_same(extremes(TRatioValues{a.data(), b.data()}, 1, to, TExtremes{}),
                    folded(ratio, 1, to, TExtremes{}));
        expect_same(extremes(TScaledPowers{z.data(), 0.1}, 1, to, TExtremes{}),
                    folded(powers, 1, to, TExtremes{}));
        const TExtremes e = extremes(TPowerRatios{z.data(), y.data()}, 1, to, TExtremes{});
        expect_same(e, folded(power_ratio, 1, to, TExtremes{}));
        EXPECT_FALSE(e.finite);
    }
}

} // namespace
} // namespace zevrin
