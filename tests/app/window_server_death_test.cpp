// The sound server dies while the window captures and plays through it: after the
// error the window is idle, as the devices are. The test stops the private PulseAudio
// server of scripts/with_sound_server.sh by its PID, so ctest gives it a server of
// its own; run by hand without one, it skips.

#include "app/main_window.h"
#include "display/test_application.h"
#include "platform/message_box.h"
#include "support/temp_home.h"

#include <QAction>
#include <QTest>
#include <QToolButton>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace zevrin {
namespace {

// The server's PID, which it wrote into its runtime folder; 0 without one.
pid_t server_pid() {
    const char* runtime = std::getenv("ZEVRIN_SOUND_RUNTIME");
    if (runtime == nullptr ||
        std::system("pactl list short sinks 2>/dev/null | grep -q zevrin_48000") != 0) {
        return 0;
    }
    std::ifstream file(std::string(runtime) + "/pulse/pid");
    pid_t pid = 0;
    file >> pid;
    return pid;
}

bool said(const std::vector<std::string>& messages, const std::string& start) {
    return std::any_of(messages.begin(), messages.end(),
                       [&](const std::string& m) { return m.rfind(start, 0) == 0; });
}

TEST(WindowSoundServer, AServerThatDiesLeavesTheWindowIdle) {
    const pid_t pid = server_pid();
    if (pid <= 0) {
        if (std::getenv("ZEVRIN_SOUND_SERVER") != nullptr) {
            FAIL() << "ZEVRIN_SOUND_SERVER is set, but the private PulseAudio server does not "
                      "answer or wrote no PID";
        }
        GTEST_SKIP() << "no private PulseAudio server; ctest runs this under one";
    }
    const test::TempHome home;
    setenv("PULSE_SINK", "zevrin_48000", 1);
    setenv("PULSE_SOURCE", "zevrin_48000_in", 1);
    std::vector<std::string> messages;
    set_message_box_handler([&messages](const std::string& text, const std::string&, unsigned) {
        messages.push_back(text);
        return 1;
    });
    {
        TForm1 w;
        w.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
        TAnalyser& a = w.analyser();
        w.components().MPCRecord1.set_DeviceID(-1);
        w.components().MPCPlay1.set_DeviceID(-1);
        a.sampfreq = 48000;
        a.sltaspoints = 4096;
        a.set_ltas(true);
        w.playactionExecute();
        w.RunExecute();
        ASSERT_TRUE(messages.empty()) << messages.front();
        ASSERT_TRUE(QTest::qWaitFor([&a] { return a.ltascount >= 3; }, 10000));

        ASSERT_EQ(kill(pid, SIGKILL), 0);
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return said(messages, "waveinWrite:") && said(messages, "WaveOutWrite:"); },
            20000))
            << (messages.empty() ? std::string("no message") : messages.front());
        EXPECT_FALSE(a.running());
        EXPECT_FALSE(a.playing());
        EXPECT_FALSE(w.runButton->isChecked());
        EXPECT_FALSE(w.playbutton->isChecked());
        EXPECT_TRUE(w.Settings->isEnabled());
        EXPECT_FALSE(w.components().MPCRecord1.OwnBoard());

        // One F2 starts again: here it tries, and the server that is gone says so.
        const size_t before = messages.size();
        w.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
        QTest::keyClick(&w, Qt::Key_F2);
        ASSERT_EQ(messages.size(), before + 1);
        EXPECT_EQ(messages.back().rfind("waveinOpen:", 0), 0u) << messages.back();
    }
    set_message_box_handler(nullptr);
}

} // namespace
} // namespace zevrin
