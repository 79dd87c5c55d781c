// Utility lists: appending, walking and removing at the front cost the same
// per entry at every size (O(1) each), and so does size().
#include <benchmark/benchmark.h>

#include "TarnUtil.h"

static void BM_ListAppendWalkRemove(benchmark::State &state)
{
    const long n = state.range(0);
    for (auto _ : state) {
        TarnList *list = nullptr;
        TarnListCreateNoDebug(&list);
        for (long i = 0; i < n; ++i) TarnListInsertEntry(list, reinterpret_cast<void *>(i + 1), 1, nullptr, 0, 0);
        void *entry = nullptr;
        long sum = 0;
        for (TarnListPos p = TarnListFirst(list, &entry); p; p = TarnListNext(p, &entry))
            sum += reinterpret_cast<long>(entry);
        benchmark::DoNotOptimize(sum);
        benchmark::DoNotOptimize(TarnListSize(list));
        for (TarnListPos p = TarnListFirst(list, nullptr); p;) p = TarnListRemove(list, nullptr, p, nullptr);
        TarnListDelete(&list, nullptr);
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_ListAppendWalkRemove)->Arg(1000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
