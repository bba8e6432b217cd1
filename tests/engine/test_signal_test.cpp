#include "engine/test_signal.h"

#include "dsp/numeric.h"
#include "engine/octave_series.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace zevrin {
namespace {

std::vector<size_t> used_indices(const tpartialflags& used, size_t limit) {
    std::vector<size_t> out;
    for (size_t a = 0; a < std::min(limit, used.size()); ++a) {
        if (used[a]) {
            out.push_back(a);
        }
    }
    return out;
}

tpartialflags select(int pattern, int n, size_t length, double f = 100, double fs = 16000) {
    TTestSignalSettings s;
    s.partialpattern = pattern;
    s.partialsperoctave = n;
    s.singlesinusfreq = f;
    s.sampfreq = fs;
    tpartialflags used(length, true);
    select_partials(s, used);
    return used;
}

TEST(PartialPattern, PerOctaveSeries) {
    EXPECT_EQ(used_indices(select(2, 1, 64), 64), (std::vector<size_t>{2, 3, 5, 9, 17, 33}));
    EXPECT_EQ(used_indices(select(3, 1, 64), 64), (std::vector<size_t>{2, 4, 6, 10, 18, 34}));
    // Twelve per octave: every index while the series is denser than the integers.
    const auto twelve = used_indices(select(2, 12, 4096), 4096);
    EXPECT_EQ(twelve.front(), 2u);
    EXPECT_EQ(std::count(twelve.begin(), twelve.end(), 17), 1);
    EXPECT_FALSE(select(2, 12, 4096)[1]);
    // 12 per octave over 11 octaves plus the dense start: about 12 per doubling.
    const auto between =
        std::count_if(twelve.begin(), twelve.end(), [](size_t a) { return a > 1024 && a <= 2048; });
    EXPECT_EQ(between, 12);
}

// Whole numbers in base 10^9, independent of the binary arithmetic of the selection.
class Decimal {
public:
    explicit Decimal(uint32_t v) : limbs{v % base, v / base} { trim(); }
    Decimal& operator*=(uint32_t f) {
        uint64_t carry = 0;
        for (uint32_t& limb : limbs) {
            const uint64_t v = uint64_t{limb} * f + carry;
            limb = static_cast<uint32_t>(v % base);
            carry = v / base;
        }
        for (; carry != 0; carry /= base) {
            limbs.push_back(static_cast<uint32_t>(carry % base));
        }
        return *this;
    }
    bool operator<=(const Decimal& o) const {
        if (limbs.size() != o.limbs.size()) {
            return limbs.size() < o.limbs.size();
        }
        return !std::lexicographical_compare(o.limbs.rbegin(), o.limbs.rend(), limbs.rbegin(),
                                             limbs.rend());
    }

private:
    void trim() {
        while (limbs.size() > 1 && limbs.back() == 0) {
            limbs.pop_back();
        }
    }
    static constexpr uint32_t base = 1000000000;
    std::vector<uint32_t> limbs;
};

Decimal decimal_power(uint32_t m, int n) {
    Decimal d(1);
    for (int i = 0; i < n; ++i) {
        d *= m;
    }
    return d;
}

// The selection point by point: for each point 2^(j/N) of the series, the first
// whole index above it (only even ones for the even pattern), found as m + 1 with m
// the largest whole number whose N-th power is at most 2^j.
tpartialflags per_octave_reference(int n, bool even_only, size_t length) {
    tpartialflags used(length, false);
    Decimal two_j(1);
    for (int j = 0;; ++j, two_j *= 2) {
        auto m = static_cast<uint32_t>(std::floor(std::exp2(static_cast<double>(j) / n)));
        while (!(decimal_power(m, n) <= two_j)) {
            --m;
        }
        while (decimal_power(m + 1, n) <= two_j) {
            ++m;
        }
        size_t a = m + 1;
        if (even_only && a % 2 == 1) {
            ++a;
        }
        if (a >= length) {
            return used;
        }
        used[a] = true;
    }
}

TEST(PartialPattern, PerOctaveFollowsTheRuleAtEveryOctaveBoundary) {
    // Four per octave: 2^m is a point, so the index used is 2^m + 1.
    const auto four = select(2, 4, 64);
    EXPECT_EQ(used_indices(four, 64), (std::vector<size_t>{2, 3, 4, 5, 6, 7, 9, 10, 12, 14, 17, 20,
                                                           23, 27, 33, 39, 46, 54}));
    EXPECT_EQ(used_indices(select(3, 4, 64), 64),
              (std::vector<size_t>{2, 4, 6, 8, 10, 12, 14, 18, 20, 24, 28, 34, 40, 46, 54}));
    for (int n = 1; n <= 48; ++n) {
        for (bool even : {false, true}) {
            const tpartialflags expected = per_octave_reference(n, even, 32768);
            ASSERT_EQ(select(even ? 3 : 2, n, 32768), expected) << n << (even ? " even" : "");
            const tpartialflags small(expected.begin(), expected.begin() + 1024);
            ASSERT_EQ(select(even ? 3 : 2, n, 1024), small) << n << (even ? " even" : "");
        }
    }
}

TEST(PartialPattern, ExactComparisonOfPowers) {
    EXPECT_EQ(compare_power_with_power_of_two(3, 12, 19), 1); // 531441 > 524288
    EXPECT_EQ(compare_power_with_power_of_two(3, 41, 65), -1);
    EXPECT_EQ(compare_power_with_power_of_two(8, 4, 12), 0);
    EXPECT_EQ(compare_power_with_power_of_two(24, 3, 13), 1); // 13824 > 8192
    EXPECT_EQ(compare_power_with_power_of_two(1, 5, 0), 0);
    // Multiplied out, against numbers known exactly: 3^41 = 36472996377170786403 is
    // below 2^65 = 36893488147419103232; 5^3 = 125 lies between 2^6 and 2^7.
    EXPECT_EQ(compare_odd_power_by_multiplying(3, 41, 65), -1);
    EXPECT_EQ(compare_odd_power_by_multiplying(3, 41, 64), 1);
    EXPECT_EQ(compare_odd_power_by_multiplying(5, 3, 6), 1);
    EXPECT_EQ(compare_odd_power_by_multiplying(5, 3, 7), -1);
    EXPECT_EQ(compare_odd_power_by_multiplying(4294967295u, 3, 96), -1);
    EXPECT_EQ(compare_odd_power_by_multiplying(4294967295u, 3, 95), 1);
    // Huge counts per octave: every index from 2 on has a point below it.
    const auto dense = select(2, 2147483647, 4096);
    EXPECT_EQ(std::count(dense.begin(), dense.end(), true), 4094);
}

TEST(PartialPattern, AllEvenAndSingle) {
    const auto all = select(0, 1, 16);
    EXPECT_EQ(std::count(all.begin(), all.end(), true), 16);
    EXPECT_EQ(used_indices(select(1, 1, 16), 16), (std::vector<size_t>{0, 2, 4, 6, 8, 10, 12, 14}));
    EXPECT_EQ(used_indices(select(4, 1, 4096, 1000, 16000), 4096), (std::vector<size_t>{256}));
}

TEST(PartialPattern, NothingSelectedNeverHangs) {
    const std::vector<tpartialflags> cases = {select(7, 1, 64),
                                              select(-1, 1, 64),
                                              select(2, 0, 64),
                                              select(3, -2, 64),
                                              select(4, 1, 64, 20000, 16000),
                                              select(4, 1, 64, -500, 16000)};
    for (size_t k = 0; k < cases.size(); ++k) {
        EXPECT_EQ(std::count(cases[k].begin(), cases[k].end(), true), 0) << k;
    }
}

TEST(PartialAmplitudes, TiltPerOctave) {
    tdoublearr amp(16);
    partial_amplitudes(-6, amp);
    EXPECT_EQ(amp[0], 0.0);
    EXPECT_DOUBLE_EQ(amp[1], 1.0);
    EXPECT_NEAR(amp[2], 0.501187, 1e-6);
    EXPECT_NEAR(amp[4], 0.251189, 1e-6);
    partial_amplitudes(0, amp);
    EXPECT_DOUBLE_EQ(amp[15], 1.0);
}

double max_abs(const tdoublearr& v) {
    double m = 0;
    for (double x : v) {
        m = std::max(m, std::abs(x));
    }
    return m;
}

// The transform path against the direct double sum, for every pattern and several
// chirps and tilts; the partial at L/2 must never sound.
TEST(Synthesis, TransformEqualsDirectSum) {
    for (size_t length : {16u, 256u, 2048u}) {
        for (int pattern = 0; pattern <= 4; ++pattern) {
            for (double chirp : {0.0, 1.0, 0.37}) {
                const auto used = select(pattern, 3, length, 1000, 16000);
                tdoublearr amp(length);
                partial_amplitudes(-3, amp);
                tdoublearr direct(length), fast(length);
                synthesise_direct(used, amp, chirp, direct);
                TFFT fft;
                synthesise_fast(used, amp, chirp, fft, fast);
                const double peak = max_abs(direct);
                for (size_t c = 0; c < length; ++c) {
                    ASSERT_LE(std::abs(fast[c] - direct[c]), 1e-9 * std::max(peak, 1e-300))
                        << length << " " << pattern << " " << chirp << " " << c;
                }
            }
        }
    }
}

TEST(Synthesis, EvenPatternLeavesOutHalfTheLength) {
    const auto used = select(1, 1, 16);
    tdoublearr amp(16);
    partial_amplitudes(0, amp);
    tdoublearr period(16);
    TFFT fft;
    synthesise(used, amp, 0.0, fft, period);
    // Partials 2, 4 and 6 in cosine phase: 3 at c = 0, and no component at bin 8.
    EXPECT_NEAR(period[0], 3.0, 1e-12);
    double alternating = 0;
    for (size_t c = 0; c < 16; ++c) {
        alternating += period[c] * (c % 2 ? -1 : 1);
    }
    EXPECT_NEAR(alternating, 0.0, 1e-12);
}

TEST(Synthesis, ZeroChirpPeaksAtTheStart) {
    const auto used = select(0, 1, 1024);
    tdoublearr amp(1024);
    partial_amplitudes(0, amp);
    tdoublearr period(1024);
    TFFT fft;
    synthesise(used, amp, 0.0, fft, period);
    EXPECT_NEAR(period[0], 511.0, 1e-9);
    EXPECT_EQ(std::max_element(period.begin(), period.end()) - period.begin(), 0);
}

TEST(Synthesis, OtherLengthsUseTheDirectSum) {
    const auto used = select(0, 1, 100);
    tdoublearr amp(100);
    partial_amplitudes(0, amp);
    tdoublearr period(100), direct(100);
    TFFT fft;
    synthesise(used, amp, 1.0, fft, period);
    synthesise_direct(used, amp, 1.0, direct);
    EXPECT_EQ(period, direct);
}

} // namespace
} // namespace zevrin
