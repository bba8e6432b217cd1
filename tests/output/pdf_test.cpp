// The printed page as a PDF, made into pixels by pdftoppm: the curve lies where the
// page's axis mapping puts it.

#include "audio/virtual_loopback.h"
#include "display/axis.h"
#include "display/axis_font.h"
#include "display/test_application.h"
#include "output/plot_picture.h"
#include "output/printed_page.h"
#include "support/temp_home.h"

#include <QBuffer>
#include <QFontMetrics>
#include <QImage>
#include <QPdfWriter>
#include <QProcess>

#include <cmath>

namespace zevrin {
namespace {

TEST(PrintedPdf, TheCurveLiesWhereTheAxesPutIt) {
    TVirtualLoopback loop;
    TAnalyserComponents components{loop};
    TAnalyser a{components};
    a.sampfreq = 16000;
    a.sltaspoints = 512;
    a.set_usesltas(true);
    a.prepare_frames();
    a.set_dbmin(-20);
    a.set_dbmax(70);
    a.set_fmin(0);
    a.set_fmax(8000);
    const double level = 41.5;
    std::fill(a.ltas1.begin(), a.ltas1.end(), 3 * std::pow(10.0, level / 20));
    a.ltascount = 3;
    a.ltasdecayedcount = 3;
    std::array<bool, ncurves> showcurve{};
    showcurve[0] = showcurve[7] = true; // Mono LTAS alone, blue
    TPlotPicture picture(a, default_curve_colors, showcurve, QSize(800, 500));
    test::TempHome temp;
    const std::string pdf = temp / "page.pdf";
    write_output_file(pdf, picture.pdf("Flat", QImage(150, 100, QImage::Format_RGB888)));

    // The page's geometry at 1200 dots per inch, one device unit a pixel.
    QByteArray scratch;
    QBuffer buffer(&scratch);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()));
    writer.setResolution(1200);
    const int lh =
        static_cast<int>(std::lrint(1.2 * QFontMetrics(default_axis_font(), &writer).height()));
    const TPageFrame f = page_frame(writer.width(), writer.height(), lh);
    const double bin = 100 * 16000.0 / 512; // 3125 Hz, between grid lines
    const int x =
        static_cast<int>(std::lrint(f.L + f.W * value_to_position(picture.xaxis().scale(), bin)));
    const int y =
        static_cast<int>(std::lrint(f.T + f.H * value_to_position(picture.yaxis().scale(), level)));
    ASSERT_EQ(y, static_cast<int>(std::lrint(f.T + f.H * (70 - level) / 90)));

    // A strip 101 pixels high centred on the point.
    const std::string png = temp / "strip";
    ASSERT_EQ(
        QProcess::execute("pdftoppm", {"-r", "1200", "-x", QString::number(x - 4), "-y",
                                       QString::number(y - 50), "-W", "9", "-H", "101", "-aa", "no",
                                       "-aaVector", "no", "-singlefile", "-png",
                                       QString::fromStdString(pdf), QString::fromStdString(png)}),
        0);
    const QImage strip(QString::fromStdString(png + ".png"));
    ASSERT_EQ(strip.size(), QSize(9, 101));
    EXPECT_EQ(strip.pixelColor(4, 50), QColor(0, 0, 255));
    EXPECT_EQ(strip.pixelColor(4, 10), QColor(255, 255, 255));
    EXPECT_EQ(strip.pixelColor(4, 90), QColor(255, 255, 255));
}

} // namespace
} // namespace zevrin
