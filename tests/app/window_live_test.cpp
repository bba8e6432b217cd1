// The window running: frames from a virtual loopback reach the plot and the status
// bar, on a manual clock and on the real-time clock; and sound files through the
// window.

#include "window_fixture.h"

#include "audio/sound_file.h"
#include "engine/sound_files.h"

#include <QAction>
#include <QToolButton>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

namespace zevrin {
namespace {

using testing::WindowFixture;

class Live : public WindowFixture {};

std::vector<int> shown_curves(TForm1& w) {
    w.PaintBox1->repaint();
    return w.PaintBox1->drawn_curves();
}

TEST_F(Live, SltasPlaysRunsAndShowsUsedAndUnusedPartials) {
    TForm1& w = *window;
    TAnalyser& a = engine();
    a.sltaspoints = 1024;
    a.set_usesltas(true);
    w.components().FFT1.set_Window(TFFTWindow::rectangle);
    a.bandwidth = a.sampfreq / a.sltaspoints;
    // The period is normalised to full scale: at unity gain every frame would count as
    // overloaded and stay out of the averages.
    loop.set_gain(0.5);
    loop.set_noise(2.0, 3);
    w.playactionExecute();
    w.DoSLTASExecute();
    w.DoLTASExecute();
    w.RunExecute();
    ASSERT_TRUE(messages.empty()) << messages.front();
    for (int period = 0; period < 12; ++period) {
        advance(1024);
    }
    EXPECT_GE(a.sltascount, 10);
    EXPECT_EQ(a.ltascount, a.sltascount);
    EXPECT_EQ(shown_curves(w), (std::vector<int>{1, 7, 15, 11}));
    EXPECT_EQ(w.StatusBar1->text(0), "BW:10.77Hz rectangular, 92.9 ms");
    EXPECT_EQ(w.StatusBar1->text(1), std::to_string(a.taken) + " taken, 0 excluded, 0 skipped");
    EXPECT_EQ(a.taken, a.sltascount);
    // The partials stand far above the noise between them.
    const size_t count = a.outdb1.size() / 2 + 1;
    tdoublearr used(count);
    tdoublearr unused(count);
    ASSERT_TRUE(curve_levels(a, 11, count, used));
    ASSERT_TRUE(curve_levels(a, 15, count, unused));
    for (size_t bin : {20u, 100u, 300u}) {
        EXPECT_GT(used[bin], unused[bin] + 30) << bin;
    }
    // Stopping keeps everything shown; the cursors then read the used partials.
    w.RunExecute();
    w.playactionExecute();
    EXPECT_FALSE(w.components().MPCRecord1.OwnBoard());
    EXPECT_FALSE(w.components().MPCPlay1.OwnBoard());
    EXPECT_EQ(shown_curves(w), (std::vector<int>{1, 7, 15, 11}));
}

TEST_F(Live, TwoChannelsWithFreezeAndLtas) {
    TForm1& w = *window;
    TAnalyser& a = engine();
    a.dualchannels = true;
    loop.set_noise(500.0, 9);
    w.DoLTASExecute();
    w.RunExecute();
    advance(4 * 441);
    w.Freeze1Execute();
    advance(8 * 441);
    EXPECT_GE(a.ltascount, 8);
    EXPECT_EQ(shown_curves(w), (std::vector<int>{5, 6, 2, 3, 8, 9, 10}));
    EXPECT_EQ(w.StatusBar1->text(0), "BW:50Hz Hamming, 40 ms");
    w.clearltasExecute();
    EXPECT_EQ(shown_curves(w), (std::vector<int>{5, 6, 2, 3}));
    w.RunExecute();
}

TEST(LiveRealTime, FramesArriveOnTheRealTimeClock) {
    const test::TempHome home; // the window's stored settings
    set_message_box_handler([](const std::string& text, const std::string&, unsigned) {
        ADD_FAILURE() << text;
        return 1;
    });
    TVirtualLoopback loop(TLoopbackClock::real_time);
    loop.set_noise(300.0, 1);
    {
        TForm1 w(loop);
        w.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
        w.DoLTASExecute();
        w.RunExecute();
        EXPECT_TRUE(QTest::qWaitFor([&w] { return w.analyser().ltascount >= 3; }, 20000));
        w.RunExecute();
        EXPECT_FALSE(w.analyser().running());
        EXPECT_NE(w.StatusBar1->text(1).find(" taken, "), std::string::npos);
        EXPECT_EQ(shown_curves(w), (std::vector<int>{1, 7}));
    }
    set_message_box_handler(nullptr);
}

TEST(LiveSystemDevices, OpensCaptionedAndClosesCleanly) {
    const test::TempHome home; // closing saves the settings
    TForm1 w;
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    EXPECT_EQ(w.windowTitle(), QString("Zevrin"));
    EXPECT_TRUE(w.close());
    EXPECT_FALSE(w.isVisible());
}

class SoundFiles : public WindowFixture {
protected:
    testing::TempFolder folder;
};

TEST_F(SoundFiles, AnalysingAFileShowsItsLastFrameAndItsLtas) {
    TForm1& w = *window;
    TAnalyser& a = engine();
    const std::string path = folder.file("tone.wav");
    std::vector<short> samples(16000);
    for (size_t i = 0; i < samples.size(); ++i) {
        samples[i] =
            static_cast<short>(8000 * std::sin(2 * 3.141592653589793 * 1000 * i / 16000.0));
    }
    testing::write_wav16(path, 16000, 1, samples);
    w.analyse_sound_file(path);
    EXPECT_EQ(a.sampfreq, 16000);
    EXPECT_EQ(w.xaxis->HiValue(), 8000);
    EXPECT_TRUE(a.ltas());
    EXPECT_TRUE(w.ltasbutton->isChecked());
    EXPECT_EQ(a.ltascount, 16000 / 640); // frames of 640 samples at 50 Hz, Hamming
    EXPECT_EQ(shown_curves(w), (std::vector<int>{1, 7}));
    // The export writes what is shown.
    const std::string csv = folder.file("curves.csv");
    w.export_curves(csv);
    std::ifstream in(csv);
    std::string header;
    std::getline(in, header);
    EXPECT_EQ(header, "frequency_hz,Mono,Mono LTAS");
    int rows = 0;
    for (std::string line; std::getline(in, line);) {
        ++rows;
    }
    EXPECT_EQ(rows, 1024 / 2 + 1);
}

TEST_F(SoundFiles, ABadFileChangesNothing) {
    TForm1& w = *window;
    TAnalyser& a = engine();
    const std::string path = folder.file("short.wav");
    testing::write_wav16(path, 48000, 1, std::vector<short>(100));
    EXPECT_THROW(w.analyse_sound_file(path), ESoundFileError);
    EXPECT_THROW(w.analyse_sound_file(folder.file("missing.wav")), ESoundFileError);
    // A FIFO would freeze the window inside the library: refused at once.
    ASSERT_EQ(mkfifo(folder.file("pipe.wav").c_str(), 0600), 0);
    EXPECT_THROW(w.analyse_sound_file(folder.file("pipe.wav")), ESoundFileError);
    EXPECT_EQ(a.sampfreq, 11025);
    EXPECT_FALSE(a.ltas());
    // Nothing to export before any spectrum.
    EXPECT_THROW(w.export_curves(folder.file("none.csv")), std::runtime_error);
    std::ifstream none(folder.file("none.csv"));
    EXPECT_FALSE(none.good());
}

TEST_F(SoundFiles, AFileThatEndsEarlyIsShownAsFarAsItGoesAndSaysSo) {
    TForm1& w = *window;
    std::vector<double> samples(32000);
    for (size_t i = 0; i < samples.size(); ++i) {
        samples[i] = 0.25 * std::sin(2 * 3.141592653589793 * 1000 * static_cast<double>(i) / 16000);
    }
    const std::string path = folder.file("cut.flac");
    testing::write_sound(path, 16000, 1, SF_FORMAT_FLAC | SF_FORMAT_PCM_16, samples);
    std::filesystem::resize_file(path, std::filesystem::file_size(path) / 2);
    std::vector<std::string> shown;
    set_message_box_handler([&](const std::string& text, const std::string&, unsigned flags) {
        shown.push_back(text);
        EXPECT_EQ(flags & mb::iconexclamation, static_cast<unsigned>(mb::iconexclamation));
        return id::ok;
    });
    w.analyse_sound_file(path);
    set_message_box_handler(nullptr);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_NE(shown[0].find("ended early"), std::string::npos) << shown[0];
    EXPECT_GT(engine().ltascount, 0);
    EXPECT_LT(engine().ltascount, 32000 / 640);
    // A folder cannot take the table; the reason is in the message.
    std::filesystem::create_directory(folder.file("curves.csv"));
    try {
        w.export_curves(folder.file("curves.csv"));
        FAIL() << "exported into a folder";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("curves.csv\": it is a folder"), std::string::npos)
            << e.what();
    }
}

} // namespace
} // namespace zevrin
