#pragma once
// TSpectrogramPlot: the spectrogram's picture, time across (oldest left) and frequency
// up, each pixel the colour of its level between the level limits (see
// display/spectrogram_render.h for what a pixel shows). It draws what the ring holds
// and what its two axes say, and nothing else.
//
// The picture is kept in an image and redrawn whole only when something it depends on
// changed: an axis, the level limits, the colour map, what it shows, its size, or the
// ring's start. While it follows the newest frames, one pixel column is one frame, the
// newest at the right edge; a new frame then costs one column of the image, which is
// used as a ring of columns, so a paint only copies it in two pieces. When it does not
// follow, the time axis says which frames each column shows. GUI thread only.

#include "display/axis.h"
#include "display/spectrogram_render.h"
#include "engine/color_maps.h"
#include "engine/spectrogram_ring.h"

#include <QImage>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <vector>

namespace zevrin {

/// What one pixel of the spectrogram shows.
struct TSpectrogramReading {
    bool valid = false; ///< the pixel shows data
    double time = 0.0;  ///< s from the start, by the time axis
    double frequency = 0.0;
    double level = 0.0; ///< dB
};

class TSpectrogramPlot : public QWidget {
    Q_OBJECT

public:
    /// Everything given must outlive the plot. `frequencyaxis` is as high as the plot,
    /// `timeaxis` as wide.
    TSpectrogramPlot(const TSpectrogramRing& ring, const TAxis& frequencyaxis,
                     const TAxis& timeaxis, QWidget* parent = nullptr);

    TSpectrogramSource source() const { return fsource; }
    void set_source(TSpectrogramSource value);
    TColorMap color_map() const { return fmap; }
    void set_color_map(TColorMap value);
    /// The levels shown from the first colour of the map to its last, dB.
    void set_level_range(double lo, double hi);
    double level_lo() const { return flevello; }
    double level_hi() const { return flevelhi; }
    /// Following: the newest frame at the right edge, one frame per pixel column.
    bool follow() const { return ffollow; }
    void set_follow(bool value);

    /// The ring has a new column: while following and up to date, it is drawn at once
    /// into the kept image; otherwise the picture is redrawn at the next paint if the
    /// frame lies in the time shown.
    void add_column();
    /// Paints the picture, first bringing it up to date.
    void paint(QPainter& p);
    /// The picture as painted, left to right.
    QImage picture();
    /// What the pixel at (x, y) shows.
    TSpectrogramReading reading_at(int x, int y);
    /// The pixel under the pointer, when it is over the plot.
    bool cursor_shown() const { return fcursorshown; }
    QPoint cursor() const { return fcursor; }

    /// The pointer moved over the plot (shown true) or left it.
    std::function<void(bool shown, QPoint at)> OnCursor;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    // Everything the kept picture depends on.
    struct TPictureKey {
        AxisScale frequency;
        AxisScale time; ///< only when not following
        uint64_t generation = 0;
        TSpectrogramSource source = TSpectrogramSource::channel1;
        TColorMap map = TColorMap::viridis;
        double lo = 0.0;
        double hi = 0.0;
        bool follow = true;
        int width = 0;
        int height = 0;
        bool operator==(const TPictureKey&) const = default;
    };

    TPictureKey current_key() const;
    void bring_up_to_date();
    void redraw();
    TItemRange frames_of_column(int x) const;
    void draw_column(int x, TItemRange frames);

    const TSpectrogramRing& fring;
    const TAxis& ffrequencyaxis;
    const TAxis& ftimeaxis;
    TSpectrogramSource fsource = TSpectrogramSource::channel1;
    TColorMap fmap = TColorMap::viridis;
    double flevello = -25.0;
    double flevelhi = 75.0;
    bool ffollow = true;

    bool fvalid = false;
    TPictureKey fkey;
    int64_t fnewest = 0; ///< the ring's count when the picture was last brought up to date
    QImage fimage;
    int fhead = 0; ///< the image column that is shown leftmost
    std::vector<TItemRange> frows;
    std::vector<TItemRange> fcolumns; ///< the frames of each column, when not following
    int64_t fcolumnsbase = 0;         ///< the ring column that fcolumns count from
    TLevelColors fcolors;
    uint32_t fnodata = 0xFFFFFFFF;
    bool fcursorshown = false;
    QPoint fcursor;
};

} // namespace zevrin
