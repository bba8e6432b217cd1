#include "audio/portaudio_devices.h"
#include "audio/virtual_loopback.h"
#include "audio/wave_play.h"
#include "audio/wave_record.h"

#include <gtest/gtest.h>
#include <portaudio.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>

namespace zevrin {
namespace {

// The program's own device set, with no sound server and no sound card to be found.
// The status flags of a PortAudio callback that mean sound of the stream's own
// direction was lost: these reach the "skipped" count.
TEST(SystemDevices, TheHostsOverflowAndUnderflowFlagsAreLosses) {
    for (const bool input : {true, false}) {
        SCOPED_TRACE(input ? "input" : "output");
        EXPECT_FALSE(host_lost_sound(0, input));
        EXPECT_FALSE(host_lost_sound(paPrimingOutput, input));
        EXPECT_EQ(host_lost_sound(paInputOverflow, input), input);
        EXPECT_EQ(host_lost_sound(paInputUnderflow, input), input);
        EXPECT_EQ(host_lost_sound(paOutputUnderflow, input), !input);
        EXPECT_EQ(host_lost_sound(paOutputOverflow, input), !input);
        EXPECT_TRUE(host_lost_sound(paInputOverflow | paOutputUnderflow | paPrimingOutput, input));
    }
}

TEST(SystemDevices, WithoutSoundCardsTheDefaultIsTheVirtualLoopback) {
    setenv("PULSE_SERVER", "unix:/nonexistent/zevrin-no-server", 1); // before first use
    TMPCPlay play;
    TMPCRecord rec;
    if (rec.nDevices() != 1) {
        GTEST_SKIP() << "this machine has sound devices: " << rec.Devicenames().front();
    }
    EXPECT_EQ(rec.Devicenames(), std::vector<std::string>{TVirtualLoopback::device_name});
    EXPECT_EQ(play.Devicenames(), std::vector<std::string>{TVirtualLoopback::device_name});
    play.OnStash = [](TWaveChunk& arr, int&, bool&) { std::fill(arr.begin(), arr.end(), 1234); };
    bool heard = false;
    rec.OnFetch = [&](TWaveChunk& arr, int, bool&) { heard = heard || arr.back() == 1234; };
    for (TMPCComponent* c : std::initializer_list<TMPCComponent*>{&play, &rec}) {
        c->set_nChunkSamples(160);
    }
    rec.Run();
    play.Run();
    for (int i = 0; i < 1000 && !heard; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        play.pump();
        rec.pump();
    }
    EXPECT_TRUE(heard);
}

} // namespace
} // namespace zevrin
