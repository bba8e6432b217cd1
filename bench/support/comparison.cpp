#include "comparison.h"

#include <cstdio>
#include <vector>

namespace zevrin::bench {

namespace {

struct Comparison {
    std::string what, numerator, denominator;
    double at_most;
};

std::vector<Comparison>& comparisons() {
    static std::vector<Comparison> all;
    return all;
}

class Reporter : public FastestRunReporter {
public:
    void Finalize() override {
        ConsoleReporter::Finalize();
        bool header = false;
        for (const Comparison& c : comparisons()) {
            const double n = fastest(c.numerator);
            const double d = fastest(c.denominator);
            if (n == 0 || d == 0) {
                continue; // filtered out
            }
            if (!header) {
                std::printf("\nSide by side, CPU time of the fastest repetition:\n");
                header = true;
            }
            const double ratio = n / d;
            std::printf("%s: %s %.4g us / %s %.4g us = %.2f", c.what.c_str(), c.numerator.c_str(),
                        n, c.denominator.c_str(), d, ratio);
            if (c.at_most > 0) {
                if (ratio <= c.at_most) {
                    std::printf(" (goal at most %.2f: met)", c.at_most);
                } else {
                    std::printf(" (goal at most %.2f: missed by %.0f%%)", c.at_most,
                                (ratio / c.at_most - 1.0) * 100.0);
                }
            }
            std::printf("\n");
        }
    }
};

} // namespace

void FastestRunReporter::ReportRuns(const std::vector<Run>& runs) {
    std::vector<Run> shown;
    for (const Run& run : runs) {
        if (run.error_occurred) {
            continue;
        }
        if (run.aggregate_name.empty()) {
            const double us = run.GetAdjustedCPUTime() *
                              benchmark::GetTimeUnitMultiplier(benchmark::kMicrosecond) /
                              benchmark::GetTimeUnitMultiplier(run.time_unit);
            const auto [it, added] = fbest.emplace(run.run_name.str(), us);
            if (!added && us < it->second) {
                it->second = us;
            }
        }
        if (run.aggregate_name == "median" || run.repetitions <= 1) {
            shown.push_back(run);
        }
    }
    ConsoleReporter::ReportRuns(shown);
}

double FastestRunReporter::fastest(const std::string& name) const {
    const auto it = fbest.find(name);
    return it == fbest.end() ? 0.0 : it->second;
}

void compare(const std::string& what, const std::string& numerator, const std::string& denominator,
             double at_most) {
    comparisons().push_back({what, numerator, denominator, at_most});
}

benchmark::BenchmarkReporter& comparison_reporter() {
    static Reporter reporter;
    return reporter;
}

} // namespace zevrin::bench
