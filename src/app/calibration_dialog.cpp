#include "app/calibration_dialog.h"

#include "dsp/text.h"
#include "platform/message_box.h"
#include "zevrin_version.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace zevrin {

namespace {

constexpr int calibrator_frames = 8;
const std::array<const char*, 2> channel_captions = {"Mono or left channel", "Right channel"};

QDoubleSpinBox* number_box(double lo, double hi, int decimals, const char* suffix) {
    auto* box = new QDoubleSpinBox;
    box->setRange(lo, hi);
    box->setDecimals(decimals);
    box->setSuffix(suffix);
    return box;
}

} // namespace

TCalibrationDialog::TCalibrationDialog(const TAnalyser& analyser, TCalibratorRun& run,
                                       QWidget* parent)
    : QDialog(parent), fanalyser(analyser), frun(run), fcalibration(analyser.calibration) {
    setWindowTitle("Calibration");
    build();
    show_values();
}

void TCalibrationDialog::build() {
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    unitbox = new QComboBox;
    unitbox->setObjectName("unitbox");
    for (int k = 0; k < nlevelunits; ++k) {
        unitbox->addItem(level_unit_name(static_cast<TLevelUnit>(k)));
    }
    form->addRow("Unit of calibrated levels", unitbox);
    layout->addLayout(form);
    for (int k = 0; k < 2; ++k) {
        layout->addWidget(channel_row(k));
    }
    layout->addWidget(calibrator_group());
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Ok)->setText("&Ok");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

QWidget* TCalibrationDialog::channel_row(int channel) {
    const auto k = static_cast<size_t>(channel);
    auto* group = new QGroupBox(channel_captions[k]);
    auto* form = new QFormLayout(group);
    offsetedit[k] = number_box(-300, 300, 2, " dB");
    offsetedit[k]->setObjectName(QString("offsetedit%1").arg(channel));
    form->addRow("Offset", offsetedit[k]);
    auto* row = new QHBoxLayout;
    correctionedit[k] = new QLineEdit;
    correctionedit[k]->setReadOnly(true);
    correctionedit[k]->setPlaceholderText("none");
    auto* browse = new QPushButton("Open...");
    auto* none = new QPushButton("None");
    row->addWidget(correctionedit[k], 1);
    row->addWidget(browse);
    row->addWidget(none);
    form->addRow("Microphone correction", row);
    connect(browse, &QPushButton::clicked, this, [this, channel] {
        const QString path = QFileDialog::getOpenFileName(
            this, "Microphone correction file", QString(),
            "Correction files (*.txt *.cal *.frd *.csv);;All files (*)");
        if (!path.isEmpty()) {
            choose_correction(channel, path.toStdString());
        }
    });
    connect(none, &QPushButton::clicked, this, [this, channel] { choose_correction(channel, ""); });
    return group;
}

QWidget* TCalibrationDialog::calibrator_group() {
    auto* group = new QGroupBox("Calibrator on the microphone");
    auto* form = new QFormLayout(group);
    calchannelbox = new QComboBox;
    calchannelbox->addItems({channel_captions[0], channel_captions[1]});
    form->addRow("Channel", calchannelbox);
    callevelbox = new QComboBox;
    callevelbox->addItems({"94 dB", "114 dB", "Other"});
    callevel = number_box(-300, 300, 2, "");
    callevel->setValue(94);
    callevel->setEnabled(false);
    auto* levelrow = new QHBoxLayout;
    levelrow->addWidget(callevelbox);
    levelrow->addWidget(callevel);
    form->addRow("Level", levelrow);
    connect(callevelbox, &QComboBox::currentIndexChanged, this, [this](int index) {
        callevel->setEnabled(index == 2);
        if (index < 2) {
            callevel->setValue(index == 0 ? 94 : 114);
        }
    });
    calfrequency = number_box(10, 100000, 1, " Hz");
    calfrequency->setValue(1000);
    form->addRow("Frequency", calfrequency);
    calibratebutton = new QPushButton("Calibrate...");
    calibratebutton->setObjectName("calibratebutton");
    calstatus = new QLabel;
    calstatus->setWordWrap(true);
    form->addRow(calibratebutton, calstatus);
    connect(calibratebutton, &QPushButton::clicked, this, &TCalibrationDialog::CalibrateClick);
    return group;
}

void TCalibrationDialog::show_values() {
    unitbox->setCurrentIndex(static_cast<int>(fcalibration.unit));
    for (size_t k = 0; k < 2; ++k) {
        offsetedit[k]->setValue(fcalibration.channels[k].offset);
        correctionedit[k]->setText(QString::fromStdString(fcalibration.channels[k].correctionfile));
    }
}

void TCalibrationDialog::message(const std::string& text, bool error) {
    if (OnMessage) {
        OnMessage(text, error);
    } else {
        message_box(text, product_name, mb::ok | (error ? mb::iconerror : mb::iconinformation));
    }
}

void TCalibrationDialog::choose_correction(int channel, const std::string& path) {
    try {
        fcalibration.set_correction(channel, path);
    } catch (const EMicCorrectionError& e) {
        message(e.what(), true);
        return;
    }
    correctionedit[static_cast<size_t>(channel)]->setText(QString::fromStdString(path));
}

void TCalibrationDialog::CalibrateClick() {
    if (!fanalyser.running()) {
        message("Start the input (Run) with the calibrator on the microphone, then calibrate.",
                true);
        return;
    }
    const int channel = calchannelbox->currentIndex();
    if (channel == 1 && !fanalyser.dualchannels) {
        message("The right channel is measured only with two channels.", true);
        return;
    }
    frun.start(channel, TCalibratorTarget{callevel->value(), calfrequency->value()},
               calibrator_frames);
    calibratebutton->setEnabled(false);
    calstatus->setText("Measuring...");
}

void TCalibrationDialog::frame_taken() {
    if (!frun.done() || calibratebutton->isEnabled()) {
        return;
    }
    calibratebutton->setEnabled(true);
    // The correction the dialog shows is the one the offset must go with.
    const auto k = static_cast<size_t>(frun.channel());
    const TCalibratorResult r = frun.result(fcalibration.channels[k].correction);
    if (!r.ok) {
        calstatus->setText("Refused");
        message(r.message, true);
        return;
    }
    offsetedit[k]->setValue(r.offset);
    calstatus->setText(QString::fromStdString(
        "Measured " + format_float("0.00", r.level) + " dB at " + format_float("0.0", r.frequency) +
        " Hz: offset " + format_float("0.00", r.offset) + " dB"));
}

void TCalibrationDialog::done(int result) {
    frun.cancel();
    if (result == QDialog::Accepted) {
        fcalibration.unit = static_cast<TLevelUnit>(unitbox->currentIndex());
        for (size_t k = 0; k < 2; ++k) {
            fcalibration.channels[k].offset = offsetedit[k]->value();
        }
    }
    QDialog::done(result);
}

} // namespace zevrin
