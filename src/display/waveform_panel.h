#pragma once
// TWaveformPanel: the waveform panel above the spectrum (the window's PaintBox2). It
// draws the samples of the frame the current spectrum came from, and while frozen the
// frozen frame first, one trace per channel in the colour of that channel's spectrum
// curve, spread evenly over the full width, positive values upwards; and the gain in
// use in its top left corner. With "Show waveform" off it draws nothing at all.
//
// Always drawn into the off-screen image bmp2, sized in device pixels, and copied.
// Traces are drawn at the screen's resolution, one device pixel wide
// (display/column_reducer.h), so long frames cost no more than short ones; the gain
// text is drawn in logical pixels, sharp on any screen.
// GUI thread only.

#include "display/column_reducer.h"
#include "display/wave_range.h"
#include "engine/curves.h"

#include <QFont>
#include <QImage>
#include <QWidget>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

class QPainter;
class QString;

namespace zevrin {

class TWaveformPanel : public QWidget {
    Q_OBJECT

public:
    /// Everything given must outlive the panel.
    TWaveformPanel(const TAnalyser& analyser, const std::array<uint32_t, ncurves>& linecolor,
                   QWidget* parent = nullptr);

    /// The stretch factor of the last paint (1 before the first).
    double wavegain() const { return fwavegain; }
    /// The values at the top and bottom edge in the last paint.
    const TWaveRange& range() const { return frange; }
    /// The off-screen image; the window keeps it at the panel's size in device pixels.
    const QImage& bmp2() const { return fbmp2; }
    void size_bitmap();

    /// The whole paint, onto `canvas` (the widget's painter in a paint event).
    void PaintBox2Paint(QPainter& canvas);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void draw_traces();
    void draw_trace(const tdoublearr& samples, int curve);
    void draw_gain_text();
    QImage render_label(const QString& text) const;

    const TAnalyser& fa;
    const std::array<uint32_t, ncurves>& flinecolor;
    double fwavegain = 1.0;
    TWaveRange frange;
    QImage fbmp2;
    struct TLabel {
        std::string text;
        QImage image;
    };
    static constexpr size_t kept_labels = 64;
    std::vector<TLabel> flabels; ///< the gain labels last drawn, the oldest first
    QRgb flabelbackground = 0;
    QFont flabelfont;
    qreal flabelratio = 0.0;
    std::vector<TColumnRun> fruns;
};

} // namespace zevrin
