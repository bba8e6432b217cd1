// The settings dialog on an engine of its own: filling, the live updates, the
// colours and "&Ok" with its order and its conversion errors.

#include "audio/virtual_loopback.h"
#include "dsp/numeric.h"
#include "dsp/text.h"
#include "platform/message_box.h"
#include "settings/settings_dialog.h"
#include "support/qt_app.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>

#include <gtest/gtest.h>

namespace zevrin {
namespace {

// Two sound cards of each kind.
struct TwoCards : TVirtualLoopback {
    std::vector<std::string> input_names() override { return {"In A", "In B"}; }
    std::vector<std::string> output_names() override { return {"Out A", "Out B"}; }
};

class Dialog : public ::testing::Test {
protected:
    Dialog() {
        set_message_box_handler([this](const std::string& text, const std::string&, unsigned) {
            messages.push_back(text);
            return id::ok;
        });
        showcurve.fill(true);
    }
    ~Dialog() override {
        set_message_box_handler(nullptr);
        set_decimal_separator('.');
    }

    QApplication& app = test::qt_app();
    TwoCards loop;
    TAnalyserComponents components{loop};
    TAnalyser a{components};
    std::array<uint32_t, ncurves> linecolor = default_curve_colors;
    std::array<bool, ncurves> showcurve{};
    std::vector<std::string> messages;
    int applied = 0;
    TForm2 form{{a, linecolor, default_curve_colors, showcurve}, [this] { ++applied; }};
};

TEST_F(Dialog, PagesAndCaptions) {
    ASSERT_EQ(form.PageControl1->count(), 4);
    EXPECT_EQ(form.windowTitle(), "Settings");
    EXPECT_EQ(form.PageControl1->tabText(0), "General");
    EXPECT_EQ(form.PageControl1->tabText(3), "Colors");
    EXPECT_TRUE(form.Button1->isDefault());
    EXPECT_EQ(form.StereoCheckList->item(6)->text(), "L-R LTAS");
    EXPECT_EQ(form.ListBox1->count(), ncurves);
    EXPECT_EQ(form.sltaspointsCombo->count(), 12);
}

TEST_F(Dialog, OkWritesBackWhatShowingFilledIn) {
    a.sampfreq = 22050;
    a.bandwidth = 25;
    a.fftwindow = TFFTWindow::Blackman;
    components.FFT1.set_Window(TFFTWindow::Blackman);
    a.sltaspoints = 2048;
    a.set_dbmin(-55.5);
    a.set_autoxaxis(false);
    a.set_fmax(3000);
    a.set_fmin(20);
    a.set_logfscale(true);
    a.set_musicfscale(true);
    a.ltasdecay = a.sltasdecay = true;
    a.set_ltasdecaytime(1.5);
    a.set_sltasdecaytime(1.5);
    a.set_excludehighpower(true);
    a.set_excludedblimit(4.5);
    a.partialpattern = 4;
    a.partialsperoctave = 7;
    a.singlesinusfreq = 440;
    a.set_tilt(-3);
    a.set_highpass(false);
    a.maxgain = 10;
    a.stretchwave = false;
    a.dualchannels = true;
    showcurve[9] = false;
    components.MPCRecord1.set_DeviceID(1);
    components.MPCPlay1.set_DeviceID(0);
    components.MPCRecord1.set_Latency(0.04);
    form.FormShow();
    EXPECT_EQ(form.sfedit->text(), "22050");
    EXPECT_EQ(form.latencyedit->text(), "40");
    EXPECT_EQ(form.maxgainedit->text(), "20");
    EXPECT_EQ(form.sltaspointsCombo->currentText(), "2048");
    EXPECT_EQ(form.recordcardcombo->currentIndex(), 1);
    EXPECT_EQ(form.partialpatternradio->checkedId(), 4);
    form.Button1Click();
    EXPECT_TRUE(messages.empty()) << messages.front();
    EXPECT_EQ(applied, 1);
    EXPECT_EQ(a.sampfreq, 22050);
    EXPECT_EQ(a.bandwidth, 25);
    EXPECT_EQ(components.FFT1.Window(), TFFTWindow::Blackman);
    EXPECT_EQ(a.sltaspoints, 2048);
    EXPECT_EQ(a.dbmin(), -55.5);
    EXPECT_EQ(a.fmax(), 3000);
    EXPECT_EQ(a.fmin(), 20);
    EXPECT_TRUE(a.logfscale());
    EXPECT_TRUE(a.musicfscale());
    EXPECT_DOUBLE_EQ(a.sltasdecaytime(), 1.5);
    EXPECT_EQ(a.excludedblimit(), 4.5);
    EXPECT_TRUE(a.excludehighpower());
    EXPECT_EQ(a.partialpattern, 4);
    EXPECT_EQ(a.partialsperoctave, 7);
    EXPECT_EQ(a.singlesinusfreq, 440);
    EXPECT_EQ(a.tilt(), -3);
    EXPECT_FALSE(a.highpass());
    EXPECT_DOUBLE_EQ(a.maxgain, 10);
    EXPECT_FALSE(a.stretchwave);
    EXPECT_FALSE(showcurve[9]);
    EXPECT_TRUE(showcurve[10]);
    EXPECT_EQ(components.MPCRecord1.DeviceID(), 1);
    EXPECT_EQ(components.MPCPlay1.DeviceID(), 0);
    EXPECT_DOUBLE_EQ(components.MPCRecord1.Latency(), 0.04);
    EXPECT_DOUBLE_EQ(components.MPCPlay1.Latency(), 0); // the playback keeps the device's
}

TEST_F(Dialog, FftPointsPreviewAndTheRangeThatFollows) {
    a.sampfreq = 16000;
    a.bandwidth = 100;
    form.FormShow();
    EXPECT_EQ(form.sizelabel->text(), "FFT points: 320");
    form.windowcombo->setCurrentIndex(static_cast<int>(TFFTWindow::Blackman));
    form.windowcomboChange();
    EXPECT_EQ(form.sizelabel->text(), "FFT points: 480");
    form.windowcombo->setCurrentIndex(static_cast<int>(TFFTWindow::rectangle));
    form.windowcomboChange();
    EXPECT_EQ(form.sizelabel->text(), "FFT points: 160");
    // "Auto": the range follows the sampling frequency, from the bandwidth with "Log".
    form.sfedit->setText("20000");
    EXPECT_EQ(form.fmaxedit->text(), "10000");
    EXPECT_FALSE(form.fmaxedit->isEnabled());
    form.logcheck->setChecked(true);
    EXPECT_EQ(form.fminedit->text(), "100");
    form.bwedit->setText("abc");
    EXPECT_EQ(form.sizelabel->text(), "FFT points: ?");
    EXPECT_TRUE(form.fmaxedit->text().isEmpty());
    EXPECT_TRUE(form.fminedit->text().isEmpty());
    form.xautocheck->setChecked(false);
    EXPECT_TRUE(form.fmaxedit->isEnabled());
    EXPECT_TRUE(messages.empty());
}

TEST_F(Dialog, MusicNotesGoWithLog) {
    form.FormShow();
    form.musicfscalecheck->setChecked(true);
    EXPECT_TRUE(form.logcheck->isChecked());
    form.logcheck->setChecked(false);
    EXPECT_FALSE(form.musicfscalecheck->isChecked());
}

TEST_F(Dialog, ControlsShownByOthers) {
    a.showwave = false;
    form.FormShow();
    EXPECT_TRUE(form.stretchcheck->isHidden());
    EXPECT_TRUE(form.maxgainedit->isHidden());
    form.wavecheck->setChecked(true);
    EXPECT_FALSE(form.stretchcheck->isHidden());
    EXPECT_FALSE(form.maxgainedit->isHidden());
    form.stretchcheck->setChecked(false);
    EXPECT_TRUE(form.butlabel->isHidden());
    EXPECT_FALSE(form.StereoCheckList->isVisibleTo(&form));
    form.dualcheck->setChecked(true);
    EXPECT_TRUE(form.StereoCheckList->isVisibleTo(&form));
    EXPECT_FALSE(form.monoCheckList->isVisibleTo(&form));
    EXPECT_TRUE(form.decayedit->isHidden());
    form.decaycheck->setChecked(true);
    EXPECT_FALSE(form.decayedit->isHidden());
}

TEST_F(Dialog, SltasSetsBandwidthAndWindow) {
    set_decimal_separator(',');
    a.sampfreq = 44100;
    a.sltaspoints = 4096;
    form.FormShow();
    EXPECT_TRUE(form.FFT2group->isHidden());
    form.usesltascheck->setChecked(true);
    EXPECT_TRUE(form.fft1group->isHidden());
    EXPECT_FALSE(form.FFT2group->isHidden());
    EXPECT_EQ(form.bwlabel1->text(), "10,77");
    EXPECT_EQ(form.sizelabel->text(), "FFT points: 4096");
    form.sltaspointsCombo->setCurrentIndex(form.sltaspointsCombo->findText("1024"));
    form.sltaspointsComboClick();
    EXPECT_EQ(form.bwlabel1->text(), "43,07");
    form.Button1Click();
    EXPECT_TRUE(a.usesltas());
    EXPECT_EQ(a.bandwidth, 44100.0 / 1024);
    EXPECT_EQ(a.sltaspoints, 1024);
    EXPECT_EQ(components.FFT1.Window(), TFFTWindow::rectangle);
    EXPECT_EQ(a.fftwindow, TFFTWindow::Hamming); // kept for leaving SLTAS mode
}

TEST_F(Dialog, HiddenStereoFlagsAreWrittenToo) {
    a.dualchannels = true;
    form.FormShow();
    form.StereoCheckList->item(6)->setCheckState(Qt::Unchecked); // L-R LTAS
    form.monoCheckList->item(2)->setCheckState(Qt::Unchecked);   // Mono LTAS
    form.dualcheck->setChecked(false);
    form.Button1Click();
    EXPECT_FALSE(showcurve[10]);
    EXPECT_FALSE(showcurve[7]);
    EXPECT_FALSE(a.dualchannels);
}

// "&Ok" reads and checks every value before it writes any: the window never holds
// half of the dialog's values.
TEST_F(Dialog, ANumberThatIsNoneStopsOkBeforeAnythingIsWritten) {
    form.show();
    a.set_freeze(true);
    a.stretchwave = true;
    form.dbmaxedit->setText("90");
    form.maxgainedit->setText("");
    form.stretchcheck->setChecked(false);
    form.Button1->click();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "'' is not a valid floating point value");
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(applied, 0);
    EXPECT_EQ(a.dbmax(), 75);
    EXPECT_TRUE(a.freeze());
    EXPECT_TRUE(a.stretchwave);
    form.maxgainedit->setText("12");
    form.Button1->click();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(a.dbmax(), 90);
}

TEST_F(Dialog, AValueOutOfRangeStopsOkAndNamesTheSettingAndItsRange) {
    form.show();
    const auto ok_says = [this] {
        messages.clear();
        form.Button1->click();
        return messages.empty() ? std::string() : messages.front();
    };
    // 11025 Hz with Hamming: frames of 2 to 2^20 samples.
    for (const std::string bw : {"0", "1e-300", "0.01", "11026", "-1"}) {
        form.bwedit->setText(QString::fromStdString(bw));
        EXPECT_EQ(ok_says().rfind("Bandwidth [Hz] must be from 0.0210285 to 11025 Hz, not ", 0), 0u)
            << bw;
    }
    form.bwedit->setText("1e300");
    EXPECT_EQ(ok_says(), "Bandwidth [Hz] must be from 0.0210285 to 11025 Hz, not 1E300");
    form.bwedit->setText("50");
    form.sfedit->setText("1e9");
    EXPECT_EQ(ok_says(), "Sampling frequency must be from 1000 to 384000 Hz, not 1E9");
    form.sfedit->setText("11025");
    form.decayedit->setText("-1");
    EXPECT_EQ(ok_says(), "Decay time (-60dB) [s] must be from 0 to 1000000 s, not -1");
    form.decayedit->setText("2");
    for (const std::string ms : {"5", "12.5", "2001"}) {
        form.latencyedit->setText(QString::fromStdString(ms));
        EXPECT_EQ(ok_says(), "Recording latency [ms] must be a whole number from 10 to 2000 ms, "
                             "not " +
                                 ms);
    }
    form.latencyedit->setText("100");
    form.xautocheck->setChecked(false);
    form.logcheck->setChecked(true);
    form.fminedit->setText("0");
    EXPECT_EQ(ok_says(), "Min value [Hz] must be above 0 Hz on a logarithmic axis, not 0");
    form.logcheck->setChecked(false);
    form.decayedit->setText("-1");
    EXPECT_EQ(ok_says(), "Decay time (-60dB) [s] must be from 0 to 1000000 s, not -1");
    EXPECT_EQ(applied, 0);
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(a.ltasdecaytime(), 0);
    // The spin box holds no more partials than the setting allows.
    form.partialspin->setValue(2147483647);
    EXPECT_EQ(form.partialspin->value(), 8192);
    form.decayedit->setText("2");
    EXPECT_EQ(ok_says(), "");
    EXPECT_EQ(applied, 1);
    EXPECT_EQ(a.partialsperoctave, 8192);
    EXPECT_EQ(a.ltasdecaytime(), 2);
    EXPECT_DOUBLE_EQ(components.MPCRecord1.Latency(), 0.1);
}

TEST_F(Dialog, SltasPointsOutsideTheListStopOkUntilOneIsPicked) {
    a.sltaspoints = 1000;
    a.set_usesltas(true);
    form.show();
    EXPECT_TRUE(messages.empty()); // opening is no error
    EXPECT_EQ(form.sltaspointsCombo->currentIndex(), -1);
    form.Button1->click();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "'' is not a valid integer value");
    EXPECT_EQ(a.sltaspoints, 1000);
    form.hide();
}

TEST_F(Dialog, TheDefaultDeviceSelectsNothingAndIsWrittenBack) {
    components.MPCRecord1.set_DeviceID(-1);
    components.MPCPlay1.set_DeviceID(7); // a device the system no longer has
    form.FormShow();
    EXPECT_EQ(form.recordcardcombo->count(),
              static_cast<int>(components.MPCRecord1.Devicenames().size()));
    EXPECT_EQ(form.recordcardcombo->currentIndex(), -1);
    form.Button1Click();
    EXPECT_EQ(components.MPCRecord1.DeviceID(), -1);
    EXPECT_EQ(components.MPCPlay1.DeviceID(), -1);
}

TEST_F(Dialog, NumbersUseTheUsersSeparator) {
    set_decimal_separator(',');
    a.set_ltasdecaytime(0.5);
    a.ltasdecay = true;
    form.FormShow();
    EXPECT_EQ(form.decayedit->text(), "0,5");
    form.decayedit->setText("2,25");
    form.Button1Click();
    EXPECT_EQ(a.ltasdecaytime(), 2.25);
    EXPECT_EQ(a.sltasdecaytime(), 2.25);
}

TEST_F(Dialog, ColoursChangeOnlyOnOk) {
    form.FormShow();
    form.PageControl1->setCurrentIndex(3);
    form.ListBox1->setCurrentRow(3); // Right, red
    const auto swatch = [this](int row) {
        const QRect r = form.ListBox1->visualItemRect(form.ListBox1->item(row));
        return form.ListBox1->viewport()->grab().toImage().pixelColor(r.left() + r.height() / 2,
                                                                      r.center().y());
    };
    form.resize(form.sizeHint());
    EXPECT_EQ(swatch(3), QColor(255, 0, 0));
    QTimer::singleShot(0, [this] {
        form.ColorDialog1->setCurrentColor(QColor(10, 200, 30));
        form.ColorDialog1->accept();
    });
    form.colorbuttonClick();
    EXPECT_EQ(form.linecolor[3], 0x1EC80Au);
    EXPECT_EQ(swatch(3), QColor(10, 200, 30));
    EXPECT_EQ(linecolor[3], default_curve_colors[3]);
    form.defaultbuttonClick();
    EXPECT_EQ(form.linecolor[3], default_curve_colors[3]);
    form.linecolor[0] = 0x000080;
    form.Button1Click();
    EXPECT_EQ(linecolor[0], 0x000080u);
}

} // namespace
} // namespace zevrin
