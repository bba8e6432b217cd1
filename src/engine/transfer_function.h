#pragma once
// TTransferFunction: the measured system's transfer function H and impulse response,
// read from the synchronous averages.
//
// At each partial that the test signal synthesises, H is the response's mean spectrum
// divided by the reference's: in dual mode channel 2 (right) over channel 1 (left), so
// that |H| is the L-R SLTAS curve; in mono the captured channel over the period the
// program plays, as the sound card receives it (its first sample is the one playback
// hands over first). H is given in the usual engineering sign, H(f) = Σ h[n]·e^(-i2πfn),
// so a delay lowers the phase.
//
// Delay. The inverse transform of H over the period has its largest magnitude at the
// delay D between reference and response (for a system whose own impulse response
// peaks at its start). D is found to the nearest sample, in -L/2 < D <= L/2 (the
// measurement repeats with the period, so D is known only modulo L), and taken out of
// H before the phase, the unwrapped phase and the group delay are computed: they show
// the system without its delay. In mono the delay includes the unknown offset between
// playback and capture and means nothing else; the impulse response is then shown with
// it removed. In dual mode it is the delay between the channels, and the impulse
// response stays where it lies in time.
//
// Impulse response: the inverse transform of H over the period, one value per sample.
// With every partial (pattern "all") H is known at every bin but 0 and L/2, which take
// the real part of their neighbour (the system's response there is real and close to
// it), and h is the system's impulse response wrapped onto one period. With sparse
// patterns the bins between the partials are 0: h is then the system's response seen
// through the pattern (the even pattern repeats it every half period, the per-octave
// patterns smear it into a peak with side lobes, a single sinusoid gives a cosine); its
// peak still marks the delay. The energy-time curve is the squared magnitude of the
// analytic signal h + i·Hilbert(h) in dB relative to its largest value.
//
// Coherence per partial from the power sums (engine/power_sums.h): in dual mode
// |Σ conj(X)·Y|² / (Σ|X|² · Σ|Y|²); in mono, where the reference is the same in every
// frame, this is |Σ Y|² / (Σ w · Σ|Y|²). 1 for a response that repeats exactly, lower
// where noise or anything not locked to the period adds to it. With decay the sums are
// weighted alike, and the same holds.
//
// GUI thread or any single thread; recomputing allocates only when the period grows.

#include "dsp/fft.h"
#include "engine/analyser.h"

#include <string>
#include <vector>

namespace zevrin {

class TTransferFunction {
public:
    /// Recomputes everything from the analyser's averages (and, in mono, its played
    /// period). Afterwards problem() says why nothing could be computed, if so.
    void compute(const TAnalyser& a);

    /// Why there is no transfer function; empty when compute() succeeded.
    const std::string& problem() const { return fproblem; }
    bool valid() const { return fproblem.empty(); }

    bool dual = false;
    int length = 0;        ///< the period L in samples
    double sampfreq = 0.0; ///< Hz
    double weight = 0.0;   ///< the SLTAS weight (the number of frames without decay)

    // Per measured partial, in increasing frequency.
    std::vector<size_t> bins;
    tdoublearr frequency;      ///< Hz
    tdoublearr magnitude_db;   ///< 20·log10|H|
    tdoublearr phase_deg;      ///< arg H without the delay, -180 < phase <= 180
    tdoublearr unwrapped_deg;  ///< the same, continued without jumps of 360
    tdoublearr group_delay_ms; ///< -dφ/dω without the delay (NaN with one partial)
    tdoublearr coherence;      ///< 0 .. 1
    tcomplexarr response;      ///< H without the delay

    bool delay_found = false; ///< at least two partials: the delay means something
    int delay = 0;            ///< samples, -L/2 < delay <= L/2
    double delay_ms = 0.0;

    // One entry per sample of the period.
    tdoublearr time_ms; ///< n / sampfreq, ms
    tdoublearr impulse; ///< h[n]: in mono without the delay, in dual mode in place
    /// The energy-time curve, dB relative to its largest value (NaN where 0); made
    /// from the envelope when first asked for after a computation.
    const tdoublearr& etc_db() const;
    int peak_index = 0; ///< where |h| is largest
    double peak = 0.0;  ///< h there, with its sign

    /// Where the impulse response stands out: the times of the first and the last
    /// sample whose energy-time curve lies `above_db` over its median (its floor of
    /// noise or side lobes), and above `floor_db` (0 dB being the peak), from a
    /// sixteenth of a period before the peak to half a period after it. The whole
    /// period when none does, or when the floor lies within `above_db` + 20 dB of the
    /// peak (the side lobes of a sparse pattern).
    void energy_span(double above_db, double floor_db, double& from_ms, double& to_ms) const;

private:
    bool gather(const TAnalyser& a);
    bool reference_spectrum(const TAnalyser& a);
    void find_delay_and_impulse();
    void phases();
    void turn_table();
    void fail(std::string why);

    std::string fproblem;
    tpartialflags fused;
    TFFT ffft;
    tdoublearr fre, fim;
    tcomplexarr fref;      ///< the reference's mean spectrum, FFT component's sign
    tcomplexarr fraw;      ///< H with its delay, usual sign, bins 0 .. L/2
    tdoublearr fenvelope;  ///< the squared envelope of h
    double flargest = 0.0; ///< its largest value
    mutable tdoublearr fetc;
    mutable bool fetcstale = true;
    tdoublearr fcos, fsin; ///< one turn in L steps, kept while L stays
};

} // namespace zevrin
