#pragma once
// The main() of every benchmark program: start like the program, then run the
// benchmarks with the program's defaults, which options on the command line override.

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace zevrin::bench {

/// Starts like the program (app_start.h), runs every benchmark with the options
/// `defaults` and then those of the command line, reports through `reporter`, and
/// returns main()'s exit status.
int run_benchmarks(int argc, char** argv, const std::vector<std::string>& defaults,
                   benchmark::BenchmarkReporter& reporter);

} // namespace zevrin::bench
