#pragma once
// Helpers that feed or tap the virtual loopback directly, so that one component can be
// tested at a time.

#include "audio/virtual_loopback.h"
#include "audio/wave_component.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace zevrin::test {

/// A sequence whose values rarely repeat and never sit still: a shifted or repeated
/// value shows.
inline int16_t ramp_value(int64_t i) {
    return static_cast<int16_t>(static_cast<uint16_t>(i * 37 + 11));
}

/// n values of the ramp from value number `first` on.
inline std::vector<int16_t> ramp(int64_t first, int64_t n) {
    std::vector<int16_t> v;
    for (int64_t i = first; i < first + n; ++i) {
        v.push_back(ramp_value(i));
    }
    return v;
}

/// Plays the ramp on the loopback's output, value after value.
class TRampOutput : public TSampleSource {
public:
    TRampOutput(TVirtualLoopback& loop, int channels)
        : fstream(loop.open_output(0, TStreamFormat{16000, channels}, *this)) {
        fstream->start();
    }
    bool read(int16_t* values, size_t n) noexcept override {
        for (size_t i = 0; i < n; ++i) {
            values[i] = ramp_value(next++);
        }
        return true;
    }
    void drained() noexcept override {}
    void fail(int) noexcept override {}
    void lost() noexcept override { ++losses; }
    int64_t next = 0;
    int losses = 0;

private:
    std::unique_ptr<TAudioStream> fstream;
};

/// Keeps everything the loopback's input hears.
class TInputTap : public TSampleSink {
public:
    TInputTap(TVirtualLoopback& loop, int channels)
        : fstream(loop.open_input(0, TStreamFormat{16000, channels}, *this)) {
        fstream->start();
    }
    void write(const int16_t* v, size_t n) noexcept override {
        values.insert(values.end(), v, v + n);
    }
    void fail(int code) noexcept override { failure = code; }
    void lost() noexcept override { ++losses; }
    std::vector<int16_t> values;
    int failure = 0;
    int losses = 0;

private:
    std::unique_ptr<TAudioStream> fstream;
};

/// The message of the EMPCError that `action` raises, or "no error".
template <class F> std::string error_of(F action) {
    try {
        action();
    } catch (const EMPCError& e) {
        return e.what();
    }
    return "no error";
}

inline int listed_threads() {
    const std::filesystem::directory_iterator tasks("/proc/self/task");
    return static_cast<int>(std::distance(begin(tasks), end(tasks)));
}

/// The threads of this process once the count holds still: a thread that was just
/// joined may stay listed for a moment while the kernel reaps it, which on a loaded
/// machine made a count taken then one too high.
inline int thread_count() {
    int last = listed_threads();
    for (int i = 0; i < 100; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        const int now = listed_threads();
        if (now == last) {
            return now;
        }
        last = now;
    }
    return last;
}

} // namespace zevrin::test
