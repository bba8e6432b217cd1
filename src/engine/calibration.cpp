#include "engine/calibration.h"

#include <array>

namespace zevrin {

const char* level_unit_name(TLevelUnit unit) {
    static constexpr std::array<const char*, nlevelunits> names = {"dB", "dB SPL", "dBV", "dBFS"};
    const auto k = static_cast<size_t>(unit);
    return k < names.size() ? names[k] : names[0];
}

int curve_channel(int curve) {
    switch (curve) {
    case 1:
    case 2:
    case 4:
    case 5:
    case 7:
    case 8:
    case 11:
    case 12:
    case 15:
    case 16:
        return 0;
    case 3:
    case 6:
    case 9:
    case 13:
    case 17:
        return 1;
    case 10:
    case 14:
    case 18:
        return -1;
    default:
        return -2;
    }
}

void TCalibration::set_correction(int channel, const std::string& path) {
    TChannelCalibration& c = channels.at(static_cast<size_t>(channel));
    c.correction = path.empty() ? TMicCorrection() : TMicCorrection::read(path);
    c.correctionfile = path;
    corrections_changed();
}

bool TCalibration::active() const {
    for (const TChannelCalibration& c : channels) {
        if (c.offset != 0.0 || !c.correction.empty()) {
            return true;
        }
    }
    return false;
}

bool TCalibration::affects(int curve) const {
    const int channel = curve_channel(curve);
    const auto set = [this](int k) {
        const TChannelCalibration& c = channels[static_cast<size_t>(k)];
        return c.offset != 0.0 || !c.correction.empty();
    };
    if (channel == -1) {
        return set(0) || set(1);
    }
    return channel >= 0 && set(channel);
}

std::string TCalibration::axis_text() const {
    return "[" + unit_text() + "]";
}

std::string TCalibration::unit_text() const {
    return active() ? level_unit_name(unit) : "dB";
}

void TCalibration::prepare(size_t n, double sampfreq) const {
    if (n == fbins && sampfreq == fsampfreq) {
        return;
    }
    for (size_t k = 0; k < 2; ++k) {
        if (channels[k].correction.empty() || n == 0) {
            ftable[k].clear();
        } else {
            channels[k].correction.fill_bins(n, sampfreq, ftable[k]);
        }
    }
    fbins = n;
    fsampfreq = sampfreq;
}

double TCalibration::channel_bin(int channel, size_t m) const {
    const auto k = static_cast<size_t>(channel);
    const tdoublearr& t = ftable[k];
    return channels[k].offset - (m < t.size() ? t[m] : 0.0);
}

double TCalibration::channel_at(int channel, double f) const {
    const TChannelCalibration& c = channels[static_cast<size_t>(channel)];
    return c.offset - c.correction.at(f);
}

double TCalibration::bin_adjustment(int curve, size_t m) const {
    const int channel = curve_channel(curve);
    if (channel == -1) {
        return channel_bin(1, m) - channel_bin(0, m);
    }
    return channel >= 0 ? channel_bin(channel, m) : 0.0;
}

double TCalibration::adjustment_at(int curve, double f) const {
    const int channel = curve_channel(curve);
    if (channel == -1) {
        return channel_at(1, f) - channel_at(0, f);
    }
    return channel >= 0 ? channel_at(channel, f) : 0.0;
}

} // namespace zevrin
