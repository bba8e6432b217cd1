// The "Transfer function" window: opened from the Measure menu, live while the
// synchronous average grows, its cursors, and its exports.

#include "window_fixture.h"

#include "app/transfer_window.h"
#include "dsp/text.h"
#include "engine/sound_files.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>

#include <cmath>
#include <filesystem>
#include <fstream>

namespace zevrin {
namespace {

using testing::WindowFixture;

constexpr int period = 1024;
constexpr int delay = 30;

class TransferWindow : public WindowFixture {
protected:
    // SLTAS with two channels: the left straight from the output, the right through
    // `delay` samples of sound path at half the level.
    void start(int pattern = 2) {
        TForm1& w = *window;
        TAnalyser& a = engine();
        a.dualchannels = true;
        a.sltaspoints = period;
        a.partialpattern = pattern;
        a.set_usesltas(true);
        w.components().FFT1.set_Window(TFFTWindow::rectangle);
        a.bandwidth = a.sampfreq / a.sltaspoints;
        auto line = std::make_shared<std::vector<double>>(delay, 0.0);
        auto at = std::make_shared<size_t>(0);
        loop.set_gain(0.5);
        loop.set_filter([line, at](double v, int channel) {
            if (channel == 0) {
                return v;
            }
            std::swap(v, (*line)[*at]);
            *at = (*at + 1) % line->size();
            return 0.5 * v;
        });
        loop.set_noise(2.0, 4);
        w.playactionExecute();
        w.RunExecute();
        advance(2 * period);
        w.DoSLTASExecute();
        ASSERT_TRUE(messages.empty()) << messages.front();
    }
    void frames(int count) {
        for (int k = 0; k < count; ++k) {
            advance(period);
        }
    }
    TTransferWindow& open() {
        window->TransferFunction1->trigger();
        EXPECT_NE(window->TransferWindow1, nullptr);
        return *window->TransferWindow1;
    }
};

TEST_F(TransferWindow, OpensFromTheMeasureMenuBelowItsItems) {
    const QList<QAction*> items = window->Measure1->actions();
    ASSERT_GE(items.size(), 3);
    EXPECT_EQ(items.back(), window->TransferFunction1);
    EXPECT_EQ(items.back()->text(), "Transfer function...");
    EXPECT_TRUE(items[items.size() - 2]->isSeparator());
    EXPECT_EQ(items[items.size() - 3], window->Interpolate1);
    TTransferWindow& t = open();
    EXPECT_TRUE(t.isVisible());
    EXPECT_EQ(t.windowTitle(), "Transfer function");
    // Nothing to show yet, and the window says why.
    t.refresh();
    EXPECT_NE(t.figures_text().find("SLTAS mode is off"), std::string::npos) << t.figures_text();
    window->TransferFunction1->trigger(); // a second time: the same window
    EXPECT_EQ(window->findChildren<TTransferWindow*>().size(), 1);
}

TEST_F(TransferWindow, FollowsTheAverageWhileItGrows) {
    start();
    TTransferWindow& t = open();
    frames(3);
    t.MagnitudePanel->plot->render();
    EXPECT_EQ(t.transfer().weight, engine().sltasdecayedcount);
    EXPECT_NE(t.figures_text().find("Delay: 30 samples"), std::string::npos) << t.figures_text();
    ASSERT_TRUE(t.transfer().valid());
    for (double db : t.transfer().magnitude_db) {
        ASSERT_NEAR(db, 20 * std::log10(0.5), 0.05);
    }
    frames(2);
    t.ImpulsePanel->plot->render();
    EXPECT_EQ(t.transfer().weight, engine().sltasdecayedcount);
    EXPECT_NE(t.figures_text().find("Frames averaged: " + std::to_string(engine().sltascount)),
              std::string::npos)
        << t.figures_text();
    // Every plot draws the curves it was given.
    for (TPlotPanel* p :
         {t.MagnitudePanel, t.PhasePanel, t.CoherencePanel, t.DistortionPanel, t.ImpulsePanel}) {
        ASSERT_FALSE(p->plot->series().empty()) << p->objectName().toStdString();
        EXPECT_GT(p->plot->series().front().count, 10u) << p->objectName().toStdString();
    }
}

TEST_F(TransferWindow, CursorsReadTheCurveUnderThePointer) {
    start();
    frames(3);
    TTransferWindow& t = open();
    window->RunExecute();
    t.fit_axes();
    TCurvePlot& plot = *t.CoherencePanel->plot;
    const TAxis& x = *t.CoherencePanel->xaxis;
    const TAxis& y = *t.CoherencePanel->yaxis;
    const auto at = [&](double f) { return QPointF(x.value_to_pixel(f), y.value_to_pixel(1)); };
    QTest::mousePress(&plot, Qt::LeftButton, Qt::NoModifier, at(200).toPoint());
    QMouseEvent drag(QEvent::MouseMove, at(2000), plot.mapToGlobal(at(2000)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&plot, &drag);
    settle();
    const std::string readout = t.readout_text();
    EXPECT_EQ(readout, t.Readout->text().toStdString());
    ASSERT_EQ(readout.rfind("f1=", 0), 0u) << readout;
    EXPECT_NE(readout.find("Coherence 1.000, 1.000, Diff "), std::string::npos) << readout;
    // f2 stands on the partial nearest the pointer.
    const TTransferFunction& tf = t.transfer();
    const double f2 = x.pixel_to_value(x.value_to_pixel(2000));
    const auto nearest =
        std::min_element(tf.frequency.begin(), tf.frequency.end(),
                         [f2](double a, double b) { return std::abs(a - f2) < std::abs(b - f2); });
    EXPECT_NE(readout.find("f2=" + format_float("0.0", *nearest) + " Hz"), std::string::npos)
        << readout;
}

TEST_F(TransferWindow, ExportsWhatItShows) {
    testing::TempFolder temp;
    TTransferWindow& t = open();
    EXPECT_THROW(t.export_impulse(temp.file("none.wav")), std::runtime_error);
    EXPECT_FALSE(std::filesystem::exists(temp.file("none.wav")));
    start(0); // every partial: the whole impulse response
    frames(3);
    window->RunExecute();
    t.export_impulse(temp.file("h.wav"));
    t.export_transfer(temp.file("t.csv"));
    SF_INFO info{};
    SNDFILE* f = sf_open(temp.file("h.wav").c_str(), SFM_READ, &info);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(info.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    EXPECT_EQ(info.frames, period);
    std::vector<float> h(period);
    sf_readf_float(f, h.data(), period);
    sf_close(f);
    // Half the level, 30 samples late: so the response is found in time.
    const auto peak = std::max_element(h.begin(), h.end(),
                                       [](float a, float b) { return std::abs(a) < std::abs(b); });
    EXPECT_EQ(peak - h.begin(), delay);
    EXPECT_NEAR(*peak, 0.5, 0.02);
    std::ifstream in(temp.file("t.csv"));
    std::string header;
    std::getline(in, header);
    EXPECT_EQ(header, "frequency_hz,magnitude_db,phase_deg,unwrapped_phase_deg,group_delay_ms,"
                      "coherence,distortion_db,noise_db");
}

} // namespace
} // namespace zevrin
