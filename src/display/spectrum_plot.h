#pragma once
// TSpectrumPlot: the spectrum plot (the window's PaintBox1). It draws what the engine
// holds: the background, the grid lines at the ticks of both axes, the measurement
// cursor lines and, in the curve list's order, every curve whose condition holds and
// which is shown, each value placed through the two axes beside it (the plot is as
// wide as the frequency axis and as high as the level axis). A point whose level
// cannot be computed lies at y = -500, far above the plot.
//
// Bin m of an N-point spectrum is drawn at m × sampfreq / N, for m = 0 .. N/2. Of the
// points that fall into one pixel column only what can be seen is drawn, a vertical
// line and the line from the column before (display/column_reducer.h), so a paint
// costs about the same for any N.
//
// Lines are one device pixel wide, placed through the axes' mappings over the device
// pixels (display/device_pixels.h): on a screen with a scale factor above 1 the plot
// is as detailed as the screen allows, and at a factor of 1 nothing changes.
//
// Painting draws into the off-screen image bmp1 and copies it when bltplot is set,
// else straight onto the widget. Into the image every line (grid, cursors, curves) is
// drawn by display/line_raster.h, which costs a fraction of a painter's per-line set-up
// and per-pixel work, tile by tile where the image is larger than the cache
// (display/tile_raster.h), into memory laid out for strokes down its columns
// (display/huge_page_image.h). Nothing here processes events; the `painting` flag makes
// a paint requested while one runs return at once. GUI thread only.

#include "display/axis.h"
#include "display/column_reducer.h"
#include "display/tile_raster.h"
#include "engine/curves.h"
#include "engine/measurement.h"
#include "engine/reference_curve.h"

#include <QImage>
#include <QLine>
#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

class QPainter;

namespace zevrin {

class TSpectrumPlot : public QWidget {
    Q_OBJECT

public:
    using MouseEvent = std::function<void(QMouseEvent* event)>;

    /// Everything given must outlive the plot.
    TSpectrumPlot(const TAnalyser& analyser, const TAxis& xaxis, const TAxis& yaxis,
                  const std::array<uint32_t, ncurves>& linecolor,
                  const std::array<bool, ncurves>& showcurve, const TCursors& cursors,
                  QWidget* parent = nullptr);

    /// Reference curves drawn over the curves in reference_colors, each column of a
    /// reference at its own frequencies, with their names in a legend; null for none.
    /// They must outlive the plot or be unset.
    void set_references(const std::vector<TReferenceCurve>* references) {
        freferences = references;
    }
    /// The lines of the references as the last paint drew them, in device pixels.
    size_t drawn_reference_lines(size_t reference) const;

    /// The off-screen image; the window keeps it at the plot's size in device pixels.
    const QImage& bmp1() const { return fbmp1; }
    void size_bitmap();

    /// The whole paint, onto `canvas` (the widget's painter in a paint event).
    void PaintBox1Paint(QPainter& canvas);

    /// The curves the last paint drew, in drawing order.
    std::vector<int> drawn_curves() const;
    /// The lines of a curve as the last paint drew it (empty if it was not drawn), in
    /// device pixels.
    const std::vector<QLine>& drawn_lines(int curve) const;

    MouseEvent OnMouseDown;
    MouseEvent OnMouseMove;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void collect_background_lines();
    void add_grid_lines();
    void add_cursor_lines();
    void place_bins(size_t count);
    void compute_curves();
    bool compute_curve(int curve);
    bool calibrated_runs(int curve);
    void levels_of_runs(TLevelScale scale);
    void raster_lines();
    void add_reference_lines();
    void draw_legend(QPainter& painter);

    const TAnalyser& fa;
    const TAxis& fxaxis;
    const TAxis& fyaxis;
    const std::array<uint32_t, ncurves>& flinecolor;
    const std::array<bool, ncurves>& fshowcurve;
    const TCursors& fcursors;

    bool painting = false;
    QImage fbmp1;
    // The device pixels per logical pixel and the axes' mappings over the device
    // pixels, fixed at the start of each paint.
    qreal fratio = 1.0;
    AxisScale fxdevice;
    AxisScale fydevice;
    // A run of bins in one column.
    struct TColumnSpan {
        int x = 0;
        size_t count = 0;
    };
    // The column of each bin and the runs they form, kept while the frequency axis,
    // N and sampfreq stay; what a curve's runs hold.
    std::vector<int> fcolumn;
    std::vector<TColumnSpan> fspans;
    AxisScale fcolumnscale;
    double fcolumnsampfreq = 0.0;
    size_t fcolumnbins = 0;
    std::vector<TColumnRun> fruns;
    // The runs' quantities on their way to levels; reused.
    std::vector<double> fquantities;
    // The levels of a calibrated curve; grows to N/2 + 1 once.
    tdoublearr flevels;
    // The lines each curve drew in the last paint; reused, so painting does not
    // allocate once they have grown to the plot's width.
    std::array<std::vector<QLine>, ncurves> flines;
    // The grid and cursor lines of the paint, under the curves; reused likewise.
    struct TColoredLine {
        QLine line;
        QRgb color = 0;
    };
    std::vector<TColoredLine> fbackground;
    // Every line of the image in the order of drawing, and what draws them; reused.
    std::vector<TRasterLine> fraster;
    TTileRaster ftiles;
    // The references' lines, over the curves; reused likewise.
    const std::vector<TReferenceCurve>* freferences = nullptr;
    std::vector<TColoredLine> freferencelines;
    std::array<size_t, reference_colors.size()> freferencecounts{};
    std::array<int, ncurves> fdrawn{};
    int fndrawn = 0;
};

} // namespace zevrin
