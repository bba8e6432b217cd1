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

} // namespace
} // namespace zevrin

// ALSA loads its plug-ins, and with them libraries such as libpulse, for every device
// it probes, and unloads them again; LeakSanitizer can then neither see what their
// globals still point to nor name them. Libraries stay loaded in this test.
extern "C" int dlclose(void*) {
    return 0;
}

namespace zevrin {
namespace {

bool server_answers() {
    return std::system("pactl list short sinks 2>/dev/null | grep -q zevrin_16000") == 0;
}

// Streams of clients (not of modules) in a pactl listing: "sink-inputs" or
// "source-outputs".
int client_streams(const std::string& kind) {
    const std::string command = "pactl list short " + kind + " | awk '$3 != \"-\"' | wc -l";
    std::unique_ptr<FILE, int (*)(FILE*)> p(popen(command.c_str(), "r"), pclose);
    int n = -1;
    return p && std::fscanf(p.get(), "%d", &n) == 1 ? n : -1;
}

class RealAudio : public ::testing::Test {
protected:
    void SetUp() override {
        if (server_answers()) {
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
    // Streams opened from now on go to the sink and source of this rate.
    static void use_rate(int rate) {
        const std::string sink = "zevrin_" + std::to_string(rate);
        setenv("PULSE_SINK", sink.c_str(), 1);
        setenv("PULSE_SOURCE", (sink + "_in").c_str(), 1);
    }
    // Pumps both components for `time`.
    static void run_for(std::chrono::milliseconds time, TMPCPlay& play, TMPCRecord& rec) {
        const auto end = std::chrono::steady_clock::now() + time;
        while (std::chrono::steady_clock::now() < end) {
            std::this_thread::sleep_for(5ms);
            play.pump();
            rec.pump();
        }
    }
};

// One period of values that are never 0 (so a gap of silence shows), with the extremes
// of the 16-bit range, different for each channel.
std::vector<int16_t> test_period(int frames, int channels) {
    std::vector<int16_t> p(static_cast<size_t>(frames * channels));
    uint64_t state = 12345;
    for (int16_t& v : p) {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        v = static_cast<int16_t>(state >> 48);
        v = v == 0 ? int16_t{1} : v;
    }
    const int16_t extremes[] = {-32768, 32767, 1, -1};
    for (size_t i = 0; i < std::size(extremes) * static_cast<size_t>(channels); ++i) {
        p[i] = extremes[i % std::size(extremes)];
    }
    return p;
}

class RealLoopback : public RealAudio,
                     public ::testing::WithParamInterface<std::tuple<int, int>> {};

TEST_P(RealLoopback, CaptureEqualsThePlayedStream) {
    const auto [rate, channels] = GetParam();
    use_rate(rate);
    const int period_frames = 4999; // prime: never in step with the chunks
    const std::vector<int16_t> period = test_period(period_frames, channels);

    TMPCPlay play;
    TMPCRecord rec;
    for (TMPCComponent* c : std::initializer_list<TMPCComponent*>{&play, &rec}) {
        c->set_nChans(channels);
        c->set_sfTot(rate * channels);
        c->set_nBuffers(32);
        c->set_nChunkSamples(2048 * channels);
    }
    size_t played = 0;
    play.OnStash = [&](TWaveChunk& arr, int& used, bool&) {
        for (int i = 0; i < used; ++i) {
            arr[static_cast<size_t>(i)] = period[played++ % period.size()];
        }
    };
    std::vector<int16_t> heard;
    heard.reserve(static_cast<size_t>(rate * channels * 5));
    rec.OnFetch = [&](TWaveChunk& arr, int used, bool&) {
        heard.insert(heard.end(), arr.begin(), arr.begin() + used);
    };

    // The server starts a capture up to two seconds late; compare three seconds of it.
    const size_t ch = static_cast<size_t>(channels);
    const size_t wanted = 3 * static_cast<size_t>(rate) * ch;
    size_t first = 0;
    rec.Run();
    play.Run();
    const auto give_up = std::chrono::steady_clock::now() + 10s;
    while (heard.size() < first + wanted && std::chrono::steady_clock::now() < give_up) {
        run_for(50ms, play, rec);
        while (first < heard.size() && heard[first] == 0) {
            ++first;
        }
    }
    rec.Stop();
    play.Stop();
    EXPECT_EQ(rec.lost_chunks(), 0);
    EXPECT_EQ(play.lost_chunks(), 0);
    first -= first % ch;
    // The played frame that the first non-silent captured frame is.
    size_t offset = period.size();
    for (size_t o = 0; o < period.size() && offset == period.size(); o += ch) {
        bool same = first + 64 * ch <= heard.size();
        for (size_t i = 0; same && i < 64 * ch; ++i) {
            same = heard[first + i] == period[(o + i) % period.size()];
        }
        offset = same ? o : offset;
    }
    ASSERT_LT(offset, period.size()) << "the capture does not start with a played frame";
    size_t compared = 0;
    for (size_t i = first; i < heard.size(); ++i, ++compared) {
        const int16_t expected = period[(offset + i - first) % period.size()];
        ASSERT_EQ(heard[i], expected) << "value " << i - first << " after the first sound";
    }
    EXPECT_GE(compared, wanted) << "less than three seconds captured";
    std::printf("%d Hz, %d channel(s): %zu values compared, first sound at value %zu\n", rate,
                channels, compared, first);
}

INSTANTIATE_TEST_SUITE_P(RatesAndChannels, RealLoopback,
                         ::testing::Combine(::testing::Values(16000, 44100, 48000),
                                            ::testing::Values(1, 2)),
                         [](const auto& info) {
                             return std::to_string(std::get<0>(info.param)) + "Hz_" +
                                    std::to_string(std::get<1>(info.param)) + "ch";
                         });

TEST_F(RealAudio, PlaybackEndedByLastIsHeardToTheEnd) {
    use_rate(48000);
    // Longer than the whole playback, so the capture aligns on it in one place only.
    const std::vector<int16_t> signal = test_period(40 * 4800, 1);
    TMPCPlay play;
    TMPCRecord rec;
    for (TMPCComponent* c : std::initializer_list<TMPCComponent*>{&play, &rec}) {
        c->set_sfTot(48000);
        c->set_nBuffers(32);
        c->set_nChunkSamples(4800);
    }
    std::vector<int16_t> played;
    play.OnStash = [&](TWaveChunk& arr, int& used, bool& last) {
        last = played.size() == 39 * 4800;
        used = last ? 1000 : used;
        for (int i = 0; i < used; ++i) {
            arr[static_cast<size_t>(i)] = signal[played.size()];
            played.push_back(arr[static_cast<size_t>(i)]);
        }
    };
    bool closed = false;
    play.OnClosed = [&] { closed = true; };
    std::vector<int16_t> heard;
    rec.OnFetch = [&](TWaveChunk& arr, int used, bool&) {
        heard.insert(heard.end(), arr.begin(), arr.begin() + used);
    };
    rec.Run();
    play.Run();
    for (int i = 0; i < 200 && !closed; ++i) {
        run_for(50ms, play, rec);
    }
    ASSERT_TRUE(closed);
    EXPECT_FALSE(play.OwnBoard());
    run_for(100ms, play, rec);

    size_t first = 0;
    while (first < heard.size() && heard[first] == 0) {
        ++first;
    }
    size_t offset = 0;
    while (offset < played.size() &&
           !std::equal(heard.begin() + static_cast<ptrdiff_t>(first),
                       heard.begin() + static_cast<ptrdiff_t>(std::min(heard.size(), first + 64)),
                       played.begin() + static_cast<ptrdiff_t>(offset))) {
        ++offset;
    }
    ASSERT_LT(offset, played.size()) << "the capture does not start with a played value";
    // An idle null sink hands its monitor's sound over in blocks of two seconds.
    for (int i = 0; i < 100 && heard.size() < first + played.size() - offset + 4800; ++i) {
        run_for(50ms, play, rec);
    }
    rec.Stop();
    const size_t tail = played.size() - offset;
    ASSERT_GT(heard.size(), first + tail) << "the capture stopped before the playback ended";
    for (size_t i = 0; i < tail; ++i) {
        ASSERT_EQ(heard[first + i], played[offset + i])
            << "value " << i << " after the first sound";
    }
    for (size_t i = first + tail; i < heard.size(); ++i) {
        ASSERT_EQ(heard[i], 0) << "after the last value played";
    }
}

TEST_F(RealAudio, RepeatedRunsAndFailuresLeaveNoThreadOrStream) {
    use_rate(48000);
    TMPCPlay play;
    TMPCRecord rec;
    play.OnStash = [](TWaveChunk& arr, int&, bool&) { std::fill(arr.begin(), arr.end(), 7); };
    int fetched = 0;
    rec.OnFetch = [&](TWaveChunk&, int, bool&) { ++fetched; };
    for (TMPCComponent* c : std::initializer_list<TMPCComponent*>{&play, &rec}) {
        c->set_sfTot(48000);
        c->set_nChunkSamples(480);
    }
    const auto cycle = [&] {
        rec.Run();
        play.Run();
        run_for(30ms, play, rec);
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
        EXPECT_EQ(test::error_of([&] { play.Run(); }).rfind("WaveOutOpen:", 0), 0u);
        play.set_nChans(1);
    }
    EXPECT_FALSE(play.OwnBoard());
    EXPECT_FALSE(rec.OwnBoard());
    EXPECT_EQ(test::thread_count(), threads);
    EXPECT_EQ(client_streams("sink-inputs"), 0);
    EXPECT_EQ(client_streams("source-outputs"), 0);
}

TEST_F(RealAudio, AStreamThatVanishesGivesItsMessageAndTheBoardIsFree) {
    use_rate(16000);
    TMPCRecord rec;
    rec.set_nChunkSamples(160);
    int fetched = 0;
    rec.OnFetch = [&](TWaveChunk&, int, bool&) { ++fetched; };
    TMPCPlay play;
    play.OnStash = [](TWaveChunk& arr, int&, bool&) { std::fill(arr.begin(), arr.end(), 7); };
    play.set_nChunkSamples(160);
    rec.Run();
    play.Run();
    for (int i = 0; i < 100 && fetched == 0; ++i) {
        run_for(50ms, play, rec);
    }
    ASSERT_GT(fetched, 0);
    // What an unplugged device looks like to its clients: the server drops them.
    const char* runtime = std::getenv("ZEVRIN_SOUND_RUNTIME");
    if (runtime == nullptr) {
        GTEST_SKIP() << "ZEVRIN_SOUND_RUNTIME (set by scripts/with_sound_server.sh) is missing";
    }
    const std::string pacmd = std::string("XDG_RUNTIME_DIR=") + runtime + " pacmd ";
    const std::string drop =
        "for kind in source-output sink-input; do "
        "for i in $(pactl list short ${kind}s | awk '$3 != \"-\" {print $1}'); "
        "do " +
        pacmd + "kill-$kind $i || exit 1; done; done";
    ASSERT_EQ(std::system(drop.c_str()), 0);
    std::string rec_error;
    std::string play_error;
    const auto end = std::chrono::steady_clock::now() + 5s;
    while ((rec_error.empty() || play_error.empty()) && std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(5ms);
        if (rec_error.empty()) {
            rec_error = test::error_of([&] { rec.pump(); });
        }
        if (play_error.empty()) {
            play_error = test::error_of([&] { play.pump(); });
        }
        rec_error = rec_error == "no error" ? "" : rec_error;
        play_error = play_error == "no error" ? "" : play_error;
    }
    EXPECT_EQ(rec_error, "waveinWrite:The sound device stopped working.");
    EXPECT_EQ(play_error, "WaveOutWrite:The sound device stopped working.");
    EXPECT_FALSE(rec.OwnBoard());
    EXPECT_FALSE(play.OwnBoard());
    fetched = 0;
    rec.Run();
    for (int i = 0; i < 100 && fetched == 0; ++i) {
        run_for(50ms, play, rec);
    }
    rec.Stop();
    EXPECT_GT(fetched, 0) << "the program can capture again";
}

} // namespace
} // namespace zevrin
