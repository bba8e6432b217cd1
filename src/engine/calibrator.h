#pragma once
// Calibration with a sound calibrator on the microphone: the running input's level at
// the calibrator's frequency, measured over a few frames, gives the offset that makes
// the analyser read the calibrator's level there.
//
// A frame's level is read as the cursors read a peak: the highest bin near the
// calibrator's frequency, refined by the parabola through it and its neighbours, so
// that after calibration a cursor snapped to the tone shows the calibrator's level.
// The input is refused when any frame is clipped, when its loudest samples stay below
// 1/1000 of full scale, or when it is not one steady tone near that frequency: most of
// the power within a few bins of the peak, and the peak's level and frequency the same
// in every frame.

#include "dsp/types.h"
#include "engine/mic_correction.h"

#include <cstddef>
#include <string>
#include <vector>

namespace zevrin {

class TAnalyser;

struct TCalibratorTarget {
    double level = 94.0;       ///< in the calibration's unit
    double frequency = 1000.0; ///< Hz
};

/// What one frame shows of the tone.
struct TCalibratorFrame {
    double level = 0.0;        ///< dB, uncalibrated
    double frequency = 0.0;    ///< Hz, of the refined peak
    double tonefraction = 0.0; ///< the share of the frame's power near the peak
    int peak = 0;              ///< the largest magnitude of a sample, 32767 or more: clipped
};

struct TCalibratorResult {
    bool ok = false;
    double offset = 0.0; ///< what the channel's offset should be
    double level = 0.0;  ///< the tone's mean uncalibrated level, dB
    double frequency = 0.0;
    std::string message; ///< why the input was refused
};

/// The smallest peak sample that a calibrator's tone may have.
inline constexpr int calibrator_min_peak = 33;
/// The largest spread of the frames' levels, dB.
inline constexpr double calibrator_max_spread = 0.5;

/// The tone in the first n/2 + 1 entries of a spectrum in dB of an N-point FFT.
TCalibratorFrame calibrator_frame(const double* db, size_t n, double sampfreq, double frequency,
                                  int peak);

/// The offset from the frames; `correction` is the microphone correction at the
/// calibrator's frequency, which the calibrated level takes away.
TCalibratorResult calibrator_result(const std::vector<TCalibratorFrame>& frames,
                                    const TCalibratorTarget& target, double correction);

/// A measurement on the running analyser, one frame at a time.
class TCalibratorRun {
public:
    /// Starts measuring `channel` (0 mono or left, 1 right) over `frames` frames.
    void start(int channel, const TCalibratorTarget& target, int frames = 8);
    void cancel() { fwanted = 0; }
    bool running() const { return fwanted > 0 && ftaken.size() < fwanted; }
    bool done() const { return fwanted > 0 && ftaken.size() >= fwanted; }
    int channel() const { return fchannel; }
    /// Takes the analyser's current spectrum of the channel; allocates nothing.
    void add(const TAnalyser& a);
    /// The outcome once done(), with the channel's microphone correction.
    TCalibratorResult result(const TMicCorrection& correction) const;

private:
    int fchannel = 0;
    TCalibratorTarget ftarget;
    size_t fwanted = 0;
    std::vector<TCalibratorFrame> ftaken;
};

} // namespace zevrin
