// The main window: first activation, layout, actions, menus and the measurement
// cursors, on a virtual loopback; and the program's message boxes.

#include "window_fixture.h"

#include "app/qt_message_box.h"
#include "dsp/text.h"

#include <QAction>
#include <QActionGroup>
#include <QFontMetrics>
#include <QFrame>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSplitter>
#include <QTimer>
#include <QToolButton>
#include <algorithm>

namespace zevrin {
namespace {

using testing::WindowFixture;

class Window : public WindowFixture {
protected:
    QStringList menu_texts(QMenu* menu) {
        QStringList texts;
        for (QAction* a : menu->actions()) {
            texts << (a->isSeparator() ? QString("-") : a->text());
        }
        return texts;
    }
    void check_layout() {
        TForm1& w = *window;
        EXPECT_EQ(w.yaxis->x(), 2);
        EXPECT_EQ(w.yaxis->y(), 2);
        EXPECT_EQ(w.PaintBox1->x(), 2 + w.yaxis->width());
        EXPECT_EQ(w.PaintBox1->y(), 2);
        EXPECT_EQ(w.xaxis->x(), w.PaintBox1->x());
        EXPECT_EQ(w.PaintBox1->width(), w.xaxis->width());
        EXPECT_EQ(w.PaintBox1->height(), w.yaxis->height());
        EXPECT_EQ(w.xaxis->y(), w.Panel1->height() - w.xaxis->height() - 4);
        EXPECT_EQ(w.xaxis->x() + w.xaxis->width(), w.Panel1->width() - 4);
        EXPECT_EQ(w.PaintBox1->bmp1().size(), w.PaintBox1->size());
        if (engine().showwave) {
            EXPECT_EQ(w.PaintBox2->x(), w.PaintBox1->x());
            EXPECT_EQ(w.PaintBox2->width(), w.PaintBox1->width());
            EXPECT_EQ(w.taxis->x(), w.PaintBox2->x());
            EXPECT_EQ(w.taxis->width(), w.PaintBox2->width());
            EXPECT_EQ(w.taxis->y(), w.Panel2->height() - w.taxis->height() - 4);
            EXPECT_EQ(w.PaintBox2->y() + w.PaintBox2->height(), w.taxis->y());
            EXPECT_EQ(w.PaintBox2->bmp2().size(), w.PaintBox2->size());
        }
    }
};

TEST_F(Window, FirstActivationStartsWithTheFirstStartSettings) {
    TForm1& w = *window;
    const TAnalyser& a = engine();
    EXPECT_TRUE(w.activated);
    EXPECT_EQ(w.windowTitle(), "Zevrin");
    EXPECT_EQ(a.sampfreq, 11025);
    EXPECT_EQ(a.bandwidth, 50);
    EXPECT_EQ(w.components().FFT1.Window(), TFFTWindow::Hamming);
    EXPECT_EQ(w.yaxis->LoValue(), -30);
    EXPECT_EQ(w.yaxis->HiValue(), 75);
    EXPECT_EQ(w.xaxis->LoValue(), 0);
    EXPECT_EQ(w.xaxis->HiValue(), 5512.5);
    EXPECT_EQ(w.xaxis->MaxHiValue(), 5512.5);
    EXPECT_EQ(w.yaxis->MinLoValue(), -200);
    EXPECT_EQ(w.xaxis->AxisText(), "[Hz]");
    EXPECT_EQ(w.yaxis->AxisText(), "[dB]");
    EXPECT_EQ(w.taxis->AxisText(), "[ms]");
    EXPECT_EQ(w.linecolor, default_curve_colors);
    EXPECT_EQ(w.components().MPCRecord1.DeviceID(), 0);
    // The client area under the menu bar, toolbar to status bars.
    EXPECT_EQ(w.width(), 537);
    EXPECT_EQ(w.height() - (w.menuBar()->y() + w.menuBar()->height()), 561);
    EXPECT_EQ(w.StatusBar2->mapTo(&w, QPoint(0, w.StatusBar2->height())).y(), w.height());
    // Activating again changes nothing.
    engine().sampfreq = 16000;
    w.FormActivate();
    EXPECT_EQ(a.sampfreq, 16000);
}

TEST_F(Window, PlotsKeepTheSizeOfTheirAxes) {
    TForm1& w = *window;
    check_layout();
    for (QSize size : {QSize(900, 700), QSize(640, 480), QSize(300, 270), QSize(1200, 800)}) {
        w.resize(size);
        settle();
        SCOPED_TRACE(size.width());
        check_layout();
        EXPECT_GE(w.Panel1->height(), 70);
        EXPECT_GE(w.Panel2->height(), 70);
    }
    w.Splitter1->setSizes({150, 400});
    settle();
    check_layout();
    // Without the waveform the spectrum takes its room and keeps its left edge.
    const int left = w.PaintBox1->x();
    const int height = w.PaintBox1->height();
    engine().showwave = false;
    w.FormResize();
    settle();
    EXPECT_FALSE(w.Panel2->isVisible());
    EXPECT_EQ(w.PaintBox1->x(), left);
    EXPECT_GT(w.PaintBox1->height(), height);
    check_layout();
}

TEST_F(Window, MenusAndActions) {
    TForm1& w = *window;
    QStringList menus;
    for (QAction* a : w.menuBar()->actions()) {
        menus << a->text();
    }
    EXPECT_EQ(menus, QStringList({"&File", "&Edit", "&Measure", "Control", "&Settings", "&Tools",
                                  "&Help"}));
    EXPECT_EQ(menu_texts(w.File1),
              QStringList({"Print...", "-", "Analyse sound file...", "Export curves...",
                           "Save as reference...", "Load reference...", "Clear references", "-",
                           "E&xit"}));
    EXPECT_EQ(menu_texts(w.Control1),
              QStringList({"Run", "Freeze", "LTAS", "Clear LTAS", "Spectrogram"}));
    // No settings file was used yet: no recent files, no separator or clear item shown.
    QStringList settings = menu_texts(w.Settings1);
    EXPECT_EQ(settings.mid(0, 7),
              QStringList({"Options...", "-", "&Calibration...", "Save &now!",
                           "Always save on e&xit", "&Open file...", "Save &as file..."}));
    for (QAction* a : w.Settings1->actions().mid(7)) {
        EXPECT_FALSE(a->isVisible()) << a->text().toStdString();
    }
    EXPECT_EQ(w.Settings->shortcut(), QKeySequence(Qt::Key_F6));
    EXPECT_EQ(w.settingsbutton->text(), "Settings");
    EXPECT_EQ(menu_texts(w.ToolsMenu1->Menu()), QStringList({"&Zevrin"}));
    EXPECT_EQ(menu_texts(w.Help1),
              QStringList({"E-mail Marven Data", "Marven Data Web", "Check for new version now",
                           "Check for new version automatically", "-", "A&bout..."}));
    // The SLTAS buttons show in SLTAS mode only.
    EXPECT_FALSE(w.playbutton->isVisible());
    engine().set_usesltas(true);
    settle();
    EXPECT_TRUE(w.playbutton->isVisible());
    EXPECT_TRUE(w.SLTASbutton->isVisible());
    EXPECT_TRUE(w.clearsltasbutton->isVisible());
}

TEST_F(Window, ShortcutsReachTheirActions) {
    TForm1& w = *window;
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    QTest::keyClick(&w, Qt::Key_F7);
    EXPECT_TRUE(engine().ltas());
    EXPECT_TRUE(w.ltasbutton->isChecked());
    QTest::keyClick(&w, Qt::Key_F3);
    EXPECT_TRUE(engine().freeze());
    QTest::keyClick(&w, Qt::Key_F2);
    EXPECT_TRUE(engine().running());
    EXPECT_TRUE(w.runButton->isChecked());
    advance(2000);
    EXPECT_GT(engine().ltascount, 0);
    QTest::keyClick(&w, Qt::Key_F8);
    EXPECT_EQ(engine().ltascount, 0);
    QTest::keyClick(&w, Qt::Key_F2);
    EXPECT_FALSE(engine().running());
    EXPECT_FALSE(w.components().MPCRecord1.OwnBoard());
    // The toolbar's buttons do the same.
    QTest::mouseClick(w.freezeButton, Qt::LeftButton);
    EXPECT_FALSE(engine().freeze());
    EXPECT_FALSE(w.freezeButton->isChecked());
}

TEST_F(Window, IdleActionsOnlyWhileNeitherCaptureNorPlaybackRuns) {
    TForm1& w = *window;
    QAction settings("Options...", &w);
    w.add_idle_action(&settings);
    EXPECT_TRUE(settings.isEnabled());
    EXPECT_TRUE(w.AnalyseFile1->isEnabled());
    w.RunExecute();
    EXPECT_FALSE(settings.isEnabled());
    EXPECT_FALSE(w.AnalyseFile1->isEnabled());
    w.playactionExecute();
    w.RunExecute();
    EXPECT_FALSE(settings.isEnabled()); // still playing
    EXPECT_TRUE(w.playbutton->isChecked());
    w.playactionExecute();
    EXPECT_TRUE(settings.isEnabled());
    EXPECT_TRUE(w.AnalyseFile1->isEnabled());
    EXPECT_TRUE(messages.empty());
}

TEST_F(Window, AnErrorIsShownAndTheProgramGoesOn) {
    TForm1& w = *window;
    engine().bandwidth = 20000; // a frame shorter than two samples
    w.RunExecute();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].rfind("FFT size out of range (", 0), 0u) << messages[0];
    EXPECT_TRUE(w.runButton->isChecked());
    EXPECT_FALSE(w.AnalyseFile1->isEnabled());
    w.RunExecute(); // the stop branch
    EXPECT_FALSE(engine().running());
    EXPECT_TRUE(w.AnalyseFile1->isEnabled());
    // A device that cannot be opened.
    engine().bandwidth = 50;
    w.components().MPCRecord1.set_DeviceID(5);
    w.RunExecute();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1].rfind("waveinOpen:", 0), 0u) << messages[1];
    EXPECT_FALSE(w.runButton->isChecked());
}

TEST_F(Window, ADeviceThatFailsWhileRunningLeavesTheWindowIdle) {
    TForm1& w = *window;
    engine().set_ltas(true);
    w.playactionExecute();
    w.RunExecute();
    advance(2000);
    loop.set_fault(TLoopbackFault::running);
    advance(2000);
    ASSERT_EQ(messages.size(), 2u); // capture and playback each say so once
    EXPECT_TRUE(std::any_of(messages.begin(), messages.end(),
                            [](const std::string& m) { return m.rfind("waveinWrite:", 0) == 0; }));
    EXPECT_FALSE(engine().running());
    EXPECT_FALSE(w.runButton->isChecked());
    EXPECT_FALSE(w.playbutton->isChecked());
    EXPECT_TRUE(w.Settings->isEnabled());
    EXPECT_TRUE(w.AnalyseFile1->isEnabled());
    const int before = engine().ltascount;
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    QTest::keyClick(&w, Qt::Key_F2);
    EXPECT_TRUE(engine().running());
    EXPECT_TRUE(w.runButton->isChecked());
    advance(2000);
    EXPECT_GT(engine().ltascount, before);
    EXPECT_EQ(messages.size(), 2u);
}

TEST_F(Window, ClosingStopsBothDevices) {
    TForm1& w = *window;
    w.playactionExecute();
    w.RunExecute();
    ASSERT_TRUE(w.components().MPCRecord1.OwnBoard());
    ASSERT_TRUE(w.components().MPCPlay1.OwnBoard());
    EXPECT_TRUE(w.close());
    EXPECT_FALSE(w.components().MPCRecord1.OwnBoard());
    EXPECT_FALSE(w.components().MPCPlay1.OwnBoard());
    EXPECT_EQ(loop.open_streams(), 0);
}

TEST_F(Window, MeasureMenuSelectsTheCurve) {
    TForm1& w = *window;
    const auto item = [&w](const char* name) { return w.Measure1->findChild<QAction*>(name); };
    ASSERT_NE(item("MeasureLeftLTAS"), nullptr);
    // Freehand to "Right LTAS" are one radio group (a menu shows them as radio items);
    // the SLTAS items are check items of their own.
    QActionGroup* radio = item("measurefreehand")->actionGroup();
    ASSERT_NE(radio, nullptr);
    EXPECT_TRUE(radio->isExclusive());
    EXPECT_EQ(radio->actions(),
              QList<QAction*>(w.measureitems.begin(), w.measureitems.begin() + 10));
    EXPECT_EQ(item("MeasureSLTAS")->actionGroup(), nullptr);
    engine().set_measurecurveno(11);
    EXPECT_EQ(radio->checkedAction(), nullptr);
    EXPECT_TRUE(item("MeasureSLTAS")->isChecked());
    engine().set_measurecurveno(1);
    EXPECT_EQ(radio->checkedAction(), item("MeasureMono"));
    EXPECT_FALSE(item("MeasureSLTAS")->isChecked());
    EXPECT_TRUE(item("MeasureMono")->isChecked());
    EXPECT_TRUE(item("MeasureLTAS")->isVisible());
    EXPECT_FALSE(item("MeasureLeftLTAS")->isVisible());
    engine().dualchannels = true;
    w.fix_measuremenu();
    EXPECT_FALSE(item("MeasureLTAS")->isVisible());
    EXPECT_TRUE(item("MeasureLeftLTAS")->isVisible());
    item("MeasureLeftLTAS")->trigger();
    EXPECT_EQ(engine().measurecurveno(), 8);
    EXPECT_TRUE(item("MeasureLeftLTAS")->isChecked());
    EXPECT_FALSE(item("MeasureMono")->isChecked());
    EXPECT_TRUE(w.Snaptopeak1->isVisible());
    EXPECT_TRUE(w.Interpolate1->isVisible());
    w.Snaptopeak1->trigger();
    EXPECT_FALSE(engine().snaptopeak());
    EXPECT_FALSE(w.Interpolate1->isVisible());
    w.Interpolate1->trigger();
    EXPECT_FALSE(engine().interpolate());
    item("measurefreehand")->trigger();
    EXPECT_EQ(engine().measurecurveno(), 0);
    EXPECT_FALSE(w.N2->isVisible());
    EXPECT_FALSE(w.Snaptopeak1->isVisible());
    w.showcurve[9] = false;
    w.fix_measuremenu();
    EXPECT_FALSE(item("MeasureRightLTAS")->isVisible());
}

// Losses that the sound server reports (its overflow of the capture, its underflow of
// the test signal) reach the "skipped" readout like the program's own.
TEST_F(Window, LossesTheHostReportsAreCountedAsSkipped) {
    TForm1& w = *window;
    engine().set_usesltas(true);
    const size_t period = static_cast<size_t>(engine().sltaspoints);
    w.DoLTASExecute();
    w.playactionExecute();
    w.RunExecute();
    advance(3 * period);
    EXPECT_EQ(engine().skipped, 0);
    loop.set_fault(TLoopbackFault::overflow);
    advance(period);
    advance(2 * period);
    EXPECT_EQ(engine().skipped, 1);
    const std::string one = w.StatusBar1->text(1);
    EXPECT_EQ(one.substr(one.find(" excluded")), " excluded, 1 skipped") << one;
    loop.set_fault(TLoopbackFault::underflow);
    advance(period);
    advance(2 * period);
    EXPECT_EQ(engine().skipped, 2);
    EXPECT_EQ(w.StatusBar1->text(1).substr(one.find(" excluded")), " excluded, 2 skipped");
    // With the capture stopped, a gap in the test signal reaches no average.
    w.RunExecute();
    loop.set_fault(TLoopbackFault::underflow);
    advance(3 * period);
    EXPECT_EQ(engine().skipped, 2);
}

// The texts of the engine's third status panel fit it at the window's first size,
// measured with the font it is drawn in.
TEST_F(Window, TheSilenceNoticeFitsItsStatusPanel) {
    TForm1& w = *window;
    engine().set_usesltas(true);
    engine().sltaspoints = 64;
    engine().partialpattern = 9; // selects no partial
    w.playactionExecute();
    settle();
    const QString text = QString::fromStdString(w.StatusBar1->text(2));
    EXPECT_EQ(text, "No partial: silence");
    const QFontMetrics metrics(w.StatusBar1->font());
    const int room = w.StatusBar1->panel_rect(2).width() - 2; // less the text's indent
    EXPECT_LE(metrics.horizontalAdvance(text), room);
    EXPECT_LE(metrics.horizontalAdvance("Excluded (overloaded)"), room);
}

TEST_F(Window, MouseOnThePlotMeasures) {
    TForm1& w = *window;
    engine().set_measurecurveno(0);
    const QPoint down(w.xaxis->value_to_pixel(1000.0), w.yaxis->value_to_pixel(20.0));
    const QPoint to(w.xaxis->value_to_pixel(3000.0), w.yaxis->value_to_pixel(-10.0));
    QTest::mousePress(w.PaintBox1, Qt::LeftButton, {}, down);
    QTest::mouseMove(w.PaintBox1, to);
    QTest::mouseRelease(w.PaintBox1, Qt::LeftButton, {}, to);
    EXPECT_TRUE(engine().domeasure);
    EXPECT_DOUBLE_EQ(w.cursors.measuredownfreq, w.xaxis->pixel_to_value(down.x()));
    EXPECT_DOUBLE_EQ(w.cursors.measurefreq, w.xaxis->pixel_to_value(to.x()));
    EXPECT_DOUBLE_EQ(w.cursors.measurelevel, w.yaxis->pixel_to_value(to.y()));
    const std::string log = w.clipboardstr();
    EXPECT_EQ(std::count(log.begin(), log.end(), '\t'), 3);
    // The right button measures nothing.
    QTest::mousePress(w.PaintBox1, Qt::RightButton, {}, down);
    QTest::mouseRelease(w.PaintBox1, Qt::RightButton, {}, down);
    EXPECT_DOUBLE_EQ(w.cursors.measurefreq, w.xaxis->pixel_to_value(to.x()));
    // A press without a move: one point.
    QTest::mouseClick(w.PaintBox1, Qt::LeftButton, {}, down);
    EXPECT_EQ(w.clipboardstr(), format_float("0.0", w.cursors.measurefreq) + "\t" +
                                    format_float("0.0", w.cursors.measurelevel));
    // The readout is drawn into the second status bar; with "Measure" off it is empty.
    const QImage shown = w.StatusBar2->grab().toImage();
    engine().measure = false;
    const QImage empty = w.StatusBar2->grab().toImage();
    EXPECT_NE(shown, empty);
    EXPECT_TRUE(w.clipboardstr().empty());
}

} // namespace
} // namespace zevrin

namespace zevrin {
namespace {

// Answers the box that is about to open by pressing `button` after checking it.
void answer_next_box(QMessageBox::StandardButton button, QMessageBox::Icon icon,
                     QMessageBox::StandardButtons buttons, QMessageBox::StandardButton deflt) {
    QTimer::singleShot(0, [=] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->icon(), icon);
        EXPECT_EQ(box->standardButtons(), buttons);
        EXPECT_EQ(box->defaultButton(), box->button(deflt));
        box->button(button)->click();
    });
}

TEST(QtMessageBox, ShowsTheButtonsAndIconOfItsFlags) {
    answer_next_box(QMessageBox::Yes, QMessageBox::Question, QMessageBox::Yes | QMessageBox::No,
                    QMessageBox::No);
    EXPECT_EQ(qt_message_box("Save?", "Zevrin", mb::yesno | mb::iconquestion | mb::defbutton2),
              id::yes);
    answer_next_box(QMessageBox::Ok, QMessageBox::Critical, QMessageBox::Ok, QMessageBox::Ok);
    EXPECT_EQ(qt_message_box("Failed", "Zevrin", mb::ok | mb::iconerror), id::ok);
    answer_next_box(QMessageBox::Cancel, QMessageBox::Warning,
                    QMessageBox::Retry | QMessageBox::Cancel, QMessageBox::Retry);
    EXPECT_EQ(qt_message_box("Again?", "Zevrin", mb::retrycancel | mb::iconexclamation),
              id::cancel);
}

} // namespace
} // namespace zevrin
