#pragma once
// TPowerSums: per-bin power sums kept beside the SLTAS complex sums, for the coherence
// of the transfer function and for telling distortion from noise.
//
// The complex sums Σ X say how much of a bin repeats with the period; the power sums
// Σ |X|² how much arrived in all. Their ratio is the coherent share: 1 for a bin that
// holds the same value in every frame, about 1/K for noise after K frames. In dual mode
// the cross sum Σ conj(X1)·X2 of the two channels is kept as well, for the coherence
// between them.
//
// Every sum decays as the SLTAS sums do: each frame's weight falls by the decay factor
// per frame, so that every sum divided by the SLTAS weight is a weighted mean with the
// same weights. `weightsquared` is Σ w², which the effective number of frames
// (Σ w)² / Σ w² needs. Only bins 0 .. N/2 are kept: the frames are real, the rest
// mirrors them.
//
// Called once per channel of every frame taken into the SLTAS, on the GUI thread;
// nothing allocates once resize() has sized the arrays for a run.

#include "dsp/types.h"

#include <cstddef>

namespace zevrin {

class TPowerSums {
public:
    /// Sizes the sums for an N-point spectrum. As with the SLTAS sums, existing
    /// entries keep their values and new ones start at 0.
    void resize(size_t fftsize);
    /// Every sum and the squared weight back to 0.
    void clear();

    /// One channel's spectrum of the frame just taken: channel 0 mono, 1 left, 2 right
    /// (left comes first in a frame). `re` and `im` hold at least N/2 + 1 bins.
    void add(int channel, const tdoublearr& re, const tdoublearr& im, double decayfactor);

    /// Σ w·|X1|² and Σ w·|X2|² per bin 0 .. N/2.
    const tdoublearr& power1() const { return fpower1; }
    const tdoublearr& power2() const { return fpower2; }
    /// Σ w·conj(X1)·X2 per bin 0 .. N/2 (dual mode only), X as the FFT component
    /// gives it (positive exponent).
    const tcomplexarr& cross() const { return fcross; }
    /// Σ w², the weights being those of the SLTAS sums.
    double weightsquared() const { return fweightsquared; }

private:
    void add_power(tdoublearr& power, const tdoublearr& re, const tdoublearr& im, double f);

    tdoublearr fpower1, fpower2;
    tcomplexarr fcross;
    // Channel 1's spectrum of the current frame, until channel 2 arrives.
    tdoublearr fre1, fim1;
    double fweightsquared = 0.0;
};

} // namespace zevrin
