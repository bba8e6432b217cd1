#pragma once
// What the transfer function and the distortion analysis share: whether the
// synchronous averages can be read as a measurement now, and which bins the test
// signal really excites.

#include "engine/analyser.h"

#include <string>

namespace zevrin {

/// Why the synchronous averages cannot be read as a measurement, or empty when they
/// can: SLTAS mode on, a period of a power of two points (16 at least), something
/// averaged, and averages of the period in force.
std::string sltas_measurement_problem(const TAnalyser& a);

/// The partials the test signal in force synthesises, one flag per bin of its period:
/// 1 .. (L-1)/2 only (never 0 or L/2), and for the single sinusoid only its own bin,
/// not every bin as partialused marks them for the plot.
void synthesised_partials(const TAnalyser& a, tpartialflags& used);

/// The SLTAS sums of the transfer function's response (channel 2 in dual mode, the only
/// channel in mono) and their power sums.
const tcomplexarr& response_sums(const TAnalyser& a);
const tdoublearr& response_powers(const TAnalyser& a);

} // namespace zevrin
