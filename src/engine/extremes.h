#pragma once
// The smallest and largest of a stretch of values and whether all of them are numbers
// and finite: the inner loop of the plot, which goes over every spectrum entry of every
// curve at each repaint. It runs without branches on the data (a noisy spectrum would
// make each of them unpredictable), two values at a time where the processor has SSE2.
// The results are those of std::min and std::max taken value by value: a NaN never
// wins a comparison, and the packed instructions compare exactly as the scalar ones.
//
// A source gives the values: `double one(size_t i) const`, and with SSE2
// `__m128d two(size_t i) const`, values i and i + 1 computed as one() would.

#include "dsp/types.h"

#include <algorithm>
#include <cstddef>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zevrin {

struct TExtremes {
    double low = std::numeric_limits<double>::infinity();
    double high = -std::numeric_limits<double>::infinity();
    bool finite = true; ///< no value was NaN or infinite
};

/// `e` joined with the values of [from, to).
template <class Source>
TExtremes extremes(const Source& source, size_t from, size_t to, TExtremes e) {
    constexpr double most = std::numeric_limits<double>::max();
    size_t i = from;
    bool nan = false;
#if defined(__SSE2__)
    __m128d low = _mm_set1_pd(e.low);
    __m128d high = _mm_set1_pd(e.high);
    __m128d unordered = _mm_setzero_pd();
    for (; i + 1 < to; i += 2) {
        const __m128d v = source.two(i);
        low = _mm_min_pd(v, low); // v < low ? v : low, as std::min(low, v)
        high = _mm_max_pd(v, high);
        unordered = _mm_or_pd(unordered, _mm_cmpunord_pd(v, v));
    }
    nan = _mm_movemask_pd(unordered) != 0;
    alignas(16) double lows[2];
    alignas(16) double highs[2];
    _mm_store_pd(lows, low);
    _mm_store_pd(highs, high);
    e.low = std::min(lows[0], lows[1]);
    e.high = std::max(highs[0], highs[1]);
#endif
    for (; i < to; ++i) {
        const double v = source.one(i);
        e.low = std::min(e.low, v);
        e.high = std::max(e.high, v);
        nan |= v != v;
    }
    e.finite = e.finite && !nan && e.low >= -most && e.high <= most;
    return e;
}

/// Values of an array.
struct TPlainValues {
    const double* v;
    double one(size_t i) const { return v[i]; }
#if defined(__SSE2__)
    __m128d two(size_t i) const {
        return _mm_loadu_pd(v + i);
    }
#endif
};

/// Values of an array times a factor.
struct TScaledValues {
    const double* v;
    double by;
    double one(size_t i) const { return v[i] * by; }
#if defined(__SSE2__)
    __m128d two(size_t i) const {
        return _mm_mul_pd(_mm_loadu_pd(v + i), _mm_set1_pd(by));
    }
#endif
};

/// Quotients of two arrays.
struct TRatioValues {
    const double* n;
    const double* d;
    double one(size_t i) const { return n[i] / d[i]; }
#if defined(__SSE2__)
    __m128d two(size_t i) const {
        return _mm_div_pd(_mm_loadu_pd(n + i), _mm_loadu_pd(d + i));
    }
#endif
};

/// re² + im²: the power of an SLTAS sum.
inline double squared_modulus(const tcomplex& z) {
    return z.re * z.re + z.im * z.im;
}

namespace extremes_detail {
#if defined(__SSE2__)
// re² + im² of entries i and i + 1.
inline __m128d squared_moduli(const tcomplex* z, size_t i) {
    const __m128d a = _mm_loadu_pd(&z[i].re);
    const __m128d b = _mm_loadu_pd(&z[i + 1].re);
    const __m128d a2 = _mm_mul_pd(a, a);
    const __m128d b2 = _mm_mul_pd(b, b);
    return _mm_add_pd(_mm_unpacklo_pd(a2, b2), _mm_unpackhi_pd(a2, b2));
}
#endif
} // namespace extremes_detail

/// Squared moduli of complex values times a factor.
struct TScaledPowers {
    const tcomplex* z;
    double by;
    double one(size_t i) const { return squared_modulus(z[i]) * by; }
#if defined(__SSE2__)
    __m128d two(size_t i) const {
        return _mm_mul_pd(extremes_detail::squared_moduli(z, i), _mm_set1_pd(by));
    }
#endif
};

/// Quotients of the squared moduli of two complex arrays.
struct TPowerRatios {
    const tcomplex* n;
    const tcomplex* d;
    double one(size_t i) const { return squared_modulus(n[i]) / squared_modulus(d[i]); }
#if defined(__SSE2__)
    __m128d two(size_t i) const {
        return _mm_div_pd(extremes_detail::squared_moduli(n, i),
                          extremes_detail::squared_moduli(d, i));
    }
#endif
};

} // namespace zevrin
