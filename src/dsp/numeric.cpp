#include "dsp/numeric.h"

#include "dsp/text.h"

#include <array>
#include <cmath>
#include <limits>

namespace zevrin {

namespace {

constexpr double two_pi = 2.0 * pi;
// 10 / log2(10): decibels per doubling of a power ratio.
const double db_per_octave = 10.0 / std::log2(10.0);

uint32_t g_random_seed = 0;

int32_t checked_int(double v) {
    if (!(v >= static_cast<double>(std::numeric_limits<int32_t>::min()) &&
          v <= static_cast<double>(std::numeric_limits<int32_t>::max()))) {
        throw ERangeError();
    }
    return static_cast<int32_t>(v);
}

} // namespace

tcomplex make_complex(double re, double im) {
    return tcomplex{re, im};
}

double wrap_phase(double x) {
    double r = x - two_pi * std::floor(x / two_pi);
    // A tiny negative x rounds to exactly 2π; the period starts again at 0.
    if (r >= two_pi || r < 0.0) {
        r = 0.0;
    }
    return r;
}

double skew_phase(double x, double left, double right) {
    const double d = wrap_phase(x);
    if (d < two_pi * left) {
        return d / (2.0 * left);
    }
    if (d <= two_pi * right) {
        return pi;
    }
    return two_pi + (d - two_pi) / (2.0 * (1.0 - right));
}

double triangle_wave(double x) {
    const double a = wrap_phase(x);
    const double b = 2.0 * a / pi;
    if (a < pi / 2.0) {
        return b;
    }
    if (a < 3.0 * pi / 2.0) {
        return 2.0 - b;
    }
    return b - 4.0;
}

double skewed_cos(double x, double left, double right) {
    return std::cos(skew_phase(x, left, right));
}

double skewed_triangle(double x, double left, double right) {
    return triangle_wave(skew_phase(x, left, right));
}

double tan(double x) {
    return std::sin(x) / std::cos(x);
}
double hypot(double a, double b) {
    return std::hypot(a, b);
}
double pow10(double x) {
    return std::pow(10.0, x);
}
double pow2(double x) {
    return std::exp2(x);
}
double log10(double x) {
    return std::log10(x);
}
double log2(double x) {
    return std::log2(x);
}
double power_db(double x) {
    // Through the binary logarithm, which the maths library computes twice as fast as
    // the decimal one.
    return db_per_octave * std::log2(x);
}

double power(double base, double exponent) {
    if (base == 0.0) {
        return exponent == 0.0 ? 1.0 : 0.0;
    }
    if (base > 0.0) {
        return std::exp(exponent * std::log(base));
    }
    return std::pow(base, exponent);
}

int32_t ceil_int(double x) {
    return checked_int(std::ceil(x));
}
int32_t floor_int(double x) {
    return checked_int(std::floor(x));
}

double round_even(double x) {
    // The default floating-point environment rounds to nearest, ties to even.
    return std::nearbyint(x);
}

int32_t round_int(double x) {
    return checked_int(round_even(x));
}

double nice_step(double x) {
    if (x == 0.0) {
        return 0.0;
    }
    if (!(x > 0.0)) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    const double l = log10(x);
    double e = std::trunc(l);
    if (l < 0.0) {
        e -= 1.0;
    }
    const double p = pow10(e);
    const double r = x / p;
    double factor = 10.0;
    if (r < std::sqrt(2.0)) {
        factor = 1.0;
    } else if (r < std::sqrt(10.0)) {
        factor = 2.0;
    } else if (r < std::sqrt(50.0)) {
        factor = 5.0;
    }
    return p * factor;
}

double random_uniform() {
    g_random_seed = g_random_seed * 134775813u + 1u;
    return static_cast<double>(g_random_seed) / 4294967296.0;
}

void set_random_seed(uint32_t seed) {
    g_random_seed = seed;
}
uint32_t random_seed() {
    return g_random_seed;
}

int16_t to_sample(bool dithered, double x) {
    if (std::isnan(x)) {
        throw ERangeError();
    }
    if (!dithered) {
        if (x > 32767.0) {
            return 32767;
        }
        if (x < -32768.0) {
            return -32768;
        }
        return static_cast<int16_t>(round_even(x));
    }
    if (x > 32766.0) {
        x = 32766.0;
    }
    if (x < -32767.0) {
        x = -32767.0;
    }
    const double u1 = random_uniform();
    const double u2 = random_uniform();
    return static_cast<int16_t>(round_even(x + u1 - u2));
}

double note_to_freq(double note) {
    return 440.0 * std::exp2((note - 69.0) / 12.0);
}
double freq_to_note(double f) {
    return 12.0 * std::log2(f / 440.0) + 69.0;
}

bool is_black_key(int32_t note) {
    return (7 * static_cast<int64_t>(note) + 18) % 12 < 5;
}

std::string note_name(bool showcents, double note) {
    static const std::array<const char*, 12> names = {"Ab", "A",  "Bb", "B", "C",  "C#",
                                                      "D",  "Eb", "E",  "F", "F#", "G"};
    const int64_t v = round_int(note + 4.0);
    const int64_t index = ((v + 120) % 12 + 12) % 12;
    std::string text = names[static_cast<size_t>(index)];
    text += std::to_string((v + 104) / 12 - 10);
    if (showcents) {
        std::string cents = format_significant(2, (note - round_even(note)) * 100.0);
        if (cents.empty() || cents[0] != '-') {
            cents.insert(cents.begin(), '+');
        }
        text += " " + cents + " cent";
    }
    return text;
}

std::string freq_to_notename(bool showcents, double f) {
    if (!(f > 0.0)) {
        return "-";
    }
    return note_name(showcents, freq_to_note(f));
}

} // namespace zevrin
