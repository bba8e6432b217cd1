// The window's calibration and references: the calibrator measured through the
// dialog on the running loopback, the level axis's unit, references saved, drawn,
// measured by the cursors and kept in the settings.

#include "window_fixture.h"

#include "app/calibration_dialog.h"
#include "dsp/numeric.h"
#include "engine/measurement.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>

#include <cmath>

namespace zevrin {
namespace {

using testing::WindowFixture;

class WindowCalibration : public WindowFixture {
protected:
    // A calibrator's 1 kHz tone reaches the input, whatever is played.
    void tone(double amplitude) {
        loop.set_filter([this, amplitude](double, int channel) {
            const double t = static_cast<double>(fn[channel & 1]++) / engine().sampfreq;
            return amplitude * std::sin(2 * pi * 1000 * t);
        });
    }
    // Presses the left button on the plot at frequency f.
    void press_at(double f) {
        TForm1& w = *window;
        const QPointF at(w.xaxis->value_to_pixel(f), 10);
        QMouseEvent press(QEvent::MouseButtonPress, at, w.PaintBox1->mapToGlobal(at),
                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        w.PaintBox1MouseDown(&press);
    }
    long fn[2] = {0, 0};
};

TEST_F(WindowCalibration, TheCalibratorSetsTheOffsetAndTheAxisShowsTheUnit) {
    TForm1& w = *window;
    tone(3000);
    w.RunExecute();
    advance(4000);
    double found = 0;
    QTimer::singleShot(0, [&] {
        TCalibrationDialog* d = w.calibration_dialog();
        ASSERT_NE(d, nullptr);
        d->unitbox->setCurrentIndex(1);
        d->CalibrateClick();
        for (int k = 0; k < 40 && !d->calibratebutton->isEnabled(); ++k) {
            advance(500);
        }
        found = d->offsetedit[0]->value();
        d->accept();
    });
    w.Calibration1->trigger();
    EXPECT_TRUE(messages.empty()) << messages.front();
    EXPECT_NE(found, 0.0);
    EXPECT_EQ(engine().calibration.channels[0].offset, found);
    EXPECT_EQ(w.yaxis->AxisText(), "[dB SPL]");
    // The cursor on the tone reads the calibrator's 94 dB SPL.
    w.RunExecute();
    engine().set_measurecurveno(1);
    press_at(1000);
    EXPECT_NEAR(w.cursors.measurelevel, 94, 0.05);
    EXPECT_NE(
        measurement_readout(engine(), w.cursors, w.showcurve, w.linecolor).b.find(" dB SPL, "),
        std::string::npos);

    // A silent input is refused with a message, and the offset stays.
    loop.set_filter({});
    w.RunExecute();
    advance(4000);
    QTimer::singleShot(0, [&] {
        TCalibrationDialog* d = w.calibration_dialog();
        d->CalibrateClick();
        for (int k = 0; k < 40 && !d->calibratebutton->isEnabled(); ++k) {
            advance(500);
        }
        d->accept();
    });
    w.Calibration1->trigger();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("too quiet"), std::string::npos) << messages[0];
    EXPECT_EQ(engine().calibration.channels[0].offset, found);
}

TEST_F(WindowCalibration, AReferenceIsDrawnMeasuredAndKept) {
    TForm1& w = *window;
    EXPECT_EQ(
        w.File1->actions().mid(3, 4),
        QList<QAction*>({w.ExportCurves1, w.SaveReference1, w.LoadReference1, w.ClearReferences1}));
    tone(3000);
    engine().set_ltas(true);
    w.RunExecute();
    advance(4000);
    w.RunExecute();
    const std::string path = home / "room.csv";
    w.save_reference(path);
    w.load_reference(path);
    ASSERT_EQ(w.references.size(), 1u);
    EXPECT_EQ(w.references[0].name, "room");
    EXPECT_EQ(w.references[0].notes.size(), 2u);
    w.PaintBox1->repaint();
    EXPECT_GT(w.PaintBox1->drawn_reference_lines(0), 100u);
    EXPECT_EQ(w.PaintBox1->drawn_reference_lines(1), 0u);

    // The cursors on the reference read its LTAS, which is the one shown.
    QAction* item = w.referenceitems[0];
    ASSERT_TRUE(item->isVisible());
    EXPECT_EQ(item->text(), "Reference 1: room");
    item->trigger();
    EXPECT_TRUE(item->isChecked());
    press_at(1000);
    const double f = w.cursors.measurefreq;
    tdoublearr levels(engine().outdb1.size() / 2 + 1);
    ASSERT_TRUE(shown_levels(engine(), 7, levels.size(), levels));
    const double binhz = engine().sampfreq / static_cast<double>(engine().outdb1.size());
    const auto bin = static_cast<size_t>(f / binhz);
    const double t = f / binhz - static_cast<double>(bin);
    EXPECT_NEAR(w.cursors.measurelevel, levels[bin] + t * (levels[bin + 1] - levels[bin]), 1e-6);
    EXPECT_EQ(
        measurement_readout(engine(), w.cursors, w.showcurve, w.linecolor).b.rfind("Levels ", 0),
        0u);
    w.findChild<QAction*>("MeasureMono")->trigger();
    EXPECT_FALSE(item->isChecked());

    // A file that is no reference changes nothing, nor does a fifth.
    test::write_text(home / "bad.csv", "frequency_hz,Mono\n0,1\n1,2,3\n");
    EXPECT_THROW(w.load_reference(home / "bad.csv"), EReferenceError);
    for (int k = 0; k < 3; ++k) {
        w.load_reference(path);
    }
    EXPECT_THROW(w.load_reference(path), std::runtime_error);
    EXPECT_EQ(w.references.size(), 4u);

    // Kept in the settings: a new window shows them again.
    w.clear_references();
    w.load_reference(path);
    w.save_settings("");
    open_window();
    ASSERT_EQ(window->references.size(), 1u);
    EXPECT_EQ(window->referencefiles, (std::vector<std::string>{path}));
}

} // namespace
} // namespace zevrin
