#include "display/axis_picture.h"

namespace zevrin {

namespace {

int base_line(const AxisPictureInput& in) {
    switch (in.position) {
    case tposition::posleft:
        return in.width - in.tick_mark_size;
    case tposition::posover:
        return in.height - in.tick_mark_size;
    default:
        return 0;
    }
}

void plan_vertical(const AxisPictureInput& in, const std::vector<AxisTick>& ticks,
                   const TextMeasure& measure, const TextExtent& caption, AxisPicture& out) {
    out.caption_x = in.position == tposition::posleft ? 0 : in.width - caption.width;
    out.caption_y = 0;
    out.axistextposition = caption.height;
    for (std::size_t i = 0; i < ticks.size(); ++i) {
        const AxisTick& t = ticks[i];
        out.tick_lines.push_back(PixelRect{out.base, t.position, in.tick_mark_size, 1});
        if (t.text.empty()) {
            continue;
        }
        const TextExtent e = measure(t.text);
        const int y = t.position - e.height / 2;
        if (y >= out.axistextposition && t.position + e.height / 2 < in.height) {
            const int x = in.position == tposition::posright
                              ? in.tick_mark_size + 1
                              : out.base - in.tick_mark_size - e.width;
            out.labels.push_back(PlacedLabel{x, y, static_cast<int>(i)});
        }
    }
}

void plan_horizontal(const AxisPictureInput& in, const std::vector<AxisTick>& ticks,
                     const TextMeasure& measure, const TextExtent& caption, AxisPicture& out) {
    out.caption_x = in.width - caption.width;
    out.caption_y = in.position == tposition::posover ? out.base - caption.height
                                                      : out.base + in.tick_mark_size;
    out.axistextposition = in.width - caption.width;
    for (std::size_t i = 0; i < ticks.size(); ++i) {
        const AxisTick& t = ticks[i];
        out.tick_lines.push_back(PixelRect{t.position, out.base, 1, in.tick_mark_size});
        if (t.text.empty()) {
            continue;
        }
        const TextExtent e = measure(t.text);
        const int x = t.position - e.width / 2;
        if (x >= 0 && t.position + e.width / 2 < out.axistextposition) {
            const int y = in.position == tposition::posover ? out.base - e.height
                                                            : out.base + in.tick_mark_size;
            out.labels.push_back(PlacedLabel{x, y, static_cast<int>(i)});
        }
    }
}

} // namespace

void plan_axis_picture(const AxisPictureInput& in, const std::vector<AxisTick>& ticks,
                       const TextMeasure& measure, AxisPicture& out) {
    out.tick_lines.clear();
    out.labels.clear();
    out.base = base_line(in);
    out.caption_shown = !in.caption.empty();
    const TextExtent caption = out.caption_shown ? measure(in.caption) : TextExtent{};
    if (is_vertical(in.position)) {
        plan_vertical(in, ticks, measure, caption, out);
    } else {
        plan_horizontal(in, ticks, measure, caption, out);
    }
}

} // namespace zevrin
