// The spectrogram's picture: the newest column is the newest frame's levels through
// the colour map, row by row where the frequency axis places the bins, and the
// reading under the pointer is that frame's level.

#include "audio/virtual_loopback.h"
#include "display/spectrogram_plot.h"
#include "engine/spectrogram_ring.h"
#include "test_application.h"

#include <QImage>

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace zevrin {
namespace {

constexpr double sampfreq = 8000;
constexpr int plot_width = 200;
constexpr int plot_height = 300; // more rows than the 257 bins: each bin its own row

class SpectrogramPlot : public ::testing::Test {
protected:
    SpectrogramPlot() : components(idle), analyser(components) {
        analyser.sampfreq = sampfreq;
        analyser.bandwidth = 50; // 320-sample frames, N = 512
        analyser.dualchannels = true;
        analyser.OnFramesStart = [this] { start_spectrogram(ring, analyser); };
        analyser.OnFrame = [this] { record_spectrogram_frame(ring, analyser); };
        analyser.prepare_frames();
        frequencyaxis.set_Height(plot_height);
        frequencyaxis.set_hilovalues(0, sampfreq / 2);
        timeaxis.set_Position(tposition::posunder);
        timeaxis.set_Width(plot_width);
        plot.resize(plot_width, plot_height);
        plot.set_level_range(lo, hi);
    }

    // A frame of a tone in each channel (1 kHz left, 2.5 kHz right) over noise.
    void feed(double amplitude) {
        TWaveChunk chunk(static_cast<size_t>(components.MPCRecord1.nChunkSamples()));
        for (size_t i = 0; i < chunk.size() / 2; ++i) {
            const double t = static_cast<double>(i) / sampfreq;
            chunk[2 * i] =
                static_cast<int16_t>(amplitude * std::sin(2 * M_PI * 1000 * t) + noise(rng));
            chunk[2 * i + 1] =
                static_cast<int16_t>(0.3 * amplitude * std::sin(2 * M_PI * 2500 * t) + noise(rng));
        }
        bool last = false;
        analyser.MPCRecord1Fetch(chunk, static_cast<int>(chunk.size()), last);
    }

    double level_of(TSpectrogramSource source, size_t m) const {
        switch (source) {
        case TSpectrogramSource::channel1:
            return analyser.outdb1[m];
        case TSpectrogramSource::channel2:
            return analyser.outdb2[m];
        case TSpectrogramSource::difference:
            break;
        }
        return analyser.outdb2[m] - analyser.outdb1[m];
    }

    double bin_frequency(size_t m) const {
        return static_cast<double>(m) * sampfreq / static_cast<double>(analyser.outdb1.size());
    }

    const double lo = -25;
    const double hi = 75;
    TVirtualLoopback idle{TLoopbackClock::manual};
    TAnalyserComponents components;
    TAnalyser analyser;
    TSpectrogramRing ring{1 << 20};
    TAxis frequencyaxis;
    TAxis timeaxis;
    TSpectrogramPlot plot{ring, frequencyaxis, timeaxis};
    std::mt19937 rng{5};
    std::normal_distribution<double> noise{0.0, 30.0};
};

TEST_F(SpectrogramPlot, TheNewestColumnIsTheNewestFramesLevelsThroughTheColourMap) {
    feed(9000);
    feed(4000);
    const tdoublearr previous = analyser.outdb1;
    plot.picture(); // the picture is kept from here on: the next frame is one column
    feed(12000);
    // Around both tones, where neighbouring bins differ most, and in the noise.
    const std::vector<size_t> bins = {62, 63, 64, 65, 66, 158, 159, 160, 161, 162, 7, 120, 240};
    for (TColorMap map : {TColorMap::viridis, TColorMap::grey}) {
        plot.set_color_map(map);
        for (TSpectrogramSource source :
             {TSpectrogramSource::channel1, TSpectrogramSource::channel2,
              TSpectrogramSource::difference}) {
            plot.set_source(source);
            const QImage picture = plot.picture();
            for (size_t m : bins) {
                const int row = frequencyaxis.value_to_pixel(bin_frequency(m));
                const TRgb want = color_map_rgb(map, (level_of(source, m) - lo) / (hi - lo));
                const QColor got = picture.pixelColor(plot_width - 1, row);
                const std::string where = std::string(color_map_names[size_t(map)]) + " source " +
                                          std::to_string(int(source)) + " bin " +
                                          std::to_string(m) + " row " + std::to_string(row);
                EXPECT_NEAR(got.red(), want.r, 1) << where;
                EXPECT_NEAR(got.green(), want.g, 1) << where;
                EXPECT_NEAR(got.blue(), want.b, 1) << where;
            }
        }
    }
    // The column before is the frame before.
    plot.set_source(TSpectrogramSource::channel1);
    const QImage picture = plot.picture();
    const int row = frequencyaxis.value_to_pixel(bin_frequency(64));
    const TRgb want = color_map_rgb(TColorMap::grey, (previous[64] - lo) / (hi - lo));
    EXPECT_NEAR(picture.pixelColor(plot_width - 2, row).red(), want.r, 1);

    // The reading under the pointer: the bin's frequency and the frame's level.
    for (size_t m : {64u, 100u}) {
        const int y = frequencyaxis.value_to_pixel(bin_frequency(m));
        const TSpectrogramReading r = plot.reading_at(plot_width - 1, y);
        ASSERT_TRUE(r.valid);
        EXPECT_NEAR(r.level, analyser.outdb1[m], 0.005);
        EXPECT_NEAR(r.frequency, bin_frequency(m), sampfreq / 2 / (plot_height - 1));
    }
    // Left of the three frames there is nothing.
    EXPECT_FALSE(plot.reading_at(plot_width - 4, 10).valid);
}

} // namespace
} // namespace zevrin
