// The printed page: its words, its geometry and its curves, checked on the drawing
// commands it sends to a 600 dpi page.

#include "audio/virtual_loopback.h"
#include "display/axis.h"
#include "display/axis_font.h"
#include "display/test_application.h"
#include "dsp/text.h"
#include "output/number_pattern.h"
#include "output/print_facts.h"
#include "output/printed_page.h"
#include "recording_device.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace zevrin {
namespace {

using test::TDrawn;

TEST(NumberPattern, SpacesStandWhereThePatternHasThem) {
    EXPECT_EQ(format_pattern("# ##0.##", 16000), "16 000");
    EXPECT_EQ(format_pattern("# ##0.##", 100), " 100");
    EXPECT_EQ(format_pattern("# ##0.##", 1234567), "1234 567");
    EXPECT_EQ(format_pattern("# ##0.##", 44100.5), "44 100.5");
    EXPECT_EQ(format_pattern("# ##0.##", 31.25), " 31.25");
    EXPECT_EQ(format_pattern("0.#", 40.04), "40");
    EXPECT_EQ(format_pattern("0.00", 2.5), "2.50");
    set_decimal_separator(',');
    EXPECT_EQ(format_pattern("# ##0.##", 44100.5), "44 100,5");
    set_decimal_separator('.');
}

TEST(PrintFacts, LinesAndTitle) {
    TPrintFacts f;
    f.printed = "01/02/2025 10:11:12";
    f.bandwidth = 31.25;
    f.timewindow = 64;
    f.window = TFFTWindow::Hamming;
    f.windowsize = 1024;
    f.fftsize = 1024;
    f.sampfreq = 16000;
    EXPECT_EQ(fact_lines(f),
              (std::vector<std::string>{"Printed: 01/02/2025 10:11:12", "Bandwidth:  31.25 Hz",
                                        "Time window: 64 ms", "Window function: Hamming",
                                        "FFT points: 1024 of 1024", "Sampling rate: 16 000 Hz"}));
    f.ltascount = 40;
    f.ltasdecay = true;
    f.ltasdecaytime = 2.5;
    f.ltasdecayedcount = 12.5;
    f.sltascount = 9;
    f.taken = 9;
    f.excluded = 2;
    const std::vector<std::string> lines = fact_lines(f);
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 6, lines.end()),
              (std::vector<std::string>{"LTAS decay time:  2.5 s", "Equiv. of 12.50 taken",
                                        "SLTAS frames: 9 taken, 2 excluded, 0 skipped"}));
    EXPECT_EQ(print_job_title("  Room 3 \t"), "Room 3 - Zevrin");
    EXPECT_EQ(print_job_title("   "), "Zevrin");
}

constexpr int page_width = 4961; // A4 at 600 dpi
constexpr int page_height = 7016;

class PrintedPage : public ::testing::Test {
protected:
    PrintedPage() {
        linecolor = default_curve_colors;
        showcurve.fill(true);
        xaxis.set_Position(tposition::posunder);
        xaxis.resize(400, 25);
        xaxis.set_hilovalues(0, 8000);
        yaxis.resize(37, 300);
        yaxis.set_hilovalues(-20, 70);
        a.sampfreq = 16000;
        a.sltaspoints = 512;
        a.set_usesltas(true);
        a.prepare_frames();
        std::fill(a.outdb1.begin(), a.outdb1.end(), 20.0);
        font = default_axis_font();
        const QFontMetrics metrics(font, &device);
        lh = static_cast<int>(std::lrint(1.2 * metrics.height()));
        ascent = metrics.ascent();
        T = static_cast<int>(std::lrint(0.05 * page_height + 3.0 * lh));
    }

    // An average of `frames` frames at 40 dB in every bin.
    void average(int frames) {
        std::fill(a.ltas1.begin(), a.ltas1.end(), 100.0 * frames);
        std::fill(a.sltas1.begin(), a.sltas1.end(), tcomplex{100.0 * frames, 0.0});
        std::fill(a.sltas2.begin(), a.sltas2.end(), tcomplex{0.0, 200.0 * frames});
        a.ltascount = a.sltascount = frames;
        a.ltasdecayedcount = a.sltasdecayedcount = frames;
    }

    const std::vector<TDrawn>& print(const std::string& title = "") {
        TPrintSource s;
        s.analyser = &a;
        s.xaxis = page_axis(xaxis);
        s.yaxis = page_axis(yaxis);
        s.timewindow = 32;
        s.linecolor = linecolor;
        s.showcurve = showcurve;
        s.logo = QImage(150, 100, QImage::Format_RGB888);
        s.font = font;
        s.jobtitle = print_job_title(title);
        s.printed = "today";
        const TPagePlan plan = plan_printed_page(s, device);
        QPainter p(&device);
        draw_page(p, plan, s.logo, s.font);
        return device.drawn();
    }

    std::vector<const TDrawn*> all(TDrawn::Kind kind) const {
        std::vector<const TDrawn*> out;
        for (const TDrawn& d : device.drawn()) {
            if (d.kind == kind) {
                out.push_back(&d);
            }
        }
        return out;
    }
    const TDrawn* text(const QString& t) const {
        for (const TDrawn* d : all(TDrawn::Kind::text)) {
            if (d->text == t) {
                return d;
            }
        }
        return nullptr;
    }
    // The polyline drawn in a curve's colour with the given pen width.
    const TDrawn* curve(int number, int width) const {
        for (const TDrawn* d : all(TDrawn::Kind::polyline)) {
            if (d->pen.color() ==
                    QColor::fromRgb(qRgb(linecolor[number] & 0xFF, (linecolor[number] >> 8) & 0xFF,
                                         linecolor[number] >> 16)) &&
                d->pen.width() == width) {
                return d;
            }
        }
        return nullptr;
    }
    int level_y(double level) const {
        return static_cast<int>(std::lrint(T + H * (70.0 - level) / 90.0));
    }

    TVirtualLoopback loop;
    TAnalyserComponents components{loop};
    TAnalyser a{components};
    std::array<uint32_t, ncurves> linecolor{};
    std::array<bool, ncurves> showcurve{};
    TAxis xaxis;
    TAxis yaxis;
    QFont font;
    test::TRecordingDevice device{page_width, page_height, 600};
    int lh = 0;
    int ascent = 0;
    int T = 0;
    static constexpr int L = 744; // Round(0.15 × 4961)
    static constexpr int W = 3969;
    static constexpr int H = 2646;
};

TEST_F(PrintedPage, CalibratedLevelsNameTheirUnitAndCalibration) {
    print();
    EXPECT_TRUE(text("[dB]"));
    const size_t plain = all(TDrawn::Kind::text).size();
    a.calibration.unit = TLevelUnit::dBSPL;
    a.calibration.channels[0].offset = 20;
    a.calibration.channels[1].correction = TMicCorrection::parse("100 1\n", "m");
    a.calibration.channels[1].correctionfile = "/home/u/mic 7.txt";
    print(); // drawn after the first page's
    QStringList second;
    const auto texts = all(TDrawn::Kind::text);
    for (size_t i = plain; i < texts.size(); ++i) {
        second << texts[i]->text;
    }
    EXPECT_FALSE(second.contains("[dB]"));
    EXPECT_TRUE(second.contains("[dB SPL]"));
    EXPECT_TRUE(second.contains("Calibration: levels in dB SPL, offsets 20.00 dB and 0.00 dB, "
                                "microphone correction mic 7.txt (right)"));
    EXPECT_EQ(static_cast<size_t>(second.size()), plain + 1);
}

TEST_F(PrintedPage, FrameTitleLogoAndFacts) {
    a.bandwidth = 31.25;
    print("  Room 3 ");
    const auto rects = all(TDrawn::Kind::rect);
    ASSERT_EQ(rects.size(), 1u);
    EXPECT_EQ(rects[0]->rect, QRect(L, T, W, H));
    EXPECT_EQ(rects[0]->pen.width(), 5);
    const TDrawn* title = text("Room 3 - Zevrin");
    ASSERT_TRUE(title);
    EXPECT_EQ(title->at, QPoint(L + 40, T - static_cast<int>(std::lrint(3.0 * lh)) + ascent));
    const auto images = all(TDrawn::Kind::image);
    ASSERT_EQ(images.size(), 1u);
    const int logoleft = static_cast<int>(std::lrint(L + 0.93 * W));
    const int logotop = static_cast<int>(std::lrint(T - 10 - (L + W - logoleft) * 100.0 / 150));
    EXPECT_EQ(images[0]->rect, QRect(logoleft, logotop, L + W - logoleft, T - 10 - logotop));
    // One fact a line from the fifth line below the frame; no averages, no lines for them.
    std::vector<QString> facts;
    for (int i = 5;; ++i) {
        const auto t = std::find_if(device.drawn().begin(), device.drawn().end(), [&](auto& d) {
            return d.kind == TDrawn::Kind::text && d.at == QPoint(L, T + H + i * lh + ascent);
        });
        if (t == device.drawn().end()) {
            break;
        }
        facts.push_back(t->text);
    }
    EXPECT_EQ(facts, (std::vector<QString>{"Printed: today", "Bandwidth:  31.25 Hz",
                                           "Time window: 32 ms", "Window function: Hamming",
                                           "FFT points: 512 of 512", "Sampling rate: 16 000 Hz"}));
}

TEST_F(PrintedPage, TicksAtTheEnds) {
    yaxis.set_TickSpaceAim(20); // a tick every 10 dB
    print();
    std::vector<int> rows, columns;
    for (const TDrawn* l : all(TDrawn::Kind::line)) {
        EXPECT_EQ(l->pen.width(), 2);
        if (l->points[0].x() == L - 30) {
            rows.push_back(l->points[0].y());
            EXPECT_EQ(l->points[1], QPoint(L + W, l->points[0].y())); // grid lines on
        } else {
            columns.push_back(l->points[0].x());
            EXPECT_EQ(l->points[0].y(), T + H + 30);
        }
    }
    // Levels -20 and 70 lie on the frame: neither line nor label.
    EXPECT_EQ(rows, (std::vector<int>{level_y(-10), level_y(0), level_y(10), level_y(20),
                                      level_y(30), level_y(40), level_y(50), level_y(60)}));
    EXPECT_FALSE(text("-20"));
    EXPECT_FALSE(text("70"));
    ASSERT_TRUE(text("-10"));
    // Frequencies 0 and 8000 lie on the frame and are printed; 9000 is beyond it.
    ASSERT_GE(columns.size(), 3u);
    EXPECT_EQ(columns.front(), L);
    EXPECT_EQ(columns.back(), L + W);
    EXPECT_TRUE(text("0"));
    EXPECT_TRUE(text("8000"));
    EXPECT_FALSE(text("9000"));
}

TEST_F(PrintedPage, FrequencyLabelsDoNotRunTogether) {
    xaxis.set_TickSpaceAim(10); // a tick every 200 Hz, closer than "10000" is wide
    print();
    const QFontMetrics metrics(font, &device);
    int ticks = 0;
    for (const TDrawn* l : all(TDrawn::Kind::line)) {
        ticks += l->points[0].y() == T + H + 30 ? 1 : 0;
    }
    std::vector<const TDrawn*> labels;
    for (const TDrawn* t : all(TDrawn::Kind::text)) {
        if (t->at.y() == T + H + 30 + ascent) {
            labels.push_back(t);
        }
    }
    ASSERT_EQ(ticks, 41);
    // The labels the axis keeps, no more and no fewer.
    std::vector<QString> kept;
    for (int i = 0; i < xaxis.nTickMarks(); ++i) {
        if (!xaxis.TickMarkText(i).empty()) {
            kept.push_back(QString::fromStdString(xaxis.TickMarkText(i)));
        }
    }
    ASSERT_GE(kept.size(), 5u);
    ASSERT_EQ(labels.size(), kept.size());
    for (size_t i = 0; i < labels.size(); ++i) {
        EXPECT_EQ(labels[i]->text, kept[i]);
    }
    for (size_t i = 1; i < labels.size(); ++i) {
        EXPECT_GE(labels[i]->at.x(), labels[i - 1]->at.x() +
                                         metrics.horizontalAdvance(labels[i - 1]->text) +
                                         metrics.horizontalAdvance(" "))
            << labels[i]->text.toStdString();
    }
}

TEST_F(PrintedPage, LevelLabelsOnlyWhollyAboveTheLastOne) {
    yaxis.set_TickSpaceAim(4); // a tick every dB or two: closer than a label is high
    print();
    const int height = QFontMetrics(font, &device).height();
    std::vector<int> tops; // of the drawn labels, in tick order (upwards)
    std::vector<int> skipped;
    for (const TDrawn* l : all(TDrawn::Kind::line)) {
        if (l->points[0].x() != L - 30) {
            continue;
        }
        const int top = l->points[0].y() - height / 2;
        const bool drawn = std::any_of(device.drawn().begin(), device.drawn().end(), [&](auto& d) {
            return d.kind == TDrawn::Kind::text && d.at.y() == top + ascent && d.at.x() < L - 40;
        });
        if (drawn) {
            ASSERT_TRUE(tops.empty() || top + height < tops.back()) << top;
            tops.push_back(top);
        } else {
            ASSERT_FALSE(tops.empty());
            EXPECT_GE(top + height, tops.back()) << "a label that fits was left out";
            skipped.push_back(top);
        }
    }
    EXPECT_GT(tops.size(), 5u);
    EXPECT_GT(skipped.size(), 5u);
}

TEST_F(PrintedPage, CurvesTheirPensAndDives) {
    a.select_test_partials();
    a.partialused.assign(a.partialused.size(), false); // no used partial
    average(4);
    a.ltas1[64] = 0.0;        // 2000 Hz: no level
    linecolor[11] = 0x00FFFF; // apart from the LTAS's blue
    linecolor[15] = 0x0080FF;
    print();
    const TDrawn* mono = curve(1, 2);
    const TDrawn* ltas = curve(7, 5);
    ASSERT_TRUE(mono && ltas);
    EXPECT_FALSE(curve(11, 5)) << "a staircase without a used partial";
    EXPECT_TRUE(curve(15, 1));
    // DC is left out: the first point is bin 1, at 31.25 Hz.
    EXPECT_EQ(ltas->points.front(),
              QPoint(static_cast<int>(std::lrint(L + W * 31.25 / 8000)), level_y(40)));
    EXPECT_EQ(mono->points.back(), QPoint(L + W, level_y(20)));
    const QPoint dive(static_cast<int>(std::lrint(L + W * 2000.0 / 8000)), T + 100 * H);
    EXPECT_NE(std::find(ltas->points.begin(), ltas->points.end(), dive), ltas->points.end());
}

TEST_F(PrintedPage, LeftToRightSltasIsRightOverLeftAsOnTheScreen) {
    a.dualchannels = true;
    a.select_test_partials();
    average(4); // the right channel 6.02 dB above the left in every bin
    std::fill(a.ltas2.begin(), a.ltas2.end(), 200.0 * 4);
    print();
    // L-R LTAS, then L-R SLTAS on the used and on the unused partials, all black.
    std::vector<const TDrawn*> lr;
    for (const TDrawn* d : all(TDrawn::Kind::polyline)) {
        if (d->pen.color() == Qt::black) {
            lr.push_back(d);
        }
    }
    ASSERT_EQ(lr.size(), 3u);
    EXPECT_EQ(lr[0]->pen.width(), 5);
    EXPECT_EQ(lr[1]->pen.width(), 5);
    EXPECT_EQ(lr[2]->pen.width(), 1);
    for (const TDrawn* d : lr) {
        for (const QPoint& p : d->points) {
            ASSERT_EQ(p.y(), level_y(20 * std::log10(2.0))) << d->pen.width();
        }
    }
}

} // namespace
} // namespace zevrin
