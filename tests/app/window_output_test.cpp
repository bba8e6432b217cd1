// The main window's output: "Print..." through the print dialog and the title box,
// the cursor log and the copied image on the clipboard (in this process; a second
// program reads them from a real X server in x11_clipboard_test.cpp).

#include "window_fixture.h"

#include "output/cursor_log.h"

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPrintDialog>
#include <QPrinter>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <filesystem>
#include <functional>

namespace zevrin {
namespace {

using testing::WindowFixture;

// Answers the modal dialogs that open next, one handler each, in order.
class DialogAnswers {
public:
    explicit DialogAnswers(std::vector<std::function<void(QWidget*)>> handlers)
        : fhandlers(std::move(handlers)) {
        QObject::connect(&ftimer, &QTimer::timeout, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal == nullptr || modal == flast || fnext == fhandlers.size()) {
                return;
            }
            flast = modal;
            fhandlers[fnext++](modal);
        });
        ftimer.start(10);
    }
    size_t answered() const { return fnext; }

private:
    std::vector<std::function<void(QWidget*)>> fhandlers;
    size_t fnext = 0;
    QWidget* flast = nullptr;
    QTimer ftimer;
};

QString clipboard_text() {
    return QGuiApplication::clipboard()->text();
}

class WindowOutput : public WindowFixture {};

TEST_F(WindowOutput, MenusToolbarAndIdleRule) {
    TForm1& w = *window;
    EXPECT_EQ(w.menuBar()->actions()[1]->text(), "&Edit");
    QStringList edit;
    for (QAction* a : w.Edit1->actions()) {
        edit << a->text();
    }
    EXPECT_EQ(edit, QStringList({"Copy image", "Copy/new log", "Copy/log cursor(s)"}));
    EXPECT_EQ(w.File1->actions()[0], w.Printaction);
    EXPECT_TRUE(w.File1->actions()[1]->isSeparator());
    EXPECT_EQ(w.Printaction->text(), "Print...");
    EXPECT_EQ(w.Printaction->shortcut(), QKeySequence("Ctrl+P"));
    EXPECT_EQ(w.CopyImageAction->shortcut(), QKeySequence("Ctrl+C"));
    EXPECT_EQ(w.Newlog1->shortcut(), QKeySequence("Shift+F5"));
    EXPECT_EQ(w.Logcursor1->shortcut(), QKeySequence("F5"));
    // The toolbar begins with the print button and a separator.
    const QList<QAction*> tools = w.ToolBar1->actions();
    EXPECT_EQ(w.ToolBar1->widgetForAction(tools[0]), w.printbutton);
    EXPECT_TRUE(tools[1]->isSeparator());
    EXPECT_FALSE(w.Image1->isVisible());
    EXPECT_EQ(w.Image1->pixmap().size(), QSize(150, 100));
    w.RunExecute();
    EXPECT_FALSE(w.Printaction->isEnabled());
    EXPECT_FALSE(w.printbutton->isEnabled());
    w.RunExecute();
    EXPECT_TRUE(w.Printaction->isEnabled());
}

TEST_F(WindowOutput, PrintsToAPdfFileWhereThereIsNoPrinter) {
    TForm1& w = *window;
    const std::string pdf = home / "room 3.pdf";
    QString offered;
    DialogAnswers answers(
        {[&](QWidget* modal) {
             auto* dialog = qobject_cast<QPrintDialog*>(modal);
             ASSERT_TRUE(dialog);
             auto* printers = dialog->findChild<QComboBox*>("printers");
             ASSERT_TRUE(printers);
             offered = printers->currentText();
             dialog->findChild<QLineEdit*>("filename")->setText(QString::fromStdString(pdf));
             dialog->accept();
         },
         [&](QWidget* modal) {
             auto* box = qobject_cast<QInputDialog*>(modal);
             ASSERT_TRUE(box);
             EXPECT_EQ(box->windowTitle(), "Title");
             EXPECT_EQ(box->labelText(), "Title for the printout");
             box->setTextValue("  Room 3 ");
             box->accept();
         }});
    w.PrintactionExecute();
    EXPECT_EQ(answers.answered(), 2u);
    EXPECT_EQ(offered, "Print to File (PDF)");
    EXPECT_EQ(w.printtitlestr, "Room 3");
    EXPECT_EQ(test::read_text(pdf).substr(0, 5), "%PDF-");
    EXPECT_TRUE(messages.empty());

    // Cancelling the title prints nothing; the last title is offered again.
    std::filesystem::remove(pdf);
    QString again;
    DialogAnswers cancel({[&](QWidget* modal) {
                              qobject_cast<QPrintDialog*>(modal)
                                  ->findChild<QLineEdit*>("filename")
                                  ->setText(QString::fromStdString(pdf));
                              qobject_cast<QDialog*>(modal)->accept();
                          },
                          [&](QWidget* modal) {
                              again = qobject_cast<QInputDialog*>(modal)->textValue();
                              qobject_cast<QDialog*>(modal)->reject();
                          }});
    w.PrintactionExecute();
    EXPECT_EQ(again, "Room 3");
    EXPECT_FALSE(std::filesystem::exists(pdf));
}

TEST_F(WindowOutput, APageThatCannotBeWrittenIsReportedAndLeavesNothing) {
    TForm1& w = *window;
    const auto entries = [&] {
        return std::distance(std::filesystem::directory_iterator(home.path()), {});
    };
    const auto before = entries();
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFileName(QString::fromStdString(home / "missing/page.pdf"));
    w.print_to(printer, "x");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].rfind("Cannot write \"" + (home / "missing/page.pdf") + "\"", 0), 0u)
        << messages[0];
    printer.setOutputFileName(QString::fromStdString(home.path()));
    w.print_to(printer, "x");
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_NE(messages[1].find("folder"), std::string::npos) << messages[1];
    EXPECT_EQ(entries(), before);
}

TEST_F(WindowOutput, CursorLogOnTheClipboard) {
    TForm1& w = *window;
    const QString header = TCursorLog::header;
    w.Logcursor1Click(); // a fresh program, no levels shown: a blank second line
    EXPECT_EQ(clipboard_text(), header + "\r\n");
    w.Newlog1Click();
    EXPECT_EQ(clipboard_text(), header);
    engine().set_measurecurveno(0);
    const QPoint down(w.xaxis->value_to_pixel(1000.0), w.yaxis->value_to_pixel(20.0));
    const QPoint to(w.xaxis->value_to_pixel(3000.0), w.yaxis->value_to_pixel(-10.0));
    QTest::mouseClick(w.PaintBox1, Qt::LeftButton, {}, down);
    const QString two = QString::fromStdString(w.clipboardstr());
    w.Logcursor1Click();
    QTest::mousePress(w.PaintBox1, Qt::LeftButton, {}, down);
    QTest::mouseMove(w.PaintBox1, to);
    QTest::mouseRelease(w.PaintBox1, Qt::LeftButton, {}, to);
    const QString four = QString::fromStdString(w.clipboardstr());
    w.Logcursor1Click();
    w.Logcursor1Click();
    EXPECT_EQ(two.count('\t'), 1);
    EXPECT_EQ(four.count('\t'), 3);
    EXPECT_EQ(clipboard_text(), header + "\r\n" + two + "\r\n" + four + "\r\n" + four);
}

TEST_F(WindowOutput, CopyImageHasRoomForTheWaveformAlsoWhenHidden) {
    TForm1& w = *window;
    engine().showwave = true;
    w.FormResize();
    settle();
    const int h0 = QFontMetrics(w.xaxis->Font()).height();
    const QSize size(w.PaintBox1->width() + w.yaxis->width(),
                     w.PaintBox2->height() + w.taxis->height() + w.PaintBox1->height() +
                         w.xaxis->height() + h0);
    w.CopyImageActionExecute();
    EXPECT_EQ(QGuiApplication::clipboard()->image().size(), size);
    const int band = w.PaintBox2->height() + w.taxis->height();
    engine().showwave = false;
    w.FormResize();
    settle();
    const QImage hidden = w.copy_image();
    EXPECT_EQ(hidden.height(), w.PaintBox2->height() + w.taxis->height() + w.PaintBox1->height() +
                                   w.xaxis->height() + h0);
    // The plot comes right below the heading; the waveform's room stays white below all.
    EXPECT_EQ(hidden.pixelColor(w.yaxis->width(), h0), QColor(Qt::black)); // the frame
    for (int y = hidden.height() - band; y < hidden.height(); y += 7) {
        for (int x = 0; x < hidden.width(); x += 5) {
            ASSERT_EQ(hidden.pixelColor(x, y), QColor(Qt::white)) << x << "," << y;
        }
    }
}

} // namespace
} // namespace zevrin
