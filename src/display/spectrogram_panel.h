#pragma once
// TSpectrogramPanel: the spectrogram with its axes: frequency up the left, time in
// seconds along the bottom, and on the right the colour scale with the level axis. The
// frequency and level axes show what they are given (the main window's scales); the
// time axis can be dragged and zoomed like the main window's axes, which stops
// following the newest frames. Each axis is exactly as long as the plot, so that an
// axis pixel and a plot pixel are the same row or column. GUI thread only.

#include "display/axis.h"
#include "display/spectrogram_plot.h"
#include "engine/spectrogram_ring.h"

#include <QWidget>

#include <functional>

namespace zevrin {

class TColorScale;

class TSpectrogramPanel : public QWidget {
    Q_OBJECT

public:
    /// `ring` must outlive the panel.
    explicit TSpectrogramPanel(const TSpectrogramRing& ring, QWidget* parent = nullptr);

    TAxis* frequencyaxis = nullptr;
    TAxis* timeaxis = nullptr;
    TAxis* levelaxis = nullptr;
    TSpectrogramPlot* plot = nullptr;

    /// The frequency axis's range and scale (logarithmic, with notes).
    void set_frequency_scale(double lo, double hi, bool logarithmic, bool music);
    /// The levels of the colour map's ends, dB.
    void set_level_range(double lo, double hi);
    void set_color_map(TColorMap map);
    void set_source(TSpectrogramSource source);

    bool follow() const { return plot->follow(); }
    /// Following puts the newest frame at the right edge, one frame per pixel.
    void set_follow(bool value);
    /// The ring started anew: a run follows its frames; a sound file shows nothing
    /// new until show_whole().
    void frames_started(bool live);
    /// The ring has a new column.
    void frame_added();
    /// The time axis over everything the ring holds; stops following.
    void show_whole();

    /// Following stopped or started (also by a drag of the time axis).
    std::function<void(bool follow)> OnFollowChanged;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void layout_children();
    void follow_time_axis();
    void set_time_range(double lo, double hi);
    void time_axis_moved();

    const TSpectrogramRing& fring;
    TColorScale* fscale = nullptr;
    bool fsettingtime = false;
    bool floading = false;
};

} // namespace zevrin
