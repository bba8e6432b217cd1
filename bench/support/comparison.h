#pragma once
// Ratios measured side by side: a benchmark program states which of its benchmarks
// are compared, and main() prints, after all repetitions (interleaved at random), the
// ratio of the fastest repetition of each (CPU time: interference from other work on
// the machine only ever adds time) and whether it meets its goal.

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

namespace zevrin::bench {

/// After the run: "<what>: <numerator> / <denominator> = ratio" with the goal
/// `at most` (0: no goal). Names are full benchmark names, as the report shows them.
void compare(const std::string& what, const std::string& numerator, const std::string& denominator,
             double at_most);

/// A console reporter that shows the medians and keeps, by full benchmark name, the
/// CPU time of the fastest repetition of every benchmark for a summary at the end.
class FastestRunReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override;

protected:
    /// Microseconds of the fastest repetition; 0 for a benchmark that did not run.
    double fastest(const std::string& name) const;

private:
    std::map<std::string, double> fbest;
};

/// The console reporter that keeps the fastest repetition of every benchmark and prints
/// the comparisons at the end; the console shows the medians.
benchmark::BenchmarkReporter& comparison_reporter();

} // namespace zevrin::bench
