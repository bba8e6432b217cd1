#pragma once
// TForm1: the analyser's main window. It owns the engine (TAnalyser) with its
// components, the three axes, the spectrum plot, the waveform panel, the two status
// bars, the menus and the actions; it forwards every action to the engine and shows
// what the engine reports through OnChange. It computes nothing itself.
//
// From top to bottom: the toolbar, the waveform panel (PaintBox2 over the time axis)
// in Panel2, a splitter, the spectrum panel (the level axis, PaintBox1 and the
// frequency axis) in Panel1, and the status bars: StatusBar1 with the engine's three
// texts and StatusBar2 with the readout of the measurement cursors. FormResize keeps
// each plot exactly as wide and as high as its axes, so that an axis pixel and a plot
// pixel are the same column or row.
//
// The sound devices deliver on the GUI thread: their wake-ups post a queued call that
// pumps the capture or playback component. An error raised by any handler is shown in
// a message box (platform/message_box.h) and the program goes on. GUI thread only.

#include "audio/device.h"
#include "display/axis.h"
#include "display/spectrum_plot.h"
#include "display/status_bar.h"
#include "display/waveform_panel.h"
#include "engine/analyser.h"
#include "engine/curves.h"
#include "engine/measurement.h"

#include <QMainWindow>

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class QAction;
class QFrame;
class QMenu;
class QSplitter;
class QToolBar;
class QToolButton;

namespace zevrin {

class TForm1 : public QMainWindow {
    Q_OBJECT

public:
    /// `devices` (the sound cards and the virtual loopback, unless a test gives its own
    /// set) must outlive the window.
    explicit TForm1(TDevices& devices = TDevices::system(), QWidget* parent = nullptr);
    ~TForm1() override;

    TAnalyser& analyser() { return fanalyser; }
    const TAnalyser& analyser() const { return fanalyser; }
    TAnalyserComponents& components() { return fcomponents; }

    // Curve colours (0x00BBGGRR) and visibility, by curve number (engine/curves.h).
    std::array<uint32_t, ncurves> linecolor{};
    std::array<uint32_t, ncurves> defaultlinecolor{};
    std::array<bool, ncurves> showcurve{};
    /// The two measurement cursors.
    TCursors cursors;
    /// The first activation has been handled.
    bool activated = false;

    // Controls, by their names in the form.
    QToolBar* ToolBar1 = nullptr;
    QFrame* Panel2 = nullptr;
    QSplitter* Splitter1 = nullptr;
    QFrame* Panel1 = nullptr;
    TAxis* xaxis = nullptr;
    TAxis* yaxis = nullptr;
    TAxis* taxis = nullptr;
    TSpectrumPlot* PaintBox1 = nullptr;
    TWaveformPanel* PaintBox2 = nullptr;
    TStatusBar* StatusBar1 = nullptr;
    TStatusBar* StatusBar2 = nullptr;
    // Toolbar check buttons and the other toolbar buttons.
    QToolButton* runButton = nullptr;
    QToolButton* freezeButton = nullptr;
    QToolButton* ltasbutton = nullptr;
    QToolButton* clearltasbutton = nullptr;
    QToolButton* playbutton = nullptr;
    QToolButton* SLTASbutton = nullptr;
    QToolButton* clearsltasbutton = nullptr;

    // Actions.
    QAction* Run = nullptr;
    QAction* Freeze1 = nullptr;
    QAction* DoLTAS = nullptr;
    QAction* clearltas = nullptr;
    QAction* DoSLTAS = nullptr;
    QAction* clearsltas = nullptr;
    QAction* playaction = nullptr;
    QAction* AnalyseFile1 = nullptr;
    QAction* ExportCurves1 = nullptr;
    QAction* Exit1 = nullptr;

    // Menus.
    QMenu* File1 = nullptr;
    QMenu* Measure1 = nullptr;
    QMenu* Control1 = nullptr;
    /// The Measure menu's curve items, in the order of measure_items.
    std::array<QAction*, measure_items.size()> measureitems{};
    QAction* N2 = nullptr;
    QAction* Snaptopeak1 = nullptr;
    QAction* Interpolate1 = nullptr;

    // Action handlers: each forwards to the engine and shows an error in a message box.
    void RunExecute();
    void Freeze1Execute();
    void DoLTASExecute();
    void clearltasExecute();
    void DoSLTASExecute();
    void clearsltasExecute();
    void playactionExecute();

    /// Settings, printing and sound-file analysis need idle devices: their actions are
    /// enabled exactly when neither the run nor the play button is down.
    void fix_actions();
    /// Makes `action` one of those that fix_actions enables and disables.
    void add_idle_action(QAction* action);
    /// Shows the Measure menu's curve items that fit the curves shown and the channels.
    void fix_measuremenu();
    /// The first activation: working defaults, axes, colours, then the stored settings.
    void FormActivate();
    /// Places the axes, plots and bitmaps in their panels.
    void FormResize();
    /// Puts the stored settings in force. Until the settings can be stored, these are
    /// the values of a first start.
    void apply_stored_settings();

    /// Runs a sound file through the engine with the settings in force and LTAS on,
    /// showing progress with a cancel button; afterwards the plot shows the file's last
    /// frame and its LTAS. Throws ESoundFileError, changing nothing, for a file that
    /// cannot be analysed.
    void analyse_sound_file(const std::string& path);
    /// Writes the curves now shown as comma-separated numbers (engine/curve_export.h).
    void export_curves(const std::string& path);

    // The measurement cursors on the spectrum plot.
    void PaintBox1MouseDown(QMouseEvent* event);
    void PaintBox1MouseMove(QMouseEvent* event);
    void StatusBar2DrawPanel(QPainter& painter, int panel, const QRect& rect);
    /// The cursors' readout as tab-separated numbers (empty when no levels are shown).
    std::string clipboardstr() const;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void create_axes();
    void create_panels();
    void create_status_bars();
    void create_actions();
    void create_toolbar();
    void create_menus();
    void create_measure_menu();
    QAction* make_action(const char* caption, const QKeySequence& shortcut,
                         void (TForm1::*handler)());
    QToolButton* make_button(QAction* action, bool check);
    void connect_devices();
    void centre_on_screen();

    /// Runs `handler`; an exception it raises is shown in a message box.
    void guarded(const std::function<void()>& handler);
    void show_error(const std::string& text);

    void engine_changed(TAnalyserChange what);
    void show_status(bool now);
    void show_buttons();
    void apply_frequency_axis();
    void show_measure_menu();
    void pump_capture();
    void pump_playback();
    void AnalyseFile1Click();
    void ExportCurves1Click();

    TAnalyserComponents fcomponents;
    TAnalyser fanalyser;
    std::vector<QAction*> fidleactions;
    std::vector<std::pair<QToolButton*, QAction*>> fsltasbuttons;
    bool fresizing = false;
};

} // namespace zevrin
