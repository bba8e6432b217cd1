#include "dsp/fft.h"

#include "dsp/numeric.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace zevrin {

namespace {

constexpr int max_size = 16777216;

double window_value(TFFTWindow window, double theta) {
    switch (window) {
    case TFFTWindow::rectangle:
        return 1.0;
    case TFFTWindow::Bartlett: {
        const double t = theta / pi; // 0..2 over the frame
        return t <= 1.0 ? t : 2.0 - t;
    }
    case TFFTWindow::Hamming:
        return 0.54 - 0.46 * std::cos(theta);
    case TFFTWindow::Hanning:
        return 0.5 * (1.0 - std::cos(theta));
    case TFFTWindow::Blackman:
        return 0.42 - 0.5 * std::cos(theta) + 0.08 * std::cos(2.0 * theta);
    }
    return 1.0;
}

} // namespace

TFFT::TFFT() {
    set_LogFFTSize(8);
    set_Window(TFFTWindow::Hamming);
    set_WindowSize(256);
    set_Dirty(true);
}

void TFFT::set_LogFFTSize(int value) {
    if (value < 2 || value > 20) {
        return;
    }
    flogfftsize = value;
    ffftsize = 1 << value;
    farrdirty = true;
}

void TFFT::set_FFTSize(int value) {
    if (value < 2 || value > max_size) {
        throw EFFTError("FFT size out of range (" + std::to_string(value) + ")");
    }
    int log = 0;
    while ((1 << log) < value) {
        ++log;
    }
    flogfftsize = log;
    ffftsize = 1 << log;
    farrdirty = true;
}

void TFFT::set_WindowSize(int value) {
    if (value < 2 || value > max_size) {
        throw EFFTError("Window size out of range");
    }
    fwindowsize = value;
    if (ffftsize < fwindowsize) {
        set_FFTSize(value);
    }
    farrdirty = true;
}

void TFFT::set_Window(TFFTWindow value) {
    fwindow = value;
    calcarrays();
}

void TFFT::set_windowleftskew(double value) {
    fwindowleftskew = value;
    calcarrays();
}

void TFFT::set_windowrightskew(double value) {
    fwindowrightskew = value;
    calcarrays();
}

void TFFT::mark_outputs_stale() {
    ffftdirty = foutcompdirty = fdbdirty = fabsdirty = fabs2dirty = fphasedirty = true;
}

bool TFFT::Dirty() const {
    return ffftdirty || foutcompdirty || fdbdirty || fabsdirty || fabs2dirty || fphasedirty;
}

void TFFT::set_Dirty(bool /*value*/) {
    mark_outputs_stale();
}

void TFFT::set_input(tdoublearr& target, const tdoublearr& value) {
    if (static_cast<int64_t>(value.size()) != fwindowsize) {
        set_FFTSize(static_cast<int>(std::min<size_t>(value.size(), max_size + 1)));
        set_WindowSize(static_cast<int>(value.size()));
    }
    target.assign(value.begin(), value.end());
    mark_outputs_stale();
}

void TFFT::set_InRe(const tdoublearr& value) {
    set_input(finre, value);
}
void TFFT::set_InIm(const tdoublearr& value) {
    set_input(finim, value);
}

void TFFT::set_InChunk(const tsamplechunk& value) {
    if (value.used != fwindowsize) {
        set_FFTSize(value.used);
        set_WindowSize(value.used);
    }
    const auto w = static_cast<size_t>(fwindowsize);
    finre.resize(w);
    finim.assign(w, 0.0);
    for (size_t i = 0; i < w; ++i) {
        finre[i] = i < value.data.size() ? value.data[i] : 0.0;
    }
    mark_outputs_stale();
}

uint32_t TFFT::bitrev(uint32_t a) const {
    uint32_t b = static_cast<uint32_t>(ffftsize) / 2;
    uint32_t result = 0;
    uint32_t c = 1;
    for (;;) {
        if ((a & c) != 0) {
            result |= b;
        }
        if (b <= 1) {
            break;
        }
        b >>= 1;
        c <<= 1;
    }
    return result;
}

void TFFT::calcwindow() {
    const auto w = static_cast<size_t>(fwindowsize);
    const bool skewed = fwindowleftskew != 0.5 || fwindowrightskew != 0.5;
    for (size_t n = 0; n < w; ++n) {
        const double theta = 2.0 * pi * static_cast<double>(n) / static_cast<double>(w - 1);
        const double phi = skewed ? skew_phase(theta, fwindowleftskew, fwindowrightskew) : theta;
        fwin[n] = window_value(fwindow, phi);
    }
    // The plain windows are symmetric; compute each pair once so that they are exactly.
    if (!skewed) {
        for (size_t n = 0; n < w / 2; ++n) {
            fwin[w - 1 - n] = fwin[n];
        }
    }
    std::fill(fwin.begin() + static_cast<ptrdiff_t>(w), fwin.end(), 0.0);
}

void TFFT::calcarrays() {
    if (ffftsize < fwindowsize) {
        return;
    }
    const auto n = static_cast<size_t>(ffftsize);
    for (tdoublearr* a :
         {&wr, &wi, &fwin, &foutre, &foutim, &foutdb, &foutabs, &foutabs2, &foutphase}) {
        a->resize(n);
    }
    bitflip.resize(n);
    foutcomplex.resize(n);
    for (size_t k = 0; k < n; ++k) {
        const double angle = 2.0 * pi * static_cast<double>(k) / static_cast<double>(n);
        wr[k] = std::cos(angle);
        wi[k] = std::sin(angle);
        bitflip[k] = bitrev(static_cast<uint32_t>(k));
    }
    calcwindow();
    farrdirty = false;
}

void TFFT::ensure_fft() {
    if (ffftdirty) {
        calcfft();
    }
}

void TFFT::calcfft() {
    if (farrdirty) {
        calcarrays();
    }
    const auto n = foutre.size();
    const size_t lenre = std::min(finre.size(), n);
    const size_t lenim = fignoreinim ? 0 : std::min(finim.size(), n);
    double a = 0.0;
    double b = 0.0;
    if (fremovedc) {
        for (double v : finre) {
            a += v;
        }
        a = finre.empty() ? 0.0 : a / static_cast<double>(finre.size());
        if (!fignoreinim) {
            for (double v : finim) {
                b += v;
            }
            b = finim.empty() ? 0.0 : b / static_cast<double>(finim.size());
        }
    }
    for (size_t k = 0; k < n; ++k) {
        foutre[bitflip[k]] = k < lenre ? (finre[k] - a) * fwin[k] : 0.0;
        foutim[bitflip[k]] = k < lenim ? (finim[k] - b) * fwin[k] : 0.0;
    }
    if (fremovedc) {
        double mre = 0.0;
        double mim = 0.0;
        for (size_t k = 0; k < n; ++k) {
            mre += foutre[k];
            mim += foutim[k];
        }
        mre /= static_cast<double>(n);
        mim /= static_cast<double>(n);
        for (size_t k = 0; k < n; ++k) {
            foutre[k] -= mre;
            if (!fignoreinim) {
                foutim[k] -= mim;
            }
        }
    }
    for (size_t e = 1; e < n; e *= 2) {
        const size_t s = n / (2 * e);
        for (size_t f = 0; f < n; f += 2 * e) {
            for (size_t m = 0; m < e; ++m) {
                const size_t i = f + m;
                const size_t j = i + e;
                const size_t k = m * s;
                const double tre = wr[k] * foutre[j] - wi[k] * foutim[j];
                const double tim = wr[k] * foutim[j] + wi[k] * foutre[j];
                foutre[j] = foutre[i] - tre;
                foutim[j] = foutim[i] - tim;
                foutre[i] += tre;
                foutim[i] += tim;
            }
        }
    }
    const double scale = 1.0 / static_cast<double>(fwindowsize);
    for (size_t k = 0; k < n; ++k) {
        foutre[k] *= scale;
        foutim[k] *= scale;
    }
    ffftdirty = false;
}

const tdoublearr& TFFT::OutRe() {
    ensure_fft();
    return foutre;
}

const tdoublearr& TFFT::OutIm() {
    ensure_fft();
    return foutim;
}

void TFFT::calccomplex() {
    ensure_fft();
    for (size_t k = 0; k < foutre.size(); ++k) {
        foutcomplex[k] = make_complex(foutre[k], foutim[k]);
    }
    foutcompdirty = false;
}

const tcomplexarr& TFFT::OutComplex() {
    if (foutcompdirty || ffftdirty) {
        calccomplex();
    }
    return foutcomplex;
}

void TFFT::calcdb() {
    ensure_fft();
    for (size_t k = 0; k < foutre.size(); ++k) {
        const double p = foutre[k] * foutre[k] + foutim[k] * foutim[k];
        double db = -3250.0;
        if (p > 0.0) {
            db = power_db(p);
            if (!std::isfinite(db)) {
                db = 0.0;
            }
        }
        foutdb[k] = db;
    }
    fdbdirty = false;
}

const tdoublearr& TFFT::OutdB() {
    if (fdbdirty || ffftdirty) {
        calcdb();
    }
    return foutdb;
}

void TFFT::calcabs() {
    ensure_fft();
    for (size_t k = 0; k < foutre.size(); ++k) {
        const double v = std::sqrt(foutre[k] * foutre[k] + foutim[k] * foutim[k]);
        foutabs[k] = std::isfinite(v) ? v : 0.0;
    }
    fabsdirty = false;
}

const tdoublearr& TFFT::OutAbs() {
    if (fabsdirty || ffftdirty) {
        calcabs();
    }
    return foutabs;
}

void TFFT::calcabs2() {
    ensure_fft();
    for (size_t k = 0; k < foutre.size(); ++k) {
        foutabs2[k] = foutre[k] * foutre[k] + foutim[k] * foutim[k];
    }
    fabs2dirty = false;
}

const tdoublearr& TFFT::OutAbs2() {
    if (fabs2dirty || ffftdirty) {
        calcabs2();
    }
    return foutabs2;
}

void TFFT::calcphase() {
    ensure_fft();
    for (size_t k = 0; k < foutre.size(); ++k) {
        const double re = foutre[k];
        const double im = foutim[k];
        double ph = 0.0;
        if (re == 0.0) {
            ph = im > 0.0 ? pi / 2 : (im < 0.0 ? -pi / 2 : 0.0);
        } else if (re > 0.0) {
            ph = std::atan(im / re);
        } else {
            ph = std::atan(im / re) + (im > 0.0 ? pi : -pi);
        }
        foutphase[k] = ph;
    }
    fphasedirty = false;
}

const tdoublearr& TFFT::OutPhase() {
    if (fphasedirty || ffftdirty) {
        calcphase();
    }
    return foutphase;
}

} // namespace zevrin
