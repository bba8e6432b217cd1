#pragma once
// Types shared by every layer: frames, spectra, complex values, sample chunks.

#include <cstdint>
#include <vector>

namespace zevrin {

/// Frames, spectra, windows and accumulators.
using tdoublearr = std::vector<double>;

struct tcomplex {
    double re = 0.0;
    double im = 0.0;
};
using tcomplexarr = std::vector<tcomplex>;

/// Signed 16-bit samples, interleaved by channel (channel 1 first).
using TWaveChunk = std::vector<int16_t>;

/// Analysis window; the settings store its ordinal.
enum class TFFTWindow : uint8_t { rectangle, Bartlett, Hamming, Hanning, Blackman };

} // namespace zevrin
