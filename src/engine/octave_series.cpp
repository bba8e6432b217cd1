#include "engine/octave_series.h"

#include <bit>
#include <cmath>
#include <vector>

namespace zevrin {

namespace {

int sign_of(int64_t v) {
    return (v > 0) - (v < 0);
}

// n·log2(base) in double arithmetic is off by a few units in its last place; a
// difference from an integer beyond this share of it is a decision exact arithmetic
// would take too, whatever the machine's log2.
constexpr double relative_margin = 0x1p-40;

} // namespace

int compare_odd_power_by_multiplying(uint32_t base, int64_t n, int64_t t) {
    // An odd power above 1 is never 2^t: it is the larger one as soon as it has more
    // than t bits, and the smaller one if it never gets there.
    std::vector<uint32_t> limbs{1};
    for (int64_t i = 0; i < n; ++i) {
        uint64_t carry = 0;
        for (uint32_t& limb : limbs) {
            const uint64_t v = uint64_t{limb} * base + carry;
            limb = static_cast<uint32_t>(v);
            carry = v >> 32;
        }
        if (carry != 0) {
            limbs.push_back(static_cast<uint32_t>(carry));
        }
        const auto bits = static_cast<int64_t>(32 * (limbs.size() - 1)) +
                          static_cast<int64_t>(std::bit_width(limbs.back()));
        if (bits > t) {
            return 1;
        }
    }
    return -1;
}

int compare_power_with_power_of_two(uint32_t base, int64_t n, int64_t k) {
    if (base == 0) {
        return -1;
    }
    // base^n = 2^(twos·n) · odd^n
    const int twos = std::countr_zero(base);
    const uint32_t odd = base >> twos;
    const int64_t t = k - twos * n;
    if (odd == 1) {
        return sign_of(-t);
    }
    if (t < 0) {
        return 1;
    }
    const double p = static_cast<double>(n) * std::log2(static_cast<double>(odd));
    const double x = p - static_cast<double>(t);
    const double margin = relative_margin * (p + 1.0);
    if (x > margin) {
        return 1;
    }
    if (x < -margin) {
        return -1;
    }
    return compare_odd_power_by_multiplying(odd, n, t);
}

bool octave_point_between(uint32_t from, uint32_t to, int64_t n) {
    if (to <= 1) {
        return false; // every point is 1 or more
    }
    if (from <= 1) {
        return true; // the point 1
    }
    // An interval spanning a ratio of 2^(1/n) or more holds a point wherever the
    // series stands.
    const double width = static_cast<double>(n) *
                         std::log1p(static_cast<double>(to - from) / static_cast<double>(from)) /
                         std::log(2.0);
    if (width > 1.0 + 1e-9) {
        return true;
    }
    // The first point at or above `from` is 2^(j/n) with j the smallest for which
    // 2^j >= from^n; it lies below `to` when 2^j < to^n.
    auto j = static_cast<int64_t>(
        std::ceil(static_cast<double>(n) * std::log2(static_cast<double>(from))));
    while (compare_power_with_power_of_two(from, n, j - 1) <= 0) {
        --j;
    }
    while (compare_power_with_power_of_two(from, n, j) > 0) {
        ++j;
    }
    return compare_power_with_power_of_two(to, n, j) > 0;
}

} // namespace zevrin
