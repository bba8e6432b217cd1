#pragma once
// What an axis draws, in pixels: the caption, one line per tick and the labels that
// fit. Computed from the tick layout and measured text sizes, without a window.

#include "display/axis_scale.h"
#include "display/tick_layout.h"

#include <string>
#include <vector>

namespace zevrin {

struct PixelRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

/// A text placed by its top-left corner; `tick` is the index of the tick whose label
/// it is.
struct PlacedLabel {
    int x = 0;
    int y = 0;
    int tick = 0;
};

struct AxisPictureInput {
    tposition position = tposition::posleft;
    int width = 200;
    int height = 200;
    int tick_mark_size = 5;
    std::string caption;
};

struct AxisPicture {
    /// The edge of the tick lines on the plot's side, across the axis.
    int base = 0;
    /// Where the caption begins: labels stay below it (vertical) or left of it.
    int axistextposition = 0;
    bool caption_shown = false;
    int caption_x = 0;
    int caption_y = 0;
    std::vector<PixelRect> tick_lines;
    std::vector<PlacedLabel> labels;
};

/// Places the caption, every tick line, and each label the tick layout kept that lies
/// wholly inside the axis and clear of the caption; the layout has already left out
/// the labels that would overlap. An empty caption takes no room.
void plan_axis_picture(const AxisPictureInput& in, const std::vector<AxisTick>& ticks,
                       const TextMeasure& measure, AxisPicture& out);

} // namespace zevrin
