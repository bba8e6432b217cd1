#pragma once
// Drawing at the screen's own resolution. With a scale factor above 1 (a high-density
// screen, or QT_SCALE_FACTOR) a logical pixel of a widget covers several device
// pixels. The axes and plots draw their text in logical pixels, which Qt renders
// sharply, and their lines one device pixel wide at the positions their scales give
// over the device pixels; at a factor of 1 the two are the same.

#include <QPainter>
#include <QSize>

namespace zevrin {

/// The size in device pixels of `logical` at `ratio`, rounded as Qt sizes a widget's
/// backing store.
inline QSize device_size(QSize logical, qreal ratio) {
    return logical * ratio;
}

/// A length of `logical` pixels in device pixels.
inline int device_length(int logical, qreal ratio) {
    return qRound(logical * ratio);
}

/// Makes `p`, which paints on a device of `ratio` device pixels per logical pixel, take
/// its coordinates in device pixels: a pen of width 1 then draws one device pixel wide.
inline void draw_in_device_pixels(QPainter& p, qreal ratio) {
    p.setWorldTransform(QTransform::fromScale(1.0 / ratio, 1.0 / ratio), true);
}

} // namespace zevrin
