// tarnadm against the library it drives: `tarnadm list PRINTER -o csv` of
// 10,000 and 100,000 printers to /dev/null (the whole process: start, load,
// object creation, request, walk, CSV) next to the same OPEN COLLECTION and
// GET ITEM walk made through the library by a fresh process of its own, as
// an application would, in the same run; the ratio is printed (target: at
// most 1.3). The same walk repeated inside one warm process is shown too:
// it reuses the router's open node and a heap that has grown already.
// Export and import print their cost per record, which must not grow with
// the count.
// The node lives on /dev/shm when there is one, so that the node's commits
// (one per imported record) measure the tool rather than the disk.
#include <benchmark/benchmark.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "printers.hpp"
#include "tarnsrvc.h"

namespace fs = std::filesystem;

namespace {

std::string g_data;  // the benchmark's data directory

void sql(const std::string &statement) { bench::demo_sql(g_data, statement); }

void fill_printers(long rows) { bench::fill_printers(g_data, rows); }

int run_tarnadm(const std::vector<std::string> &args)
{
    const pid_t pid = fork();
    if (pid == 0) {
        std::vector<char *> argv = {const_cast<char *>(TARNADM_BIN)};
        for (const std::string &a : args) argv.push_back(const_cast<char *>(a.c_str()));
        argv.push_back(nullptr);
        std::freopen("/dev/null", "w", stdout);
        execv(TARNADM_BIN, argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
}

std::vector<std::string> with_globals(std::vector<std::string> args)
{
    args.insert(args.end(), {"--data-dir", g_data, "--router", "demo", "-n", "DEMO", "-q"});
    return args;
}

// OPEN COLLECTION and the walk of every item, as an application makes them; true when all rows came.
bool library_walk(long expected)
{
    void *object = nullptr;
    Filter *filter = nullptr;
    ZeCreateFilter(&filter);
    ZeCreateObject(&object, "PRINTER", filter);
    ZeSetProperty(object, "USERNAME", "bench");
    ZeSetProperty(object, "DESTINATION", "DEMO", "DEMO");
    const bool opened = ZeSubmitAction(object, "OPEN COLLECTION", filter) == ZE_OK;
    char **values = nullptr;
    long rows = 0;
    while (ZeSubmitAction(object, "GET ITEM", &values) == ZE_OK) benchmark::DoNotOptimize(values[0]), ++rows;
    ZeDestroyObject(object);
    ZeDestroyFilter(filter);
    return opened && rows == expected;
}

// The walk in a fresh process, so it starts as cold as tarnadm does.
void BM_LibraryWalkFreshProcess(benchmark::State &state)
{
    fill_printers(state.range(0));
    for (auto _ : state) {
        const pid_t pid = fork();
        if (pid == 0) _exit(library_walk(state.range(0)) ? 0 : 1);
        int status = 0;
        waitpid(pid, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) state.SkipWithError("the walk failed");
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// The walk repeated in this process (run last: the router keeps its node open).
void BM_LibraryWalkWarm(benchmark::State &state)
{
    fill_printers(state.range(0));
    for (auto _ : state)
        if (!library_walk(state.range(0))) state.SkipWithError("the walk failed");
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_TarnadmListCsv(benchmark::State &state)
{
    fill_printers(state.range(0));
    for (auto _ : state)
        if (run_tarnadm(with_globals({"list", "PRINTER", "-o", "csv"})) != 0) state.SkipWithError("tarnadm failed");
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_TarnadmExport(benchmark::State &state)
{
    fill_printers(state.range(0));
    const std::string file = g_data + "/export.rdw";
    for (auto _ : state)
        if (run_tarnadm(with_globals({"export", "PRINTER", file})) != 0) state.SkipWithError("export failed");
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_TarnadmImport(benchmark::State &state)
{
    fill_printers(state.range(0));
    const std::string file = g_data + "/import.rdw";
    run_tarnadm(with_globals({"export", "PRINTER", file}));
    for (auto _ : state) {
        state.PauseTiming();
        sql("DELETE FROM PRINTER");
        state.ResumeTiming();
        if (run_tarnadm(with_globals({"import", "PRINTER", file})) != 0) state.SkipWithError("import failed");
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

BENCHMARK(BM_LibraryWalkFreshProcess)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_TarnadmListCsv)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_TarnadmExport)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_TarnadmImport)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_LibraryWalkWarm)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void summary(const bench::WallTimes &times)
{
    std::printf("\n");
    for (const char *size : {"10000", "100000"}) {
        const double fresh = times.ns(std::string("BM_LibraryWalkFreshProcess/") + size);
        const double warm = times.ns(std::string("BM_LibraryWalkWarm/") + size);
        const double tool = times.ns(std::string("BM_TarnadmListCsv/") + size);
        if (fresh > 0 && tool > 0)
            std::printf("list -o csv of %6s printers: tarnadm / library walk in a fresh process = %.2f (target at most "
                        "1.3); / the walk repeated in a warm process = %.2f\n",
                        size, tool / fresh, warm > 0 ? tool / warm : 0.0);
    }
    for (const char *what : {"Export", "Import"}) {
        const double small = times.ns(std::string("BM_Tarnadm") + what + "/10000") / 10000;
        const double large = times.ns(std::string("BM_Tarnadm") + what + "/100000") / 100000;
        if (small > 0 && large > 0)
            std::printf("%s: %.1f us per record at 10,000, %.1f us at 100,000 (%.0f and %.0f records/s)\n", what,
                        small / 1000, large / 1000, 1e9 / small, 1e9 / large);
    }
}

}  // namespace

int main(int argc, char **argv)
{
    const fs::path base = fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
    g_data = (base / ("tarnadm_bench." + std::to_string(getpid()))).string();
    fs::copy(TARNADM_DEMO_DATA, g_data, fs::copy_options::recursive);
    // The in-process walk reads its environment once, at first use.
    setenv("TARN_DATA_DIR", g_data.c_str(), 1);
    setenv("DEMO_ROUTER", "ON", 1);
    benchmark::Initialize(&argc, argv);
    bench::WallTimes times;
    benchmark::RunSpecifiedBenchmarks(&times);
    benchmark::Shutdown();
    summary(times);
    fs::remove_all(g_data);
    return 0;
}
