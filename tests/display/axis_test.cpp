// The axis widget: start values, setters and their notifications, errors, ticks,
// marker and painting. Runs on the offscreen platform.

#include "display/axis.h"
#include "display/axis_error.h"
#include "dsp/text.h"
#include "support/allocation_counter.h"
#include "test_application.h"

#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPalette>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zevrin {
namespace {

// The labels of a horizontal axis under its plot as the paint rule places them: each
// label the tick layout kept (TickMarkText), centred on its tick, that starts inside
// the axis and ends before the caption.
struct LabelStrip {
    std::vector<std::string> labels;
    QImage image;
};

LabelStrip expected_label_strip(const TAxis& axis) {
    const QFontMetrics metrics(axis.Font(), &axis);
    const int top = axis.TickMarkSize();
    QImage image(axis.size(), QImage::Format_RGB32);
    image.setDotsPerMeterX(qRound(axis.logicalDpiX() / 0.0254));
    image.setDotsPerMeterY(qRound(axis.logicalDpiY() / 0.0254));
    image.fill(axis.BackgroundColor());
    QPainter p(&image);
    p.setFont(axis.Font());
    p.setPen(axis.palette().color(QPalette::ButtonText));
    const QString caption = QString::fromStdString(axis.AxisText());
    const int caption_left = axis.Width() - metrics.horizontalAdvance(caption);
    p.drawText(caption_left, top + metrics.ascent(), caption);
    LabelStrip strip;
    for (int i = 0; i < axis.nTickMarks(); ++i) {
        const QString text = QString::fromStdString(axis.TickMarkText(i));
        const int half = metrics.horizontalAdvance(text) / 2;
        const int pos = axis.TickMarkPosition(i);
        if (!text.isEmpty() && pos - half >= 0 && pos + half < caption_left) {
            p.drawText(pos - half, top + metrics.ascent(), text);
            strip.labels.push_back(text.toStdString());
        }
    }
    p.end();
    strip.image = image.copy(0, top, axis.Width(), axis.Height() - top);
    return strip;
}

QImage painted_label_strip(TAxis& axis) {
    const QImage image = axis.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const int top = axis.TickMarkSize();
    return image.copy(0, top, axis.Width(), axis.Height() - top);
}

std::string joined(const std::vector<std::string>& words) {
    std::string s;
    for (const std::string& w : words) {
        s += (s.empty() ? "" : " ") + w;
    }
    return s;
}

class Axis : public ::testing::Test {
protected:
    void TearDown() override { set_decimal_separator('.'); }

    // The message of the EAxisError that `f` raises, or "" when it raises none.
    template <typename F> static std::string axis_error(F f) {
        try {
            f();
        } catch (const EAxisError& e) {
            return e.what();
        }
        return "";
    }

    TAxis axis;
    int changed = 0;
};

TEST_F(Axis, StartsWithTheWrittenValues) {
    EXPECT_EQ(axis.Width(), 200);
    EXPECT_EQ(axis.Height(), 200);
    EXPECT_TRUE(axis.AllowLoScroll());
    EXPECT_TRUE(axis.AllowHiScroll());
    EXPECT_FALSE(axis.AllowMidScroll());
    EXPECT_FALSE(axis.AllowDoubleClick());
    EXPECT_EQ(axis.LoValue(), 0);
    EXPECT_EQ(axis.HiValue(), 1);
    EXPECT_EQ(axis.MinLoValue(), -1e300);
    EXPECT_EQ(axis.MaxValueDifference(), 1e300);
    EXPECT_EQ(axis.Position(), tposition::posleft);
    EXPECT_FALSE(axis.Logarithmic() || axis.MusicScale() || axis.Reverse() || axis.IsInteger());
    EXPECT_FALSE(axis.MarkerVisible() || axis.Autosize() || axis.ShowTickmarks());
    EXPECT_EQ(axis.TickMarkSize(), 5);
    EXPECT_EQ(axis.TickSpaceAim(), 40);
    EXPECT_EQ(axis.BackgroundColor(), axis.palette().color(QPalette::Button));
    EXPECT_EQ(axis.Font().pointSize(), 8);
    EXPECT_TRUE(axis.Enabled() && axis.Visible());
}

TEST_F(Axis, SwitchingToLogarithmicNeedsBothValuesAboveZero) {
    EXPECT_EQ(axis_error([&] { axis.set_Logarithmic(true); }),
              "LoValue=0, must be >0 for log scale!");
    EXPECT_FALSE(axis.Logarithmic());
    axis.set_hilovalues(1, -2);
    EXPECT_EQ(axis_error([&] { axis.set_Logarithmic(true); }),
              "HiValue=-2, must be >0 for log scale!");
    EXPECT_FALSE(axis.Logarithmic());
    axis.set_HiValue(20000);
    axis.set_Logarithmic(true);
    EXPECT_TRUE(axis.Logarithmic());
}

TEST_F(Axis, LogarithmicAxisStoresButReportsARefusedValue) {
    axis.set_hilovalues(1, 100);
    axis.set_Logarithmic(true);
    axis.OnScaleChanged = [&](TAxis*) { ++changed; };
    set_decimal_separator(',');
    EXPECT_EQ(axis_error([&] { axis.set_LoValue(-0.5); }),
              "LoValue=-0,5, must be >0 for log scale!");
    // Kept, but read as the lowest value a logarithmic axis shows.
    EXPECT_EQ(axis.LoValue(), TAxis::lowest_log_value);
    axis.set_Logarithmic(false);
    EXPECT_EQ(axis.LoValue(), -0.5);
    EXPECT_EQ(changed, 0);
    axis.set_LoValue(1);
    axis.set_Logarithmic(true);
    EXPECT_EQ(axis_error([&] { axis.set_HiValue(0); }), "HiValue=0, must be >0 for log scale!");
}

TEST_F(Axis, LimitsClampTheValuesReadNotThoseStored) {
    axis.set_MaxValueDifference(100);
    axis.set_HiValue(500);
    EXPECT_EQ(axis.HiValue(), 100);
    axis.set_MaxValueDifference(1e300);
    EXPECT_EQ(axis.HiValue(), 500);
    // A new limit that excludes the stored value sets it; the value read was already
    // the limit, so nothing is notified.
    axis.OnScaleChanged = [&](TAxis*) { ++changed; };
    axis.set_LoValue(-5);
    axis.set_MinLoValue(0);
    EXPECT_EQ(changed, 1);
    axis.set_MinLoValue(-10);
    EXPECT_EQ(axis.LoValue(), 0);
    axis.set_IsInteger(true);
    axis.set_HiValue(7.5);
    EXPECT_EQ(axis.HiValue(), 8);
}

TEST_F(Axis, ValueSettersNotifyOnceAndOnlyForAChange) {
    axis.OnScaleChanged = [&](TAxis* sender) {
        EXPECT_EQ(sender, &axis);
        ++changed;
    };
    axis.set_LoValue(0);
    axis.set_HiValue(1);
    axis.set_hilovalues(0, 1);
    EXPECT_EQ(changed, 0);
    axis.set_LoValue(-1);
    EXPECT_EQ(changed, 1);
    axis.set_hilovalues(-2, 2);
    EXPECT_EQ(changed, 2);
}

TEST_F(Axis, ANotificationRunsAloneAndEndsEvenWhenItRaises) {
    axis.set_MarkerVisible(true);
    axis.OnScaleChanged = [&](TAxis* a) {
        ++changed;
        a->set_HiValue(50);
        a->set_Position(tposition::posunder);
        a->set_MarkerValue(0.5);
    };
    axis.set_LoValue(-1);
    EXPECT_EQ(changed, 1);
    EXPECT_EQ(axis.HiValue(), 50);
    EXPECT_EQ(axis.Position(), tposition::posleft);
    EXPECT_EQ(axis.MarkerValue(), 0);

    axis.OnScaleChanged = [&](TAxis*) {
        ++changed;
        throw std::runtime_error("handler failed");
    };
    EXPECT_THROW(axis.set_LoValue(-2), std::runtime_error);
    EXPECT_THROW(axis.set_LoValue(-3), std::runtime_error);
    EXPECT_EQ(changed, 3);
    axis.set_Position(tposition::posover);
    EXPECT_EQ(axis.Position(), tposition::posover);
}

TEST_F(Axis, TickIndexOutsideTheListIsAnError) {
    EXPECT_EQ(axis_error([&] { axis.TickMarkText(-1); }), "Tickmark index out of range:-1");
    const int n = axis.nTickMarks();
    EXPECT_EQ(axis_error([&] { axis.TickMark(n); }),
              "Tickmark index out of range:" + std::to_string(n));
    EXPECT_EQ(axis_error([&] { axis.TickMarkPosition(n - 1); }), "");
}

TEST_F(Axis, TicksFollowTheScaleAndTheSize) {
    axis.set_Position(tposition::posunder);
    axis.set_TickSpaceAim(50);
    axis.resize(480, 25);
    axis.set_hilovalues(0, 8000);
    ASSERT_EQ(axis.nTickMarks(), 10);
    EXPECT_EQ(axis.TickMark(9), 9000);
    EXPECT_EQ(axis.TickMarkText(3), "3000");
    EXPECT_EQ(axis.TickMarkPosition(9), 479);
    // Half the length aims at 4 intervals, of 2000.
    axis.set_Width(240);
    ASSERT_EQ(axis.nTickMarks(), 6);
    EXPECT_EQ(axis.TickMark(1), 2000);
    EXPECT_EQ(axis.TickMarkPosition(5), 239);
    axis.set_Reverse(true);
    EXPECT_EQ(axis.TickMarkPosition(0), 239);
}

TEST_F(Axis, MappingsDoNotAllocate) {
    axis.set_hilovalues(20, 20000);
    axis.set_Logarithmic(true);
    long sum = 0;
    const long allocations = testing::allocations_in([&] {
        for (int i = 0; i < 1000; ++i) {
            sum += axis.value_to_pixel(20 + i * 20.0) + axis.value_to_notclippedpixel(i);
            sum += static_cast<long>(axis.pixel_to_value(i % 200) + axis.value_to_position(i));
        }
    });
    EXPECT_EQ(allocations, 0);
    EXPECT_GT(sum, 0);
}

TEST_F(Axis, MarkerIsAnInvertedLineThatMovesWithoutTrace) {
    axis.resize(40, 200);
    axis.set_hilovalues(0, 100);
    const QImage plain = axis.grab().toImage();
    axis.set_MarkerVisible(true);
    axis.set_MarkerValue(50);
    const int row = axis.value_to_pixel(50);
    EXPECT_EQ(axis.MarkerPixel(), row);
    QImage marked = axis.grab().toImage();
    for (int x = 0; x < 40; ++x) {
        const QRgb before = plain.pixel(x, row);
        const QRgb after = marked.pixel(x, row);
        EXPECT_EQ(qRed(after), 255 - qRed(before)) << x;
        EXPECT_EQ(qBlue(after), 255 - qBlue(before)) << x;
    }
    axis.set_MarkerPixel(20);
    EXPECT_EQ(axis.MarkerValue(), axis.pixel_to_value(20));
    marked = axis.grab().toImage();
    EXPECT_EQ(marked.copy(0, row, 40, 1), plain.copy(0, row, 40, 1));
    EXPECT_NE(marked.copy(0, 20, 40, 1), plain.copy(0, 20, 40, 1));
    axis.set_MarkerVisible(false);
    EXPECT_EQ(axis.grab().toImage(), plain);
}

TEST_F(Axis, MarkerStaysInsideTheRangeAndIgnoresWritesWhileHidden) {
    axis.set_hilovalues(0, 100);
    axis.set_MarkerValue(50);
    axis.set_LoValue(70);
    EXPECT_EQ(axis.MarkerValue(), 70);
    axis.set_HiValue(80);
    axis.set_MarkerValue(95);
    axis.set_HiValue(90);
    EXPECT_EQ(axis.MarkerValue(), 90);
    axis.set_Visible(false);
    EXPECT_FALSE(axis.Visible());
    axis.set_MarkerValue(75);
    EXPECT_EQ(axis.MarkerValue(), 90);
}

TEST_F(Axis, AutosizeFitsFiveDigitsOrALineAndAHalf) {
    const QFontMetrics metrics(axis.Font(), &axis);
    axis.set_TickMarkSize(7);
    axis.set_Autosize(true);
    EXPECT_EQ(axis.Width(), metrics.horizontalAdvance("12345") + 7);
    axis.set_Position(tposition::posunder);
    axis.set_TickMarkSize(3);
    EXPECT_EQ(axis.Height(), metrics.height() * 4 / 3 + 3);
}

TEST_F(Axis, PaintsTicksOnTheBackgroundBesideThePlot) {
    axis.set_BackgroundColor(QColor(200, 210, 220));
    axis.set_Position(tposition::posunder);
    axis.set_TickSpaceAim(50);
    axis.resize(480, 25);
    axis.set_hilovalues(0, 8000);
    axis.set_AxisText("[Hz]");
    const QImage image = axis.grab().toImage();
    const QRgb background = QColor(200, 210, 220).rgb();
    const QRgb ink = axis.palette().color(QPalette::ButtonText).rgb();
    for (int i = 0; i < axis.nTickMarks(); ++i) {
        const int x = axis.TickMarkPosition(i);
        for (int y = 0; y < 5; ++y) {
            EXPECT_EQ(image.pixel(x, y), ink) << i;
        }
        EXPECT_NE(image.pixel(x, 5), ink) << i;
    }
    EXPECT_EQ(image.pixel(30, 2), background);
    int inked = 0;
    const QFontMetrics metrics(axis.Font(), &axis);
    for (int x = 480 - metrics.horizontalAdvance("[Hz]"); x < 480; ++x) {
        for (int y = 5; y < 25; ++y) {
            inked += image.pixel(x, y) != background ? 1 : 0;
        }
    }
    EXPECT_GT(inked, 10);
}

// Measured with the desktop's own font: every label the layout keeps is painted, on
// all three scales, and where linear labels would crowd they keep an even stride.
TEST_F(Axis, PaintsEveryLabelTheLayoutKeepsOnEachScale) {
    axis.set_Position(tposition::posunder);
    axis.set_TickSpaceAim(50);
    axis.set_AxisText("[Hz]");
    struct Case {
        int width;
        double lo;
        double hi;
        bool logarithmic;
        bool notes;
        const char* painted;
    };
    const Case cases[] = {
        // 200 Hz steps are 28 pixels apart, "1000" and a blank need 30.
        {781, 0, 5512.5, false, false,
         "400 800 1200 1600 2000 2400 2800 3200 3600 4000 4400 4800 5200"},
        {490, 0, 5512.5, false, false, "500 1000 1500 2000 2500 3000 3500 4000 4500 5000"},
        {490, 50, 5512.5, true, false, "60 80 100 200 300 400 500 700 1000 2000 3000"},
        {480, 27.5, 4186, true, true,
         "C1 E1 A1 C2 E2 A2 C3 E3 A3 C4 E4 A4 C5 E5 A5 C6 E6 A6 C7 E7"},
    };
    for (const Case& c : cases) {
        axis.set_Logarithmic(false);
        axis.set_MusicScale(false);
        axis.resize(c.width, 25);
        axis.set_hilovalues(c.lo, c.hi);
        axis.set_Logarithmic(c.logarithmic);
        axis.set_MusicScale(c.notes);
        const LabelStrip expected = expected_label_strip(axis);
        EXPECT_EQ(joined(expected.labels), c.painted) << c.width;
        EXPECT_TRUE(painted_label_strip(axis) == expected.image) << joined(expected.labels);
    }
}

} // namespace
} // namespace zevrin
