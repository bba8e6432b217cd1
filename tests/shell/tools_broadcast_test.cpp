// Two running programs: the second rebuilds its tools menu when the first registers
// or changes a tool. ctest runs this once on a private session bus (dbus-run-session)
// and once without any bus; ZEVRIN_EXPECT_TRANSPORT says which the listener must use.

#include "support/temp_home.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

// The next line the process prints, waiting up to `ms`.
std::string next_line(QProcess& p, int ms) {
    QElapsedTimer t;
    t.start();
    while (!p.canReadLine() && t.elapsed() < ms) {
        p.waitForReadyRead(100);
    }
    return p.canReadLine() ? p.readLine().trimmed().toStdString() : std::string("(nothing)");
}

int run_peer(const QStringList& args) {
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedChannels);
    p.start(ZEVRIN_TOOLS_PEER, args);
    return p.waitForFinished(20000) ? p.exitCode() : -1;
}

TEST(ToolsBroadcast, ASecondProgramRebuildsItsMenuWhenTheFirstChangesTheList) {
    int argc = 1;
    char name[] = "tools_broadcast_test";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    zevrin::test::TempHome home;
    const char* expected = std::getenv("ZEVRIN_EXPECT_TRANSPORT");
    ASSERT_NE(expected, nullptr);

    QProcess listener;
    listener.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    listener.start(ZEVRIN_TOOLS_PEER, {"listen", "2"});
    EXPECT_EQ(next_line(listener, 20000), std::string("transport ") + expected);
    ASSERT_EQ(next_line(listener, 5000), "ready");

    ASSERT_EQ(run_peer({"register", "Sibling"}), 0);
    EXPECT_EQ(next_line(listener, 10000), "rebuilt: &Sibling");
    ASSERT_EQ(run_peer({"change", "Sibling", "Brother"}), 0);
    EXPECT_EQ(next_line(listener, 10000), "rebuilt: &Brother");
    ASSERT_TRUE(listener.waitForFinished(10000));
    EXPECT_EQ(listener.exitCode(), 0);
}

} // namespace
