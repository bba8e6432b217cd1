#pragma once
// The transfer function, the distortion apart from noise and the impulse response as
// comma-separated numbers ("." as the decimal separator, up to 10 significant digits,
// an empty cell where a value does not exist or cannot be computed).

#include "engine/distortion.h"
#include "engine/transfer_function.h"

#include <ostream>
#include <string>

namespace zevrin {

/// One row per bin from 1 to L/2: "frequency_hz,magnitude_db,phase_deg,
/// unwrapped_phase_deg,group_delay_ms,coherence,distortion_db,noise_db". A partial of
/// the test signal fills the transfer function's columns, an unused bin the last two.
/// The phases and the group delay are those without the delay (delay_text).
void write_transfer_csv(const TTransferFunction& tf, const TDistortion& distortion,
                        std::ostream& out);

/// One row per sample of the period: "time_ms,impulse,etc_db".
void write_impulse_csv(const TTransferFunction& tf, std::ostream& out);

/// The figures beside the curves, one line each: the delay in samples and ms, the
/// impulse response's peak, the frames averaged, THD and THD+N.
std::string transfer_summary(const TTransferFunction& tf, const TDistortion& distortion);

} // namespace zevrin
