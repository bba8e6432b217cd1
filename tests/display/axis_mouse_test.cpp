// Dragging the ends and the range of an axis, its cursors, and the limits dialog,
// driven by QTest mouse events on the offscreen platform.

#include "display/axis.h"
#include "display/axis_cursors.h"
#include "dsp/text.h"
#include "test_application.h"

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace zevrin {
namespace {

// A pointer moving over the axis with no button held.
void hover(QWidget* w, QPoint pos) {
    QMouseEvent e(QEvent::MouseMove, pos, w->mapToGlobal(pos), Qt::NoButton, Qt::NoButton,
                  Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

// Runs `action` once on the first modal window of type W that the program shows.
template <typename W> void when_shown(std::function<void(W*)> action) {
    auto* poll = new QTimer(QCoreApplication::instance());
    QObject::connect(poll, &QTimer::timeout, [poll, action] {
        if (auto* w = qobject_cast<W*>(QApplication::activeModalWidget())) {
            poll->stop();
            poll->deleteLater();
            action(w);
        }
    });
    poll->start(5);
}

class AxisMouse : public ::testing::Test {
protected:
    AxisMouse() {
        axis.resize(30, 300);
        axis.set_hilovalues(0, 100);
        axis.set_AllowMidScroll(true);
        axis.OnScaleChanging = [this](TAxis*) { ++changing; };
        axis.OnScaleChanged = [this](TAxis*) { ++changed; };
    }
    void TearDown() override { set_decimal_separator('.'); }

    // Presses the left button at `from` along the axis, moves to `to` and releases.
    void drag(int from, int to, Qt::MouseButton button = Qt::LeftButton) {
        const auto at = [this](int p) {
            return is_vertical(axis.Position()) ? QPoint(15, p) : QPoint(p, 12);
        };
        QTest::mousePress(&axis, button, {}, at(from));
        QTest::mouseMove(&axis, at(to));
        QTest::mouseRelease(&axis, button, {}, at(to));
    }

    TAxis axis;
    int changing = 0;
    int changed = 0;
};

TEST_F(AxisMouse, VerticalPressZonesPickTheHighEndTheRangeOrTheLowEnd) {
    drag(50, 100); // high end: r = 250 / 200
    EXPECT_DOUBLE_EQ(axis.HiValue(), 125);
    EXPECT_DOUBLE_EQ(axis.LoValue(), 0);
    axis.set_hilovalues(0, 100);
    drag(150, 180); // whole range, a tenth of the height down
    EXPECT_DOUBLE_EQ(axis.HiValue(), 110);
    EXPECT_DOUBLE_EQ(axis.LoValue(), 10);
    axis.set_hilovalues(0, 100);
    drag(250, 200); // low end
    EXPECT_DOUBLE_EQ(axis.LoValue(), 100 - 125);
    EXPECT_DOUBLE_EQ(axis.HiValue(), 100);
    axis.set_hilovalues(0, 100);
    drag(5, 22); // a press at 5 counts as 11: r = 289 / 278
    EXPECT_DOUBLE_EQ(axis.HiValue(), 100.0 * 289 / 278);
}

TEST_F(AxisMouse, LowEndKeepsTheValueUnderThePointer) {
    drag(220, 275);
    EXPECT_DOUBLE_EQ(axis.LoValue(), 20);
    EXPECT_DOUBLE_EQ(axis.HiValue(), 100);
}

TEST_F(AxisMouse, LogarithmicLowEndScalesByAPowerOfTheRange) {
    axis.set_hilovalues(10, 1000);
    axis.set_Logarithmic(true);
    drag(250, 275);
    EXPECT_NEAR(axis.LoValue(), 1000 * std::pow(0.01, 250.0 / 275), 1e-9);
}

// The frequency axis as the window sets it up, logarithmic from 50 Hz to 5512.5 Hz.
class LogFrequencyAxis : public AxisMouse {
protected:
    LogFrequencyAxis() {
        axis.set_Position(tposition::posunder);
        axis.resize(900, 25);
        axis.set_MinLoValue(0);
        axis.set_MinValueDifference(10);
        axis.set_hilovalues(50, 5512.5);
        axis.set_Logarithmic(true);
    }
    // Decimal steps above 1e-4 up to 6000: 2e-4 .. 9e-4, nine in each of the seven
    // decades from 1e-3 to 1e3, and 1000 .. 6000.
    static constexpr int ticks_from_lowest = 8 + 7 * 9 - 3;
};

TEST_F(LogFrequencyAxis, OneDragStopsAtTheLowestValue) {
    // Pressed near the low end and let go near the high end: r = 880 / 10, which
    // would take the low end to 5512.5 · (50 / 5512.5)^88, about 1e-176 Hz.
    drag(20, 890);
    EXPECT_EQ(axis.LoValue(), TAxis::lowest_log_value);
    EXPECT_EQ(axis.HiValue(), 5512.5);
    EXPECT_EQ(axis.nTickMarks(), ticks_from_lowest);
    EXPECT_EQ(axis.value_to_pixel(1e-4), 0);
    EXPECT_EQ(axis.value_to_pixel(5512.5), 899);
    // The whole range dragged left shifts both ends up from there, by the value under
    // the pointer.
    drag(450, 350);
    const double shift = std::pow(5512.5 / 1e-4, 100.0 / 900);
    EXPECT_NEAR(axis.LoValue(), 1e-4 * shift, 1e-12);
    EXPECT_NEAR(axis.HiValue(), 5512.5 * shift, 1e-6);
}

TEST_F(LogFrequencyAxis, TypedValuesStopAtTheLowestValueToo) {
    axis.set_AllowDoubleClick(true);
    when_shown<QDialog>([&](QDialog*) {
        axis.AxisLimitForm().Edit2()->setText("1E-179");
        QTest::mouseClick(axis.AxisLimitForm().Button1(), Qt::LeftButton);
    });
    QTest::mouseDClick(&axis, Qt::LeftButton, {}, QPoint(450, 12));
    EXPECT_EQ(axis.LoValue(), TAxis::lowest_log_value);
    EXPECT_EQ(axis.nTickMarks(), ticks_from_lowest);
    // A linear scale reads what was typed again.
    axis.set_Logarithmic(false);
    EXPECT_EQ(axis.LoValue(), 1e-179);
}

TEST_F(AxisMouse, DraggingNotifiesWhileMovingAndOnceAtRelease) {
    QTest::mousePress(&axis, Qt::LeftButton, {}, QPoint(15, 250));
    QTest::mouseMove(&axis, QPoint(15, 260));
    QTest::mouseMove(&axis, QPoint(15, 270));
    EXPECT_EQ(changing, 2);
    EXPECT_EQ(changed, 0);
    QTest::mouseRelease(&axis, Qt::LeftButton, {}, QPoint(15, 270));
    EXPECT_EQ(changed, 1);
    EXPECT_EQ(changing, 2);
}

TEST_F(AxisMouse, OnlyTheLeftButtonChangesValuesButAnyButtonNotifies) {
    drag(250, 200, Qt::RightButton);
    EXPECT_EQ(axis.LoValue(), 0);
    EXPECT_EQ(changing, 1);
    EXPECT_EQ(changed, 1);
}

TEST_F(AxisMouse, NothingIsNotifiedWhenNeitherEndMayMove) {
    axis.set_AllowLoScroll(false);
    axis.set_AllowHiScroll(false);
    drag(250, 200);
    EXPECT_EQ(axis.LoValue(), 0);
    EXPECT_EQ(axis.HiValue(), 100);
    EXPECT_EQ(changing + changed, 0);
    hover(&axis, QPoint(15, 150));
    EXPECT_EQ(axis.CursorNumber(), crDefault);
    EXPECT_EQ(axis.cursor().shape(), Qt::ArrowCursor);
}

TEST_F(AxisMouse, CursorShowsWhatAPressWouldMoveUntilTheButtonGoesDown) {
    hover(&axis, QPoint(15, 50));
    EXPECT_EQ(axis.CursorNumber(), crVUpper);
    EXPECT_EQ(axis.cursor().pixmap().toImage(), axis_cursor_image(crVUpper));
    hover(&axis, QPoint(15, 150));
    EXPECT_EQ(axis.CursorNumber(), crVMiddle);
    hover(&axis, QPoint(15, 250));
    EXPECT_EQ(axis.CursorNumber(), crVLower);
    QTest::mousePress(&axis, Qt::LeftButton, {}, QPoint(15, 250));
    QTest::mouseMove(&axis, QPoint(15, 50));
    EXPECT_EQ(axis.CursorNumber(), crVLower);
    QTest::mouseRelease(&axis, Qt::LeftButton, {}, QPoint(15, 50));
    axis.set_AllowMidScroll(false);
    hover(&axis, QPoint(15, 149));
    EXPECT_EQ(axis.CursorNumber(), crVUpper);
    hover(&axis, QPoint(15, 150));
    EXPECT_EQ(axis.CursorNumber(), crVLower);
}

TEST_F(AxisMouse, HorizontalAxisWithOnlyTheHighEndDragsItAnywhere) {
    axis.set_Position(tposition::posunder);
    axis.resize(300, 25);
    axis.set_AllowLoScroll(false);
    for (const int x : {5, 150, 290}) {
        hover(&axis, QPoint(x, 12));
        EXPECT_EQ(axis.CursorNumber(), crHUpper) << x;
    }
    drag(20, 40); // high := L0 + (d / x)(H0 - L0)
    EXPECT_DOUBLE_EQ(axis.HiValue(), 50);
    EXPECT_DOUBLE_EQ(axis.LoValue(), 0);
}

TEST_F(AxisMouse, HorizontalZonesPutTheLowEndOnTheLeft) {
    axis.set_Position(tposition::posunder);
    axis.resize(300, 25);
    hover(&axis, QPoint(50, 12));
    EXPECT_EQ(axis.CursorNumber(), crHLower);
    hover(&axis, QPoint(250, 12));
    EXPECT_EQ(axis.CursorNumber(), crHUpper);
    drag(50, 25); // low end: r = 250 / 275
    EXPECT_DOUBLE_EQ(axis.LoValue(), 100 + 250.0 / 275 * -100);
    axis.set_hilovalues(0, 100);
    axis.set_Reverse(true); // the zones stay where they are
    drag(250, 125);         // high end: r = 250 / 125
    EXPECT_DOUBLE_EQ(axis.HiValue(), 200);
}

TEST_F(AxisMouse, MouseCallbacksComeAfterTheAxisHasActed) {
    double lo_seen = 0;
    int changed_seen = -1;
    axis.OnMouseMove = [&](TAxis* a, QMouseEvent*) { lo_seen = a->LoValue(); };
    axis.OnMouseUp = [&](TAxis*, QMouseEvent* e) {
        changed_seen = changed;
        EXPECT_EQ(e->button(), Qt::LeftButton);
    };
    drag(220, 275);
    EXPECT_DOUBLE_EQ(lo_seen, 20);
    EXPECT_EQ(changed_seen, 1);
}

TEST_F(AxisMouse, DoubleClickWithoutTheDialogIsAPress) {
    QTest::mouseDClick(&axis, Qt::LeftButton, {}, QPoint(15, 220));
    QTest::mouseMove(&axis, QPoint(15, 275));
    QTest::mouseRelease(&axis, Qt::LeftButton, {}, QPoint(15, 275));
    EXPECT_DOUBLE_EQ(axis.LoValue(), 20);
}

class LimitsDialog : public AxisMouse {
protected:
    LimitsDialog() {
        axis.set_AllowDoubleClick(true);
        // Releases then notify nothing: every notification seen is the dialog's.
        axis.set_AllowLoScroll(false);
        axis.set_AllowHiScroll(false);
    }
    void double_click() { QTest::mouseDClick(&axis, Qt::LeftButton, {}, QPoint(15, 150)); }
};

TEST_F(LimitsDialog, ShowsBothValuesAndCancelChangesNothingButNotifies) {
    set_decimal_separator(',');
    axis.set_hilovalues(0.5, 1e20);
    axis.set_AxisText("[dB]");
    changed = 0;
    QString title, high, low, label;
    when_shown<QDialog>([&](QDialog* d) {
        title = d->windowTitle();
        high = axis.AxisLimitForm().Edit1()->text();
        low = axis.AxisLimitForm().Edit2()->text();
        label = axis.AxisLimitForm().Label1()->text();
        axis.AxisLimitForm().Edit1()->setText("7");
        QTest::mouseClick(axis.AxisLimitForm().Button2(), Qt::LeftButton);
    });
    double_click();
    EXPECT_EQ(title, "Axis limits");
    EXPECT_EQ(high, "1E20");
    EXPECT_EQ(low, "0,5");
    EXPECT_EQ(label, "High value [dB]");
    EXPECT_EQ(axis.HiValue(), 1e20);
    EXPECT_EQ(changed, 1);
}

TEST_F(LimitsDialog, TextThatIsNoNumberKeepsTheShownValue) {
    when_shown<QDialog>([&](QDialog*) {
        axis.AxisLimitForm().Edit1()->setText("lots");
        axis.AxisLimitForm().Edit2()->setText("-3");
        QTest::mouseClick(axis.AxisLimitForm().Button1(), Qt::LeftButton);
    });
    double_click();
    EXPECT_EQ(axis.HiValue(), 100);
    EXPECT_EQ(axis.LoValue(), -3);
    // Once for the changed values, once for the closed dialog.
    EXPECT_EQ(changed, 2);
}

TEST_F(LimitsDialog, InfiniteTextIsNoNumber) {
    when_shown<QDialog>([&](QDialog*) {
        axis.AxisLimitForm().Edit1()->setText("INF");
        QTest::mouseClick(axis.AxisLimitForm().Button1(), Qt::LeftButton);
    });
    double_click();
    EXPECT_EQ(axis.HiValue(), 100);
}

TEST_F(LimitsDialog, ValuesALogarithmicAxisRefusesAreReportedAndNotKept) {
    axis.set_hilovalues(10, 1000);
    axis.set_Logarithmic(true);
    changed = 0;
    QString message;
    when_shown<QDialog>([&](QDialog*) {
        axis.AxisLimitForm().Edit2()->setText("0");
        when_shown<QMessageBox>([&](QMessageBox* box) {
            message = box->text();
            box->close();
        });
        QTest::mouseClick(axis.AxisLimitForm().Button1(), Qt::LeftButton);
    });
    double_click();
    EXPECT_EQ(message, "LoValue=0, must be >0 for log scale!");
    EXPECT_EQ(axis.LoValue(), 10);
    EXPECT_EQ(axis.HiValue(), 1000);
    EXPECT_EQ(changed, 1);
}

} // namespace
} // namespace zevrin
