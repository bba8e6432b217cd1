#pragma once
// TSpectrogramRing: the history a spectrogram shows, the levels of every frame's
// spectrum in a ring of columns. Its memory is taken once, when the ring is made, and
// never grows: a run or a sound file only divides it into columns of its own shape
// (bins 0 .. N/2 of one or two channels), so the number of columns kept is that memory
// over the size of a column. With the default 64 MiB that is 10.9 minutes of two
// channels at 48 kHz and the default bandwidth of 50 Hz (N = 2048, 25 frames a
// second), and longer at lower rates or with one channel. When the ring is full the
// newest column takes the place of the oldest.
//
// Levels are kept to 0.01 dB in 16 bits, from -327.68 to 327.67 dB; a level beyond
// (the -3250 dB of an empty bin) is kept at the nearer end. GUI thread only.

#include "engine/analyser.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace zevrin {

/// What a spectrogram shows: the first channel (mono or left), the second (right),
/// or the level of the right relative to the left, in dB.
enum class TSpectrogramSource { channel1, channel2, difference };

class TSpectrogramRing {
public:
    static constexpr size_t default_bytes = size_t{64} << 20;
    /// One unit of a kept level, dB.
    static constexpr double level_step = 0.01;

    /// Takes `bytes` of memory for the whole life of the ring, written once here so
    /// that the system commits all of it now and none while frames arrive.
    explicit TSpectrogramRing(size_t bytes = default_bytes);

    size_t bytes() const { return fbytes; }

    /// Forgets every column and divides the memory into columns of `bins` levels for
    /// each of `channels` (1 or 2) channels; each column stands for one frame of
    /// `frame_seconds`, bin m at m × sampfreq / (2 × (bins - 1)). Allocates nothing.
    void start(size_t bins, int channels, double sampfreq, double frame_seconds);
    /// Appends a frame's levels in dB, `bins` of each channel (`channel2` ignored with
    /// one channel). Allocates nothing.
    void add(const double* channel1, const double* channel2);

    size_t bins() const { return fbins; }
    int channels() const { return fchannels; }
    double sampfreq() const { return fsampfreq; }
    double frame_seconds() const { return fframeseconds; }
    /// The frequency of bin m, Hz.
    double bin_frequency(size_t m) const;
    /// How many columns the memory holds in the present shape.
    size_t capacity() const { return fcapacity; }
    /// Columns added since the start; column k stands for the frame from
    /// k × frame_seconds to (k + 1) × frame_seconds.
    int64_t count() const { return fcount; }
    /// The oldest column still kept.
    int64_t first() const;
    /// Counts the starts, so that a view sees that its columns are gone.
    uint64_t generation() const { return fgeneration; }

    /// The kept levels of a channel (0 or 1) of column k, first() <= k < count(), in
    /// units of level_step.
    const int16_t* column(int64_t k, int channel) const;
    /// The kept level of column k and bin m as `source` shows it, in units of
    /// level_step; the difference of two channels as right minus left.
    int level_units(int64_t k, TSpectrogramSource source, size_t m) const;
    /// Whether the ring holds what `source` needs (a second channel for two of them).
    bool shows(TSpectrogramSource source) const;

private:
    size_t fbytes;
    std::unique_ptr<int16_t[]> fdata;
    size_t fbins = 0;
    int fchannels = 1;
    double fsampfreq = 0.0;
    double fframeseconds = 0.0;
    size_t fcapacity = 0;
    int64_t fcount = 0;
    uint64_t fgeneration = 0;
};

/// The ring in the shape of the analyser's frames, as prepared for a run or a file.
void start_spectrogram(TSpectrogramRing& ring, const TAnalyser& analyser);
/// The analyser's current frame into the ring (its spectra outdb1 and outdb2).
void record_spectrogram_frame(TSpectrogramRing& ring, const TAnalyser& analyser);

} // namespace zevrin
