#pragma once
// TDistortion: distortion apart from noise in the bins the test signal leaves unused.
//
// In such a bin the synchronous average holds what repeats with the period, the power
// sum all that arrived. After K frames (weights w, K = Σ w):
//   coherent power    |mean X|²              = D + N / Keff   (the distortion floor)
//   incoherent power  mean |X|² - |mean X|²  = N · (1 - 1/Keff) (the noise floor)
// where D is the power of the distortion products in the bin, N that of the noise, and
// Keff = (Σ w)² / Σ w² the effective number of frames (K without decay, (1 + f)/(1 - f)
// at most with the decay factor f). Distortion products are locked to the period and
// stay; noise averages down in the coherent power by 1/Keff, 3 dB per doubling of K,
// while the incoherent power stays put. So the distortion floor is a distortion
// measurement only where it lies clearly above the noise floor less 10·log10(Keff);
// below that it shows the noise that has not yet averaged out, and falls as K grows.
// The levels use the plot's scale: the distortion floor of a bin is the level the
// main window's unused-partial SLTAS curve shows there.
//
// THD and THD+N, as power ratios, of the response (channel 2 in dual mode):
// - one sinusoid (pattern "one sinusoid"): THD is the coherent power of its harmonics
//   (bins m·a for m = 2, 3, ..., folded about L/2 as sampling folds them, each bin
//   once) over the coherent power of the sinusoid; THD+N the total power of every
//   other bin from 1 to L/2 over it;
// - several partials: THD is the coherent power of the unused bins between the lowest
//   and the highest partial over the coherent power of the partials; THD+N the total
//   power of those unused bins over it.
// The coherent figures carry the noise bias above: THD reads high by about THD+N/Keff
// until the distortion stands clear of it.
//
// Recomputing allocates only when the period grows.

#include "engine/analyser.h"

#include <string>
#include <vector>

namespace zevrin {

class TDistortion {
public:
    /// Recomputes from the analyser's averages; problem() says why not, if so.
    void compute(const TAnalyser& a);

    const std::string& problem() const { return fproblem; }
    bool valid() const { return fproblem.empty(); }

    double weight = 0.0;           ///< K, the SLTAS weight
    double effective_frames = 0.0; ///< Keff

    // Per unused bin 1 .. L/2, in increasing frequency.
    std::vector<size_t> bins;
    tdoublearr frequency;     ///< Hz
    tdoublearr distortion_db; ///< 10·log10 of the coherent power (NaN where 0)
    tdoublearr noise_db;      ///< 10·log10 of the incoherent power (NaN where none)

    // Per synthesised partial: the response's level there (coherent).
    std::vector<size_t> partials;
    tdoublearr partial_frequency;
    tdoublearr signal_db;

    bool single = false; ///< one sinusoid: THD over its harmonics
    double thd = 0.0;    ///< power ratio; NaN when there is nothing to compare
    double thdn = 0.0;   ///< power ratio; NaN when there is nothing to compare

private:
    void per_bin(const TAnalyser& a);
    void ratios(const TAnalyser& a);
    double harmonic_power(const tcomplexarr& y, size_t fundamental, size_t length);

    std::string fproblem;
    tpartialflags fused;
    tpartialflags fharmonic;
};

/// A power ratio as text: "-23.4 dB (6.76 %)", or "?" when it is NaN.
std::string ratio_text(double power_ratio);

} // namespace zevrin
