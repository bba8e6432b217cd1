#pragma once
// The geometric series 1, 2^(1/N), 2^(2/N), ... that picks the partials of the "N per
// octave" test signals, compared with whole partial numbers exactly: a point of the
// series lies below the integer a when 2^j < a^N, a comparison of integers. Floating
// point decides it where it is far from a tie and exact integer arithmetic where it is
// not, so the selection is the same on every machine and at every octave boundary
// (2^m itself is a point: the first whole index above it is 2^m + 1).

#include <cstdint>

namespace zevrin {

/// The sign (-1, 0 or +1) of base^n - 2^k, decided exactly, for base >= 1 and n >= 1.
int compare_power_with_power_of_two(uint32_t base, int64_t n, int64_t k);

/// The same for an odd base >= 3 and t >= 0 by multiplying base^n out; slow for large
/// n, the fallback of the above near a tie.
int compare_odd_power_by_multiplying(uint32_t base, int64_t n, int64_t t);

/// Whether a point 2^(j/n), j = 0, 1, 2, ..., lies in [from, to); from < to, n >= 1.
bool octave_point_between(uint32_t from, uint32_t to, int64_t n);

} // namespace zevrin
