#pragma once
// Sound files made in memory through libsndfile, so that the program's one safe writer
// (platform/safe_file.h) can put them where the user asked: a file appears whole or
// not at all, and a pipe or device is written into.

#include <cstdint>
#include <string>
#include <vector>

namespace zevrin {

/// One channel of 32-bit float samples as a WAV file's bytes. ESoundFileError
/// (audio/sound_file.h) when libsndfile cannot make it (such as a rate below 1).
std::string float_wav_bytes(const std::vector<float>& samples, int samplerate);

/// One channel of 16-bit samples as a WAV file's bytes, the values unchanged.
std::string pcm16_wav_bytes(const std::vector<int16_t>& samples, int samplerate);

} // namespace zevrin
