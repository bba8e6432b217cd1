#include "engine/spectrogram_ring.h"

#include <algorithm>
#include <cmath>

namespace zevrin {

namespace {

// Rounds half up, without a branch, a division or a library call, so that a frame's
// thousands of levels cost little next to its transform; no number (NaN) goes to the
// low end.
constexpr double units_per_db = 1.0 / TSpectrogramRing::level_step;

int16_t to_units(double level) {
    double u = level * units_per_db;
    u = u > -32768.0 ? u : -32768.0;
    u = u < 32767.0 ? u : 32767.0;
    return static_cast<int16_t>(static_cast<int32_t>(u + 32768.5) - 32768);
}

} // namespace

TSpectrogramRing::TSpectrogramRing(size_t bytes)
    : fbytes(bytes), fdata(new int16_t[bytes / sizeof(int16_t)]()) {}

void TSpectrogramRing::start(size_t bins, int channels, double sampfreq, double frame_seconds) {
    fbins = bins;
    fchannels = std::clamp(channels, 1, 2);
    fsampfreq = sampfreq;
    fframeseconds = frame_seconds;
    const size_t column = fbins * static_cast<size_t>(fchannels);
    fcapacity = column == 0 ? 0 : fbytes / sizeof(int16_t) / column;
    fcount = 0;
    ++fgeneration;
}

void TSpectrogramRing::add(const double* channel1, const double* channel2) {
    if (fcapacity == 0) {
        return;
    }
    int16_t* out = fdata.get() + static_cast<size_t>(fcount % static_cast<int64_t>(fcapacity)) *
                                     fbins * static_cast<size_t>(fchannels);
    for (size_t m = 0; m < fbins; ++m) {
        out[m] = to_units(channel1[m]);
    }
    if (fchannels == 2) {
        for (size_t m = 0; m < fbins; ++m) {
            out[fbins + m] = to_units(channel2[m]);
        }
    }
    ++fcount;
}

double TSpectrogramRing::bin_frequency(size_t m) const {
    return fbins < 2 ? 0.0 : static_cast<double>(m) * fsampfreq / (2.0 * (fbins - 1));
}

int64_t TSpectrogramRing::first() const {
    return std::max<int64_t>(0, fcount - static_cast<int64_t>(fcapacity));
}

const int16_t* TSpectrogramRing::column(int64_t k, int channel) const {
    const auto slot = static_cast<size_t>(k % static_cast<int64_t>(fcapacity));
    return fdata.get() +
           (slot * static_cast<size_t>(fchannels) + static_cast<size_t>(channel)) * fbins;
}

int TSpectrogramRing::level_units(int64_t k, TSpectrogramSource source, size_t m) const {
    switch (source) {
    case TSpectrogramSource::channel1:
        return column(k, 0)[m];
    case TSpectrogramSource::channel2:
        return column(k, 1)[m];
    case TSpectrogramSource::difference:
        break;
    }
    return column(k, 1)[m] - column(k, 0)[m];
}

bool TSpectrogramRing::shows(TSpectrogramSource source) const {
    return source == TSpectrogramSource::channel1 || fchannels == 2;
}

void start_spectrogram(TSpectrogramRing& ring, const TAnalyser& analyser) {
    const size_t n = analyser.outdb1.size();
    const double seconds = analyser.sampfreq > 0.0
                               ? static_cast<double>(analyser.inre1.size()) / analyser.sampfreq
                               : 0.0;
    ring.start(n == 0 ? 0 : n / 2 + 1, analyser.dualchannels ? 2 : 1, analyser.sampfreq, seconds);
}

void record_spectrogram_frame(TSpectrogramRing& ring, const TAnalyser& analyser) {
    if (ring.bins() == 0 || analyser.outdb1.size() < ring.bins() ||
        (ring.channels() == 2 && analyser.outdb2.size() < ring.bins())) {
        return;
    }
    ring.add(analyser.outdb1.data(), analyser.outdb2.data());
}

} // namespace zevrin
