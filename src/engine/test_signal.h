#pragma once
// The periodic multi-partial test signal of the synchronous average: which partials
// it uses, their amplitudes and phases, and one period of it.
//
// Partial a has a periods per L samples, so it falls on bin a of an L-point spectrum.
// Its amplitude changes by `tilt` dB per octave (partial 1 at amplitude 1) and its
// phase follows the quadratic law -2π·a²·chirpiness/L, which spreads the partials'
// peaks over the period. Partials from 1 up to but excluding L/2 are synthesised.

#include "dsp/fft.h"
#include "dsp/types.h"

#include <cstdint>
#include <vector>

namespace zevrin {

/// One flag per partial index, true where the partial is part of the signal; a byte
/// each, so that the plot's staircases read them at full speed.
using tpartialflags = std::vector<uint8_t>;

enum class TPartialPattern { all = 0, even = 1, peroctave = 2, evenperoctave = 3, single = 4 };

struct TTestSignalSettings {
    int partialpattern = 2;
    int partialsperoctave = 12;
    double singlesinusfreq = 100.0;
    double chirpiness = 1.0;
    double tilt = 0.0;
    double sampfreq = 11025.0;
};

/// Marks the partials of the pattern in `used` (its size is the period length L).
/// A pattern outside 0..4, or N below 1 for the per-octave patterns, selects none.
void select_partials(const TTestSignalSettings& settings, tpartialflags& used);
/// amp[a] = 10^(log2(a)·tilt/20) for a = 1..size-1; amp[0] = 0 (unused).
void partial_amplitudes(double tilt, tdoublearr& amp);
/// One period as the direct sum of the used partials' cosines (the reference).
void synthesise_direct(const tpartialflags& used, const tdoublearr& amp, double chirpiness,
                       tdoublearr& period);
/// The same period by one inverse transform of the partial spectrum on `fft`;
/// needs a power-of-two period length.
void synthesise_fast(const tpartialflags& used, const tdoublearr& amp, double chirpiness, TFFT& fft,
                     tdoublearr& period);
/// Direct sum or transform, whichever applies to the period length.
void synthesise(const tpartialflags& used, const tdoublearr& amp, double chirpiness, TFFT& fft,
                tdoublearr& period);

} // namespace zevrin
