// The waveform panel: its range, its gain text and its traces.

#include "audio/virtual_loopback.h"
#include "display/line_raster.h"
#include "display/status_bar.h"
#include "display/waveform_panel.h"
#include "dsp/numeric.h"
#include "test_application.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <random>

namespace zevrin {
namespace {

// The smallest rectangle within `area` that holds every dark pixel.
QRect ink_rect(const QImage& image, const QRect& area) {
    QRect ink;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (QColor(image.pixel(x, y)).lightness() < 128) {
                ink |= QRect(x, y, 1, 1);
            }
        }
    }
    return ink;
}

class Waveform : public ::testing::Test {
protected:
    Waveform() {
        linecolor = default_curve_colors;
        analyser.sampfreq = 16000;
        analyser.bandwidth = 100;
        analyser.prepare_frames(); // frames of 320 samples
        panel.resize(320, 60);
    }
    void fill(tdoublearr& frame, double v) { std::fill(frame.begin(), frame.end(), v); }
    QImage paint() {
        QImage target(panel.size(), QImage::Format_RGB32);
        target.fill(Qt::gray);
        QPainter painter(&target);
        panel.PaintBox2Paint(painter);
        return target;
    }

    TVirtualLoopback loop;
    TAnalyserComponents components{loop};
    TAnalyser analyser{components};
    std::array<uint32_t, ncurves> linecolor{};
    TWaveformPanel panel{analyser, linecolor};
};

TEST_F(Waveform, StretchingIsLimitedByTheLargestGain) {
    TAnalyser& a = analyser;
    a.maxgain = pow10(30.0 / 20.0);
    fill(a.inre1, 0.0);
    a.inre1[10] = 1000.0;
    TWaveRange r = wave_range(a);
    EXPECT_DOUBLE_EQ(r.wavegain, a.maxgain); // not 32767 / 1000
    EXPECT_EQ(r.top, 1036);
    EXPECT_EQ(r.bottom, -1036);
    EXPECT_EQ(gain_text(r.wavegain), "Gain=30.0 dB");
    a.inre1[10] = -20000.0;
    r = wave_range(a);
    EXPECT_DOUBLE_EQ(r.wavegain, 32767.0 / 20000.0);
    EXPECT_EQ(r.top, 20000);
    EXPECT_EQ(r.bottom, -20001);
    // The right channel and, while frozen, the frozen frames count too.
    a.dualchannels = true;
    fill(a.inre2a, 30000.0);
    EXPECT_EQ(wave_range(a).top, 20000);
    a.set_freeze(true);
    EXPECT_EQ(wave_range(a).top, 30000);
}

TEST_F(Waveform, GainTexts) {
    TAnalyser& a = analyser;
    fill(a.inre1, 0.0);
    a.maxgain = 10.0;
    EXPECT_DOUBLE_EQ(wave_range(a).wavegain, 1.0); // silence: 1, within the limit
    a.maxgain = 0.5;
    EXPECT_EQ(gain_text(wave_range(a).wavegain), "Gain=-6.0 dB");
    a.maxgain = 1.0;
    EXPECT_EQ(gain_text(wave_range(a).wavegain), "Gain=0.0 dB");
    a.stretchwave = false;
    a.inre1[0] = 5.0;
    const TWaveRange full = wave_range(a);
    EXPECT_EQ(gain_text(full.wavegain), "Gain=0.0 dB");
    EXPECT_EQ(full.top, 32767);
    EXPECT_EQ(full.bottom, -32768);
    // No gain to speak of: the text says so and the range stays whole.
    a.stretchwave = true;
    a.maxgain = 0.0;
    const TWaveRange none = wave_range(a);
    EXPECT_EQ(gain_text(none.wavegain), "Gain= ? dB");
    EXPECT_EQ(none.top, 32767);
    EXPECT_EQ(none.bottom, -32768);
    a.maxgain = -2.0;
    EXPECT_EQ(gain_text(wave_range(a).wavegain), "Gain= ? dB");
    EXPECT_EQ(wave_range(a).top, 32767);
}

// Labels are kept between paints: a new gain or background colour must show at once,
// as a panel painting for the first time shows it, and an earlier gain its own label.
TEST_F(Waveform, TheGainLabelFollowsTheGainAndTheColour) {
    TAnalyser& a = analyser;
    fill(a.inre1, 0.0);
    a.maxgain = 1.0;
    const QImage before = paint();
    const auto as_new_panel_draws_it = [this] {
        TWaveformPanel fresh{analyser, linecolor};
        fresh.resize(panel.size());
        QImage target(panel.size(), QImage::Format_RGB32);
        QPainter painter(&target);
        fresh.PaintBox2Paint(painter);
        return target;
    };
    a.maxgain = 0.5; // "Gain=-6.0 dB"
    const QImage smaller = paint();
    EXPECT_NE(smaller, before);
    EXPECT_EQ(smaller, as_new_panel_draws_it());
    a.maxgain = 1.0; // back to a label drawn before
    EXPECT_EQ(paint(), before);
    linecolor[0] = 0x000000; // black: the text turns white
    const QImage dark = paint();
    EXPECT_EQ(dark, as_new_panel_draws_it());
    bool white = false;
    for (int x = 0; x < 60; ++x) {
        white = white || dark.pixel(x, 6) == qRgb(255, 255, 255) ||
                dark.pixel(x, 8) == qRgb(255, 255, 255);
    }
    EXPECT_TRUE(white);
}

TEST_F(Waveform, PositiveValuesAreDrawnUpwards) {
    TAnalyser& a = analyser;
    a.stretchwave = false;
    linecolor[1] = 0x0000FF; // red
    for (size_t i = 0; i < a.inre1.size(); ++i) {
        a.inre1[i] = i < 160 ? 30000.0 : -30000.0;
    }
    paint();
    const QImage& image = panel.bmp2();
    const auto red_rows = [&image](int x) {
        std::vector<int> rows;
        for (int y = 0; y < image.height(); ++y) {
            if (image.pixel(x, y) == qRgb(0xFF, 0, 0)) {
                rows.push_back(y);
            }
        }
        return rows;
    };
    const int high = static_cast<int>(round_even((32767.0 - 30000.0) / 65535.0 * 60));
    const int low = static_cast<int>(round_even((32767.0 + 30000.0) / 65535.0 * 60));
    EXPECT_EQ(red_rows(80), (std::vector<int>{high}));
    EXPECT_EQ(red_rows(240), (std::vector<int>{low}));
    // The jump between them leaves no gap.
    std::vector<int> jump;
    for (int x = 158; x <= 162; ++x) {
        const std::vector<int> rows = red_rows(x);
        jump.insert(jump.end(), rows.begin(), rows.end());
    }
    std::sort(jump.begin(), jump.end());
    jump.erase(std::unique(jump.begin(), jump.end()), jump.end());
    EXPECT_EQ(jump.size(), static_cast<size_t>(low - high + 1));
}

// However many samples fall in a column, the trace is the picture of every sample
// joined to the next (below the gain label, which covers the corner).
TEST_F(Waveform, TracesAreThePictureOfEverySampleJoined) {
    TAnalyser& a = analyser;
    a.stretchwave = false;
    linecolor[1] = 0x0000FF;
    std::mt19937 random(3);
    for (double& v : a.inre1) {
        v = static_cast<double>(random() % 60001) - 30000.0;
    }
    for (const int width : {97, 320, 701}) {
        panel.resize(width, 60);
        const QImage drawn = paint();
        QImage expected(drawn.size(), QImage::Format_RGB32);
        expected.fill(Qt::white);
        const TRasterImage image{reinterpret_cast<uint32_t*>(expected.bits()), width, 60,
                                 expected.bytesPerLine() / 4};
        const double k = static_cast<double>(a.inre1.size() - 1);
        const auto x = [&](size_t i) {
            return static_cast<int>(round_even(static_cast<double>(i) / k * width));
        };
        const auto y = [&](size_t i) {
            return static_cast<int>(round_even((32767.0 - a.inre1[i]) / 65535.0 * 60));
        };
        for (size_t i = 0; i + 1 < a.inre1.size(); ++i) {
            draw_line(image, x(i), y(i), x(i + 1), y(i + 1), qRgb(0xFF, 0, 0));
        }
        const QRect below(0, 20, width, 40);
        EXPECT_EQ(drawn.copy(below), expected.copy(below)) << "width " << width;
    }
}

TEST_F(Waveform, FrozenTracesComeFirstAndNothingShowsWithoutTheWaveform) {
    TAnalyser& a = analyser;
    a.stretchwave = false;
    fill(a.inre1, 0.0);
    fill(a.inre1a, 0.0); // the same row: the current trace covers the frozen one
    a.set_freeze(true);
    paint();
    const int zero = static_cast<int>(round_even(32767.0 / 65535.0 * 60));
    EXPECT_EQ(panel.bmp2().pixel(200, zero), qRgb(0, 0, 0));
    fill(a.inre1a, 10000.0);
    paint();
    const int frozen = static_cast<int>(round_even((32767.0 - 10000.0) / 65535.0 * 60));
    EXPECT_EQ(panel.bmp2().pixel(200, frozen), qRgb(0, 0xFF, 0xFF)); // aqua, "Mono frozen"
    // The gain text sits in the top left corner, black on the white background, as
    // wide as its font makes "Gain=0.0 dB" and no wider.
    const QRect above(0, 0, 320, frozen - 1); // the traces lie lower
    const QRect ink = ink_rect(panel.bmp2(), above);
    const QFontMetrics metrics(panel.font());
    EXPECT_LE(ink.left(), 1);
    EXPECT_NEAR(ink.top(), metrics.ascent() - metrics.capHeight(), 1);
    EXPECT_NEAR(ink.right(), metrics.horizontalAdvance("Gain=0.0 dB"), 3);
    EXPECT_NEAR(ink.bottom(), metrics.ascent() - 1, 1);
    a.maxgain = pow10(-40.0 / 20.0); // "Gain=-40.0 dB" is two characters wider
    a.stretchwave = true;
    paint();
    EXPECT_NEAR(ink_rect(panel.bmp2(), above).right(), metrics.horizontalAdvance("Gain=-40.0 dB"),
                3);
    a.stretchwave = false;
    paint();
    a.showwave = false;
    a.stretchwave = true;
    a.maxgain = 100;
    const QImage untouched = paint();
    EXPECT_EQ(untouched.pixel(10, 10), QColor(Qt::gray).rgb());
    EXPECT_DOUBLE_EQ(panel.wavegain(), 1.0); // kept from the last paint
}

TEST(StatusBar, PanelsSideBySideTheLastToTheEdge) {
    TStatusBar bar;
    bar.resize(600, TStatusBar::bar_height);
    bar.add_panel(200);
    bar.add_panel(200);
    bar.add_panel(50, true);
    EXPECT_EQ(bar.height(), 19);
    EXPECT_EQ(bar.panel_rect(1).left(), 201);
    EXPECT_EQ(bar.panel_rect(2).left(), 401);
    EXPECT_EQ(bar.panel_rect(2).right(), 598);
    bar.set_text(0, "BW:50Hz Hamming, 40 ms");
    EXPECT_EQ(bar.text(0), "BW:50Hz Hamming, 40 ms");
    int drawn = -1;
    QRect where;
    bar.OnDrawPanel = [&drawn, &where](QPainter&, int panel, const QRect& r) {
        drawn = panel;
        where = r;
    };
    bar.grab();
    EXPECT_EQ(drawn, 2);
    EXPECT_EQ(where, bar.panel_rect(2));
}

} // namespace
} // namespace zevrin
