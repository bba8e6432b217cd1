// zevrin --write-test-signal, and --analyse with --transfer and --impulse: the test
// signal as a file, analysed as a recording of it, and through a known system.

#include "app/analyse_command.h"
#include "app/test_signal_command.h"
#include "audio/virtual_loopback.h"
#include "dsp/filter_section.h"
#include "dsp/numeric.h"
#include "engine/played_signal.h"
#include "engine/sound_files.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace zevrin {
namespace {

using testing::TempFolder;
using testing::write_wav16;

constexpr int rate = 16000;
constexpr int period = 4096;
constexpr double gain = 0.5;

struct Result {
    int status;
    std::string out;
    std::string err;
};

// At 16000 Hz unless the arguments say otherwise.
Result write_signal(std::vector<std::string> args) {
    if (std::find(args.begin(), args.end(), "--rate") == args.end() && args.size() > 1) {
        args.insert(args.end(), {"--rate", "16000"});
    }
    std::ostringstream out, err;
    const int status = run_test_signal_command(args, nullptr, out, err);
    return {status, out.str(), err.str()};
}

Result analyse(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const int status = run_analyse_command(args, nullptr, out, err);
    return {status, out.str(), err.str()};
}

struct Sound {
    int rate = 0;
    int channels = 0;
    int format = 0;
    std::vector<double> samples;
};

Sound read_sound(const std::string& path) {
    SF_INFO info{};
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    if (f == nullptr) {
        return {};
    }
    Sound s{info.samplerate, info.channels, info.format,
            std::vector<double>(static_cast<size_t>(info.frames * info.channels))};
    sf_command(f, SFC_SET_NORM_DOUBLE, nullptr, SF_FALSE);
    sf_readf_double(f, s.samples.data(), info.frames);
    sf_close(f);
    return s;
}

std::vector<std::vector<std::string>> read_csv(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::vector<std::string>> rows;
    for (std::string line; std::getline(in, line);) {
        std::vector<std::string> cells;
        std::stringstream cellstream(line);
        for (std::string cell; std::getline(cellstream, cell, ',');) {
            cells.push_back(cell);
        }
        if (!line.empty() && line.back() == ',') {
            cells.emplace_back();
        }
        rows.push_back(cells);
    }
    return rows;
}

// An analyser with no devices and the settings of the command lines below.
struct Settings {
    Settings() : components(idle), a(components) {
        a.sampfreq = rate;
        a.sltaspoints = period;
        a.partialpattern = 2;
        a.partialsperoctave = 6;
        a.chirpiness = 0.5;
        a.set_tilt(-3);
    }
    TVirtualLoopback idle{TLoopbackClock::manual};
    TAnalyserComponents components;
    TAnalyser a;
};

const std::vector<std::string> signal_options = {
    "--sltas-points", "4096", "--pattern", "per-octave", "--partials-per-octave", "6",
    "--chirpiness",   "0.5",  "--tilt",    "-3"};

std::vector<std::string> with_signal_options(std::vector<std::string> args) {
    args.insert(args.end(), signal_options.begin(), signal_options.end());
    return args;
}

class TransferCommands : public ::testing::Test {
protected:
    TempFolder temp;
};

TEST_F(TransferCommands, TheWrittenSignalIsThePlayedOneAndAnalysesToItsPartials) {
    const std::string file = temp.file("signal.wav");
    const Result w = write_signal(with_signal_options({file, "--periods", "6"}));
    ASSERT_EQ(w.status, 0) << w.err;
    EXPECT_NE(w.err.find("Wrote 6 periods of 4096 samples at 16000 Hz"), std::string::npos)
        << w.err;
    const Sound s = read_sound(file);
    ASSERT_EQ(s.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    ASSERT_EQ(s.channels, 1);
    ASSERT_EQ(s.rate, rate);
    ASSERT_EQ(s.samples.size(), static_cast<size_t>(6 * period));

    // The samples: those playback hands the sound card first after a start.
    Settings played;
    set_random_seed(0);
    const std::vector<int16_t> expected = played_periods(played.a, 6);
    for (size_t i = 0; i < expected.size(); ++i) {
        ASSERT_EQ(s.samples[i], expected[i]) << "sample " << i;
    }

    // Analysed as a recording: every used partial at its synthesised amplitude.
    const std::string csv = temp.file("curves.csv");
    const Result r =
        analyse(with_signal_options({file, "--sltas", "--highpass", "off", "--csv", csv}));
    ASSERT_EQ(r.status, 0) << r.err;
    const auto rows = read_csv(csv);
    ASSERT_EQ(rows.size(), 1u + period / 2 + 1);
    const auto column = std::find(rows[0].begin(), rows[0].end(), "Mono SLTAS (used partial)");
    ASSERT_NE(column, rows[0].end());
    const auto c = static_cast<size_t>(column - rows[0].begin());
    Settings synth;
    tpartialflags used(period);
    select_partials(synth.a.test_signal_settings(), used);
    tdoublearr amp(period), wave(period);
    partial_amplitudes(-3, amp);
    TFFT fft;
    synthesise(used, amp, 0.5, fft, wave);
    double peak = 0;
    for (double v : wave) {
        peak = std::max(peak, std::abs(v));
    }
    int checked = 0;
    for (size_t k = 1; k < period / 2; ++k) {
        if (used[k]) {
            // A cosine of amplitude A reads A/2 in the analyser's spectrum.
            const double level = 20 * std::log10(amp[k] * 32767 / peak / 2);
            ASSERT_NEAR(std::stod(rows[k + 1][c]), level, 0.01) << "partial " << k;
            ++checked;
        }
    }
    EXPECT_GT(checked, 50); // six per octave from 2 to 2048, fewer in the lowest octaves
}

// The written signal through a high-pass section, at half the level, and `delay`
// samples of sound path, as a recorder that starts at an arbitrary point captures it.
std::vector<short> recorded_through_highpass(const Sound& s, int delay, THPFilterSection& hp) {
    std::vector<double> y(s.samples.size());
    for (size_t i = 0; i < y.size(); ++i) {
        y[i] = gain * hp.filter(s.samples[i]);
    }
    std::vector<short> rec(static_cast<size_t>(6 * period));
    for (size_t i = 0; i < rec.size(); ++i) {
        rec[i] = static_cast<short>(std::lrint(y[i + 2 * period - static_cast<size_t>(delay)]));
    }
    return rec;
}

TEST_F(TransferCommands, ARecordingThroughASystemGivesItsResponse) {
    const std::string signal = temp.file("all.wav");
    const std::vector<std::string> all = {"--sltas-points", "4096", "--pattern", "all",
                                          "--tilt",         "0"};
    std::vector<std::string> args = {signal, "--periods", "10"};
    args.insert(args.end(), all.begin(), all.end());
    ASSERT_EQ(write_signal(args).status, 0);
    THPFilterSection hp;
    hp.set_SampFreq(rate);
    hp.set_F0(30);
    hp.set_Q(0.7);
    constexpr int delay = 211;
    const std::vector<short> recording = recorded_through_highpass(read_sound(signal), delay, hp);
    write_wav16(temp.file("rec.wav"), rate, 1, recording);
    // For the example in the README.
    write_wav16(std::string(ZEVRIN_TEST_BINARY_DIR) + "/highpass-recording.wav", rate, 1,
                recording);

    const std::string transfer = temp.file("transfer.csv");
    const std::string impulse = temp.file("impulse.wav");
    const std::string impulsecsv = temp.file("impulse.csv");
    args = {temp.file("rec.wav"), "--sltas",    "--highpass", "off",       "--csv",
            temp.file("c.csv"),   "--transfer", transfer,     "--impulse", impulse};
    args.insert(args.end(), all.begin(), all.end());
    const Result r = analyse(args);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("Capture offset: 211 samples (13.188 ms)"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("THD and THD+N: no unused bin between the partials"), std::string::npos);

    // The table: one row per bin 1 .. L/2, the magnitude that of the section.
    const auto rows = read_csv(transfer);
    ASSERT_EQ(rows.size(), 1u + period / 2);
    EXPECT_EQ(rows[0].size(), 8u);
    EXPECT_EQ(rows[0][0], "frequency_hz");
    EXPECT_EQ(rows[0][5], "coherence");
    const auto response = [&hp](double f) {
        const std::complex<double> z1 = std::polar(1.0, -2 * pi * f / rate);
        return gain * hp.b0() * hp.a0() * (1.0 + hp.b1() * z1 + z1 * z1) /
               (1.0 - hp.a1() * z1 - hp.a2() * z1 * z1);
    };
    for (size_t k = 1; k < period / 2; ++k) {
        const double f = std::stod(rows[k][0]);
        ASSERT_NEAR(std::stod(rows[k][1]), 20 * std::log10(std::abs(response(f))), 0.05) << f;
        const double dphi = std::stod(rows[k][2]) - std::arg(response(f)) * 180 / pi;
        ASSERT_NEAR(std::remainder(dphi, 360.0), 0.0, 0.5) << f;
    }
    EXPECT_EQ(rows[period / 2][1], ""); // L/2 carries no partial

    // The impulse response: 32-bit float, one period, the section's own.
    const Sound h = read_sound(impulse);
    ASSERT_EQ(h.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    ASSERT_EQ(h.rate, rate);
    ASSERT_EQ(h.samples.size(), static_cast<size_t>(period));
    hp.reset();
    for (size_t n = 0; n < 64; ++n) {
        ASSERT_NEAR(h.samples[n], gain * hp.filter(n == 0 ? 1.0 : 0.0), 1e-4) << n;
    }

    // A name ending in .csv gets the table of time, response and energy-time curve.
    args[args.size() - all.size() - 1] = impulsecsv;
    ASSERT_EQ(analyse(args).status, 0);
    const auto table = read_csv(impulsecsv);
    ASSERT_EQ(table.size(), 1u + period);
    EXPECT_EQ(table[0], (std::vector<std::string>{"time_ms", "impulse", "etc_db"}));
    EXPECT_NEAR(std::stod(table[1][1]), h.samples[0], 1e-6);
    EXPECT_EQ(table[1][2], "0");
}

TEST_F(TransferCommands, RefusalsAreReadable) {
    const std::string file = temp.file("s.wav");
    EXPECT_EQ(write_signal({file}).status, 2); // no --periods
    EXPECT_EQ(write_signal({"--periods", "3"}).status, 2);
    EXPECT_EQ(write_signal({file, "--periods", "2", "--sltas-points", "1000"}).status, 2);
    EXPECT_EQ(write_signal({file, "--periods", "2", "--pattern", "odd"}).status, 2);
    // A single sinusoid above half the sampling frequency: nothing to play.
    const Result silent = write_signal({file, "--periods", "2", "--rate", "8000", "--pattern",
                                        "single", "--single-frequency", "5000"});
    EXPECT_EQ(silent.status, 1);
    EXPECT_NE(silent.err.find("no partial"), std::string::npos) << silent.err;
    EXPECT_FALSE(std::filesystem::exists(file));
    // A folder as the target: refused, and said so.
    const Result folder = write_signal({temp.file(""), "--periods", "2"});
    EXPECT_EQ(folder.status, 1);
    EXPECT_NE(folder.err.find("Cannot write"), std::string::npos) << folder.err;

    ASSERT_EQ(write_signal(with_signal_options({file, "--periods", "2"})).status, 0);
    EXPECT_EQ(analyse({file, "--transfer", temp.file("t.csv")}).status, 2); // needs --sltas
    // A target that will be refused is known before the analysis.
    const Result refused = analyse(with_signal_options(
        {file, "--sltas", "--csv", temp.file("c.csv"), "--impulse", temp.file("")}));
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("Cannot write"), std::string::npos) << refused.err;
    EXPECT_FALSE(std::filesystem::exists(temp.file("c.csv")));
}

} // namespace
} // namespace zevrin
