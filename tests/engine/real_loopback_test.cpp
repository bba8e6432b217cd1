// The synchronous average through a real sound server: the private PulseAudio server
// of scripts/with_sound_server.sh (./test.sh starts it), whose null sink "zevrin_R"
// comes back bit-exact from the source "zevrin_R_in". Under that script a missing
// server is a failure; run by hand without it, the test skips.

#include "engine/analyser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <string>
#include <thread>

namespace zevrin {
namespace {

using namespace std::chrono_literals;

constexpr int rate = 48000;
constexpr int period = 4096;

bool server_answers() {
    return std::system("pactl list short sinks 2>/dev/null | grep -q zevrin_48000") == 0;
}

class RealSltas : public ::testing::Test {
protected:
    void SetUp() override {
        if (!server_answers()) {
            if (std::getenv("ZEVRIN_SOUND_SERVER") != nullptr) {
                FAIL() << "ZEVRIN_SOUND_SERVER is set, but the private PulseAudio server with "
                          "the sink zevrin_48000 does not answer";
            }
            GTEST_SKIP() << "no private PulseAudio server; run through ./test.sh";
        }
        setenv("PULSE_SINK", "zevrin_48000", 1);
        setenv("PULSE_SOURCE", "zevrin_48000_in", 1);
    }
};

double energy(const tdoublearr& frame) {
    double e = 0;
    for (double v : frame) {
        e += v * v;
    }
    return e;
}

TEST_F(RealSltas, AveragedMagnitudesEqualThePlayedPeriodsSpectrum) {
    TAnalyserComponents components; // the sound cards: PortAudio's default devices
    TAnalyser a(components);
    a.sampfreq = rate;
    a.bandwidth = static_cast<double>(rate) / period;
    components.FFT1.set_Window(TFFTWindow::rectangle);
    a.set_usesltas(true);
    a.sltaspoints = period;
    a.partialpattern = 2;
    a.partialsperoctave = 12;
    a.set_highpass(false);
    a.set_excludeoverloaded(false);

    // Frames count from the first one that is sound all through; the one before it
    // may hold the silence before the line came up.
    int sounding = 0;
    a.OnChange = [&](TAnalyserChange c) {
        if (c != TAnalyserChange::waveform || !a.running()) {
            return;
        }
        const bool full = energy(a.inre1) > 1e9 &&
                          std::count(a.inre1.begin(), a.inre1.begin() + 64, 0.0) < 8 &&
                          std::count(a.inre1.end() - 64, a.inre1.end(), 0.0) < 8;
        sounding = full ? sounding + 1 : 0;
        if (sounding == 2) {
            a.clearsltasExecute();
            a.set_sltas(true);
        }
    };
    a.set_playing(true);
    a.RunExecute();
    const auto give_up = std::chrono::steady_clock::now() + 20s;
    while (a.sltascount < 16 && std::chrono::steady_clock::now() < give_up) {
        std::this_thread::sleep_for(5ms);
        components.MPCPlay1.pump();
        components.MPCRecord1.pump();
    }
    a.RunExecute();
    a.set_playing(false);
    ASSERT_GE(a.sltascount, 16) << "the capture never carried the test signal";
    EXPECT_EQ(components.MPCRecord1.lost_chunks(), 0);
    EXPECT_EQ(components.MPCPlay1.lost_chunks(), 0);

    // The period's own 16-bit samples through the same transform; a capture that
    // starts elsewhere in the period only turns the phases.
    TFFT fft;
    fft.set_Window(TFFTWindow::rectangle);
    fft.set_InRe(tdoublearr(a.stasharr.begin(), a.stasharr.end()));
    const tdoublearr& played = fft.OutAbs();
    const double peak = *std::max_element(played.begin(), played.end());
    int used = 0, unused = 0;
    for (int i = 0; i < period; ++i) {
        const tcomplex z = a.sltas1[static_cast<size_t>(i)];
        const double heard = std::hypot(z.re, z.im) / a.sltasdecayedcount;
        if (played[static_cast<size_t>(i)] > 1e-6 * peak) {
            EXPECT_NEAR(heard, played[static_cast<size_t>(i)],
                        1e-7 * played[static_cast<size_t>(i)])
                << "bin " << i;
            ++(a.partialused[static_cast<size_t>(i)] ? used : unused);
        }
    }
    EXPECT_GT(used, 100);
    EXPECT_GT(unused, 100); // the dither's floor: every wrong sample would move it
}

} // namespace
} // namespace zevrin
