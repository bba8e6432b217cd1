#include "run_benchmarks.h"

#include "app_start.h"

namespace zevrin::bench {

int run_benchmarks(int argc, char** argv, const std::vector<std::string>& defaults,
                   benchmark::BenchmarkReporter& reporter) {
    start_like_the_program(argc, argv);
    // Defaults first, so that the same options on the command line win.
    std::vector<std::string> options = defaults;
    std::vector<char*> args{argv[0]};
    for (std::string& option : options) {
        args.push_back(option.data());
    }
    for (int i = 1; i < argc; ++i) {
        args.push_back(argv[i]);
    }
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data())) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}

} // namespace zevrin::bench
