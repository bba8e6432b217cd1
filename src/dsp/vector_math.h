#pragma once
// The per-bin arithmetic of the spectra: levels in dB and magnitudes, over whole arrays,
// on the vector instructions the processor has (dsp/vector_isa.h) and without a call
// into the maths library per value. Every version gives the same bits, and the single
// value form gives the same bits as the array form.

#include "dsp/types.h"

#include <cstddef>

namespace zevrin {

/// factor·log10(x) for finite x > 0 (normal or subnormal); NaN for every other x: 0, a
/// negative number, an infinity, NaN. Within 2 units in the last place of
/// factor·std::log10(x) before the product is rounded.
double scaled_log10(double x, double factor);
/// The same for count values; out may be x.
void scaled_log10(const double* x, double* out, std::size_t count, double factor);

/// The level in dB of spectrum bins: with p = re² + im², 10·log10(p) where p > 0, -3250
/// where p ≤ 0 (no power), 0 where p is no finite number (a failed entry).
void power_db_bins(const double* re, const double* im, double* db, std::size_t count);
/// The magnitude √(re² + im²) of spectrum bins; 0 where it overflows or is no number.
void magnitude_bins(const double* re, const double* im, double* out, std::size_t count);

/// sum[i] := add[i] + sum[i]·factor: one frame's values into a decaying sum.
void add_decayed(double* sum, const double* add, double factor, std::size_t count);
/// The same for complex sums of the parts re and im.
void add_decayed(tcomplex* sum, const double* re, const double* im, double factor,
                 std::size_t count);

/// sum[i] := re[i]² + im[i]² + sum[i]·factor: one frame's powers into a decaying sum.
void add_decayed_power(double* sum, const double* re, const double* im, double factor,
                       std::size_t count);
/// sum[i] := conj(x1[i])·x2[i] + sum[i]·factor, x1 = re1 + i·im1, x2 = re2 + i·im2: the
/// cross power of two channels into a decaying sum.
void add_decayed_cross(tcomplex* sum, const double* re1, const double* im1, const double* re2,
                       const double* im2, double factor, std::size_t count);

/// v[n-k] := v[k] for 0 < k < n/2: the upper half of a real frame's spectrum from the
/// lower; with `conjugate`, negated (the imaginary parts).
void mirror_lower_half(double* v, std::size_t n, bool conjugate);

} // namespace zevrin
