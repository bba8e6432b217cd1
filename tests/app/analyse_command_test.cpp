#include "app/analyse_command.h"

#include "app/stored_settings.h"
#include "display/axis_scale.h"
#include "engine/sound_files.h"
#include "settings/ini.h"
#include "support/temp_home.h"

#include <gtest/gtest.h>

#include <QImage>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace zevrin {
namespace {

using testing::TempFolder;
using testing::write_sound;
using testing::write_wav16;

struct Result {
    int status;
    std::string out;
    std::string err;
};

Result run(const std::vector<std::string>& args, const TSettingsLoader& loader = nullptr) {
    std::ostringstream out, err;
    const int status = run_analyse_command(args, loader, out, err);
    return {status, out.str(), err.str()};
}

// As the program runs it: the stored settings first.
Result run_stored(const std::vector<std::string>& args) {
    return run(args, read_stored_settings);
}

std::vector<short> tone(size_t frames, double freq, int rate, double amplitude = 8000) {
    std::vector<short> v(frames);
    for (size_t i = 0; i < frames; ++i) {
        v[i] = static_cast<short>(std::lrint(amplitude * std::sin(2 * M_PI * freq * i / rate)));
    }
    return v;
}

size_t count_lines(const std::string& text) {
    return static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
}

class AnalyseCommand : public ::testing::Test {
protected:
    TempFolder temp;
};

TEST_F(AnalyseCommand, WritesTheTableAndReportsTheFrames) {
    write_wav16(temp.file("tone.wav"), 16000, 1, tone(16000, 1000, 16000));
    const Result r =
        run({temp.file("tone.wav"), "--ltas", "--bandwidth", "100", "--highpass", "off"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, r.out.find('\n')), "frequency_hz,Mono,Mono LTAS");
    EXPECT_EQ(count_lines(r.out), 1u + 512 / 2 + 1);
    EXPECT_NE(r.out.find("\n1000,"), std::string::npos);
    EXPECT_NE(r.err.find("50 frames analysed: 50 taken, 0 excluded, 0 skipped"), std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("16000 Hz, mono, bandwidth 100 Hz, Hamming window"), std::string::npos);

    const std::string csv = temp.file("out.csv");
    const Result f = run({temp.file("tone.wav"), "--csv", csv, "--window", "rectangular"});
    ASSERT_EQ(f.status, 0) << f.err;
    EXPECT_TRUE(f.out.empty());
    std::ifstream in(csv);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(count_lines(text.str()), 1u + 512 / 2 + 1); // 50 Hz: 320 samples, N = 512
    EXPECT_FALSE(std::filesystem::exists(csv + ".part"));
}

TEST_F(AnalyseCommand, DualAndSltasColumns) {
    std::vector<short> stereo(2 * 8192);
    const auto left = tone(8192, 1000, 16000);
    for (size_t i = 0; i < 8192; ++i) {
        stereo[2 * i] = left[i];
        stereo[2 * i + 1] = static_cast<short>(left[i] / 4);
    }
    write_wav16(temp.file("stereo.wav"), 16000, 2, stereo);
    const Result r = run({temp.file("stereo.wav"), "--dual", "--sltas", "--sltas-points", "1024"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, r.out.find('\n')),
              "frequency_hz,Left,Right,Left SLTAS (used partial),Right SLTAS (used partial),"
              "L-R SLTAS (used partial),Left SLTAS (unused partial),Right SLTAS (unused partial),"
              "L-R SLTAS (unused partial)");
    EXPECT_EQ(count_lines(r.out), 1u + 513);
    EXPECT_NE(r.err.find("rectangular window"), std::string::npos) << r.err;
}

TEST_F(AnalyseCommand, ClippingIsReported) {
    write_sound(temp.file("hot.wav"), 16000, 1, SF_FORMAT_WAV | SF_FORMAT_FLOAT,
                std::vector<double>(4000, 1.25));
    const Result r = run({temp.file("hot.wav")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("4000 values beyond 16-bit full scale were clipped"), std::string::npos)
        << r.err;
}

TEST_F(AnalyseCommand, BadInputGivesItsMessageAndStatusAndNoTable) {
    const std::string csv = temp.file("never.csv");
    std::ofstream(temp.file("empty.wav")).close();
    std::ofstream(temp.file("text.wav")) << "not a sound file at all\n";
    write_wav16(temp.file("short.wav"), 16000, 1, tone(100, 1000, 16000));
    write_wav16(temp.file("ok.wav"), 16000, 1, tone(4000, 1000, 16000));
    const struct {
        std::vector<std::string> args;
        int status;
        std::string message;
    } cases[] = {
        {{temp.file("missing.wav")}, 1, "no such file"},
        {{temp.file("empty.wav")}, 1, "the file is empty"},
        {{temp.file("text.wav")}, 1, "Cannot read"},
        {{temp.file("short.wav")},
         1,
         "is shorter than one frame (100 samples; a frame is 640 at 16000 Hz)"},
        {{temp.file("ok.wav"), "--window", "Kaiser"}, 2, "unknown window 'Kaiser'"},
        {{temp.file("ok.wav"), "--bandwidth", "-5"}, 2, "--bandwidth must be a positive number"},
        {{temp.file("ok.wav"), "--bandwidth"}, 2, "--bandwidth needs a value"},
        {{temp.file("ok.wav"), "--highpass", "maybe"}, 2, "--highpass takes on or off"},
        {{temp.file("ok.wav"), "--frobnicate"}, 2, "unknown option --frobnicate"},
        {{temp.file("ok.wav"), "--sltas", "--sltas-points", "1000"}, 2, "power of two"},
        {{}, 2, "needs a sound file"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = c.args;
        args.push_back("--csv");
        args.push_back(csv);
        const Result r = run(args);
        EXPECT_EQ(r.status, c.status) << c.message << ": " << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find("Usage:") != std::string::npos, c.status == 2) << r.err;
        EXPECT_FALSE(std::filesystem::exists(csv)) << c.message;
        EXPECT_FALSE(std::filesystem::exists(csv + ".part")) << c.message;
    }
}

TEST_F(AnalyseCommand, UnwritableOutputLeavesNothing) {
    write_wav16(temp.file("ok.wav"), 16000, 1, tone(4000, 1000, 16000));
    const Result r = run({temp.file("ok.wav"), "--csv", temp.file("no/such/folder/x.csv")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Cannot write"), std::string::npos) << r.err;
}

TEST_F(AnalyseCommand, SettingsComeFromTheStoreOrASettingsFile) {
    const test::TempHome home;
    write_wav16(temp.file("tone.wav"), 16000, 1, tone(16000, 1000, 16000));
    // No stored settings: a first start's 50 Hz and Hamming window, 640 samples, N = 1024.
    Result r = run_stored({temp.file("tone.wav")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(count_lines(r.out), 1u + 1024 / 2 + 1);
    // A settings file: 100 Hz with the rectangle, 160 samples, N = 256; no Mono curve.
    test::write_text(home / "s.zvr", "[Settings]\nBandwidth=100\nWindow=0\nShowCurve1=0\n");
    r = run_stored({temp.file("tone.wav"), "--ltas", "--settings", home / "s.zvr"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, r.out.find('\n')), "frequency_hz,Mono LTAS");
    EXPECT_EQ(count_lines(r.out), 1u + 256 / 2 + 1);
    EXPECT_NE(r.err.find("bandwidth 100 Hz, rectangular window"), std::string::npos) << r.err;
    // The registry, as the window saved it.
    {
        TIni ini("");
        ini.WriteFloat("Settings", "Bandwidth", 200);
        ini.UpdateFile();
    }
    r = run_stored({temp.file("tone.wav")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("bandwidth 200 Hz, Hamming window, frames of 160 samples"),
              std::string::npos)
        << r.err;
}

TEST_F(AnalyseCommand, SettingsThatCannotBeReadStopIt) {
    const test::TempHome home;
    write_wav16(temp.file("tone.wav"), 16000, 1, tone(4000, 1000, 16000));
    const std::string csv = temp.file("never.csv");
    test::write_text(home / "bad.zvr", "[Settings]\nSampFreq=16000\nBandwidth=wide\n");
    Result r = run_stored({temp.file("tone.wav"), "--settings", home / "bad.zvr", "--csv", csv});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "zevrin: 'wide' is not a valid floating point value\n");
    EXPECT_FALSE(std::filesystem::exists(csv));
    r = run_stored({temp.file("tone.wav"), "--settings", home / "gone.zvr", "--csv", csv});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Cannot open the settings file"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(csv));
}

// The picture's plot takes all but the level axis at the left and the frequency
// axis at the bottom.
TEST_F(AnalyseCommand, PicturesBesideTheTableShowItsLevels) {
    const test::TempHome home;
    write_wav16(temp.file("tone.wav"), 16000, 1, tone(16000, 1000, 16000));
    test::write_text(home / "s.zvr", "[Settings]\nBandwidth=100\ndBMin=-40\ndBMax=80\nfMin=0\n"
                                     "fMax=8000\nAutoXAxis=0\nShowCurve1=0\nGridLines=0\n");
    const std::string csv = temp.file("tone.csv");
    const std::string png = temp.file("tone.png");
    const Result r =
        run_stored({temp.file("tone.wav"), "--settings", home / "s.zvr", "--ltas", "--csv", csv,
                    "--png", png, "--svg", temp.file("tone.svg"), "--pdf", temp.file("tone.pdf"),
                    "--size", "800x500", "--title", "Tone"});
    ASSERT_EQ(r.status, 0) << r.err;
    const QImage picture(QString::fromStdString(png));
    ASSERT_EQ(picture.size(), QSize(800, 500));
    const AxisScale x{0, 8000, 800 - 37, false, false, false};
    const AxisScale y{-40, 80, 500 - 25, true, false, false};
    std::istringstream in(test::read_text(csv));
    std::string line;
    std::getline(in, line);
    ASSERT_EQ(line, "frequency_hz,Mono LTAS");
    int checked = 0;
    while (std::getline(in, line)) {
        const double f = std::stod(line.substr(0, line.find(',')));
        const std::string cell = line.substr(line.find(',') + 1);
        if (cell.empty() || f <= 0 || f >= 8000) {
            continue;
        }
        const double level = std::stod(cell);
        const QPoint at(37 + value_to_pixel(x, f), value_to_pixel(y, level));
        ASSERT_EQ(picture.pixelColor(at), QColor(0, 0, 255)) << f << " Hz, " << level << " dB";
        ++checked;
    }
    EXPECT_EQ(checked, 255);
    const std::string svg = test::read_text(temp.file("tone.svg"));
    EXPECT_NE(svg.find("<svg"), std::string::npos);
    EXPECT_NE(svg.find("#0000ff"), std::string::npos);
    EXPECT_NE(svg.find(">[Hz]<"), std::string::npos) << "the axes as text";
    EXPECT_EQ(test::read_text(temp.file("tone.pdf")).substr(0, 5), "%PDF-");
}

TEST_F(AnalyseCommand, PictureTargetsThatCannotBeWritten) {
    write_wav16(temp.file("ok.wav"), 16000, 1, tone(4000, 1000, 16000));
    const struct {
        std::vector<std::string> args;
        int status;
        std::string message;
    } cases[] = {
        {{"--png", temp.file("no/such/folder/x.png")}, 1, "Cannot write"},
        {{"--svg", temp.file("")}, 1, "folder"},
        {{"--pdf", "/dev/full"}, 1, "Cannot write \"/dev/full\""},
        {{"--png", temp.file("x.png"), "--size", "10x10"}, 2, "--size takes WIDTHxHEIGHT"},
        {{"--png"}, 2, "--png needs a value"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {temp.file("ok.wav")};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const Result r = run(args);
        EXPECT_EQ(r.status, c.status) << c.message << ": " << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    }
    // Nothing but the sound file is left in the folder.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(temp.file("")), {}), 1);
}

// The file of the README's example, at a stable place in the build tree.
TEST(ReadmeExample, ToneOfOneKilohertz) {
    const test::TempHome home; // a first start's settings
    const std::string path = std::string(ZEVRIN_TEST_BINARY_DIR) + "/tone.wav";
    write_wav16(path, 16000, 1, tone(16000, 1000, 16000));
    const Result r = run_stored({path, "--bandwidth", "100", "--ltas"});
    ASSERT_EQ(r.status, 0) << r.err;
    // The LTAS peaks at 1000 Hz.
    std::istringstream in(r.out);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "frequency_hz,Mono,Mono LTAS");
    double peak = -1e9;
    std::string peak_row;
    while (std::getline(in, line)) {
        const std::string cell = line.substr(line.rfind(',') + 1);
        if (cell.empty()) {
            continue; // no level (the logarithm of 0)
        }
        const double level = std::stod(cell);
        if (level > peak) {
            peak = level;
            peak_row = line.substr(0, line.find(','));
        }
    }
    EXPECT_EQ(peak_row, "1000");
}

} // namespace
} // namespace zevrin
