#pragma once
// Sound files that tests write themselves, through libsndfile.

#include <sndfile.h>

#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

namespace zevrin::testing {

/// A folder of its own below the system's temporary folder, removed afterwards.
class TempFolder {
public:
    TempFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "zevrin-test-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("mkdtemp failed");
        }
        fpath = pattern;
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(fpath, ec);
    }
    std::string file(const std::string& name) const { return (fpath / name).string(); }

private:
    std::filesystem::path fpath;
};

/// Writes interleaved values normalised to ±1 (values beyond are kept in float files
/// and clipped by libsndfile's integer formats only if they must be).
inline void write_sound(const std::string& path, int rate, int channels, int format,
                        const std::vector<double>& interleaved) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (f == nullptr) {
        throw std::runtime_error(std::string("cannot write test file: ") + sf_strerror(nullptr));
    }
    sf_command(f, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    sf_writef_double(f, interleaved.data(), static_cast<sf_count_t>(interleaved.size() / channels));
    sf_close(f);
}

/// 16-bit values written exactly.
inline void write_wav16(const std::string& path, int rate, int channels,
                        const std::vector<short>& interleaved) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (f == nullptr) {
        throw std::runtime_error(std::string("cannot write test file: ") + sf_strerror(nullptr));
    }
    sf_writef_short(f, interleaved.data(), static_cast<sf_count_t>(interleaved.size() / channels));
    sf_close(f);
}

} // namespace zevrin::testing
