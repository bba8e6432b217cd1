#include "audio/sound_file.h"

#include <sndfile.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
    int fd = -1;
    SNDFILE* file = nullptr;
    std::unique_ptr<Memory> memory; ///< the bytes of a file in memory; outlives `file`
    ~Handle() {
        if (file != nullptr) {
            sf_close(file);
        }
        if (fd >= 0) {
            ::close(fd);
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

std::string kind_of(mode_t mode) {
    if (S_ISDIR(mode)) {
        return "a folder";
    }
    if (S_ISFIFO(mode)) {
        return "a FIFO (named pipe)";
    }
    if (S_ISCHR(mode) || S_ISBLK(mode)) {
        return "a device";
    }
    if (S_ISSOCK(mode)) {
        return "a socket";
    }
    return "not a regular file";
}

// The file itself, opened without blocking (a FIFO without a writer would wait
// forever inside the library) and only when it is a regular file that can be read.
int open_regular(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        const int e = errno;
        throw ESoundFileError("Cannot read " + quoted(path) + ": " +
                              (e == ENOENT ? std::string("no such file") : std::strerror(e)));
    }
    struct stat st {};
    std::string why;
    if (::fstat(fd, &st) != 0) {
        why = std::strerror(errno);
    } else if (!S_ISREG(st.st_mode)) {
        why = "it is " + kind_of(st.st_mode) + ", not a sound file";
    } else if (st.st_size == 0) {
        why = "the file is empty";
    }
    if (!why.empty()) {
        ::close(fd);
        throw ESoundFileError("Cannot read " + quoted(path) + ": " + why);
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

} // namespace

TSoundFile::TSoundFile(const std::string& path) : fhandle(std::make_unique<Handle>()), fpath(path) {
    fhandle->fd = open_regular(path);
    SF_INFO info{};
    fhandle->file = sf_open_fd(fhandle->fd, SFM_READ, &info, SF_FALSE);
    if (fhandle->file == nullptr) {
        throw ESoundFileError("Cannot read " + quoted(path) + ": " + sf_strerror(nullptr));
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
    const size_t got = read_frames(out, count, nchans);
    fframesread += static_cast<int64_t>(got);
    return got;
}

size_t TSoundFile::read_frames(int16_t* out, size_t count, int nchans) {
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
