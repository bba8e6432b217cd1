// The settings keys: what a store without them gives, the written order and text
// of every key, and the rules for keys that are damaged or no number.

#include "audio/virtual_loopback.h"
#include "dsp/numeric.h"
#include "dsp/text.h"
#include "platform/ini_file.h"
#include "settings/settings_keys.h"
#include "support/temp_home.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

namespace zevrin {
namespace {

using test::read_text;
using test::TempHome;
using test::write_text;

struct Keys : ::testing::Test {
    TempHome home;
    TVirtualLoopback loop{TLoopbackClock::manual};
    TAnalyserComponents components{loop};
    TAnalyser a{components};
    std::array<uint32_t, ncurves> linecolor = default_curve_colors;
    std::array<bool, ncurves> showcurve{};
    TSettingValues values{a, linecolor, default_curve_colors, showcurve};

    void read(const std::string& text) {
        write_text(home / "s.zvr", text);
        IniFile file(home / "s.zvr");
        read_settings_keys(file, values);
    }
    std::string written() {
        IniFile file(home / "w.zvr");
        write_settings_keys(file, values);
        file.update_file();
        return read_text(home / "w.zvr");
    }
    // The engine away from every first-start value.
    void change_everything() {
        a.sampfreq = 16000;
        a.bandwidth = 100;
        a.set_usesltas(true);
        a.set_dbmin(-60);
        components.FFT1.set_Window(TFFTWindow::Blackman);
        a.set_measurecurveno(8);
        components.MPCRecord1.set_DeviceID(-1);
        a.maxgain = 0.5;
        a.set_autoxaxis(false);
        a.set_fmax(3000);
        linecolor.fill(0x123456);
        showcurve.fill(false);
        showcurve[0] = true;
    }
};

TEST_F(Keys, AnEmptyStoreGivesTheFirstStartValues) {
    change_everything();
    read("");
    EXPECT_EQ(a.sampfreq, 11025);
    EXPECT_EQ(a.bandwidth, 50);
    EXPECT_EQ(a.dbmin(), -30);
    EXPECT_EQ(a.dbmax(), 75);
    EXPECT_EQ(a.fmin(), 0);
    EXPECT_EQ(a.fmax(), 5512.5);
    EXPECT_EQ(a.fftwindow, TFFTWindow::Hamming);
    EXPECT_FALSE(a.usesltas());
    EXPECT_FALSE(a.ltasdecay);
    EXPECT_EQ(a.ltasdecayfactor, 1.0);
    EXPECT_TRUE(a.gridlines());
    EXPECT_TRUE(a.highpass());
    EXPECT_EQ(a.measurecurveno(), 1);
    EXPECT_EQ(components.MPCRecord1.DeviceID(), 0);
    EXPECT_EQ(components.MPCPlay1.DeviceID(), 0);
    EXPECT_NEAR(a.maxgain, pow10(1.5), 1e-12);
    // The FFT window of an absent key is the one in force.
    EXPECT_EQ(components.FFT1.Window(), TFFTWindow::Blackman);
    EXPECT_EQ(linecolor, default_curve_colors);
    for (bool shown : showcurve) {
        EXPECT_TRUE(shown);
    }
}

TEST_F(Keys, WrittenInTheirOrderAsText) {
    set_decimal_separator(','); // the user's separator never reaches a store
    a.sampfreq = 44100.5;
    a.set_ltasdecaytime(0.25);
    a.maxgain = 10;
    linecolor[3] = 0x00FF8040;
    showcurve[5] = false;
    const std::string text = written();
    set_decimal_separator('.');
    std::istringstream in(text);
    std::vector<std::string> keys;
    for (std::string line; std::getline(in, line);) {
        keys.push_back(line.substr(0, line.find('=')));
    }
    std::vector<std::string> expected = {"[Settings]",
                                         "SampFreq",
                                         "Bandwidth",
                                         "SLTASPoints",
                                         "UseSLTAS",
                                         "NonSLTASWindow",
                                         "Decay",
                                         "SDecay",
                                         "DecayTime",
                                         "SDecayTime",
                                         "fMax",
                                         "fMin",
                                         "LogfScale",
                                         "GridLines",
                                         "HighPass",
                                         "dBMin",
                                         "dBMax",
                                         "ExcludedBLimit",
                                         "ExcludeOverloaded",
                                         "ExcludeHighPower",
                                         "AutoXAxis",
                                         "Window",
                                         "PartialPattern",
                                         "PartialsPerOctave",
                                         "Chirpiness",
                                         "SingleSinusFreq",
                                         "DualChannels",
                                         "ShowWave",
                                         "StretchWave",
                                         "Measure",
                                         "PlotOffScreen",
                                         "SnapToPeak",
                                         "Interpolate",
                                         "MeasureCurveNo",
                                         "InDeviceID",
                                         "OutDeviceID",
                                         "MaxGain"};
    for (int i = 0; i < ncurves; ++i) {
        expected.push_back("Color" + std::to_string(i));
    }
    for (int i = 0; i < ncurves; ++i) {
        expected.push_back("ShowCurve" + std::to_string(i));
    }
    EXPECT_EQ(keys, expected);
    EXPECT_NE(text.find("\nSampFreq=44100.5\n"), std::string::npos);
    EXPECT_NE(text.find("\nDecayTime=0.25\n"), std::string::npos);
    EXPECT_NE(text.find("\nMaxGain=20\n"), std::string::npos);
    EXPECT_NE(text.find("\nColor3=16744512\n"), std::string::npos);
    EXPECT_NE(text.find("\nShowCurve5=0\n"), std::string::npos);
    EXPECT_NE(text.find("\nNonSLTASWindow=2\n"), std::string::npos);
    // A gain without a level is written as 30 dB.
    a.maxgain = 0;
    EXPECT_NE(written().find("\nMaxGain=30\n"), std::string::npos);
}

TEST_F(Keys, ReadBackTheyGiveTheSameKeys) {
    change_everything();
    a.set_ltasdecaytime(2.5);
    a.chirpiness = 0.75;
    const std::string before = written();
    read(before);
    // Every value that the keys hold is back, so writing them again gives the same text.
    EXPECT_EQ(written(), before);
    EXPECT_EQ(a.sampfreq, 16000);
    EXPECT_EQ(components.FFT1.Window(), TFFTWindow::Blackman);
    EXPECT_EQ(components.MPCRecord1.DeviceID(), -1);
    EXPECT_EQ(linecolor[18], 0x123456u);
    EXPECT_EQ(a.fmax(), 3000);
    EXPECT_FALSE(showcurve[1]);
}

TEST_F(Keys, ValuesAsTheTableReadsThem) {
    read("[Settings]\nMaxGain=20\nShowCurve0=0\nShowCurve1=2\nSampFreq=16000\n"
         "SLTASPoints=many\nUseSLTAS=yes\nWindow=7\nNonSLTASWindow=-1\nColor2=$FF\n");
    EXPECT_DOUBLE_EQ(a.maxgain, 10);
    EXPECT_TRUE(showcurve[0]);
    EXPECT_TRUE(showcurve[1]);      // any integer but 0
    EXPECT_EQ(a.fmax(), 8000);      // the sampling frequency just read, halved
    EXPECT_EQ(a.sltaspoints, 4096); // no integer: the default
    EXPECT_FALSE(a.usesltas());
    // A number that names no window keeps the engine's tables in range.
    EXPECT_EQ(components.FFT1.Window(), TFFTWindow::Hamming);
    EXPECT_EQ(a.fftwindow, TFFTWindow::Hamming);
    EXPECT_EQ(linecolor[2], 0xFFu);
}

TEST_F(Keys, DecayFollowsTheWindowReadAfterIt) {
    // Rectangle at 16000 Hz and 100 Hz: frames of 10 ms, although the Hamming window
    // (20 ms frames) was in force when the decay time was read.
    read("[Settings]\nSampFreq=16000\nBandwidth=100\nDecay=1\nDecayTime=2\nWindow=0\n");
    EXPECT_DOUBLE_EQ(a.ltasdecayfactor, std::pow(1000.0, -0.01 / 2));
}

TEST_F(Keys, AFloatThatIsNoNumberStopsTheReading) {
    a.set_dbmin(-60);
    try {
        read("[Settings]\nSampFreq=22050\nBandwidth=25\nSLTASPoints=1024\ndBMin=abc\ndBMax=90\n");
        FAIL() << "no conversion error";
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "'abc' is not a valid floating point value");
    }
    EXPECT_EQ(a.sampfreq, 22050); // read before it
    EXPECT_EQ(a.sltaspoints, 1024);
    EXPECT_EQ(a.dbmin(), -60); // from it on, nothing
    EXPECT_EQ(a.dbmax(), 75);
    EXPECT_THROW(read("[Settings]\nSampFreq=\n"), EConvertError);
}

TEST_F(Keys, ASettingsFileMustBeThere) {
    try {
        check_settings_file(home / "gone.zvr");
        FAIL() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Cannot open the settings file \"" + home / "gone.zvr" + "\": no such file");
    }
    EXPECT_THROW(check_settings_file(home.path()), std::runtime_error); // a folder
    write_text(home / "there.zvr", "");
    EXPECT_NO_THROW(check_settings_file(home / "there.zvr"));
}

} // namespace
} // namespace zevrin
