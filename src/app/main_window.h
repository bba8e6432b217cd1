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
// The settings in force are read from the program's registry key at the first
// activation and written there on closing while "Always save on e&xit" is checked;
// the "&Settings" menu saves and opens them at any time, also as ".zvr" settings
// files, which then appear among its recent files. The settings dialog (TForm2)
// changes them in memory.
//
// The sound devices deliver on the GUI thread: their wake-ups reach it through an
// eventfd (app/device_wakeup.h), and it pumps the capture or playback component. An
// error raised by any handler reaches the error log (ErrorLog1), which records it while
// logging is on and shows it; the program goes on. GUI thread only.

#include "audio/device.h"
#include "display/axis.h"
#include "display/spectrum_plot.h"
#include "display/status_bar.h"
#include "display/waveform_panel.h"
#include "engine/analyser.h"
#include "engine/calibrator.h"
#include "engine/curves.h"
#include "engine/measurement.h"
#include "engine/reference_curve.h"
#include "output/cursor_log.h"
#include "settings/recent_files.h"
#include "settings/settings_dialog.h"
#include "settings/settings_keys.h"
#include "shell/error_log.h"
#include "shell/help_menu.h"
#include "shell/prog_id.h"
#include "shell/tamber_about.h"
#include "shell/tools_menu.h"

#include <QImage>
#include <QMainWindow>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QFileDialog;
class QFrame;
class QLabel;
class QMenu;
class QPrinter;
class QSplitter;
class QToolBar;
class QToolButton;

namespace zevrin {

class TCalibrationDialog;
class TSpectrogramWindow;
class TTransferWindow;

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

    // Identity, about box, the settings files' recent list and the settings dialog.
    TProgId* ProgId1 = nullptr;
    TTamberAbout* TamberAbout1 = nullptr;
    TRecentFiles* RecentFiles1 = nullptr;
    TForm2* Form2 = nullptr;
    // The application shell: the error log, the "&Tools" and the "&Help" menus.
    TErrorLog* ErrorLog1 = nullptr;
    TToolsMenu* ToolsMenu1 = nullptr;
    THelpMenu* HelpMenu1 = nullptr;

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
    QToolButton* settingsbutton = nullptr;
    QToolButton* printbutton = nullptr;
    /// Hidden: the logo that the printed page shows, 150 by 100 pixels.
    QLabel* Image1 = nullptr;

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
    /// Shown as "Options..." in the menu and "Settings" on the toolbar.
    QAction* Settings = nullptr;
    QAction* Savenow1 = nullptr;
    QAction* Always1 = nullptr;
    QAction* Openfile1 = nullptr;
    QAction* Saveasfile1 = nullptr;
    QAction* About1 = nullptr;
    // Output: printing, the copied image and the cursor log.
    QAction* Printaction = nullptr;
    QAction* CopyImageAction = nullptr;
    QAction* Newlog1 = nullptr;
    QAction* Logcursor1 = nullptr;
    /// "Spectrogram", checked while its window is shown (app/spectrogram_window.h).
    QAction* Spectrogram1 = nullptr;
    TSpectrogramWindow* SpectrogramForm = nullptr;

    // Menus.
    QMenu* File1 = nullptr;
    QMenu* Edit1 = nullptr;
    QMenu* Measure1 = nullptr;
    QMenu* Control1 = nullptr;
    QMenu* Settings1 = nullptr;
    QMenu* Help1 = nullptr;
    /// The Measure menu's curve items, in the order of measure_items.
    std::array<QAction*, measure_items.size()> measureitems{};
    QAction* N2 = nullptr;
    QAction* Snaptopeak1 = nullptr;
    QAction* Interpolate1 = nullptr;
    /// "Transfer function...", below the curve items.
    QAction* TransferFunction1 = nullptr;
    /// The "Transfer function" window, once opened.
    TTransferWindow* TransferWindow1 = nullptr;

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

    /// Writes every setting to the program's registry key (empty name), with the
    /// "Always save on e&xit" check and the window's place, or to a settings file,
    /// which then heads the recent files. Sizes are written only in the normal
    /// window state. The store's error, with a readable message, when it cannot be
    /// written; what it held stays as it was.
    void save_settings(const std::string& filename);
    /// Reads them back (absent keys give the first-start values) and shows them.
    /// A settings file never moves the window. A float key that is no number stops
    /// the reading with the conversion error; what was read before it stays.
    void open_settings(const std::string& filename);
    /// open_settings for a file the user chose ("&Open file...", or one given on the
    /// command line): what stops it is shown in a message box.
    void open_settings_file(const std::string& filename);
    /// The open (false) or save (true) dialog of the settings files.
    std::unique_ptr<QFileDialog> settings_file_dialog(bool save);
    /// The settings file last opened or saved: the name both file dialogs start with.
    const std::string& settings_file_name() const { return fsettingsfile; }

    // Handlers of the "&Settings" and "&Help" menus.
    void SettingsExecute();
    void Savenow1Click();
    void Always1Click();
    void Openfile1Click();
    void Saveasfile1Click();
    void RecentFiles1Click(QObject* sender, int ItemNo, const std::string& FileName);
    void About1Click();
    /// The window closes: the settings are saved while "Always save on e&xit" is
    /// checked. False when they could not be saved and the user keeps the window.
    bool FormClose();

    /// Runs a sound file through the engine with the settings in force and LTAS on,
    /// showing progress with a cancel button; afterwards the plot shows the file's last
    /// frame and its LTAS. Throws ESoundFileError, changing nothing, for a file that
    /// cannot be analysed.
    void analyse_sound_file(const std::string& path);
    /// Writes the curves now shown as comma-separated numbers (engine/curve_export.h).
    void export_curves(const std::string& path);

    /// Opens the "Transfer function" window (app/transfer_window.h).
    void TransferFunction1Click();

    // The measurement cursors on the spectrum plot.
    void PaintBox1MouseDown(QMouseEvent* event);
    void PaintBox1MouseMove(QMouseEvent* event);
    void StatusBar2DrawPanel(QPainter& painter, int panel, const QRect& rect);
    /// The cursors' readout as tab-separated numbers (empty when no levels are shown).
    std::string clipboardstr() const;

    // Output: "Print...", "Copy image", "Copy/new log" and "Copy/log cursor(s)".
    /// The print dialog, then the title; prints the page. Cancelling either ends it.
    void PrintactionExecute();
    /// The page on a printer set up already, under the title `title` (typed, untrimmed);
    /// the error in a message box when it cannot be printed.
    void print_to(QPrinter& printer, const std::string& title);
    void CopyImageActionExecute();
    /// The bitmap that "Copy image" puts on the clipboard.
    QImage copy_image();
    void Newlog1Click();
    void Logcursor1Click();
    // Calibration and reference curves (app/main_window_calibration.cpp).
    QAction* Calibration1 = nullptr;
    QAction* SaveReference1 = nullptr;
    QAction* LoadReference1 = nullptr;
    QAction* ClearReferences1 = nullptr;
    /// The Measure menu's reference items, shown while that reference is.
    std::array<QAction*, reference_colors.size()> referenceitems{};
    /// The references shown, and the files they came from.
    std::vector<TReferenceCurve> references;
    std::vector<std::string> referencefiles;
    /// "Calibration...": the dialog, modal; on "&Ok" its calibration is put in force.
    void CalibrationExecute();
    /// Puts `calibration` in force and shows it: the level axis's unit, the plot.
    void apply_calibration(const TCalibration& calibration);
    /// Writes the curves shown as a reference table with the settings as notes.
    void save_reference(const std::string& path);
    /// Shows one more reference; EReferenceError for a file that is no reference,
    /// std::runtime_error when four are shown already. Nothing changes then.
    void load_reference(const std::string& path);
    void clear_references();
    /// The calibrator's measurement, fed with every frame while it runs.
    TCalibratorRun& calibrator() { return fcalibrator; }
    /// The open "Calibration" dialog, if any.
    TCalibrationDialog* calibration_dialog() { return fcalibrationdialog; }

    /// The title typed for the last printout, offered again next time.
    std::string printtitlestr;
    /// The rows of the cursor log, header first.
    TCursorLog cliplog;

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
    void create_transfer_item();
    void create_settings_menu();
    void create_settings_components();
    void create_output_actions();
    void create_edit_menu();
    void create_shell_components();
    void create_spectrogram();
    void create_calibration();
    void create_reference_items();
    void show_reference_items();
    void show_calibration();
    void SaveReference1Click();
    void LoadReference1Click();
    void load_reference_files(std::vector<std::string>& warnings);
    void measure_reference(bool pressed);
    QAction* make_action(const char* caption, const QKeySequence& shortcut,
                         void (TForm1::*handler)());
    QToolButton* make_button(QAction* action, bool check);
    void connect_devices();
    void centre_on_screen();

    /// Runs `handler`; an exception it raises goes to the error log, which shows it.
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
    TSettingValues setting_values();
    bool normal_window_state() const;
    /// Menus, layout and plots after settings changed.
    void settings_applied();

    TAnalyserComponents fcomponents;
    TAnalyser fanalyser;
    std::vector<QAction*> fidleactions;
    std::vector<std::pair<QToolButton*, QAction*>> fsltasbuttons;
    bool fresizing = false;
    /// While settings are read, the frequency axis waits for all of them: a range
    /// read before the scale need not fit the scale still in force.
    bool fholdfrequencyaxis = false;
    std::string fsettingsfile;
    TCalibratorRun fcalibrator;
    TCalibrationDialog* fcalibrationdialog = nullptr;
    /// The reference the cursors measure, -1 for a curve.
    int fmeasuredreference = -1;
    QAction* freferenceseparator = nullptr;
};

} // namespace zevrin
