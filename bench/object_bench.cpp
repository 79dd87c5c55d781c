// A PRINTER collection through the object interface: ZeSubmitAction "OPEN
// COLLECTION" and "GET ITEM" until the end, on a node of 10,000 and 100,000
// printers served by the demo router, next to a bare sqlite3 loop that
// selects the same rows and copies every value. Also the cost of one
// GET ITEM above ZeNextCollectionItem itself.
//
// Besides the Google Benchmark runs, two modes give figures that do not
// depend on the machine's load:
//   object_bench --walk=object|bare|getitem|next --rows=N
//       one warm pass, then one measured pass, for
//       valgrind --tool=callgrind --instr-atstart=no
//   object_bench --peak=N
//       peak resident memory per row of a collection of N printers, next to
//       a plain copy with one malloc per value
#include <benchmark/benchmark.h>

#include <sqlite3.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "callgrind.hpp"
#include "contract/sql_script.hpp"
#include "least_reporter.hpp"
#include "walks.hpp"
#include "tarnsrvc.h"

namespace {

namespace fs = std::filesystem;

constexpr int kColumns = 7;
const char *const kSelect = "SELECT PRN_NAME, PRN_STATUS, PRN_SHARED, PRN_INSTALLED, PRN_COPIES, PRN_LOCATION, "
                            "PRN_DESC FROM PRINTER ORDER BY PRN_NAME";

fs::path g_data;  // scratch data directory: tarnobjs.dat and nodes/

std::string node_of(long rows)
{
    std::string node = "P";  // appended: g++ 12 -O3 warns falsely on "P" + std::string (-Wrestrict)
    return node += std::to_string(rows);
}
fs::path node_path(long rows) { return g_data / "nodes" / (node_of(rows) + ".db"); }

// The source tree's data/ folder, next to this build's bin/ directory.
fs::path source_data()
{
    if (const char *dir = std::getenv("TARN_SOURCE_DATA")) return dir;
    char exe[PATH_MAX] = "";
    ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    fs::path build = fs::path(std::string(exe, n > 0 ? static_cast<std::size_t>(n) : 0)).parent_path().parent_path();
    std::ifstream cache(build / "CMakeCache.txt");
    for (std::string line; std::getline(cache, line);)
        if (line.rfind("CMAKE_HOME_DIRECTORY:INTERNAL=", 0) == 0) return fs::path(line.substr(30)) / "data";
    return "data";
}

std::string read_file(const fs::path &path)
{
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A node holding only the PRINTER table with `rows` printers, 71 bytes of
// value text per row like the demo's.
void build_node(long rows)
{
    if (fs::exists(node_path(rows))) return;
    sqlite3 *db = nullptr;
    sqlite3_open(node_path(rows).c_str(), &db);
    sqlite3_exec(db, "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; BEGIN", nullptr, nullptr, nullptr);
    sqlite3_exec(db, sql_script::for_engine(read_file(source_data() / "schema.sql"), "sqlite").c_str(), nullptr,
                 nullptr, nullptr);
    sqlite3_stmt *insert = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO PRINTER VALUES (?, ?, ?, ?, ?, ?, ?)", -1, &insert, nullptr);
    char name[32], location[32], desc[64];
    static const char *const kStatus[] = {"R", "O", "M"};
    for (long i = 0; i < rows; ++i) {
        std::snprintf(name, sizeof name, "PRINTER%07ld", i);
        std::snprintf(location, sizeof location, "BLDG %c FLOOR %ld", 'A' + static_cast<int>(i % 4), i % 9);
        std::snprintf(desc, sizeof desc, "Floor printer %07ld, duplex, A4 %s", i, i % 2 ? "and A3" : "only");
        sqlite3_bind_text(insert, 1, name, -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 2, kStatus[i % 3], -1, SQLITE_STATIC);
        sqlite3_bind_text(insert, 3, i % 2 ? "Y" : "N", -1, SQLITE_STATIC);
        sqlite3_bind_text(insert, 4, "2021-03-15", -1, SQLITE_STATIC);
        sqlite3_bind_int(insert, 5, static_cast<int>(i % 99 + 1));
        sqlite3_bind_text(insert, 6, location, -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 7, desc, -1, SQLITE_TRANSIENT);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

// The PRINTER object sending its requests to the node of `rows` printers.
struct Printer {
    void *object = nullptr;
    Filter *filter = nullptr;

    explicit Printer(long rows)
    {
        build_node(rows);
        ZeCreateFilter(&filter);
        if (ZeCreateObject(&object, "PRINTER", filter) != ZE_OK) return;
        std::string node = node_of(rows);
        ZeSetProperty(object, "USERNAME", "bench");
        ZeSetProperty(object, "DESTINATION", node.c_str(), node.c_str());
    }
    ~Printer()
    {
        if (object) ZeDestroyObject(object);
        ZeDestroyFilter(filter);
    }

    // Opens the collection and walks it; the number of items walked, or -1.
    long walk()
    {
        if (ZeSubmitAction(object, "OPEN COLLECTION", filter) != ZE_OK) return -1;
        long walked = 0;
        char **values = nullptr;
        while (ZeSubmitAction(object, "GET ITEM", &values) == ZE_OK) {
            benchmark::DoNotOptimize(values[kColumns - 1]);
            ++walked;
        }
        return walked;
    }
};

// The baseline: select the rows and copy every value.
long bare_walk(sqlite3 *db, bench::Rows &all) { return bench::bare_sqlite_walk(db, kSelect, kColumns, all); }

sqlite3 *open_node(long rows)
{
    build_node(rows);
    sqlite3 *db = nullptr;
    sqlite3_open_v2(node_path(rows).c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    return db;
}

void per_row(benchmark::State &state, long rows)
{
    state.counters["ns_per_row"] = benchmark::Counter(static_cast<double>(state.iterations()) * rows,
                                                      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_BareSqlite(benchmark::State &state)
{
    const long rows = state.range(0);
    sqlite3 *db = open_node(rows);
    std::vector<std::vector<std::string>> all;
    for (auto _ : state)
        if (bare_walk(db, all) != rows) state.SkipWithError("wrong number of rows");
    per_row(state, rows);
    sqlite3_close(db);
}

void BM_ObjectCollection(benchmark::State &state)
{
    const long rows = state.range(0);
    Printer printer(rows);
    if (!printer.object) state.SkipWithError("ZeCreateObject PRINTER failed");
    for (auto _ : state)
        if (printer.walk() != rows) state.SkipWithError("wrong number of items");
    per_row(state, rows);
}

// GET ITEM through ZeSubmitAction against ZeNextCollectionItem on the same
// collection: the difference is the cost of dispatch by name.
void BM_GetItem(benchmark::State &state)
{
    Printer printer(10000);
    if (!printer.object || printer.walk() != 10000) state.SkipWithError("no collection");
    char **values = nullptr;
    ZeSubmitAction(printer.object, "SET POSITION", 1u);
    for (auto _ : state)
        if (ZeSubmitAction(printer.object, "GET ITEM", &values) != ZE_OK)
            ZeSubmitAction(printer.object, "SET POSITION", 1u);
}

void BM_NextCollectionItem(benchmark::State &state)
{
    Printer printer(10000);
    if (!printer.object || printer.walk() != 10000) state.SkipWithError("no collection");
    auto *collection = static_cast<Collection *>(ZeElement(printer.object, "COLLECTION"));
    for (auto _ : state)
        if (!ZeNextCollectionItem(collection)) ZeSetCollectionPosition(collection, 1);
}

// A failing parameter check, which traces when tracing is on, with tracing
// off; against the same call with a valid parameter.
void BM_QuietTraceFailingCheck(benchmark::State &state)
{
    for (auto _ : state) benchmark::DoNotOptimize(ZeItemCount(nullptr));
}

void BM_QuietTraceValidCall(benchmark::State &state)
{
    Item *item = nullptr;
    ZeCreateItem(&item);
    for (auto _ : state) benchmark::DoNotOptimize(ZeItemCount(item));
    ZeDestroyItem(item);
}

// ---------------------------------------------------------------- callgrind

long g_walked = 0;

// The measured region: callgrind started with --instr-atstart=no counts
// only what runs here.
void measured_walk(const std::string &kind, Printer *printer, sqlite3 *db, std::vector<std::vector<std::string>> *all,
                   Collection *c)
{
    char **values = nullptr;
    CALLGRIND_START_INSTRUMENTATION;
    if (kind == "object") g_walked = printer->walk();
    else if (kind == "bare") g_walked = bare_walk(db, *all);
    else if (kind == "getitem")
        for (g_walked = 0; ZeSubmitAction(printer->object, "GET ITEM", &values) == ZE_OK; ++g_walked) {}
    else
        for (g_walked = 0; ZeNextCollectionItem(c); ++g_walked) {}
    CALLGRIND_STOP_INSTRUMENTATION;
}

int run_walk(const std::string &kind, long rows)
{
    if (kind == "bare") {
        sqlite3 *db = open_node(rows);
        std::vector<std::vector<std::string>> all;
        bare_walk(db, all);
        measured_walk(kind, nullptr, db, &all, nullptr);
        sqlite3_close(db);
    } else {
        Printer printer(rows);
        if (printer.walk() != rows) return 1;
        // getitem: GET ITEM over the open collection; next: the collection
        // walk alone, the floor of GET ITEM.
        auto *c = static_cast<Collection *>(ZeElement(printer.object, "COLLECTION"));
        if (kind != "object") ZeSubmitAction(printer.object, "OPEN COLLECTION", printer.filter);
        measured_walk(kind, &printer, nullptr, nullptr, c);
    }
    std::printf("walked %ld rows\n", g_walked);
    return g_walked == rows ? 0 : 1;
}

// ---------------------------------------------------------------- peak memory

long peak_kib()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

long current_kib()
{
    std::ifstream status("/proc/self/statm");
    long size = 0, resident = 0;
    status >> size >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// Peak growth per row of the PRINTER collection, or with --peak-plain of a
// plain copy (one malloc per value, one pointer array per row).
int run_peak(long rows, bool plain)
{
    build_node(rows);
    long before = 0, walked = 0;
    if (plain) {
        sqlite3 *db = open_node(rows);
        before = current_kib();
        std::vector<char **> all;
        sqlite3_stmt *st = nullptr;
        sqlite3_prepare_v2(db, kSelect, -1, &st, nullptr);
        while (sqlite3_step(st) == SQLITE_ROW) {
            char **row = static_cast<char **>(std::malloc(sizeof(char *) * kColumns));
            for (int c = 0; c < kColumns; ++c) {
                const char *v = reinterpret_cast<const char *>(sqlite3_column_text(st, c));
                row[c] = strdup(v ? v : "");
            }
            all.push_back(row);
        }
        sqlite3_finalize(st);
        walked = static_cast<long>(all.size());
        long peak = peak_kib();
        std::printf("plain copy: %ld rows, peak %.0f bytes per row\n", walked, (peak - before) * 1024.0 / rows);
        sqlite3_close(db);
        return walked == rows ? 0 : 1;
    }
    Printer printer(rows);
    before = current_kib();
    walked = printer.walk();
    long peak = peak_kib();
    std::printf("collection: %ld rows, peak %.0f bytes per row\n", walked, (peak - before) * 1024.0 / rows);
    return walked == rows ? 0 : 1;
}

}  // namespace

BENCHMARK(BM_BareSqlite)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Apply(bench::least_of_five);
BENCHMARK(BM_ObjectCollection)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Apply(bench::least_of_five);
BENCHMARK(BM_GetItem)->Apply(bench::least_of_five);
BENCHMARK(BM_NextCollectionItem)->Apply(bench::least_of_five);
BENCHMARK(BM_QuietTraceFailingCheck)->Apply(bench::least_of_five);
BENCHMARK(BM_QuietTraceValidCall)->Apply(bench::least_of_five);

int main(int argc, char **argv)
{
    g_data = fs::temp_directory_path() / "object_bench";
    fs::create_directories(g_data / "nodes");
    fs::copy_file(source_data() / "tarnobjs.dat", g_data / "tarnobjs.dat", fs::copy_options::overwrite_existing);
    setenv("TARN_DATA_DIR", g_data.c_str(), 1);
    setenv("KVRGLBL0000", g_data.c_str(), 1);
    setenv("DEMO_ROUTER", "ON", 1);
    unsetenv("TARN_TRACE");

    std::string walk;
    long rows = 10000, peak = 0;
    bool plain = false;
    for (int i = 1; i < argc; ++i) {
        std::string_view a = argv[i];
        if (a.rfind("--walk=", 0) == 0) walk = a.substr(7);
        else if (a.rfind("--rows=", 0) == 0) rows = std::atol(argv[i] + 7);
        else if (a.rfind("--peak=", 0) == 0) peak = std::atol(argv[i] + 7);
        else if (a == "--peak-plain") plain = true;
    }
    if (!walk.empty()) return run_walk(walk, rows);
    if (peak > 0) return run_peak(peak, plain);

    benchmark::Initialize(&argc, argv);
    bench::LeastReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    for (long n : {10000L, 100000L}) {
        std::string arg = "/";  // appended, not "/" + ...: g++ 12 -O3 warns falsely (-Wrestrict)
        arg += std::to_string(n);
        double object = reporter.ns("BM_ObjectCollection" + arg), bare = reporter.ns("BM_BareSqlite" + arg);
        if (object > 0 && bare > 0) bench::result("object_ratio_", n, object / bare);
        if (object > 0) bench::result("object_ns_per_row_", n, object / static_cast<double>(n));
    }
    double get = reporter.ns("BM_GetItem"), next = reporter.ns("BM_NextCollectionItem");
    if (get > 0 && next > 0) bench::result("get_item_over_next_ns", get - next);
    double failing = reporter.ns("BM_QuietTraceFailingCheck"), valid = reporter.ns("BM_QuietTraceValidCall");
    if (failing > 0 && valid > 0) bench::result("quiet_trace_ns", failing - valid);
    return 0;
}
