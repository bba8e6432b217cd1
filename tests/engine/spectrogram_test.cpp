// The spectrogram's computations without a window: the colour maps against their
// published tables, and the ring's levels as kept and read back.

#include "engine/color_maps.h"
#include "engine/spectrogram_ring.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace zevrin {
namespace {

void expect_near_colour(TRgb got, TRgb want, int tolerance, const char* where) {
    EXPECT_NEAR(got.r, want.r, tolerance) << where;
    EXPECT_NEAR(got.g, want.g, tolerance) << where;
    EXPECT_NEAR(got.b, want.b, tolerance) << where;
}

double luminance(TRgb c) {
    return 0.299 * c.r + 0.587 * c.g + 0.114 * c.b;
}

// The values of matplotlib's tables at their ends and middle (#440154, #21918c,
// #fde725 and #000004, #b73779, #fcfdbf).
TEST(ColorMaps, FollowThePublishedTablesAndBrightenSteadily) {
    expect_near_colour(color_map_rgb(TColorMap::viridis, 0.0), {68, 1, 84}, 4, "viridis 0");
    expect_near_colour(color_map_rgb(TColorMap::viridis, 0.5), {33, 145, 140}, 4, "viridis 0.5");
    expect_near_colour(color_map_rgb(TColorMap::viridis, 1.0), {253, 231, 37}, 4, "viridis 1");
    expect_near_colour(color_map_rgb(TColorMap::magma, 0.0), {0, 0, 4}, 4, "magma 0");
    expect_near_colour(color_map_rgb(TColorMap::magma, 0.5), {183, 55, 121}, 4, "magma 0.5");
    expect_near_colour(color_map_rgb(TColorMap::magma, 1.0), {252, 253, 191}, 6, "magma 1");
    EXPECT_EQ(color_map_rgb(TColorMap::grey, 0.5), (TRgb{128, 128, 128}));
    EXPECT_EQ(color_map_rgb(TColorMap::grey, 7.0), (TRgb{255, 255, 255}));
    EXPECT_EQ(color_map_rgb(TColorMap::viridis, std::nan("")),
              color_map_rgb(TColorMap::viridis, 0));
    // A higher level is always a brighter colour: the brightest pixel is the loudest.
    for (TColorMap map : {TColorMap::viridis, TColorMap::magma, TColorMap::grey}) {
        for (int i = 1; i <= 64; ++i) {
            EXPECT_GT(luminance(color_map_rgb(map, i / 64.0)),
                      luminance(color_map_rgb(map, (i - 1) / 64.0)))
                << color_map_names[static_cast<size_t>(map)] << " at " << i;
        }
    }
}

TEST(SpectrogramRing, KeepsLevelsToAHundredthOfADecibelAndTheNewestWhenFull) {
    // Two columns of two channels of three bins each.
    TSpectrogramRing ring(2 * 2 * 3 * sizeof(int16_t));
    ring.start(3, 2, 8000, 0.04);
    EXPECT_EQ(ring.capacity(), 2u);
    EXPECT_DOUBLE_EQ(ring.bin_frequency(2), 4000);
    const std::vector<double> left = {-3250, 12.344, 60.0};
    const std::vector<double> right = {0.0, 12.346, 1000.0};
    ring.add(left.data(), right.data());
    EXPECT_EQ(ring.level_units(0, TSpectrogramSource::channel1, 0), -32768);
    EXPECT_EQ(ring.level_units(0, TSpectrogramSource::channel1, 1), 1234);
    EXPECT_EQ(ring.level_units(0, TSpectrogramSource::channel2, 1), 1235);
    EXPECT_EQ(ring.level_units(0, TSpectrogramSource::channel2, 2), 32767);
    EXPECT_EQ(ring.level_units(0, TSpectrogramSource::difference, 1), 1);
    EXPECT_EQ(ring.level_units(0, TSpectrogramSource::difference, 0), 32768);
    for (int k = 1; k < 5; ++k) {
        const std::vector<double> l = {double(k), 0, 0};
        ring.add(l.data(), right.data());
    }
    EXPECT_EQ(ring.count(), 5);
    EXPECT_EQ(ring.first(), 3);
    EXPECT_EQ(ring.level_units(3, TSpectrogramSource::channel1, 0), 300);
    EXPECT_EQ(ring.level_units(4, TSpectrogramSource::channel1, 0), 400);
    // A start in another shape forgets everything and divides the same memory anew.
    const uint64_t generation = ring.generation();
    ring.start(2, 1, 8000, 0.04);
    EXPECT_EQ(ring.count(), 0);
    EXPECT_EQ(ring.capacity(), 6u);
    EXPECT_GT(ring.generation(), generation);
    EXPECT_FALSE(ring.shows(TSpectrogramSource::difference));
}

} // namespace
} // namespace zevrin
