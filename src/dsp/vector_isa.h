#pragma once
// Which vector instructions the hot loops (the transform, the per-bin levels) run on,
// chosen once from what the processor offers: the program is built for the x86-64
// baseline and carries AVX and AVX2 versions of those loops beside it. Every version
// computes the same operations in the same order without fused multiply-adds, so the
// results are the same bits on every processor.
//
// The upper halves of the 256-bit registers are a hazard of their own: some
// libraries (Qt's drawing code among them) return with them in use, and on many Intel
// processors every instruction of the older 128-bit encoding that follows then waits on
// them. clear_upper_vector_state() at the points where the window system hands control
// to the program keeps the rest of its code at full speed.

#include <string>

namespace zevrin {

enum class TVectorIsa { baseline, avx, avx2 };

/// The instructions the hot loops use: the best the processor has, within any limit
/// set below.
TVectorIsa vector_isa();
/// The best the processor has.
TVectorIsa processor_vector_isa();
/// Runs the hot loops as on a processor that has at most `isa` (for tests and
/// benchmarks that compare the versions); a limit above what the processor has is
/// ignored. GUI thread only, between computations.
void limit_vector_isa(TVectorIsa isa);
/// "SSE2", "AVX" or "AVX2".
std::string vector_isa_name(TVectorIsa isa);

/// Marks the upper halves of the vector registers unused (vzeroupper) where the
/// processor has them; nothing elsewhere. Costs about a cycle.
void clear_upper_vector_state();
/// Whether the upper halves are in use now, where the processor can tell (XINUSE);
/// false where it cannot. For benchmarks that report the state they ran in.
bool upper_vector_state_in_use();

} // namespace zevrin
