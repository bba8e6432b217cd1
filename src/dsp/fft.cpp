#include "dsp/fft.h"

#include "dsp/isa_dispatch.h"
#include "dsp/numeric.h"
#include "dsp/vector4.h"
#include "dsp/vector_math.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#pragma GCC diagnostic ignored "-Wpsabi" // the vectors never cross a call here

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

// Four lanes (dsp/vector4.h), so the sums below have the same bits on every processor.
using vector4::load4;
using vector4::store4;
using vector4::v4;
using v4bits [[gnu::vector_size(32)]] = std::uint64_t;

inline v4 load4(const std::int16_t* p) {
    using v4short [[gnu::vector_size(8)]] = std::int16_t;
    v4short v;
    std::memcpy(&v, p, sizeof v);
    return __builtin_convertvector(v, v4);
}

// Copies src to dst and takes its sum and largest magnitude in the same pass. Four
// quarters run side by side, each summed in four lanes, so that no sum waits on
// another; the order of the additions differs from a plain left-to-right sum only in the
// last bits, and is the same at every vector width. A value that is no number leaves the
// largest magnitude as it is (the sum tells of it).
template <typename T> struct CopyWithStats {
    // One quarter's four values at i: copied, added to its sums, its peaks raised.
    [[gnu::always_inline]] static void step(const T* __restrict src, double* __restrict dst,
                                            v4& sum, v4& peak) {
        const v4bits magnitude = v4bits{} + 0x7fffffffffffffffull;
        const v4 v = load4(src);
        store4(dst, v);
        sum += v;
        const v4 a = reinterpret_cast<v4>(reinterpret_cast<v4bits>(v) & magnitude);
        peak = a > peak ? a : peak;
    }

    // The sum and the peak of quarter j: its lanes, then the values after the last
    // whole group of four.
    static void finish(const T* __restrict src, double* __restrict dst, std::size_t from,
                       std::size_t to, const v4& sum, const v4& peak, double& s, double& p) {
        s = (sum[0] + sum[1]) + (sum[2] + sum[3]);
        p = std::max(std::max(peak[0], peak[1]), std::max(peak[2], peak[3]));
        for (std::size_t i = from; i < to; ++i) {
            const double v = static_cast<double>(src[i]);
            dst[i] = v;
            s += v;
            p = std::max(p, std::abs(v));
        }
    }

    static void run(const T* __restrict src, std::size_t n, double* __restrict dst, double* sum,
                    double* peak) {
        const std::size_t q = n / 4;
        const std::size_t q4 = q - q % 4;
        v4 s0{}, s1{}, s2{}, s3{}, p0{}, p1{}, p2{}, p3{};
        for (std::size_t i = 0; i < q4; i += 4) {
            step(src + i, dst + i, s0, p0);
            step(src + q + i, dst + q + i, s1, p1);
            step(src + 2 * q + i, dst + 2 * q + i, s2, p2);
            step(src + 3 * q + i, dst + 3 * q + i, s3, p3);
        }
        double t0, t1, t2, t3, m0, m1, m2, m3;
        finish(src, dst, q4, q, s0, p0, t0, m0);
        finish(src + q, dst + q, q4, q, s1, p1, t1, m1);
        finish(src + 2 * q, dst + 2 * q, q4, q, s2, p2, t2, m2);
        // The last quarter takes the values after the fourth quarter too.
        finish(src + 3 * q, dst + 3 * q, q4, n - 3 * q, s3, p3, t3, m3);
        *sum = (t0 + t1) + (t2 + t3);
        *peak = std::max(std::max(m0, m1), std::max(m2, m3));
    }
};

template <typename T>
void copy_with_stats(const T* src, std::size_t n, double* dst, double& sum, double& peak) {
    isa_dispatch::run_on_isa<&CopyWithStats<T>::run>(src, n, dst, &sum, &peak);
}

// Below this input magnitude no intermediate value of an n-point transform can
// overflow: every one is bounded by a few times n times the largest input.
double safe_peak(std::size_t n) {
    return DBL_MAX / (64.0 * static_cast<double>(n));
}

void zero_non_finite(tdoublearr& values) {
    for (double& v : values) {
        if (!std::isfinite(v)) {
            v = 0.0;
        }
    }
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

void TFFT::resize_for_input(std::size_t length) {
    if (length != static_cast<std::size_t>(fwindowsize)) {
        // A length beyond int reports the first size out of range.
        const int size = static_cast<int>(std::min<std::size_t>(length, max_size + 1));
        set_FFTSize(size);
        set_WindowSize(size);
    }
}

void TFFT::set_input(tdoublearr& target, InputStats& stats, const tdoublearr& value) {
    resize_for_input(value.size());
    target.resize(value.size());
    copy_with_stats(value.data(), value.size(), target.data(), stats.sum, stats.peak);
    mark_outputs_stale();
}

void TFFT::set_InRe(const tdoublearr& value) {
    set_input(finre, finrestats, value);
}
void TFFT::set_InIm(const tdoublearr& value) {
    set_input(finim, finimstats, value);
}

void TFFT::set_InChunk(const tsamplechunk& value) {
    if (value.used != fwindowsize) {
        set_FFTSize(value.used);
        set_WindowSize(value.used);
    }
    // A record holds at most data.size() samples; a larger count reads zeros after them.
    const auto w = static_cast<std::size_t>(fwindowsize);
    const std::size_t have = std::min(w, value.data.size());
    finre.resize(w);
    copy_with_stats(value.data.data(), have, finre.data(), finrestats.sum, finrestats.peak);
    std::fill(finre.begin() + static_cast<std::ptrdiff_t>(have), finre.end(), 0.0);
    finim.assign(w, 0.0);
    finimstats = InputStats{};
    mark_outputs_stale();
}

void TFFT::calcwindow() {
    const auto w = static_cast<std::size_t>(fwindowsize);
    const bool skewed = fwindowleftskew != 0.5 || fwindowrightskew != 0.5;
    for (std::size_t n = 0; n < w; ++n) {
        const double theta = 2.0 * pi * static_cast<double>(n) / static_cast<double>(w - 1);
        const double phi = skewed ? skew_phase(theta, fwindowleftskew, fwindowrightskew) : theta;
        const double value = window_value(fwindow, phi);
        // A skew that is no number cannot shape the window; those entries weigh nothing.
        fwin[n] = std::isfinite(value) ? value : 0.0;
    }
    // The plain windows are symmetric; compute each pair once so that they are exactly.
    if (!skewed) {
        for (std::size_t n = 0; n < w / 2; ++n) {
            fwin[w - 1 - n] = fwin[n];
        }
    }
    std::fill(fwin.begin() + static_cast<std::ptrdiff_t>(w), fwin.end(), 0.0);
}

void TFFT::calcarrays() {
    if (ffftsize < fwindowsize) {
        return;
    }
    const auto n = static_cast<std::size_t>(ffftsize);
    for (tdoublearr* a : {&fwin, &foutre, &foutim, &foutdb, &foutabs, &foutabs2, &foutphase}) {
        a->resize(n);
    }
    foutcomplex.resize(n);
    if (fplan.size() != n) {
        fplan.prepare(n);
    }
    calcwindow();
    farrdirty = false;
}

void TFFT::ensure_fft() {
    if (ffftdirty) {
        calcfft();
    }
}

void TFFT::ensure_full_spectrum() {
    ensure_fft();
    if (fmirrorpending) {
        mirror_lower_half(foutre.data(), foutre.size(), false);
        mirror_lower_half(foutim.data(), foutim.size(), true);
        fmirrorpending = false;
    }
    fwholeread = true;
}

const double* TFFT::frame_without_gaps(const tdoublearr& in, const InputStats& stats,
                                       tdoublearr& scratch, double& mean) const {
    const auto length = static_cast<double>(in.size());
    if (std::isfinite(stats.sum)) {
        mean = fremovedc && !in.empty() ? stats.sum / length : 0.0;
        return in.data();
    }
    // A sample that is no number or infinite: the frame goes on without it. It stands at
    // the mean of the others, which the transform then takes away, or at 0.
    double sum = 0.0;
    std::size_t count = 0;
    for (double v : in) {
        if (std::isfinite(v)) {
            sum += v;
            ++count;
        }
    }
    mean = fremovedc && count > 0 ? sum / static_cast<double>(count) : 0.0;
    scratch.resize(in.size());
    for (std::size_t k = 0; k < in.size(); ++k) {
        scratch[k] = std::isfinite(in[k]) ? in[k] : mean;
    }
    return scratch.data();
}

void TFFT::calcfft() {
    if (farrdirty) {
        calcarrays();
    }
    // The tables' size, which differs from N only while N < W (see calcarrays).
    const std::size_t n = foutre.size();
    const bool complex = !fignoreinim;
    // Samples beyond the window size weigh nothing, whatever the window.
    const std::size_t used = std::min(n, static_cast<std::size_t>(fwindowsize));
    const std::size_t lenre = std::min(finre.size(), used);
    const std::size_t lenim = complex ? std::min(finim.size(), used) : 0;
    double a = 0.0;
    double b = 0.0;
    const double* re = frame_without_gaps(finre, finrestats, fgapfreere, a);
    const double* im = complex ? frame_without_gaps(finim, finimstats, fgapfreeim, b) : nullptr;
    // All ones: skipping the multiplication gives the same values.
    const double* window = fwindow == TFFTWindow::rectangle ? nullptr : fwin.data();
    const double scale = 1.0 / static_cast<double>(fwindowsize);
    if (complex) {
        fplan.complex_forward(re, lenre, a, im, lenim, b, window, scale, foutre.data(),
                              foutim.data());
    } else {
        fplan.real_forward(re, lenre, a, window, scale, foutre.data(), foutim.data(), fwholeread);
    }
    // Removing the mean of all N windowed values changes bin 0 alone, to exactly 0.
    if (fremovedc) {
        foutre[0] = 0.0;
        foutim[0] = 0.0;
    }
    fmirrored = !complex;
    fmirrorpending = !complex && !fwholeread;
    fwholeread = false;
    // Samples so large that the sums overflow: the entries that fail are 0, as for the
    // derived outputs.
    const double limit = safe_peak(n);
    const bool safe = std::isfinite(finrestats.sum) && finrestats.peak <= limit &&
                      (!complex || (std::isfinite(finimstats.sum) && finimstats.peak <= limit));
    if (!safe) {
        zero_non_finite(foutre);
        zero_non_finite(foutim);
    }
    ffftdirty = false;
}

template <typename PerBin> void TFFT::fill_bins(tdoublearr& out, PerBin value) const {
    const std::size_t n = foutre.size();
    if (!fmirrored) {
        for (std::size_t k = 0; k < n; ++k) {
            out[k] = value(k);
        }
        return;
    }
    out[0] = value(0);
    for (std::size_t k = 1; k < n / 2; ++k) {
        const double v = value(k);
        out[k] = v;
        out[n - k] = v;
    }
    out[n / 2] = value(n / 2);
}

void TFFT::each_bin(tdoublearr& out,
                    void (*kernel)(const double*, const double*, double*, std::size_t)) const {
    const std::size_t n = foutre.size();
    if (!fmirrored) {
        kernel(foutre.data(), foutim.data(), out.data(), n);
        return;
    }
    kernel(foutre.data(), foutim.data(), out.data(), n / 2 + 1);
    mirror_lower_half(out.data(), n, false);
}

const tdoublearr& TFFT::OutRe() {
    ensure_full_spectrum();
    return foutre;
}

const tdoublearr& TFFT::OutIm() {
    ensure_full_spectrum();
    return foutim;
}

void TFFT::calccomplex() {
    ensure_full_spectrum();
    for (std::size_t k = 0; k < foutre.size(); ++k) {
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
    each_bin(foutdb, power_db_bins);
    fdbdirty = false;
}

const tdoublearr& TFFT::OutdB() {
    if (fdbdirty || ffftdirty) {
        calcdb();
    }
    return foutdb;
}

std::size_t TFFT::take_OutdB(tdoublearr& target) {
    const tdoublearr& db = OutdB();
    if (target.size() == db.size()) {
        target.swap(foutdb);
        fdbdirty = true;
        return target.size();
    }
    const std::size_t n = std::min(target.size(), db.size());
    std::copy_n(db.begin(), n, target.begin());
    return n;
}

void TFFT::calcabs() {
    ensure_fft();
    each_bin(foutabs, magnitude_bins);
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
    const double* re = foutre.data();
    const double* im = foutim.data();
    fill_bins(foutabs2, [re, im](std::size_t k) { return re[k] * re[k] + im[k] * im[k]; });
    fabs2dirty = false;
}

const tdoublearr& TFFT::OutAbs2() {
    if (fabs2dirty || ffftdirty) {
        calcabs2();
    }
    return foutabs2;
}

void TFFT::calcphase() {
    ensure_full_spectrum();
    for (std::size_t k = 0; k < foutre.size(); ++k) {
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
