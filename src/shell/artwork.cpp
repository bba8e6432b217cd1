#include "shell/artwork.h"

#include "zevrin_version.h"

#include <QDir>
#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace zevrin {

namespace {

// A spectrum-like row of bars whose heights follow a falling curve with two peaks.
void draw_spectrum(QPainter& p, const QRectF& area, int bars, const QColor& low,
                   const QColor& high) {
    const double width = area.width() / bars;
    for (int i = 0; i < bars; ++i) {
        const double x = (i + 0.5) / bars;
        const double level = 0.25 + 0.5 * std::exp(-x * 1.8) +
                             0.35 * std::exp(-std::pow((x - 0.3) / 0.05, 2)) +
                             0.22 * std::exp(-std::pow((x - 0.62) / 0.04, 2));
        const double h = std::min(1.0, level) * area.height();
        QLinearGradient g(0, area.bottom(), 0, area.top());
        g.setColorAt(0, low);
        g.setColorAt(1, high);
        p.fillRect(
            QRectF(area.left() + i * width + width * 0.15, area.bottom() - h, width * 0.7, h), g);
    }
}

// A twig with leaves: the maker's family emblem.
void draw_twig(QPainter& p) {
    QPainterPath stem;
    stem.moveTo(30, 200);
    stem.cubicTo(60, 150, 70, 110, 120, 40);
    p.setPen(QPen(QColor(92, 64, 40), 5, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(stem);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 7; ++i) {
        const double t = 0.15 + i * 0.12;
        const QPointF at = stem.pointAtPercent(t);
        const double side = i % 2 == 0 ? 1.0 : -1.0;
        p.save();
        p.translate(at);
        p.rotate(-stem.angleAtPercent(t) + side * 50);
        QLinearGradient g(0, 0, 26, 0);
        g.setColorAt(0, QColor(40, 120, 40));
        g.setColorAt(1, QColor(150, 210, 80));
        p.setBrush(g);
        p.drawEllipse(QRectF(0, -6, 28, 12));
        p.restore();
    }
    p.setBrush(QColor(200, 60, 50));
    p.drawEllipse(QPointF(120, 40), 6, 6);
}

} // namespace

QImage family_picture() {
    QImage image(155, 226, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 226);
    sky.setColorAt(0, QColor(18, 32, 72));
    sky.setColorAt(1, QColor(20, 110, 120));
    p.fillRect(image.rect(), sky);
    draw_spectrum(p, QRectF(6, 150, 143, 70), 18, QColor(40, 160, 60), QColor(240, 220, 60));
    draw_twig(p);
    p.end();
    return image.convertToFormat(QImage::Format_Indexed8, Qt::DiffuseDither);
}

QIcon program_icon() {
    // The PNGs rendered from the icon that is installed for the desktop
    // (data/icons), compiled into the program so that it needs no file beside it.
    QIcon icon;
    const QDir folder(":/zevrin/icons");
    for (const QString& name : folder.entryList({"zevrin-*.png"}, QDir::Files)) {
        icon.addFile(folder.filePath(name));
    }
    return icon;
}

QImage program_logo() {
    constexpr int width = 150;
    constexpr int height = 100;
    constexpr int icon = 64;
    QImage image(width, height, QImage::Format_RGB888);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.drawPixmap((width - icon) / 2, 4, program_icon().pixmap(icon, icon));
    QFont font("DejaVu Sans");
    font.setPixelSize(20);
    font.setBold(true);
    p.setFont(font);
    p.setPen(QColor(24, 36, 60));
    p.drawText(QRect(0, icon + 6, width, height - icon - 6), Qt::AlignHCenter | Qt::AlignTop,
               product_name);
    p.end();
    return image;
}

} // namespace zevrin
