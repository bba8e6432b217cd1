// The spectrum plot draws what the engine holds, through its two axes.

#include "audio/virtual_loopback.h"
#include "display/axis.h"
#include "display/color_ref.h"
#include "display/line_raster.h"
#include "display/spectrum_plot.h"
#include "test_application.h"

#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>

namespace zevrin {
namespace {

constexpr int plot_width = 400;
constexpr int plot_height = 300;

class SpectrumPlot : public ::testing::Test {
protected:
    SpectrumPlot() {
        linecolor = default_curve_colors;
        showcurve.fill(true);
        xaxis.set_Position(tposition::posunder);
        xaxis.resize(plot_width, 25);
        yaxis.resize(37, plot_height);
        yaxis.set_hilovalues(-30, 75);
        plot.resize(plot_width, plot_height);
        use_fft_size(512);
    }

    // N-point spectra at 16000 Hz; the frequency axis shows 0 .. fs / 2.
    void use_fft_size(int n) {
        TAnalyser& a = analyser;
        a.sampfreq = 16000;
        a.sltaspoints = n;
        a.set_usesltas(true);
        a.prepare_frames();
        xaxis.set_hilovalues(0, a.sampfreq / 2);
    }

    void paint() {
        QImage target(plot.size(), QImage::Format_RGB32);
        QPainter painter(&target);
        plot.PaintBox1Paint(painter);
    }

    std::vector<int> drawn() {
        paint();
        return plot.drawn_curves();
    }

    // An average of `frames` frames in every bin.
    void average(int frames) {
        TAnalyser& a = analyser;
        std::fill(a.ltas1.begin(), a.ltas1.end(), 100.0 * frames);
        std::fill(a.ltas2.begin(), a.ltas2.end(), 50.0 * frames);
        std::fill(a.sltas1.begin(), a.sltas1.end(), tcomplex{100.0 * frames, 0.0});
        std::fill(a.sltas2.begin(), a.sltas2.end(), tcomplex{0.0, 50.0 * frames});
        a.ltascount = a.sltascount = frames;
        a.ltasdecayedcount = a.sltasdecayedcount = frames;
    }

    TVirtualLoopback loop;
    TAnalyserComponents components{loop};
    TAnalyser analyser{components};
    std::array<uint32_t, ncurves> linecolor{};
    std::array<bool, ncurves> showcurve{};
    TCursors cursors;
    TAxis xaxis;
    TAxis yaxis;
    TSpectrumPlot plot{analyser, xaxis, yaxis, linecolor, showcurve, cursors};
};

TEST_F(SpectrumPlot, CurvesFollowChannelsAveragesAndFlags) {
    TAnalyser& a = analyser;
    EXPECT_EQ(drawn(), (std::vector<int>{1}));
    a.set_freeze(true);
    EXPECT_EQ(drawn(), (std::vector<int>{4, 1}));
    a.select_test_partials();
    average(3);
    EXPECT_EQ(drawn(), (std::vector<int>{4, 1, 7, 15, 11}));
    a.dualchannels = true;
    EXPECT_EQ(drawn(), (std::vector<int>{5, 6, 2, 3, 8, 9, 10, 16, 17, 18, 12, 13, 14}));
    showcurve[9] = false;
    showcurve[16] = false;
    EXPECT_EQ(drawn(), (std::vector<int>{5, 6, 2, 3, 8, 10, 17, 18, 12, 13, 14}));
    a.ltascount = 0; // the sums are kept, but no LTAS frame counts
    a.set_freeze(false);
    EXPECT_EQ(drawn(), (std::vector<int>{2, 3, 17, 18, 12, 13, 14}));
}

TEST_F(SpectrumPlot, UnusedStaircaseNeedsAnUnusedEntryBeforeTheLast) {
    TAnalyser& a = analyser;
    average(1);
    a.partialused.assign(512, true);
    EXPECT_EQ(drawn(), (std::vector<int>{1, 7, 11}));
    a.partialused.back() = false;
    EXPECT_EQ(drawn(), (std::vector<int>{1, 7, 11}));
    a.partialused[300] = false;
    EXPECT_EQ(drawn(), (std::vector<int>{1, 7, 15, 11}));
    a.partialused.assign(512, false);
    a.partialused.back() = true;
    EXPECT_EQ(drawn(), (std::vector<int>{1, 7, 15}));
}

TEST_F(SpectrumPlot, BinsLieAtTheirFrequenciesAndFailuresFarAbove) {
    TAnalyser& a = analyser;
    average(1);
    a.ltas1[64] = 0.0; // 2000 Hz: no level
    showcurve[1] = false;
    showcurve[11] = false;
    showcurve[15] = false;
    EXPECT_EQ(drawn(), (std::vector<int>{7}));
    const std::vector<QLine>& lines = plot.drawn_lines(7);
    const int x2000 = xaxis.value_to_pixel(2000.0);
    const int row = yaxis.value_to_pixel(20 * std::log10(100.0));
    const auto vertical_at = [&lines](int x) {
        for (const QLine& l : lines) {
            if (l.x1() == x && l.x2() == x) {
                return std::make_pair(l.y1(), l.y2());
            }
        }
        return std::make_pair(0, 0);
    };
    // Fewer bins than columns: each column holds at most one point.
    EXPECT_EQ(vertical_at(x2000), std::make_pair(-500, -500));
    EXPECT_EQ(vertical_at(xaxis.value_to_pixel(1000.0)), std::make_pair(row, row));
    const int before = xaxis.value_to_pixel(2000.0 - 16000.0 / 512);
    EXPECT_NE(std::find(lines.begin(), lines.end(), QLine(before, row, x2000, -500)), lines.end());
    // The last point is the entry at half the sampling frequency.
    EXPECT_EQ(lines.back(), QLine(plot_width - 1, row, plot_width - 1, row));
}

// The picture of the reduced curves is the picture of every point joined by lines.
TEST_F(SpectrumPlot, LargeSpectraDrawTheFullPolylinesPicture) {
    TAnalyser& a = analyser;
    use_fft_size(131072);
    a.dualchannels = true;
    a.set_gridlines(false);
    std::mt19937 rng(3);
    std::normal_distribution<double> noise(20.0, 15.0);
    for (size_t i = 0; i < a.outdb1.size(); ++i) {
        a.outdb1[i] = noise(rng);
        a.outdb2[i] = noise(rng) - 20;
        a.ltas1[i] = i % 97 == 0 ? 0.0 : std::exp(noise(rng) / 10);
        a.ltas2[i] = std::exp(noise(rng) / 10);
        a.sltas1[i] = i % 89 == 0 ? tcomplex{} : tcomplex{noise(rng), noise(rng)};
        a.sltas2[i] = tcomplex{noise(rng), -noise(rng)};
    }
    // Partials sparse, then every other entry, then in random runs; the last entries
    // beyond the flags.
    const size_t points = a.outdb1.size() / 2 + 1;
    a.partialused.assign(points - 300, 0);
    std::bernoulli_distribution coin(0.1);
    for (size_t i = 0; i < a.partialused.size(); ++i) {
        const bool partial = i < 20000 ? i % 53 == 0 : i < 40000 ? i % 2 == 0 : coin(rng);
        a.partialused[i] = partial ? 1 : 0;
    }
    a.ltascount = a.sltascount = 1;
    a.ltasdecayedcount = a.sltasdecayedcount = 1;
    xaxis.set_hilovalues(300, 3000); // zoomed: points beyond both ends
    paint();
    ASSERT_EQ(plot.drawn_curves(), (std::vector<int>{2, 3, 8, 9, 10, 16, 17, 18, 12, 13, 14}));

    QImage expected(plot.size(), QImage::Format_RGB32);
    expected.fill(color_ref(linecolor[0]));
    const TRasterImage image{reinterpret_cast<uint32_t*>(expected.bits()), expected.width(),
                             expected.height(), expected.bytesPerLine() / 4};
    const size_t count = points;
    tdoublearr levels(count);
    for (int curve : plot.drawn_curves()) {
        ASSERT_TRUE(curve_levels(a, curve, count, levels));
        const uint32_t color = color_ref(linecolor[static_cast<size_t>(curve)]).rgb();
        QPoint before;
        for (size_t i = 0; i < count; ++i) {
            const double f = static_cast<double>(i) * a.sampfreq / a.outdb1.size();
            const QPoint p(xaxis.value_to_pixel(f),
                           std::isnan(levels[i]) ? -500 : yaxis.value_to_pixel(levels[i]));
            if (i > 0) {
                draw_line(image, before.x(), before.y(), p.x(), p.y(), color);
            }
            before = p;
        }
    }
    EXPECT_TRUE(plot.bmp1() == expected);
}

TEST_F(SpectrumPlot, GridAndCursorLinesLieUnderTheCurves) {
    TAnalyser& a = analyser;
    std::fill(a.outdb1.begin(), a.outdb1.end(), 0.0);
    const QRgb silver = qRgb(0xC0, 0xC0, 0xC0);
    paint();
    const int gx = xaxis.TickMarkPosition(1);
    EXPECT_EQ(plot.bmp1().pixel(gx, 5), silver);
    const int curve_row = yaxis.value_to_pixel(0.0);
    EXPECT_EQ(plot.bmp1().pixel(gx, curve_row), qRgb(0, 0, 0)); // the Mono curve on top
    // The cursors: freehand lines in black, on a closed capture with a measurement.
    a.set_measurecurveno(0);
    cursors = TCursors{3000, 50.0, 1000, 40.0, false};
    a.domeasure = true;
    paint();
    const int cx = xaxis.value_to_pixel(3000.0);
    const int cy = yaxis.value_to_pixel(40.0);
    EXPECT_EQ(plot.bmp1().pixel(cx, 5), qRgb(0, 0, 0));
    EXPECT_EQ(plot.bmp1().pixel(7, cy), qRgb(0, 0, 0));
    a.domeasure = false;
    paint();
    EXPECT_NE(plot.bmp1().pixel(cx, 5), qRgb(0, 0, 0));
    // On a curve: in its colour, and only while it is shown.
    a.set_measurecurveno(1);
    linecolor[1] = 0x0000FF;
    a.domeasure = true;
    paint();
    EXPECT_EQ(plot.bmp1().pixel(cx, 5), qRgb(0xFF, 0, 0));
    showcurve[1] = false;
    paint();
    EXPECT_NE(plot.bmp1().pixel(cx, 5), qRgb(0xFF, 0, 0));
}

TEST_F(SpectrumPlot, WithoutOffScreenPlottingTheImageStaysUntouched) {
    TAnalyser& a = analyser;
    a.set_gridlines(false);
    std::fill(a.outdb1.begin(), a.outdb1.end(), 20.0);
    paint();
    const QImage before = plot.bmp1();
    a.bltplot = false;
    std::fill(a.outdb1.begin(), a.outdb1.end(), 40.0);
    const QImage shown = plot.grab().toImage();
    EXPECT_TRUE(plot.bmp1() == before);
    const int row = yaxis.value_to_pixel(40.0);
    EXPECT_EQ(shown.pixel(plot_width / 2, row), qRgb(0, 0, 0));
    EXPECT_EQ(shown.pixel(plot_width / 2, yaxis.value_to_pixel(20.0)), qRgb(0xFF, 0xFF, 0xFF));
}

} // namespace
} // namespace zevrin
