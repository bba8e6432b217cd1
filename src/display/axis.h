#pragma once
// TAxis: the axis beside a plot. It shows a value range on a linear, decimal
// logarithmic or musical-note scale with tick marks, labels, a caption and an
// optional marker line, owns the mapping between values and the pixels of the plot
// beside it (which has the same length), and lets the user move either end or the
// whole range with the mouse, or type both ends after a double click.
//
// The stored low and high values are never clamped; every read of LoValue() and
// HiValue(), the axis's own included, applies the limits. All members are for the
// GUI thread.

#include "display/axis_drag.h"
#include "display/axis_limit_form.h"
#include "display/axis_limits.h"
#include "display/axis_picture.h"
#include "display/axis_scale.h"
#include "display/tick_layout.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>

class QMouseEvent;
class QPainter;

namespace zevrin {

class TAxis : public QWidget {
    Q_OBJECT

public:
    using ScaleEvent = std::function<void(TAxis* sender)>;
    using MouseEvent = std::function<void(TAxis* sender, QMouseEvent* event)>;

    /// Needs a running QApplication. A new axis is 200 × 200 pixels, vertical
    /// (posleft), linear from 0 to 1.
    explicit TAxis(QWidget* parent = nullptr);
    ~TAxis() override;

    int Width() const { return width(); }
    void set_Width(int value);
    int Height() const { return height(); }
    void set_Height(int value);

    // Which mouse actions change the range.
    bool AllowLoScroll() const { return fallowloscroll; }
    void set_AllowLoScroll(bool value) { fallowloscroll = value; }
    bool AllowHiScroll() const { return fallowhiscroll; }
    void set_AllowHiScroll(bool value) { fallowhiscroll = value; }
    bool AllowMidScroll() const { return fallowmidscroll; }
    void set_AllowMidScroll(bool value) { fallowmidscroll = value; }
    bool AllowDoubleClick() const { return fallowdoubleclick; }
    void set_AllowDoubleClick(bool value) { fallowdoubleclick = value; }

    /// The lowest value a logarithmic axis reads, whatever its limits allow: a drag or
    /// a typed value may store far less (one drag can reach 1e-179), which would give
    /// thousands of ticks over an empty plot. On the frequency axis nothing the
    /// analyser computes lies below it: the first bin of the largest FFT (2^24 points)
    /// at the lowest common sampling rate, 8000 Hz, lies at 4.8e-4 Hz.
    static constexpr double lowest_log_value = 1e-4;

    /// The stored value within the limits (see display/axis_limits.h) and, on a
    /// logarithmic axis, not below lowest_log_value.
    double LoValue() const;
    /// Stores the value; notifies OnScaleChanged when it differs from the value read
    /// before. EAxisError on a logarithmic axis when value <= 0 (it stays stored).
    void set_LoValue(double value);
    /// Likewise, also not below lowest_log_value on a logarithmic axis.
    double HiValue() const;
    void set_HiValue(double value);
    /// Both values, with at most one OnScaleChanged.
    void set_hilovalues(double lo, double hi);

    // Limits applied when the values are read; a stored value outside a new limit is
    // set to it.
    double MinLoValue() const { return flimits.min_lo; }
    void set_MinLoValue(double value);
    double MaxLoValue() const { return flimits.max_lo; }
    void set_MaxLoValue(double value);
    double MinHiValue() const { return flimits.min_hi; }
    void set_MinHiValue(double value);
    double MaxHiValue() const { return flimits.max_hi; }
    void set_MaxHiValue(double value);
    double MinValueDifference() const { return flimits.min_difference; }
    void set_MinValueDifference(double value);
    double MaxValueDifference() const { return flimits.max_difference; }
    void set_MaxValueDifference(double value);

    tposition Position() const { return fposition; }
    /// Ignored while a scale-change notification runs.
    void set_Position(tposition value);
    bool Logarithmic() const { return flogarithmic; }
    /// Switching on needs both stored values above 0, else EAxisError and no change.
    void set_Logarithmic(bool value);
    /// Ticks on the natural notes (only on a logarithmic axis).
    bool MusicScale() const { return fMusicScale; }
    void set_MusicScale(bool value);
    const QFont& Font() const { return ffont; }
    void set_Font(const QFont& value);
    /// Kept for the settings; the ticks are drawn either way.
    bool ShowTickmarks() const { return fshowtickmarks; }
    void set_ShowTickmarks(bool value);
    const QColor& BackgroundColor() const { return fbackgroundcolor; }
    void set_BackgroundColor(const QColor& value);
    int TickMarkSize() const { return ftickmarksize; }
    void set_TickMarkSize(int value);
    int TickSpaceAim() const { return ftickspaceaim; }
    void set_TickSpaceAim(int value);
    /// The caption, such as "[Hz]"; also ends the limits dialog's two labels.
    const std::string& AxisText() const { return faxistext; }
    void set_AxisText(const std::string& value);
    /// Mirrors the direction: the high value at the bottom or left.
    bool Reverse() const { return freverse; }
    void set_Reverse(bool value);
    bool MarkerVisible() const { return fmarkervisible; }
    void set_MarkerVisible(bool value);
    double MarkerValue() const { return fmarkervalue; }
    /// Moves the marker line (drawn inverting, so drawing it again removes it).
    /// Ignored while a scale-change notification runs or while the axis is hidden.
    void set_MarkerValue(double value);
    int MarkerPixel() const;
    void set_MarkerPixel(int value);
    /// The values read are whole numbers.
    bool IsInteger() const { return fisinteger; }
    void set_IsInteger(bool value);
    /// Keeps the axis just wide (vertical) or high (horizontal) enough for its labels.
    bool Autosize() const { return fautosize; }
    void set_Autosize(bool value);
    bool Enabled() const { return isEnabled(); }
    void set_Enabled(bool value) { setEnabled(value); }
    /// The axis's own visibility flag: false only after it was hidden explicitly.
    bool Visible() const;
    void set_Visible(bool value) { setVisible(value); }

    /// While the user drags: the range has changed and will change again.
    ScaleEvent OnScaleChanging;
    /// The range has changed: at button release, after the limits dialog, and from
    /// the value setters. While either runs, Position and MarkerValue writes are
    /// ignored and the setters do not notify again.
    ScaleEvent OnScaleChanged;
    /// Called after the axis's own handling of the event.
    MouseEvent OnMouseDown;
    MouseEvent OnMouseMove;
    MouseEvent OnMouseUp;

    // Tick marks, computed when first asked for after a change. The indexed
    // accessors raise EAxisError "Tickmark index out of range:<i>".
    int nTickMarks() const;
    double TickMark(int i) const;
    std::string TickMarkText(int i) const;
    int TickMarkPosition(int i) const;

    // Values and pixels of the plot beside the axis; see display/axis_scale.h.
    double value_to_position(double v) const;
    double value_to_notclipped_position(double v) const;
    int value_to_pixel(double v) const;
    int value_to_notclippedpixel(double v) const;
    double pixel_to_value(int p) const;
    /// The mapping in force, for plots that place many points with the Qt-free
    /// functions of display/axis_scale.h.
    AxisScale scale() const;
    /// The same mapping over the axis's device pixels (more than its pixels on a screen
    /// with a scale factor above 1), where the plots draw their lines.
    AxisScale device_scale() const;

    /// Draws the axis as it shows itself (without the marker) onto `p` from the
    /// painter's origin, as lines and text: for pictures of the plot outside the
    /// window, such as SVG files.
    void paint_axis(QPainter& p);

    TAxisLimitForm& AxisLimitForm() { return *AxisLimitForm_; }
    /// The screen cursor number shown over the axis: crDefault or crVUpper .. crHMiddle.
    int CursorNumber() const { return fcursor; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    bool vertical() const { return is_vertical(fposition); }
    int extent() const { return vertical() ? height() : width(); }
    TextMeasure text_measure() const;
    DragPermissions permissions() const;
    int pointer_position(const QMouseEvent* event) const;

    AxisLimits limits_in_force() const;
    void store_lovalue(double value);
    void store_hivalue(double value);
    void store_or_keep(double value, double& field, void (TAxis::*store)(double));
    void keep_marker_in_range();
    void apply_typed_limits();
    void notify(const ScaleEvent& event);
    void notify_scale_changed();
    void mark_ticks_dirty() { ticksdirty = true; }
    void invalidate();
    void apply_autosize();
    TickLayoutInput tick_layout_input() const;
    void compute_ticks() const;
    void ensure_ticks() const;
    const AxisTick& tick_at(int i) const;
    void render();
    void size_canvas();
    void paint_picture(QPainter& p);
    void draw_tick_lines(QPainter& p, const QColor& ink);
    void draw_marker_line(int pixel);
    void show_cursor(int number);

    tposition fposition = tposition::posleft;
    bool flogarithmic = false;
    bool fMusicScale = false;
    double flovalue = 0.0;
    double fhivalue = 1.0;
    QFont ffont;
    bool fshowtickmarks = false;
    int ftickmarksize = 5;
    int ftickspaceaim = 40;
    QColor fbackgroundcolor;
    std::string faxistext;
    bool fallowloscroll = true;
    bool fallowhiscroll = true;
    bool fallowmidscroll = false;
    bool fallowdoubleclick = false;
    AxisLimits flimits;
    bool freverse = false;
    bool fautosize = false;
    int downpos = 0;
    DragMode mousescroll = DragMode::none;
    double downlovalue = 0.0;
    double downhivalue = 0.0;
    bool scalechangecalled = false;
    bool fmarkervisible = false;
    double fmarkervalue = 0.0;
    std::unique_ptr<TAxisLimitForm> AxisLimitForm_;
    bool markerisdrawn = false;
    // In device pixels.
    int markerdrawnpixel = 0;
    bool fisinteger = false;
    int fcursor = crDefault;

    // The tick layout is a cache: stale when marked so (the font changed) or when it
    // was computed for another scale or size. Painting always recomputes it.
    mutable bool ticksdirty = true;
    mutable TickLayoutInput tickinput;
    mutable TickLayout ftickmarks;
    AxisPicture picture;
    // What is on screen; the marker line is inverted into it and out again.
    QImage canvas;
    bool canvasdirty = true;
};

} // namespace zevrin
