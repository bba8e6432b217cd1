#include "app/analyse_command.h"

#include "app/analyse_pictures.h"
#include "app/curve_file.h"
#include "app/spectrogram_picture.h"

#include "audio/virtual_loopback.h"
#include "dsp/numeric.h"
#include "dsp/text.h"
#include "engine/curve_export.h"
#include "engine/file_analysis.h"
#include "engine/reference_curve.h"
#include "engine/setting_limits.h"
#include "engine/spectrogram_ring.h"
#include "platform/safe_file_stream.h"
#include "settings/settings_keys.h"

#include <cmath>
#include <memory>
#include <stdexcept>

namespace zevrin {

namespace {

double positive_number(const std::string& option, const std::string& text) {
    double v = 0;
    try {
        v = str_to_float_dot(text);
    } catch (const EConvertError&) {
        throw std::invalid_argument(option + " needs a number, not '" + text + "'");
    }
    if (!(v > 0.0) || !std::isfinite(v)) {
        throw std::invalid_argument(option + " must be a positive number, not " + text);
    }
    return v;
}

double number(const std::string& option, const std::string& text) {
    try {
        const double v = str_to_float_dot(text);
        if (std::isfinite(v)) {
            return v;
        }
    } catch (const EConvertError&) {
    }
    throw std::invalid_argument(option + " needs a number, not '" + text + "'");
}

// The value of an option that sets a stored setting, within that setting's range.
double within_limit(const std::string& option, const char* setting, double v) {
    const TSettingLimit& limit = setting_limit(setting);
    if (!within(limit, v)) {
        throw std::invalid_argument(range_error(option, limit, v));
    }
    return v;
}

bool on_off(const std::string& option, const std::string& text) {
    if (text == "on" || text == "off") {
        return text == "on";
    }
    throw std::invalid_argument(option + " takes on or off, not '" + text + "'");
}

TFFTWindow window_named(const std::string& text) {
    for (size_t i = 0; i < TAnalyser::windownames.size(); ++i) {
        if (lower_case(text) == lower_case(TAnalyser::windownames[i])) {
            return static_cast<TFFTWindow>(i);
        }
    }
    throw std::invalid_argument("unknown window '" + text +
                                "' (rectangular, Bartlett, Hamming, Hanning or Blackman)");
}

int sltas_points(const std::string& text) {
    const TSettingLimit& limit = setting_limit("SLTASPoints");
    const int v = str_to_int_def(text, 0);
    if (!within(limit, v)) {
        throw std::invalid_argument("--sltas-points must be " + range_text(limit) + ", not " +
                                    text);
    }
    return v;
}

// The option's value, or an error naming the option.
const std::string& value_of(const std::vector<std::string>& args, size_t& i) {
    if (i + 1 >= args.size() || args[i + 1].rfind("--", 0) == 0) {
        throw std::invalid_argument(args[i] + " needs a value");
    }
    return args[++i];
}

const std::string& file_name_of(const std::vector<std::string>& args, size_t& i) {
    const std::string& name = value_of(args, i);
    if (name.empty()) {
        throw std::invalid_argument(args[i - 1] + " needs a file name, not an empty text");
    }
    return name;
}

void apply(const TAnalyseOptions& o, TAnalyser& a) {
    TFFT& fft = a.components().FFT1;
    if (o.bandwidth) {
        a.bandwidth = *o.bandwidth;
    }
    if (o.window) {
        a.fftwindow = *o.window;
        fft.set_Window(*o.window);
    }
    a.dualchannels = a.dualchannels || o.dual;
    if (o.highpass) {
        a.set_highpass(*o.highpass);
    }
    if (o.sltaspoints) {
        a.sltaspoints = *o.sltaspoints;
    }
    apply_test_signal_options(o.signal, a);
    if (o.sltas) {
        a.set_usesltas(true);
        a.set_sltas(true);
    }
    if (a.usesltas()) {
        fft.set_Window(TFFTWindow::rectangle);
        a.bandwidth = a.sampfreq / a.sltaspoints;
    }
    a.set_ltas(o.ltas);
    if (o.decay) {
        a.ltasdecay = a.sltasdecay = true;
        a.set_ltasdecaytime(*o.decay);
        a.set_sltasdecaytime(*o.decay);
    }
    if (o.excludeoverloaded) {
        a.set_excludeoverloaded(*o.excludeoverloaded);
    }
    if (o.excludehighpower) {
        a.set_excludehighpower(true);
        a.set_excludedblimit(*o.excludehighpower);
    }
}

} // namespace

std::string settings_summary(const TAnalyser& a) {
    const auto window = static_cast<size_t>(a.components().FFT1.Window());
    const auto onoff = [](bool v) { return v ? "on" : "off"; };
    std::string text = "Settings: " + format_float("0.###", a.sampfreq) + " Hz, " +
                       (a.dualchannels ? "dual channels" : "mono") + ", bandwidth " +
                       format_float("0.###", a.bandwidth) + " Hz, " +
                       TAnalyser::windownames[window] + " window, frames of " +
                       std::to_string(a.inre1.size()) + " samples, " +
                       std::to_string(a.outdb1.size()) + "-point FFT";
    text += std::string(", high-pass ") + onoff(a.highpass()) + ", LTAS " + onoff(a.ltas()) +
            ", SLTAS " + onoff(a.sltas());
    if (a.usesltas()) {
        text += " (" + std::to_string(a.sltaspoints) + " points)";
    }
    text += ", decay ";
    text += a.ltasdecay ? format_float("0.###", a.ltasdecaytime()) + " s" : "off";
    text += std::string(", exclude overloaded ") + onoff(a.excludeoverloaded());
    text += ", exclude high power ";
    text += a.excludehighpower() ? format_float("0.###", a.excludedblimit()) + " dB" : "off";
    if (a.calibration.active()) {
        text += ", levels calibrated in " + a.calibration.unit_text();
    }
    return text;
}

std::string analyse_usage() {
    return "Usage: zevrin --analyse FILE [--settings FILE.zvr] [--bandwidth HZ] "
           "[--window rectangular|Bartlett|Hamming|Hanning|Blackman] [--dual] "
           "[--highpass on|off] [--ltas] [--sltas --sltas-points N] [--decay SECONDS] "
           "[--exclude-overloaded on|off] [--exclude-high-power DB] [--csv OUT] "
           "[--reference FILE.csv] "
           "[--pattern NAME] [--partials-per-octave N] [--single-frequency HZ] "
           "[--chirpiness C] [--tilt DB] [--transfer OUT.csv] [--impulse OUT.wav]" +
           picture_usage();
}

std::string analyse_help() {
    return "\nSettings come from the stored settings (or --settings FILE.zvr), then from the\n"
           "options. The whole file is analysed; the table goes to OUT (or to standard\n"
           "output when no other file is asked for):\n"
           "frequency_hz and the level in dB of every curve the spectrum plot would draw,\n"
           "one row per spectrum entry from 0 to N/2; frame counts and settings go to\n"
           "standard error.\n"
           "\n"
           "  --settings FILE.zvr       settings from this file instead of the stored ones\n"
           "  --bandwidth HZ            analysis bandwidth\n"
           "  --window NAME             rectangular, Bartlett, Hamming, Hanning or Blackman\n"
           "  --dual                    analyse the first two channels (left and right)\n"
           "  --highpass on|off         the 1 Hz high-pass filter\n"
           "  --ltas                    long-term average spectrum\n"
           "  --sltas --sltas-points N  synchronous average over periods of N samples\n"
           "  --decay SECONDS           averages decay by 60 dB in this time\n"
           "  --exclude-overloaded on|off\n"
           "                            leave frames with clipped samples out of the averages\n"
           "  --exclude-high-power DB   leave out frames this far above the average power\n"
           "  --csv OUT                 write the table to OUT: a file appears or is\n"
           "                            replaced only when the table is complete; a FIFO\n"
           "                            or a device (/dev/stdout) is written into\n"
           "  --reference FILE.csv      add a last column: the last curve's level less that\n"
           "                            of the same curve in FILE.csv (a table that --csv\n"
           "                            or \"Save as reference...\" wrote), read at each\n"
           "                            row's frequency\n" +
           test_signal_options_help() + transfer_outputs_help() + picture_help() +
           "  --                        the sound file follows, even if it starts with -\n"
           "\n"
           "A file name without a folder is one in the current folder.\n"
           "Exit status: 0 done, 1 the file cannot be analysed or OUT cannot be written,\n"
           "2 bad options.\n";
}

TAnalyseOptions parse_analyse_options(const std::vector<std::string>& args) {
    TAnalyseOptions o;
    bool options_end = false; // after "--", a name that starts with a dash is a file
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (options_end || a.empty() || a[0] != '-') {
            if (!o.file.empty()) {
                throw std::invalid_argument("one sound file at a time ('" + a + "' is a second)");
            }
            o.file = a;
        } else if (a == "--") {
            options_end = true;
        } else if (a == "--settings") {
            o.settings = file_name_of(args, i);
        } else if (a == "--csv") {
            o.csv = file_name_of(args, i);
        } else if (a == "--reference") {
            o.reference = file_name_of(args, i);
        } else if (a == "--bandwidth") {
            o.bandwidth = positive_number(a, value_of(args, i));
        } else if (a == "--window") {
            o.window = window_named(value_of(args, i));
        } else if (a == "--dual") {
            o.dual = true;
        } else if (a == "--highpass") {
            o.highpass = on_off(a, value_of(args, i));
        } else if (a == "--ltas") {
            o.ltas = true;
        } else if (a == "--sltas") {
            o.sltas = true;
        } else if (a == "--sltas-points") {
            o.sltaspoints = sltas_points(value_of(args, i));
        } else if (a == "--decay") {
            o.decay = within_limit(a, "DecayTime", positive_number(a, value_of(args, i)));
        } else if (a == "--exclude-overloaded") {
            o.excludeoverloaded = on_off(a, value_of(args, i));
        } else if (a == "--exclude-high-power") {
            o.excludehighpower = within_limit(a, "ExcludedBLimit", number(a, value_of(args, i)));
        } else if (a == "--spectrogram") {
            o.spectrogram = file_name_of(args, i);
        } else if (parse_picture_option(args, i, o.pictures) ||
                   parse_test_signal_option(args, i, o.signal) ||
                   parse_transfer_output(args, i, o.transfer)) {
        } else {
            throw std::invalid_argument("unknown option " + a);
        }
    }
    if (o.file.empty()) {
        throw std::invalid_argument("--analyse needs a sound file");
    }
    if (o.sltaspoints && !o.sltas) {
        throw std::invalid_argument("--sltas-points goes with --sltas");
    }
    if (o.pictures.size && !o.pictures.any() && o.spectrogram.empty()) {
        throw std::invalid_argument("--size goes with --png, --svg or --spectrogram");
    }
    if (o.transfer.any() && !o.sltas) {
        throw std::invalid_argument("--transfer and --impulse go with --sltas");
    }
    return o;
}

int run_analyse_command(const std::vector<std::string>& args, const TSettingsLoader& load_settings,
                        std::ostream& out, std::ostream& err) {
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        out << analyse_usage() << '\n' << analyse_help();
        return 0;
    }
    TAnalyseOptions options;
    try {
        options = parse_analyse_options(args);
    } catch (const std::invalid_argument& e) {
        err << "zevrin: " << e.what() << '\n' << analyse_usage() << '\n';
        return 2;
    }
    // Opened first, so that a target that will be refused is known before a long
    // analysis; nothing appears under its name unless the table is complete.
    std::unique_ptr<SafeFileStream> output;
    if (!options.csv.empty()) {
        output = std::make_unique<SafeFileStream>(options.csv);
        if (output->error()) {
            err << "zevrin: " << write_failure_text(options.csv, output->error()) << '\n';
            return 1;
        }
    }
    std::optional<TReferenceCurve> reference;
    if (!options.reference.empty()) {
        try {
            reference = read_reference(options.reference);
        } catch (const EReferenceError& e) {
            err << "zevrin: " << e.what() << '\n';
            return 1;
        }
    }
    const TReferenceCurve* against = reference ? &*reference : nullptr;
    TTransferFiles transferfiles(options.transfer);
    if (!transferfiles.error().empty()) {
        err << "zevrin: " << transferfiles.error() << '\n';
        return 1;
    }
    try {
        // No sound device is opened: the analyser reads the file.
        TVirtualLoopback idle(TLoopbackClock::manual);
        TAnalyserComponents components(idle);
        TAnalyser analyser(components);
        std::array<bool, ncurves> showcurve{};
        showcurve.fill(true);
        std::array<uint32_t, ncurves> linecolor = default_curve_colors;
        if (load_settings) {
            const std::vector<std::string> warnings =
                load_settings(options.settings, analyser, linecolor, showcurve);
            if (!warnings.empty()) {
                const std::string source = options.settings.empty()
                                               ? std::string("the stored settings")
                                               : "the settings file \"" + options.settings + "\"";
                err << "zevrin: " << settings_warning_text(source, warnings) << '\n';
            }
        }
        TSoundFile file(options.file);
        analyser.sampfreq = file.samplerate();
        // The frequency range follows the file's rate, as in the window.
        analyser.set_autoxaxis(analyser.autoxaxis());
        apply(options, analyser);
        // A bandwidth option that does not suit the file is a bad option; a stored one
        // is the file's problem (check_sound_file).
        if (options.bandwidth) {
            const std::string bad =
                bandwidth_problem(analyser, *options.bandwidth, file, "--bandwidth");
            if (!bad.empty()) {
                err << "zevrin: " << bad << '\n' << analyse_usage() << '\n';
                return 2;
            }
        }
        // The decay factors follow the file's rate, bandwidth and window.
        analyser.set_ltasdecaytime(analyser.ltasdecaytime());
        analyser.set_sltasdecaytime(analyser.sltasdecaytime());
        std::unique_ptr<TSpectrogramRing> ring;
        if (!options.spectrogram.empty()) {
            analyser.OnFramesStart = [&] { ring = spectrogram_ring_for(analyser, file.frames()); };
            analyser.OnFrame = [&] { record_spectrogram_frame(*ring, analyser); };
        }
        const TFileAnalysis result = analyse_sound_file(analyser, file);
        const std::vector<int> curves = exported_curves(analyser, showcurve);
        if (output) {
            write_curves_csv_file(*output, options.csv, analyser, curves, against);
        } else if (!options.pictures.any() && !ring && !options.transfer.any()) {
            write_curves_csv(analyser, curves, out, against);
            out.flush();
        }
        if (ring) {
            const QSize size = options.pictures.size.value_or(
                QSize(default_spectrogram_size.width, default_spectrogram_size.height));
            write_spectrogram_png(options.spectrogram, *ring, analyser,
                                  TImageSize{size.width(), size.height()});
            if (ring->first() > 0) {
                err << "The spectrogram shows the last " << ring->capacity() << " of "
                    << ring->count() << " frames\n";
            }
        }
        const std::string early = early_end_text(options.file, result);
        if (!early.empty()) {
            err << "zevrin: " << early << '\n';
        }
        write_analysis_pictures(options.pictures, analyser, linecolor, showcurve);
        err << result.frames << " frames analysed: " << analyser.taken << " taken, "
            << analyser.excluded << " excluded, " << analyser.skipped << " skipped\n";
        if (result.clipped > 0) {
            err << result.clipped << " values beyond 16-bit full scale were clipped\n";
        }
        err << settings_summary(analyser) << '\n';
        if (options.transfer.any()) {
            transferfiles.write(analyser, err);
        }
        return 0;
    } catch (const std::exception& e) {
        err << "zevrin: " << e.what() << '\n';
        return 1;
    }
}

} // namespace zevrin
