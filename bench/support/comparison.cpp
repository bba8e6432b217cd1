#include "comparison.h"

#include <cstdio>
#include <map>
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

class Reporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        std::vector<Run> shown;
        for (const Run& run : runs) {
            if (run.error_occurred) {
                continue;
            }
            if (run.aggregate_name.empty()) {
                record(run);
            }
            if (run.aggregate_name == "median" || run.repetitions <= 1) {
                shown.push_back(run);
            }
        }
        ConsoleReporter::ReportRuns(shown);
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        bool header = false;
        for (const Comparison& c : comparisons()) {
            const auto n = fbest.find(c.numerator);
            const auto d = fbest.find(c.denominator);
            if (n == fbest.end() || d == fbest.end()) {
                continue; // filtered out
            }
            if (!header) {
                std::printf("\nSide by side, CPU time of the fastest repetition:\n");
                header = true;
            }
            const double ratio = n->second / d->second;
            std::printf("%s: %s %.4g us / %s %.4g us = %.2f", c.what.c_str(), c.numerator.c_str(),
                        n->second, c.denominator.c_str(), d->second, ratio);
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

private:
    void record(const Run& run) {
        const double us = run.GetAdjustedCPUTime() *
                          benchmark::GetTimeUnitMultiplier(benchmark::kMicrosecond) /
                          benchmark::GetTimeUnitMultiplier(run.time_unit);
        const std::string name = run.run_name.str();
        const auto [it, added] = fbest.emplace(name, us);
        if (!added && us < it->second) {
            it->second = us;
        }
    }

    std::map<std::string, double> fbest;
};

} // namespace

void compare(const std::string& what, const std::string& numerator, const std::string& denominator,
             double at_most) {
    comparisons().push_back({what, numerator, denominator, at_most});
}

benchmark::BenchmarkReporter& comparison_reporter() {
    static Reporter reporter;
    return reporter;
}

} // namespace zevrin::bench
