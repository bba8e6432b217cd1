#include "display/plot_panel.h"

#include <QLabel>

#include <algorithm>

namespace zevrin {

namespace {

constexpr int level_axis_width = 45;
constexpr int horizontal_axis_height = 25;
constexpr int margin = 2;

void allow_mouse(TAxis& axis) {
    axis.set_AllowLoScroll(true);
    axis.set_AllowHiScroll(true);
    axis.set_AllowMidScroll(true);
    axis.set_AllowDoubleClick(true);
}

} // namespace

TPlotPanel::TPlotPanel(const std::string& caption, const std::string& xtext,
                       const std::string& ytext, QWidget* parent)
    : QWidget(parent) {
    title = new QLabel(QString::fromStdString(caption), this);
    xaxis = new TAxis(this);
    xaxis->set_Position(tposition::posunder);
    xaxis->set_Height(horizontal_axis_height);
    xaxis->set_TickSpaceAim(50);
    xaxis->set_AxisText(xtext);
    allow_mouse(*xaxis);
    yaxis = new TAxis(this);
    yaxis->set_Position(tposition::posleft);
    yaxis->set_Width(level_axis_width);
    yaxis->set_TickSpaceAim(30);
    yaxis->set_AxisText(ytext);
    allow_mouse(*yaxis);
    plot = new TCurvePlot(*xaxis, *yaxis, this);
    const auto redraw = [this](TAxis*) { plot->update(); };
    for (TAxis* axis : {xaxis, yaxis}) {
        axis->OnScaleChanging = redraw;
        axis->OnScaleChanged = redraw;
    }
}

QSize TPlotPanel::sizeHint() const {
    return {380, 200};
}

void TPlotPanel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    place();
}

void TPlotPanel::place() {
    const int top = title->sizeHint().height();
    title->setGeometry(level_axis_width + margin, 0, std::max(1, width() - level_axis_width), top);
    const int left = margin + level_axis_width;
    const int plotwidth = std::max(1, width() - left - margin);
    const int plotheight = std::max(1, height() - top - horizontal_axis_height - margin);
    yaxis->move(margin, top);
    yaxis->set_Height(plotheight);
    xaxis->move(left, top + plotheight);
    xaxis->set_Width(plotwidth);
    plot->setGeometry(left, top, plotwidth, plotheight);
}

} // namespace zevrin
