// Loading rows into display records: ZeLoadDescriptorItem for descriptors of
// 10, 50 and 200 fields, 100k rows each. The time per field should stay flat
// as the field count grows.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "tarnsrvc.h"

namespace {

// A descriptor of n fields: every fifth a BOOL, every fifth a mapped list,
// the rest plain text with a REAL NAME; the data arrives in shuffled order.
struct Loaded {
    Descriptor *d = nullptr;
    std::vector<std::string> columns, values;
    std::vector<char *> columnPtrs, row;

    explicit Loaded(int n)
    {
        static const char *valid[] = {"Yes", "No", "Maybe", nullptr};
        static const char *real[] = {"1", "0", "2", nullptr};
        ZeCreateDescriptor(&d);
        std::vector<int> order(static_cast<std::size_t>(n));
        for (int i = 0; i < n; ++i) order[static_cast<std::size_t>(i)] = i;
        std::shuffle(order.begin(), order.end(), std::mt19937(42));
        for (int i = 0; i < n; ++i) {
            std::string name = "FIELD_" + std::to_string(i), column = "COL_" + std::to_string(i);
            if (i % 5 == 1)
                ZeCreateField(d, name.c_str(), "TYPE", "BOOL", "REAL NAME", column.c_str(),
                              static_cast<char *>(nullptr));
            else if (i % 5 == 2)
                ZeCreateField(d, name.c_str(), "REAL NAME", column.c_str(), "VALID VALUES", valid, -1, "REAL VALUES",
                              real, -1, static_cast<char *>(nullptr));
            else ZeCreateField(d, name.c_str(), "REAL NAME", column.c_str(), static_cast<char *>(nullptr));
        }
        ZeBuildDescriptorHeader(d);
        for (int i : order) {
            columns.push_back("col_" + std::to_string(i));
            values.push_back(i % 5 == 1 ? "Y" : i % 5 == 2 ? "2" : "value " + std::to_string(i));
        }
        for (auto &c : columns) columnPtrs.push_back(c.data());
        columnPtrs.push_back(nullptr);
        for (auto &v : values) row.push_back(v.data());
        ZeBuildIndexArray(d, columnPtrs.data(), -1);
    }
    ~Loaded() { ZeDestroyDescriptor(d); }
};

void BM_LoadDescriptorItem(benchmark::State &state)
{
    const int n = static_cast<int>(state.range(0));
    Loaded loaded(n);
    for (auto _ : state) {
        char **display = nullptr;
        unsigned rc = ZeLoadDescriptorItem(loaded.d, &display, loaded.row.data());
        if (rc) state.SkipWithError("ZeLoadDescriptorItem failed");
        benchmark::DoNotOptimize(display);
        ZeFreeStrPtrArray(display, n);
    }
    state.counters["ns_per_field"] = benchmark::Counter(static_cast<double>(state.iterations()) * n,
                                                        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

}  // namespace

BENCHMARK(BM_LoadDescriptorItem)->Arg(10)->Arg(50)->Arg(200)->Iterations(100000)->Unit(benchmark::kNanosecond);

BENCHMARK_MAIN();
