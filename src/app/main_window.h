#pragma once
// The main window of the analyser.

#include <QMainWindow>

namespace zevrin {

class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    explicit TForm1(QWidget* parent = nullptr);
};

} // namespace zevrin
