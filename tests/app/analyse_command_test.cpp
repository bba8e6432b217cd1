#include "app/analyse_command.h"

#include "app/stored_settings.h"
#include "engine/sound_files.h"
#include "settings/ini.h"
#include "support/temp_home.h"

#include <gtest/gtest.h>

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
        {{temp.file("ok.wav"), "--bandwidth", "0.01"},
         2,
         "--bandwidth must be from 0.0305176 to 16000 Hz for '" + temp.file("ok.wav") +
             "' (16000 Hz, Hamming window), not 0.01\n"},
        {{temp.file("ok.wav"), "--window", "blackman", "--bandwidth", "1e308"},
         2,
         "--bandwidth must be from 0.0457764 to 24000 Hz for '" + temp.file("ok.wav") +
             "' (16000 Hz, Blackman window), not 1E308\n"},
        {{temp.file("ok.wav"), "--exclude-high-power", "1e300"},
         2,
         "--exclude-high-power must be from -200 to 200 dB, not 1E300\n"},
        {{temp.file("ok.wav"), "--decay", "1e7"},
         2,
         "--decay must be from 0 to 1000000 s, not 1E7\n"},
        {{"--", temp.file("ok.wav"), "--ltas"}, 2, "one sound file at a time ('--ltas'"},
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

TEST_F(AnalyseCommand, DoubleDashEndsTheOptionsAndWindowNamesIgnoreCase) {
    write_wav16(temp.file("-dash.wav"), 16000, 1, tone(4000, 1000, 16000));
    const Result r = run({"--window", "BLACKMAN", "--ltas", "--", temp.file("-dash.wav")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("Blackman window, frames of 960 samples"), std::string::npos) << r.err;
    // A bare name after "--", as a shell passes it; after it nothing is an option.
    const auto cwd = std::filesystem::current_path();
    std::filesystem::current_path(temp.file(""));
    EXPECT_EQ(run({"--", "-dash.wav", "--csv", "out.csv"}).status, 2);
    EXPECT_EQ(run({"--csv", "out.csv", "--", "-dash.wav"}).status, 0);
    std::filesystem::current_path(cwd);
    EXPECT_TRUE(std::filesystem::exists(temp.file("out.csv")));
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

// Values that no setting allows are replaced, with a warning on standard error, and
// the analysis goes on; a file that cannot be opened stops it.
TEST_F(AnalyseCommand, StoredValuesOutOfRangeAreReplacedAndNamed) {
    const test::TempHome home;
    write_wav16(temp.file("tone.wav"), 16000, 1, tone(8000, 1000, 16000));
    const std::string csv = temp.file("out.csv");
    test::write_text(home / "bad.zvr", "[Settings]\nSampFreq=16000\nBandwidth=wide\n"
                                       "UseSLTAS=1\nSLTASPoints=0\n");
    Result r = run_stored(
        {temp.file("tone.wav"), "--settings", home / "bad.zvr", "--sltas", "--csv", csv});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err.substr(0, r.err.find("\n1 frames")),
              "zevrin: Values in the settings file \"" + home / "bad.zvr" +
                  "\" that cannot be used were replaced by their defaults:\n"
                  "Bandwidth must be from 0.0305176 to 16000 Hz, not 'wide'; 50 Hz is used "
                  "instead\n"
                  "SLTASPoints must be a power of two from 16 to 32768, not 0; 4096 is used "
                  "instead");
    EXPECT_NE(r.err.find("SLTAS on (4096 points)"), std::string::npos) << r.err;
    EXPECT_TRUE(std::filesystem::exists(csv));
    // A stored bandwidth that suits the stored rate but not the file's.
    test::write_text(home / "wide.zvr", "[Settings]\nSampFreq=44100\nBandwidth=20000\n");
    r = run_stored({temp.file("tone.wav"), "--settings", home / "wide.zvr"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "zevrin: The bandwidth must be from 0.0305176 to 16000 Hz for '" +
                         temp.file("tone.wav") + "' (16000 Hz, Hamming window), not 20000\n");
    r = run_stored({temp.file("tone.wav"), "--settings", home / "gone.zvr", "--csv", csv});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Cannot open the settings file"), std::string::npos) << r.err;
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
