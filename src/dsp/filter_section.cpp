#include "dsp/filter_section.h"

#include "dsp/numeric.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zevrin {

namespace {

bool finite(double v) {
    return std::isfinite(v);
}

// Rounded to the nearest integer, halves to even, within the 16-bit range. Limiting
// first and rounding then gives the same as the other way round; the conversion rounds
// as the floating-point environment does, which is to nearest with halves to even.
int16_t to_int16(double v) {
    v = std::clamp(v, -32768.0, 32767.0);
#if defined(__SSE2__)
    return static_cast<int16_t>(_mm_cvtsd_si32(_mm_set_sd(v)));
#else
    return static_cast<int16_t>(std::nearbyint(v));
#endif
}

// The recursion of filter() on local copies of a section's state, so that the state
// stays in registers over a whole block. The operations and their order are filter()'s.
struct Recursion {
    double a0, a1, a2, g, b1, b2;
    double z1, z2;

    double step(double x) {
        const double w = a0 * x + a1 * z1 + a2 * z2;
        const double y = g * (w + b1 * z1 + b2 * z2);
        z2 = z1;
        z1 = w;
        return y;
    }
};

#if defined(__SSE2__)
// Two recursions in the two lanes of one register, for interleaved channels: each lane
// does Recursion's operations in Recursion's order, so the numbers are the same, and
// one stream of instructions serves both channels.
struct PairRecursion {
    __m128d a0, a1, a2, g, b1, b2, z1, z2;

    static __m128d pair(double low, double high) { return _mm_set_pd(high, low); }

    PairRecursion(const Recursion& l, const Recursion& r)
        : a0(pair(l.a0, r.a0)), a1(pair(l.a1, r.a1)), a2(pair(l.a2, r.a2)), g(pair(l.g, r.g)),
          b1(pair(l.b1, r.b1)), b2(pair(l.b2, r.b2)), z1(pair(l.z1, r.z1)), z2(pair(l.z2, r.z2)) {}

    __m128d step(__m128d x) {
        const __m128d w =
            _mm_add_pd(_mm_add_pd(_mm_mul_pd(a0, x), _mm_mul_pd(a1, z1)), _mm_mul_pd(a2, z2));
        const __m128d y =
            _mm_mul_pd(g, _mm_add_pd(_mm_add_pd(w, _mm_mul_pd(b1, z1)), _mm_mul_pd(b2, z2)));
        z2 = z1;
        z1 = w;
        return y;
    }

    // Two 16-bit samples, sign-extended, as doubles.
    static __m128d load(const int16_t* p) {
        int32_t bits;
        std::memcpy(&bits, p, sizeof bits);
        const __m128i v = _mm_cvtsi32_si128(bits);
        return _mm_cvtepi32_pd(_mm_srai_epi32(_mm_unpacklo_epi16(v, v), 16));
    }

    // to_int16 in both lanes: limited as std::clamp limits (a NaN passes), converted as
    // the floating-point environment rounds, and the low 16 bits of each kept.
    static void store(int16_t* p, __m128d y) {
        const __m128d limited =
            _mm_min_pd(_mm_set1_pd(32767.0), _mm_max_pd(_mm_set1_pd(-32768.0), y));
        const __m128i words =
            _mm_shufflelo_epi16(_mm_cvtpd_epi32(limited), _MM_SHUFFLE(3, 3, 2, 0));
        const auto bits = static_cast<int32_t>(_mm_cvtsi128_si32(words));
        std::memcpy(p, &bits, sizeof bits);
    }

    Recursion lane(int k) const {
        const auto at = [k](__m128d v) {
            return k == 0 ? _mm_cvtsd_f64(v) : _mm_cvtsd_f64(_mm_unpackhi_pd(v, v));
        };
        return Recursion{at(a0), at(a1), at(a2), at(g), at(b1), at(b2), at(z1), at(z2)};
    }
};
#endif

} // namespace

void TFilterSectionBase::init() {
    fsf = 16000.0;
    ff0 = 1000.0;
    set_Q(1.0);
    z1 = 0.0;
    z2 = 0.0;
    fgain = 1.0;
}

double TFilterSectionBase::bw() const {
    return fq == 0.0 ? 0.0 : ff0 / fq;
}

void TFilterSectionBase::set_Q(double value) {
    fq = value;
    calc_coefficients();
}

void TFilterSectionBase::set_F0(double value) {
    ff0 = value;
    calc_coefficients();
}

void TFilterSectionBase::set_SampFreq(double value) {
    fsf = value;
    set_F0(ff0);
    set_Q(fq);
}

void TFilterSectionBase::reset() {
    z0 = z1 = z2 = 0.0;
}

double TFilterSectionBase::filter(double insample) {
    const double w = fa0 * insample + fa1 * z1 + fa2 * z2;
    z0 = w;
    const double y = fgain * fb0 * (w + fb1 * z1 + fb2 * z2);
    z2 = z1;
    z1 = z0;
    return y;
}

void TFilterSectionBase::filter_samples(int16_t* samples, std::size_t count) {
    Recursion r{fa0, fa1, fa2, fgain * fb0, fb1, fb2, z1, z2};
    for (std::size_t i = 0; i < count; ++i) {
        samples[i] = to_int16(r.step(samples[i]));
    }
    z0 = z1 = r.z1;
    z2 = r.z2;
}

void TFilterSectionBase::filter_interleaved(TFilterSectionBase& first, TFilterSectionBase& second,
                                            int16_t* samples, std::size_t count) {
    Recursion r1{first.fa0, first.fa1, first.fa2, first.fgain * first.fb0,
                 first.fb1, first.fb2, first.z1,  first.z2};
    Recursion r2{second.fa0, second.fa1, second.fa2, second.fgain * second.fb0,
                 second.fb1, second.fb2, second.z1,  second.z2};
    std::size_t i = 0;
#if defined(__SSE2__)
    PairRecursion both{r1, r2};
    for (; i + 1 < count; i += 2) {
        PairRecursion::store(samples + i, both.step(PairRecursion::load(samples + i)));
    }
    r1 = both.lane(0);
    r2 = both.lane(1);
#else
    for (; i + 1 < count; i += 2) {
        samples[i] = to_int16(r1.step(samples[i]));
        samples[i + 1] = to_int16(r2.step(samples[i + 1]));
    }
#endif
    if (i < count) {
        samples[i] = to_int16(r1.step(samples[i]));
    }
    const auto keep = [](TFilterSectionBase& section, const Recursion& r) {
        section.z0 = section.z1 = r.z1;
        section.z2 = r.z2;
    };
    keep(first, r1);
    keep(second, r2);
}

TFilterSectionBase::Coefficients TFilterSectionBase::design(double& b_factor) const {
    const double k = tan(pi * ff0 / fsf);
    const double b = 1.0 / (k * k);
    const double a = 1.0 / (k * fq);
    const double c = b + a + 1.0;
    Coefficients co{};
    co.a2 = -(b + 1.0 - a) / c;
    co.a1 = -2.0 * (1.0 - b) / c;
    co.a0 = 1.0 - co.a1 - co.a2;
    b_factor = b;
    return co;
}

void TFilterSectionBase::apply(const Coefficients& c) {
    fa0 = c.a0;
    fa1 = c.a1;
    fa2 = c.a2;
    fb0 = c.b0;
    fb1 = c.b1;
    fb2 = 1.0;
}

TLPFilterSection::TLPFilterSection() {
    init();
}

void TLPFilterSection::calc_coefficients() {
    double b = 0.0;
    Coefficients c = design(b);
    c.b1 = 2.0;
    c.b0 = 0.25;
    if (!(finite(c.a0) && finite(c.a1) && finite(c.a2)) || Q() == 0.0 || SampFreq() == 0.0) {
        throw EMathError();
    }
    apply(c);
}

THPFilterSection::THPFilterSection() {
    init();
}

void THPFilterSection::calc_coefficients() {
    double b = 0.0;
    Coefficients c = design(b);
    c.b1 = -2.0;
    c.b0 = b * 0.25;
    if (finite(c.a0) && finite(c.a1) && finite(c.a2) && finite(c.b0) && Q() != 0.0 &&
        SampFreq() != 0.0) {
        apply(c);
    }
}

} // namespace zevrin
