#include "display/axis.h"

#include "display/axis_cursors.h"
#include "display/axis_error.h"
#include "display/axis_font.h"
#include "display/device_pixels.h"
#include "dsp/text.h"

#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace zevrin {

namespace {

std::string refused_value(const char* name, double value) {
    return std::string(name) + "=" + general_text(value, decimal_separator()) +
           ", must be >0 for log scale!";
}

// Clears the axis's notification flag when the handler returns or raises.
class NotificationScope {
public:
    explicit NotificationScope(bool& flag) : flag_(flag) { flag_ = true; }
    ~NotificationScope() { flag_ = false; }
    NotificationScope(const NotificationScope&) = delete;
    NotificationScope& operator=(const NotificationScope&) = delete;

private:
    bool& flag_;
};

} // namespace

TAxis::TAxis(QWidget* parent)
    : QWidget(parent), ffont(default_axis_font()),
      AxisLimitForm_(std::make_unique<TAxisLimitForm>()) {
    register_axis_cursors();
    // Cursors follow the pointer before any button goes down.
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    fbackgroundcolor = palette().color(QPalette::Button);
    resize(200, 200);
}

TAxis::~TAxis() = default;

void TAxis::set_Width(int value) {
    resize(value, height());
}

void TAxis::set_Height(int value) {
    resize(width(), value);
}

// ---- values and limits ------------------------------------------------------------

AxisLimits TAxis::limits_in_force() const {
    AxisLimits limits = flimits;
    if (flogarithmic) {
        limits.min_lo = std::max(limits.min_lo, lowest_log_value);
        limits.min_hi = std::max(limits.min_hi, lowest_log_value);
    }
    return limits;
}

double TAxis::LoValue() const {
    return clamped_lo(flovalue, limits_in_force(), fisinteger);
}

double TAxis::HiValue() const {
    return clamped_hi(flovalue, fhivalue, limits_in_force(), fisinteger);
}

void TAxis::store_lovalue(double value) {
    if (value == flovalue) {
        return;
    }
    mark_ticks_dirty();
    flovalue = value;
    invalidate();
    if (flogarithmic && !(value > 0.0)) {
        throw EAxisError(refused_value("LoValue", value));
    }
    keep_marker_in_range();
}

void TAxis::store_hivalue(double value) {
    if (value == fhivalue) {
        return;
    }
    mark_ticks_dirty();
    fhivalue = value;
    invalidate();
    if (flogarithmic && !(value > 0.0)) {
        throw EAxisError(refused_value("HiValue", value));
    }
    keep_marker_in_range();
}

void TAxis::keep_marker_in_range() {
    if (LoValue() > fmarkervalue) {
        set_MarkerValue(LoValue());
    }
    if (HiValue() < fmarkervalue) {
        set_MarkerValue(HiValue());
    }
}

void TAxis::set_LoValue(double value) {
    const double before = LoValue();
    mark_ticks_dirty();
    store_lovalue(value);
    if (before != value) {
        notify_scale_changed();
    }
    invalidate();
}

void TAxis::set_HiValue(double value) {
    const double before = HiValue();
    mark_ticks_dirty();
    store_hivalue(value);
    if (before != value) {
        notify_scale_changed();
    }
    invalidate();
}

void TAxis::set_hilovalues(double lo, double hi) {
    mark_ticks_dirty();
    const bool changed = LoValue() != lo || HiValue() != hi;
    store_lovalue(lo);
    store_hivalue(hi);
    if (changed) {
        notify_scale_changed();
    }
    invalidate();
}

void TAxis::set_MinLoValue(double value) {
    flimits.min_lo = value;
    mark_ticks_dirty();
    invalidate();
    if (flovalue < value) {
        set_LoValue(value);
    }
}

void TAxis::set_MaxLoValue(double value) {
    flimits.max_lo = value;
    mark_ticks_dirty();
    invalidate();
    if (flovalue > value) {
        set_LoValue(value);
    }
}

void TAxis::set_MinHiValue(double value) {
    flimits.min_hi = value;
    mark_ticks_dirty();
    invalidate();
    if (fhivalue < value) {
        set_HiValue(value);
    }
}

void TAxis::set_MaxHiValue(double value) {
    flimits.max_hi = value;
    mark_ticks_dirty();
    invalidate();
    if (fhivalue > value) {
        set_HiValue(value);
    }
}

void TAxis::set_MinValueDifference(double value) {
    flimits.min_difference = value;
    mark_ticks_dirty();
    invalidate();
    if (fhivalue - flovalue < value) {
        set_HiValue(LoValue() + value);
    }
}

void TAxis::set_MaxValueDifference(double value) {
    flimits.max_difference = value;
    mark_ticks_dirty();
    invalidate();
    if (fhivalue - flovalue > value) {
        set_HiValue(LoValue() + value);
    }
}

// ---- notifications ------------------------------------------------------------------

void TAxis::notify(const ScaleEvent& event) {
    if (event) {
        NotificationScope scope(scalechangecalled);
        event(this);
    }
}

void TAxis::notify_scale_changed() {
    if (!scalechangecalled) {
        notify(OnScaleChanged);
    }
}

// ---- appearance ---------------------------------------------------------------------

void TAxis::set_Position(tposition value) {
    if (scalechangecalled) {
        return;
    }
    fposition = value;
    mark_ticks_dirty();
    invalidate();
}

void TAxis::set_Logarithmic(bool value) {
    if (value) {
        if (!(flovalue > 0.0)) {
            throw EAxisError(refused_value("LoValue", flovalue));
        }
        if (!(fhivalue > 0.0)) {
            throw EAxisError(refused_value("HiValue", fhivalue));
        }
    }
    flogarithmic = value;
    mark_ticks_dirty();
    invalidate();
}

void TAxis::set_MusicScale(bool value) {
    fMusicScale = value;
    mark_ticks_dirty();
    invalidate();
}

void TAxis::set_Font(const QFont& value) {
    ffont = value;
    mark_ticks_dirty();
    apply_autosize();
    invalidate();
}

void TAxis::set_ShowTickmarks(bool value) {
    fshowtickmarks = value;
    apply_autosize();
    invalidate();
}

void TAxis::set_BackgroundColor(const QColor& value) {
    fbackgroundcolor = value;
    invalidate();
}

void TAxis::set_TickMarkSize(int value) {
    ftickmarksize = value;
    apply_autosize();
    invalidate();
}

void TAxis::set_TickSpaceAim(int value) {
    ftickspaceaim = value;
    mark_ticks_dirty();
    invalidate();
}

void TAxis::set_AxisText(const std::string& value) {
    faxistext = value;
    mark_ticks_dirty();
    const QString text = QString::fromStdString(value);
    AxisLimitForm_->Label1()->setText("High value " + text);
    AxisLimitForm_->Label1()->adjustSize();
    AxisLimitForm_->Label2()->setText("Low value " + text);
    AxisLimitForm_->Label2()->adjustSize();
    invalidate();
}

void TAxis::set_Reverse(bool value) {
    freverse = value;
    mark_ticks_dirty();
    invalidate();
}

void TAxis::set_IsInteger(bool value) {
    fisinteger = value;
    mark_ticks_dirty();
    invalidate();
}

void TAxis::set_Autosize(bool value) {
    fautosize = value;
    apply_autosize();
    invalidate();
}

void TAxis::apply_autosize() {
    if (fautosize) {
        const TextMeasure measure = text_measure();
        if (vertical()) {
            resize(measure("12345").width + ftickmarksize, height());
        } else {
            resize(width(), measure("Aj").height * 4 / 3 + ftickmarksize);
        }
    }
    mark_ticks_dirty();
}

bool TAxis::Visible() const {
    return !isHidden() || !testAttribute(Qt::WA_WState_ExplicitShowHide);
}

// ---- marker -------------------------------------------------------------------------

void TAxis::set_MarkerVisible(bool value) {
    fmarkervisible = value;
    invalidate();
}

void TAxis::set_MarkerValue(double value) {
    if (scalechangecalled || !Visible()) {
        return;
    }
    if (markerisdrawn) {
        draw_marker_line(markerdrawnpixel);
        markerisdrawn = false;
    }
    fmarkervalue = value;
    if (fmarkervisible && !markerisdrawn) {
        markerdrawnpixel = zevrin::value_to_pixel(device_scale(), value);
        draw_marker_line(markerdrawnpixel);
        markerisdrawn = true;
    }
    update();
}

int TAxis::MarkerPixel() const {
    return value_to_pixel(fmarkervalue);
}

void TAxis::set_MarkerPixel(int value) {
    set_MarkerValue(pixel_to_value(value));
}

// An inverting line one device pixel wide: drawn twice, the pixels are as before.
void TAxis::draw_marker_line(int pixel) {
    if (canvas.isNull()) {
        return;
    }
    QPainter p(&canvas);
    draw_in_device_pixels(p, canvas.devicePixelRatio());
    p.setCompositionMode(QPainter::CompositionMode_Difference);
    const QRect line =
        vertical() ? QRect(0, pixel, canvas.width(), 1) : QRect(pixel, 0, 1, canvas.height());
    p.fillRect(line, Qt::white);
}

// ---- ticks and mappings -------------------------------------------------------------

AxisScale TAxis::scale() const {
    return AxisScale{LoValue(), HiValue(), extent(), vertical(), freverse, flogarithmic};
}

AxisScale TAxis::device_scale() const {
    return with_extent(scale(), device_length(extent(), devicePixelRatioF()));
}

TextMeasure TAxis::text_measure() const {
    const QFontMetrics metrics(ffont, this);
    return [metrics](const std::string& text) {
        return TextExtent{metrics.horizontalAdvance(QString::fromStdString(text)),
                          metrics.height()};
    };
}

TickLayoutInput TAxis::tick_layout_input() const {
    return TickLayoutInput{scale(), flovalue, fhivalue, fMusicScale, ftickspaceaim};
}

void TAxis::compute_ticks() const {
    ticksdirty = false;
    tickinput = tick_layout_input();
    ftickmarks.compute(tickinput, text_measure());
}

void TAxis::ensure_ticks() const {
    // A hidden widget hears of its new size only when shown; compare instead.
    if (ticksdirty || !(tickinput == tick_layout_input())) {
        compute_ticks();
    }
}

int TAxis::nTickMarks() const {
    ensure_ticks();
    return static_cast<int>(ftickmarks.ticks().size());
}

const AxisTick& TAxis::tick_at(int i) const {
    if (i < 0 || i >= nTickMarks()) {
        throw EAxisError("Tickmark index out of range:" + std::to_string(i));
    }
    return ftickmarks.ticks()[static_cast<std::size_t>(i)];
}

double TAxis::TickMark(int i) const {
    return tick_at(i).value;
}

std::string TAxis::TickMarkText(int i) const {
    return tick_at(i).text;
}

int TAxis::TickMarkPosition(int i) const {
    return tick_at(i).position;
}

double TAxis::value_to_position(double v) const {
    return zevrin::value_to_position(scale(), v);
}

double TAxis::value_to_notclipped_position(double v) const {
    return zevrin::value_to_notclipped_position(scale(), v);
}

int TAxis::value_to_pixel(double v) const {
    return zevrin::value_to_pixel(scale(), v);
}

int TAxis::value_to_notclippedpixel(double v) const {
    return zevrin::value_to_notclippedpixel(scale(), v);
}

double TAxis::pixel_to_value(int p) const {
    return zevrin::pixel_to_value(scale(), p);
}

// ---- painting -----------------------------------------------------------------------

void TAxis::invalidate() {
    canvasdirty = true;
    update();
}

void TAxis::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    invalidate();
}

void TAxis::paintEvent(QPaintEvent* event) {
    const qreal ratio = devicePixelRatioF();
    if (canvasdirty || canvas.size() != device_size(size(), ratio)) {
        render();
    }
    QPainter p(this);
    p.drawImage(event->rect(), canvas,
                QRectF(event->rect().topLeft() * ratio, QSizeF(event->rect().size()) * ratio));
}

void TAxis::render() {
    canvasdirty = false;
    compute_ticks();
    const AxisPictureInput in{fposition, width(), height(), ftickmarksize, faxistext};
    plan_axis_picture(in, ftickmarks.ticks(), text_measure(), picture);
    size_canvas();
    {
        QPainter p(&canvas);
        paint_picture(p);
    }
    markerisdrawn = false;
    if (fmarkervisible && !markerisdrawn) {
        markerdrawnpixel = zevrin::value_to_pixel(device_scale(), fmarkervalue);
        draw_marker_line(markerdrawnpixel);
        markerisdrawn = true;
    }
}

void TAxis::size_canvas() {
    const qreal ratio = devicePixelRatioF();
    if (canvas.size() != device_size(size(), ratio)) {
        canvas = QImage(device_size(size(), ratio), QImage::Format_RGB32);
        canvas.setDevicePixelRatio(ratio);
        // Text is measured for the widget; the image must draw it at the same size.
        canvas.setDotsPerMeterX(qRound(logicalDpiX() / 0.0254));
        canvas.setDotsPerMeterY(qRound(logicalDpiY() / 0.0254));
    }
}

void TAxis::paint_axis(QPainter& p) {
    compute_ticks();
    const AxisPictureInput in{fposition, width(), height(), ftickmarksize, faxistext};
    plan_axis_picture(in, ftickmarks.ticks(), text_measure(), picture);
    paint_picture(p);
}

void TAxis::paint_picture(QPainter& p) {
    p.fillRect(rect(), fbackgroundcolor);
    const QColor ink = palette().color(QPalette::ButtonText);
    draw_tick_lines(p, ink);
    p.setFont(ffont);
    p.setPen(ink);
    const QFontMetrics metrics(ffont, this);
    const auto draw_text = [&](int x, int y, const std::string& text) {
        p.drawText(x, y + metrics.ascent(), QString::fromStdString(text));
    };
    if (picture.caption_shown) {
        draw_text(picture.caption_x, picture.caption_y, faxistext);
    }
    for (const PlacedLabel& label : picture.labels) {
        draw_text(label.x, label.y, ftickmarks.ticks()[static_cast<std::size_t>(label.tick)].text);
    }
}

// Each tick line one device pixel wide, where the tick's value lies on the device
// pixels, so that it meets the plot's grid line; as long as the picture says.
void TAxis::draw_tick_lines(QPainter& p, const QColor& ink) {
    const qreal ratio = p.device()->devicePixelRatioF();
    const AxisScale& logical = tickinput.scale;
    const AxisScale device = with_extent(logical, device_length(logical.extent, ratio));
    const std::vector<AxisTick>& ticks = ftickmarks.ticks();
    p.save();
    draw_in_device_pixels(p, ratio);
    for (std::size_t i = 0; i < picture.tick_lines.size(); ++i) {
        const PixelRect& r = picture.tick_lines[i];
        const int along = tick_pixel_on(logical, device, ticks[i].value, ticks[i].position);
        const QRect line =
            vertical() ? QRect(device_length(r.x, ratio), along, device_length(r.width, ratio), 1)
                       : QRect(along, device_length(r.y, ratio), 1, device_length(r.height, ratio));
        p.fillRect(line, ink);
    }
    p.restore();
}

// ---- mouse --------------------------------------------------------------------------

DragPermissions TAxis::permissions() const {
    return DragPermissions{fallowloscroll, fallowhiscroll, fallowmidscroll};
}

int TAxis::pointer_position(const QMouseEvent* event) const {
    const QPoint p = event->position().toPoint();
    return vertical() ? p.y() : p.x();
}

void TAxis::show_cursor(int number) {
    if (number == fcursor) {
        return;
    }
    fcursor = number;
    if (number == crDefault) {
        unsetCursor();
    } else {
        setCursor(screen_cursor(number));
    }
}

void TAxis::mousePressEvent(QMouseEvent* event) {
    downpos = clamp_press_position(pointer_position(event), extent());
    mousescroll = press_mode(vertical(), downpos, extent(), permissions());
    downhivalue = HiValue();
    downlovalue = LoValue();
    if (OnMouseDown) {
        OnMouseDown(this, event);
    }
}

// A value the scale refuses (a non-positive one on a logarithmic axis) leaves the
// value that was stored before, so that a drag can never break the scale.
void TAxis::store_or_keep(double value, double& field, void (TAxis::*store)(double)) {
    const double before = field;
    try {
        (this->*store)(value);
    } catch (const EAxisError&) {
        field = before;
        mark_ticks_dirty();
        invalidate();
    }
}

void TAxis::mouseMoveEvent(QMouseEvent* event) {
    const int pos = pointer_position(event);
    if (event->buttons() & Qt::LeftButton) {
        const DragStart start{mousescroll, downpos, downlovalue, downhivalue};
        const DragValues values = drag_values(start, vertical(), flogarithmic, pos, extent());
        if (values.hi) {
            store_or_keep(*values.hi, fhivalue, &TAxis::store_hivalue);
        }
        if (values.lo) {
            store_or_keep(*values.lo, flovalue, &TAxis::store_lovalue);
        }
    }
    if (mousescroll == DragMode::none) {
        show_cursor(drag_cursor(vertical(), press_mode(vertical(), pos, extent(), permissions())));
    } else if (fallowloscroll || fallowhiscroll) {
        notify(OnScaleChanging);
    }
    if (OnMouseMove) {
        OnMouseMove(this, event);
    }
}

void TAxis::mouseReleaseEvent(QMouseEvent* event) {
    mousescroll = DragMode::none;
    if (fallowloscroll || fallowhiscroll) {
        notify(OnScaleChanged);
    }
    if (OnMouseUp) {
        OnMouseUp(this, event);
    }
}

void TAxis::mouseDoubleClickEvent(QMouseEvent* event) {
    if (!fallowdoubleclick) {
        // Without the dialog, the second press of a double click is a press.
        mousePressEvent(event);
        return;
    }
    mousescroll = DragMode::none;
    AxisLimitForm_->set_loval(LoValue());
    AxisLimitForm_->set_hival(HiValue());
    if (AxisLimitForm_->showmodal()) {
        apply_typed_limits();
    }
    notify(OnScaleChanged);
    mousescroll = DragMode::none;
    if (OnMouseDown) {
        OnMouseDown(this, event);
    }
}

// Typed values that the scale refuses are not kept: the user sees why, and the axis
// keeps the range it had.
void TAxis::apply_typed_limits() {
    const double lo = AxisLimitForm_->loval();
    const double hi = AxisLimitForm_->hival();
    const double stored_lo = flovalue;
    const double stored_hi = fhivalue;
    try {
        set_hilovalues(lo, hi);
    } catch (const EAxisError& e) {
        flovalue = stored_lo;
        fhivalue = stored_hi;
        mark_ticks_dirty();
        invalidate();
        QMessageBox::critical(window(), QApplication::applicationName(),
                              QString::fromStdString(e.what()));
    }
}

} // namespace zevrin
