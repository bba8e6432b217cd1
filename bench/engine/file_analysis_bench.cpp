// Analysis speed of a recording: a ten-minute 48 kHz stereo WAV through the analyser
// in dual mode, bandwidth 10 Hz, Hamming window, LTAS on, as `zevrin --analyse` runs
// it. Reports seconds of audio per second of wall time (x_realtime). The file is
// written once into the temporary folder and removed at the end. Part of engine_bench,
// so that it runs side by side with frame processing alone (BM_FramesDual/10).

#include "audio/sound_file.h"
#include "audio/virtual_loopback.h"
#include "engine/analyser.h"
#include "engine/file_analysis.h"

#include <benchmark/benchmark.h>
#include <sndfile.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <numbers>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

namespace zevrin {
namespace {

constexpr int rate = 48000;
constexpr int64_t seconds = 600;

// A tone in noise on the left, another on the right, written a second at a time.
class Recording {
public:
    Recording()
        : fpath(std::filesystem::temp_directory_path() /
                ("zevrin_bench_" + std::to_string(getpid()) + ".wav")) {
        SF_INFO info{};
        info.samplerate = rate;
        info.channels = 2;
        info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
        SNDFILE* f = sf_open(fpath.c_str(), SFM_WRITE, &info);
        if (f == nullptr) {
            throw std::runtime_error("cannot write " + fpath.string());
        }
        std::vector<int16_t> second(2 * rate);
        uint32_t noise = 12345;
        for (int64_t s = 0; s < seconds; ++s) {
            for (int i = 0; i < rate; ++i) {
                const double t = static_cast<double>(s * rate + i) / rate;
                noise = noise * 1664525u + 1013904223u;
                const double n = static_cast<double>(noise >> 20) - 2048.0;
                second[2 * static_cast<size_t>(i)] =
                    static_cast<int16_t>(8000 * std::sin(2 * std::numbers::pi * 1000 * t) + n);
                second[2 * static_cast<size_t>(i) + 1] =
                    static_cast<int16_t>(6000 * std::sin(2 * std::numbers::pi * 440 * t) - n);
            }
            sf_writef_short(f, second.data(), rate);
        }
        sf_close(f);
    }
    ~Recording() { std::filesystem::remove(fpath); }
    Recording(const Recording&) = delete;
    Recording& operator=(const Recording&) = delete;
    std::string path() const { return fpath.string(); }

private:
    std::filesystem::path fpath;
};

void BM_AnalyseStereoFile(benchmark::State& state) {
    const Recording recording;
    int64_t frames = 0;
    for (auto _ : state) {
        TVirtualLoopback idle(TLoopbackClock::manual); // no device is opened
        TAnalyserComponents components(idle);
        TAnalyser a(components);
        TSoundFile file(recording.path());
        a.sampfreq = file.samplerate();
        a.bandwidth = 10;
        a.dualchannels = true;
        a.set_ltas(true);
        frames = analyse_sound_file(a, file).frames;
    }
    state.counters["frames"] = static_cast<double>(frames);
    state.counters["x_realtime"] = benchmark::Counter(
        static_cast<double>(state.iterations() * seconds), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_AnalyseStereoFile)->Iterations(3)->UseRealTime()->Unit(benchmark::kSecond);

} // namespace
} // namespace zevrin
