#pragma once
// A main window on a virtual loopback with a manual clock, shown on the offscreen
// platform; message boxes are collected instead of shown.

#include "app/main_window.h"
#include "audio/virtual_loopback.h"
#include "display/test_application.h"
#include "platform/message_box.h"

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
            return 1;
        });
        window = std::make_unique<TForm1>(loop);
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
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

    TVirtualLoopback loop{TLoopbackClock::manual};
    std::vector<std::string> messages;
    std::unique_ptr<TForm1> window;
};

} // namespace zevrin::testing
