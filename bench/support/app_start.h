#pragma once
// The start shared by the benchmark programs' main() functions (through run_benchmarks.h).

namespace zevrin::bench {

/// Starts like the program: where Qt is built, a QApplication (offscreen unless
/// QT_QPA_PLATFORM says otherwise) and a first paint of a widget, which lives until the
/// process ends; then the processor and the register state that left go into the
/// report's context. Takes the option --vector_isa=sse2|avx|avx2 out of the arguments:
/// the hot loops then run as on a processor with no more than that. Call before
/// benchmark::Initialize.
void start_like_the_program(int& argc, char** argv);

} // namespace zevrin::bench
