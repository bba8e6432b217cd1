#pragma once
// TSpectrogramWindow: the spectrogram in a window of its own, beside the main window.
// It owns the ring of the history and records every frame the engine computes from
// the window's creation on, shown or not, so that opening it shows what went before.
// A run starts the history anew and follows it; a sound file fills it and then shows
// it whole. Above the spectrogram: the channel shown (left, right or L-R in dual
// mode), the colour map and "Follow"; below it the reading under the pointer (time,
// frequency, level) or, without one, how long a history the ring holds. Its
// frequency and level axes follow the main window's. GUI thread only.

#include "display/axis.h"
#include "display/spectrogram_panel.h"
#include "engine/analyser.h"
#include "engine/spectrogram_ring.h"

#include <QWidget>

#include <memory>
#include <string>

class QCheckBox;
class QComboBox;
class QLabel;

namespace zevrin {

class TSpectrogramWindow : public QWidget {
    Q_OBJECT

public:
    /// A window of its own, owned by `parent`; `bytes` is the ring's memory.
    explicit TSpectrogramWindow(QWidget* parent = nullptr,
                                size_t bytes = TSpectrogramRing::default_bytes);
    ~TSpectrogramWindow() override;

    const TSpectrogramRing& ring() const { return *fring; }

    TSpectrogramPanel* Panel = nullptr;
    QComboBox* ChannelBox = nullptr;
    QComboBox* ColorMapBox = nullptr;
    QCheckBox* FollowBox = nullptr;
    QLabel* Readout = nullptr;

    /// Frames start anew in the analyser's shape; `live` for a run, else a sound file.
    void frames_started(const TAnalyser& analyser, bool live);
    /// The analyser's newest frame. Allocates nothing.
    void record_frame(const TAnalyser& analyser);
    /// A sound file has been analysed: the time axis over all of it.
    void file_analysed();
    /// The main window's frequency axis (range and scale) and level axis (range).
    void follow_axes(const TAxis& frequencyaxis, const TAxis& levelaxis);

    /// The window was shown (true) or closed (false).
    std::function<void(bool shown)> OnShownChanged;

    /// The text under the spectrogram for a reading, or for none.
    std::string readout_text(const TSpectrogramReading* reading) const;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void create_controls();
    void fill_channels();
    void channel_chosen(int index);
    void show_reading(bool shown, QPoint at);

    std::unique_ptr<TSpectrogramRing> fring;
    int fchannels = 0;
    // The axes last followed, so that nothing is redrawn when they did not change.
    double ffreqlo = -1.0, ffreqhi = -1.0, flevello = 0.0, flevelhi = 0.0;
    bool flog = false, fmusic = false;
};

} // namespace zevrin
