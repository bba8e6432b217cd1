#pragma once
// The spectrogram of a sound file as a picture file, without a window: what the
// spectrogram window shows after "Analyse sound file...", with the analyser's
// frequency range and scale and its level range, at a given size.

#include "app/image_size.h"
#include "engine/analyser.h"
#include "engine/spectrogram_ring.h"

#include <QByteArray>

#include <memory>
#include <string>

namespace zevrin {

inline constexpr TImageSize default_spectrogram_size{1200, 400};
/// The most memory a ring for a whole file takes; a longer file keeps its end.
inline constexpr size_t largest_file_ring = size_t{1} << 30;

/// A ring that holds every frame of `samples` samples per channel in the shape the
/// analyser has just prepared (at least the window's default, at most
/// largest_file_ring), started.
std::unique_ptr<TSpectrogramRing> spectrogram_ring_for(const TAnalyser& analyser, int64_t samples);

/// The picture of everything the ring holds, as PNG bytes. Makes an application on
/// Qt's offscreen platform when the program has none.
QByteArray spectrogram_png(const TSpectrogramRing& ring, const TAnalyser& analyser,
                           TImageSize size);

/// The same, written whole through the program's safe writer; std::runtime_error with
/// the reason when it cannot be written (nothing is left behind then).
void write_spectrogram_png(const std::string& path, const TSpectrogramRing& ring,
                           const TAnalyser& analyser, TImageSize size);

} // namespace zevrin
