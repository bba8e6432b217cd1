#include "display/wave_range.h"

#include "dsp/numeric.h"
#include "dsp/text.h"

#include <algorithm>
#include <cmath>

namespace zevrin {

namespace {

void widen(const tdoublearr& frame, double& largest, double& smallest) {
    for (double v : frame) {
        largest = std::max(largest, v);
        smallest = std::min(smallest, v);
    }
}

} // namespace

TWaveRange wave_range(const TAnalyser& a) {
    TWaveRange r;
    if (!a.stretchwave) {
        return r;
    }
    double largest = -32768.0;
    double smallest = 32767.0;
    widen(a.inre1, largest, smallest);
    if (a.dualchannels) {
        widen(a.inre2, largest, smallest);
    }
    if (a.freeze()) {
        widen(a.inre1a, largest, smallest);
        if (a.dualchannels) {
            widen(a.inre2a, largest, smallest);
        }
    }
    const double peak = std::max(std::abs(largest), std::abs(smallest));
    double gain = 32767.0 / peak;
    if (!std::isfinite(gain)) {
        gain = 1.0; // silence
    }
    if (gain > a.maxgain) {
        gain = a.maxgain;
    }
    r.wavegain = gain;
    // A gain of 0 or less (or none at all) cannot stretch; the text says so.
    if (gain > 0.0 && std::isfinite(gain)) {
        r.top = static_cast<int>(round_even(32767.0 / gain));
        r.bottom = static_cast<int>(round_even(-32768.0 / gain));
    }
    return r;
}

std::string gain_text(double wavegain) {
    const double db = 20.0 * log10(wavegain);
    if (!std::isfinite(db)) {
        return "Gain= ? dB";
    }
    return "Gain=" + format_float("0.0", db) + " dB";
}

} // namespace zevrin
