#pragma once
// The decimal logarithm on vectors of W doubles (GCC vector extensions), for the loops
// that take one per spectrum bin: compiled into each version of those loops
// (dsp/vector_isa.h), it runs as 2, 4 or 8 values at a time without a call into the
// maths library.
//
// The method is the classic one of fdlibm's log10: x = 2^k·m with m in [√½, √2),
// log(m) = 2·atanh(f / (2 + f)) with f = m - 1 from a polynomial in s = f / (2 + f), and
// the sum k·log10(2) + log(m)/ln(10) taken with the constants split in two, so that the
// result is within 2 units in the last place of std::log10 everywhere (exact at the
// powers of ten), also right beside 1, where the logarithm goes to 0. Subnormal x is
// scaled by 2^54 first. Every operation is a plain IEEE one in a fixed order: the same x
// gives the same bits in every lane, at every width, on every processor, provided the
// compiler does not contract them into fused multiply-adds (this project builds with
// -ffp-contract=off).
//
// It comes in two halves, the reduction with its division (log10_reduce) and the rest
// (log10_finish), so that a loop can take several vectors through the first half before
// any goes through the second: their chains then overlap.

#include <cstddef>
#include <cstdint>

// The kernel is always inlined: the vector types never cross a call.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpsabi"

namespace zevrin::log10_kernel {

template <std::size_t W> using vdouble [[gnu::vector_size(8 * W)]] = double;
template <std::size_t W> using vbits [[gnu::vector_size(8 * W)]] = uint64_t;
template <std::size_t W> using vmask [[gnu::vector_size(8 * W)]] = int64_t;

/// x = 2^k·m reduced to f = m - 1 and s = f / (2 + f): the first half of the logarithm,
/// with its division.
template <std::size_t W> struct Reduced { vdouble<W> f, s, k; };

/// The reduction of log10_positive (below).
template <std::size_t W> [[gnu::always_inline]] inline Reduced<W> log10_reduce(vdouble<W> x) {
    using D = vdouble<W>;
    using U = vbits<W>;
    using M = vmask<W>;
    // Subnormal: scaled into the normal range, its exponent corrected below.
    const M tiny = x < 0x1p-1022;
    x = tiny ? x * 0x1p54 : x;
    // x = 2^k·m with m in [√½, √2): k is the exponent of x / √½, m has x's mantissa
    // bits and k taken out of its exponent.
    const U ix = reinterpret_cast<U>(x);
    const U above = ix - 0x3fe6a09e667f3bcdull; // the bits of √½
    const D m = reinterpret_cast<D>(ix - (above & (0xfffull << 52)));
    // k + 2048 (from 972 to 3072) into a mantissa, read back as a double: the integer
    // conversion that SSE2 and AVX2 lack for 64-bit lanes.
    const U biased = (above + (2048ull << 52)) >> 52;
    D k = reinterpret_cast<D>(biased | 0x4330000000000000ull) - (0x1p52 + 2048.0);
    k = tiny ? k - 54.0 : k;
    const D f = m - 1.0;
    return Reduced<W>{f, f / (2.0 + f), k};
}

/// The rest of log10_positive from its reduction: the polynomial and the sums.
template <std::size_t W>
[[gnu::always_inline]] inline vdouble<W> log10_finish(const Reduced<W>& x) {
    using D = vdouble<W>;
    using U = vbits<W>;
    const D f = x.f;
    const D s = x.s;
    const D k = x.k;
    const D hfsq = 0.5 * f * f;
    const D z = s * s;
    const D w = z * z;
    const D t1 = w * (3.999999999940941908e-01 +
                      w * (2.222219843214978396e-01 + w * 1.531383769920937332e-01));
    const D t2 = z * (6.666666666666735130e-01 +
                      w * (2.857142874366239149e-01 +
                           w * (1.818357216161805012e-01 + w * 1.479819860511658591e-01)));
    const D r = s * (hfsq + (t2 + t1)); // log(1 + f) - f + f²/2
    // f - f²/2 in a head of 21 significant bits and a tail, so that its products with the
    // split constants below are exact or nearly.
    const D hi = reinterpret_cast<D>(reinterpret_cast<U>(f - hfsq) & 0xffffffff00000000ull);
    const D lo = (f - hi) - hfsq + r;

    constexpr double ivln10hi = 4.34294481878168880939e-01; // 1/ln 10, head and tail
    constexpr double ivln10lo = 2.50829467116452752298e-11;
    constexpr double log10_2hi = 3.01029995663611771306e-01; // log10(2), head and tail
    constexpr double log10_2lo = 3.69423907715893078616e-13;
    const D val_hi = hi * ivln10hi;
    const D y2 = k * log10_2hi;
    D val_lo = k * log10_2lo + (lo + hi) * ivln10lo + lo * ivln10hi;
    const D sum = y2 + val_hi;
    val_lo += (y2 - sum) + val_hi;
    return val_lo + sum;
}

/// log10(x) for finite x > 0, normal or subnormal; other x give meaningless values,
/// which the caller replaces.
template <std::size_t W> [[gnu::always_inline]] inline vdouble<W> log10_positive(vdouble<W> x) {
    return log10_finish<W>(log10_reduce<W>(x));
}

/// W copies of v.
template <std::size_t W> [[gnu::always_inline]] inline vdouble<W> splat(double v) {
    return vdouble<W>{} + v;
}

} // namespace zevrin::log10_kernel

#pragma GCC diagnostic pop
