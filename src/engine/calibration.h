#pragma once
// Calibrated levels: per channel an offset in dB and a microphone correction, and the
// unit the calibrated levels are in. A curve's calibrated level is its level plus its
// channel's offset minus its channel's correction at that frequency; an L-R curve,
// the right level over the left, takes the difference of the two channels' offsets
// and corrections. Channel 0 is the mono or the left channel, channel 1 the right.
//
// With both offsets 0 and no correction nothing is added anywhere: every level, and
// every number written from it, is what it is without calibration.
//
// The corrections are evaluated once per bin for an N-point spectrum at a sampling
// frequency and kept until N, the frequency or a correction changes, so that the
// readers (the plot on every paint) only add. GUI thread only.

#include "dsp/types.h"
#include "engine/mic_correction.h"

#include <array>
#include <cstddef>
#include <string>

namespace zevrin {

enum class TLevelUnit { dB, dBSPL, dBV, dBFS };
inline constexpr int nlevelunits = 4;

/// "dB", "dB SPL", "dBV", "dBFS".
const char* level_unit_name(TLevelUnit unit);

/// The channel whose calibration a curve takes: 0 or 1, or -1 for the L-R curves
/// (10, 14, 18), -2 for none (the background, numbers outside the list).
int curve_channel(int curve);

struct TChannelCalibration {
    double offset = 0.0; ///< dB added to every level
    TMicCorrection correction;
    std::string correctionfile; ///< where the correction came from; empty: none
};

class TCalibration {
public:
    TLevelUnit unit = TLevelUnit::dB;
    std::array<TChannelCalibration, 2> channels;

    /// Reads the correction file at `path` for `channel` (empty: none); on
    /// EMicCorrectionError nothing changes.
    void set_correction(int channel, const std::string& path);

    /// Any offset or correction is set: levels are calibrated.
    bool active() const;
    /// The curve's levels change with the calibration.
    bool affects(int curve) const;
    /// The level axis's unit label: "[dB]", or "[dB SPL]" and so on while active.
    std::string axis_text() const;
    /// The unit as the readout writes it after a level: "dB" while not active.
    std::string unit_text() const;

    /// Evaluates the corrections at the bins of an N-point spectrum at `sampfreq` unless
    /// they are evaluated for these already. Allocates only when something changed.
    void prepare(size_t n, double sampfreq) const;
    /// What the curve's level at bin m gains; prepare() first.
    double bin_adjustment(int curve, size_t m) const;
    /// What the curve's level at frequency f gains, interpolating the corrections.
    double adjustment_at(int curve, double f) const;
    /// After a correction changed: its bins are evaluated again at the next prepare().
    void corrections_changed() { fbins = static_cast<size_t>(-1); }

private:
    double channel_bin(int channel, size_t m) const;
    double channel_at(int channel, double f) const;

    mutable std::array<tdoublearr, 2> ftable;
    mutable size_t fbins = static_cast<size_t>(-1);
    mutable double fsampfreq = 0.0;
};

} // namespace zevrin
