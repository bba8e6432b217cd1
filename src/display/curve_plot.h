#pragma once
// TCurvePlot: a plot of point series between two axes (a horizontal one below it and a
// vertical one beside it, each as long as the plot), with grid lines at the axes'
// ticks and the two measurement cursors of display/plot_series.h. The transfer
// function window draws its curves with it.
//
// Points are placed through the axes; a value that is no number breaks the line (a
// noise floor where nothing but the period arrived has gaps rather than spikes), and
// points beyond the horizontal range are left out but for the line to the first one
// outside. Of the points that fall into one pixel
// column only what can be seen is drawn (display/column_reducer.h), so a paint costs
// about the same for any number of points. Always drawn into an off-screen image and
// copied. GUI thread only.

#include "display/axis.h"
#include "display/column_reducer.h"
#include "display/plot_series.h"

#include <QImage>
#include <QWidget>

#include <functional>
#include <vector>

namespace zevrin {

class TCurvePlot : public QWidget {
    Q_OBJECT

public:
    /// The axes must outlive the plot.
    TCurvePlot(const TAxis& xaxis, const TAxis& yaxis, QWidget* parent = nullptr);

    /// Runs at the start of every paint, before the series are read: the owner brings
    /// them up to date there.
    std::function<void()> OnBeforePaint;
    /// The cursors moved.
    std::function<void()> OnCursorsChanged;

    /// The series, drawn in this order. Their arrays must stay valid until the series
    /// are set again.
    std::vector<TPlotSeries>& series() { return fseries; }
    const std::vector<TPlotSeries>& series() const { return fseries; }

    TPlotCursors& cursors() { return fcursors; }
    const TPlotCursors& cursors() const { return fcursors; }

    /// The picture of the last paint.
    const QImage& image() const { return fimage; }
    /// The whole paint into the off-screen image (what a paint event copies).
    void render();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void draw_grid();
    void draw_cursor_lines();
    // The pixel column of every point of a series, kept while its x values and the
    // horizontal scale stay: placing a point through a logarithmic scale costs more
    // than drawing it.
    struct TColumns {
        const double* x = nullptr;
        size_t count = 0;
        double sum = 0.0;
        AxisScale scale;
        std::vector<int> column;
    };

    void draw_series(const TPlotSeries& s, TColumns& columns);
    void draw_stretch(const TPlotSeries& s, const TColumns& columns, size_t from, size_t to);
    void cursors_moved();

    const TAxis& fxaxis;
    const TAxis& fyaxis;
    std::vector<TPlotSeries> fseries;
    TPlotCursors fcursors;
    QImage fimage;
    std::vector<TColumnRun> fruns;
    std::vector<TColumns> fcolumns;
};

} // namespace zevrin
