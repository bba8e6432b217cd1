#pragma once
// The register state a benchmark's code meets, and the processor it runs on.
//
// A program with a window runs its frame and paint handlers after the window system's
// code, which on some processors and libraries returns with the upper halves of the
// 256-bit vector registers in use ("dirty"). Code of the older 128-bit encoding that
// runs in that state can be many times slower on many Intel processors. The program
// clears the state where Qt hands over control (dsp/vector_isa.h); its hot loops use
// the newer encoding, which does not care. Every benchmark of frame processing, levels
// and painting is therefore run in both states: clean, as after that clearing, and
// dirty, as the window system may leave it.

#include <benchmark/benchmark.h>

#include <string>

namespace zevrin::bench {

enum class TRegisterState { clean, dirty };

/// "clean" or "dirty".
const char* state_name(TRegisterState state);
/// Puts the registers into the state: vzeroupper, or an upper half written. Costs a
/// cycle; call it at the start of every iteration, since the measured code's own AVX
/// functions clear the state when they return.
void enter_state(TRegisterState state);
/// The state of benchmark argument `index` (0 clean, 1 dirty).
TRegisterState state_arg(const benchmark::State& state, int index);

/// The processor's model name and the vector extensions that matter here, with the
/// ones the hot loops use: "AMD EPYC; SSE2 AVX AVX2 FMA, no AVX-512; loops on AVX2".
std::string processor_description();

} // namespace zevrin::bench
