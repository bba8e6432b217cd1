#pragma once
// The printed page, planned in the printer's device units before anything is drawn:
// the plot's frame, the logo's place, the title line, the units, the ticks of both
// axes with their labels, the facts block and every curve. All that can fail or
// needs a decision is done here, free of Qt; the painter only draws what the plan
// holds, so a job that begins is never left with half a page.
//
// Texts are placed by their top-left corner. Rounding is to the nearest integer,
// halves to even.

#include "display/axis_scale.h"
#include "display/tick_layout.h"
#include "engine/curves.h"
#include "output/shapes.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace zevrin {

/// What the page takes from an axis of the window: its mapping and its ticks (value,
/// the axis's own label).
struct TPageAxis {
    AxisScale scale;
    std::vector<AxisTick> ticks;
};

/// The plot's rectangle: from (L, T) to (L + W, T + H); lh is the line height.
struct TPageFrame {
    int lh = 0;
    int T = 0;
    int L = 0;
    int W = 0;
    int H = 0;
};

/// One curve as a polyline in its colour (0x00BBGGRR) and pen width.
struct TPageCurve {
    int curve = 0;
    uint32_t color = 0;
    int width = 1;
    std::vector<TPagePoint> points;
};

struct TPageInput {
    int width = 0; ///< the page in device units
    int height = 0;
    std::string jobtitle;
    std::vector<std::string> facts;
    TPageAxis xaxis;
    TPageAxis yaxis;
    bool gridlines = true;
    std::string levelunit = "[dB]"; ///< the level axis's unit label
    int logowidth = 150;
    int logoheight = 100;
};

struct TPagePlan {
    TPageFrame frame;
    TPageRect logo;
    int framepen = 5; ///< the frame's pen; the ticks use tickpen
    int tickpen = 2;
    std::vector<TPageLine> ticklines;
    /// Title, units, tick labels and facts, in drawing order.
    std::vector<TPageText> texts;
    std::vector<TPageCurve> curves;
};

/// The frame of the plot on a page of `width` by `height` for a line height lh.
TPageFrame page_frame(int width, int height, int lh);

/// Everything but the curves. `measure` gives the extent of a text in the printer's
/// font, in device units. Level labels are the ticks' values, each drawn only where it
/// lies wholly above the last one drawn; frequency labels are the axis's own, each
/// drawn only where it keeps a blank's width from the last one drawn.
TPagePlan plan_page(const TPageInput& in, const TextMeasure& measure);

/// The curves as the page draws them, in the page's order (frozen, current, LTAS, SLTAS
/// on the used partials, SLTAS on the unused ones), each with its pen width. Point k
/// (k = 1 .. N/2; DC is left out) of an N-point spectrum stands at k × sampfreq / N
/// like the screen plot's; a point whose level cannot be computed lies at
/// T + 100 × H, far below the page, so that the line dives out of the frame.
std::vector<TPageCurve> page_curves(const TAnalyser& a, const std::array<bool, ncurves>& showcurve,
                                    const std::array<uint32_t, ncurves>& linecolor,
                                    const TPageFrame& frame, const AxisScale& xscale,
                                    const AxisScale& yscale);

/// The points of a polyline with each run of points in one column (x) cut down to its
/// first, highest, lowest and last point in their order: the same strokes, with at
/// most four points per column however many the curve has.
void reduce_columns(std::vector<TPagePoint>& points);

} // namespace zevrin
