#include "display/spectrogram_plot.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace zevrin {

namespace {

const QColor cursor_color(255, 255, 255, 170);

} // namespace

TSpectrogramPlot::TSpectrogramPlot(const TSpectrogramRing& ring, const TAxis& frequencyaxis,
                                   const TAxis& timeaxis, QWidget* parent)
    : QWidget(parent), fring(ring), ffrequencyaxis(frequencyaxis), ftimeaxis(timeaxis) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
}

void TSpectrogramPlot::set_source(TSpectrogramSource value) {
    fsource = value;
    update();
}

void TSpectrogramPlot::set_color_map(TColorMap value) {
    fmap = value;
    update();
}

void TSpectrogramPlot::set_level_range(double lo, double hi) {
    flevello = lo;
    flevelhi = hi;
    update();
}

void TSpectrogramPlot::set_follow(bool value) {
    ffollow = value;
    update();
}

TSpectrogramPlot::TPictureKey TSpectrogramPlot::current_key() const {
    TPictureKey key;
    key.frequency = ffrequencyaxis.scale();
    if (!ffollow) {
        key.time = ftimeaxis.scale();
    }
    key.generation = fring.generation();
    key.source = fsource;
    key.map = fmap;
    key.lo = flevello;
    key.hi = flevelhi;
    key.follow = ffollow;
    key.width = width();
    key.height = height();
    return key;
}

void TSpectrogramPlot::redraw() {
    fkey = current_key();
    fvalid = true;
    fnewest = fring.count();
    fhead = 0;
    if (fimage.size() != size()) {
        fimage = QImage(size(), QImage::Format_RGB32);
    }
    fnodata = palette().color(QPalette::Window).rgb();
    fcolors.set(fmap, flevello, flevelhi);
    const double binstep = fring.bin_frequency(1);
    place_items(fkey.frequency, 0.0, binstep,
                binstep > 0.0 ? static_cast<int64_t>(fring.bins()) : 0, frows);
    if (frows.size() > static_cast<size_t>(height())) {
        frows.resize(static_cast<size_t>(height()));
    }
    fcolumnsbase = fring.first();
    if (!ffollow) {
        const double dt = fring.frame_seconds();
        place_items(fkey.time, (static_cast<double>(fring.first()) + 0.5) * dt, dt,
                    fring.count() - fring.first(), fcolumns);
    }
    for (int x = 0; x < fimage.width(); ++x) {
        draw_column(x, frames_of_column(x));
    }
}

// Frames relative to fring.first() as it was when the picture was drawn, so that the
// columns of a picture that does not follow stay put while the ring moves on.
TItemRange TSpectrogramPlot::frames_of_column(int x) const {
    if (ffollow) {
        const int64_t k = fnewest - fimage.width() + x;
        const int64_t rel = k - fring.first();
        if (rel < 0 || k >= fnewest) {
            return {};
        }
        return TItemRange{static_cast<int32_t>(rel), static_cast<int32_t>(rel)};
    }
    return x >= 0 && static_cast<size_t>(x) < fcolumns.size() ? fcolumns[static_cast<size_t>(x)]
                                                              : TItemRange{};
}

void TSpectrogramPlot::draw_column(int x, TItemRange frames) {
    const int w = fimage.width();
    if (w == 0 || fimage.height() == 0) {
        return;
    }
    const int column = (fhead + x) % w;
    auto* pixels = reinterpret_cast<uint32_t*>(fimage.bits()) + column;
    const ptrdiff_t stride = fimage.bytesPerLine() / 4;
    const int64_t base = ffollow ? fring.first() : fcolumnsbase;
    render_column(fring, fsource, base, frames, frows, fcolors, fnodata, pixels, stride);
    for (int y = static_cast<int>(frows.size()); y < fimage.height(); ++y) {
        pixels[y * stride] = fnodata;
    }
}

void TSpectrogramPlot::bring_up_to_date() {
    if (!fvalid || current_key() != fkey) {
        redraw();
        return;
    }
    if (!ffollow || fnewest == fring.count()) {
        return;
    }
    const int64_t missing = fring.count() - fnewest;
    if (missing < 0 || missing >= fimage.width()) {
        redraw();
        return;
    }
    // Each new frame takes the place of the oldest column shown.
    const int w = fimage.width();
    for (int64_t k = fnewest; k < fring.count(); ++k) {
        fhead = (fhead + 1) % w;
        fnewest = k + 1;
        const int64_t rel = k - fring.first();
        draw_column(w - 1, TItemRange{static_cast<int32_t>(rel), static_cast<int32_t>(rel)});
    }
}

void TSpectrogramPlot::add_column() {
    if (ffollow) {
        if (isVisible()) {
            bring_up_to_date();
        }
        update();
        return;
    }
    const double dt = fring.frame_seconds();
    const double start = static_cast<double>(fring.count() - 1) * dt;
    const double lo = std::min(ftimeaxis.LoValue(), ftimeaxis.HiValue());
    const double hi = std::max(ftimeaxis.LoValue(), ftimeaxis.HiValue());
    if (start <= hi && start + dt >= lo) {
        fvalid = false;
        update();
    }
}

void TSpectrogramPlot::paint(QPainter& p) {
    bring_up_to_date();
    const int w = fimage.width();
    const int h = fimage.height();
    p.drawImage(QPoint(0, 0), fimage, QRect(fhead, 0, w - fhead, h));
    if (fhead > 0) {
        p.drawImage(QPoint(w - fhead, 0), fimage, QRect(0, 0, fhead, h));
    }
    if (fcursorshown) {
        p.setPen(cursor_color);
        p.drawLine(fcursor.x(), 0, fcursor.x(), h - 1);
        p.drawLine(0, fcursor.y(), w - 1, fcursor.y());
    }
}

QImage TSpectrogramPlot::picture() {
    bring_up_to_date();
    QImage out(fimage.size(), QImage::Format_RGB32);
    QPainter p(&out);
    const bool shown = fcursorshown;
    fcursorshown = false;
    paint(p);
    fcursorshown = shown;
    return out;
}

TSpectrogramReading TSpectrogramPlot::reading_at(int x, int y) {
    bring_up_to_date();
    TSpectrogramReading r;
    if (x < 0 || y < 0 || x >= fimage.width() || static_cast<size_t>(y) >= frows.size()) {
        return r;
    }
    r.time = ftimeaxis.pixel_to_value(x);
    r.frequency = ffrequencyaxis.pixel_to_value(y);
    int units = 0;
    const int64_t base = ffollow ? fring.first() : fcolumnsbase;
    r.valid = cell_level_units(fring, fsource, base, frames_of_column(x),
                               frows[static_cast<size_t>(y)], units);
    r.level = units * TSpectrogramRing::level_step;
    return r;
}

void TSpectrogramPlot::paintEvent(QPaintEvent* /*event*/) {
    QPainter p(this);
    paint(p);
}

void TSpectrogramPlot::mouseMoveEvent(QMouseEvent* event) {
    fcursorshown = true;
    fcursor = event->position().toPoint();
    update();
    if (OnCursor) {
        OnCursor(true, fcursor);
    }
}

void TSpectrogramPlot::leaveEvent(QEvent* /*event*/) {
    fcursorshown = false;
    update();
    if (OnCursor) {
        OnCursor(false, fcursor);
    }
}

} // namespace zevrin
