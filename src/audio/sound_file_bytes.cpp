#include "audio/sound_file_bytes.h"

#include "audio/sound_file.h"

#include <sndfile.h>

#include <algorithm>
#include <cstring>

namespace zevrin {

namespace {

// A growing byte string that libsndfile writes, seeks in and reads back (it rewrites
// the header when it closes).
struct TMemoryFile {
    std::string bytes;
    sf_count_t pos = 0;
};

TMemoryFile& file_of(void* user) {
    return *static_cast<TMemoryFile*>(user);
}

sf_count_t memory_length(void* user) {
    return static_cast<sf_count_t>(file_of(user).bytes.size());
}

sf_count_t memory_seek(sf_count_t offset, int whence, void* user) {
    TMemoryFile& f = file_of(user);
    const sf_count_t base = whence == SEEK_CUR   ? f.pos
                            : whence == SEEK_END ? static_cast<sf_count_t>(f.bytes.size())
                                                 : 0;
    f.pos = std::max<sf_count_t>(0, base + offset);
    return f.pos;
}

sf_count_t memory_read(void* ptr, sf_count_t count, void* user) {
    TMemoryFile& f = file_of(user);
    const auto size = static_cast<sf_count_t>(f.bytes.size());
    const sf_count_t n = std::clamp<sf_count_t>(size - f.pos, 0, count);
    std::memcpy(ptr, f.bytes.data() + f.pos, static_cast<size_t>(n));
    f.pos += n;
    return n;
}

sf_count_t memory_write(const void* ptr, sf_count_t count, void* user) {
    TMemoryFile& f = file_of(user);
    const auto end = static_cast<size_t>(f.pos + count);
    if (end > f.bytes.size()) {
        f.bytes.resize(end);
    }
    std::memcpy(f.bytes.data() + f.pos, ptr, static_cast<size_t>(count));
    f.pos += count;
    return count;
}

sf_count_t memory_tell(void* user) {
    return file_of(user).pos;
}

template <typename Sample, typename Write>
std::string wav_bytes(const std::vector<Sample>& samples, int samplerate, int subformat,
                      Write write) {
    SF_VIRTUAL_IO io{memory_length, memory_seek, memory_read, memory_write, memory_tell};
    SF_INFO info{};
    info.samplerate = samplerate;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | subformat;
    TMemoryFile file;
    SNDFILE* sf = sf_open_virtual(&io, SFM_WRITE, &info, &file);
    if (sf == nullptr) {
        throw ESoundFileError(std::string("Cannot make the WAV file: ") + sf_strerror(nullptr));
    }
    const auto count = static_cast<sf_count_t>(samples.size());
    const sf_count_t written = write(sf, samples.data(), count);
    const std::string error = written == count ? std::string() : sf_strerror(sf);
    sf_close(sf);
    if (!error.empty()) {
        throw ESoundFileError("Cannot make the WAV file: " + error);
    }
    return std::move(file.bytes);
}

} // namespace

std::string float_wav_bytes(const std::vector<float>& samples, int samplerate) {
    return wav_bytes(samples, samplerate, SF_FORMAT_FLOAT, sf_write_float);
}

std::string pcm16_wav_bytes(const std::vector<int16_t>& samples, int samplerate) {
    return wav_bytes(samples, samplerate, SF_FORMAT_PCM_16, sf_write_short);
}

} // namespace zevrin
