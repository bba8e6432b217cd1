#pragma once
// The curve list: 19 entries, 0 the background and 1 to 18 the spectrum curves, with
// their names, default colours, the state in which each is drawn, the order of drawing,
// and the level of each point as the spectrum plot computes it. The plot, the
// measurement cursors and the curve export all read the curves through this.

#include "engine/analyser.h"

#include <array>
#include <cstdint>

namespace zevrin {

inline constexpr int ncurves = 19;

/// The names of the settings dialog's colour list, by curve number.
extern const std::array<const char*, ncurves> curve_names;
/// Default colours, 0x00BBGGRR.
extern const std::array<uint32_t, ncurves> default_curve_colors;

/// The curve's condition in the curve table holds (ignoring its visibility flag).
bool curve_condition(const TAnalyser& a, int curve);

/// The curves to draw, in drawing order, given the visibility flags; returns how many
/// were written to `order`.
int curves_to_draw(const TAnalyser& a, const std::array<bool, ncurves>& showcurve,
                   std::array<int, ncurves>& order);

/// The level in dB of points 0 .. count-1 of a curve (point i stands for spectrum
/// entry i). A value that cannot be computed (the logarithm of 0, a division by 0) is
/// NaN; the plot places such a point far outside. Returns false when the curve has
/// nothing to draw at all (an SLTAS staircase with no partial of its kind).
/// `values` must hold at least `count` entries; nothing is allocated.
bool curve_levels(const TAnalyser& a, int curve, size_t count, tdoublearr& values);

} // namespace zevrin
