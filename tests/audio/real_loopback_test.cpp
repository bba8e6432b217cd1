// Through a real sound server: the private PulseAudio server of
// scripts/with_sound_server.sh, with a null sink "zevrin_R" per rate R whose monitor is
// the source "zevrin_R_in", reached through PortAudio's default devices (ALSA's pulse
// plug-in). Under that script (ZEVRIN_SOUND_SERVER set) a missing server is a failure;
// run by hand without it, these tests skip.

#include "audio/wave_play.h"
#include "audio/wave_record.h"
#include "loopback_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace zevrin {
namespace {

using namespace std::chrono_literals;

// Streams of clients (not of modules): kind "sink-inputs" or "source-outputs".
int client_streams(const std::string& kind) {
    const std::string command = "pactl list short " + kind + " | awk '$3 != \"-\"' | wc -l";
    std::unique_ptr<FILE, int (*)(FILE*)> p(popen(command.c_str(), "r"), pclose);
    int n = -1;
    return p && std::fscanf(p.get(), "%d", &n) == 1 ? n : -1;
}

// Values that are never 0 (so a gap of silence shows), beginning with the extremes of
// the 16-bit range in every channel.
std::vector<int16_t> test_signal(size_t values) {
    std::vector<int16_t> s(values);
    uint64_t state = 12345;
    for (size_t i = 0; i < values; ++i) {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        const int16_t extremes[] = {-32768, -32768, 32767, 32767};
        s[i] = i < 4 ? extremes[i] : static_cast<int16_t>(state >> 48);
        s[i] = s[i] == 0 ? int16_t{1} : s[i];
    }
    return s;
}

class RealAudio : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::system("pactl list short sinks 2>/dev/null | grep -q zevrin_16000") == 0) {
            return;
        }
        if (std::getenv("ZEVRIN_SOUND_SERVER") != nullptr) {
            FAIL() << "ZEVRIN_SOUND_SERVER is set, but no PulseAudio server with the sink "
                      "zevrin_16000 answers: scripts/with_sound_server.sh could not start it "
                      "(see its messages)";
        }
        GTEST_SKIP() << "no private PulseAudio server (sink zevrin_16000); run through "
                        "./test.sh or scripts/with_sound_server.sh";
    }
    // Both components on the sink and source of `rate`, chunks of `frames` frames; the
    // capture collects into `heard`.
    void prepare(int rate, int channels, int frames) {
        const std::string sink = "zevrin_" + std::to_string(rate);
        setenv("PULSE_SINK", sink.c_str(), 1);
        setenv("PULSE_SOURCE", (sink + "_in").c_str(), 1);
        for (TMPCComponent* c : std::initializer_list<TMPCComponent*>{&play, &rec}) {
            c->set_nChans(channels);
            c->set_sfTot(rate * channels);
            c->set_nBuffers(32);
            c->set_nChunkSamples(frames * channels);
        }
        rec.OnFetch = [this](TWaveChunk& arr, int used, bool&) {
            heard.insert(heard.end(), arr.begin(), arr.begin() + used);
        };
    }
    // Pumps both components until `done` holds, at most `limit` long.
    template <class F> void pump_until(F done, std::chrono::milliseconds limit) {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (!done() && std::chrono::steady_clock::now() < end) {
            std::this_thread::sleep_for(5ms);
            play.pump();
            rec.pump();
        }
    }
    // Where the first sound in `heard` is (a whole frame) and where in `played` (taken
    // as repeating) the capture goes on from there, judged on 64 frames.
    void align(const std::vector<int16_t>& played, size_t channels) {
        first = 0;
        while (first < heard.size() && heard[first] == 0) {
            ++first;
        }
        first -= first % channels;
        for (offset = 0; offset < played.size(); offset += channels) {
            bool same = first + 64 * channels <= heard.size();
            for (size_t i = 0; same && i < 64 * channels; ++i) {
                same = heard[first + i] == played[(offset + i) % played.size()];
            }
            if (same) {
                return;
            }
        }
    }

    TMPCPlay play;
    TMPCRecord rec;
    std::vector<int16_t> heard;
    size_t first = 0;
    size_t offset = 0;
};

class RealLoopback : public RealAudio,
                     public ::testing::WithParamInterface<std::tuple<int, int>> {};

TEST_P(RealLoopback, CaptureEqualsThePlayedStream) {
    const auto [rate, channels] = GetParam();
    const size_t ch = static_cast<size_t>(channels);
    // A period of 4999 frames, a prime, is never in step with the chunks.
    const std::vector<int16_t> period = test_signal(4999 * ch);
    prepare(rate, channels, 2048);
    size_t played = 0;
    play.OnStash = [&](TWaveChunk& arr, int& used, bool&) {
        for (int i = 0; i < used; ++i) {
            arr[static_cast<size_t>(i)] = period[played++ % period.size()];
        }
    };
    // The server starts a capture up to two seconds late; compare three seconds of it.
    const size_t wanted = 3 * static_cast<size_t>(rate) * ch;
    rec.Run();
    play.Run();
    size_t sound = 0;
    pump_until(
        [&] {
            while (sound < heard.size() && heard[sound] == 0) {
                ++sound;
            }
            return heard.size() > sound + wanted + 64 * ch;
        },
        10s);
    rec.Stop();
    play.Stop();
    EXPECT_EQ(rec.lost_chunks(), 0);
    EXPECT_EQ(play.lost_chunks(), 0);

    align(period, ch);
    ASSERT_LT(offset, period.size()) << "the capture does not start with a played frame";
    ASSERT_GE(heard.size() - first, wanted) << "less than three seconds captured";
    for (size_t i = first; i < heard.size(); ++i) {
        ASSERT_EQ(heard[i], period[(offset + i - first) % period.size()])
            << "value " << i - first << " after the first sound";
    }
}

INSTANTIATE_TEST_SUITE_P(RatesAndChannels, RealLoopback,
                         ::testing::Combine(::testing::Values(16000, 44100, 48000),
                                            ::testing::Values(1, 2)),
                         [](const auto& info) {
                             return std::to_string(std::get<0>(info.param)) + "Hz_" +
                                    std::to_string(std::get<1>(info.param)) + "ch";
                         });

TEST_F(RealAudio, PlaybackEndedByLastIsHeardToTheEnd) {
    prepare(48000, 1, 4800);
    // Longer than the whole playback, so the capture aligns on it in one place only.
    const std::vector<int16_t> signal = test_signal(40 * 4800);
    std::vector<int16_t> played;
    play.OnStash = [&](TWaveChunk& arr, int& used, bool& last) {
        last = played.size() == 39 * 4800;
        used = last ? 1000 : used;
        for (int i = 0; i < used; ++i) {
            arr[static_cast<size_t>(i)] = signal[played.size()];
            played.push_back(signal[played.size()]);
        }
    };
    bool closed = false;
    play.OnClosed = [&] { closed = true; };
    rec.Run();
    play.Run();
    pump_until([&] { return closed; }, 10s);
    ASSERT_TRUE(closed);
    EXPECT_FALSE(play.OwnBoard());
    pump_until([] { return false; }, 100ms);
    align(played, 1);
    ASSERT_LT(offset, played.size()) << "the capture does not start with a played value";
    const size_t tail = played.size() - offset;
    // An idle null sink hands its monitor's sound over in blocks of two seconds.
    pump_until([&] { return heard.size() > first + tail + 4800; }, 5s);
    rec.Stop();
    ASSERT_GT(heard.size(), first + tail) << "the capture stopped before the playback ended";
    for (size_t i = 0; i < heard.size() - first; ++i) {
        ASSERT_EQ(heard[first + i], i < tail ? played[offset + i] : 0)
            << "value " << i << " after the first sound, " << tail << " played";
    }
}

// Through the sound server a capture's blocks are a fraction of its latency: at the
// device set's own quarter of a second they are 62.5 ms long at the shortest, so at
// most 32 arrive in two seconds (some ten do); at 40 ms, four times as many and more.
TEST_F(RealAudio, TheCapturesBlocksComeAsOftenAsItsLatencyAsks) {
    prepare(48000, 1, 480);
    play.OnStash = [](TWaveChunk& arr, int&, bool&) { std::fill(arr.begin(), arr.end(), 7); };
    rec.set_Latency(0.04);
    // The sink's monitor has sound as often as the sink renders it: a playback of short
    // latency keeps it rendering in short blocks (an idle sink renders seconds at once).
    play.set_Latency(0.02);
    rec.Run();
    play.Run();
    pump_until([] { return false; }, 500ms);
    int arrivals = 0;
    size_t had = heard.size();
    const auto end = std::chrono::steady_clock::now() + 2s;
    while (std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(5ms);
        play.pump();
        rec.pump();
        arrivals += heard.size() != had ? 1 : 0;
        had = heard.size();
    }
    rec.Stop();
    play.Stop();
    EXPECT_GT(arrivals, 32) << "blocks of " << 2000 / std::max(arrivals, 1) << " ms";
}

TEST_F(RealAudio, RepeatedRunsAndFailuresLeaveNoThreadOrStream) {
    prepare(48000, 1, 480);
    play.OnStash = [](TWaveChunk& arr, int&, bool&) { std::fill(arr.begin(), arr.end(), 7); };
    const auto cycle = [&] {
        rec.Run();
        play.Run();
        pump_until([] { return false; }, 30ms);
        rec.Stop();
        play.Stop();
    };
    cycle();
    const int threads = test::thread_count();
    for (int i = 0; i < 15; ++i) {
        cycle();
        rec.set_DeviceID(rec.nDevices()); // one past the loopback
        EXPECT_EQ(test::error_of([&] { rec.Run(); }),
                  "waveinOpen:The device identifier is out of range.");
        rec.set_DeviceID(-1);
        play.set_nChans(40);
        EXPECT_EQ(test::error_of([&] { play.Run(); }), "WaveOutOpen:Invalid number of channels");
        play.set_nChans(1);
    }
    EXPECT_FALSE(play.OwnBoard());
    EXPECT_FALSE(rec.OwnBoard());
    EXPECT_EQ(test::thread_count(), threads);
    EXPECT_EQ(client_streams("sink-inputs"), 0);
    EXPECT_EQ(client_streams("source-outputs"), 0);
}

TEST_F(RealAudio, AStreamThatVanishesGivesItsMessageAndTheBoardIsFree) {
    const char* runtime = std::getenv("ZEVRIN_SOUND_RUNTIME");
    if (runtime == nullptr) {
        GTEST_SKIP() << "ZEVRIN_SOUND_RUNTIME (set by scripts/with_sound_server.sh) is missing";
    }
    prepare(16000, 1, 160);
    play.OnStash = [](TWaveChunk& arr, int&, bool&) { std::fill(arr.begin(), arr.end(), 7); };
    rec.Run();
    play.Run();
    pump_until([&] { return !heard.empty(); }, 5s);
    ASSERT_FALSE(heard.empty());
    // What an unplugged device looks like to its clients: the server drops them.
    const std::string drop =
        "for kind in source-output sink-input; do "
        "for i in $(pactl list short ${kind}s | awk '$3 != \"-\" {print $1}'); "
        "do XDG_RUNTIME_DIR=" +
        std::string(runtime) + " pacmd kill-$kind $i || exit 1; done; done";
    ASSERT_EQ(std::system(drop.c_str()), 0);
    std::string rec_error = "no error";
    std::string play_error = "no error";
    const auto end = std::chrono::steady_clock::now() + 5s;
    while ((rec.OwnBoard() || play.OwnBoard()) && std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(5ms);
        for (auto [c, error] : {std::pair{static_cast<TMPCComponent*>(&rec), &rec_error},
                                std::pair{static_cast<TMPCComponent*>(&play), &play_error}}) {
            const std::string e = test::error_of([c = c] { c->pump(); });
            *error = e == "no error" ? *error : e;
        }
    }
    EXPECT_EQ(rec_error, "waveinWrite:The sound device stopped working.");
    EXPECT_EQ(play_error, "WaveOutWrite:The sound device stopped working.");
    EXPECT_FALSE(rec.OwnBoard());
    EXPECT_FALSE(play.OwnBoard());
    heard.clear();
    rec.Run();
    pump_until([&] { return !heard.empty(); }, 5s);
    rec.Stop();
    EXPECT_FALSE(heard.empty()) << "the program can capture again";
}

} // namespace
} // namespace zevrin
