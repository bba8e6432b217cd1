#pragma once
// A paint device that keeps the drawing commands a painter sends it (lines, rectangles,
// polylines, texts, images) with the pen of each, instead of pixels: tests check what
// was drawn where, with which pen, at any resolution. Only the integer forms are kept:
// a drawing in floating-point coordinates would go missing and fail the test.

#include <QPaintDevice>
#include <QPaintEngine>
#include <QPen>
#include <QPoint>
#include <QRect>
#include <QString>

#include <memory>
#include <vector>

namespace zevrin::test {

struct TDrawn {
    enum class Kind { line, rect, polyline, text, image };
    Kind kind = Kind::line;
    QPen pen;
    std::vector<QPoint> points; ///< a line's two ends, a polyline's points
    QRect rect;                 ///< a rectangle or an image's target
    QString text;
    QPoint at; ///< a text's baseline start
};

class TRecordingEngine : public QPaintEngine {
public:
    TRecordingEngine() : QPaintEngine(QPaintEngine::AllFeatures) {}
    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState& state) override {
        if (state.state() & QPaintEngine::DirtyPen) {
            fpen = state.pen();
        }
    }
    void drawLines(const QLine* lines, int count) override {
        for (int i = 0; i < count; ++i) {
            add(TDrawn::Kind::line, {lines[i].p1(), lines[i].p2()});
        }
    }
    void drawRects(const QRect* rects, int count) override {
        for (int i = 0; i < count; ++i) {
            add(TDrawn::Kind::rect, {}).rect = rects[i];
        }
    }
    void drawPolygon(const QPoint* points, int count, PolygonDrawMode) override {
        add(TDrawn::Kind::polyline, std::vector<QPoint>(points, points + count));
    }
    void drawTextItem(const QPointF& at, const QTextItem& item) override {
        TDrawn& d = add(TDrawn::Kind::text, {});
        d.text = item.text();
        d.at = at.toPoint();
    }
    void drawPixmap(const QRectF& r, const QPixmap&, const QRectF&) override {
        add(TDrawn::Kind::image, {}).rect = r.toRect();
    }
    void drawImage(const QRectF& r, const QImage&, const QRectF&,
                   Qt::ImageConversionFlags) override {
        add(TDrawn::Kind::image, {}).rect = r.toRect();
    }
    Type type() const override { return QPaintEngine::User; }

    std::vector<TDrawn> drawn;

private:
    TDrawn& add(TDrawn::Kind kind, std::vector<QPoint> points) {
        drawn.push_back(TDrawn{kind, fpen, std::move(points), {}, {}, {}});
        return drawn.back();
    }
    QPen fpen;
};

/// A page of `width` by `height` device units at `dpi`.
class TRecordingDevice : public QPaintDevice {
public:
    TRecordingDevice(int width, int height, int dpi)
        : fwidth(width), fheight(height), fdpi(dpi), fengine(std::make_unique<TRecordingEngine>()) {
    }
    QPaintEngine* paintEngine() const override { return fengine.get(); }
    const std::vector<TDrawn>& drawn() const { return fengine->drawn; }

protected:
    int metric(PaintDeviceMetric m) const override {
        switch (m) {
        case PdmWidth:
            return fwidth;
        case PdmHeight:
            return fheight;
        case PdmWidthMM:
            return fwidth * 254 / (10 * fdpi);
        case PdmHeightMM:
            return fheight * 254 / (10 * fdpi);
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY:
            return fdpi;
        case PdmDepth:
            return 32;
        case PdmNumColors:
            return 1 << 24;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return static_cast<int>(QPaintDevice::devicePixelRatioFScale());
        }
        return 0;
    }

private:
    int fwidth;
    int fheight;
    int fdpi;
    std::unique_ptr<TRecordingEngine> fengine;
};

} // namespace zevrin::test
