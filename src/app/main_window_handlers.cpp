// The main window's behaviour: actions, what the engine reports, first activation,
// closing, the measurement cursors and the sound-file commands.

#include "app/main_window.h"

#include "app/curve_file.h"
#include "app/spectrogram_window.h"
#include "app/transfer_window.h"
#include "audio/sound_file.h"
#include "display/color_ref.h"
#include "dsp/vector_isa.h"
#include "engine/curve_export.h"
#include "engine/file_analysis.h"
#include "platform/message_box.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "platform/unhandled_error.h"
#include "zevrin_version.h"

#include <QAction>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressDialog>
#include <QToolButton>

namespace zevrin {

void TForm1::guarded(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& e) {
        handle_unhandled_error(e);
    }
}

void TForm1::show_error(const std::string& text) {
    message_box(text, product_name, mb::ok | mb::iconerror);
}

// ---- actions --------------------------------------------------------------------------

void TForm1::RunExecute() {
    guarded([this] { fanalyser.RunExecute(); });
}

void TForm1::Freeze1Execute() {
    guarded([this] { fanalyser.Freeze1Execute(); });
}

void TForm1::DoLTASExecute() {
    guarded([this] { fanalyser.DoLTASExecute(); });
}

void TForm1::clearltasExecute() {
    guarded([this] { fanalyser.clearltasExecute(); });
}

void TForm1::DoSLTASExecute() {
    guarded([this] { fanalyser.DoSLTASExecute(); });
}

void TForm1::clearsltasExecute() {
    guarded([this] { fanalyser.clearsltasExecute(); });
}

void TForm1::playactionExecute() {
    guarded([this] { fanalyser.playactionExecute(); });
}

void TForm1::fix_actions() {
    const bool idle = fanalyser.settings_enabled();
    for (QAction* action : fidleactions) {
        action->setEnabled(idle);
    }
}

void TForm1::add_idle_action(QAction* action) {
    fidleactions.push_back(action);
    action->setEnabled(fanalyser.settings_enabled());
}

void TForm1::pump_capture() {
    // Frame processing runs here, after Qt's code (dsp/vector_isa.h).
    clear_upper_vector_state();
    guarded([this] { fanalyser.pump_capture(); });
}

void TForm1::pump_playback() {
    guarded([this] { fanalyser.pump_playback(); });
}

// ---- what the engine reports ------------------------------------------------------

void TForm1::engine_changed(TAnalyserChange what) {
    switch (what) {
    case TAnalyserChange::spectrum:
        PaintBox1->update();
        if (TransferWindow1 != nullptr) {
            TransferWindow1->analyser_changed();
        }
        break;
    case TAnalyserChange::waveform:
        PaintBox2->update();
        break;
    case TAnalyserChange::status:
        show_status(false);
        break;
    case TAnalyserChange::status_now:
        show_status(true);
        break;
    case TAnalyserChange::buttons:
        show_buttons();
        // The rule holds whenever a button changes, also when a handler failed
        // before it could apply it.
        fix_actions();
        break;
    case TAnalyserChange::actions:
        fix_actions();
        break;
    case TAnalyserChange::dbrange:
        yaxis->set_LoValue(fanalyser.dbmin());
        yaxis->set_HiValue(fanalyser.dbmax());
        break;
    case TAnalyserChange::frequencyaxis:
        if (!fholdfrequencyaxis) {
            apply_frequency_axis();
        }
        break;
    case TAnalyserChange::timeaxis:
        taxis->set_HiValue(fanalyser.taxis_high());
        break;
    case TAnalyserChange::measuremenu:
        show_measure_menu();
        break;
    }
}

void TForm1::show_status(bool now) {
    for (int panel = 0; panel < StatusBar1->panel_count(); ++panel) {
        StatusBar1->set_text(panel, fanalyser.statustext(panel));
    }
    if (now) {
        StatusBar1->repaint();
    }
}

void TForm1::show_buttons() {
    const TAnalyser& a = fanalyser;
    runButton->setChecked(a.runButton_down);
    freezeButton->setChecked(a.freezeButton_down);
    ltasbutton->setChecked(a.ltasbutton_down);
    SLTASbutton->setChecked(a.SLTASbutton_down);
    playbutton->setChecked(a.playbutton_down);
    for (const auto& [button, action] : fsltasbuttons) {
        action->setVisible(a.usesltas());
    }
}

// A linear scale is set before the range and a logarithmic one after it, so that
// a range from 0 never meets a logarithmic scale on the way.
void TForm1::apply_frequency_axis() {
    const TAnalyser& a = fanalyser;
    if (!a.logfscale()) {
        xaxis->set_Logarithmic(false);
    }
    xaxis->set_HiValue(a.fmax());
    xaxis->set_MaxHiValue(a.fmax());
    xaxis->set_LoValue(a.fmin());
    xaxis->set_MaxLoValue(a.fmax());
    xaxis->set_Logarithmic(a.logfscale());
    xaxis->set_MusicScale(a.musicfscale());
}

// Interpolation acts only on a snapped cursor, so its item shows with "Snap to peak".
void TForm1::show_measure_menu() {
    const int curve = fanalyser.measurecurveno();
    for (size_t k = 0; k < measure_items.size(); ++k) {
        measureitems[k]->setChecked(measure_items[k].curve == curve);
    }
    N2->setVisible(curve != 0);
    Snaptopeak1->setVisible(curve != 0);
    Interpolate1->setVisible(curve != 0 && fanalyser.snaptopeak());
    Snaptopeak1->setChecked(fanalyser.snaptopeak());
    Interpolate1->setChecked(fanalyser.interpolate());
    show_reference_items();
    StatusBar2->update();
}

void TForm1::fix_measuremenu() {
    for (size_t k = 0; k < measure_items.size(); ++k) {
        measureitems[k]->setVisible(
            measure_item_visible(measure_items[k].curve, showcurve, fanalyser.dualchannels));
    }
}

// ---- start and end ----------------------------------------------------------------

void TForm1::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!activated) {
        guarded([this] { FormActivate(); });
    }
}

void TForm1::FormActivate() {
    if (activated) {
        return;
    }
    activated = true;
    TAnalyser& a = fanalyser;
    a.sampfreq = 8000;
    a.bandwidth = 50;
    PaintBox1->setAttribute(Qt::WA_OpaquePaintEvent);
    PaintBox2->setAttribute(Qt::WA_OpaquePaintEvent);
    a.set_dbmin(-25);
    a.set_dbmax(75);
    a.skipped = a.taken = a.excluded = 0;
    xaxis->set_MinLoValue(0);
    xaxis->set_MinValueDifference(10);
    yaxis->set_MinLoValue(-200);
    yaxis->set_MaxHiValue(200);
    yaxis->set_MinValueDifference(1);
    xaxis->set_AxisText("[Hz]");
    yaxis->set_AxisText(a.calibration.axis_text());
    taxis->set_AxisText("[ms]");
    defaultlinecolor = default_curve_colors;
    linecolor = defaultlinecolor;
    if (!user_hive_available()) {
        message_box(std::string("Zevrin cannot keep its settings: ") + no_home_folder_text +
                        ". It starts with its first-start settings, and what you change lasts "
                        "until it ends.",
                    product_name, mb::ok | mb::iconexclamation);
    }
    open_settings("");
}

// The settings are saved, or the user agrees to lose them, before the devices stop:
// a window that stays open keeps capturing and playing as before.
void TForm1::closeEvent(QCloseEvent* event) {
    if (!FormClose()) {
        event->ignore();
        return;
    }
    guarded([this] { fanalyser.FormCloseQuery(); });
    event->accept();
}

// ---- measurement cursors ------------------------------------------------------------

void TForm1::PaintBox1MouseDown(QMouseEvent* event) {
    cursors.mousewasjustpressed = true;
    PaintBox1MouseMove(event);
}

void TForm1::PaintBox1MouseMove(QMouseEvent* event) {
    const bool left = (event->buttons() & Qt::LeftButton) != 0;
    const QPoint at = event->position().toPoint();
    const double f = xaxis->pixel_to_value(at.x());
    const double level = yaxis->pixel_to_value(at.y());
    const bool pressed = cursors.mousewasjustpressed;
    cursor_event(fanalyser, cursors, left, f, level);
    if (left) {
        measure_reference(pressed);
        PaintBox1->update();
        StatusBar2->update();
    }
}

void TForm1::StatusBar2DrawPanel(QPainter& painter, int /*panel*/, const QRect& rect) {
    painter.fillRect(rect, palette().color(QPalette::Window));
    TReadout r = measurement_readout(fanalyser, cursors, showcurve, linecolor);
    if (fmeasuredreference >= 0 && fmeasuredreference < static_cast<int>(references.size())) {
        const auto k = static_cast<size_t>(fmeasuredreference);
        name_reference_readout(r, references[k].name, reference_colors[k]);
    }
    if (r.a.empty()) {
        return;
    }
    const QString a = QString::fromStdString(r.a);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(rect, Qt::AlignLeft | Qt::AlignTop, a);
    if (!r.b.empty()) {
        const int x = rect.left() + painter.fontMetrics().horizontalAdvance(a) + 5;
        painter.setPen(color_ref(r.bcolor));
        painter.drawText(QRect(x, rect.top(), rect.right() - x, rect.height()),
                         Qt::AlignLeft | Qt::AlignTop, QString::fromStdString(r.b));
    }
}

std::string TForm1::clipboardstr() const {
    return measurement_readout(fanalyser, cursors, showcurve, linecolor).clipboardstr;
}

// ---- sound files ------------------------------------------------------------------

void TForm1::AnalyseFile1Click() {
    const QString path = QFileDialog::getOpenFileName(
        this, "Analyse sound file", QString(),
        "Sound files (*.wav *.flac *.aif *.aiff *.ogg);;All files (*)");
    if (!path.isEmpty()) {
        guarded([&] { analyse_sound_file(path.toStdString()); });
    }
}

void TForm1::analyse_sound_file(const std::string& path) {
    TAnalyser& a = fanalyser;
    TSoundFile file(path);
    check_sound_file(a, file);
    a.sampfreq = file.samplerate();
    // The frequency range and the decay follow the file's rate.
    a.set_autoxaxis(a.autoxaxis());
    a.set_ltasdecaytime(a.ltasdecaytime());
    a.set_sltasdecaytime(a.sltasdecaytime());
    a.clearltasExecute();
    if (a.sltas()) {
        a.clearsltasExecute();
    }
    a.set_ltas(true);
    constexpr int steps = 1000;
    QProgressDialog progress(
        QString("Analysing %1").arg(QFileInfo(QString::fromStdString(path)).fileName()), "Cancel",
        0, steps, this);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    // The plots show the result once, not every frame on the way.
    class TUpdatesOff {
    public:
        explicit TUpdatesOff(QWidget* widget) : fwidget(widget) {
            fwidget->setUpdatesEnabled(false);
        }
        ~TUpdatesOff() { fwidget->setUpdatesEnabled(true); }
        TUpdatesOff(const TUpdatesOff&) = delete;
        TUpdatesOff& operator=(const TUpdatesOff&) = delete;

    private:
        QWidget* fwidget;
    };
    TFileAnalysis result;
    {
        const TUpdatesOff quiet(centralWidget());
        result = zevrin::analyse_sound_file(a, file, [&progress](double done) {
            const int step = static_cast<int>(done * steps);
            if (step != progress.value()) {
                progress.setValue(step);
            }
            return !progress.wasCanceled();
        });
    }
    progress.reset();
    SpectrogramForm->file_analysed();
    // What the user should know about the numbers now shown, in one box.
    std::string notes = early_end_text(path, result);
    if (result.clipped > 0) {
        notes += notes.empty() ? "" : "\n\n";
        notes += std::to_string(result.clipped) + " values beyond 16-bit full scale were clipped";
    }
    if (!notes.empty()) {
        const bool early = result.delivered < result.announced && !result.cancelled;
        message_box(notes, product_name,
                    mb::ok | (early ? mb::iconexclamation : mb::iconinformation));
    }
}

void TForm1::ExportCurves1Click() {
    QFileDialog dialog(this, "Export curves", QString(),
                       "Comma-separated values (*.csv);;All files (*)");
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix("csv");
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
        const std::string path = dialog.selectedFiles().front().toStdString();
        guarded([&] { export_curves(path); });
    }
}

void TForm1::export_curves(const std::string& path) {
    if (fanalyser.outdb1.empty()) {
        throw std::runtime_error(
            "There are no curves to export yet: run the analyser or analyse a sound file first");
    }
    write_curves_csv_file(path, fanalyser, exported_curves(fanalyser, showcurve));
}

} // namespace zevrin
