#pragma once
// The two measurement cursors of the spectrum plot, free of window code: where they
// stand, the level each reads from the measured curve (snapped to the nearest peak and
// refined by parabolic interpolation when asked), the readout of the second status
// bar with its tab-separated copy, and the Measure menu's curve items.
//
// Bin m of an N-point spectrum lies at m × sampfreq / N; a cursor on a curve stands
// on a bin (or between bins when interpolated) and reports that frequency.

#include "engine/analyser.h"
#include "engine/curves.h"
#include "engine/reference_curve.h"

#include <array>
#include <cstdint>
#include <string>

namespace zevrin {

/// The level a cursor reads where the curve gives none: far below any plot.
inline constexpr double failed_level = -500.0;

struct TCursors {
    double measurefreq = 0.0;      ///< second cursor, f2, Hz
    double measurelevel = 0.0;     ///< its level, dB
    double measuredownfreq = 0.0;  ///< first cursor, f1, set where the button went down
    double measuredownlevel = 0.0; ///< its level, dB
    /// The event being handled is the button press: both cursors move.
    bool mousewasjustpressed = false;
};

/// A pointer event over the plot. `f` and `pointerlevel` are the axes' values at the
/// pointer. Only with the left button held do the cursors measure; the press flag is
/// spent in every case.
void cursor_event(TAnalyser& a, TCursors& c, bool leftbutton, double f, double pointerlevel);

/// One measurement at frequency f on the measured curve (or freehand at
/// `pointerlevel`): sets a.domeasure, and when it holds the second cursor, and the
/// first one too after a press. Without a valid bin (no spectrum yet, a curve that
/// cannot be measured, a frequency outside the spectrum) nothing but domeasure changes.
void measure_at(TAnalyser& a, TCursors& c, double f, double pointerlevel);

struct TReadout {
    std::string a;       ///< the frequencies; empty only while "Measure" is off
    std::string b;       ///< the levels; empty when they are not shown
    uint32_t bcolor = 0; ///< colour of b, 0x00BBGGRR: the measured curve's, black freehand
    /// The readout as tab-separated numbers (two or four), empty without levels.
    std::string clipboardstr;
};

/// The readout of the cursors as the second status bar shows it. The levels are shown
/// only while the capture device is closed, the cursors hold a measurement and the
/// measured curve is shown.
TReadout measurement_readout(const TAnalyser& a, const TCursors& c,
                             const std::array<bool, ncurves>& showcurve,
                             const std::array<uint32_t, ncurves>& linecolor);

/// The cursors on a reference curve (engine/reference_curve.h), after a freehand
/// measurement placed them: each reads the reference's last curve at its frequency,
/// or failed_level where it has none. `pressed`: both cursors were placed.
void measure_reference_at(const TReferenceCurve& r, TCursors& c, bool pressed);

/// The readout of freehand cursors on a reference: its levels named after it
/// ("room levels 60.0 dB, ...") and in the reference's colour.
void name_reference_readout(TReadout& r, const std::string& name, uint32_t color);

/// A curve item of the Measure menu.
struct TMeasureItem {
    const char* name;    ///< the menu item's name, such as "MeasureLeftLTAS"
    const char* caption; ///< its text, such as "Left LTAS"
    int curve;           ///< the curve it selects; 0 is freehand
};

/// In menu order; the first is "Freehand".
extern const std::array<TMeasureItem, 16> measure_items;

/// The item of `curve` is shown: freehand always, a curve while it is shown and fits
/// the number of channels.
bool measure_item_visible(int curve, const std::array<bool, ncurves>& showcurve, bool dualchannels);

} // namespace zevrin
