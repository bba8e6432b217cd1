#include "dsp/filter_section.h"

#include "dsp/numeric.h"

#include <cmath>

namespace zevrin {

namespace {

bool finite(double v) {
    return std::isfinite(v);
}

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
