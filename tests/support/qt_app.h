#pragma once
// One QApplication for all tests of a program (Qt allows one per process). It
// lives until the process ends: destroying it among other static objects at exit
// would race their destructors.

#include <QApplication>

namespace zevrin::test {

inline QApplication& qt_app() {
    static int argc = 1;
    static char name[] = "zevrin_test";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

} // namespace zevrin::test
