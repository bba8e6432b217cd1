#include "display/spectrum_plot.h"

#include "display/color_ref.h"
#include "display/column_reducer.h"
#include "display/device_pixels.h"
#include "display/huge_page_image.h"
#include "display/line_raster.h"
#include "dsp/vector_isa.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <limits>

namespace zevrin {

namespace {

// Where a point whose level cannot be computed goes: far above the plot.
constexpr int failed_row = -500;
const QColor grid_color(0xC0, 0xC0, 0xC0);

// The rows of a curve's quantities on the level axis.
struct TLevelRows {
    TLevelScale scale;
    AxisScale axis;
    bool failed(double q) const { return quantity_failed(scale, q); }
    int failed_row() const { return zevrin::failed_row; }
    int row(double q) const { return value_to_pixel(axis, level_of_quantity(scale, q)); }
};

// Ends the painting guard however the paint ends.
class TPaintingScope {
public:
    explicit TPaintingScope(bool& flag) : fflag(flag) { fflag = true; }
    ~TPaintingScope() { fflag = false; }
    TPaintingScope(const TPaintingScope&) = delete;
    TPaintingScope& operator=(const TPaintingScope&) = delete;

private:
    bool& fflag;
};

} // namespace

TSpectrumPlot::TSpectrumPlot(const TAnalyser& analyser, const TAxis& xaxis, const TAxis& yaxis,
                             const std::array<uint32_t, ncurves>& linecolor,
                             const std::array<bool, ncurves>& showcurve, const TCursors& cursors,
                             QWidget* parent)
    : QWidget(parent), fa(analyser), fxaxis(xaxis), fyaxis(yaxis), flinecolor(linecolor),
      fshowcurve(showcurve), fcursors(cursors) {}

void TSpectrumPlot::size_bitmap() {
    const qreal ratio = devicePixelRatioF();
    if (fbmp1.size() != device_size(size(), ratio) || fbmp1.devicePixelRatio() != ratio) {
        fbmp1 = huge_page_image(device_size(size(), ratio), QImage::Format_RGB32);
        fbmp1.setDevicePixelRatio(ratio);
    }
}

std::vector<int> TSpectrumPlot::drawn_curves() const {
    return std::vector<int>(fdrawn.begin(), fdrawn.begin() + fndrawn);
}

const std::vector<QLine>& TSpectrumPlot::drawn_lines(int curve) const {
    static const std::vector<QLine> none;
    for (int k = 0; k < fndrawn; ++k) {
        if (fdrawn[static_cast<size_t>(k)] == curve) {
            return flines[static_cast<size_t>(curve)];
        }
    }
    return none;
}

void TSpectrumPlot::paintEvent(QPaintEvent* /*event*/) {
    clear_upper_vector_state(); // after Qt's code (dsp/vector_isa.h)
    QPainter canvas(this);
    PaintBox1Paint(canvas);
}

void TSpectrumPlot::PaintBox1Paint(QPainter& canvas) {
    if (painting) {
        return;
    }
    TPaintingScope scope(painting);
    fratio = devicePixelRatioF();
    fxdevice = fxaxis.device_scale();
    fydevice = fyaxis.device_scale();
    collect_background_lines();
    compute_curves();
    add_reference_lines();
    if (fa.bltplot) {
        size_bitmap();
        raster_lines();
        if (freferences != nullptr && !freferences->empty()) {
            QPainter legend(&fbmp1);
            draw_legend(legend);
        }
        canvas.drawImage(0, 0, fbmp1);
    } else {
        canvas.fillRect(rect(), color_ref(flinecolor[0]));
        canvas.save();
        draw_in_device_pixels(canvas, fratio);
        for (const TColoredLine& l : fbackground) {
            canvas.setPen(QColor(l.color));
            canvas.drawLine(l.line);
        }
        for (int k = 0; k < fndrawn; ++k) {
            const auto curve = static_cast<size_t>(fdrawn[static_cast<size_t>(k)]);
            canvas.setPen(color_ref(flinecolor[curve]));
            canvas.drawLines(flines[curve].data(), static_cast<int>(flines[curve].size()));
        }
        for (const TColoredLine& l : freferencelines) {
            canvas.setPen(QColor(l.color));
            canvas.drawLine(l.line);
        }
        canvas.restore();
        draw_legend(canvas);
    }
}

size_t TSpectrumPlot::drawn_reference_lines(size_t reference) const {
    return reference < freferencecounts.size() ? freferencecounts[reference] : 0;
}

// Every stretch between two rows that both have a level is one line.
void TSpectrumPlot::add_reference_lines() {
    freferencelines.clear();
    freferencecounts.fill(0);
    if (freferences == nullptr) {
        return;
    }
    const size_t count = std::min(freferences->size(), reference_colors.size());
    for (size_t j = 0; j < count; ++j) {
        const TReferenceCurve& r = (*freferences)[j];
        const QRgb color = color_ref(reference_colors[j]).rgb();
        const size_t before = freferencelines.size();
        for (const std::vector<double>& levels : r.levels) {
            for (size_t i = 1; i < levels.size() && i < r.frequencies.size(); ++i) {
                if (!std::isfinite(levels[i - 1]) || !std::isfinite(levels[i])) {
                    continue;
                }
                const QLine line(value_to_pixel(fxdevice, r.frequencies[i - 1]),
                                 value_to_pixel(fydevice, levels[i - 1]),
                                 value_to_pixel(fxdevice, r.frequencies[i]),
                                 value_to_pixel(fydevice, levels[i]));
                freferencelines.push_back(TColoredLine{line, color});
            }
        }
        freferencecounts[j] = freferencelines.size() - before;
    }
}

// The names of the references, top right, each in its colour.
void TSpectrumPlot::draw_legend(QPainter& painter) {
    if (freferences == nullptr || freferences->empty()) {
        return;
    }
    const QFontMetrics metrics = painter.fontMetrics();
    const int line = metrics.height();
    const size_t count = std::min(freferences->size(), reference_colors.size());
    int widest = 0;
    for (size_t j = 0; j < count; ++j) {
        widest = std::max(
            widest, metrics.horizontalAdvance(QString::fromStdString((*freferences)[j].name)));
    }
    const int left = width() - widest - 12;
    for (size_t j = 0; j < count; ++j) {
        const int top = 4 + static_cast<int>(j) * line;
        painter.setPen(color_ref(reference_colors[j]));
        painter.drawText(QRect(left, top, widest + 8, line), Qt::AlignLeft | Qt::AlignVCenter,
                         QString::fromStdString((*freferences)[j].name));
    }
}

void TSpectrumPlot::collect_background_lines() {
    fbackground.clear();
    if (fa.gridlines()) {
        add_grid_lines();
    }
    add_cursor_lines();
}

void TSpectrumPlot::compute_curves() {
    const size_t n = fa.outdb1.size();
    place_bins(n > 0 ? n / 2 + 1 : 0);
    std::array<int, ncurves> order{};
    const int count = curves_to_draw(fa, fshowcurve, order);
    fndrawn = 0;
    for (int k = 0; k < count; ++k) {
        const int curve = order[static_cast<size_t>(k)];
        if (compute_curve(curve)) {
            fdrawn[static_cast<size_t>(fndrawn++)] = curve;
        }
    }
}

// Grid and cursor lines first, the curves over them, the references on top.
void TSpectrumPlot::raster_lines() {
    const TRasterImage image{reinterpret_cast<uint32_t*>(fbmp1.bits()), fbmp1.width(),
                             fbmp1.height(), fbmp1.bytesPerLine() / 4};
    fraster.clear();
    const auto add = [this](const QLine& l, uint32_t color) {
        fraster.push_back(TRasterLine{l.x1(), l.y1(), l.x2(), l.y2(), color});
    };
    for (const TColoredLine& l : fbackground) {
        add(l.line, l.color);
    }
    for (int k = 0; k < fndrawn; ++k) {
        const auto curve = static_cast<size_t>(fdrawn[static_cast<size_t>(k)]);
        const uint32_t color = color_ref(flinecolor[curve]).rgb();
        for (const QLine& l : flines[curve]) {
            add(l, color);
        }
    }
    for (const TColoredLine& l : freferencelines) {
        add(l.line, l.color);
    }
    ftiles.draw(image, color_ref(flinecolor[0]).rgb(), fraster);
}

void TSpectrumPlot::place_bins(size_t count) {
    const AxisScale& scale = fxdevice;
    if (count == fcolumnbins && scale == fcolumnscale && fa.sampfreq == fcolumnsampfreq) {
        return;
    }
    fcolumn.resize(count);
    const double n = 2.0 * static_cast<double>(count - 1);
    for (size_t i = 0; i < count; ++i) {
        fcolumn[i] = value_to_pixel(scale, static_cast<double>(i) * fa.sampfreq / n);
    }
    // The bins fall into runs of one column each.
    fspans.clear();
    for (size_t i = 0; i < count; ++i) {
        if (i == 0 || fcolumn[i] != fcolumn[i - 1]) {
            fspans.push_back(TColumnSpan{fcolumn[i], 0});
        }
        ++fspans.back().count;
    }
    fruns.resize(fspans.size());
    fcolumnbins = count;
    fcolumnscale = scale;
    fcolumnsampfreq = fa.sampfreq;
}

// At the ticks as the axes draw them, so that each grid line meets its tick mark.
void TSpectrumPlot::add_grid_lines() {
    const QRgb color = grid_color.rgb();
    const int w = device_length(width(), fratio);
    const int h = device_length(height(), fratio);
    const AxisScale xs = fxaxis.scale();
    const AxisScale ys = fyaxis.scale();
    for (int i = 0; i < fxaxis.nTickMarks(); ++i) {
        const int x = tick_pixel_on(xs, fxdevice, fxaxis.TickMark(i), fxaxis.TickMarkPosition(i));
        fbackground.push_back(TColoredLine{QLine(x, 0, x, h), color});
    }
    for (int i = 0; i < fyaxis.nTickMarks(); ++i) {
        const int y = tick_pixel_on(ys, fydevice, fyaxis.TickMark(i), fyaxis.TickMarkPosition(i));
        fbackground.push_back(TColoredLine{QLine(0, y, w, y), color});
    }
}

void TSpectrumPlot::add_cursor_lines() {
    const int curve = fa.measurecurveno();
    const bool shown =
        curve == 0 || (curve > 0 && curve < ncurves && fshowcurve[static_cast<size_t>(curve)]);
    if (fa.components().MPCRecord1.OwnBoard() || !fa.domeasure || !shown) {
        return;
    }
    const QRgb color =
        curve == 0 ? qRgb(0, 0, 0) : color_ref(flinecolor[static_cast<size_t>(curve)]).rgb();
    const int w = device_length(width(), fratio);
    const int h = device_length(height(), fratio);
    for (double level : {fcursors.measuredownlevel, fcursors.measurelevel}) {
        const int y = value_to_pixel(fydevice, level);
        fbackground.push_back(TColoredLine{QLine(0, y, w, y), color});
    }
    for (double f : {fcursors.measuredownfreq, fcursors.measurefreq}) {
        const int x = value_to_pixel(fxdevice, f);
        fbackground.push_back(TColoredLine{QLine(x, 0, x, h), color});
    }
}

bool TSpectrumPlot::compute_curve(int curve) {
    std::vector<QLine>& lines = flines[static_cast<size_t>(curve)];
    lines.clear();
    if (fa.calibration.affects(curve)) {
        if (!calibrated_runs(curve)) {
            return false;
        }
    } else {
        TCurveQuantities quantities(fa, curve);
        if (!quantities.drawable()) {
            return false;
        }
        for (size_t k = 0; k < fspans.size(); ++k) {
            const TColumnSpan& span = fspans[k];
            static_cast<TQuantityRange&>(fruns[k]) = quantities.next_range(span.count);
            fruns[k].x = span.x;
        }
    }
    const TLevelScale scale =
        fa.calibration.affects(curve) ? TLevelScale::decibels : curve_level_scale(curve);
    if (scale != TLevelScale::decibels) {
        levels_of_runs(scale);
    }
    const TLevelRows rows{TLevelScale::decibels, fydevice};
    lines.reserve(2 * fspans.size());
    column_lines(fruns.data(), fspans.size(), rows,
                 [&lines](int x1, int y1, int x2, int y2) { lines.emplace_back(x1, y1, x2, y2); });
    return !lines.empty();
}

// The runs' quantities turned into levels all at once, one vector call for the curve
// rather than a call per quantity. Levels follow quantities monotonically and fail
// where they do, so the extremes stay extremes and the picture stays.
void TSpectrumPlot::levels_of_runs(TLevelScale scale) {
    const size_t count = fspans.size();
    fquantities.resize(4 * count);
    double* q = fquantities.data();
    for (size_t k = 0; k < count; ++k) {
        const TColumnRun& r = fruns[k];
        q[4 * k] = r.first;
        q[4 * k + 1] = r.last;
        q[4 * k + 2] = r.low;
        q[4 * k + 3] = r.high;
    }
    levels_of_quantities(scale, q, 4 * count);
    for (size_t k = 0; k < count; ++k) {
        TColumnRun& r = fruns[k];
        r.first = q[4 * k];
        r.last = q[4 * k + 1];
        r.low = q[4 * k + 2];
        r.high = q[4 * k + 3];
    }
}

// A calibrated curve's levels differ from bin to bin by more than a monotonic mapping
// of its quantities, so its columns are taken from the levels themselves.
bool TSpectrumPlot::calibrated_runs(int curve) {
    const size_t count = fcolumnbins;
    if (flevels.size() < count) {
        flevels.resize(count);
    }
    if (!shown_levels(fa, curve, count, flevels)) {
        return false;
    }
    size_t from = 0;
    for (size_t k = 0; k < fspans.size(); ++k) {
        TQuantityRange r;
        r.first = flevels[from];
        r.last = flevels[from + fspans[k].count - 1];
        r.low = std::numeric_limits<double>::infinity();
        r.high = -r.low;
        for (size_t i = from; i < from + fspans[k].count; ++i) {
            const double v = flevels[i];
            if (std::isfinite(v)) {
                r.low = std::min(r.low, v);
                r.high = std::max(r.high, v);
            } else {
                r.anybad = true;
            }
        }
        r.anygood = r.low <= r.high;
        static_cast<TQuantityRange&>(fruns[k]) = r;
        fruns[k].x = fspans[k].x;
        from += fspans[k].count;
    }
    return true;
}

void TSpectrumPlot::mousePressEvent(QMouseEvent* event) {
    if (OnMouseDown) {
        OnMouseDown(event);
    }
}

void TSpectrumPlot::mouseMoveEvent(QMouseEvent* event) {
    if (OnMouseMove) {
        OnMouseMove(event);
    }
}

} // namespace zevrin
