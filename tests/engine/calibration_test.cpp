// Calibrated levels: microphone correction files, the calibrator measured through the
// virtual loopback, and the levels every reader shows with a calibration in force.

#include "engine_fixture.h"

#include "dsp/numeric.h"
#include "engine/calibrator.h"
#include "engine/curves.h"
#include "engine/measurement.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

namespace zevrin {
namespace {

double log_between(double f, double f1, double c1, double f2, double c2) {
    return c1 + (c2 - c1) * std::log10(f / f1) / std::log10(f2 / f1);
}

std::string message_of(const std::string& text) {
    try {
        TMicCorrection::parse(text, "mic.txt");
    } catch (const EMicCorrectionError& e) {
        return e.what();
    }
    return "accepted";
}

TEST(MicCorrection, TheFormatsMicrophonesComeWith) {
    // A sensitivity line, a header, blanks and tabs, LF.
    const TMicCorrection a = TMicCorrection::parse(
        "\"Sens Factor =-1.23dB, SERNO: 7012345\"\nFreq(Hz)\tdB\n20\t-2.5\n  1000 0\n"
        "20000\t3.0\n",
        "a");
    EXPECT_DOUBLE_EQ(a.at(10), -2.5); // flat below the first
    EXPECT_DOUBLE_EQ(a.at(40000), 3.0);
    EXPECT_DOUBLE_EQ(a.at(1000), 0.0);
    EXPECT_NEAR(a.at(100), log_between(100, 20, -2.5, 1000, 0), 1e-12);
    EXPECT_NEAR(a.at(5000), log_between(5000, 1000, 0, 20000, 3), 1e-12);
    EXPECT_DOUBLE_EQ(a.at(0), -2.5);
    // Windows line ends, commas, a comment in the middle and a byte order mark.
    const TMicCorrection b = TMicCorrection::parse(
        "\xEF\xBB\xBF* calibrated 2024\r\n10,1.5\r\n# note\r\n100,-0.5\r\n", "b");
    ASSERT_EQ(b.size(), 2u);
    EXPECT_NEAR(b.at(31.622776601683793), 0.5, 1e-12);
    // A phase column, semicolons.
    const TMicCorrection c = TMicCorrection::parse("50;1;-12.5\n500;2;3\n5000;-1;40\n", "c");
    EXPECT_NEAR(c.at(1581.1388300841897), 0.5, 1e-12);
    EXPECT_DOUBLE_EQ(c.at(5000), -1.0);
}

TEST(MicCorrection, BrokenFilesNameTheirLine) {
    EXPECT_EQ(message_of("20 1\n1000 0\noops here\n2000 1\n"),
              "Line 3 of the microphone correction file \"mic.txt\" holds no numbers: \"oops "
              "here\"");
    EXPECT_NE(message_of("20 1\n1000 0\n500 1\n").find("Line 3 "), std::string::npos);
    EXPECT_NE(message_of("20 1\n20 2\n").find("Line 2 "), std::string::npos);
    EXPECT_NE(message_of("20 1 2 3\n").find("Line 1 "), std::string::npos);
    EXPECT_EQ(message_of(""), "The microphone correction file \"mic.txt\" holds no lines of "
                              "frequency and correction");
    EXPECT_EQ(message_of("Freq dB\n* only a header\n"),
              "The microphone correction file \"mic.txt\" holds no lines of frequency and "
              "correction");
}

TEST(MicCorrection, ABrokenFileChangesNothing) {
    const auto folder = std::filesystem::temp_directory_path();
    const std::string good = (folder / "zevrin_cal_good.txt").string();
    const std::string bad = (folder / "zevrin_cal_bad.txt").string();
    std::ofstream(good) << "100 2\n1000 4\n";
    std::ofstream(bad) << "100 2\n50 4\n";
    TCalibration cal;
    cal.set_correction(1, good);
    EXPECT_THROW(cal.set_correction(1, bad), EMicCorrectionError);
    EXPECT_THROW(cal.set_correction(1, good + ".missing"), EMicCorrectionError);
    EXPECT_EQ(cal.channels[1].correctionfile, good);
    EXPECT_DOUBLE_EQ(cal.channels[1].correction.at(1000), 4.0);
    std::filesystem::remove(good);
    std::filesystem::remove(bad);
}

class Calibrated : public ::testing::Test, public testing::EngineFixture {
protected:
    void SetUp() override { configure(16000, 100, TFFTWindow::Hamming); }
};

TEST_F(Calibrated, LevelsGainTheOffsetLessTheCorrectionAndLRTheDifference) {
    TAnalyser& a = *analyser;
    a.dualchannels = true;
    a.RunExecute();
    feed(sine(3000, 32), sine(1000, 64));
    const size_t rows = a.outdb1.size() / 2 + 1;
    tdoublearr raw(rows), shown(rows);
    for (int curve : {2, 3}) { // nothing set: the same numbers, bit for bit
        ASSERT_TRUE(curve_levels(a, curve, rows, raw));
        ASSERT_TRUE(shown_levels(a, curve, rows, shown));
        for (size_t i = 0; i < rows; ++i) {
            ASSERT_TRUE(std::memcmp(&raw[i], &shown[i], sizeof(double)) == 0) << i;
        }
    }
    a.calibration.channels[0].offset = 20;
    a.calibration.channels[1].offset = 26;
    a.calibration.channels[1].correction = TMicCorrection::parse("1000 1\n4000 3\n", "r");
    a.calibration.corrections_changed();
    ASSERT_TRUE(curve_levels(a, 3, rows, raw));
    ASSERT_TRUE(shown_levels(a, 3, rows, shown));
    EXPECT_NEAR(shown[64] - raw[64], 26 - log_between(2000, 1000, 1, 4000, 3), 1e-9);
    EXPECT_NEAR(shown[10] - raw[10], 26 - 1, 1e-9);
    ASSERT_TRUE(curve_levels(a, 2, rows, raw));
    ASSERT_TRUE(shown_levels(a, 2, rows, shown));
    EXPECT_NEAR(shown[200] - raw[200], 20, 1e-9);
    a.set_ltas(true);
    feed(sine(3000, 32), sine(1000, 64));
    ASSERT_TRUE(curve_levels(a, 10, rows, raw));
    ASSERT_TRUE(shown_levels(a, 10, rows, shown));
    EXPECT_NEAR(shown[128] - raw[128], 6 - 3, 1e-9);
    EXPECT_EQ(a.calibration.axis_text(), "[dB]");
    a.calibration.unit = TLevelUnit::dBSPL;
    EXPECT_EQ(a.calibration.axis_text(), "[dB SPL]");
}

// A calibrator's tone of amplitude `amplitude` reaches the input, whatever is played.
class CalibratorLoopback : public ::testing::Test, public testing::EngineFixture {
protected:
    void SetUp() override {
        configure(16000, 100, TFFTWindow::Hamming);
        fcalibration.start(0, TCalibratorTarget{94, 1000}, 8);
        analyser->OnFrame = [this] { fcalibration.add(*analyser); };
    }
    void tone(double amplitude, double frequency = 1000) {
        loopback->set_filter([this, amplitude, frequency](double, int channel) {
            const double t = static_cast<double>(fn[channel & 1]++) / 16000;
            return amplitude * std::sin(2 * pi * frequency * t);
        });
    }
    TCalibratorResult measure() {
        if (!analyser->running()) {
            analyser->RunExecute();
        }
        for (int k = 0; k < 12 && !fcalibration.done(); ++k) {
            advance(320);
        }
        EXPECT_TRUE(fcalibration.done());
        return fcalibration.result(analyser->calibration.channels[0].correction);
    }

    TCalibratorRun fcalibration;
    long fn[2] = {0, 0};
};

TEST_F(CalibratorLoopback, OffsetAndTheCursorAtTheToneReadTheCalibrator) {
    const double amplitude = 3276.7; // -20 dB of full scale
    tone(amplitude);
    const TCalibratorResult r = measure();
    ASSERT_TRUE(r.ok) << r.message;
    // On its bin a sinusoid of amplitude A reads A/2 times the window's mean.
    double sum = 0;
    for (int i = 0; i < 320; ++i) {
        sum += 0.54 - 0.46 * std::cos(2 * pi * i / 319.0);
    }
    const double expected = 94 - 20 * std::log10(amplitude / 2 * sum / 320);
    EXPECT_NEAR(r.offset, expected, 0.01);
    EXPECT_NEAR(r.frequency, 1000, 0.5);

    TAnalyser& a = *analyser;
    a.calibration.channels[0].offset = r.offset;
    a.calibration.unit = TLevelUnit::dBSPL;
    a.set_measurecurveno(1);
    a.set_snaptopeak(true);
    a.set_interpolate(true);
    TCursors c;
    c.mousewasjustpressed = true;
    measure_at(a, c, 990, 0);
    EXPECT_NEAR(c.measurelevel, 94, 0.05);
    EXPECT_NEAR(c.measurefreq, 1000, 0.5);
}

TEST_F(CalibratorLoopback, AToneBetweenBinsStillGivesTheCalibratorsLevelAtTheCursor) {
    tone(1000, 1010);
    const TCalibratorResult r = measure();
    ASSERT_TRUE(r.ok) << r.message;
    TAnalyser& a = *analyser;
    a.calibration.channels[0].offset = r.offset;
    TCursors c;
    measure_at(a, c, 1000, 0);
    EXPECT_NEAR(c.measurelevel, 94, 0.05);
}

TEST_F(CalibratorLoopback, ClippedSilentAndOtherInputsAreRefused) {
    tone(40000); // clipped to 16 bits on the way in
    TCalibratorResult r = measure();
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.message.find("clipped"), std::string::npos) << r.message;

    fcalibration.start(0, TCalibratorTarget{94, 1000}, 8);
    loopback->set_filter({});
    r = measure();
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.message.find("too quiet"), std::string::npos) << r.message;

    fcalibration.start(0, TCalibratorTarget{114, 1000}, 8);
    tone(3000, 250); // a loud tone, but not at the calibrator's frequency
    r = measure();
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.message.find("not a steady tone at 1000 Hz"), std::string::npos) << r.message;

    fcalibration.start(0, TCalibratorTarget{94, 1000}, 8);
    loopback->set_filter({});
    loopback->set_noise(2000);
    r = measure();
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.message.find("not a steady tone"), std::string::npos) << r.message;
}

TEST(Calibrator, ALevelThatWandersIsRefused) {
    std::vector<TCalibratorFrame> frames(6, TCalibratorFrame{60, 1000, 0.99, 3000});
    EXPECT_TRUE(calibrator_result(frames, {94, 1000}, 0).ok);
    EXPECT_DOUBLE_EQ(calibrator_result(frames, {94, 1000}, 1.5).offset, 94 - 60 + 1.5);
    frames[3].level = 60.6;
    EXPECT_FALSE(calibrator_result(frames, {94, 1000}, 0).ok);
    frames[3].level = 60;
    frames[5].peak = 32767; // one sample at positive full scale
    EXPECT_NE(calibrator_result(frames, {94, 1000}, 0).message.find("clipped"), std::string::npos);
}

} // namespace
} // namespace zevrin
