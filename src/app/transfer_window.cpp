#include "app/transfer_window.h"

#include "app/transfer_outputs.h"
#include "engine/transfer_export.h"
#include "platform/message_box.h"
#include "zevrin_version.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace zevrin {

namespace {

// Curve colours, 0x00BBGGRR.
constexpr uint32_t blue = 0xFF0000;
constexpr uint32_t green = 0x008000;
constexpr uint32_t fuchsia = 0xFF00FF;
constexpr uint32_t black = 0x000000;
constexpr uint32_t red = 0x0000FF;
constexpr uint32_t grey = 0x909090;

constexpr int window_width = 900;
// The impulse response's range shows where its energy-time curve stands this far
// above its floor, and above the second figure (dB below the peak).
constexpr double impulse_fit_above_floor = 15;
constexpr double impulse_fit_floor = -60;
constexpr int window_height = 760;

const TPlotUnits magnitude_units{"f", "Hz", "0.0", "dB", "0.00"};
const TPlotUnits phase_units{"f", "Hz", "0.0", "deg", "0.0"};
const TPlotUnits group_delay_units{"f", "Hz", "0.0", "ms", "0.###"};
const TPlotUnits coherence_units{"f", "Hz", "0.0", "", "0.000"};
const TPlotUnits distortion_units{"f", "Hz", "0.0", "dB", "0.0"};
const TPlotUnits impulse_units{"t", "ms", "0.###", "", "0.######"};
const TPlotUnits energy_time_units{"t", "ms", "0.###", "dB", "0.0"};

TPlotSeries series_of(const char* name, const std::vector<double>& x, const std::vector<double>& y,
                      uint32_t color) {
    return {name, x.data(), y.data(), std::min(x.size(), y.size()), color};
}

// The range of every series of a plot together; false when none has a value.
bool plot_range(const TCurvePlot& plot, double& lo, double& hi) {
    bool any = false;
    for (const TPlotSeries& s : plot.series()) {
        double l = 0, h = 0;
        if (value_range(s, l, h)) {
            lo = any ? std::min(lo, l) : l;
            hi = any ? std::max(hi, h) : h;
            any = true;
        }
    }
    return any;
}

void set_range(TAxis& axis, double lo, double hi) {
    axis.set_hilovalues(lo, hi);
}

} // namespace

TTransferWindow::TTransferWindow(const TAnalyser& analyser, QWidget* parent)
    : QWidget(parent, Qt::Window), fa(analyser) {
    setWindowTitle("Transfer function");
    create_controls();
    create_plots();
    link_frequency_axes();
    resize(window_width, window_height);
}

void TTransferWindow::create_controls() {
    PhaseView = new QComboBox(this);
    PhaseView->setObjectName("PhaseView");
    PhaseView->addItems({"Phase", "Unwrapped phase", "Group delay"});
    ImpulseView = new QComboBox(this);
    ImpulseView->setObjectName("ImpulseView");
    ImpulseView->addItems({"Impulse response", "Energy-time curve"});
    LogFrequency = new QCheckBox("Logarithmic frequency", this);
    LogFrequency->setObjectName("LogFrequency");
    LogFrequency->setChecked(true);
    FitButton = new QPushButton("Fit ranges", this);
    ExportTransferButton = new QPushButton("Export transfer function...", this);
    ExportImpulseButton = new QPushButton("Export impulse response...", this);
    Figures = new QLabel(this);
    Figures->setObjectName("Figures");
    Figures->setTextInteractionFlags(Qt::TextSelectableByMouse);
    Readout = new QLabel(this);
    Readout->setObjectName("Readout");
    Readout->setTextInteractionFlags(Qt::TextSelectableByMouse);
    connect(PhaseView, &QComboBox::currentIndexChanged, this,
            [this](int view) { guarded([&] { set_phase_view(view); }); });
    connect(ImpulseView, &QComboBox::currentIndexChanged, this,
            [this](int view) { guarded([&] { set_impulse_view(view); }); });
    connect(LogFrequency, &QCheckBox::toggled, this,
            [this](bool on) { guarded([&] { set_log_frequency(on); }); });
    connect(FitButton, &QPushButton::clicked, this, [this] { guarded([&] { fit_axes(); }); });
    connect(ExportTransferButton, &QPushButton::clicked, this, [this] {
        export_dialog("Export transfer function", "Comma-separated values (*.csv);;All files (*)",
                      "csv", &TTransferWindow::export_transfer);
    });
    connect(ExportImpulseButton, &QPushButton::clicked, this, [this] {
        export_dialog("Export impulse response",
                      "WAV, 32-bit float (*.wav);;Comma-separated values (*.csv);;All files (*)",
                      "wav", &TTransferWindow::export_impulse);
    });
}

TPlotPanel* TTransferWindow::make_panel(const char* name, const char* title, const char* xtext,
                                        const char* ytext) {
    auto* panel = new TPlotPanel(title, xtext, ytext, this);
    panel->setObjectName(name);
    panel->plot->OnBeforePaint = [this] { refresh(); };
    panel->plot->OnCursorsChanged = [this, panel] {
        fmeasured = panel;
        show_readout();
    };
    return panel;
}

void TTransferWindow::create_plots() {
    MagnitudePanel = make_panel("MagnitudePanel", "Magnitude", "[Hz]", "[dB]");
    PhasePanel = make_panel("PhasePanel", "Phase, without the delay", "[Hz]", "[deg]");
    CoherencePanel = make_panel("CoherencePanel", "Coherence", "[Hz]", "");
    DistortionPanel = make_panel("DistortionPanel",
                                 "Partials (black), distortion (red) and noise (grey) of the "
                                 "response",
                                 "[Hz]", "[dB]");
    ImpulsePanel = make_panel("ImpulsePanel", "Impulse response", "[ms]", "");

    auto* controls = new QHBoxLayout;
    controls->addWidget(PhaseView);
    controls->addWidget(ImpulseView);
    controls->addWidget(LogFrequency);
    controls->addWidget(FitButton);
    controls->addStretch(1);
    controls->addWidget(ExportTransferButton);
    controls->addWidget(ExportImpulseButton);
    auto* grid = new QGridLayout;
    grid->addWidget(MagnitudePanel, 0, 0);
    grid->addWidget(PhasePanel, 0, 1);
    grid->addWidget(CoherencePanel, 1, 0);
    grid->addWidget(DistortionPanel, 1, 1);
    grid->addWidget(ImpulsePanel, 2, 0, 1, 2);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(controls);
    layout->addLayout(grid, 1);
    layout->addWidget(Figures);
    layout->addWidget(Readout);
}

std::array<TPlotPanel*, 4> TTransferWindow::frequency_panels() const {
    return {MagnitudePanel, PhasePanel, CoherencePanel, DistortionPanel};
}

void TTransferWindow::link_frequency_axes() {
    for (TPlotPanel* panel : frequency_panels()) {
        panel->xaxis->OnScaleChanging = [this](TAxis* a) { frequency_range_changed(a); };
        panel->xaxis->OnScaleChanged = [this](TAxis* a) { frequency_range_changed(a); };
    }
}

void TTransferWindow::frequency_range_changed(TAxis* sender) {
    if (fsyncing) {
        return;
    }
    fsyncing = true;
    for (TPlotPanel* panel : frequency_panels()) {
        if (panel->xaxis != sender) {
            panel->xaxis->set_hilovalues(sender->LoValue(), sender->HiValue());
        }
        panel->plot->update();
    }
    fsyncing = false;
}

void TTransferWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    analyser_changed();
}

void TTransferWindow::analyser_changed() {
    fdirty = true;
    if (!isVisible()) {
        return;
    }
    for (TPlotPanel* panel :
         {MagnitudePanel, PhasePanel, CoherencePanel, DistortionPanel, ImpulsePanel}) {
        panel->plot->update();
    }
}

void TTransferWindow::refresh() {
    if (!fdirty) {
        return;
    }
    fdirty = false;
    // This runs inside a paint: a failure is shown, never thrown, and tried again at
    // the next paint.
    try {
        recompute();
    } catch (const std::exception& e) {
        fdirty = true;
        for (TPlotPanel* p :
             {MagnitudePanel, PhasePanel, CoherencePanel, DistortionPanel, ImpulsePanel}) {
            p->plot->series().clear();
        }
        Figures->setText(QString::fromStdString(e.what()));
    }
}

void TTransferWindow::recompute() {
    ftransfer.compute(fa);
    fdistortion.compute(fa);
    set_series();
    Figures->setText(QString::fromStdString(figures_text()));
    const bool newperiod =
        ftransfer.valid() && (ftransfer.sampfreq != fsampfreq || ftransfer.length != flength);
    if (newperiod) {
        fsampfreq = ftransfer.sampfreq;
        flength = ftransfer.length;
        fit_frequency_axes();
    }
    if (ffitpending && ftransfer.valid()) {
        fit_axes();
    }
    show_readout();
}

// The series point into the computed arrays, which may have moved.
void TTransferWindow::set_series() {
    const TTransferFunction& tf = ftransfer;
    const TDistortion& d = fdistortion;
    MagnitudePanel->plot->series() = {series_of("Magnitude", tf.frequency, tf.magnitude_db, blue)};
    switch (fphaseview) {
    case TPhaseView::phase:
        PhasePanel->plot->series() = {series_of("Phase", tf.frequency, tf.phase_deg, green)};
        break;
    case TPhaseView::unwrapped:
        PhasePanel->plot->series() = {
            series_of("Unwrapped phase", tf.frequency, tf.unwrapped_deg, green)};
        break;
    case TPhaseView::group_delay:
        PhasePanel->plot->series() = {
            series_of("Group delay", tf.frequency, tf.group_delay_ms, green)};
        break;
    }
    CoherencePanel->plot->series() = {series_of("Coherence", tf.frequency, tf.coherence, fuchsia)};
    DistortionPanel->plot->series() = {
        series_of("Partials", d.partial_frequency, d.signal_db, black),
        series_of("Distortion", d.frequency, d.distortion_db, red),
        series_of("Noise", d.frequency, d.noise_db, grey)};
    if (fimpulseview == TImpulseView::impulse) {
        ImpulsePanel->plot->series() = {
            series_of("Impulse response", tf.time_ms, tf.impulse, black)};
    } else {
        ImpulsePanel->plot->series() = {
            series_of("Energy-time curve", tf.time_ms, tf.etc_db(), blue)};
    }
    if (!tf.valid()) {
        for (TPlotPanel* p : {MagnitudePanel, PhasePanel, CoherencePanel, ImpulsePanel}) {
            p->plot->series().clear();
        }
    }
    if (!d.valid()) {
        DistortionPanel->plot->series().clear();
    }
}

std::string TTransferWindow::figures_text() const {
    std::string text = transfer_summary(ftransfer, fdistortion);
    while (!text.empty() && text.back() == '\n') {
        text.pop_back();
    }
    return text;
}

std::string TTransferWindow::readout_text() const {
    if (fmeasured == nullptr) {
        return std::string();
    }
    const TPlotUnits* units = &magnitude_units;
    if (fmeasured == PhasePanel) {
        units = fphaseview == TPhaseView::group_delay ? &group_delay_units : &phase_units;
    } else if (fmeasured == CoherencePanel) {
        units = &coherence_units;
    } else if (fmeasured == DistortionPanel) {
        units = &distortion_units;
    } else if (fmeasured == ImpulsePanel) {
        units = fimpulseview == TImpulseView::impulse ? &impulse_units : &energy_time_units;
    }
    return cursor_readout(fmeasured->plot->cursors(), fmeasured->plot->series(), *units);
}

void TTransferWindow::show_readout() {
    Readout->setText(QString::fromStdString(readout_text()));
}

void TTransferWindow::fit_frequency_axes() {
    if (flength <= 0) {
        return;
    }
    const double lo = fsampfreq / flength;
    const double hi = fsampfreq / 2;
    fsyncing = true;
    const bool log = LogFrequency->isChecked();
    for (TPlotPanel* panel : frequency_panels()) {
        // A logarithmic axis needs both ends above 0 before and after.
        TAxis& x = *panel->xaxis;
        x.set_MinLoValue(0);
        if (!log) {
            x.set_Logarithmic(false);
        }
        x.set_hilovalues(log ? lo : 0.0, hi);
        x.set_Logarithmic(log);
    }
    fsyncing = false;
}

void TTransferWindow::fit_axes() {
    refresh();
    ffitpending = !ftransfer.valid();
    double lo = 0, hi = 0;
    if (plot_range(*MagnitudePanel->plot, lo, hi)) {
        nice_range(lo, hi, 10, 20, 80);
        set_range(*MagnitudePanel->yaxis, lo, hi);
    }
    if (fphaseview == TPhaseView::phase) {
        set_range(*PhasePanel->yaxis, -180, 180);
    } else if (plot_range(*PhasePanel->plot, lo, hi)) {
        const bool degrees = fphaseview == TPhaseView::unwrapped;
        nice_range(lo, hi, degrees ? 90 : 1, degrees ? 180 : 2, degrees ? 1e6 : 100);
        set_range(*PhasePanel->yaxis, lo, hi);
    }
    set_range(*CoherencePanel->yaxis, 0, 1.05);
    if (plot_range(*DistortionPanel->plot, lo, hi)) {
        nice_range(lo, hi, 10, 40, 160);
        set_range(*DistortionPanel->yaxis, lo, hi);
    }
    if (fimpulseview == TImpulseView::impulse) {
        const double peak = std::max(std::abs(ftransfer.peak), 1e-9) * 1.1;
        set_range(*ImpulsePanel->yaxis, -peak, peak);
    } else {
        set_range(*ImpulsePanel->yaxis, -120, 0);
    }
    if (ftransfer.valid()) {
        double from = 0, to = 0;
        ftransfer.energy_span(impulse_fit_above_floor, impulse_fit_floor, from, to);
        const double margin = 0.2 * (to - from) + 1000.0 / ftransfer.sampfreq;
        const double period = ftransfer.length * 1000.0 / ftransfer.sampfreq;
        set_range(*ImpulsePanel->xaxis, std::max(0.0, from - margin),
                  std::min(period, to + margin));
        fit_frequency_axes();
    }
    for (TPlotPanel* p :
         {MagnitudePanel, PhasePanel, CoherencePanel, DistortionPanel, ImpulsePanel}) {
        p->plot->update();
    }
}

void TTransferWindow::set_phase_view(int view) {
    fphaseview = static_cast<TPhaseView>(std::clamp(view, 0, 2));
    static constexpr std::array<const char*, 3> texts = {"[deg]", "[deg]", "[ms]"};
    PhasePanel->yaxis->set_AxisText(texts[static_cast<size_t>(fphaseview)]);
    static constexpr std::array<const char*, 3> titles = {"Phase, without the delay",
                                                          "Unwrapped phase, without the delay",
                                                          "Group delay, without the delay"};
    PhasePanel->title->setText(titles[static_cast<size_t>(fphaseview)]);
    PhasePanel->plot->cursors().shown = false;
    set_series();
    fit_axes();
    show_readout();
}

void TTransferWindow::set_impulse_view(int view) {
    fimpulseview = static_cast<TImpulseView>(std::clamp(view, 0, 1));
    const bool impulse = fimpulseview == TImpulseView::impulse;
    ImpulsePanel->yaxis->set_AxisText(impulse ? "" : "[dB]");
    ImpulsePanel->title->setText(impulse ? "Impulse response" : "Energy-time curve");
    ImpulsePanel->plot->cursors().shown = false;
    set_series();
    fit_axes();
    show_readout();
}

void TTransferWindow::set_log_frequency(bool /*on*/) {
    fit_frequency_axes();
    for (TPlotPanel* panel : frequency_panels()) {
        panel->plot->update();
    }
}

void TTransferWindow::export_transfer(const std::string& path) {
    refresh();
    if (!ftransfer.valid()) {
        throw std::runtime_error("There is no transfer function to export: " + ftransfer.problem());
    }
    write_transfer_file(path, ftransfer, fdistortion);
}

void TTransferWindow::export_impulse(const std::string& path) {
    refresh();
    if (!ftransfer.valid()) {
        throw std::runtime_error("There is no impulse response to export: " + ftransfer.problem());
    }
    write_impulse_file(path, ftransfer);
}

void TTransferWindow::guarded(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& e) {
        message_box(e.what(), product_name, mb::ok | mb::iconerror);
    }
}

void TTransferWindow::export_dialog(const char* title, const char* filter, const char* suffix,
                                    void (TTransferWindow::*write)(const std::string&)) {
    QFileDialog dialog(this, title, QString(), filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(suffix);
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
        const std::string path = dialog.selectedFiles().front().toStdString();
        guarded([&] { (this->*write)(path); });
    }
}

} // namespace zevrin
