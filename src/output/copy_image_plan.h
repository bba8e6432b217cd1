#pragma once
// "Copy image": one bitmap of the window's view, planned in screen pixels without Qt.
// From the top: a heading row with the first status bar's first two texts, the
// waveform band (the waveform panel framed, the time axis's ticks and labels below
// it), the spectrum band (the plot framed, the level axis's ticks and labels at its
// left) and the frequency axis's ticks and labels. The bitmap always has room for the
// waveform band; while the panel is hidden that room stays blank at the bottom.
//
// Every axis draws all its ticks but the last, which a tick layout may place past the
// end, with the labels that the axis shows; a frequency or time label is left out where it would
// reach the image's right edge, a level label where its top would not lie below the image's top.

#include "display/tick_layout.h"
#include "output/shapes.h"

#include <string>
#include <vector>

namespace zevrin {

struct TCopyImageInput {
    std::string heading;
    bool showwave = true;
    int wavewidth = 0; ///< the waveform panel, PaintBox2
    int waveheight = 0;
    int taxisheight = 0;
    int plotwidth = 0; ///< the spectrum plot, PaintBox1
    int plotheight = 0;
    int yaxiswidth = 0;
    int yaxisheight = 0;
    int xaxisheight = 0;
    /// Ticks of the time, level and frequency axes: positions in pixels along them.
    std::vector<AxisTick> tticks;
    std::vector<AxisTick> yticks;
    std::vector<AxisTick> xticks;
};

struct TCopyImagePlan {
    int width = 0;
    int height = 0;
    TPageText heading;
    bool wave = false;
    /// Where the panels' pixels go; each is framed by a one-pixel black line on its
    /// outermost pixels.
    TPageRect waverect;
    TPageRect plotrect;
    std::vector<TPageLine> ticks;
    std::vector<TPageText> labels;
};

/// `measure` gives text extents in the frequency axis's font, which all texts use.
TCopyImagePlan plan_copy_image(const TCopyImageInput& in, const TextMeasure& measure);

} // namespace zevrin
