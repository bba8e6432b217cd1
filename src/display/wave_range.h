#pragma once
// The vertical range of the waveform panel: the full 16-bit range, or stretched so
// that the largest sample of the frames shown fills the panel, up to a largest gain.
// Qt-free, so that the rule is tested without a window.

#include "engine/analyser.h"

#include <string>

namespace zevrin {

struct TWaveRange {
    int top = 32767;     ///< the value at the top edge
    int bottom = -32768; ///< the value at the bottom edge
    double wavegain = 1.0;
};

/// The range for the frames the panel shows now: the current frame of each channel
/// and, while frozen, the frozen ones. A gain that is not a positive number (a largest
/// gain of 0 or less) keeps its value for the gain text but leaves the range
/// unstretched.
TWaveRange wave_range(const TAnalyser& a);

/// "Gain=" and the gain in dB with one decimal and " dB", or "Gain= ? dB" when the gain
/// has no level.
std::string gain_text(double wavegain);

} // namespace zevrin
