// The main() of the benchmark programs: they start like the program, then run every
// benchmark five times, the repetitions interleaved at random so that the two sides of
// a comparison meet the same conditions, and print the comparisons (comparison.h).
// Options on the command line override these defaults.

#include "app_start.h"
#include "comparison.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

int main(int argc, char** argv) {
    zevrin::bench::start_like_the_program(argc, argv);
    std::vector<char*> args{argv[0]};
    std::string repetitions = "--benchmark_repetitions=5";
    std::string interleave = "--benchmark_enable_random_interleaving=true";
    args.push_back(repetitions.data());
    args.push_back(interleave.data());
    for (int i = 1; i < argc; ++i) {
        args.push_back(argv[i]);
    }
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data())) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks(&zevrin::bench::comparison_reporter());
    benchmark::Shutdown();
    return 0;
}
