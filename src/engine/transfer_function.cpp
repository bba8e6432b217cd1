#include "engine/transfer_function.h"

#include "dsp/numeric.h"
#include "engine/sltas_partials.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <iterator>
#include <limits>

namespace zevrin {

namespace {

using cplx = std::complex<double>;

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
// How far below the peak the energy-time curve's floor must lie, beyond the margin
// asked for, for the response to stand out of it.
constexpr double sidelobe_margin_db = 20.0;

cplx as_complex(const tcomplex& z) {
    return {z.re, z.im};
}

double squared(const tcomplex& z) {
    return z.re * z.re + z.im * z.im;
}

double degrees(double radians) {
    return radians * 180.0 / pi;
}

// A phase in [-540, 540] (a phase or the difference of two) into (-180, 180].
double wrapped(double deg) {
    for (int turn = 0; turn < 2; ++turn) {
        if (deg > 180.0) {
            deg -= 360.0;
        } else if (deg <= -180.0) {
            deg += 360.0;
        }
    }
    return deg;
}

// A ratio of sums that may be 0/0 (nothing arrived there): NaN then, never above 1.
double share(double numerator, double denominator) {
    if (!(denominator > 0.0) || !std::isfinite(numerator / denominator)) {
        return nan;
    }
    return std::min(numerator / denominator, 1.0);
}

// The window is set only when it changes: setting it recomputes its table.
void prepare(TFFT& fft, int length, bool complex_input) {
    if (fft.FFTSize() != length || fft.WindowSize() != length) {
        fft.set_FFTSize(length);
        fft.set_WindowSize(length);
    }
    if (fft.Window() != TFFTWindow::rectangle) {
        fft.set_Window(TFFTWindow::rectangle);
    }
    fft.set_RemoveDC(false);
    fft.set_IgnoreInIm(!complex_input);
}

} // namespace

void TTransferFunction::fail(std::string why) {
    fproblem = std::move(why);
    bins.clear();
}

void TTransferFunction::compute(const TAnalyser& a) {
    fproblem.clear();
    bins.clear();
    fproblem = sltas_measurement_problem(a);
    if (!fproblem.empty()) {
        return;
    }
    dual = a.dualchannels;
    length = a.sltaspoints;
    sampfreq = a.sampfreq;
    weight = a.sltasdecayedcount;
    synthesised_partials(a, fused);
    if (!reference_spectrum(a) || !gather(a)) {
        return;
    }
    find_delay_and_impulse();
    phases();
}

// The reference's mean spectrum over bins 0 .. L/2, as the FFT component gives it.
bool TTransferFunction::reference_spectrum(const TAnalyser& a) {
    const auto l = static_cast<size_t>(length);
    fref.resize(l / 2 + 1);
    if (dual) {
        for (size_t k = 0; k <= l / 2; ++k) {
            fref[k] = {a.sltas1[k].re / weight, a.sltas1[k].im / weight};
        }
        return true;
    }
    if (a.stasharr.size() != l) {
        fail("The test signal of " + std::to_string(length) +
             " points has not been played: in mono the played period is the reference");
        return false;
    }
    // The period as the sound card receives it: playback hands over stasharr[1] first.
    fre.resize(l);
    for (size_t n = 0; n < l; ++n) {
        fre[n] = a.stasharr[(n + 1) % l];
    }
    prepare(ffft, length, false);
    ffft.set_InRe(fre);
    const tdoublearr& re = ffft.OutRe();
    const tdoublearr& im = ffft.OutIm();
    for (size_t k = 0; k <= l / 2; ++k) {
        fref[k] = {re[k], im[k]};
    }
    return true;
}

// H and the coherence at every synthesised partial where the reference holds something.
bool TTransferFunction::gather(const TAnalyser& a) {
    const auto l = static_cast<size_t>(length);
    const tcomplexarr& y = response_sums(a);
    const tdoublearr& p1 = a.powersums.power1();
    const tdoublearr& p2 = a.powersums.power2();
    const tcomplexarr& cross = a.powersums.cross();
    fraw.assign(l / 2 + 1, tcomplex{});
    frequency.clear();
    coherence.clear();
    for (size_t k = 1; k < fused.size() && k <= l / 2; ++k) {
        const cplx x = as_complex(fref[k]);
        if (!fused[k] || std::norm(x) == 0.0) {
            continue;
        }
        // The FFT component's exponent is positive: its quotient is the conjugate of H.
        // x is finite and not 0, so the plain formula for the quotient holds.
        const cplx h = std::conj(as_complex(y[k]) * std::conj(x) / (weight * std::norm(x)));
        if (!std::isfinite(h.real()) || !std::isfinite(h.imag())) {
            continue;
        }
        fraw[k] = {h.real(), h.imag()};
        bins.push_back(k);
        frequency.push_back(static_cast<double>(k) * sampfreq / static_cast<double>(l));
        coherence.push_back(dual ? share(squared(cross[k]), p1[k] * p2[k])
                                 : share(squared(y[k]), weight * p1[k]));
    }
    if (bins.empty()) {
        fail("The test signal has no partial at these settings");
        return false;
    }
    return true;
}

// One inverse transform of the analytic spectrum gives h (real part) and its Hilbert
// transform (imaginary part) with the delay still in; the largest |h| marks the delay,
// and turning the result by it gives the response without it.
void TTransferFunction::find_delay_and_impulse() {
    const auto l = static_cast<size_t>(length);
    fre.assign(l, 0.0);
    fim.assign(l, 0.0);
    for (size_t k : bins) {
        fre[k] = 2.0 * fraw[k].re;
        fim[k] = 2.0 * fraw[k].im;
    }
    prepare(ffft, length, true);
    ffft.set_InRe(fre);
    ffft.set_InIm(fim);
    const tdoublearr& hre = ffft.OutRe();
    const tdoublearr& him = ffft.OutIm();
    size_t d0 = 0;
    for (size_t n = 1; n < l; ++n) {
        if (std::abs(hre[n]) > std::abs(hre[d0])) {
            d0 = n;
        }
    }
    delay_found = bins.size() >= 2;
    if (!delay_found) {
        d0 = 0;
    }
    delay = d0 > l / 2 ? static_cast<int>(d0) - length : static_cast<int>(d0);
    delay_ms = delay * 1000.0 / sampfreq;

    turn_table();
    response.resize(bins.size());
    for (size_t j = 0; j < bins.size(); ++j) {
        const size_t k = bins[j];
        const size_t step = (k * d0) % l;
        const cplx h = as_complex(fraw[k]) * cplx(fcos[step], fsin[step]);
        response[j] = {h.real(), h.imag()};
    }
    // Bins 0 and L/2 carry no partial; where their neighbour is measured they take its
    // real part. Their terms are real and have no Hilbert transform.
    const bool first = bins.front() == 1;
    const bool last = l >= 4 && bins.back() == l / 2 - 1;
    const double h0 = first ? response.front().re : 0.0;
    const double hn = last ? response.back().re : 0.0;

    impulse.resize(l);
    fenvelope.resize(l);
    time_ms.resize(l);
    fetcstale = true;
    // Sample m of the result comes from sample src of the transform; in the response
    // without its delay it lies at src - d0, where the sign of the L/2 term alternates.
    size_t src = dual ? 0 : d0;
    const double e0 = (h0 + ((src + l - d0) % 2 == 0 ? hn : -hn)) / static_cast<double>(l);
    const double e1 = (h0 + ((src + l - d0) % 2 == 0 ? -hn : hn)) / static_cast<double>(l);
    flargest = 0.0;
    peak_index = 0;
    for (size_t m = 0; m < l; ++m, ++src) {
        if (src == l) {
            src = 0;
        }
        impulse[m] = hre[src] + (m % 2 == 0 ? e0 : e1);
        fenvelope[m] = impulse[m] * impulse[m] + him[src] * him[src];
        flargest = std::max(flargest, fenvelope[m]);
        time_ms[m] = static_cast<double>(m) * 1000.0 / sampfreq;
        if (std::abs(impulse[m]) > std::abs(impulse[static_cast<size_t>(peak_index)])) {
            peak_index = static_cast<int>(m);
        }
    }
    peak = impulse[static_cast<size_t>(peak_index)];
}

const tdoublearr& TTransferFunction::etc_db() const {
    if (fetcstale) {
        fetc.resize(fenvelope.size());
        for (size_t m = 0; m < fenvelope.size(); ++m) {
            fetc[m] = fenvelope[m] > 0.0 && flargest > 0.0
                          ? 10.0 * std::log10(fenvelope[m] / flargest)
                          : nan;
        }
        fetcstale = false;
    }
    return fetc;
}

void TTransferFunction::turn_table() {
    const auto l = static_cast<size_t>(length);
    if (fcos.size() == l) {
        return;
    }
    fcos.resize(l);
    fsin.resize(l);
    for (size_t j = 0; j < l; ++j) {
        const double turn = 2.0 * pi * static_cast<double>(j) / static_cast<double>(l);
        fcos[j] = std::cos(turn);
        fsin[j] = std::sin(turn);
    }
}

void TTransferFunction::energy_span(double above_db, double floor_db, double& from_ms,
                                    double& to_ms) const {
    from_ms = 0.0;
    to_ms = static_cast<double>(length) * 1000.0 / sampfreq;
    std::vector<double> levels;
    const tdoublearr& etc = etc_db();
    std::copy_if(etc.begin(), etc.end(), std::back_inserter(levels),
                 [](double db) { return std::isfinite(db); });
    if (levels.empty()) {
        return;
    }
    const auto middle = levels.begin() + static_cast<ptrdiff_t>(levels.size() / 2);
    std::nth_element(levels.begin(), middle, levels.end());
    // Side lobes of a sparse pattern close to the peak: nothing stands out.
    if (*middle + above_db + sidelobe_margin_db > 0.0) {
        return;
    }
    const double threshold = std::max(*middle + above_db, floor_db);
    const auto above = [threshold](double db) { return db > threshold; };
    // The envelope of a sharp peak falls off slowly on both sides, and before the peak
    // it wraps round to the end of the period: look a little before it and up to half
    // a period after it.
    const auto l = static_cast<size_t>(length);
    const auto peak = static_cast<size_t>(peak_index);
    const auto begin = etc.begin() + static_cast<ptrdiff_t>(peak - std::min(peak, l / 16));
    const auto end = etc.begin() + static_cast<ptrdiff_t>(std::min(l, peak + l / 2));
    const auto first = std::find_if(begin, end, above);
    const auto last =
        std::find_if(std::make_reverse_iterator(end), std::make_reverse_iterator(begin), above);
    if (first == end) {
        return;
    }
    from_ms = time_ms[static_cast<size_t>(first - etc.begin())];
    to_ms = time_ms[static_cast<size_t>(last.base() - etc.begin()) - 1];
}

void TTransferFunction::phases() {
    const size_t count = bins.size();
    magnitude_db.resize(count);
    phase_deg.resize(count);
    unwrapped_deg.resize(count);
    group_delay_ms.resize(count);
    for (size_t j = 0; j < count; ++j) {
        const cplx h = as_complex(response[j]);
        const double power = std::norm(h);
        magnitude_db[j] = power > 0.0 ? 10.0 * std::log10(power) : nan;
        phase_deg[j] = wrapped(degrees(std::arg(h)));
        unwrapped_deg[j] =
            j == 0 ? phase_deg[0] : unwrapped_deg[j - 1] + wrapped(phase_deg[j] - phase_deg[j - 1]);
    }
    for (size_t j = 0; j < count; ++j) {
        if (count < 2) {
            group_delay_ms[j] = nan;
            continue;
        }
        const size_t lo = j == 0 ? 0 : j - 1;
        const size_t hi = j + 1 == count ? j : j + 1;
        const double dphi = (unwrapped_deg[hi] - unwrapped_deg[lo]) * pi / 180.0;
        const double domega = 2.0 * pi * (frequency[hi] - frequency[lo]);
        group_delay_ms[j] = -dphi / domega * 1000.0;
    }
}

} // namespace zevrin
