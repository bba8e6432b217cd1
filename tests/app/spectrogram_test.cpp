// The spectrogram beside the window: its menu item, a sweep from a sound file (the
// brightest row of every column at the sweep's frequency), the reading under the
// pointer, and the picture that `zevrin --analyse FILE --spectrogram OUT.png` writes
// without a display.

#include "window_fixture.h"

#include "app/spectrogram_window.h"
#include "engine/sound_files.h"

#include <QAction>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QProcess>
#include <QProcessEnvironment>

#include <cmath>

namespace zevrin {
namespace {

constexpr int rate = 8000;
constexpr double seconds = 4.0;
constexpr double f0 = 500;   // Hz at the start
constexpr double rise = 625; // Hz per second: 3 kHz at the end

double sweep_frequency(double t) {
    return f0 + rise * t;
}

class Spectrogram : public testing::WindowFixture {
protected:
    // A linear sweep, written as 16-bit values.
    std::string write_sweep() {
        std::vector<short> samples(static_cast<size_t>(seconds * rate));
        for (size_t i = 0; i < samples.size(); ++i) {
            const double t = static_cast<double>(i) / rate;
            const double phase = 2 * M_PI * (f0 * t + rise * t * t / 2);
            samples[i] = static_cast<short>(std::lrint(12000 * std::sin(phase)));
        }
        const std::string path = folder.file("sweep.wav");
        testing::write_wav16(path, rate, 1, samples);
        return path;
    }

    testing::TempFolder folder;
};

int luminance(QRgb c) {
    return 299 * qRed(c) + 587 * qGreen(c) + 114 * qBlue(c);
}

TEST_F(Spectrogram, ASweepFromAFileShowsItsFrequencyInEveryColumn) {
    TForm1& w = *window;
    // Closed at the start; its item ends the Control menu.
    EXPECT_FALSE(w.SpectrogramForm->isVisible());
    EXPECT_FALSE(w.Spectrogram1->isChecked());
    EXPECT_EQ(w.Control1->actions().back(), w.Spectrogram1);

    w.analyse_sound_file(write_sweep());
    w.Spectrogram1->trigger();
    settle();
    ASSERT_TRUE(w.SpectrogramForm->isVisible());
    const TSpectrogramRing& ring = w.SpectrogramForm->ring();
    const TSpectrogramPanel& panel = *w.SpectrogramForm->Panel;
    ASSERT_EQ(ring.count(), static_cast<int64_t>(seconds * rate / 320)); // 50 Hz, Hamming
    EXPECT_EQ(panel.frequencyaxis->HiValue(), rate / 2);
    EXPECT_FALSE(panel.follow());

    const QImage picture = panel.plot->picture();
    const double dt = ring.frame_seconds();
    const double bin = ring.bin_frequency(1);
    int columns = 0;
    for (int x = 0; x < picture.width(); ++x) {
        // The frame whose time the column's pixel lies in (on a boundary, either).
        const double at = panel.timeaxis->pixel_to_value(x) / dt;
        const auto k = static_cast<int64_t>(std::floor(at));
        if (k < 0 || k >= ring.count()) {
            continue;
        }
        const int64_t other = std::abs(at - std::round(at)) < 1e-6 ? std::llround(at) - 1 : k;
        ++columns;
        int brightest = 0;
        for (int y = 0; y < picture.height(); ++y) {
            brightest = std::max(brightest, luminance(picture.pixel(x, y)));
        }
        const double f = sweep_frequency((static_cast<double>(k) + 0.5) * dt);
        const double g = sweep_frequency((static_cast<double>(other) + 0.5) * dt);
        for (int y = 0; y < picture.height(); ++y) {
            if (luminance(picture.pixel(x, y)) == brightest) {
                const double shown = panel.frequencyaxis->pixel_to_value(y);
                EXPECT_LE(std::min(std::abs(shown - f), std::abs(shown - g)), bin)
                    << "column " << x << " (frame " << k << ") row " << y << " at " << shown
                    << " Hz, the sweep at " << f << " Hz";
            }
        }
    }
    // The whole file is shown: every column but the edges has a frame.
    EXPECT_GT(columns, picture.width() - 3);
}

TEST_F(Spectrogram, ThePointerReadsTimeFrequencyAndLevel) {
    TForm1& w = *window;
    w.analyse_sound_file(write_sweep());
    w.Spectrogram1->trigger();
    settle();
    TSpectrogramPanel& panel = *w.SpectrogramForm->Panel;
    const TSpectrogramRing& ring = w.SpectrogramForm->ring();
    ASSERT_GT(panel.plot->height(), static_cast<int>(ring.bins())); // a row per bin
    // The last frame, which the engine's arrays still hold, at the bin of 2 kHz.
    const double dt = ring.frame_seconds();
    const double t = (static_cast<double>(ring.count()) - 0.5) * dt;
    const int x = panel.timeaxis->value_to_pixel(t);
    const size_t m = 128;
    const int y = panel.frequencyaxis->value_to_pixel(ring.bin_frequency(m));
    QTest::mouseMove(panel.plot, QPoint(x, y));
    settle();
    const TSpectrogramReading r = panel.plot->reading_at(x, y);
    ASSERT_TRUE(r.valid);
    EXPECT_NEAR(r.level, engine().outdb1[m], 0.005);
    EXPECT_NEAR(r.frequency, ring.bin_frequency(m), ring.bin_frequency(1) / 2);
    EXPECT_NEAR(r.time, t, dt);
    EXPECT_EQ(w.SpectrogramForm->Readout->text().toStdString(),
              w.SpectrogramForm->readout_text(&r));
    EXPECT_NE(w.SpectrogramForm->Readout->text().indexOf(" dB"), -1);
    // Closing the window unchecks its item; the history stays.
    w.SpectrogramForm->close();
    EXPECT_FALSE(w.Spectrogram1->isChecked());
    EXPECT_EQ(ring.count(), static_cast<int64_t>(seconds * rate / 320));
}

// The program itself, as a script would run it: no display at all.
TEST_F(Spectrogram, TheCommandLineWritesThePictureWithoutADisplay) {
    const std::string sweep = write_sweep();
    const std::string out = folder.file("sweep.png");
    QProcess zevrin;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        env.remove(name);
    }
    zevrin.setProcessEnvironment(env);
    zevrin.start(ZEVRIN_PROGRAM, {"--analyse", QString::fromStdString(sweep), "--spectrogram",
                                  QString::fromStdString(out), "--size", "640x240"});
    ASSERT_TRUE(zevrin.waitForFinished(60000));
    ASSERT_EQ(zevrin.exitCode(), 0) << zevrin.readAllStandardError().toStdString();
    EXPECT_TRUE(zevrin.readAllStandardOutput().isEmpty()); // the picture, not the table
    const QImage picture(QString::fromStdString(out));
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(picture.size(), QSize(640, 240));

    // A size that is none, and a place that cannot be written.
    zevrin.start(ZEVRIN_PROGRAM, {"--analyse", QString::fromStdString(sweep), "--spectrogram",
                                  QString::fromStdString(out), "--size", "640"});
    ASSERT_TRUE(zevrin.waitForFinished(60000));
    EXPECT_EQ(zevrin.exitCode(), 2);
    EXPECT_NE(zevrin.readAllStandardError().indexOf("--size takes WIDTHxHEIGHT"), -1);
    zevrin.start(ZEVRIN_PROGRAM, {"--analyse", QString::fromStdString(sweep), "--spectrogram",
                                  QString::fromStdString(folder.file("no/such/folder.png"))});
    ASSERT_TRUE(zevrin.waitForFinished(60000));
    EXPECT_EQ(zevrin.exitCode(), 1);
    EXPECT_NE(zevrin.readAllStandardError().indexOf("Cannot write"), -1);
}

} // namespace
} // namespace zevrin
