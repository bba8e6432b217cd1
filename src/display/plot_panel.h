#pragma once
// TPlotPanel: a titled plot with its level axis on the left and its horizontal axis
// below, laid out as the main window lays out the spectrum: the plot exactly as wide
// as the horizontal axis and as high as the vertical one, so that an axis pixel and a
// plot pixel are the same column or row. Both axes scroll and zoom with the mouse and
// take typed limits after a double click. GUI thread only.

#include "display/axis.h"
#include "display/curve_plot.h"

#include <QWidget>

#include <string>

class QLabel;

namespace zevrin {

class TPlotPanel : public QWidget {
    Q_OBJECT

public:
    TPlotPanel(const std::string& title, const std::string& xtext, const std::string& ytext,
               QWidget* parent = nullptr);

    TAxis* xaxis = nullptr;
    TAxis* yaxis = nullptr;
    TCurvePlot* plot = nullptr;
    QLabel* title = nullptr;

    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void place();
};

} // namespace zevrin
