// The main() of the benchmark programs: every benchmark five times, the repetitions
// interleaved at random so that the two sides of a comparison meet the same
// conditions, and the comparisons (comparison.h) printed at the end.

#include "comparison.h"
#include "run_benchmarks.h"

int main(int argc, char** argv) {
    return zevrin::bench::run_benchmarks(
        argc, argv, {"--benchmark_repetitions=5", "--benchmark_enable_random_interleaving=true"},
        zevrin::bench::comparison_reporter());
}
