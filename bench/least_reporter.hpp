// What every benchmark program here reports besides the console table: the
// least CPU time per iteration of each run over its repetitions (the machine
// may be shared, and noise only adds time), and "RESULT <key> <value>" lines
// that scripts/bench.sh gathers into its summary.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace bench {

inline double least(const std::vector<double> &values) { return *std::min_element(values.begin(), values.end()); }

// The repetitions every run here shares: five, reported as their least.
inline void least_of_five(benchmark::internal::Benchmark *b)
{
    b->Repetitions(5)->ComputeStatistics("min", least)->ReportAggregatesOnly(true);
}

class LeastReporter : public benchmark::ConsoleReporter {
public:
    LeastReporter() : ConsoleReporter(OO_Tabular) {}  // plain text: the output is kept in files

    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs) {
            if (run.error_occurred) continue;
            const bool single = run.run_type == Run::RT_Iteration;
            if (!single && run.aggregate_name != "min") continue;
            const double ns = run.GetAdjustedCPUTime() * 1e9 / benchmark::GetTimeUnitMultiplier(run.time_unit);
            const std::string name =
                run.run_name.function_name + (run.run_name.args.empty() ? "" : "/" + run.run_name.args);
            auto [it, added] = ns_.emplace(name, ns);
            if (!added) it->second = std::min(it->second, ns);
        }
    }

    // Least CPU time per iteration in ns of "BM_Name/arg", or 0 when it did not run.
    double ns(const std::string &name) const
    {
        auto it = ns_.find(name);
        return it == ns_.end() ? 0.0 : it->second;
    }

private:
    std::map<std::string, double> ns_;
};

inline void result(const char *key, double value) { std::printf("RESULT %s %.2f\n", key, value); }

// The same for a key that ends in a size: "<key><n>".
inline void result(const char *key, long n, double value) { std::printf("RESULT %s%ld %.2f\n", key, n, value); }

}  // namespace bench
