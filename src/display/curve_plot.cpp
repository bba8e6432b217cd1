#include "display/curve_plot.h"

#include "display/color_ref.h"
#include "display/line_raster.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace zevrin {

namespace {

constexpr uint32_t background = 0xFFFFFF;
constexpr uint32_t grid = 0xC0C0C0;
struct TRows {
    AxisScale axis;
    // Stretches hold values only.
    bool failed(double) const { return false; }
    int failed_row() const { return 0; }
    int row(double q) const { return value_to_notclippedpixel(axis, q); }
};

TRasterImage raster(QImage& image) {
    return {reinterpret_cast<uint32_t*>(image.bits()), image.width(), image.height(),
            image.bytesPerLine() / 4};
}

uint32_t pixel(uint32_t bbggrr) {
    return color_ref(bbggrr).rgb();
}

} // namespace

TCurvePlot::TCurvePlot(const TAxis& xaxis, const TAxis& yaxis, QWidget* parent)
    : QWidget(parent), fxaxis(xaxis), fyaxis(yaxis) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TCurvePlot::paintEvent(QPaintEvent* /*event*/) {
    render();
    QPainter p(this);
    p.drawImage(0, 0, fimage);
}

void TCurvePlot::render() {
    if (OnBeforePaint) {
        OnBeforePaint();
    }
    if (fimage.size() != size()) {
        fimage = QImage(size(), QImage::Format_RGB32);
    }
    fimage.fill(color_ref(background));
    draw_grid();
    draw_cursor_lines();
    fcolumns.resize(fseries.size());
    for (size_t k = 0; k < fseries.size(); ++k) {
        draw_series(fseries[k], fcolumns[k]);
    }
}

void TCurvePlot::draw_grid() {
    const TRasterImage im = raster(fimage);
    const uint32_t c = pixel(grid);
    for (int i = 0; i < fxaxis.nTickMarks(); ++i) {
        const int x = fxaxis.TickMarkPosition(i);
        draw_line(im, x, 0, x, im.height - 1, c);
    }
    for (int i = 0; i < fyaxis.nTickMarks(); ++i) {
        const int y = fyaxis.TickMarkPosition(i);
        draw_line(im, 0, y, im.width - 1, y, c);
    }
}

// Under the curves, in the measured series' colour, as in the spectrum plot.
void TCurvePlot::draw_cursor_lines() {
    const TRasterImage im = raster(fimage);
    for (double at : {fcursors.downx, fcursors.x}) {
        const TCursorPoint p = cursor_point(fcursors, fseries, at);
        if (!p.valid) {
            continue;
        }
        const uint32_t c = pixel(fseries[fcursors.series].color);
        const int x = fxaxis.value_to_pixel(p.x);
        const int y = fyaxis.value_to_pixel(p.y);
        draw_line(im, x, 0, x, im.height - 1, c);
        draw_line(im, 0, y, im.width - 1, y, c);
    }
}

void TCurvePlot::draw_series(const TPlotSeries& s, TColumns& columns) {
    if (s.count == 0) {
        return;
    }
    const AxisScale xs = fxaxis.scale();
    double sum = 0.0;
    for (size_t i = 0; i < s.count; ++i) {
        sum += s.x[i];
    }
    if (columns.x != s.x || columns.count != s.count || columns.sum != sum ||
        !(columns.scale == xs)) {
        columns.column.resize(s.count);
        for (size_t i = 0; i < s.count; ++i) {
            columns.column[i] = value_to_notclippedpixel(xs, s.x[i]);
        }
        columns.x = s.x;
        columns.count = s.count;
        columns.sum = sum;
        columns.scale = xs;
    }
    // The points within the range, and one on either side for the lines leaving it.
    const double lo = std::min(xs.lo, xs.hi);
    const double hi = std::max(xs.lo, xs.hi);
    const size_t from = first_point_from(s, lo);
    const size_t to = std::min(s.count, first_point_from(s, hi) + 1);
    size_t i = from > 0 ? from - 1 : 0;
    // A value that is no number breaks the line.
    while (i < to) {
        while (i < to && !std::isfinite(s.y[i])) {
            ++i;
        }
        size_t end = i;
        while (end < to && std::isfinite(s.y[end])) {
            ++end;
        }
        if (end > i) {
            draw_stretch(s, columns, i, end);
        }
        i = end;
    }
}

// Points from .. to-1, all with values, as one line.
void TCurvePlot::draw_stretch(const TPlotSeries& s, const TColumns& columns, size_t from,
                              size_t to) {
    const TRows rows{fyaxis.scale()};
    const std::vector<int>& column = columns.column;
    fruns.clear();
    size_t i = from;
    while (i < to) {
        size_t j = i + 1;
        while (j < to && column[j] == column[i]) {
            ++j;
        }
        fruns.push_back(reduce_run(rows, column[i], s.y + i, j - i));
        i = j;
    }
    const TRasterImage im = raster(fimage);
    const uint32_t c = pixel(s.color);
    column_lines(fruns.data(), fruns.size(), rows,
                 [&im, c](int x1, int y1, int x2, int y2) { draw_line(im, x1, y1, x2, y2, c); });
}

void TCurvePlot::cursors_moved() {
    update();
    if (OnCursorsChanged) {
        OnCursorsChanged();
    }
}

void TCurvePlot::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    const QPoint at = event->position().toPoint();
    cursor_press(fcursors, fseries, fxaxis.pixel_to_value(at.x()), fyaxis.pixel_to_value(at.y()));
    cursors_moved();
}

void TCurvePlot::mouseMoveEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton) || !fcursors.shown) {
        return;
    }
    cursor_drag(fcursors, fxaxis.pixel_to_value(event->position().toPoint().x()));
    cursors_moved();
}

} // namespace zevrin
