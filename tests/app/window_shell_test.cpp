// The main window's error log: what its handlers and its sound devices raise ends in
// the log while logging is on, between the stamps of each run, also of the program
// itself when it is killed.

#include "window_fixture.h"

#include "platform/ini_file.h"
#include "platform/system.h"
#include "settings/ini.h"

#include <QAction>
#include <QElapsedTimer>
#include <QProcess>

#include <regex>

namespace zevrin {
namespace {

using testing::WindowFixture;

void enable_logging(const std::string& file) {
    TTamberIni ini;
    ini.WriteBool("ErrorLog", "LogErrors", true);
    ini.WriteString("ErrorLog", "LogFileName", file);
    ini.UpdateFile();
}

std::string read(const std::string& file, const std::string& section, const std::string& key) {
    return IniFile(file).read_string(section, key, "(none)");
}

// The "Message" of the last exception section.
std::string last_message(const std::string& file) {
    std::string last;
    for (const std::string& section : IniFile(file).sections()) {
        if (section.rfind("Exception at ", 0) == 0) {
            last = read(file, section, "Message");
        }
    }
    return last;
}

class WindowLog : public WindowFixture {
protected:
    std::string program() const { return program_folder() + "/" + program_file_name(); }
    const std::string log = home / "err.log";
};

TEST_F(WindowLog, MenuHandlerAndSoundDeviceFailuresEndInTheLog) {
    enable_logging(log);
    window.reset();
    open_window(); // a start with logging on
    EXPECT_EQ(read(log, "Termination", program()).rfind("Started at ", 0), 0u);
    const std::string told = "Please send this file to support@marvendata.com\r" + log;

    engine().bandwidth = 20000; // a frame shorter than two samples
    window->Run->trigger();     // the Control menu's "Run"
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0], told);
    EXPECT_EQ(messages[1].rfind("FFT size out of range (", 0), 0u) << messages[1];
    EXPECT_EQ(last_message(log), messages[1]);
    window->Run->trigger(); // stops

    engine().bandwidth = 50;
    window->Run->trigger();
    ASSERT_TRUE(engine().running());
    loop.set_fault(TLoopbackFault::running); // the sound card vanishes
    advance(1000);
    ASSERT_EQ(messages.size(), 4u);
    EXPECT_EQ(messages[2], told);
    EXPECT_EQ(last_message(log), messages[3]);

    window.reset();
    EXPECT_EQ(read(log, "Termination", program()).rfind("Terminated at ", 0), 0u);
}

TEST(Program, AKilledRunKeepsItsStartedStamp) {
    test::TempHome home;
    const std::string log = home / "err.log";
    enable_logging(log);
    QProcess zevrin;
    zevrin.setProcessChannelMode(QProcess::ForwardedChannels);
    zevrin.start(ZEVRIN_PROGRAM, {});
    ASSERT_TRUE(zevrin.waitForStarted(10000));
    QElapsedTimer t;
    t.start();
    std::string stamp;
    while (stamp.rfind("Started at ", 0) != 0 && t.elapsed() < 30000) {
        zevrin.waitForFinished(50);
        stamp = read(log, "Termination", ZEVRIN_PROGRAM);
    }
    EXPECT_EQ(stamp.rfind("Started at ", 0), 0u) << stamp;
    zevrin.kill();
    ASSERT_TRUE(zevrin.waitForFinished(10000));
    EXPECT_EQ(read(log, "Termination", ZEVRIN_PROGRAM), stamp);
}

} // namespace
} // namespace zevrin
