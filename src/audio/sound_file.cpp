#include "audio/sound_file.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

namespace zevrin {

// The bytes of a file in memory, with libsndfile's virtual I/O over them.
struct TSoundFile::Memory {
    std::string bytes;
    sf_count_t position = 0;

    static sf_count_t length(void* self) {
        return static_cast<sf_count_t>(static_cast<Memory*>(self)->bytes.size());
    }
    static sf_count_t seek(sf_count_t offset, int whence, void* self) {
        auto* m = static_cast<Memory*>(self);
        const sf_count_t base = whence == SEEK_CUR   ? m->position
                                : whence == SEEK_END ? static_cast<sf_count_t>(m->bytes.size())
                                                     : 0;
        if (offset < -base || offset > static_cast<sf_count_t>(m->bytes.size()) - base) {
            return -1;
        }
        m->position = base + offset;
        return m->position;
    }
    static sf_count_t read(void* to, sf_count_t count, void* self) {
        auto* m = static_cast<Memory*>(self);
        const sf_count_t n =
            std::clamp<sf_count_t>(static_cast<sf_count_t>(m->bytes.size()) - m->position, 0,
                                   std::max<sf_count_t>(count, 0));
        if (n > 0) {
            std::memcpy(to, m->bytes.data() + m->position, static_cast<size_t>(n));
            m->position += n;
        }
        return n;
    }
    static sf_count_t write(const void*, sf_count_t, void*) { return 0; }
    static sf_count_t tell(void* self) { return static_cast<Memory*>(self)->position; }
};

struct TSoundFile::Handle {
    SNDFILE* file = nullptr;
    std::unique_ptr<Memory> memory; ///< the bytes of a file in memory; outlives `file`
    ~Handle() {
        if (file != nullptr) {
            sf_close(file);
        }
    }
};

namespace {

std::string quoted(const std::string& path) {
    return "'" + path + "'";
}

std::string describe_format(int format) {
    SF_FORMAT_INFO info{};
    std::string text;
    info.format = format & SF_FORMAT_TYPEMASK;
    if (sf_command(nullptr, SFC_GET_FORMAT_INFO, &info, sizeof info) == 0 && info.name) {
        text = info.name;
    }
    info = SF_FORMAT_INFO{};
    info.format = format & SF_FORMAT_SUBMASK;
    if (sf_command(nullptr, SFC_GET_FORMAT_INFO, &info, sizeof info) == 0 && info.name) {
        text += text.empty() ? "" : ", ";
        text += info.name;
    }
    return text;
}

// Says why a file cannot be opened in words a user can act on.
std::string open_failure(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) {
        return "Cannot read " + quoted(path) + ": no such file";
    }
    if (!S_ISREG(st.st_mode)) {
        return "Cannot read " + quoted(path) + ": not a regular file";
    }
    if (st.st_size == 0) {
        return "Cannot read " + quoted(path) + ": the file is empty";
    }
    return "Cannot read " + quoted(path) + ": " + sf_strerror(nullptr);
}

} // namespace

TSoundFile::TSoundFile(const std::string& path) : fhandle(std::make_unique<Handle>()), fpath(path) {
    SF_INFO info{};
    fhandle->file = sf_open(path.c_str(), SFM_READ, &info);
    if (fhandle->file == nullptr) {
        throw ESoundFileError(open_failure(path));
    }
    take_info(info);
}

TSoundFile::TSoundFile(const std::string& name, std::string_view bytes)
    : fhandle(std::make_unique<Handle>()), fpath(name) {
    fhandle->memory = std::make_unique<Memory>();
    fhandle->memory->bytes.assign(bytes);
    static SF_VIRTUAL_IO io{&Memory::length, &Memory::seek, &Memory::read, &Memory::write,
                            &Memory::tell};
    SF_INFO info{};
    fhandle->file = sf_open_virtual(&io, SFM_READ, &info, fhandle->memory.get());
    if (fhandle->file == nullptr) {
        throw ESoundFileError("Cannot read " + quoted(name) + ": " + sf_strerror(nullptr));
    }
    take_info(info);
}

void TSoundFile::take_info(const SF_INFO& info) {
    if (info.channels < 1 || info.samplerate < 1 || info.frames < 1) {
        throw ESoundFileError(quoted(fpath) + " holds no audio");
    }
    sf_command(fhandle->file, SFC_SET_NORM_DOUBLE, nullptr, SF_TRUE);
    fsamplerate = info.samplerate;
    fchannels = info.channels;
    fframes = info.frames;
    fformatname = describe_format(info.format);
    fshorts = (info.format & SF_FORMAT_SUBMASK) == SF_FORMAT_PCM_16;
}

TSoundFile::~TSoundFile() = default;

namespace {

// Reads up to `count` frames into `buffer` (grown when too small) with `read_frames`,
// and writes the first `wanted` of each frame's `channels` values to `out` through
// `convert`; returns the frames read.
template <class T, class Read, class Convert>
size_t read_channels(std::vector<T>& buffer, int16_t* out, size_t count, size_t channels,
                     size_t wanted, Read read_frames, Convert convert) {
    if (buffer.size() < count * channels) {
        buffer.resize(count * channels);
    }
    const sf_count_t got = read_frames(buffer.data(), static_cast<sf_count_t>(count));
    const size_t frames = got > 0 ? static_cast<size_t>(got) : 0;
    for (size_t f = 0; f < frames; ++f) {
        for (size_t c = 0; c < wanted; ++c) {
            out[f * wanted + c] = convert(buffer[f * channels + c]);
        }
    }
    return frames;
}

} // namespace

size_t TSoundFile::read(int16_t* out, size_t count, int nchans) {
    const auto channels = static_cast<size_t>(fchannels);
    const auto wanted = static_cast<size_t>(std::clamp(nchans, 1, fchannels));
    SNDFILE* file = fhandle->file;
    if (fshorts) {
        // 16-bit samples are the values themselves: nothing to round or clip.
        if (channels == wanted) {
            const sf_count_t got = sf_readf_short(file, out, static_cast<sf_count_t>(count));
            return got > 0 ? static_cast<size_t>(got) : 0;
        }
        return read_channels(
            fshortbuffer, out, count, channels, wanted,
            [file](short* to, sf_count_t n) { return sf_readf_short(file, to, n); },
            [](short v) { return static_cast<int16_t>(v); });
    }
    return read_channels(
        fbuffer, out, count, channels, wanted,
        [file](double* to, sf_count_t n) { return sf_readf_double(file, to, n); },
        [this](double x) {
            double v = std::nearbyint(x * 32768.0);
            if (!(v <= 32767.0 && v >= -32768.0)) {
                ++fclipped;
                v = v > 0.0 ? 32767.0 : -32768.0; // NaN counts as clipped, too
            }
            return static_cast<int16_t>(v);
        });
}

} // namespace zevrin
