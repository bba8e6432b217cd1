// One of the maker's programs, for the test of the news between running programs
// (tools_broadcast_test.cpp):
//
//   tools_menu_peer listen N     shows the tools menu; prints "transport bus" or
//                                "transport file", then "ready", then "rebuilt: "
//                                and the menu's items after each rebuild; ends
//                                after N rebuilds (exit code 3 after 20 s without)
//   tools_menu_peer register NAME          registers itself as NAME
//   tools_menu_peer change NAME MENUTEXT   changes the entry of NAME

#include "shell/tools_menu.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>

#include <cstdio>
#include <string>

namespace {

void say(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

int listen(QApplication& app, int rebuilds) {
    QWidget window;
    auto* bar = new QMenuBar(&window);
    zevrin::TToolsMenu menu;
    menu.set_MainMenu(bar);
    menu.Loaded();
    int seen = 0;
    menu.OnBroadcastedChange = [&] {
        std::string line = "rebuilt:";
        for (QAction* a : menu.Menu()->actions()) {
            line += " " + a->text().toStdString();
        }
        say(line);
        if (++seen == rebuilds) {
            app.exit(0);
        }
    };
    say(menu.listens_on_bus() ? "transport bus" : "transport file");
    say("ready");
    QTimer::singleShot(20000, &app, [&app] { app.exit(3); });
    return QApplication::exec();
}

// The signal leaves the process through the bus connection's own thread: give it
// a moment before the process ends.
int finish(QApplication& app) {
    QTimer::singleShot(300, &app, [&app] { app.exit(0); });
    return QApplication::exec();
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "listen" && argc == 3) {
        return listen(app, std::stoi(argv[2]));
    }
    if (mode == "register" && argc == 3) {
        zevrin::TToolsMenu menu;
        menu.set_ThisAppName(argv[2]);
        menu.set_ThisAppMenuText(argv[2]);
        menu.set_AutoInsertThisApp(true);
        menu.Loaded();
        return finish(app);
    }
    if (mode == "change" && argc == 4) {
        zevrin::TToolsMenu menu;
        zevrin::tappregentry entry;
        entry.appname = argv[2];
        entry.menutext = argv[3];
        entry.cmdline = "/bin/true";
        menu.change_app(entry);
        return finish(app);
    }
    std::fputs("usage: tools_menu_peer listen N | register NAME | change NAME MENUTEXT\n", stderr);
    return 2;
}
