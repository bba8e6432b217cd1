// Program start: the command line first, then the window.

#include "app/analyse_command.h"
#include "app/command_line.h"
#include "app/desktop_locale.h"
#include "app/main_window.h"
#include "app/qt_message_box.h"
#include "app/stored_settings.h"
#include "app/test_signal_command.h"
#include "app/window_arguments.h"
#include "audio/wave_play.h"
#include "audio/wave_record.h"
#include "shell/application.h"
#include "shell/help_file.h"
#include "shell/identity.h"
#include "zevrin_version.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <iostream>

namespace {

const char* const no_display_text =
    "zevrin: no display to open a window on (DISPLAY and WAYLAND_DISPLAY are not set; "
    "set one, or QT_QPA_PLATFORM=offscreen; zevrin --analyse FILE works without one)\n";

bool display_available() {
    const auto set = [](const char* name) {
        const char* v = std::getenv(name);
        return v != nullptr && *v != '\0';
    };
    return set("QT_QPA_PLATFORM") || set("DISPLAY") || set("WAYLAND_DISPLAY");
}

// Qt ends the process when its window system cannot be reached; say so in one line
// instead of its several lines and a core dump.
void startup_message_handler(QtMsgType type, const QMessageLogContext& context,
                             const QString& message) {
    const bool platform =
        context.category != nullptr && QByteArray(context.category).startsWith("qt.qpa");
    if (type == QtFatalMsg) {
        std::fputs(no_display_text, stderr);
        std::fputs(("zevrin: " + message.toStdString() + "\n").c_str(), stderr);
        std::_Exit(1);
    }
    if (!platform) {
        std::fputs((message.toStdString() + "\n").c_str(), stderr);
    }
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    const zevrin::CommandLine cl = zevrin::parse_command_line(args);
    switch (cl.action) {
    case zevrin::CommandLine::Action::version:
        std::cout << zevrin::version_line() << '\n';
        return 0;
    case zevrin::CommandLine::Action::help:
        std::cout << zevrin::help_text() << zevrin::guide_help_line();
        return 0;
    case zevrin::CommandLine::Action::analyse:
        return zevrin::run_analyse_command(cl.analyse, zevrin::read_stored_settings, std::cout,
                                           std::cerr);
    case zevrin::CommandLine::Action::write_test_signal:
        return zevrin::run_test_signal_command(cl.test_signal, zevrin::read_stored_settings,
                                               std::cout, std::cerr);
    case zevrin::CommandLine::Action::list_devices: {
        zevrin::TMPCRecord rec;
        zevrin::TMPCPlay play;
        std::cout << zevrin::device_list_text(rec.Devicenames(), play.Devicenames());
        return 0;
    }
    case zevrin::CommandLine::Action::bad:
        std::cerr << "zevrin: " << cl.error << "\n" << zevrin::help_text();
        return 2;
    case zevrin::CommandLine::Action::window:
        break;
    }
    if (!display_available()) {
        std::fputs(no_display_text, stderr);
        return 1;
    }
    qInstallMessageHandler(startup_message_handler);
    zevrin::TApplication app(argc, argv);
    qInstallMessageHandler(nullptr);
    zevrin::configure_application();
    zevrin::use_desktop_number_format();
    zevrin::install_qt_message_box();
    zevrin::TForm1 window;
    window.show();
    // Settings files named on the command line open once the window is up; "/?" shows
    // the about box after them (the tools menu does). The automatic version check
    // belongs to a program start, never to a test's window.
    zevrin::queue_window_arguments(window, cl);
    QMetaObject::invokeMethod(
        &window, [&window] { window.HelpMenu1->check_at_start(); }, Qt::QueuedConnection);
    return QApplication::exec();
}
