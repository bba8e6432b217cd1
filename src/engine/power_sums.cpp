#include "engine/power_sums.h"

#include "dsp/vector_math.h"

#include <algorithm>

namespace zevrin {

void TPowerSums::resize(size_t fftsize) {
    const size_t bins = fftsize / 2 + 1;
    fpower1.resize(bins);
    fpower2.resize(bins);
    fcross.resize(bins);
    fre1.resize(bins);
    fim1.resize(bins);
}

void TPowerSums::clear() {
    std::fill(fpower1.begin(), fpower1.end(), 0.0);
    std::fill(fpower2.begin(), fpower2.end(), 0.0);
    std::fill(fcross.begin(), fcross.end(), tcomplex{});
    fweightsquared = 0.0;
}

void TPowerSums::add_power(tdoublearr& power, const tdoublearr& re, const tdoublearr& im,
                           double f) {
    const size_t n = std::min({power.size(), re.size(), im.size()});
    add_decayed_power(power.data(), re.data(), im.data(), f, n);
}

void TPowerSums::add(int channel, const tdoublearr& re, const tdoublearr& im, double decayfactor) {
    const double f = decayfactor;
    if (channel != 2) {
        // The first channel of a frame: the frame's weight enters once.
        fweightsquared = fweightsquared * f * f + 1.0;
        add_power(fpower1, re, im, f);
        if (channel == 1) {
            const size_t n = std::min({fre1.size(), re.size(), im.size()});
            std::copy_n(re.begin(), n, fre1.begin());
            std::copy_n(im.begin(), n, fim1.begin());
        }
        return;
    }
    add_power(fpower2, re, im, f);
    const size_t n = std::min({fcross.size(), fre1.size(), re.size(), im.size()});
    add_decayed_cross(fcross.data(), fre1.data(), fim1.data(), re.data(), im.data(), f, n);
}

} // namespace zevrin
