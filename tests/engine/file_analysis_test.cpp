#include "engine_fixture.h"
#include "sound_files.h"

#include "dsp/numeric.h"
#include "engine/curve_export.h"
#include "engine/file_analysis.h"
#include "support/temp_home.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

namespace zevrin {
namespace {

using testing::TempFolder;
using testing::write_sound;
using testing::write_wav16;

constexpr int rate = 16000;

std::vector<short> two_sines(size_t frames, double bin_a, double bin_b, int n) {
    std::vector<short> v(frames);
    for (size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i);
        v[i] = static_cast<short>(std::lrint(9000 * std::cos(2 * pi * bin_a * t / n) +
                                             3000 * std::sin(2 * pi * bin_b * t / n + 0.3)));
    }
    return v;
}

// The mean magnitude spectrum of the frames, from the definition in plain
// double arithmetic: mean removed, windowed, padded to N, mean of the N values removed,
// transformed with a positive exponent and scaled by 1/W.
std::vector<double> mean_magnitudes(const std::vector<short>& samples, size_t w, size_t n,
                                    TFFTWindow window) {
    const size_t frames = samples.size() / w;
    std::vector<double> sum(n / 2 + 1, 0.0);
    for (size_t f = 0; f < frames; ++f) {
        std::vector<double> x(n, 0.0);
        double mean = 0;
        for (size_t k = 0; k < w; ++k) {
            mean += samples[f * w + k];
        }
        mean /= static_cast<double>(w);
        for (size_t k = 0; k < w; ++k) {
            const double theta = 2 * pi * static_cast<double>(k) / static_cast<double>(w - 1);
            const double win = window == TFFTWindow::Hamming ? 0.54 - 0.46 * std::cos(theta) : 1.0;
            x[k] = (samples[f * w + k] - mean) * win;
        }
        double mean2 = 0;
        for (double v : x) {
            mean2 += v;
        }
        mean2 /= static_cast<double>(n);
        for (double& v : x) {
            v -= mean2;
        }
        for (size_t m = 0; m <= n / 2; ++m) {
            double re = 0, im = 0;
            for (size_t k = 0; k < n; ++k) {
                const double a = 2 * pi * static_cast<double>((m * k) % n) / static_cast<double>(n);
                re += x[k] * std::cos(a);
                im += x[k] * std::sin(a);
            }
            sum[m] += std::hypot(re, im) / static_cast<double>(w);
        }
    }
    for (double& v : sum) {
        v /= static_cast<double>(frames);
    }
    return sum;
}

std::vector<std::vector<std::string>> parse_csv(const std::string& text) {
    std::vector<std::vector<std::string>> rows;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        std::vector<std::string> cells;
        std::string cell;
        std::istringstream cs(line);
        while (std::getline(cs, cell, ',')) {
            cells.push_back(cell);
        }
        if (!line.empty() && line.back() == ',') {
            cells.emplace_back();
        }
        rows.push_back(cells);
    }
    return rows;
}

class FileAnalysis : public ::testing::TestWithParam<TFFTWindow>, public testing::EngineFixture {
protected:
    TempFolder temp;
};

TEST_P(FileAnalysis, LtasColumnIsTheMeanMagnitudeSpectrum) {
    const TFFTWindow window = GetParam();
    TAnalyser& a = *analyser;
    configure(8000, 100, window); // the file's rate replaces 8000
    a.set_highpass(false);
    a.set_ltas(true);
    const size_t w = window == TFFTWindow::Hamming ? 320 : 160;
    const size_t n = window == TFFTWindow::Hamming ? 512 : 256;
    // One sine on a bin centre, one between bins; 20 frames and a remainder.
    const auto samples = two_sines(20 * w + 57, 32, 50.5, static_cast<int>(n));
    write_wav16(temp.file("tones.wav"), rate, 1, samples);
    TSoundFile file(temp.file("tones.wav"));
    const TFileAnalysis result = analyse_sound_file(a, file);
    EXPECT_EQ(result.frames, 20);
    EXPECT_EQ(result.clipped, 0);
    EXPECT_EQ(a.sampfreq, rate);
    EXPECT_EQ(a.ltascount, 20);

    std::ostringstream csv;
    write_curves_csv(a,
                     exported_curves(a,
                                     [] {
                                         std::array<bool, ncurves> all{};
                                         all.fill(true);
                                         return all;
                                     }()),
                     csv);
    const auto rows = parse_csv(csv.str());
    ASSERT_EQ(rows.size(), n / 2 + 2);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"frequency_hz", "Mono", "Mono LTAS"}));
    // The levels within 1e-9 dB; the text holds them to its 10 significant digits.
    const auto expected = mean_magnitudes(samples, w, n, window);
    tdoublearr levels(n / 2 + 1);
    ASSERT_TRUE(curve_levels(a, 7, levels.size(), levels));
    for (size_t m = 0; m <= n / 2; ++m) {
        const auto& row = rows[m + 1];
        ASSERT_EQ(row.size(), 3u) << m;
        EXPECT_NEAR(std::stod(row[0]), m * rate / static_cast<double>(n), 1e-9);
        if (expected[m] > 1e-9) {
            EXPECT_NEAR(levels[m], 20 * std::log10(expected[m]), 1e-9) << "bin " << m;
            EXPECT_NEAR(std::stod(row[2]), levels[m], 1e-9 * std::abs(levels[m])) << "bin " << m;
        }
    }
    // The bin-centre sine: amplitude 9000, half of it times the window's mean.
    const double gain = window == TFFTWindow::Hamming ? 0.54 + 0.46 / (w - 1) : 1.0;
    EXPECT_NEAR(std::stod(rows[33][2]), 20 * std::log10(4500 * gain), 0.05);
}

INSTANTIATE_TEST_SUITE_P(Windows, FileAnalysis,
                         ::testing::Values(TFFTWindow::rectangle, TFFTWindow::Hamming));

class FileAnalysisDual : public ::testing::Test, public testing::EngineFixture {
protected:
    TempFolder temp;
};

TEST_F(FileAnalysisDual, LeftMinusRightColumn) {
    TAnalyser& a = *analyser;
    configure(rate, 100, TFFTWindow::Hamming);
    a.set_highpass(false);
    a.dualchannels = true;
    a.set_ltas(true);
    const auto left = two_sines(3200, 32, 64, 512);
    const auto right = two_sines(3200, 32, 96, 512);
    std::vector<short> both(6400);
    for (size_t i = 0; i < 3200; ++i) {
        both[2 * i] = left[i];
        both[2 * i + 1] = static_cast<short>(right[i] / 2);
    }
    write_wav16(temp.file("stereo.wav"), rate, 2, both);
    TSoundFile file(temp.file("stereo.wav"));
    analyse_sound_file(a, file);
    std::array<bool, ncurves> all{};
    all.fill(true);
    std::ostringstream csv;
    write_curves_csv(a, exported_curves(a, all), csv);
    const auto rows = parse_csv(csv.str());
    EXPECT_EQ(rows[0], (std::vector<std::string>{"frequency_hz", "Left", "Right", "Left LTAS",
                                                 "Right LTAS", "L-R LTAS"}));
    // Right is half of left at bin 32: -6.02 dB; and the difference of the two columns.
    EXPECT_NEAR(std::stod(rows[33][5]), -6.02, 0.05);
    for (size_t m = 1; m < rows.size(); ++m) {
        if (!rows[m][5].empty()) {
            EXPECT_NEAR(std::stod(rows[m][5]), std::stod(rows[m][4]) - std::stod(rows[m][3]), 1e-6);
        }
    }
}

// The file analysis leaves the levels of all but the last two frames uncomputed, as
// nobody reads them: every result must be what the analyser gives when each frame's
// spectra are computed, bit for bit, whether the file holds one, two or more frames.
TEST_F(FileAnalysisDual, SkippedLevelsChangeNoResult) {
    const size_t w = 320; // 16000 Hz, 100 Hz, Hamming
    for (const size_t frames : {size_t{1}, size_t{2}, size_t{6}}) {
        SCOPED_TRACE(frames);
        testing::EngineFixture skipping, reference;
        for (TAnalyser* a : {skipping.analyser.get(), reference.analyser.get()}) {
            a->sampfreq = 8000; // the file's rate replaces it
            a->bandwidth = 100;
            a->dualchannels = true;
            a->set_ltas(true);
            a->set_sltas(true);
        }
        // Different tones on each channel, with a clipped stretch and a partial frame at
        // the end; the high-pass is on.
        const auto left = two_sines(frames * w + 100, 32, 50.5, 512);
        const auto right = two_sines(frames * w + 100, 20, 70, 512);
        std::vector<short> both(2 * left.size());
        for (size_t i = 0; i < left.size(); ++i) {
            both[2 * i] = i > w && i < w + 20 ? short{32767} : left[i];
            both[2 * i + 1] = static_cast<short>(right[i] / 3);
        }
        const std::string path = temp.file("frames" + std::to_string(frames) + ".wav");
        write_wav16(path, rate, 2, both);
        TSoundFile file(path);
        const TAnalyser& a = *skipping.analyser;
        EXPECT_EQ(analyse_sound_file(*skipping.analyser, file).frames,
                  static_cast<int64_t>(frames));
        EXPECT_TRUE(a.spectra_wanted());

        TAnalyser& r = *reference.analyser;
        r.sampfreq = rate;
        r.prepare_frames();
        ASSERT_EQ(r.inre1.size(), w);
        for (size_t f = 0; f < frames; ++f) {
            TWaveChunk chunk(both.begin() + static_cast<std::ptrdiff_t>(2 * f * w),
                             both.begin() + static_cast<std::ptrdiff_t>(2 * (f + 1) * w));
            bool last = false;
            r.MPCRecord1Fetch(chunk, static_cast<int>(chunk.size()), last);
        }
        EXPECT_EQ(a.outdb1, r.outdb1);
        EXPECT_EQ(a.outdb2, r.outdb2);
        EXPECT_EQ(a.outdb1a, r.outdb1a);
        EXPECT_EQ(a.outdb2a, r.outdb2a);
        EXPECT_EQ(a.inre1a, r.inre1a);
        EXPECT_EQ(a.ltas1, r.ltas1);
        EXPECT_EQ(a.ltas2, r.ltas2);
        EXPECT_EQ(a.excluded, r.excluded);
        std::array<bool, ncurves> all{};
        all.fill(true);
        std::ostringstream got, expected;
        write_curves_csv(a, exported_curves(a, all), got);
        write_curves_csv(r, exported_curves(r, all), expected);
        EXPECT_EQ(got.str(), expected.str());
        // The levels the comparison rests on are the last frame's, not what was there.
        EXPECT_NEAR(a.outdb1[32], 20 * std::log10(4500 * (0.54 + 0.46 / (w - 1))), 0.1);
    }
}

TEST_F(FileAnalysisDual, MonoFileIsRefusedWithoutChanges) {
    TAnalyser& a = *analyser;
    configure(rate, 100);
    a.dualchannels = true;
    write_wav16(temp.file("mono.wav"), 44100, 1, std::vector<short>(4000, 5));
    TSoundFile file(temp.file("mono.wav"));
    EXPECT_THROW(analyse_sound_file(a, file), ESoundFileError);
    EXPECT_EQ(a.sampfreq, rate);
}

class SoundFileInput : public ::testing::Test {
protected:
    TempFolder temp;
    std::string message_of(const std::string& path) {
        try {
            TSoundFile f(path);
        } catch (const ESoundFileError& e) {
            return e.what();
        }
        return "no error";
    }
};

TEST_F(SoundFileInput, FormatsBeyondFullScaleAreClippedAndCounted) {
    std::vector<double> values = {0.5, -0.25, 1.5, -2.0, 0.999, 1.0, -1.0};
    write_sound(temp.file("float.wav"), rate, 1, SF_FORMAT_WAV | SF_FORMAT_FLOAT, values);
    TSoundFile f(temp.file("float.wav"));
    std::vector<int16_t> out(7);
    ASSERT_EQ(f.read(out.data(), 7, 1), 7u);
    EXPECT_EQ(out, (std::vector<int16_t>{16384, -8192, 32767, -32768, 32735, 32767, -32768}));
    EXPECT_EQ(f.clipped(), 3); // 1.5, -2.0 and +1.0 (32768 does not fit)

    write_sound(temp.file("pcm24.flac"), rate, 2, SF_FORMAT_FLAC | SF_FORMAT_PCM_24,
                {0.25, 0.1, -1.0, 0.0, 0.5 + 1.0 / 65536, 0});
    TSoundFile g(temp.file("pcm24.flac"));
    EXPECT_EQ(g.channels(), 2);
    std::vector<int16_t> two(6);
    ASSERT_EQ(g.read(two.data(), 3, 2), 3u);
    EXPECT_EQ(two[0], 8192);
    EXPECT_EQ(two[2], -32768);
    EXPECT_EQ(two[4], 16384); // 16384.5 rounds half to even
    EXPECT_EQ(g.clipped(), 0);
    ASSERT_EQ(g.read(two.data(), 3, 1), 0u);
}

TEST_F(SoundFileInput, SixteenBitValuesComeBackExactly) {
    std::vector<short> v = {0, 1, -1, 32767, -32768, 12345};
    write_wav16(temp.file("x.aiff"), 22050, 1, v);
    TSoundFile f(temp.file("x.aiff"));
    EXPECT_EQ(f.samplerate(), 22050);
    std::vector<int16_t> out(6);
    f.read(out.data(), 6, 1);
    EXPECT_EQ(std::vector<short>(out.begin(), out.end()), v);
    EXPECT_EQ(f.clipped(), 0);
    // Of three channels, the first one or two, read after one another.
    write_wav16(temp.file("three.wav"), 22050, 3, {1, 2, 3, -4, -5, -6, 7, 8, 9});
    TSoundFile g(temp.file("three.wav"));
    std::vector<int16_t> first(4, 0);
    ASSERT_EQ(g.read(first.data(), 1, 1), 1u);
    EXPECT_EQ(first[0], 1);
    ASSERT_EQ(g.read(first.data(), 3, 2), 2u);
    EXPECT_EQ(first, (std::vector<int16_t>{-4, -5, 7, 8}));
}

// The fuzzers read sound files from memory: the same bytes give the same file.
TEST_F(SoundFileInput, AFileInMemoryReadsAsOnDisk) {
    write_sound(temp.file("m.flac"), 22050, 2, SF_FORMAT_FLAC | SF_FORMAT_PCM_16,
                {0.5, -0.5, 0.25, -0.25, 0.125, 0});
    const std::string bytes = test::read_text(temp.file("m.flac"));
    TSoundFile m("in memory", bytes);
    EXPECT_EQ(m.path(), "in memory");
    EXPECT_EQ(m.samplerate(), 22050);
    EXPECT_EQ(m.frames(), 3);
    EXPECT_EQ(m.format_name(), TSoundFile(temp.file("m.flac")).format_name());
    std::vector<int16_t> out(8);
    ASSERT_EQ(m.read(out.data(), 4, 2), 3u);
    out.resize(6);
    EXPECT_EQ(out, (std::vector<int16_t>{16384, -16384, 8192, -8192, 4096, 0}));
    EXPECT_EQ(m.read(out.data(), 4, 2), 0u);
    try {
        TSoundFile junk("junk", bytes.substr(0, 20));
        FAIL() << "no error";
    } catch (const ESoundFileError& e) {
        EXPECT_EQ(std::string(e.what()).rfind("Cannot read 'junk': ", 0), 0u) << e.what();
    }
}

TEST_F(SoundFileInput, UnreadableFilesSayWhy) {
    EXPECT_EQ(message_of(temp.file("missing.wav")),
              "Cannot read '" + temp.file("missing.wav") + "': no such file");
    std::ofstream(temp.file("empty.wav")).close();
    EXPECT_EQ(message_of(temp.file("empty.wav")),
              "Cannot read '" + temp.file("empty.wav") + "': the file is empty");
    std::ofstream(temp.file("text.wav")) << "this is not a sound file\n";
    EXPECT_NE(message_of(temp.file("text.wav")).find("Cannot read '"), std::string::npos);
    write_wav16(temp.file("silent.wav"), rate, 1, {});
    EXPECT_EQ(message_of(temp.file("silent.wav")),
              "'" + temp.file("silent.wav") + "' holds no audio");
    // Not files: refused at once; a FIFO nobody writes to would hang a reader.
    ASSERT_EQ(mkfifo(temp.file("pipe.wav").c_str(), 0600), 0);
    EXPECT_EQ(message_of(temp.file("pipe.wav")),
              "Cannot read '" + temp.file("pipe.wav") +
                  "': it is a FIFO (named pipe), not a sound file");
    std::filesystem::create_directory(temp.file("folder.wav"));
    EXPECT_EQ(message_of(temp.file("folder.wav")),
              "Cannot read '" + temp.file("folder.wav") + "': it is a folder, not a sound file");
}

// A FLAC stream header (42 bytes) that announces `samples` samples at 16 kHz, mono,
// 16 bits, with no audio after it.
std::string flac_header(uint64_t samples) {
    std::string h = "fLaC";
    h += std::string{'\x80', 0, 0, 34};                   // last metadata block: STREAMINFO
    h += std::string{0x10, 0, 0x10, 0, 0, 0, 0, 0, 0, 0}; // block sizes 4096, frame sizes
    const uint64_t bits = (uint64_t{16000} << 44) | (uint64_t{0} << 41) | (uint64_t{15} << 36) |
                          (samples & 0xFFFFFFFFFull);
    for (int shift = 56; shift >= 0; shift -= 8) {
        h.push_back(static_cast<char>(bits >> shift));
    }
    return h + std::string(16, '\0'); // no MD5
}

class SoundFileEnd : public ::testing::Test, public testing::EngineFixture {
protected:
    TempFolder temp;
};

TEST_F(SoundFileEnd, AFileThatEndsEarlySaysSoAndOneWithoutAFrameIsAnError) {
    TAnalyser& a = *analyser;
    configure(rate, 50); // Hamming: 640 samples at 16 kHz
    std::ofstream(temp.file("header.flac"), std::ios::binary) << flac_header(16000);
    TSoundFile header(temp.file("header.flac"));
    ASSERT_EQ(header.frames(), 16000);
    try {
        analyse_sound_file(a, header);
        FAIL() << "a file without one frame of audio was analysed";
    } catch (const ESoundFileError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "'" + temp.file("header.flac") +
                      "' holds no audio that can be read: 0 of the 16000 samples its header "
                      "announces could be read, less than one frame (640 samples)");
    }

    // A whole file cut to a part: what is there is analysed, and the loss is told.
    std::vector<double> tone(16000);
    for (size_t i = 0; i < tone.size(); ++i) {
        tone[i] = 0.5 * std::sin(2 * M_PI * 1000.0 * static_cast<double>(i) / 16000.0);
    }
    write_sound(temp.file("cut.flac"), 16000, 1, SF_FORMAT_FLAC | SF_FORMAT_PCM_16, tone);
    std::filesystem::resize_file(temp.file("cut.flac"),
                                 std::filesystem::file_size(temp.file("cut.flac")) / 2);
    TSoundFile cut(temp.file("cut.flac"));
    const TFileAnalysis r = analyse_sound_file(a, cut);
    EXPECT_EQ(r.announced, 16000);
    EXPECT_GT(r.delivered, 640);
    EXPECT_LT(r.delivered, 12000);
    EXPECT_EQ(r.frames, r.delivered / 640);
    EXPECT_EQ(early_end_text("cut.flac", r),
              "'cut.flac' ended early: " + std::to_string(r.delivered) +
                  " of the 16000 samples its header announces could be read");

    write_sound(temp.file("whole.flac"), 16000, 1, SF_FORMAT_FLAC | SF_FORMAT_PCM_16, tone);
    TSoundFile whole(temp.file("whole.flac"));
    EXPECT_EQ(early_end_text("whole.flac", analyse_sound_file(a, whole)), "");
}

} // namespace
} // namespace zevrin
