#include "engine/calibrator.h"

#include "dsp/text.h"
#include "engine/analyser.h"

#include <algorithm>
#include <cmath>

namespace zevrin {

namespace {

// Power within this many bins of the peak (or a tenth of its frequency, if more)
// counts as the tone's: the main lobe of every window even with the frame padded.
constexpr double tone_bins = 8.0;
constexpr double min_tone_fraction = 0.9;
// The peak is searched within a tenth of the calibrator's frequency.
constexpr double search_share = 0.1;

double power_of(double db) {
    return std::pow(10.0, db / 10.0);
}

std::string not_a_tone(const TCalibratorTarget& t, const char* why) {
    return "The input is not a steady tone at " + format_float("0.##", t.frequency) + " Hz (" +
           why + "): check that the calibrator is switched on and sits well on the microphone.";
}

} // namespace

TCalibratorFrame calibrator_frame(const double* db, size_t n, double sampfreq, double frequency,
                                  int peak) {
    TCalibratorFrame f;
    f.peak = peak;
    if (n < 4 || !(sampfreq > 0)) {
        return f;
    }
    const size_t last = n / 2;
    const double binhz = sampfreq / static_cast<double>(n);
    const double reach = std::max(2.0, search_share * frequency / binhz);
    const double centre = frequency / binhz;
    const auto lo = static_cast<size_t>(std::clamp(std::floor(centre - reach), 1.0, double(last)));
    const auto hi = static_cast<size_t>(std::clamp(std::ceil(centre + reach), 1.0, double(last)));
    size_t p = lo;
    for (size_t m = lo; m <= hi; ++m) {
        if (db[m] > db[p]) {
            p = m;
        }
    }
    double d = 0.0;
    double level = db[p];
    if (p > 0 && p < last) {
        const double y1 = db[p - 1], y2 = db[p], y3 = db[p + 1];
        d = (y1 - y3) / (2.0 * (y1 - 2.0 * y2 + y3));
        if (!std::isfinite(d)) {
            d = 0.0;
        }
        level = y2 + d * (y3 - y1) / 2.0 + d * d * ((y1 + y3) / 2.0 - y2);
    }
    f.level = level;
    f.frequency = (static_cast<double>(p) + d) * binhz;
    const double width = std::max(tone_bins, search_share * frequency / binhz);
    double near = 0.0, total = 0.0;
    for (size_t m = 1; m <= last; ++m) {
        const double q = power_of(db[m]);
        total += q;
        if (std::abs(static_cast<double>(m) - static_cast<double>(p)) <= width) {
            near += q;
        }
    }
    f.tonefraction = total > 0.0 ? near / total : 0.0;
    return f;
}

TCalibratorResult calibrator_result(const std::vector<TCalibratorFrame>& frames,
                                    const TCalibratorTarget& target, double correction) {
    TCalibratorResult r;
    if (frames.empty()) {
        r.message = "No frame was measured: start the input (Run) and calibrate again.";
        return r;
    }
    const auto by_peak = [](const TCalibratorFrame& a, const TCalibratorFrame& b) {
        return a.peak < b.peak;
    };
    const int loudest = std::max_element(frames.begin(), frames.end(), by_peak)->peak;
    const int quietest = std::min_element(frames.begin(), frames.end(), by_peak)->peak;
    if (loudest >= 32767) {
        r.message = "The input is clipped: lower the input level or the microphone's gain "
                    "and calibrate again.";
        return r;
    }
    if (quietest < calibrator_min_peak) {
        r.message = "The input is too quiet for a calibrator: its peaks stay below 1/1000 of "
                    "full scale. Raise the input level or the microphone's gain.";
        return r;
    }
    double lo = frames[0].level, hi = lo, flo = frames[0].frequency, fhi = flo, sum = 0.0,
           fsum = 0.0;
    for (const TCalibratorFrame& f : frames) {
        if (f.tonefraction < min_tone_fraction) {
            r.message = not_a_tone(target, "too much else beside it");
            return r;
        }
        if (std::abs(f.frequency - target.frequency) > search_share * target.frequency) {
            r.message = not_a_tone(target, "the loudest tone lies elsewhere");
            return r;
        }
        lo = std::min(lo, f.level);
        hi = std::max(hi, f.level);
        flo = std::min(flo, f.frequency);
        fhi = std::max(fhi, f.frequency);
        sum += f.level;
        fsum += f.frequency;
    }
    const auto count = static_cast<double>(frames.size());
    if (hi - lo > calibrator_max_spread || fhi - flo > 0.01 * target.frequency) {
        r.message = not_a_tone(target, "its level or frequency changes");
        return r;
    }
    r.ok = true;
    r.level = sum / count;
    r.frequency = fsum / count;
    r.offset = target.level - (r.level - correction);
    return r;
}

void TCalibratorRun::start(int channel, const TCalibratorTarget& target, int frames) {
    fchannel = channel;
    ftarget = target;
    fwanted = static_cast<size_t>(std::max(frames, 1));
    ftaken.clear();
    ftaken.reserve(fwanted);
}

void TCalibratorRun::add(const TAnalyser& a) {
    if (!running()) {
        return;
    }
    const tdoublearr& db = fchannel == 1 ? a.outdb2 : a.outdb1;
    const int peak = a.framepeak[fchannel == 1 ? 1 : 0];
    ftaken.push_back(calibrator_frame(db.data(), db.size(), a.sampfreq, ftarget.frequency, peak));
}

TCalibratorResult TCalibratorRun::result(const TMicCorrection& correction) const {
    return calibrator_result(ftaken, ftarget, correction.at(ftarget.frequency));
}

} // namespace zevrin
