#include "engine/test_signal.h"

#include "dsp/numeric.h"
#include "engine/octave_series.h"

#include <algorithm>
#include <cmath>

namespace zevrin {

namespace {

size_t highest_partial(size_t length) {
    return length == 0 ? 0 : (length - 1) / 2;
}

bool power_of_two(size_t n) {
    return n >= 2 && (n & (n - 1)) == 0;
}

// Marks every index that is the first whole index (of the ones considered: all, or
// only the even ones) above one or more points of the series 1, r, r², ... (r =
// 2^(1/N)): the index a whose interval [previous index, a) holds a point.
void select_per_octave(int n, bool even_only, tpartialflags& used) {
    if (n < 1) {
        return;
    }
    const size_t step = even_only ? 2 : 1;
    for (size_t a = step; a < used.size(); a += step) {
        used[a] =
            octave_point_between(static_cast<uint32_t>(a - step), static_cast<uint32_t>(a), n);
    }
}

// The phase of partial a, reduced to one turn before it is scaled so that large
// partial numbers keep their precision.
double partial_phase(size_t a, double chirpiness, double length) {
    const double turns =
        std::fmod(static_cast<double>(a) * static_cast<double>(a) * chirpiness, length);
    return -2.0 * pi * turns / length;
}

} // namespace

void select_partials(const TTestSignalSettings& s, tpartialflags& used) {
    std::fill(used.begin(), used.end(), false);
    const size_t length = used.size();
    switch (s.partialpattern) {
    case 0:
        std::fill(used.begin(), used.end(), true);
        break;
    case 1:
        for (size_t a = 0; a < length; a += 2) {
            used[a] = true;
        }
        break;
    case 2:
    case 3:
        select_per_octave(s.partialsperoctave, s.partialpattern == 3, used);
        break;
    case 4: {
        const double a = round_even(static_cast<double>(length) * s.singlesinusfreq / s.sampfreq);
        if (a >= 0.0 && a < static_cast<double>(length)) {
            used[static_cast<size_t>(a)] = true;
        }
        break;
    }
    default:
        break;
    }
}

void partial_amplitudes(double tilt, tdoublearr& amp) {
    if (amp.empty()) {
        return;
    }
    amp[0] = 0.0;
    for (size_t a = 1; a < amp.size(); ++a) {
        amp[a] = pow10(log2(static_cast<double>(a)) * tilt / 20.0);
    }
}

void synthesise_direct(const tpartialflags& used, const tdoublearr& amp, double chirpiness,
                       tdoublearr& period) {
    const size_t length = period.size();
    const auto l = static_cast<double>(length);
    for (size_t c = 0; c < length; ++c) {
        double sum = 0.0;
        for (size_t a = 1; a <= highest_partial(length); ++a) {
            if (used[a]) {
                const auto ad = static_cast<double>(a);
                sum += amp[a] *
                       std::cos(2.0 * pi * ad * (static_cast<double>(c) - ad * chirpiness) / l);
            }
        }
        period[c] = sum;
    }
}

void synthesise_fast(const tpartialflags& used, const tdoublearr& amp, double chirpiness, TFFT& fft,
                     tdoublearr& period) {
    const size_t length = period.size();
    tdoublearr re(length, 0.0);
    tdoublearr im(length, 0.0);
    for (size_t a = 1; a <= highest_partial(length); ++a) {
        if (used[a]) {
            const double phase = partial_phase(a, chirpiness, static_cast<double>(length));
            re[a] = amp[a] * std::cos(phase);
            im[a] = amp[a] * std::sin(phase);
        }
    }
    // X[c] = (1/L)·Σ z[a]·e^(+i·2π·a·c/L); its real part times L is the sum of cosines.
    fft.set_FFTSize(static_cast<int>(length));
    fft.set_WindowSize(static_cast<int>(length));
    fft.set_Window(TFFTWindow::rectangle);
    fft.set_RemoveDC(false);
    fft.set_IgnoreInIm(false);
    fft.set_InRe(re);
    fft.set_InIm(im);
    const tdoublearr& out = fft.OutRe();
    for (size_t c = 0; c < length; ++c) {
        period[c] = out[c] * static_cast<double>(length);
    }
}

void synthesise(const tpartialflags& used, const tdoublearr& amp, double chirpiness, TFFT& fft,
                tdoublearr& period) {
    if (power_of_two(period.size())) {
        synthesise_fast(used, amp, chirpiness, fft, period);
    } else {
        synthesise_direct(used, amp, chirpiness, period);
    }
}

} // namespace zevrin
