// The copied image's plan (the cursor log is tested on the window's clipboard).

#include "output/copy_image_plan.h"

#include <gtest/gtest.h>

namespace zevrin {
namespace {

// Every text 8 pixels wide a character and 13 high.
TextExtent measure(const std::string& text) {
    return {8 * static_cast<int>(text.size()), 13};
}

std::vector<AxisTick> ticks(std::initializer_list<int> positions) {
    std::vector<AxisTick> out;
    for (int p : positions) {
        out.push_back({0.0, p, std::to_string(p)});
    }
    return out;
}

TCopyImageInput window_view(bool showwave) {
    TCopyImageInput in;
    in.heading = "BW: 50Hz Hamming, 40 ms 12 frames";
    in.showwave = showwave;
    in.wavewidth = in.plotwidth = 400;
    in.waveheight = 60;
    in.taxisheight = in.xaxisheight = 25;
    in.plotheight = in.yaxisheight = 300;
    in.yaxiswidth = 37;
    in.tticks = ticks({0, 200, 399});
    in.yticks = ticks({299, 150, -8, 0});
    in.xticks = ticks({0, 100, 390, 400});
    return in;
}

TEST(CopyImage, SizeBandsAndTicks) {
    const TCopyImagePlan wave = plan_copy_image(window_view(true), measure);
    EXPECT_EQ(wave.width, 437);
    EXPECT_EQ(wave.height, 60 + 25 + 300 + 25 + 13);
    EXPECT_EQ(wave.heading.x, 37);
    EXPECT_EQ(wave.waverect.top, 13);
    EXPECT_EQ(wave.plotrect.top, 13 + 60 + 25);
    // Hidden, the waveform keeps its room, blank at the bottom.
    const TCopyImagePlan hidden = plan_copy_image(window_view(false), measure);
    EXPECT_EQ(hidden.height, wave.height);
    EXPECT_FALSE(hidden.wave);
    EXPECT_EQ(hidden.plotrect.top, 13);
    EXPECT_EQ(hidden.plotrect.bottom + 25 + 60 + 25, hidden.height);
    // n ticks draw n - 1 rules: 2 time, 3 level and 3 frequency ticks.
    EXPECT_EQ(wave.ticks.size(), 2u + 3u + 3u);
    EXPECT_EQ(hidden.ticks.size(), 3u + 3u);
    const TPageLine& first_time = wave.ticks[0];
    EXPECT_EQ(first_time.from.x, 37);
    EXPECT_EQ(first_time.from.y, 13 + 60);
    EXPECT_EQ(first_time.to.y, 13 + 60 + 2); // 3 pixels
    // Labels: the level label at -8 would begin above the image; the frequency label
    // "390" would end at 37 + 390 + 12 = 439, past the image's right edge.
    std::vector<std::string> labels;
    for (const TPageText& t : hidden.labels) {
        labels.push_back(t.text);
    }
    EXPECT_EQ(labels, (std::vector<std::string>{"299", "150", "0", "100"}));
    const TCopyImagePlan one = [] {
        TCopyImageInput in = window_view(false);
        in.xticks = ticks({10});
        in.yticks = ticks({10});
        return plan_copy_image(in, measure);
    }();
    EXPECT_TRUE(one.ticks.empty());
    EXPECT_TRUE(one.labels.empty());
}

} // namespace
} // namespace zevrin
