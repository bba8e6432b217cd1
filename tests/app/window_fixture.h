#pragma once
// A main window on a virtual loopback with a manual clock, shown on the offscreen
// platform; message boxes are collected instead of shown. The window's stores (its
// registry key, the recent files) live in a private ZEVRIN_HOME.

#include "app/main_window.h"
#include "audio/virtual_loopback.h"
#include "display/test_application.h"
#include "platform/message_box.h"
#include "support/temp_home.h"

#include <QApplication>
#include <QTest>

#include <memory>
#include <string>
#include <vector>

namespace zevrin::testing {

class WindowFixture : public ::testing::Test {
protected:
    WindowFixture() {
        set_message_box_handler([this](const std::string& text, const std::string&, unsigned) {
            messages.push_back(text);
            return answer;
        });
        open_window();
    }
    ~WindowFixture() override {
        window.reset();
        set_message_box_handler(nullptr);
    }

    /// Lets the queued deliveries and repaints happen.
    static void settle() {
        for (int i = 0; i < 3; ++i) {
            QApplication::processEvents();
        }
    }
    /// Moves `frames` frames through the loopback and lets the window take them.
    void advance(size_t frames) {
        loop.advance(frames);
        settle();
    }

    TAnalyser& engine() { return window->analyser(); }

    /// A new window, as at a start of the program.
    void open_window() {
        window = std::make_unique<TForm1>(loop);
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }

    test::TempHome home;
    TVirtualLoopback loop{TLoopbackClock::manual};
    std::vector<std::string> messages;
    /// The button that message boxes answer with.
    int answer = id::ok;
    std::unique_ptr<TForm1> window;
};

} // namespace zevrin::testing
