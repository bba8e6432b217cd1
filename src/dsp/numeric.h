#pragma once
// Numeric helpers shared by the whole program: window shaping, sample conversion,
// logarithms, axis steps and musical note arithmetic.
//
// Functions whose written counterparts raise a floating-point error (the logarithms
// of 0 or of a negative number, divisions by zero) return the IEEE result (an
// infinity or NaN) instead; callers that must turn a failure into a documented value
// test the result with std::isfinite.

#include "dsp/types.h"

#include <cstdint>
#include <stdexcept>
#include <string>

namespace zevrin {

/// An integer result that does not fit its type.
class ERangeError : public std::range_error {
public:
    ERangeError() : std::range_error("Range check error") {}
};

/// A floating-point failure that the caller must see (the Windows program's
/// "Invalid floating point operation").
class EMathError : public std::runtime_error {
public:
    EMathError() : std::runtime_error("Invalid floating point operation") {}
};

inline constexpr double pi = 3.14159265358979323846;

tcomplex make_complex(double re, double im);

/// x - 2π·floor(x / 2π), in [0, 2π).
double wrap_phase(double x);
/// One period mapped onto one period, rising over the first `left` of it, holding π
/// up to `right` and falling over the rest; left = right = 0.5 leaves it unchanged.
double skew_phase(double x, double left, double right);
/// Triangle of period 2π and range -1..1, 0 at x = 0 and rising, like a sine.
double triangle_wave(double x);
double skewed_cos(double x, double left, double right);
double skewed_triangle(double x, double left, double right);

double tan(double x);
double hypot(double a, double b);
double pow10(double x);
double pow2(double x);
double log10(double x);
double log2(double x);
/// A power ratio in decibels: 10·log10(x).
double power_db(double x);
/// base^exponent for base > 0; for base 0: 1 when exponent is 0, else 0.
double power(double base, double exponent);
/// Smallest / largest 32-bit integer not below / not above x; ERangeError when none fits.
int32_t ceil_int(double x);
int32_t floor_int(double x);
/// Nearest integer, halves to even.
double round_even(double x);
/// round_even as a 32-bit integer; ERangeError when it does not fit.
int32_t round_int(double x);

/// 1, 2, 5 or 10 times a power of ten, switching at √2, √10 and √50: the tick step
/// nearest to x on a logarithmic scale.
double nice_step(double x);

/// The run-time library's uniform generator: seed := seed·134775813 + 1, value in [0, 1).
double random_uniform();
void set_random_seed(uint32_t seed);
uint32_t random_seed();

/// A real value as a 16-bit sample, rounded half to even and limited to the 16-bit
/// range; `dithered` adds triangular dither of ±1 step after limiting to -32767..32766.
int16_t to_sample(bool dithered, double x);

// Musical notes: MIDI numbers, 69 is the A at 440 Hz, one unit per semitone.
double note_to_freq(double note);
double freq_to_note(double f);
bool is_black_key(int32_t note);
/// "A4", "C#5"; with cents "A4 +12 cent".
std::string note_name(bool showcents, double note);
/// "-" for f <= 0, else the name of the nearest note.
std::string freq_to_notename(bool showcents, double f);

} // namespace zevrin
