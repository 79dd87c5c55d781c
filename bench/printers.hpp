// printers.hpp - what the benchmarks of the tools share: a demo node filled
// with exactly as many printers as a run wants, and the wall time per
// iteration of each benchmark, by name, for their summaries.
#pragma once

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <map>
#include <string>
#include <vector>

namespace bench {

// Runs `statements` on the node DEMO of the data directory `dataDir`.
inline void demo_sql(const std::string &dataDir, const std::string &statements)
{
    sqlite3 *db = nullptr;
    sqlite3_open((dataDir + "/nodes/DEMO.db").c_str(), &db);
    sqlite3_exec(db, statements.c_str(), nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

// Exactly `rows` printers, and no queues, on the node DEMO of `dataDir`.
inline void fill_printers(const std::string &dataDir, long rows)
{
    demo_sql(dataDir,
             "BEGIN; DELETE FROM QUEUE; DELETE FROM PRINTER;"
             "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i + 1 < " +
                 std::to_string(rows) +
                 ") INSERT INTO PRINTER (PRN_NAME, PRN_STATUS, PRN_SHARED, PRN_INSTALLED, PRN_COPIES, PRN_LOCATION, "
                 "PRN_DESC) SELECT printf('PRINTER%07d', i), substr('ROM', 1 + i % 3, 1), substr('YN', 1 + i % 2, 1), "
                 "'2021-03-15', 1 + i % 99, 'BLDG A FLOOR ' || (i % 7), 'Printer ' || i || ' on the second floor, "
                 "duplex' FROM n; COMMIT");
}

// The console report, keeping each benchmark's wall time per iteration in
// ns under its name without the "/iterations:", "/min_time:" and
// "/real_time" parts ("BM_TarnadmListCsv/10000").
class WallTimes : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
            std::string name, part;
            for (const char c : run.benchmark_name() + "/") {
                if (c != '/') {
                    part += c;
                    continue;
                }
                if (part.rfind("iterations:", 0) != 0 && part.rfind("min_time:", 0) != 0 && part != "real_time")
                    name += (name.empty() ? "" : "/") + part;
                part.clear();
            }
            ns_[name] = run.GetAdjustedRealTime() * 1e9 / benchmark::GetTimeUnitMultiplier(run.time_unit);
        }
        ConsoleReporter::ReportRuns(runs);
    }

    // The wall time per iteration of `name` in ns, 0 when it did not run.
    double ns(const std::string &name) const
    {
        auto found = ns_.find(name);
        return found == ns_.end() ? 0.0 : found->second;
    }

private:
    std::map<std::string, double> ns_;
};

}  // namespace bench
