// The demo router against bare SQLite: ZeOpenDtsCollection of 10,000 and
// 100,000 rows x 10 columns through TarnRpdb, walking every item, next to a
// plain sqlite3 loop that selects the same rows and copies every value into
// std::vector<std::string>. Reports the ratio at both sizes and the router's
// cost per row, which must not grow with the rows; and ALTER of one item at
// 1,000 and 1,000,000 rows, which must cost about the same (at most 1.5x).
//
//   rpdb_bench --walk=rpdb|bare --rows=N
//       one warm pass, then one measured pass of the router or the bare
//       loop, for valgrind --tool=callgrind --instr-atstart=no
#include <benchmark/benchmark.h>

#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "callgrind.hpp"
#include "least_reporter.hpp"
#include "walks.hpp"
#include "tarnsrvc.h"

namespace {

constexpr int kColumns = 10;
const char *const kColumnNames[kColumns] = {"PRN_NAME",     "PRN_STATUS", "PRN_SHARED", "PRN_INSTALLED", "PRN_COPIES",
                                            "PRN_LOCATION", "PRN_DESC",   "PRN_DRIVER", "PRN_CONTACT",   "PRN_NOTE"};

std::string g_nodePath;

std::string table_of(long rows) { return "ROWS" + std::to_string(rows); }

// A node with one printer-like table per size; values of mixed lengths.
void build_node(const std::string &path, std::initializer_list<long> sizes)
{
    sqlite3 *db = nullptr;
    sqlite3_open(path.c_str(), &db);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    for (long rows : sizes) {
        std::string table = table_of(rows);
        sqlite3_exec(db,
                     ("CREATE TABLE " + table +
                      " (PRN_NAME TEXT PRIMARY KEY NOT NULL, PRN_STATUS TEXT, PRN_SHARED TEXT, PRN_INSTALLED TEXT,"
                      " PRN_COPIES INTEGER, PRN_LOCATION TEXT, PRN_DESC TEXT, PRN_DRIVER TEXT, PRN_CONTACT TEXT,"
                      " PRN_NOTE TEXT)")
                         .c_str(),
                     nullptr, nullptr, nullptr);
        sqlite3_stmt *insert = nullptr;
        sqlite3_prepare_v2(db, ("INSERT INTO " + table + " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)").c_str(), -1, &insert,
                           nullptr);
        char name[32];
        for (long i = 0; i < rows; ++i) {
            std::snprintf(name, sizeof name, "PRINTER%07ld", i);
            std::string n = std::to_string(i);
            std::string values[kColumns] = {name,
                                            i % 3 ? "R" : "O",
                                            i % 2 ? "Y" : "N",
                                            "03/15/2021",
                                            std::to_string(i % 99 + 1),
                                            "BLDG A FLOOR " + std::to_string(i % 7),
                                            "Printer " + n + " on the second floor, duplex",
                                            "PCL6 generic driver",
                                            "helpdesk ext. " + std::to_string(4000 + i % 500),
                                            i % 5 ? "" : "toner low"};
            for (int c = 0; c < kColumns; ++c)
                sqlite3_bind_text(insert, c + 1, values[c].c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_step(insert);
            sqlite3_reset(insert);
        }
        sqlite3_finalize(insert);
    }
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

// The descriptor an object library would give: display names, REAL NAMEs.
Descriptor *row_descriptor()
{
    Descriptor *d = nullptr;
    ZeCreateDescriptor(&d);
    for (int c = 0; c < kColumns; ++c) {
        std::string field = std::string("FIELD ") + kColumnNames[c];
        ZeCreateField(d, field.c_str(), "REAL NAME", kColumnNames[c], (char *)0);
    }
    ZeBuildDescriptorHeader(d);
    return d;
}

// A collection of one table through the router, reused pass after pass.
struct RouterWalk {
    explicit RouterWalk(long rows) : desc(row_descriptor())
    {
        ZeCreateDtsInfo(&info);
        ZeSetDtsInfoField(info, ZE_INFO_OBJECT, table_of(rows).c_str());
        ZeSetDtsInfoField(info, ZE_INFO_USERNAME, "bench");
        ZeSetDtsInfoField(info, ZE_INFO_DESTNODE, "BENCH");
        ZeSetDtsInfoField(info, ZE_INFO_DATEFORMAT, "mm/dd/yyyy");
        ZeCreateDtsResult(&result);
        ZeCreateFilter(&filter);
        ZeCreateCollection(&collection);
    }
    ~RouterWalk()
    {
        ZeDestroyCollection(collection);
        ZeDestroyFilter(filter);
        ZeDestroyDtsResult(result);
        ZeDestroyDtsInfo(info);
        ZeDestroyDescriptor(desc);
    }
    RouterWalk(const RouterWalk &) = delete;
    RouterWalk &operator=(const RouterWalk &) = delete;

    // Opens the collection and walks it: the number of items, or -1.
    long walk() { return bench::open_and_walk(desc, info, filter, collection, result, kColumns - 1); }

    Descriptor *desc;
    DtsInfo *info = nullptr;
    DtsResult *result = nullptr;
    Filter *filter = nullptr;
    Collection *collection = nullptr;
};

void BM_TarnRpdbCollection(benchmark::State &state)
{
    const long rows = state.range(0);
    RouterWalk router(rows);
    for (auto _ : state) {
        long walked = router.walk();
        if (walked < 0) {
            state.SkipWithError("ZeOpenDtsCollection failed");
            break;
        }
        if (walked != rows) state.SkipWithError("wrong number of items");
    }
    state.counters["ns_per_row"] = benchmark::Counter(static_cast<double>(state.iterations()) * rows,
                                                      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

std::string bare_sql(long rows)
{
    std::string sql = "SELECT ";
    for (int c = 0; c < kColumns; ++c) sql += std::string(c ? ", " : "") + kColumnNames[c];
    sql += " FROM " + table_of(rows) + " ORDER BY PRN_NAME";
    return sql;
}

// The bare loop: every value of every row copied into `all`; the rows read.
long bare_walk(sqlite3 *db, const std::string &sql, bench::Rows &all)
{
    return bench::bare_sqlite_walk(db, sql.c_str(), kColumns, all);
}

void BM_BareSqlite(benchmark::State &state)
{
    const long rows = state.range(0);
    sqlite3 *db = nullptr;
    sqlite3_open_v2(g_nodePath.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    const std::string sql = bare_sql(rows);
    std::vector<std::vector<std::string>> all;  // reused like the router's collection
    for (auto _ : state)
        if (bare_walk(db, sql, all) != rows) state.SkipWithError("wrong number of rows");
    state.counters["ns_per_row"] = benchmark::Counter(static_cast<double>(state.iterations()) * rows,
                                                      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    sqlite3_close(db);
}

// One warm pass, then one pass counted by callgrind (--instr-atstart=no).
int run_walk(const std::string &kind, long rows)
{
    long walked = -1;
    if (kind == "bare") {
        sqlite3 *db = nullptr;
        sqlite3_open_v2(g_nodePath.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
        const std::string sql = bare_sql(rows);
        std::vector<std::vector<std::string>> all;
        walked = bench::warm_then_counted([&] { return bare_walk(db, sql, all); });
        sqlite3_close(db);
    } else {
        RouterWalk router(rows);
        walked = bench::warm_then_counted([&] { return router.walk(); });
    }
    std::printf("walked %ld rows\n", walked);
    return walked == rows ? 0 : 1;
}

}  // namespace

// The baseline runs first, on a heap no other run has used.
BENCHMARK(BM_BareSqlite)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Apply(bench::least_of_five);
BENCHMARK(BM_TarnRpdbCollection)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Apply(bench::least_of_five);

// ALTER of one item by key: its cost must not grow with the table.
void BM_TarnRpdbAlterOne(benchmark::State &state)
{
    DtsInfo *info = nullptr;
    ZeCreateDtsInfo(&info);
    ZeSetDtsInfoField(info, ZE_INFO_OBJECT, table_of(state.range(0)).c_str());
    ZeSetDtsInfoField(info, ZE_INFO_USERNAME, "bench");
    ZeSetDtsInfoField(info, ZE_INFO_DESTNODE, "BENCH");
    bench::alter_loop(state, info, state.range(0));
    ZeDestroyDtsInfo(info);
}
BENCHMARK(BM_TarnRpdbAlterOne)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMicrosecond)->Apply(bench::least_of_five);

int main(int argc, char **argv)
{
    // A node of its own in a scratch data directory, reached through DEMO_ROUTER.
    std::filesystem::path data = std::filesystem::temp_directory_path() / ("rpdb_bench." + std::to_string(getpid()));
    std::filesystem::create_directories(data / "nodes");
    g_nodePath = (data / "nodes" / "BENCH.db").string();
    setenv("TARN_DATA_DIR", data.c_str(), 1);
    setenv("KVRGLBL0000", data.c_str(), 1);
    setenv("DEMO_ROUTER", "ON", 1);
    unsetenv("TARN_TRACE");

    std::string walk;
    long walkRows = 10000;
    for (int i = 1; i < argc; ++i) {
        std::string_view a = argv[i];
        if (a.rfind("--walk=", 0) == 0) walk = a.substr(7);
        else if (a.rfind("--rows=", 0) == 0) walkRows = std::atol(argv[i] + 7);
    }
    if (!walk.empty()) {
        build_node(g_nodePath, {walkRows});
        int rc = run_walk(walk, walkRows);
        std::filesystem::remove_all(data);
        return rc;
    }
    build_node(g_nodePath, {1000, 10000, 100000, 1000000});

    benchmark::Initialize(&argc, argv);
    bench::LeastReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    double perRow[2] = {0, 0};
    int i = 0;
    for (long rows : {10000L, 100000L}) {
        std::string arg = "/";  // appended, not "/" + ...: g++ 12 -O3 warns falsely (-Wrestrict)
        arg += std::to_string(rows);
        double router = reporter.ns("BM_TarnRpdbCollection" + arg), bare = reporter.ns("BM_BareSqlite" + arg);
        perRow[i++] = router / static_cast<double>(rows);
        if (router > 0 && bare > 0) bench::result("rpdb_ratio_", rows, router / bare);
        if (router > 0) bench::result("rpdb_ns_per_row_", rows, perRow[i - 1]);
    }
    if (perRow[0] > 0 && perRow[1] > 0) bench::result("rpdb_per_row_growth", perRow[1] / perRow[0]);
    const double alterSmall = reporter.ns("BM_TarnRpdbAlterOne/1000"),
                 alterBig = reporter.ns("BM_TarnRpdbAlterOne/1000000");
    if (alterSmall > 0 && alterBig > 0) {
        bench::result("rpdb_alter_us_1000", alterSmall / 1000);
        bench::result("rpdb_alter_us_1000000", alterBig / 1000);
        bench::result("rpdb_alter_growth", alterBig / alterSmall);
    }
    std::filesystem::remove_all(data);
    return 0;
}
