#pragma once
// TTransferWindow: the "Transfer function" window, opened from the "&Measure" menu. It
// shows what the synchronous averages say about the measured system, live while they
// grow: the magnitude of the transfer function, its phase (wrapped, unwrapped, or as
// group delay), the coherence per partial, distortion apart from noise in the unused
// bins with the partials' level beside them, and the impulse response (or its
// energy-time curve); below them the delay, the impulse response's peak, the frames
// averaged, THD and THD+N, and the readout of the cursors. The computations are the
// engine's (engine/transfer_function.h, engine/distortion.h); this window only shows
// them, and writes the table and the impulse response through the program's file
// writer.
//
// The four frequency plots share their frequency range: scrolling or zooming one moves
// the others. Every plot has the two cursors of the spectrum plot: press the left
// button to place both, drag to move the second; the readout follows the plot last
// measured. The window reads the analyser and never changes it. GUI thread only.

#include "display/plot_panel.h"
#include "engine/analyser.h"
#include "engine/distortion.h"
#include "engine/transfer_function.h"

#include <QWidget>

#include <array>
#include <string>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

namespace zevrin {

class TTransferWindow : public QWidget {
    Q_OBJECT

public:
    /// The views of the phase plot and of the impulse response plot, in the order of
    /// their choices.
    enum class TPhaseView { phase, unwrapped, group_delay };
    enum class TImpulseView { impulse, energy_time };

    /// `analyser` must outlive the window.
    explicit TTransferWindow(const TAnalyser& analyser, QWidget* parent = nullptr);

    /// The averages changed: the plots show the new ones when they next paint.
    void analyser_changed();
    /// Recomputes from the averages when they changed since (every plot calls this
    /// before it paints).
    void refresh();
    /// Every range to fit what the curves hold now.
    void fit_axes();

    const TTransferFunction& transfer() const { return ftransfer; }
    const TDistortion& distortion() const { return fdistortion; }

    /// The table of the transfer function and the distortion, and the impulse
    /// response (WAV, or a table when the name ends in ".csv"), as computed now.
    /// std::runtime_error when there is nothing to write or the file cannot be written.
    void export_transfer(const std::string& path);
    void export_impulse(const std::string& path);

    /// The figures below the plots and the cursors' readout, as shown.
    std::string figures_text() const;
    std::string readout_text() const;

    TPlotPanel* MagnitudePanel = nullptr;
    TPlotPanel* PhasePanel = nullptr;
    TPlotPanel* CoherencePanel = nullptr;
    TPlotPanel* DistortionPanel = nullptr;
    TPlotPanel* ImpulsePanel = nullptr;
    QComboBox* PhaseView = nullptr;
    QComboBox* ImpulseView = nullptr;
    QCheckBox* LogFrequency = nullptr;
    QPushButton* FitButton = nullptr;
    QPushButton* ExportTransferButton = nullptr;
    QPushButton* ExportImpulseButton = nullptr;
    QLabel* Figures = nullptr;
    QLabel* Readout = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void recompute();
    void create_controls();
    void create_plots();
    TPlotPanel* make_panel(const char* name, const char* title, const char* xtext,
                           const char* ytext);
    void link_frequency_axes();
    void frequency_range_changed(TAxis* sender);
    void set_series();
    void set_phase_view(int view);
    void set_impulse_view(int view);
    void set_log_frequency(bool on);
    void fit_frequency_axes();
    void show_readout();
    void guarded(const std::function<void()>& handler);
    void export_dialog(const char* title, const char* filter, const char* suffix,
                       void (TTransferWindow::*write)(const std::string&));
    std::array<TPlotPanel*, 4> frequency_panels() const;

    const TAnalyser& fa;
    TTransferFunction ftransfer;
    TDistortion fdistortion;
    bool fdirty = true;
    bool ffitpending = true;
    bool fsyncing = false;
    TPhaseView fphaseview = TPhaseView::phase;
    TImpulseView fimpulseview = TImpulseView::impulse;
    TPlotPanel* fmeasured = nullptr; ///< the panel whose cursors the readout shows
    double fsampfreq = 0.0;
    int flength = 0;
};

} // namespace zevrin
