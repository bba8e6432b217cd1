#include "display/waveform_panel.h"

#include "display/color_ref.h"
#include "display/column_reducer.h"
#include "display/device_pixels.h"
#include "display/line_raster.h"
#include "dsp/numeric.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace zevrin {

namespace {

// Sample values to rows: `top` at row 0, `bottom` at row `height`.
struct TSampleRows {
    double top;
    double bottom;
    int height;
    bool failed(double v) const { return !std::isfinite(v); }
    int failed_row() const { return 0; }
    int row(double v) const {
        return static_cast<int>(round_even((top - v) / (top - bottom) * height));
    }
};

} // namespace

TWaveformPanel::TWaveformPanel(const TAnalyser& analyser,
                               const std::array<uint32_t, ncurves>& linecolor, QWidget* parent)
    : QWidget(parent), fa(analyser), flinecolor(linecolor) {}

void TWaveformPanel::size_bitmap() {
    const qreal ratio = devicePixelRatioF();
    if (fbmp2.size() != device_size(size(), ratio) || fbmp2.devicePixelRatio() != ratio) {
        fbmp2 = QImage(device_size(size(), ratio), QImage::Format_RGB32);
        fbmp2.setDevicePixelRatio(ratio);
    }
}

void TWaveformPanel::paintEvent(QPaintEvent* /*event*/) {
    QPainter canvas(this);
    PaintBox2Paint(canvas);
}

void TWaveformPanel::PaintBox2Paint(QPainter& canvas) {
    if (!fa.showwave) {
        return;
    }
    size_bitmap();
    frange = wave_range(fa);
    fwavegain = frange.wavegain;
    fbmp2.fill(color_ref(flinecolor[0]));
    draw_traces();
    draw_gain_text();
    canvas.drawImage(0, 0, fbmp2);
}

void TWaveformPanel::draw_traces() {
    const bool dual = fa.dualchannels;
    if (fa.freeze()) {
        draw_trace(fa.inre1a, dual ? 5 : 4);
        if (dual) {
            draw_trace(fa.inre2a, 6);
        }
    }
    draw_trace(fa.inre1, dual ? 2 : 1);
    if (dual) {
        draw_trace(fa.inre2, 3);
    }
}

void TWaveformPanel::draw_trace(const tdoublearr& samples, int curve) {
    if (samples.empty()) {
        return;
    }
    // In device pixels, as the image is.
    const TSampleRows rows{static_cast<double>(frange.top), static_cast<double>(frange.bottom),
                           fbmp2.height()};
    const TRasterImage image{reinterpret_cast<uint32_t*>(fbmp2.bits()), fbmp2.width(),
                             fbmp2.height(), fbmp2.bytesPerLine() / 4};
    const uint32_t color = color_ref(flinecolor[static_cast<size_t>(curve)]).rgb();
    // The columns rise from 0 to the width: at most one run per column.
    const size_t most = std::min(samples.size(), static_cast<size_t>(fbmp2.width()) + 1);
    fruns.resize(std::max(fruns.size(), most));
    const double k = static_cast<double>(samples.size() - 1);
    const double w = fbmp2.width();
    const auto column = [k, w](size_t i) {
        return static_cast<int>(round_even(k > 0.0 ? static_cast<double>(i) / k * w : 0.0));
    };
    // A run ends about where the mapping reaches the next column's half; that guess is
    // corrected by the mapping itself, so a run costs a few mappings however long it is.
    const size_t n = samples.size();
    const double per_column = w > 0.0 ? k / w : 0.0;
    size_t runs = 0;
    for (size_t begin = 0; begin < n;) {
        const int x = column(begin);
        const double guess = std::ceil((x + 0.5) * per_column);
        size_t end = guess > static_cast<double>(begin + 1)
                         ? static_cast<size_t>(std::min(guess, static_cast<double>(n)))
                         : begin + 1;
        while (end > begin + 1 && column(end - 1) != x) {
            --end;
        }
        while (end < n && column(end) == x) {
            ++end;
        }
        fruns[runs++] = reduce_run(rows, x, samples.data() + begin, end - begin);
        begin = end;
    }
    column_lines(fruns.data(), runs, rows, [&image, color](int x1, int y1, int x2, int y2) {
        draw_line(image, x1, y1, x2, y2, color);
    });
}

// Laying out and drawing a text costs more than all the traces. The gain follows the
// signal's peak and so takes a handful of values over and over: the labels last drawn
// are kept, and one is drawn anew only for a new text, colour, font or resolution.
void TWaveformPanel::draw_gain_text() {
    const QRgb background = color_ref(flinecolor[0]).rgb();
    const QFont font;
    if (background != flabelbackground || font != flabelfont ||
        flabelratio != fbmp2.devicePixelRatio()) {
        flabels.clear();
        flabelbackground = background;
        flabelfont = font;
        flabelratio = fbmp2.devicePixelRatio();
    }
    const std::string text = gain_text(fwavegain);
    auto label = std::find_if(flabels.begin(), flabels.end(),
                              [&text](const TLabel& l) { return l.text == text; });
    if (label == flabels.end()) {
        if (flabels.size() == kept_labels) {
            flabels.erase(flabels.begin()); // the oldest
        }
        flabels.push_back({text, render_label(QString::fromStdString(text))});
        label = flabels.end() - 1;
    }
    const QImage& image = label->image;
    const int rows = std::min(image.height(), fbmp2.height());
    const auto bytes = static_cast<size_t>(std::min(image.width(), fbmp2.width())) * 4;
    for (int y = 0; y < rows; ++y) {
        std::memcpy(fbmp2.scanLine(y), image.constScanLine(y), bytes);
    }
}

// The label on its background, as wide as the text and 2 pixels more.
QImage TWaveformPanel::render_label(const QString& text) const {
    const QFontMetrics metrics(flabelfont, &fbmp2);
    const QSize size(metrics.horizontalAdvance(text) + 2, metrics.height());
    QImage label(device_size(size, flabelratio), QImage::Format_RGB32);
    label.setDevicePixelRatio(flabelratio);
    label.fill(flabelbackground);
    QPainter p(&label);
    p.setFont(flabelfont);
    // Legible on any background colour the user may choose.
    p.setPen(QColor(flabelbackground).lightness() < 128 ? Qt::white : Qt::black);
    p.drawText(0, metrics.ascent(), text);
    return label;
}

} // namespace zevrin
