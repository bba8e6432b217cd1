#pragma once
// The spectrum plot with its level and frequency axes, without a window: the picture
// the window shows of them after the same analysis (the axes set up as the window
// sets them, the curves, colours and visibility of the settings), as PNG or SVG; and
// the printed page as PDF. Needs a QApplication (the offscreen platform will do).
//
// The picture is `size` pixels: the level axis takes the left 37 pixels, the
// frequency axis the bottom 25, the plot the rest.

#include "engine/curves.h"
#include "engine/measurement.h"

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <QSize>

#include <optional>

#include <array>
#include <cstdint>
#include <memory>
#include <string>

class QPainter;
class QWidget;

namespace zevrin {

class TAxis;
class TSpectrumPlot;

class TPlotPicture {
public:
    static constexpr int level_axis_width = 37;
    static constexpr int frequency_axis_height = 25;

    /// The analyser must outlive the picture; it is read, and its plot setting of
    /// drawing off-screen is set aside while the picture paints.
    TPlotPicture(TAnalyser& analyser, const std::array<uint32_t, ncurves>& linecolor,
                 const std::array<bool, ncurves>& showcurve, QSize size);
    ~TPlotPicture();
    TPlotPicture(const TPlotPicture&) = delete;
    TPlotPicture& operator=(const TPlotPicture&) = delete;

    const TAxis& xaxis() const { return *fxaxis; }
    const TAxis& yaxis() const { return *fyaxis; }
    /// Where the plot lies in the picture.
    QRect plot_rect() const;

    /// Paints the picture from the painter's origin, as lines and text.
    void paint(QPainter& p);
    QByteArray png();
    QByteArray svg(const std::string& title);
    /// The printed page (A4, no margins of its own, 1200 dots per inch) for these axes.
    QByteArray pdf(const std::string& title, const QImage& logo);

private:
    void set_up_axes();

    TAnalyser& fa;
    QSize fsize;
    std::array<uint32_t, ncurves> flinecolor;
    std::array<bool, ncurves> fshowcurve;
    TCursors fcursors;
    std::unique_ptr<QWidget> fholder;
    TAxis* fxaxis = nullptr;
    TAxis* fyaxis = nullptr;
    TSpectrumPlot* fplot = nullptr;
};

/// What the command line asks for: output files (empty: none), the picture's size
/// and the printed page's title.
struct TPictureOptions {
    std::string png;
    std::string svg;
    std::string pdf;
    std::optional<QSize> size; ///< 900x600 for the plot unless given
    std::string title;
    bool any() const { return !png.empty() || !svg.empty() || !pdf.empty(); }
};

/// Renders every picture asked for and writes each through the safe writer;
/// std::runtime_error "Cannot write ..." for a file that cannot be written (nothing
/// is left at its name).
void write_pictures(const TPictureOptions& options, TAnalyser& analyser,
                    const std::array<uint32_t, ncurves>& linecolor,
                    const std::array<bool, ncurves>& showcurve, const QImage& logo);

} // namespace zevrin
