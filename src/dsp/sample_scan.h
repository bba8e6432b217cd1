#pragma once
// One pass over a captured chunk of interleaved 16-bit samples, and a channel out of
// it: what the frame processing needs of every sample before the transform, on the
// vector instructions the processor has (dsp/vector_isa.h). Integer work only: every
// version gives the same results.

#include <array>
#include <cstddef>
#include <cstdint>

namespace zevrin {

/// What one pass over a chunk finds.
struct TSampleScan {
    /// The sum of the squares of all samples, exact.
    int64_t squares = 0;
    /// The smallest and the largest sample of each channel (0 mono or left, 1 right);
    /// 0 with no samples, and both 0 for the right channel of a mono chunk.
    std::array<int, 2> low{};
    std::array<int, 2> high{};
};

/// Scans `count` samples of `channels` (1, or 2 interleaved left first) channels.
TSampleScan scan_samples(const int16_t* samples, std::size_t count, int channels);

/// out[i] := samples[i·stride + offset] for i < count, as doubles: one channel of an
/// interleaved chunk (stride 1 or 2, offset below the stride).
void channel_to_doubles(const int16_t* samples, std::size_t stride, std::size_t offset, double* out,
                        std::size_t count);

} // namespace zevrin
