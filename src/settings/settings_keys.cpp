#include "settings/settings_keys.h"

#include "dsp/numeric.h"
#include "dsp/text.h"
#include "engine/setting_limits.h"
#include "platform/store_file.h"
#include "platform/text_codec.h"
#include "settings/ini_values.h"

#include <cmath>
#include <limits>
#include <stdexcept>

namespace zevrin {

namespace {

constexpr double default_max_gain_db = 30.0;

std::string color_key(int i) {
    return "Color" + std::to_string(i);
}

std::string show_curve_key(int i) {
    return "ShowCurve" + std::to_string(i);
}

double max_gain_db(double maxgain) {
    const double db = 20.0 * log10(maxgain);
    return std::isfinite(db) ? db : default_max_gain_db;
}

} // namespace

namespace {

void write_calibration_keys(IniStore& store, const TSettingValues& v) {
    const TCalibration& c = v.analyser.calibration;
    const std::vector<std::string> none;
    const std::vector<std::string>& refs = v.referencefiles ? *v.referencefiles : none;
    const std::string s = calibration_section;
    if (!c.active() && c.unit == TLevelUnit::dB && refs.empty()) {
        store.erase_section(s);
        return;
    }
    ini_write_integer(store, s, "LevelUnit", static_cast<int>(c.unit));
    for (int k = 0; k < 2; ++k) {
        const TChannelCalibration& channel = c.channels[static_cast<size_t>(k)];
        ini_write_float(store, s, "Offset" + std::to_string(k), channel.offset);
        ini_write_string(store, s, "CorrectionFile" + std::to_string(k), channel.correctionfile);
    }
    for (int k = 0; k < max_references; ++k) {
        const auto i = static_cast<size_t>(k);
        ini_write_string(store, s, "Reference" + std::to_string(k + 1),
                         i < refs.size() ? refs[i] : std::string());
    }
}

} // namespace

void write_settings_keys(IniStore& store, const TSettingValues& v) {
    const TAnalyser& a = v.analyser;
    const TAnalyserComponents& c = a.components();
    const std::string s = settings_section;
    ini_write_float(store, s, "SampFreq", a.sampfreq);
    ini_write_float(store, s, "Bandwidth", a.bandwidth);
    ini_write_integer(store, s, "SLTASPoints", a.sltaspoints);
    ini_write_bool(store, s, "UseSLTAS", a.usesltas());
    ini_write_integer(store, s, "NonSLTASWindow", static_cast<int>(a.fftwindow));
    ini_write_bool(store, s, "Decay", a.ltasdecay);
    ini_write_bool(store, s, "SDecay", a.sltasdecay);
    ini_write_float(store, s, "DecayTime", a.ltasdecaytime());
    ini_write_float(store, s, "SDecayTime", a.sltasdecaytime());
    ini_write_float(store, s, "fMax", a.fmax());
    ini_write_float(store, s, "fMin", a.fmin());
    ini_write_bool(store, s, "LogfScale", a.logfscale());
    ini_write_bool(store, s, "GridLines", a.gridlines());
    ini_write_bool(store, s, "HighPass", a.highpass());
    ini_write_float(store, s, "dBMin", a.dbmin());
    ini_write_float(store, s, "dBMax", a.dbmax());
    ini_write_float(store, s, "ExcludedBLimit", a.excludedblimit());
    ini_write_bool(store, s, "ExcludeOverloaded", a.excludeoverloaded());
    ini_write_bool(store, s, "ExcludeHighPower", a.excludehighpower());
    ini_write_bool(store, s, "AutoXAxis", a.autoxaxis());
    ini_write_integer(store, s, "Window", static_cast<int>(c.FFT1.Window()));
    ini_write_integer(store, s, "PartialPattern", a.partialpattern);
    ini_write_integer(store, s, "PartialsPerOctave", a.partialsperoctave);
    ini_write_float(store, s, "Chirpiness", a.chirpiness);
    ini_write_float(store, s, "SingleSinusFreq", a.singlesinusfreq);
    ini_write_bool(store, s, "DualChannels", a.dualchannels);
    ini_write_bool(store, s, "ShowWave", a.showwave);
    ini_write_bool(store, s, "StretchWave", a.stretchwave);
    ini_write_bool(store, s, "Measure", a.measure);
    ini_write_bool(store, s, "PlotOffScreen", a.bltplot);
    ini_write_bool(store, s, "SnapToPeak", a.snaptopeak());
    ini_write_bool(store, s, "Interpolate", a.interpolate());
    ini_write_integer(store, s, "MeasureCurveNo", a.measurecurveno());
    ini_write_integer(store, s, "InDeviceID", c.MPCRecord1.DeviceID());
    ini_write_integer(store, s, "OutDeviceID", c.MPCPlay1.DeviceID());
    ini_write_float(store, s, "MaxGain", max_gain_db(a.maxgain));
    for (int i = 0; i < ncurves; ++i) {
        ini_write_integer(store, s, color_key(i),
                          static_cast<int>(v.linecolor[static_cast<size_t>(i)]));
    }
    for (int i = 0; i < ncurves; ++i) {
        ini_write_bool(store, s, show_curve_key(i), v.showcurve[static_cast<size_t>(i)]);
    }
    write_calibration_keys(store, v);
}

namespace {

// Reads numeric keys within their limits: a value that is no number, or lies out of
// range, gives the default and a warning that names the key, its range and what
// took its place.
class TCheckedKeys {
public:
    TCheckedKeys(IniStore& store, std::string section, std::vector<std::string>& warnings)
        : fstore(store), fsection(std::move(section)), fwarnings(warnings) {}

    double number(const TSettingLimit& limit, double default_value) {
        const auto text = fstore.read(fsection, limit.name);
        if (!text) {
            return default_value;
        }
        double v = 0.0;
        try {
            v = str_to_float_dot(*text);
        } catch (const EConvertError&) {
            return replaced(limit, "'" + *text + "'", default_value);
        }
        return within(limit, v) ? v : replaced(limit, readable_number(v), default_value);
    }
    double number(const char* key, double default_value) {
        return number(setting_limit(key), default_value);
    }

    int integer(const char* key, int default_value) {
        const TSettingLimit& limit = setting_limit(key);
        const auto text = fstore.read(fsection, key);
        if (!text) {
            return default_value;
        }
        constexpr int no_integer = std::numeric_limits<int>::min();
        const int v = str_to_int_def(*text, no_integer);
        if (v == no_integer) {
            return static_cast<int>(replaced(limit, "'" + *text + "'", default_value));
        }
        return within(limit, v)
                   ? v
                   : static_cast<int>(replaced(limit, std::to_string(v), default_value));
    }

    TFFTWindow window(const char* key, TFFTWindow default_value) {
        return static_cast<TFFTWindow>(integer(key, static_cast<int>(default_value)));
    }

    bool flag(const char* key, bool default_value) {
        return ini_read_bool(fstore, fsection, key, default_value);
    }

private:
    double replaced(const TSettingLimit& limit, const std::string& shown, double default_value) {
        std::string used = readable_number(default_value);
        if (*limit.unit != '\0') {
            used += std::string(" ") + limit.unit;
        }
        fwarnings.push_back(std::string(limit.name) + " must be " + range_text(limit) + ", not " +
                            shown + "; " + used + " is used instead");
        return default_value;
    }

    IniStore& fstore;
    std::string fsection;
    std::vector<std::string>& fwarnings;
};

// The window that will be in force once every key is read: the bandwidth read before
// it must give frames of a length that the window allows.
TFFTWindow window_to_come(IniStore& store, TFFTWindow in_force) {
    std::vector<std::string> ignored; // the key's own turn reports it
    return TCheckedKeys(store, settings_section, ignored).window("Window", in_force);
}

} // namespace

namespace {

void read_calibration_keys(IniStore& store, const TSettingValues& v,
                           std::vector<std::string>& warnings) {
    TCalibration& c = v.analyser.calibration;
    TCheckedKeys keys(store, calibration_section, warnings);
    const std::string s = calibration_section;
    c.unit = static_cast<TLevelUnit>(keys.integer("LevelUnit", 0));
    for (int k = 0; k < 2; ++k) {
        const std::string n = std::to_string(k);
        c.channels[static_cast<size_t>(k)].offset = keys.number(("Offset" + n).c_str(), 0);
        const std::string file = ini_read_string(store, s, "CorrectionFile" + n, "");
        try {
            c.set_correction(k, file);
        } catch (const EMicCorrectionError& e) {
            c.set_correction(k, "");
            warnings.push_back("CorrectionFile" + n + ": " + e.what() +
                               "; no correction is used instead");
        }
    }
    if (v.referencefiles) {
        v.referencefiles->clear();
        for (int k = 1; k <= max_references; ++k) {
            const std::string file = ini_read_string(store, s, "Reference" + std::to_string(k), "");
            if (!file.empty()) {
                v.referencefiles->push_back(file);
            }
        }
    }
}

} // namespace

std::vector<std::string> read_settings_keys(IniStore& store, const TSettingValues& v) {
    TAnalyser& a = v.analyser;
    TAnalyserComponents& c = a.components();
    std::vector<std::string> warnings;
    TCheckedKeys keys(store, settings_section, warnings);
    const auto flag = [&](const char* key, bool d) { return keys.flag(key, d); };
    const auto integer = [&](const char* key, int d) { return keys.integer(key, d); };
    const auto number = [&](const char* key, double d) { return keys.number(key, d); };
    a.sampfreq = number("SampFreq", 11025);
    a.bandwidth =
        keys.number(bandwidth_limit(a.sampfreq, window_to_come(store, c.FFT1.Window())), 50);
    a.sltaspoints = integer("SLTASPoints", 4096);
    a.set_usesltas(flag("UseSLTAS", false));
    a.fftwindow = keys.window("NonSLTASWindow", TFFTWindow::Hamming);
    a.ltasdecay = flag("Decay", false);
    a.sltasdecay = flag("SDecay", false);
    a.set_ltasdecaytime(number("DecayTime", 0));
    a.set_sltasdecaytime(number("SDecayTime", 0));
    c.FFT1.set_Window(keys.window("Window", c.FFT1.Window()));
    a.partialpattern = integer("PartialPattern", 2);
    a.partialsperoctave = integer("PartialsPerOctave", 12);
    a.dualchannels = flag("DualChannels", false);
    a.showwave = flag("ShowWave", true);
    a.set_fmax(number("fMax", a.sampfreq / 2));
    a.set_fmin(number("fMin", 0));
    a.set_logfscale(flag("LogfScale", false));
    a.set_gridlines(flag("GridLines", true));
    a.set_highpass(flag("HighPass", true));
    a.set_dbmin(number("dBMin", -30));
    a.set_dbmax(number("dBMax", 75));
    a.set_excludedblimit(number("ExcludedBLimit", 6));
    a.set_excludeoverloaded(flag("ExcludeOverloaded", true));
    a.set_excludehighpower(flag("ExcludeHighPower", false));
    a.chirpiness = number("Chirpiness", 1);
    a.singlesinusfreq = number("SingleSinusFreq", 100);
    a.set_autoxaxis(flag("AutoXAxis", true));
    a.stretchwave = flag("StretchWave", true);
    a.measure = flag("Measure", true);
    a.maxgain = pow10(number("MaxGain", default_max_gain_db) / 20.0);
    a.bltplot = flag("PlotOffScreen", true);
    a.set_snaptopeak(flag("SnapToPeak", true));
    a.set_interpolate(flag("Interpolate", true));
    a.set_measurecurveno(integer("MeasureCurveNo", 1));
    c.MPCRecord1.set_DeviceID(integer("InDeviceID", 0));
    c.MPCPlay1.set_DeviceID(integer("OutDeviceID", 0));
    const std::string s = settings_section;
    for (int i = 0; i < ncurves; ++i) {
        const auto k = static_cast<size_t>(i);
        v.linecolor[k] = static_cast<uint32_t>(
            ini_read_integer(store, s, color_key(i), static_cast<int>(v.defaultlinecolor[k])));
    }
    for (int i = 0; i < ncurves; ++i) {
        v.showcurve[static_cast<size_t>(i)] = ini_read_bool(store, s, show_curve_key(i), true);
    }
    v.showcurve[0] = true;
    // The decay times were set before "Window" was read, with the window then in
    // force; a frame's duration depends on it, so the factors are computed again now
    // that every key that sets the frame length is in.
    a.set_ltasdecaytime(a.ltasdecaytime());
    a.set_sltasdecaytime(a.sltasdecaytime());
    read_calibration_keys(store, v, warnings);
    return warnings;
}

int read_checked_integer(IniStore& store, const std::string& section, const char* key,
                         int default_value, std::vector<std::string>& warnings) {
    return TCheckedKeys(store, section, warnings).integer(key, default_value);
}

std::string settings_warning_text(const std::string& source,
                                  const std::vector<std::string>& warnings) {
    std::string text =
        "Values in " + source + " that cannot be used were replaced by their defaults:";
    for (const std::string& w : warnings) {
        text += "\n" + w;
    }
    return text;
}

void check_settings_file(const std::string& path) {
    const FileSignature signature = file_signature(path);
    // Read no further than a store may hold: a huge or sparse file is refused, not
    // loaded whole.
    const FileContent content = signature.exists ? read_file(path) : FileContent{};
    std::string reason;
    if (!signature.exists) {
        reason = "no such file";
    } else if (content.error != 0) {
        reason = read_error_text(content.error);
    } else if (!is_plain_text(decode_text(content.bytes).text)) {
        reason = "it is not a text file, as settings files are";
    }
    if (!reason.empty()) {
        throw std::runtime_error("Cannot open the settings file \"" + path + "\": " + reason);
    }
}

} // namespace zevrin
