// The cursor log and the copied image on the clipboard of a real X server, read by a
// second program (xclip) as a user's spreadsheet or image editor would read them.
// x11_clipboard_test.sh runs this on a private Xvfb display.

#include "window_fixture.h"

#include "output/cursor_log.h"

#include <QElapsedTimer>
#include <QProcess>

namespace zevrin {
namespace {

using testing::WindowFixture;

// What xclip reads from the clipboard as `type`; the window serves it meanwhile.
QByteArray read_clipboard(const QString& type) {
    QProcess xclip;
    xclip.start("xclip", {"-o", "-selection", "clipboard", "-t", type});
    QElapsedTimer timer;
    timer.start();
    while (xclip.state() != QProcess::NotRunning && timer.elapsed() < 20000) {
        xclip.waitForFinished(10);
        QApplication::processEvents();
    }
    EXPECT_EQ(xclip.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(xclip.exitCode(), 0) << xclip.readAllStandardError().toStdString();
    return xclip.readAllStandardOutput();
}

class X11Clipboard : public WindowFixture {};

TEST_F(X11Clipboard, ASecondProgramReadsTheLogAndTheImage) {
    ASSERT_EQ(QGuiApplication::platformName(), "xcb");
    TForm1& w = *window;
    engine().set_measurecurveno(0);
    const QPoint down(w.xaxis->value_to_pixel(1000.0), w.yaxis->value_to_pixel(20.0));
    const QPoint to(w.xaxis->value_to_pixel(3000.0), w.yaxis->value_to_pixel(-10.0));
    QTest::mousePress(w.PaintBox1, Qt::LeftButton, {}, down);
    QTest::mouseMove(w.PaintBox1, to);
    QTest::mouseRelease(w.PaintBox1, Qt::LeftButton, {}, to);
    w.Newlog1Click();
    w.Logcursor1Click();
    const std::string expected = std::string(TCursorLog::header) + "\r\n" + w.clipboardstr();
    EXPECT_EQ(read_clipboard("text/plain").toStdString(), expected);

    w.CopyImageActionExecute();
    const QImage image = QImage::fromData(read_clipboard("image/png"), "PNG");
    const QImage composed = w.copy_image();
    ASSERT_EQ(image.size(), composed.size());
    EXPECT_EQ(image.convertToFormat(QImage::Format_RGB32), composed);
}

} // namespace
} // namespace zevrin
