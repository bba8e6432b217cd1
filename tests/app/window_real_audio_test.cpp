// The window playing and capturing through PortAudio on a real sound server: the
// private PulseAudio server of scripts/with_sound_server.sh (./test.sh starts it),
// whose null sink "zevrin_48000" comes back bit-exact from "zevrin_48000_in". Under
// that script a missing server is a failure; run by hand without it, the test skips.

#include "app/main_window.h"
#include "display/test_application.h"
#include "platform/message_box.h"
#include "support/temp_home.h"

#include <QTest>

#include <cstdlib>

namespace zevrin {
namespace {

bool server_answers() {
    return std::system("pactl list short sinks 2>/dev/null | grep -q zevrin_48000") == 0;
}

TEST(WindowRealAudio, SltasThroughTheSoundServer) {
    if (!server_answers()) {
        if (std::getenv("ZEVRIN_SOUND_SERVER") != nullptr) {
            FAIL() << "ZEVRIN_SOUND_SERVER is set, but the private PulseAudio server with the "
                      "sink zevrin_48000 does not answer";
        }
        GTEST_SKIP() << "no private PulseAudio server; run through ./test.sh";
    }
    const test::TempHome home; // the window's stored settings
    setenv("PULSE_SINK", "zevrin_48000", 1);
    setenv("PULSE_SOURCE", "zevrin_48000_in", 1);
    std::vector<std::string> messages;
    set_message_box_handler([&messages](const std::string& text, const std::string&, unsigned) {
        messages.push_back(text);
        return 1;
    });
    {
        TForm1 w; // the system's devices: PortAudio's, then the virtual loopback
        w.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
        TAnalyser& a = w.analyser();
        w.components().MPCRecord1.set_DeviceID(-1); // PortAudio's default: the server
        w.components().MPCPlay1.set_DeviceID(-1);
        a.sampfreq = 48000;
        a.sltaspoints = 4096;
        a.set_usesltas(true);
        w.components().FFT1.set_Window(TFFTWindow::rectangle);
        a.bandwidth = a.sampfreq / a.sltaspoints;
        a.set_excludeoverloaded(false); // the period is full scale, and comes back so
        w.playactionExecute();
        w.RunExecute();
        ASSERT_TRUE(messages.empty()) << messages.front();
        // The first frames may hold the silence before the line came up.
        QTest::qWait(500);
        w.clearsltasExecute();
        w.DoSLTASExecute();
        EXPECT_TRUE(QTest::qWaitFor([&a] { return a.sltascount >= 8; }, 20000));
        w.RunExecute();
        w.playactionExecute();
        EXPECT_TRUE(messages.empty()) << messages.front();
        EXPECT_EQ(w.components().MPCRecord1.lost_chunks(), 0);
        w.PaintBox1->repaint();
        EXPECT_EQ(w.PaintBox1->drawn_curves(), (std::vector<int>{1, 15, 11}));
        EXPECT_EQ(w.StatusBar1->text(0), "BW:11.72Hz rectangular, 85.3 ms");
        const size_t count = a.outdb1.size() / 2 + 1;
        tdoublearr used(count);
        tdoublearr unused(count);
        ASSERT_TRUE(curve_levels(a, 11, count, used));
        ASSERT_TRUE(curve_levels(a, 15, count, unused));
        for (size_t bin : {30u, 300u, 1500u}) {
            EXPECT_GT(used[bin], unused[bin] + 40) << bin;
        }
    }
    set_message_box_handler(nullptr);
}

} // namespace
} // namespace zevrin
