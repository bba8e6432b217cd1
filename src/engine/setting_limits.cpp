#include "engine/setting_limits.h"

#include "dsp/text.h"
#include "engine/analyser.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace zevrin {

namespace {

using Kind = TSettingLimit::Kind;

// The highest sampling frequency of the devices, and half of it: the highest
// frequency that any spectrum holds.
constexpr double max_sampfreq = 384000.0;
constexpr double max_frequency = max_sampfreq / 2;

const std::array<TSettingLimit, 28> limits = {{
    {"SampFreq", 1000, max_sampfreq, "Hz", Kind::number},
    {"SLTASPoints", 16, 32768, "", Kind::power_of_two},
    {"NonSLTASWindow", 0, 4, "", Kind::integer},
    {"Window", 0, 4, "", Kind::integer},
    {"DecayTime", 0, 1e6, "s", Kind::number},
    {"SDecayTime", 0, 1e6, "s", Kind::number},
    // The frequency axis spans at least 10 Hz.
    {"fMax", 10, max_frequency, "Hz", Kind::number},
    {"fMin", 0, max_frequency, "Hz", Kind::number},
    // The level axis goes no further either way.
    {"dBMin", -200, 200, "dB", Kind::number},
    {"dBMax", -200, 200, "dB", Kind::number},
    {"ExcludedBLimit", -200, 200, "dB", Kind::number},
    {"PartialPattern", 0, 4, "", Kind::integer},
    // The top octave of the longest period has 8192 partials.
    {"PartialsPerOctave", 1, 8192, "", Kind::integer},
    {"Chirpiness", -1e5, 1e5, "", Kind::number},
    {"SingleSinusFreq", 0, max_frequency, "Hz", Kind::number},
    {"MeasureCurveNo", 0, 18, "", Kind::integer},
    {"InDeviceID", -1, 9999, "", Kind::integer},
    {"OutDeviceID", -1, 9999, "", Kind::integer},
    {"MaxGain", -200, 200, "dB", Kind::number},
    // 14 octaves of partials at 100 dB per octave still have levels a double holds.
    {"Tilt", -100, 100, "dB/oct", Kind::number},
    {"XPos", -32768, 32767, "", Kind::integer},
    {"YPos", -32768, 32767, "", Kind::integer},
    {"XSize", 1, 32767, "", Kind::integer},
    {"YSize", 1, 32767, "", Kind::integer},
    // The capture's latency: from blocks of a few milliseconds to a long buffer.
    {"InLatency", 10, 2000, "ms", Kind::integer},
    // Calibration: the unit of calibrated levels (dB, dB SPL, dBV, dBFS) and the
    // offsets of the two channels, which take a 16-bit input's levels anywhere a
    // microphone or a line can be.
    {"LevelUnit", 0, 3, "", Kind::integer},
    {"Offset0", -300, 300, "dB", Kind::number},
    {"Offset1", -300, 300, "dB", Kind::number},
}};

bool power_of_two(double v) {
    int exponent = 0;
    return std::frexp(v, &exponent) == 0.5;
}

} // namespace

const TSettingLimit& setting_limit(std::string_view name) {
    const auto it = std::find_if(limits.begin(), limits.end(),
                                 [name](const TSettingLimit& l) { return name == l.name; });
    if (it == limits.end()) {
        throw std::out_of_range("no limits for the setting " + std::string(name));
    }
    return *it;
}

TSettingLimit bandwidth_limit(double sampfreq, TFFTWindow window) {
    const double periods = sampfreq * TAnalyser::windowfactors.at(static_cast<size_t>(window));
    return {"Bandwidth", periods / max_frame_length, periods / 2, "Hz", Kind::number};
}

bool within(const TSettingLimit& limit, double value) {
    if (!(value >= limit.low && value <= limit.high)) {
        return false;
    }
    switch (limit.kind) {
    case Kind::number:
        return true;
    case Kind::integer:
        return value == std::trunc(value);
    case Kind::power_of_two:
        return power_of_two(value);
    }
    return false;
}

// Six significant digits in the general form while that stays short (up to a million
// or so), else in whichever form is shorter: "1E300" rather than 301 digits, "1E-300"
// rather than 300 zeros.
std::string readable_number(double value) {
    if (!std::isfinite(value)) {
        return format_significant(6, value);
    }
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.5E", value);
    const double rounded = std::strtod(buffer, nullptr);
    const std::string general = general_text(rounded, decimal_separator());
    std::string mantissa(buffer, std::strchr(buffer, 'E'));
    mantissa.erase(mantissa.find_last_not_of('0') + 1);
    if (mantissa.back() == '.') {
        mantissa.pop_back();
    }
    std::replace(mantissa.begin(), mantissa.end(), '.', decimal_separator());
    const std::string scientific =
        mantissa + "E" + std::to_string(std::atoi(std::strchr(buffer, 'E') + 1));
    return general.size() <= 7 || general.size() <= scientific.size() ? general : scientific;
}

std::string range_text(const TSettingLimit& limit) {
    std::string text;
    switch (limit.kind) {
    case Kind::number:
        text = "from ";
        break;
    case Kind::integer:
        text = "a whole number from ";
        break;
    case Kind::power_of_two:
        text = "a power of two from ";
        break;
    }
    text += readable_number(limit.low) + " to " + readable_number(limit.high);
    if (*limit.unit != '\0') {
        text += std::string(" ") + limit.unit;
    }
    return text;
}

std::string range_error(std::string_view name, const TSettingLimit& limit, double value) {
    return std::string(name) + " must be " + range_text(limit) + ", not " + readable_number(value);
}

} // namespace zevrin
