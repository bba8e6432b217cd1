// The program under a desktop locale, as ctest starts it (see CMakeLists.txt): with
// LANG=de_DE.UTF-8 the window shows numbers with a decimal comma, while the stored
// settings, the exported curves and `zevrin --analyse` keep the decimal point; with
// LC_NUMERIC=C over the same LANG, the point wins. The separators come from the
// locale through the same step that main() takes, never from the test.

#include "window_fixture.h"

#include "app/desktop_locale.h"
#include "dsp/text.h"
#include "engine/sound_files.h"
#include "platform/registry.h"
#include "settings/settings_dialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QProcess>

#include <clocale>
#include <cmath>
#include <regex>

namespace zevrin {
namespace {

using test::read_text;
using test::write_text;

// What main() does right after creating the application, before the window.
struct DesktopStart {
    DesktopStart() { use_desktop_number_format(); }
};

class CommaDesktop : public DesktopStart, public testing::WindowFixture {
protected:
    CommaDesktop() {
        window->RecentFiles1->drive_kind_of = [](const std::string&) { return DriveKind::fixed; };
    }
};

class PointDesktop : public DesktopStart, public testing::WindowFixture {};

bool matches(const std::string& text, const char* pattern) {
    return std::regex_match(text, std::regex(pattern));
}

TEST_F(CommaDesktop, TheWindowShowsCommasAndTheStoresKeepPoints) {
    // The whole process runs in the German locale, the C library included (which
    // the program must never let near its stored numbers).
    ASSERT_STREQ(std::localeconv()->decimal_point, ",")
        << "de_DE.UTF-8 is not available to the C library (LOCPATH="
        << (std::getenv("LOCPATH") ? std::getenv("LOCPATH") : "") << ")";
    EXPECT_EQ(decimal_separator(), ',');
    EXPECT_EQ(thousand_separator(), '.');
    TForm1& w = *window;
    // A settings file from anywhere has points; it opens as it is.
    const std::string file = home / "points.zvr";
    write_text(file, "[Settings]\nSampFreq=8000\nBandwidth=12.5\nAutoXAxis=1\n");
    w.open_settings(file);
    EXPECT_EQ(engine().bandwidth, 12.5);
    // The dialog shows and reads the comma.
    TForm2& form = *w.Form2;
    form.show();
    settle();
    EXPECT_EQ(form.bwedit->text(), "12,5");
    EXPECT_EQ(form.fmaxedit->text(), "4000");
    form.sfedit->setText("44100");
    EXPECT_EQ(form.fmaxedit->text(), "22050");
    form.sfedit->setText("8000");
    form.bwedit->setText("6,25");
    EXPECT_EQ(form.sizelabel->text(), "FFT points: 2560");
    form.Button1->click();
    EXPECT_EQ(engine().bandwidth, 6.25);
    // The readouts.
    w.DoLTASExecute();
    w.RunExecute();
    advance(3 * 2560);
    EXPECT_EQ(w.StatusBar1->text(0), "BW:6,25Hz Hamming, 320 ms");
    w.RunExecute();
    engine().set_measurecurveno(0);
    const QPoint at(w.xaxis->value_to_pixel(1234.5), w.yaxis->value_to_pixel(20.0));
    QTest::mouseClick(w.PaintBox1, Qt::LeftButton, {}, at);
    EXPECT_TRUE(matches(w.clipboardstr(), "[0-9]+,[0-9]\t[0-9]+,[0-9]")) << w.clipboardstr();
    const TReadout readout = measurement_readout(engine(), w.cursors, w.showcurve, w.linecolor);
    EXPECT_TRUE(matches(readout.a, "f1=[0-9]+,[0-9] Hz, f2=[0-9]+,[0-9] Hz, f2-f1=0,0 Hz, "
                                   "f2/f1=1,000"))
        << readout.a;
    // The stores and the exported curves keep the point.
    w.save_settings(home / "saved.zvr");
    const std::string saved = read_text(home / "saved.zvr");
    EXPECT_NE(saved.find("\nBandwidth=6.25"), std::string::npos) << saved;
    EXPECT_EQ(saved.find("6,25"), std::string::npos);
    w.Savenow1->trigger();
    const std::string hive = read_text(hive_file(RegistryHive::current_user));
    EXPECT_NE(hive.find("\"Bandwidth\"=\"6.25\""), std::string::npos);
    EXPECT_EQ(hive.find("6,25"), std::string::npos);
    w.export_curves(home / "curves.csv");
    const std::string csv = read_text(home / "curves.csv");
    // Entry 1 of 4096 lies at 8000 / 4096 = 1.953125 Hz.
    EXPECT_NE(csv.find("\n1.953125,"), std::string::npos) << csv.substr(0, 200);
}

// The command line is for programs as much as for people: its numbers keep the point.
TEST_F(CommaDesktop, TheAnalyseCommandKeepsThePoint) {
    std::vector<short> tone(16000);
    for (size_t i = 0; i < tone.size(); ++i) {
        tone[i] = static_cast<short>(std::lrint(8000 * std::sin(2 * M_PI * 1000.0 * i / 16000)));
    }
    testing::write_wav16(home / "tone.wav", 16000, 1, tone);
    QProcess zevrin;
    zevrin.start(ZEVRIN_PROGRAM,
                 {"--analyse", QString::fromStdString(home / "tone.wav"), "--bandwidth", "12.5"});
    ASSERT_TRUE(zevrin.waitForFinished(60000));
    ASSERT_EQ(zevrin.exitCode(), 0) << zevrin.readAllStandardError().toStdString();
    const std::string out = zevrin.readAllStandardOutput().toStdString();
    const std::string err = zevrin.readAllStandardError().toStdString();
    EXPECT_NE(out.find("\n3.90625,"), std::string::npos) << out.substr(0, 200);
    EXPECT_NE(err.find("bandwidth 12.5 Hz"), std::string::npos) << err;
}

TEST_F(PointDesktop, LcNumericDecidesOverLang) {
    EXPECT_EQ(decimal_separator(), '.');
    EXPECT_EQ(thousand_separator(), ',');
    engine().bandwidth = 12.5;
    window->Form2->show();
    settle();
    EXPECT_EQ(window->Form2->bwedit->text(), "12.5");
}

} // namespace
} // namespace zevrin
