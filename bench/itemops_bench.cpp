// Reading 100,000 rows into a collection with and without duplicate
// removal (half of the rows repeat an earlier key). The difference between
// the two is the cost of removing duplicates, which must stay linear.
// The rows come from the test suite's router module (build the tests too).
#include <benchmark/benchmark.h>

#include <climits>
#include <string>
#include <unistd.h>
#include <vector>

#include "least_reporter.hpp"
#include "tarnsrvc.h"
#include "test_router.h"

namespace {

constexpr int kRows = 100000;

// The test router module next to this build's bin/ directory.
std::string router_path()
{
    char exe[PATH_MAX] = "";
    ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n <= 0) return "";
    std::string dir(exe, static_cast<std::size_t>(n));
    dir.erase(dir.rfind('/'));
    return dir + "/../testmodules/libTarnTestRouter.so";
}

struct Setup {
    const TestRouterApi *router = nullptr;
    Descriptor *descriptor = nullptr;
    DtsInfo *info = nullptr;
    DtsResult *result = nullptr;
    Filter *filter = nullptr;
    Collection *collection = nullptr;
    std::vector<std::string> keys, owners;
    std::string path = router_path();

    Setup()
    {
        TarnProc proc = nullptr;
        if (ZeLoadRoutine(path.c_str(), "test_router_api", &proc) != 0) return;
        router = reinterpret_cast<TestRouterApiProc>(proc)();
        ZeCreateDescriptor(&descriptor);
        ZeCreateField(descriptor, "NAME", "KEY", 1, "REAL NAME", "OBJ_NAME", static_cast<char *>(nullptr));
        ZeCreateField(descriptor, "OWNER", static_cast<char *>(nullptr));
        ZeBuildDescriptorHeader(descriptor);
        ZeCreateDtsInfo(&info);
        ZeSetDtsInfoField(info, ZE_INFO_USERNAME, "bench");
        ZeSetDtsInfoField(info, ZE_INFO_DESTNODE, "NODE1");
        ZeSetDtsInfoField(info, ZE_INFO_ROUTEMODULE, path.c_str());
        ZeCreateDtsResult(&result);
        ZeCreateFilter(&filter);
        ZeCreateCollection(&collection);
        for (int i = 0; i < kRows; ++i) {
            keys.push_back("queue." + std::to_string(i % (kRows / 2)));
            owners.push_back("owner" + std::to_string(i));
        }
    }
    ~Setup()
    {
        if (!router) return;
        ZeDestroyCollection(collection);
        ZeDestroyFilter(filter);
        ZeDestroyDtsResult(result);
        ZeDestroyDtsInfo(info);
        ZeDestroyDescriptor(descriptor);
    }

    void script_rows() const
    {
        router->reset();
        router->answer(0, nullptr);
        const char *columns[] = {"OBJ_NAME", "OWNER"};
        router->columns(columns, 2);
        for (int i = 0; i < kRows; ++i) {
            const char *row[] = {keys[static_cast<std::size_t>(i)].c_str(),
                                 owners[static_cast<std::size_t>(i)].c_str()};
            router->row(row, 2);
        }
    }
};

using Open = unsigned int (*)(Descriptor *, DtsInfo *, Filter *, Collection *, DtsResult *);

void run(benchmark::State &state, Open open, unsigned expected)
{
    static Setup setup;
    if (!setup.router) {
        state.SkipWithError(("test router not found: " + setup.path).c_str());
        return;
    }
    for (auto _ : state) {
        state.PauseTiming();
        setup.script_rows();
        state.ResumeTiming();
        unsigned rc = open(setup.descriptor, setup.info, setup.filter, setup.collection, setup.result);
        state.PauseTiming();
        if (rc != 0 || ZeCollectionSize(setup.collection) != expected) state.SkipWithError("unexpected rows");
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}

void BM_OpenCollectionWithDups(benchmark::State &state) { run(state, ZeOpenDtsCollectionWithDups, kRows); }
void BM_OpenCollectionWithoutDups(benchmark::State &state) { run(state, ZeOpenDtsCollectionWithoutDups, kRows / 2); }

}  // namespace

BENCHMARK(BM_OpenCollectionWithDups)->Unit(benchmark::kMillisecond)->Apply(bench::least_of_five);
BENCHMARK(BM_OpenCollectionWithoutDups)->Unit(benchmark::kMillisecond)->Apply(bench::least_of_five);

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    bench::LeastReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    const double with = reporter.ns("BM_OpenCollectionWithDups"), without = reporter.ns("BM_OpenCollectionWithoutDups");
    if (with > 0 && without > 0) bench::result("duplicate_removal_ms", (without - with) / 1e6);
    return 0;
}
