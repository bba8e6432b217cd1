#pragma once
// TSoundFile: a recording read through libsndfile (WAV, FLAC, AIFF, Ogg and the other
// formats it knows), delivered as 16-bit values like the capture component delivers
// them. Other sample formats are converted by scaling to 16-bit full scale
// (value × 32768 for values normalised to ±1), rounding half to even and clipping to
// -32768..32767; every clipped value is counted.

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

struct SF_INFO; // libsndfile's

namespace zevrin {

/// A sound file that cannot be read, with a message that names it and says why.
class ESoundFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TSoundFile {
public:
    /// Opens the file for reading; ESoundFileError when it is not a regular file (a
    /// FIFO, a folder, a device: refused at once, never waited for), cannot be read
    /// or holds no audio.
    explicit TSoundFile(const std::string& path);
    /// A recording held in memory (a copy of `bytes`), read as a file of that content
    /// would be: for tests and fuzzing. `name` stands for the path in messages.
    TSoundFile(const std::string& name, std::string_view bytes);
    ~TSoundFile();
    TSoundFile(const TSoundFile&) = delete;
    TSoundFile& operator=(const TSoundFile&) = delete;

    const std::string& path() const { return fpath; }
    int samplerate() const { return fsamplerate; }
    int channels() const { return fchannels; }
    /// Frames (samples per channel) in the file, as its header announces them.
    int64_t frames() const { return fframes; }
    /// Frames delivered by read() so far; at the end less than frames() when the file
    /// ends early (cut short or damaged).
    int64_t frames_read() const { return fframesread; }
    /// The container and the sample format, such as "WAV, 24-bit".
    const std::string& format_name() const { return fformatname; }

    /// Reads up to `count` frames of the first `nchans` channels (1 or 2, at most
    /// channels()) into `out`, interleaved; returns the frames read (0 at the end).
    /// Allocates only when a read is larger than every one before.
    size_t read(int16_t* out, size_t count, int nchans);
    /// Values clipped so far.
    int64_t clipped() const { return fclipped; }

private:
    size_t read_frames(int16_t* out, size_t count, int nchans);

    struct Handle;
    struct Memory;
    void take_info(const SF_INFO& info);
    std::unique_ptr<Handle> fhandle;
    std::string fpath;
    std::string fformatname;
    int fsamplerate = 0;
    int fchannels = 0;
    int64_t fframes = 0;
    int64_t fframesread = 0;
    int64_t fclipped = 0;
    bool fshorts = false; ///< 16-bit samples, read without conversion
    std::vector<double> fbuffer;
    std::vector<int16_t> fshortbuffer;
};

} // namespace zevrin
