#pragma once
// TCalibrationDialog: "Calibration", opened from the "&Settings" menu. It edits a copy
// of the analyser's calibration: the unit of calibrated levels, and for each channel
// its offset and its microphone correction file; "&Ok" puts the copy in force.
//
// "Calibrate..." measures the running input with a calibrator on the microphone of the
// chosen channel (94 dB or 114 dB, or a level typed, at the frequency given) over a
// few frames, and on success puts the offset it found into that channel's field; an
// input it refuses is named in a message. The measurement is the engine's
// (engine/calibrator.h); the main window hands it each frame. GUI thread only.

#include "engine/analyser.h"
#include "engine/calibrator.h"

#include <QDialog>

#include <array>
#include <functional>
#include <string>

class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace zevrin {

class TCalibrationDialog : public QDialog {
    Q_OBJECT

public:
    /// `analyser` and `run` must outlive the dialog; the dialog starts `run` and the
    /// main window feeds it frames.
    TCalibrationDialog(const TAnalyser& analyser, TCalibratorRun& run, QWidget* parent = nullptr);

    /// The calibration as the dialog shows it.
    const TCalibration& calibration() const { return fcalibration; }

    /// Shows `message` (a test replaces the message box).
    std::function<void(const std::string& message, bool error)> OnMessage;

    /// A frame was handed to the run: the dialog takes the outcome once it is done.
    void frame_taken();

    // Controls, for the tests.
    QComboBox* unitbox = nullptr;
    std::array<QDoubleSpinBox*, 2> offsetedit{};
    std::array<QLineEdit*, 2> correctionedit{};
    QComboBox* calchannelbox = nullptr;
    QComboBox* callevelbox = nullptr;
    QDoubleSpinBox* callevel = nullptr;
    QDoubleSpinBox* calfrequency = nullptr;
    QPushButton* calibratebutton = nullptr;
    QLabel* calstatus = nullptr;

    /// "Calibrate...".
    void CalibrateClick();
    /// Reads the correction file at `path` for `channel` (empty: none); a file that
    /// cannot be used is named in a message and changes nothing.
    void choose_correction(int channel, const std::string& path);

    void done(int result) override;

private:
    void build();
    QWidget* channel_row(int channel);
    QWidget* calibrator_group();
    void show_values();
    void message(const std::string& text, bool error);

    const TAnalyser& fanalyser;
    TCalibratorRun& frun;
    TCalibration fcalibration;
};

} // namespace zevrin
