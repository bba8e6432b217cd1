#include "display/spectrum_plot.h"

#include "display/color_ref.h"
#include "display/column_reducer.h"
#include "display/line_raster.h"
#include "dsp/vector_isa.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

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
    if (fbmp1.size() != size()) {
        fbmp1 = QImage(size(), QImage::Format_RGB32);
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
    if (fa.bltplot) {
        size_bitmap();
        {
            QPainter p(&fbmp1);
            draw_background(p);
        }
        compute_curves();
        raster_curves();
        canvas.drawImage(0, 0, fbmp1);
    } else {
        draw_background(canvas);
        compute_curves();
        for (int k = 0; k < fndrawn; ++k) {
            const auto curve = static_cast<size_t>(fdrawn[static_cast<size_t>(k)]);
            canvas.setPen(color_ref(flinecolor[curve]));
            canvas.drawLines(flines[curve].data(), static_cast<int>(flines[curve].size()));
        }
    }
}

void TSpectrumPlot::draw_background(QPainter& p) {
    p.fillRect(rect(), color_ref(flinecolor[0]));
    if (fa.gridlines()) {
        draw_grid(p);
    }
    draw_cursor_lines(p);
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

void TSpectrumPlot::raster_curves() {
    const TRasterImage image{reinterpret_cast<uint32_t*>(fbmp1.bits()), fbmp1.width(),
                             fbmp1.height(), fbmp1.bytesPerLine() / 4};
    for (int k = 0; k < fndrawn; ++k) {
        const auto curve = static_cast<size_t>(fdrawn[static_cast<size_t>(k)]);
        const uint32_t color = color_ref(flinecolor[curve]).rgb();
        for (const QLine& l : flines[curve]) {
            draw_line(image, l.x1(), l.y1(), l.x2(), l.y2(), color);
        }
    }
}

void TSpectrumPlot::place_bins(size_t count) {
    const AxisScale scale = fxaxis.scale();
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

void TSpectrumPlot::draw_grid(QPainter& p) {
    p.setPen(grid_color);
    const int w = width();
    const int h = height();
    for (int i = 0; i < fxaxis.nTickMarks(); ++i) {
        const int x = fxaxis.TickMarkPosition(i);
        p.drawLine(x, 0, x, h);
    }
    for (int i = 0; i < fyaxis.nTickMarks(); ++i) {
        const int y = fyaxis.TickMarkPosition(i);
        p.drawLine(0, y, w, y);
    }
}

void TSpectrumPlot::draw_cursor_lines(QPainter& p) {
    const int curve = fa.measurecurveno();
    const bool shown =
        curve == 0 || (curve > 0 && curve < ncurves && fshowcurve[static_cast<size_t>(curve)]);
    if (fa.components().MPCRecord1.OwnBoard() || !fa.domeasure || !shown) {
        return;
    }
    p.setPen(curve == 0 ? QColor(Qt::black) : color_ref(flinecolor[static_cast<size_t>(curve)]));
    const int w = width();
    const int h = height();
    for (double level : {fcursors.measuredownlevel, fcursors.measurelevel}) {
        const int y = fyaxis.value_to_pixel(level);
        p.drawLine(0, y, w, y);
    }
    for (double f : {fcursors.measuredownfreq, fcursors.measurefreq}) {
        const int x = fxaxis.value_to_pixel(f);
        p.drawLine(x, 0, x, h);
    }
}

bool TSpectrumPlot::compute_curve(int curve) {
    std::vector<QLine>& lines = flines[static_cast<size_t>(curve)];
    lines.clear();
    TCurveQuantities quantities(fa, curve);
    if (!quantities.drawable()) {
        return false;
    }
    const TLevelRows rows{quantities.scale(), fyaxis.scale()};
    for (size_t k = 0; k < fspans.size(); ++k) {
        const TColumnSpan& span = fspans[k];
        static_cast<TQuantityRange&>(fruns[k]) = quantities.next_range(span.count);
        fruns[k].x = span.x;
    }
    lines.reserve(2 * fspans.size());
    column_lines(fruns.data(), fspans.size(), rows,
                 [&lines](int x1, int y1, int x2, int y2) { lines.emplace_back(x1, y1, x2, y2); });
    return !lines.empty();
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
