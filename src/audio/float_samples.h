#pragma once
// Sound cards deliver floats in [-1, 1]; the analyser works on 16-bit values. A value is
// scaled by 32768, rounded to the nearest integer (halves to even, as the processor's
// default rounding does) and limited to the 16-bit range; a value that is no number
// becomes the most negative one, so that a faulty input shows as overloaded rather than
// as silence. This runs in the sound card's callback: eight values at a time where the
// processor has SSE2, with the same results as the value-by-value way.

#include <cmath>
#include <cstddef>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zevrin {

inline int16_t sample_from_float(float x) {
    float v = x * 32768.0f;
    if (!(v >= -32768.0f)) { // also a NaN
        v = -32768.0f;
    } else if (v > 32767.0f) {
        v = 32767.0f;
    }
    return static_cast<int16_t>(std::lrint(v));
}

inline void samples_from_floats(const float* in, int16_t* out, size_t count) {
    size_t i = 0;
#if defined(__SSE2__)
    const __m128 scale = _mm_set1_ps(32768.0f);
    const __m128 low = _mm_set1_ps(-32768.0f);
    const __m128 high = _mm_set1_ps(32767.0f);
    const auto convert = [&](const float* p) {
        const __m128 v = _mm_mul_ps(_mm_loadu_ps(p), scale);
        // max gives its second operand where v is no number: the low limit.
        return _mm_cvtps_epi32(_mm_min_ps(_mm_max_ps(v, low), high));
    };
    for (; i + 8 <= count; i += 8) {
        const __m128i both = _mm_packs_epi32(convert(in + i), convert(in + i + 4));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), both);
    }
#endif
    for (; i < count; ++i) {
        out[i] = sample_from_float(in[i]);
    }
}

} // namespace zevrin
