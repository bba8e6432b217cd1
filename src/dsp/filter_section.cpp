#include "dsp/filter_section.h"

#include "dsp/numeric.h"

#include <algorithm>
#include <cmath>

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
    // The two recursions do not wait on each other: the processor runs them side by side.
    std::size_t i = 0;
    for (; i + 1 < count; i += 2) {
        samples[i] = to_int16(r1.step(samples[i]));
        samples[i + 1] = to_int16(r2.step(samples[i + 1]));
    }
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
