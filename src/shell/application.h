#pragma once
// TApplication: the program's QApplication. Qt's event dispatch cannot carry an
// exception, so every event passes through notify(), which hands whatever a handler
// raised to the one entry for unhandled errors (platform/unhandled_error.h; the error
// log installs itself there) and lets the program go on.

#include <QApplication>

namespace zevrin {

class TApplication : public QApplication {
public:
    TApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;
};

} // namespace zevrin
