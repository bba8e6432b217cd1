// The spectrum plot, the waveform panel and an axis on a screen with a scale factor of
// 2, as with QT_SCALE_FACTOR=2 or a high-density screen: images in device pixels, lines
// one device pixel wide, the axis's ticks meeting the plot's grid lines, and text
// drawn at the screen's resolution rather than enlarged.

#include "audio/virtual_loopback.h"
#include "display/axis.h"
#include "display/spectrum_plot.h"
#include "display/waveform_panel.h"

#include <QApplication>
#include <QImage>
#include <QPalette>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace zevrin {
namespace {

// The application of this program, scaled by 2 on whatever platform ctest chose.
class ScaledQt : public ::testing::Environment {
public:
    void SetUp() override {
        qputenv("QT_SCALE_FACTOR", "2");
        app_ = std::make_unique<QApplication>(argc_, argv_);
    }
    void TearDown() override { app_.reset(); }

private:
    int argc_ = 1;
    char name_[15] = "high_dpi_test";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QApplication> app_;
};

::testing::Environment* const scaled_qt = ::testing::AddGlobalTestEnvironment(new ScaledQt);

constexpr int plot_width = 400;
constexpr int plot_height = 300;
const QRgb black = qRgb(0, 0, 0);
const QRgb silver = qRgb(0xC0, 0xC0, 0xC0);

// The rows of column x, or the columns of row y, between `from` and `to` whose pixel is
// `color`.
std::vector<int> rows_of(const QImage& image, int x, int from, int to, QRgb color) {
    std::vector<int> rows;
    for (int y = from; y <= to; ++y) {
        if (image.pixel(x, y) == color) {
            rows.push_back(y);
        }
    }
    return rows;
}
std::vector<int> columns_of(const QImage& image, int y, int from, int to, QRgb color) {
    std::vector<int> columns;
    for (int x = from; x <= to; ++x) {
        if (image.pixel(x, y) == color) {
            columns.push_back(x);
        }
    }
    return columns;
}

// Text enlarged from logical pixels comes in blocks of 2 × 2 equal device pixels; text
// drawn at the screen's resolution does not.
int mixed_blocks(const QImage& image, const QRect& area) {
    int mixed = 0;
    for (int y = area.top() & ~1; y + 1 <= area.bottom(); y += 2) {
        for (int x = area.left() & ~1; x + 1 <= area.right(); x += 2) {
            const QRgb c = image.pixel(x, y);
            if (image.pixel(x + 1, y) != c || image.pixel(x, y + 1) != c ||
                image.pixel(x + 1, y + 1) != c) {
                ++mixed;
            }
        }
    }
    return mixed;
}

QImage grabbed(QWidget& w) {
    return w.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

class HighDpi : public ::testing::Test {
protected:
    HighDpi() {
        linecolor = default_curve_colors;
        showcurve.fill(true);
        TAnalyser& a = analyser;
        a.sampfreq = 16000;
        a.sltaspoints = 512;
        a.set_usesltas(true);
        a.prepare_frames();
        std::fill(a.outdb1.begin(), a.outdb1.end(), 40.0);
        std::fill(a.inre1.begin(), a.inre1.end(), 0.0);
        xaxis.set_Position(tposition::posunder);
        xaxis.set_TickSpaceAim(50);
        xaxis.resize(plot_width, 25);
        xaxis.set_hilovalues(0, 8000);
        yaxis.resize(37, plot_height);
        yaxis.set_hilovalues(-30, 75);
        plot.resize(plot_width, plot_height);
        panel.resize(320, 60);
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
    TWaveformPanel panel{analyser, linecolor};
};

TEST_F(HighDpi, PlotDrawsItsLinesOneDevicePixelWide) {
    ASSERT_EQ(plot.devicePixelRatioF(), 2.0);
    const QImage image = grabbed(plot);
    ASSERT_EQ(image.size(), QSize(800, 600));
    EXPECT_EQ(plot.bmp1().size(), QSize(800, 600));
    // The flat 40 dB curve: one device row, where the level axis puts 40 dB among
    // 600 rows (a logical pixel would be two).
    const int row = value_to_pixel(yaxis.device_scale(), 40.0);
    EXPECT_EQ(row, 200); // (75 - 40) / 105 · 599 = 199.7
    for (const int x : {101, 301, 699}) {
        EXPECT_EQ(rows_of(image, x, 0, 599, black), std::vector<int>{row}) << x;
    }
    // The grid line at 2000 Hz: one device column, at 2000 / 8000 · 799, rounded.
    EXPECT_EQ(columns_of(image, row + 12, 190, 210, silver), std::vector<int>{200});
    // The axis's tick mark meets it: one device pixel wide, ten long.
    const QImage axis = grabbed(xaxis);
    ASSERT_EQ(axis.size(), QSize(800, 50));
    const QRgb ink = xaxis.palette().color(QPalette::ButtonText).rgb();
    for (const int y : {0, 9}) {
        EXPECT_EQ(columns_of(axis, y, 190, 210, ink), std::vector<int>{200}) << y;
    }
    EXPECT_TRUE(columns_of(axis, 10, 195, 205, ink).empty());
    EXPECT_GT(mixed_blocks(axis, QRect(0, 10, 760, 40)), 50);
}

TEST_F(HighDpi, WaveformTraceIsOneDevicePixelAndItsGainTextSharp) {
    const QImage image = grabbed(panel);
    ASSERT_EQ(image.size(), QSize(640, 120));
    EXPECT_EQ(panel.bmp2().size(), QSize(640, 120));
    // Silence lies at 32767 / 65535 of the height: row 60 of 120.
    EXPECT_EQ(rows_of(image, 400, 0, 119, black), std::vector<int>{60});
    EXPECT_GT(mixed_blocks(image, QRect(0, 0, 120, 30)), 20);
}

TEST_F(HighDpi, PlotWithoutItsImageDrawsTheSameLines) {
    const QImage with_image = grabbed(plot);
    analyser.bltplot = false;
    const QImage direct = grabbed(plot);
    EXPECT_TRUE(direct == with_image);
}

} // namespace
} // namespace zevrin
