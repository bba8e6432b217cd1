#include "display/axis_cursors.h"

#include "display/axis_drag.h"

#include <QCoreApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPointer>
#include <QTransform>

#include <map>

namespace zevrin {

namespace {

constexpr int cursor_size = 32;
constexpr int hot_spot = 15;

// The cursors of one application; a child of it, so that its pixmaps end with it.
class CursorRegistry : public QObject {
public:
    using QObject::QObject;
    std::map<int, QCursor> cursors;
};

QPointer<CursorRegistry> g_registry;

void add_arrow_head(QPainterPath& path, double tip_y, double base_y) {
    QPolygonF head;
    head << QPointF(15.5, tip_y) << QPointF(9.5, base_y) << QPointF(21.5, base_y);
    path.addPolygon(head);
    path.closeSubpath();
}

// A vertical double arrow from y0 to y1, tips included.
void add_double_arrow(QPainterPath& path, double y0, double y1) {
    add_arrow_head(path, y0, y0 + 6.0);
    add_arrow_head(path, y1, y1 - 6.0);
    path.addRect(QRectF(14.0, y0 + 5.0, 3.0, y1 - y0 - 10.0));
}

void add_bar(QPainterPath& path, double y) {
    path.addRect(QRectF(8.0, y, 15.0, 3.0));
}

QImage draw_shape(const QPainterPath& shape) {
    QImage image(cursor_size, cursor_size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    // A white rim keeps the black shape visible on dark and light backgrounds alike.
    p.strokePath(shape, QPen(Qt::white, 3.0, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.fillPath(shape, Qt::black);
    return image;
}

// The upper end moves: a double arrow above a bar that stays.
QImage upper_end_image() {
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    add_double_arrow(path, 1.0, 19.0);
    add_bar(path, 25.0);
    return draw_shape(path);
}

// Both ends move together: a double arrow across the range between two bars.
QImage whole_range_image() {
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    add_double_arrow(path, 1.0, 30.0);
    add_bar(path, 8.0);
    add_bar(path, 20.0);
    return draw_shape(path);
}

QImage vertical_image(int number) {
    switch (number) {
    case crVUpper:
        return upper_end_image();
    case crVLower:
        return upper_end_image().mirrored(false, true);
    case crVMiddle:
        return whole_range_image();
    default:
        return {};
    }
}

} // namespace

QImage axis_cursor_image(int number) {
    if (number >= crHUpper && number <= crHMiddle) {
        // A quarter turn clockwise brings the upper end to the right, where a
        // horizontal axis has its high end.
        return vertical_image(number - crHUpper + crVUpper).transformed(QTransform().rotate(90));
    }
    return vertical_image(number);
}

void register_axis_cursors() {
    if (g_registry != nullptr || QCoreApplication::instance() == nullptr) {
        return;
    }
    g_registry = new CursorRegistry(QCoreApplication::instance());
    for (int number = crVUpper; number <= crHMiddle; ++number) {
        g_registry->cursors.emplace(
            number, QCursor(QPixmap::fromImage(axis_cursor_image(number)), hot_spot, hot_spot));
    }
}

QCursor screen_cursor(int number) {
    if (g_registry != nullptr) {
        const auto it = g_registry->cursors.find(number);
        if (it != g_registry->cursors.end()) {
            return it->second;
        }
    }
    return QCursor(Qt::ArrowCursor);
}

} // namespace zevrin
