// The main window's settings: kept in its registry key across a restart and in
// settings files, the window's place and size, the "&Settings" and "&Help" menus,
// and stores that cannot be read or written.

#include "window_fixture.h"

#include "platform/registry.h"
#include "settings/ini.h"
#include "support/no_home.h"

#include <QAction>
#include <QFileDialog>
#include <QMenu>
#include <QSettings>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <filesystem>

namespace zevrin {
namespace {

using test::read_text;
using test::write_text;
using testing::WindowFixture;

class WindowSettings : public WindowFixture {
protected:
    WindowSettings() { allow_every_drive(); }

    // Test files lie wherever the system keeps temporary files; the recent files
    // must take them whatever kind of drive that is.
    void allow_every_drive() {
        window->RecentFiles1->drive_kind_of = [](const std::string&) { return DriveKind::fixed; };
    }
    // Every setting away from its first-start value.
    void change_everything() {
        TForm1& w = *window;
        TAnalyser& a = engine();
        a.sampfreq = 22050;
        a.bandwidth = 12.5;
        a.sltaspoints = 1024;
        a.set_usesltas(true);
        a.fftwindow = TFFTWindow::Hanning;
        a.ltasdecay = true;
        a.sltasdecay = true;
        a.set_ltasdecaytime(3.5);
        a.set_sltasdecaytime(7.25);
        a.set_autoxaxis(false);
        a.set_fmax(4000);
        a.set_fmin(20);
        a.set_logfscale(true);
        a.set_gridlines(false);
        a.set_highpass(false);
        a.set_dbmin(-80);
        a.set_dbmax(20);
        a.set_excludedblimit(3);
        a.set_excludeoverloaded(false);
        a.set_excludehighpower(true);
        w.components().FFT1.set_Window(TFFTWindow::rectangle);
        a.partialpattern = 3;
        a.partialsperoctave = 6;
        a.chirpiness = 0.5;
        a.singlesinusfreq = 250;
        a.dualchannels = true;
        a.showwave = false;
        a.stretchwave = false;
        a.measure = false;
        a.bltplot = false;
        a.set_snaptopeak(false);
        a.set_interpolate(false);
        a.set_measurecurveno(9);
        w.components().MPCRecord1.set_DeviceID(-1);
        w.components().MPCPlay1.set_DeviceID(3);
        w.components().MPCRecord1.set_Latency(0.04);
        a.maxgain = 100;
        for (size_t i = 0; i < ncurves; ++i) {
            w.linecolor[i] = static_cast<uint32_t>(0x010203 * (i + 1));
            w.showcurve[i] = i % 3 != 1;
        }
        w.resize(640, 480);
        settle();
    }
    std::string saved(const std::string& name) {
        window->save_settings(home / name);
        return read_text(home / name);
    }
    static std::string common(const std::string& key) {
        return TIni("").ReadString("Common", key, "absent");
    }
};

TEST_F(WindowSettings, AFirstStartChecksAlwaysSaveOnExit) {
    EXPECT_TRUE(window->Always1->isChecked());
    EXPECT_EQ(common("SaveSettingsOnExit"), "absent"); // read, not written
    EXPECT_DOUBLE_EQ(window->components().MPCRecord1.Latency(), 0.25);
}

TEST_F(WindowSettings, EverySettingLastsAcrossARestart) {
    change_everything();
    window->move(33, 44);
    settle();
    const QPoint place = window->pos();
    const std::string before = saved("before.zvr");
    ASSERT_TRUE(window->close());                         // "Always save on e&xit" is checked
    EXPECT_EQ(common("XPos"), std::to_string(place.y())); // the top: the key has always held it
    EXPECT_EQ(common("YPos"), std::to_string(place.x()));
    window.reset();
    open_window();
    EXPECT_EQ(saved("after.zvr"), before);
    EXPECT_EQ(window->pos(), place);
    EXPECT_EQ(window->size(), QSize(640, 480));
    EXPECT_EQ(common("InLatency"), "40"); // the machine's, kept in no settings file
    EXPECT_DOUBLE_EQ(window->components().MPCRecord1.Latency(), 0.04);
    EXPECT_EQ(window->components().FFT1.Window(), TFFTWindow::rectangle);
    EXPECT_FALSE(window->Panel2->isVisible()); // the waveform is off
    EXPECT_TRUE(messages.empty()) << messages.front();
}

TEST_F(WindowSettings, EverySettingComesBackFromASettingsFile) {
    change_everything();
    const std::string file = saved("mine.zvr");
    EXPECT_EQ(file.find("XPos"), std::string::npos); // a file never moves the window
    EXPECT_EQ(file.find("SaveSettingsOnExit"), std::string::npos);
    EXPECT_EQ(file.find("InLatency"), std::string::npos);
    write_text(home / "blank.zvr", "");
    window->open_settings(home / "blank.zvr");
    EXPECT_EQ(engine().sampfreq, 11025);
    window->open_settings(home / "mine.zvr");
    EXPECT_EQ(saved("again.zvr"), file);
    EXPECT_EQ(common("SampFreq"), "absent"); // no file operation touches the registry
}

TEST_F(WindowSettings, AMaximisedWindowWritesNoSizesAndKeepsItsOwn) {
    window->setWindowState(Qt::WindowMaximized);
    settle();
    const std::string file = saved("max.zvr");
    EXPECT_EQ(file.find("XSize"), std::string::npos);
    EXPECT_EQ(file.find("YSize"), std::string::npos);
    window->Savenow1->trigger();
    EXPECT_EQ(common("SaveSettingsOnExit"), "1");
    EXPECT_EQ(common("XPos"), "absent");
    EXPECT_EQ(common("XSize"), "absent");
    const QSize size = window->size();
    write_text(home / "sized.zvr", "[Common]\nXSize=400\nYSize=300\n");
    window->open_settings(home / "sized.zvr");
    EXPECT_EQ(window->size(), size);
}

TEST_F(WindowSettings, AFileResizesTheWindowButNeverMovesIt) {
    const QPoint place = window->pos();
    write_text(home / "sized.zvr", "[Common]\nXSize=600\nYSize=450\nXPos=5\nYPos=6\n");
    window->open_settings(home / "sized.zvr");
    EXPECT_EQ(window->size(), QSize(600, 450));
    EXPECT_EQ(window->pos(), place);
}

TEST_F(WindowSettings, ANumberThatIsNoneIsReplacedAndReadingGoesOn) {
    write_text(home / "bad.zvr",
               "[Common]\nXSize=610\nYSize=460\n[Settings]\nSampFreq=abc\nBandwidth=99\n");
    window->RecentFiles1Click(nullptr, 1, home / "bad.zvr");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "Values in the settings file \"" + home / "bad.zvr" +
                               "\" that cannot be used were replaced by their defaults:\n"
                               "SampFreq must be from 1000 to 384000 Hz, not 'abc'; 11025 Hz is "
                               "used instead");
    EXPECT_EQ(window->size(), QSize(610, 460));
    EXPECT_EQ(engine().sampfreq, 11025);
    EXPECT_EQ(engine().bandwidth, 99);
}

// Values that no dialog would give are never applied: one message names them all,
// and the window runs, plays and shows its dialog with their defaults.
TEST_F(WindowSettings, HostileValuesAreReplacedAndTheWindowRuns) {
    TForm1& w = *window;
    write_text(home / "hostile.zvr",
               "[Common]\nXSize=-5\n[Settings]\nSampFreq=-1\nBandwidth=0\nSLTASPoints=-7\n"
               "UseSLTAS=1\nWindow=99\nNonSLTASWindow=-3\nPartialPattern=42\n"
               "PartialsPerOctave=2147483647\nDecay=1\nDecayTime=-2\nfMax=nan\nfMin=inf\n"
               "LogfScale=0\ndBMin=1e308\ndBMax=-1e308\nMeasureCurveNo=77\nInDeviceID=-5\n"
               "MaxGain=-inf\nColor3=-5\n");
    const QSize size = w.size();
    w.RecentFiles1Click(nullptr, 1, home / "hostile.zvr");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(std::count(messages[0].begin(), messages[0].end(), '\n'), 16) << messages[0];
    EXPECT_NE(messages[0].find("\nXSize must be a whole number from 1 to 32767, not -5; "),
              std::string::npos);
    EXPECT_NE(messages[0].find("\nPartialsPerOctave must be a whole number from 1 to 8192, not "
                               "2147483647; 12 is used instead\n"),
              std::string::npos);
    EXPECT_EQ(w.size(), size);
    EXPECT_EQ(engine().frame_length(), 4096); // SLTAS mode with the default points
    w.RunExecute();
    w.playactionExecute();
    advance(5000);
    EXPECT_TRUE(engine().running());
    EXPECT_TRUE(engine().playing());
    w.RunExecute();
    w.playactionExecute();
    w.Form2->FormShow();
    w.Form2->Button1->click();
    w.PaintBox1->repaint();
    EXPECT_EQ(messages.size(), 1u) << messages.back();
}

// The stored settings say so once: the next save keeps the values in force.
TEST_F(WindowSettings, StoredValuesOutOfRangeAreReportedOnce) {
    window.reset();
    {
        TIni ini("");
        ini.WriteString("Settings", "SLTASPoints", "3");
        ini.WriteString("Settings", "Bandwidth", "1e-300");
        ini.WriteString("Common", "InLatency", "5");
        ini.UpdateFile();
    }
    open_window();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].rfind("Values in the stored settings that cannot be used were replaced "
                                "by their defaults:\nInLatency must be a whole number from 10 to "
                                "2000 ms, not 5; 250 ms is used instead\nBandwidth must be from ",
                                0),
              0u)
        << messages[0];
    EXPECT_DOUBLE_EQ(window->components().MPCRecord1.Latency(), 0.25);
    EXPECT_EQ(engine().sltaspoints, 4096);
    ASSERT_TRUE(window->close()); // "Always save on exit"
    window.reset();
    open_window();
    EXPECT_EQ(messages.size(), 1u);
    EXPECT_EQ(TIni("").ReadString("Settings", "SLTASPoints", ""), "4096");
}

TEST_F(WindowSettings, AlwaysSaveOnExitIsWrittenAtOnce) {
    engine().bandwidth = 99;
    window->Always1->trigger();
    EXPECT_FALSE(window->Always1->isChecked());
    EXPECT_EQ(common("SaveSettingsOnExit"), "0");
    EXPECT_TRUE(TIni("").ReadSection("Settings").empty()); // that key only
    ASSERT_TRUE(window->close());
    EXPECT_TRUE(TIni("").ReadSection("Settings").empty()); // nothing saved on exit
    window.reset();
    open_window();
    EXPECT_FALSE(window->Always1->isChecked());
    EXPECT_EQ(engine().bandwidth, 50);
}

TEST_F(WindowSettings, SettingsFilesJoinTheRecentFiles) {
    TForm1& w = *window;
    const std::string file = home / "recent.zvr";
    engine().bandwidth = 20;
    w.save_settings(file);
    EXPECT_EQ(w.RecentFiles1->filename(1), file);
    EXPECT_EQ(w.settings_file_name(), file);
    QAction* item = w.RecentFiles1->item(1);
    ASSERT_TRUE(w.Settings1->actions().contains(item));
    EXPECT_TRUE(item->isVisible());
    engine().bandwidth = 30;
    item->trigger();
    EXPECT_EQ(engine().bandwidth, 20);
    // A file that could not be written does not join them.
    engine().bandwidth = 40;
    EXPECT_THROW(w.save_settings(home / "no folder/x.zvr"), std::exception);
    EXPECT_EQ(w.RecentFiles1->filename(1), file);
    EXPECT_EQ(w.RecentFiles1->itemcount(), 1);
}

TEST_F(WindowSettings, AStoreThatCannotBeWrittenSaysSoOnceAndKeepsWhatItHeld) {
    TForm1& w = *window;
    w.Savenow1->trigger();
    const std::string hive = hive_file(RegistryHive::current_user);
    const std::string held = read_text(hive);
    ASSERT_FALSE(held.empty());
    // A lock that another program keeps would do the same; a folder in the lock
    // file's place is a failure even for an administrator.
    std::filesystem::remove(hive + ".lock");
    std::filesystem::create_directory(hive + ".lock");
    engine().bandwidth = 77;
    w.Savenow1->trigger();
    ASSERT_EQ(messages.size(), 1u); // the store reports once, through the window
    EXPECT_NE(messages[0].find(hive), std::string::npos) << messages[0];
    EXPECT_EQ(read_text(hive), held);
    // Closing asks before it loses the settings; "No" keeps the window.
    answer = id::no;
    EXPECT_FALSE(w.close());
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_NE(messages[1].find("Close the window anyway?"), std::string::npos);
    EXPECT_TRUE(w.isVisible());
    answer = id::yes;
    EXPECT_TRUE(w.close());
    EXPECT_EQ(read_text(hive), held);
}

// The question comes before the devices stop: "No" leaves capture and playback as
// they ran, "Yes" stops both and closes.
TEST_F(WindowSettings, ClosingThatIsCancelledLeavesCaptureAndPlaybackRunning) {
    TForm1& w = *window;
    w.Savenow1->trigger();
    const std::string hive = hive_file(RegistryHive::current_user);
    std::filesystem::remove(hive + ".lock");
    std::filesystem::create_directory(hive + ".lock"); // the store cannot be written
    engine().set_usesltas(true);
    const auto period = static_cast<size_t>(engine().sltaspoints);
    w.DoLTASExecute();
    w.playactionExecute();
    w.RunExecute();
    advance(2 * period);
    answer = id::no;
    EXPECT_FALSE(w.close());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("Close the window anyway?"), std::string::npos);
    EXPECT_TRUE(w.runButton->isChecked());
    EXPECT_TRUE(w.playbutton->isChecked());
    EXPECT_TRUE(w.components().MPCRecord1.OwnBoard());
    EXPECT_TRUE(w.components().MPCPlay1.OwnBoard());
    const int before = engine().taken + engine().excluded;
    advance(2 * period);
    EXPECT_EQ(engine().taken + engine().excluded, before + 2); // frames still come in
    answer = id::yes;
    EXPECT_TRUE(w.close());
    EXPECT_FALSE(w.components().MPCRecord1.OwnBoard());
    EXPECT_FALSE(w.components().MPCPlay1.OwnBoard());
    EXPECT_EQ(loop.open_streams(), 0);
}

TEST_F(WindowSettings, TheSettingsFileDialogs) {
    // The dialogs keep their state in Qt's own settings: here, not in the user's.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       QString::fromStdString(home.path()));
    const auto open = window->settings_file_dialog(false);
    EXPECT_EQ(open->nameFilters(), QStringList({"Zevrin settings (*.zvr)", "All files (*)"}));
    EXPECT_EQ(open->defaultSuffix(), "zvr");
    EXPECT_EQ(open->fileMode(), QFileDialog::ExistingFile);
    EXPECT_EQ(open->acceptMode(), QFileDialog::AcceptOpen);
    window->save_settings(home / "last.zvr");
    const auto save = window->settings_file_dialog(true);
    EXPECT_EQ(save->acceptMode(), QFileDialog::AcceptSave);
    EXPECT_FALSE(save->testOption(QFileDialog::DontConfirmOverwrite));
    EXPECT_EQ(save->selectedFiles(), QStringList({QString::fromStdString(home / "last.zvr")}));
}

TEST_F(WindowSettings, OptionsOpensTheSettingsDialogWhileTheDevicesAreIdle) {
    TForm1& w = *window;
    bool shown = false;
    QTimer::singleShot(0, [&] {
        shown = QApplication::activeModalWidget() == w.Form2;
        w.Form2->Button1->click();
    });
    w.Settings->trigger();
    EXPECT_TRUE(shown);
    EXPECT_EQ(w.Form2->result(), QDialog::Accepted);
    w.RunExecute();
    EXPECT_FALSE(w.Settings->isEnabled());
    EXPECT_FALSE(w.settingsbutton->isEnabled());
    w.RunExecute();
    EXPECT_TRUE(w.Settings->isEnabled());
}

TEST_F(WindowSettings, AboutOpensTheAboutBox) {
    bool shown = false;
    QTimer::singleShot(0, [&] {
        shown = QApplication::activeModalWidget() == window->TamberAbout1->form();
        window->TamberAbout1->form()->accept();
    });
    window->About1->trigger();
    EXPECT_TRUE(shown);
    EXPECT_EQ(window->TamberAbout1->versionlabel()->text(), "Version 3.0.2.0 for Linux");
}

// Without a home folder the window says once, at its start, that nothing can be
// kept, closes without asking again, and writes nothing anywhere.
TEST(WindowWithoutHome, SaysOnceThatTheSettingsCannotBeKept) {
    std::vector<std::string> messages;
    set_message_box_handler([&messages](const std::string& text, const std::string&, unsigned) {
        messages.push_back(text);
        return id::yes;
    });
    TVirtualLoopback loop;
    {
        test::NoHome nohome;
        if (!nohome.active()) {
            set_message_box_handler(nullptr);
            GTEST_SKIP() << "needs an administrator to act as a user without a home folder";
        }
        TForm1 w(loop);
        w.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
        ASSERT_EQ(messages.size(), 1u) << messages.front();
        EXPECT_EQ(messages[0], "Zevrin cannot keep its settings: no home folder is known (HOME is "
                               "not set and the user has none). It starts with its first-start "
                               "settings, and what you change lasts until it ends.");
        EXPECT_TRUE(w.Always1->isChecked());
        EXPECT_TRUE(w.close());
        EXPECT_EQ(messages.size(), 1u);
    }
    set_message_box_handler(nullptr);
    EXPECT_FALSE(std::filesystem::exists("/zevrin"));
    EXPECT_FALSE(std::filesystem::exists("/.config"));
}

} // namespace
} // namespace zevrin
