#include "output/copy_image_plan.h"

namespace zevrin {

namespace {

// A tick of 3 pixels down from `y`, and its label centred below it if it ends left of
// the image's right edge.
void horizontal_tick(TCopyImagePlan& plan, const TextMeasure& measure, int x, int y,
                     const std::string& text) {
    plan.ticks.push_back({{x, y}, {x, y + 2}});
    if (text.empty()) {
        return;
    }
    const int width = measure(text).width;
    const int left = x - width / 2;
    if (left + width < plan.width) {
        plan.labels.push_back({left, y + 4, text});
    }
}

void horizontal_ticks(TCopyImagePlan& plan, const TextMeasure& measure,
                      const std::vector<AxisTick>& ticks, int x0, int y) {
    for (size_t i = 0; i + 1 < ticks.size(); ++i) {
        horizontal_tick(plan, measure, ticks[i].position + x0, y, ticks[i].text);
    }
}

void level_ticks(TCopyImagePlan& plan, const TextMeasure& measure,
                 const std::vector<AxisTick>& ticks, int x0, int y) {
    for (size_t i = 0; i + 1 < ticks.size(); ++i) {
        const int yy = ticks[i].position + y;
        plan.ticks.push_back({{x0 - 3, yy}, {x0 - 1, yy}});
        const TextExtent e = measure(ticks[i].text);
        const int top = yy - e.height / 2;
        if (top > 0 && !ticks[i].text.empty()) {
            plan.labels.push_back({x0 - e.width - 4, top, ticks[i].text});
        }
    }
}

} // namespace

TCopyImagePlan plan_copy_image(const TCopyImageInput& in, const TextMeasure& measure) {
    TCopyImagePlan plan;
    const int h0 = measure("Hejhopp").height;
    const int x0 = in.yaxiswidth;
    plan.width = in.plotwidth + in.yaxiswidth;
    plan.height = in.waveheight + in.taxisheight + in.plotheight + in.xaxisheight + h0;
    plan.heading = {x0, 0, in.heading};
    int y = h0;
    plan.wave = in.showwave;
    if (in.showwave) {
        plan.waverect = {x0, y, x0 + in.wavewidth, y + in.waveheight};
        y += in.waveheight;
        horizontal_ticks(plan, measure, in.tticks, x0, y);
        y += in.taxisheight;
    }
    plan.plotrect = {x0, y, x0 + in.plotwidth, y + in.plotheight};
    level_ticks(plan, measure, in.yticks, x0, y);
    y += in.yaxisheight;
    horizontal_ticks(plan, measure, in.xticks, x0, y);
    return plan;
}

} // namespace zevrin
