// The window and its command line: settings files given as arguments are opened as
// "&Open file..." opens them, after the stored settings, and before the about box
// of "/?".

#include "window_fixture.h"

#include "app/window_arguments.h"

#include <QDialog>
#include <QTimer>

#include <functional>

namespace zevrin {
namespace {

using testing::WindowFixture;

// Calls `then` when the watched widget is shown.
class WhenShown : public QObject {
public:
    explicit WhenShown(std::function<void()> then) : then_(std::move(then)) {}
    bool eventFilter(QObject* /*watched*/, QEvent* event) override {
        if (event->type() == QEvent::Show) {
            then_();
        }
        return false;
    }

private:
    std::function<void()> then_;
};

class WindowArguments : public WindowFixture {
protected:
    WindowArguments() {
        window->RecentFiles1->drive_kind_of = [](const std::string&) { return DriveKind::fixed; };
    }
    // A settings file with this bandwidth; the window's own goes back to 50 Hz.
    std::string settings_file(const std::string& name, double bandwidth) {
        engine().bandwidth = bandwidth;
        window->save_settings(home / name);
        engine().bandwidth = 50;
        return home / name;
    }
};

TEST_F(WindowArguments, FilesOpenInTurnAndTheAboutBoxComesLast) {
    const std::string first = settings_file("first.zvr", 20);
    const std::string second = settings_file("second.zvr", 12.5);
    QDialog* about = window->TamberAbout1->form();
    double bandwidth_under_about = 0;
    WhenShown closes_about([&] {
        bandwidth_under_about = engine().bandwidth;
        QTimer::singleShot(0, about, &QDialog::accept);
    });
    about->installEventFilter(&closes_about);
    // As at a start: the tools menu sees "/?" while the window is made, the files are
    // queued once it is shown.
    window->ToolsMenu1->set_ParamStr({"zevrin", "/?", first, second});
    window->ToolsMenu1->show_about_for_switch();
    queue_window_arguments(*window, parse_command_line({"/?", first, second}));
    EXPECT_EQ(engine().bandwidth, 50); // nothing before the event loop runs
    settle();
    EXPECT_EQ(bandwidth_under_about, 12.5);
    EXPECT_EQ(engine().bandwidth, 12.5);
    EXPECT_EQ(window->RecentFiles1->filename(1), second);
    EXPECT_EQ(window->RecentFiles1->filename(2), first);
    EXPECT_EQ(window->settings_file_name(), second);
    EXPECT_TRUE(messages.empty()) << messages.front();
}

TEST_F(WindowArguments, AFileThatIsNotThereIsReportedAndChangesNothing) {
    const std::string missing = home / "gone.zvr";
    queue_window_arguments(*window, parse_command_line({missing}));
    settle();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "Cannot open the settings file \"" + missing + "\": no such file");
    EXPECT_EQ(engine().bandwidth, 50);
    EXPECT_EQ(window->RecentFiles1->itemcount(), 0);
}

} // namespace
} // namespace zevrin
