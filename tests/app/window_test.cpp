#include "app/main_window.h"

#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>

namespace zevrin {
namespace {

TEST(MainWindow, OpensCaptionedAndClosesCleanly) {
    int argc = 1;
    char name[] = "window_test";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    TForm1 window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_EQ(window.windowTitle(), QString("Zevrin"));
    EXPECT_TRUE(window.close());
    EXPECT_FALSE(window.isVisible());
}

} // namespace
} // namespace zevrin
