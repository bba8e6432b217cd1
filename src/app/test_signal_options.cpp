#include "app/test_signal_options.h"

#include "dsp/text.h"

#include <array>
#include <cmath>
#include <stdexcept>

namespace zevrin {

namespace {

// By TPartialPattern's value.
const std::array<const char*, 5> pattern_names = {"all", "even", "per-octave", "even-per-octave",
                                                  "single"};

const std::string& option_value(const std::vector<std::string>& args, size_t& i) {
    if (i + 1 >= args.size() || args[i + 1].rfind("--", 0) == 0) {
        throw std::invalid_argument(args[i] + " needs a value");
    }
    return args[++i];
}

double number_within(const std::string& option, const std::string& text, double lo, double hi) {
    double v = 0;
    try {
        v = str_to_float_dot(text);
    } catch (const EConvertError&) {
        throw std::invalid_argument(option + " needs a number, not '" + text + "'");
    }
    if (!(v >= lo && v <= hi)) {
        throw std::invalid_argument(option + " must lie from " + float_to_str_dot(lo) + " to " +
                                    float_to_str_dot(hi) + ", not " + text);
    }
    return v;
}

int pattern_named(const std::string& text) {
    for (size_t p = 0; p < pattern_names.size(); ++p) {
        if (text == pattern_names[p] || text == std::to_string(p)) {
            return static_cast<int>(p);
        }
    }
    throw std::invalid_argument("unknown pattern '" + text +
                                "' (all, even, per-octave, even-per-octave or single)");
}

} // namespace

bool parse_test_signal_option(const std::vector<std::string>& args, size_t& i,
                              TTestSignalOptions& o) {
    const std::string& a = args[i];
    if (a == "--pattern") {
        o.pattern = pattern_named(option_value(args, i));
    } else if (a == "--partials-per-octave") {
        const double v = number_within(a, option_value(args, i), 1, 10000);
        if (v != std::floor(v)) {
            throw std::invalid_argument(a + " needs a whole number, not " + args[i]);
        }
        o.partialsperoctave = static_cast<int>(v);
    } else if (a == "--single-frequency") {
        o.singlesinusfreq = number_within(a, option_value(args, i), 1e-3, 1e6);
    } else if (a == "--chirpiness") {
        o.chirpiness = number_within(a, option_value(args, i), -1e6, 1e6);
    } else if (a == "--tilt") {
        o.tilt = number_within(a, option_value(args, i), -100, 100);
    } else {
        return false;
    }
    return true;
}

void apply_test_signal_options(const TTestSignalOptions& o, TAnalyser& a) {
    if (o.pattern) {
        a.partialpattern = *o.pattern;
    }
    if (o.partialsperoctave) {
        a.partialsperoctave = *o.partialsperoctave;
    }
    if (o.singlesinusfreq) {
        a.singlesinusfreq = *o.singlesinusfreq;
    }
    if (o.chirpiness) {
        a.chirpiness = *o.chirpiness;
    }
    if (o.tilt) {
        a.set_tilt(*o.tilt);
    }
}

std::string test_signal_options_help() {
    return "  --pattern NAME            the test signal's partials: all, even, per-octave,\n"
           "                            even-per-octave or single (one sinusoid)\n"
           "  --partials-per-octave N   partials per octave of the per-octave patterns\n"
           "  --single-frequency HZ     the frequency of the single sinusoid\n"
           "  --chirpiness C            the phase law of the partials (0: all in cosine phase)\n"
           "  --tilt DB                 the level change per octave, dB\n";
}

std::string test_signal_description(const TAnalyser& a) {
    const int p = a.partialpattern;
    std::string text = p >= 0 && p < static_cast<int>(pattern_names.size())
                           ? std::string("pattern ") + pattern_names[static_cast<size_t>(p)]
                           : "pattern " + std::to_string(p);
    if (p == 2 || p == 3) {
        text += " (" + std::to_string(a.partialsperoctave) + " per octave)";
    } else if (p == 4) {
        text += " (" + format_float("0.###", a.singlesinusfreq) + " Hz)";
    }
    return text + ", chirpiness " + format_float("0.###", a.chirpiness) + ", tilt " +
           format_float("0.###", a.tilt()) + " dB/octave";
}

} // namespace zevrin
