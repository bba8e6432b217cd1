#pragma once
// What the plots of the transfer function window draw and measure, free of window
// code: a series of points with increasing x, and the two measurement cursors that
// stand on a series' points.
//
// The cursors behave as those of the spectrum plot: a press of the left button puts
// both where the pointer is, a drag moves the second while the first stays. Each
// stands on the point of its series nearest the pointer's x; the series is the one
// whose point there lies nearest the pointer when the button goes down. The readout
// reads the values again at every repaint, so it follows the curves while they change.

#include "dsp/types.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zevrin {

struct TPlotSeries {
    std::string name;
    const double* x = nullptr; ///< increasing
    const double* y = nullptr; ///< NaN: no value there
    size_t count = 0;
    uint32_t color = 0; ///< 0x00BBGGRR
};

/// The index of the first point at or after x (count when none): the series' x rise.
size_t first_point_from(const TPlotSeries& s, double x);

/// The index of the point whose x lies nearest `x` and whose y is a number; `count`
/// when there is none.
size_t nearest_point(const TPlotSeries& s, double x);

/// The smallest and largest value of the series' points; false when none has one.
bool value_range(const TPlotSeries& s, double& lo, double& hi);

/// Widens lo and hi outwards to multiples of `step`, at least `minspan` apart, and
/// raises lo to keep them at most `maxspan` apart (a deep floor matters less than the
/// top of a curve).
void nice_range(double& lo, double& hi, double step, double minspan, double maxspan);

struct TPlotCursors {
    bool shown = false;
    size_t series = 0;  ///< which series they measure
    double downx = 0.0; ///< the first cursor's x, where the button went down
    double x = 0.0;     ///< the second cursor's x
};

/// The button goes down at (x, y): both cursors there, on the series whose point
/// nearest x lies nearest y. Nothing is shown when no series has a point.
void cursor_press(TPlotCursors& c, const std::vector<TPlotSeries>& series, double x, double y);
/// A drag to x: the second cursor follows.
void cursor_drag(TPlotCursors& c, double x);

/// Where a cursor stands now: on a point of its series, with that point's values.
struct TCursorPoint {
    bool valid = false;
    double x = 0.0;
    double y = 0.0;
};
TCursorPoint cursor_point(const TPlotCursors& c, const std::vector<TPlotSeries>& series, double at);

/// How a plot's values are written in the readout.
struct TPlotUnits {
    const char* xname = "f"; ///< "f1=...", "f2=..."
    const char* xunit = "Hz";
    const char* xpicture = "0.0"; ///< format_float picture
    const char* yunit = "dB";
    const char* ypicture = "0.0";
};

/// The readout: "f1=100.0 Hz, f2=1000.0 Hz, f2-f1=900.0 Hz, f2/f1=10.000" and the
/// series' "Magnitude 1.0 dB, -2.0 dB, Diff -3.0 dB" (the ratio left out when x1 is
/// 0); empty when the cursors are not shown or stand on no point.
std::string cursor_readout(const TPlotCursors& c, const std::vector<TPlotSeries>& series,
                           const TPlotUnits& units);

} // namespace zevrin
