#include "output/copy_image.h"

#include "display/axis.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

namespace zevrin {

std::vector<AxisTick> shown_ticks(const TAxis& axis) {
    std::vector<AxisTick> ticks;
    for (int i = 0; i < axis.nTickMarks(); ++i) {
        ticks.push_back({axis.TickMark(i), axis.TickMarkPosition(i), axis.TickMarkText(i)});
    }
    const QFontMetrics metrics(axis.Font(), &axis);
    const TextMeasure measure = [&metrics](const std::string& text) {
        return TextExtent{metrics.horizontalAdvance(QString::fromStdString(text)),
                          metrics.height()};
    };
    AxisPicture shown;
    plan_axis_picture(
        {axis.Position(), axis.Width(), axis.Height(), axis.TickMarkSize(), axis.AxisText()}, ticks,
        measure, shown);
    std::vector<bool> labelled(ticks.size(), false);
    for (const PlacedLabel& label : shown.labels) {
        labelled[static_cast<size_t>(label.tick)] = true;
    }
    for (size_t i = 0; i < ticks.size(); ++i) {
        if (!labelled[i]) {
            ticks[i].text.clear();
        }
    }
    return ticks;
}

TextMeasure screen_text_measure(const QFont& font) {
    const QFontMetrics metrics(font);
    return [metrics](const std::string& text) {
        return TextExtent{metrics.horizontalAdvance(QString::fromStdString(text)),
                          metrics.height()};
    };
}

namespace {

void framed_pixels(QPainter& p, const TPageRect& r, const QImage& pixels) {
    const QRect target(r.left, r.top, r.right - r.left, r.bottom - r.top);
    p.drawImage(target, pixels);
    // One pixel wide on the outermost pixels, over a clear brush.
    p.drawRect(target.adjusted(0, 0, -1, -1));
}

} // namespace

QImage compose_copy_image(const TCopyImagePlan& plan, const QImage& wave, const QImage& plot,
                          const QFont& font) {
    QImage image(std::max(1, plan.width), std::max(1, plan.height), QImage::Format_RGB32);
    image.fill(Qt::white);
    // Texts are measured for the screen; the image must draw them at the same size.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const int dpm = qRound(screen->logicalDotsPerInch() / 0.0254);
        image.setDotsPerMeterX(dpm);
        image.setDotsPerMeterY(dpm);
    }
    QPainter p(&image);
    p.setFont(font);
    p.setPen(QPen(Qt::black, 0));
    p.setBrush(Qt::NoBrush);
    const int ascent = QFontMetrics(font).ascent();
    const auto text = [&](const TPageText& t) {
        p.drawText(t.x, t.y + ascent, QString::fromStdString(t.text));
    };
    text(plan.heading);
    if (plan.wave) {
        framed_pixels(p, plan.waverect, wave);
    }
    framed_pixels(p, plan.plotrect, plot);
    for (const TPageLine& l : plan.ticks) {
        p.drawLine(l.from.x, l.from.y, l.to.x, l.to.y);
    }
    for (const TPageText& t : plan.labels) {
        text(t);
    }
    return image;
}

} // namespace zevrin
