// The settings keys: what a store without them gives, the order and text in which
// every key is stored, and the rules for keys that are damaged or no number.

#include "audio/virtual_loopback.h"
#include "dsp/numeric.h"
#include "dsp/text.h"
#include "platform/ini_file.h"
#include "platform/store_file.h"
#include "settings/settings_keys.h"
#include "support/temp_home.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>
#include <sys/resource.h>
#include <unistd.h>

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

    std::vector<std::string> read(const std::string& text) {
        write_text(home / "s.zvr", text);
        IniFile file(home / "s.zvr");
        return read_settings_keys(file, values);
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

TEST_F(Keys, CalibrationAndReferencesInASectionOfTheirOwn) {
    std::vector<std::string> refs;
    values.referencefiles = &refs;
    showcurve.fill(true);
    const std::string plain = written();
    EXPECT_EQ(plain.find("[Calibration]"), std::string::npos);
    write_text(home / "mic.txt", "\"Sens Factor =-1.2dB\"\n100 1\n1000 3\n");
    a.calibration.unit = TLevelUnit::dBSPL;
    a.calibration.channels[1].offset = 97.25;
    a.calibration.set_correction(0, home / "mic.txt");
    refs = {home / "room.csv", home / "desk.csv"};
    const std::string calibrated = written();
    EXPECT_EQ(calibrated.substr(plain.size()),
              "\n[Calibration]\nLevelUnit=1\nOffset0=0\nCorrectionFile0=" + home / "mic.txt" +
                  "\nOffset1=97.25\nCorrectionFile1=\nReference1=" + home / "room.csv" +
                  "\nReference2=" + home / "desk.csv" + "\nReference3=\nReference4=\n");
    a.calibration = TCalibration();
    refs.clear();
    EXPECT_TRUE(read(calibrated).empty());
    EXPECT_EQ(a.calibration.unit, TLevelUnit::dBSPL);
    EXPECT_EQ(a.calibration.channels[1].offset, 97.25);
    EXPECT_DOUBLE_EQ(a.calibration.channels[0].correction.at(316.22776601683796), 2.0);
    EXPECT_EQ(refs, (std::vector<std::string>{home / "room.csv", home / "desk.csv"}));
    EXPECT_EQ(written(), calibrated);
    // Nothing set any more: the section goes.
    a.calibration = TCalibration();
    refs.clear();
    EXPECT_EQ(written().find("[Calibration]"), std::string::npos);

    write_text(home / "bad.txt", "100 1\n50 3\n");
    const std::vector<std::string> warnings =
        read("[Calibration]\nOffset0=999\nOffset1=3\nCorrectionFile1=" + home / "bad.txt" + "\n");
    ASSERT_EQ(warnings.size(), 2u);
    EXPECT_EQ(warnings[0], "Offset0 must be from -300 to 300 dB, not 999; 0 dB is used instead");
    EXPECT_NE(warnings[1].find("CorrectionFile1: Line 2 of the microphone correction file"),
              std::string::npos)
        << warnings[1];
    EXPECT_EQ(a.calibration.channels[0].offset, 0);
    EXPECT_EQ(a.calibration.channels[1].offset, 3);
    EXPECT_TRUE(a.calibration.channels[1].correction.empty());
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

// A value that is no number or out of its range is never put in force: its default
// takes its place, each is named with its range, and reading goes on past it.
TEST_F(Keys, ValuesThatCannotBeUsedGiveTheirDefaultsAndAreNamed) {
    a.set_dbmin(-60);
    const std::vector<std::string> warnings =
        read("[Settings]\nSampFreq=abc\nSLTASPoints=1073741824\nDecayTime=-2\nDecay=1\n"
             "Window=7\nPartialsPerOctave=2147483647\ndBMin=1e308\ndBMax=90\nChirpiness=\n"
             "MaxGain=nan\nMeasureCurveNo=77\nInDeviceID=-2\n");
    EXPECT_EQ(warnings,
              (std::vector<std::string>{
                  "SampFreq must be from 1000 to 384000 Hz, not 'abc'; 11025 Hz is used instead",
                  "SLTASPoints must be a power of two from 16 to 32768, not 1073741824; 4096 is "
                  "used instead",
                  "DecayTime must be from 0 to 1000000 s, not -2; 0 s is used instead",
                  "Window must be a whole number from 0 to 4, not 7; 2 is used instead",
                  "PartialsPerOctave must be a whole number from 1 to 8192, not 2147483647; 12 "
                  "is used instead",
                  "dBMin must be from -200 to 200 dB, not 1E308; -30 dB is used instead",
                  "Chirpiness must be from -100000 to 100000, not ''; 1 is used instead",
                  "MaxGain must be from -200 to 200 dB, not NAN; 30 dB is used instead",
                  "MeasureCurveNo must be a whole number from 0 to 18, not 77; 1 is used instead",
                  "InDeviceID must be a whole number from -1 to 9999, not -2; 0 is used "
                  "instead"}));
    EXPECT_EQ(a.sampfreq, 11025);
    EXPECT_EQ(a.sltaspoints, 4096);
    EXPECT_EQ(a.ltasdecaytime(), 0);
    EXPECT_EQ(a.ltasdecayfactor, 1.0); // not a factor that makes the average grow
    EXPECT_EQ(components.FFT1.Window(), TFFTWindow::Hamming);
    EXPECT_EQ(a.partialsperoctave, 12);
    EXPECT_EQ(a.dbmin(), -30);
    EXPECT_EQ(a.dbmax(), 90); // read past the values before it
    EXPECT_NEAR(a.maxgain, pow10(1.5), 1e-12);
    EXPECT_EQ(a.measurecurveno(), 1);
    EXPECT_EQ(components.MPCRecord1.DeviceID(), 0);
}

// The bandwidth must give frames of 2 to 2^20 samples at the sampling frequency and
// with the window that the same file sets, whichever key comes first.
TEST_F(Keys, ABandwidthThatGivesNoFrameOfAUsableLengthIsReplaced) {
    for (const char* bad : {"0", "NaN", "1e-300", "0.004", "-50", "16001", "1e300"}) {
        const std::vector<std::string> warnings =
            read(std::string("[Settings]\nSampFreq=16000\nBandwidth=") + bad + "\nWindow=0\n");
        ASSERT_EQ(warnings.size(), 1u) << bad;
        EXPECT_EQ(warnings[0].rfind("Bandwidth must be from 0.0152588 to 8000 Hz, not ", 0), 0u)
            << warnings[0];
        EXPECT_EQ(a.bandwidth, 50) << bad;
        EXPECT_EQ(a.frame_length(), 320) << bad;
    }
    // With Blackman the same rate allows three times as much either way.
    EXPECT_TRUE(read("[Settings]\nSampFreq=16000\nBandwidth=16001\nWindow=4\n").empty());
    EXPECT_EQ(a.frame_length(), 3);
    EXPECT_TRUE(read("[Settings]\nSampFreq=16000\nBandwidth=0.046\nWindow=4\n").empty());
    EXPECT_EQ(a.frame_length(), 1043478);
    for (const char* bad : {"0", "3", "1000", "65536"}) {
        ASSERT_EQ(read(std::string("[Settings]\nSLTASPoints=") + bad).size(), 1u) << bad;
        EXPECT_EQ(a.sltaspoints, 4096);
    }
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

long peak_memory_kb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// What is not text, or more than a settings file holds, is refused with the reason,
// and only so much of it is read.
TEST_F(Keys, ASettingsFileMustBeTextOfASaneSize) {
    const auto refusal = [this](const std::string& name) {
        try {
            check_settings_file(home / name);
        } catch (const std::runtime_error& e) {
            return std::string(e.what());
        }
        return std::string("accepted");
    };
    const auto refused = [&](const std::string& name, const std::string& reason) {
        return refusal(name) == "Cannot open the settings file \"" + home / name + "\": " + reason;
    };
    std::string garbage;
    for (int i = 0; i < 4096; ++i) {
        garbage.push_back(static_cast<char>((i * 7919 + 13) % 256));
    }
    write_text(home / "garbage.zvr", garbage);
    EXPECT_TRUE(refused("garbage.zvr", "it is not a text file, as settings files are"));
    write_text(home / "nul.zvr", std::string("[Settings]\nSampFreq=8000\0\n", 26));
    EXPECT_TRUE(refused("nul.zvr", "it is not a text file, as settings files are"));
    std::string utf32("\xFF\xFE\0\0", 4);
    for (char c : std::string("[Settings]\r\nSampFreq=8000\r\n")) {
        utf32 += std::string(1, c) + std::string(3, '\0');
    }
    write_text(home / "utf32.zvr", utf32);
    EXPECT_TRUE(refused("utf32.zvr", "it is not a text file, as settings files are"));

    const long before = peak_memory_kb();
    { std::ofstream(home / "sparse.zvr") << "[Settings]\n"; }
    ASSERT_EQ(truncate((home / "sparse.zvr").c_str(), 2LL << 30), 0);
    EXPECT_TRUE(refused("sparse.zvr", "the file is larger than 1 MiB"));
    EXPECT_LT(peak_memory_kb() - before, 64 * 1024);

    // Windows' own forms are text.
    write_text(home / "windows.zvr", "\xFF\xFE[\0S\0]\0\r\0\n\0");
    EXPECT_EQ(refusal("windows.zvr"), "accepted");
    write_text(home / "latin1.zvr", "[Settings]\r\n; Bandbreite f\xFCr das Labor\r\n\x1A");
    EXPECT_EQ(refusal("latin1.zvr"), "accepted");
}

// A file of many lines is read whole, each key found once.
TEST_F(Keys, ALongSettingsFileIsReadWhole) {
    std::string text = "[Filler]\n";
    while (text.size() < store_file_limit - 100) {
        text += "k=v\n";
    }
    text += "[Settings]\nSampFreq=22050\nShowCurve18=0\n";
    EXPECT_TRUE(read(text).empty());
    EXPECT_EQ(a.sampfreq, 22050);
    EXPECT_FALSE(showcurve[18]);
}

} // namespace
} // namespace zevrin
