#include "app/analyse_command.h"

#include "app/stored_settings.h"
#include "display/axis_scale.h"
#include "engine/sound_files.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "settings/ini.h"
#include "support/temp_home.h"

#include <gtest/gtest.h>

#include <QImage>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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

int exit_code(pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

std::vector<std::string> names_in(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder)) {
        names.push_back(e.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

TEST_F(AnalyseCommand, TheTableGoesWhereAShellUserPointsIt) {
    write_wav16(temp.file("ok.wav"), 16000, 1, tone(4000, 1000, 16000));
    const Result table = run({temp.file("ok.wav")});
    ASSERT_EQ(table.status, 0) << table.err;

    // A device is written into and stays a device.
    Result r = run({temp.file("ok.wav"), "--csv", "/dev/null"});
    EXPECT_EQ(r.status, 0) << r.err;
    struct stat st {};
    ASSERT_EQ(stat("/dev/null", &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));

    // A FIFO that another program reads.
    const std::string fifo = temp.file("pipe");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const pid_t reader = fork();
    if (reader == 0) {
        _exit(test::read_text(fifo) == table.out ? 0 : 1);
    }
    r = run({temp.file("ok.wav"), "--csv", fifo});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(exit_code(reader), 0) << "the reader got another table";

    // The user's link: the file it names gets the table. A link planted at the name
    // an earlier version wrote first ("OUT.part") is left alone.
    test::write_text(temp.file("real.csv"), "old");
    std::filesystem::create_symlink(temp.file("real.csv"), temp.file("link.csv"));
    test::write_text(temp.file("victim"), "precious");
    std::filesystem::create_symlink(temp.file("victim"), temp.file("link.csv.part"));
    r = run({temp.file("ok.wav"), "--csv", temp.file("link.csv")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(test::read_text(temp.file("real.csv")), table.out);
    EXPECT_TRUE(std::filesystem::is_symlink(temp.file("link.csv")));
    EXPECT_EQ(test::read_text(temp.file("victim")), "precious");

    // Refused, with the reason, before anything is analysed.
    std::filesystem::create_symlink(temp.file("nowhere.csv"), temp.file("dangling.csv"));
    std::filesystem::create_directory(temp.file("folder.csv"));
    const struct {
        std::string target;
        int status;
        std::string message;
    } refused[] = {
        {temp.file("folder.csv"), 1, "folder.csv\": it is a folder"},
        {temp.file("dangling.csv"), 1, "which does not exist"},
        {"", 2, "--csv needs a file name"},
    };
    for (const auto& c : refused) {
        r = run({temp.file("ok.wav"), "--csv", c.target});
        EXPECT_EQ(r.status, c.status) << c.target;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find("frames analysed"), std::string::npos) << r.err;
    }
    EXPECT_FALSE(std::filesystem::exists(temp.file("nowhere.csv")));
}

TEST_F(AnalyseCommand, AKilledRunLeavesNoHalfTableAndTheNextRunClearsUp) {
    write_wav16(temp.file("long.wav"), 16000, 1, tone(160000, 1000, 16000));
    const std::vector<std::string> args = {
        temp.file("long.wav"), "--bandwidth", "2", "--ltas", "--csv", temp.file("OUT")};
    const Result whole = run(args);
    ASSERT_EQ(whole.status, 0) << whole.err;
    const std::string table = test::read_text(temp.file("OUT"));
    std::filesystem::remove(temp.file("OUT"));
    std::mt19937 random(13);
    int cut_off = 0;
    for (int round = 0; round < 30; ++round) {
        const pid_t child = fork();
        if (child == 0) {
            _exit(run(args).status);
        }
        usleep(std::uniform_int_distribution<useconds_t>(0, 60000)(random));
        kill(child, SIGKILL);
        exit_code(child);
        cut_off += names_in(temp.file("")).size() > 2 ? 1 : 0;
        if (std::filesystem::exists(temp.file("OUT"))) {
            ASSERT_TRUE(test::read_text(temp.file("OUT")) == table)
                << "a torn table, round " << round;
        }
    }
    RecordProperty("runs_cut_off_while_writing", cut_off);
    ASSERT_EQ(run(args).status, 0);
    EXPECT_EQ(names_in(temp.file("")), (std::vector<std::string>{"OUT", "long.wav"}));
}

// A file name on the command line means what it means in a shell.
TEST_F(AnalyseCommand, ASettingsFileWithoutAFolderIsTheOneInTheCurrentFolder) {
    const test::TempHome home;
    write_wav16(temp.file("tone.wav"), 16000, 1, tone(16000, 1000, 16000));
    test::write_text(home / "data/my.zvr", "[Settings]\nBandwidth=200\n");
    test::write_text(temp.file("my.zvr"), "[Settings]\nBandwidth=100\n");
    const auto old = std::filesystem::current_path();
    std::filesystem::current_path(temp.file(""));
    const Result here = run_stored({"tone.wav", "--settings", "my.zvr"});
    std::filesystem::remove(temp.file("my.zvr"));
    const Result gone = run_stored({"tone.wav", "--settings", "my.zvr"});
    std::filesystem::current_path(old);
    EXPECT_EQ(here.status, 0) << here.err;
    EXPECT_NE(here.err.find("bandwidth 100 Hz"), std::string::npos) << here.err;
    EXPECT_EQ(gone.status, 1);
    EXPECT_NE(gone.err.find("Cannot open the settings file \"./my.zvr\""), std::string::npos)
        << gone.err;
}

TEST_F(AnalyseCommand, ReadingTheStoredSettingsWritesNothing) {
    const test::TempHome home;
    write_wav16(temp.file("tone.wav"), 16000, 1, tone(16000, 1000, 16000));
    // Nothing stored: no registry, lock or data folder appears.
    ASSERT_EQ(run_stored({temp.file("tone.wav")}).status, 0);
    EXPECT_TRUE(std::filesystem::is_empty(home.path()));
    // A hand-edited hive stays as it is, comment and all.
    const std::string hive = hive_file(RegistryHive::current_user);
    const std::string edited = "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\" +
                               program_registry_key(program_file_name()) +
                               "\\Settings]\n; bandwidth for the lab, do not change\n"
                               "\"Bandwidth\" = \"100\"\n";
    test::write_text(hive, edited);
    const Result r = run_stored({temp.file("tone.wav")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("bandwidth 100 Hz"), std::string::npos) << r.err;
    EXPECT_EQ(test::read_text(hive), edited);
    EXPECT_EQ(names_in(home / "registry"), std::vector<std::string>{"HKEY_CURRENT_USER.reg"});
}

TEST_F(AnalyseCommand, NotASoundFileOrNoFrameIsAnErrorAndAnEarlyEndIsTold) {
    const std::string csv = temp.file("never.csv");
    ASSERT_EQ(mkfifo(temp.file("pipe.wav").c_str(), 0600), 0);
    Result r = run({temp.file("pipe.wav"), "--csv", csv}); // would hang reading the FIFO
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("it is a FIFO (named pipe), not a sound file"), std::string::npos)
        << r.err;
    // A sound file whose header promises audio that is not there.
    std::vector<double> samples(16000);
    for (size_t i = 0; i < samples.size(); ++i) {
        samples[i] = 0.25 * std::sin(2 * M_PI * 1000.0 * static_cast<double>(i) / 16000.0);
    }
    write_sound(temp.file("cut.flac"), 16000, 1, SF_FORMAT_FLAC | SF_FORMAT_PCM_16, samples);
    const auto size = std::filesystem::file_size(temp.file("cut.flac"));
    std::filesystem::copy_file(temp.file("cut.flac"), temp.file("header.flac"));
    std::filesystem::resize_file(temp.file("header.flac"), 200);
    r = run({temp.file("header.flac"), "--csv", csv});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("holds no audio that can be read"), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.empty());
    EXPECT_FALSE(std::filesystem::exists(csv));
    std::filesystem::resize_file(temp.file("cut.flac"), size / 2);
    r = run({temp.file("cut.flac")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("ended early: "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(" of the 16000 samples its header announces could be read"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(names_in(temp.file("")),
              (std::vector<std::string>{"cut.flac", "header.flac", "pipe.wav"}));
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

// The last cells of a table, by row (the header left out).
std::vector<std::string> last_cells(const std::string& table) {
    std::istringstream in(table);
    std::vector<std::string> cells;
    std::string line;
    std::getline(in, line);
    while (std::getline(in, line)) {
        cells.push_back(line.substr(line.rfind(',') + 1));
    }
    return cells;
}

TEST_F(AnalyseCommand, ReferenceColumnIsTheDifferenceToTheTable) {
    write_wav16(temp.file("tone.wav"), 16000, 1, tone(16000, 1000, 16000));
    const std::string table = temp.file("room.csv");
    ASSERT_EQ(run({temp.file("tone.wav"), "--ltas", "--bandwidth", "100", "--csv", table}).status,
              0);
    Result r = run({temp.file("tone.wav"), "--ltas", "--bandwidth", "100", "--reference", table});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, r.out.find('\n')),
              "frequency_hz,Mono,Mono LTAS,Mono LTAS - Mono LTAS (room)");
    const std::vector<std::string> diffs = last_cells(r.out);
    ASSERT_EQ(diffs.size(), 257u);
    EXPECT_EQ(diffs[0], ""); // no level at 0 Hz
    for (size_t i = 1; i < diffs.size(); ++i) {
        EXPECT_EQ(diffs[i], "0") << i;
    }
    // Another FFT size: the reference is read at its own frequencies; on the tone's bin
    // both show the tone's level.
    r = run({temp.file("tone.wav"), "--ltas", "--bandwidth", "50", "--reference", table});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<std::string> other = last_cells(r.out);
    ASSERT_EQ(other.size(), 513u);
    EXPECT_NEAR(std::stod(other[64]), 0.0, 0.05); // 1000 Hz
    // A table that is none stops the command before anything is analysed.
    test::write_text(temp.file("bad.csv"), "frequency_hz,Mono\n0,1\n31.25,x\n");
    r = run({temp.file("tone.wav"), "--reference", temp.file("bad.csv")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "zevrin: Line 3 of the reference \"" + temp.file("bad.csv") +
                         "\" has a level that is no number: \"x\"\n");
    EXPECT_TRUE(r.out.empty());
}

TEST_F(AnalyseCommand, CalibrationFromTheSettingsShiftsEveryLevel) {
    const test::TempHome home;
    write_wav16(temp.file("tone.wav"), 16000, 1, tone(16000, 1000, 16000));
    const std::vector<std::string> args = {
        temp.file("tone.wav"), "--ltas", "--bandwidth", "100", "--settings", home / "cal.zvr"};
    test::write_text(home / "cal.zvr", "[Settings]\n");
    const Result plain = run_stored(args);
    ASSERT_EQ(plain.status, 0) << plain.err;
    // A unit alone calibrates nothing.
    test::write_text(home / "cal.zvr", "[Calibration]\nLevelUnit=1\n");
    EXPECT_EQ(run_stored(args).out, plain.out);
    // 30 dB, less a flat 1.5 dB of the microphone.
    test::write_text(home / "mic.txt", "* mic\r\n20\t1.5\r\n20000\t1.5\r\n");
    test::write_text(home / "cal.zvr", "[Calibration]\nLevelUnit=1\nOffset0=30\nCorrectionFile0=" +
                                           home / "mic.txt" + "\n");
    const Result cal = run_stored(args);
    ASSERT_EQ(cal.status, 0) << cal.err;
    EXPECT_NE(cal.err.find(", levels calibrated in dB SPL"), std::string::npos) << cal.err;
    const std::vector<std::string> before = last_cells(plain.out);
    const std::vector<std::string> after = last_cells(cal.out);
    ASSERT_EQ(after.size(), before.size());
    for (size_t i = 1; i < after.size(); ++i) {
        EXPECT_NEAR(std::stod(after[i]) - std::stod(before[i]), 28.5, 1e-6) << i;
    }
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
    // The rows the README shows, as they are without calibration.
    for (const char* row :
         {"\n0,-3250,\n", "\n31.25,19.24689938,19.23327351\n", "\n968.75,63.92619699,63.9261861\n",
          "\n1000,66.66585771,66.66585073\n"}) {
        EXPECT_NE(r.out.find(row), std::string::npos) << row;
    }
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
