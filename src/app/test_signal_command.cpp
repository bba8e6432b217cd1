#include "app/test_signal_command.h"

#include "audio/sound_file_bytes.h"
#include "audio/virtual_loopback.h"
#include "dsp/numeric.h"
#include "dsp/text.h"
#include "engine/played_signal.h"
#include "platform/safe_file.h"
#include "settings/settings_keys.h"

#include <algorithm>
#include <stdexcept>

namespace zevrin {

namespace {

const std::string& value_of(const std::vector<std::string>& args, size_t& i) {
    if (i + 1 >= args.size() || args[i + 1].rfind("--", 0) == 0 || args[i + 1].empty()) {
        throw std::invalid_argument(args[i] + " needs a value");
    }
    return args[++i];
}

int whole_number(const std::string& option, const std::string& text, int lo, int hi) {
    const int v = str_to_int_def(text, lo - 1);
    if (v < lo || v > hi || std::to_string(v) != text) {
        throw std::invalid_argument(option + " takes a whole number from " + std::to_string(lo) +
                                    " to " + std::to_string(hi) + ", not '" + text + "'");
    }
    return v;
}

int sltas_points(const std::string& text) {
    const int v = whole_number("--sltas-points", text, 16, 32768);
    if ((v & (v - 1)) != 0) {
        throw std::invalid_argument("--sltas-points must be a power of two from 16 to 32768, not " +
                                    text);
    }
    return v;
}

} // namespace

std::string test_signal_file_usage() {
    return "Usage: zevrin --write-test-signal OUT.wav --periods K [--sltas-points N] "
           "[--settings FILE.zvr] [--rate HZ] [--pattern NAME] [--partials-per-octave N] "
           "[--single-frequency HZ] [--chirpiness C] [--tilt DB]";
}

std::string test_signal_file_help() {
    return "\nWrites K periods of the SLTAS test signal to OUT.wav (16-bit, one channel): the\n"
           "samples the program hands the sound card when it plays the signal first after\n"
           "its start, dither included, beginning where playback begins. Play the file on\n"
           "the system to measure, record its answer, and analyse the recording with\n"
           "zevrin --analyse REC.wav --sltas --sltas-points N (and the same signal options).\n"
           "Settings come from the stored settings (or --settings FILE.zvr), then from the\n"
           "options.\n"
           "\n"
           "  --periods K               how many periods (at least 1)\n"
           "  --sltas-points N          the period in samples, a power of two, 16 to 32768\n"
           "  --settings FILE.zvr       settings from this file instead of the stored ones\n"
           "  --rate HZ                 the sampling frequency, 1000 to 384000\n" +
           test_signal_options_help() +
           "\n"
           "OUT appears only when complete; a FIFO or a device (/dev/stdout) is written into.\n"
           "Exit status: 0 done, 1 OUT cannot be written, 2 bad options.\n";
}

TTestSignalFileOptions parse_test_signal_file_options(const std::vector<std::string>& args) {
    TTestSignalFileOptions o;
    if (args.empty() || args[0].empty() || args[0].rfind("--", 0) == 0) {
        throw std::invalid_argument("--write-test-signal needs the name of the file to write");
    }
    o.file = args[0];
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--periods") {
            o.periods = whole_number(a, value_of(args, i), 1, 1000000);
        } else if (a == "--sltas-points") {
            o.sltaspoints = sltas_points(value_of(args, i));
        } else if (a == "--settings") {
            o.settings = value_of(args, i);
        } else if (a == "--rate") {
            o.rate = whole_number(a, value_of(args, i), 1000, 384000);
        } else if (parse_test_signal_option(args, i, o.signal)) {
        } else {
            throw std::invalid_argument("unknown option or a second file: " + a);
        }
    }
    if (o.periods == 0) {
        throw std::invalid_argument("--write-test-signal needs --periods K");
    }
    return o;
}

int run_test_signal_command(const std::vector<std::string>& args,
                            const TSettingsLoader& load_settings, std::ostream& out,
                            std::ostream& err) {
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        out << test_signal_file_usage() << '\n' << test_signal_file_help();
        return 0;
    }
    TTestSignalFileOptions o;
    try {
        o = parse_test_signal_file_options(args);
    } catch (const std::invalid_argument& e) {
        err << "zevrin: " << e.what() << '\n' << test_signal_file_usage() << '\n';
        return 2;
    }
    try {
        TVirtualLoopback idle(TLoopbackClock::manual); // no device is opened
        TAnalyserComponents components(idle);
        TAnalyser analyser(components);
        std::array<bool, ncurves> showcurve{};
        std::array<uint32_t, ncurves> linecolor = default_curve_colors;
        if (load_settings) {
            const std::vector<std::string> warnings =
                load_settings(o.settings, analyser, linecolor, showcurve);
            if (!warnings.empty()) {
                const std::string source = o.settings.empty()
                                               ? std::string("the stored settings")
                                               : "the settings file \"" + o.settings + "\"";
                err << "zevrin: " << settings_warning_text(source, warnings) << '\n';
            }
        }
        if (o.sltaspoints) {
            analyser.sltaspoints = *o.sltaspoints;
        }
        if (o.rate) {
            analyser.sampfreq = *o.rate;
        }
        apply_test_signal_options(o.signal, analyser);
        const int rate = round_int(analyser.sampfreq);
        if (rate != analyser.sampfreq || rate < 1000) {
            throw std::runtime_error("A WAV file needs a whole sampling frequency, not " +
                                     float_to_str_dot(analyser.sampfreq) + " Hz: give --rate");
        }
        // As the window's first play after a start: the dither from its first value.
        set_random_seed(0);
        const std::vector<int16_t> samples = played_periods(analyser, o.periods);
        if (std::all_of(samples.begin(), samples.end(), [](int16_t v) { return v == 0; })) {
            throw std::runtime_error("The test signal has no partial at these settings (" +
                                     test_signal_description(analyser) + ")");
        }
        if (const FileError e = write_file_safely(o.file, pcm16_wav_bytes(samples, rate))) {
            throw std::runtime_error(write_failure_text(o.file, e));
        }
        err << "Wrote " << o.periods << " periods of " << analyser.sltaspoints << " samples at "
            << rate << " Hz (" << format_float("0.###", static_cast<double>(samples.size()) / rate)
            << " s): " << test_signal_description(analyser) << '\n';
        return 0;
    } catch (const std::exception& e) {
        err << "zevrin: " << e.what() << '\n';
        return 1;
    }
}

} // namespace zevrin
