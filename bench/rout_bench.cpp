// The default router against bare libpq, on a throwaway local cluster
// reached over its Unix socket: ZeOpenDtsCollection of 10,000 and 100,000
// rows x 10 columns through TarnRout, walking every item, next to a plain
// PQexecParams loop that selects the same rows and copies every value into
// std::vector<std::string>. Prints the ratio at both sizes (target: at most
// 1.5x), the operator new calls per row of each (a figure the machine's
// load does not change), and a collection of 1,000 rows from each of 1, 2,
// 4 and 8 nodes in turn, whose time must grow linearly, with one
// connection per node kept; and ALTER of one item at 1,000 and 1,000,000
// rows, which must cost about the same (at most 1.5x), next to the UPDATE
// with the key under COLLATE "C" as it was written before. Times are
// wall-clock (the server's work counts), the least of the repetitions. For instruction counts run it under
//   valgrind --tool=callgrind build-bench/bin/rout_bench --benchmark_filter=100000
#include <benchmark/benchmark.h>

#include <libpq-fe.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "least_reporter.hpp"
#include "tarnsrvc.h"
#include "walks.hpp"

// Every operator new of the process, the router's included.
static std::atomic<long> g_news{0};
void *operator new(std::size_t size)
{
    ++g_news;
    if (void *p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void *p) noexcept { std::free(p); }
void operator delete(void *p, std::size_t) noexcept { std::free(p); }

namespace {

constexpr int kColumns = 10;
constexpr long kNodeRows = 1000;
const char *const kColumnNames[kColumns] = {"PRN_NAME",     "PRN_STATUS", "PRN_SHARED", "PRN_INSTALLED", "PRN_COPIES",
                                            "PRN_LOCATION", "PRN_DESC",   "PRN_DRIVER", "PRN_CONTACT",   "PRN_NOTE"};

std::string g_socket;
std::map<std::string, double> g_newsPerRow;

std::string table_of(long rows) { return "ROWS" + std::to_string(rows); }
std::string conninfo(const std::string &db) { return "host=" + g_socket + " dbname=" + db + " user=tarn_admin"; }

bool run_sql(const std::string &db, const std::string &sql)
{
    PGconn *conn = PQconnectdb(conninfo(db).c_str());
    PGresult *r = PQexec(conn, sql.c_str());
    const bool ok = PQresultStatus(r) == PGRES_COMMAND_OK || PQresultStatus(r) == PGRES_TUPLES_OK;
    if (!ok) std::fprintf(stderr, "rout_bench: %s", PQerrorMessage(conn));
    PQclear(r);
    PQfinish(conn);
    return ok;
}

// A printer-like table of `rows` rows, values of mixed lengths.
std::string make_table(long rows)
{
    const std::string t = table_of(rows);
    return "CREATE TABLE " + t +
           " (PRN_NAME TEXT PRIMARY KEY, PRN_STATUS TEXT, PRN_SHARED TEXT, PRN_INSTALLED TEXT, PRN_COPIES INTEGER,"
           " PRN_LOCATION TEXT, PRN_DESC TEXT, PRN_DRIVER TEXT, PRN_CONTACT TEXT, PRN_NOTE TEXT);"
           " INSERT INTO " +
           t +
           " SELECT 'PRINTER' || lpad(i::text, 7, '0'), CASE WHEN i % 3 = 0 THEN 'O' ELSE 'R' END,"
           " CASE WHEN i % 2 = 0 THEN 'N' ELSE 'Y' END, '03/15/2021', i % 99 + 1, 'BLDG A FLOOR ' || i % 7,"
           " 'Printer ' || i || ' on the second floor, duplex', 'PCL6 generic driver',"
           " 'helpdesk ext. ' || 4000 + i % 500,"
           " CASE WHEN i % 5 = 0 THEN 'toner low' END FROM generate_series(0, " +
           std::to_string(rows - 1) +
           ") i;"
           " ANALYZE " +
           t;
}

Descriptor *row_descriptor()
{
    Descriptor *d = nullptr;
    ZeCreateDescriptor(&d);
    for (const char *column : kColumnNames)
        ZeCreateField(d, (std::string("FIELD ") + column).c_str(), "REAL NAME", column, (char *)0);
    ZeBuildDescriptorHeader(d);
    return d;
}

struct Request {
    Descriptor *desc = row_descriptor();
    DtsInfo *info = nullptr;
    DtsResult *result = nullptr;
    Filter *filter = nullptr;
    Collection *collection = nullptr;
    Request(const std::string &node, const std::string &object)
    {
        ZeCreateDtsInfo(&info);
        ZeSetDtsInfoField(info, ZE_INFO_OBJECT, object.c_str());
        ZeSetDtsInfoField(info, ZE_INFO_USERNAME, "bench");
        ZeSetDtsInfoField(info, ZE_INFO_DESTNODE, node.c_str());
        ZeCreateDtsResult(&result);
        ZeCreateFilter(&filter);
        ZeCreateCollection(&collection);
    }
    ~Request()
    {
        ZeDestroyCollection(collection);
        ZeDestroyFilter(filter);
        ZeDestroyDtsResult(result);
        ZeDestroyDtsInfo(info);
        ZeDestroyDescriptor(desc);
    }
    long run() { return bench::open_and_walk(desc, info, filter, collection, result, kColumns - 1); }
};

void BM_TarnRoutCollection(benchmark::State &state)
{
    const long rows = state.range(0);
    Request request("BENCH", table_of(rows));
    long news = 0, passes = 0;
    for (auto _ : state) {
        const long before = g_news;
        if (request.run() != rows) {
            state.SkipWithError("ZeOpenDtsCollection failed or walked the wrong number of items");
            break;
        }
        news += g_news - before;
        ++passes;
    }
    if (passes) g_newsPerRow["TarnRout/" + std::to_string(rows)] = static_cast<double>(news) / passes / rows;
}

void BM_BareLibpq(benchmark::State &state)
{
    const long rows = state.range(0);
    PGconn *conn = PQconnectdb(conninfo("BENCH").c_str());
    std::string sql = "SELECT ";
    for (int c = 0; c < kColumns; ++c) sql += std::string(c ? ", " : "") + kColumnNames[c];
    sql += " FROM " + table_of(rows) + " ORDER BY PRN_NAME COLLATE \"C\"";
    std::vector<std::vector<std::string>> all;  // reused like the router's collection
    long news = 0, passes = 0;
    for (auto _ : state) {
        const long before = g_news;
        all.clear();
        PGresult *r = PQexecParams(conn, sql.c_str(), 0, nullptr, nullptr, nullptr, nullptr, 0);
        const int n = PQntuples(r);
        for (int i = 0; i < n; ++i) {
            std::vector<std::string> row;
            row.reserve(kColumns);
            for (int c = 0; c < kColumns; ++c) row.emplace_back(PQgetvalue(r, i, c), PQgetlength(r, i, c));
            all.push_back(std::move(row));
        }
        PQclear(r);
        if (n != rows) state.SkipWithError("wrong number of rows");
        benchmark::DoNotOptimize(all.data());
        news += g_news - before;
        ++passes;
    }
    if (passes) g_newsPerRow["bare libpq/" + std::to_string(rows)] = static_cast<double>(news) / passes / rows;
    PQfinish(conn);
}

// A collection of kNodeRows rows from each of the first `nodes` nodes in
// turn, into one collection, so that the memory in use stays the same.
void BM_NodesInTurn(benchmark::State &state)
{
    Request request("N1", table_of(kNodeRows));
    std::vector<std::string> nodes;
    for (long n = 1; n <= state.range(0); ++n) nodes.push_back("N" + std::to_string(n));
    for (auto _ : state)
        for (const std::string &node : nodes) {
            ZeSetDtsInfoField(request.info, ZE_INFO_DESTNODE, node.c_str());
            if (request.run() != kNodeRows) state.SkipWithError("a node's collection failed");
        }
}

// ALTER of one item by key: served by the key's index, its cost must not
// grow with the table.
void BM_TarnRoutAlterOne(benchmark::State &state)
{
    Request request("BENCH", table_of(state.range(0)));
    bench::alter_loop(state, request.info, state.range(0));
}

// The same UPDATE by bare libpq with the key under COLLATE "C", as the
// router wrote it before: the index cannot serve it, the table is read.
void BM_BareCollateCAlter(benchmark::State &state)
{
    PGconn *conn = PQconnectdb(conninfo("BENCH").c_str());
    const std::string sql = "UPDATE " + table_of(state.range(0)) +
                            " SET prn_copies = CAST($1 AS integer) WHERE prn_name COLLATE \"C\" = CAST($2 AS text)";
    long i = 0;
    for (auto _ : state) {
        const std::string key = bench::printer_key(i * 7919 % state.range(0)), copies = std::to_string(i % 99 + 1);
        const char *values[] = {copies.c_str(), key.c_str()};
        PGresult *r = PQexecParams(conn, sql.c_str(), 2, nullptr, values, nullptr, nullptr, 0);
        if (PQresultStatus(r) != PGRES_COMMAND_OK || std::string_view(PQcmdTuples(r)) != "1")
            state.SkipWithError("UPDATE failed");
        PQclear(r);
        ++i;
    }
    PQfinish(conn);
}

class LeastTimeReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs)
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "min" && !run.error_occurred)
                ms_[run.run_name.function_name + "/" + run.run_name.args] = run.GetAdjustedRealTime();
    }
    double ms(const std::string &name) const
    {
        auto it = ms_.find(name);
        return it == ms_.end() ? 0.0 : it->second;
    }

private:
    std::map<std::string, double> ms_;
};

// Connections the router holds to the bench nodes.
std::string router_connections()
{
    PGconn *conn = PQconnectdb(conninfo("postgres").c_str());
    PGresult *r = PQexec(conn, "SELECT count(*) FROM pg_stat_activity WHERE application_name = 'TarnRout'");
    std::string count = PQresultStatus(r) == PGRES_TUPLES_OK ? PQgetvalue(r, 0, 0) : "?";
    PQclear(r);
    PQfinish(conn);
    return count;
}

}  // namespace

BENCHMARK(BM_BareLibpq)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Apply(bench::least_of_five);
BENCHMARK(BM_TarnRoutCollection)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Apply(bench::least_of_five);
BENCHMARK(BM_TarnRoutAlterOne)
    ->Arg(1000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Apply(bench::least_of_five);
BENCHMARK(BM_BareCollateCAlter)
    ->Arg(1000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Apply(bench::least_of_five);
BENCHMARK(BM_NodesInTurn)
    ->Arg(1)
    ->Arg(2)
    ->Arg(4)
    ->Arg(8)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Apply(bench::least_of_five);

int main(int argc, char **argv)
{
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("rout_bench." + std::to_string(getpid()));
    const std::string pgnodes = std::string(PGNODES) + " ";
    if (std::system((pgnodes + "start " + dir.string() + " " TARNMKNODE " " SQL_DIR " >/dev/null").c_str()) != 0)
        return 1;
    g_socket = std::filesystem::canonical(dir / "socket").string();
    setenv("PGPASSFILE", (dir / "pgpass").c_str(), 1);
    std::ofstream map(dir / "nodes.conf");
    bool ok = run_sql("postgres", "CREATE DATABASE \"BENCH\"") &&
              run_sql("BENCH", make_table(10000) + ";" + make_table(100000)) &&
              run_sql("BENCH", make_table(1000) + ";" + make_table(1000000));
    map << "[BENCH]\nhost=" << g_socket << "\ndbname=BENCH\nuser=tarn_admin\n";
    for (int n = 1; ok && n <= 8; ++n) {
        const std::string node = "N" + std::to_string(n);
        ok = run_sql("postgres", "CREATE DATABASE \"" + node + "\"") && run_sql(node, make_table(kNodeRows));
        map << "[" << node << "]\nhost=" << g_socket << "\ndbname=" << node << "\nuser=tarn_admin\n";
    }
    map.close();
    setenv("TARN_DATA_DIR", dir.c_str(), 1);
    unsetenv("DEMO_ROUTER");
    unsetenv("TARN_TRACE");

    if (ok) {
        benchmark::Initialize(&argc, argv);
        LeastTimeReporter reporter;
        benchmark::RunSpecifiedBenchmarks(&reporter);
        benchmark::Shutdown();
        for (long rows : {10000L, 100000L}) {
            const std::string arg = "/" + std::to_string(rows);
            const double router = reporter.ms("BM_TarnRoutCollection" + arg), bare = reporter.ms("BM_BareLibpq" + arg);
            if (router > 0 && bare > 0)
                std::printf(
                    "%ld rows: TarnRout %.1f ms, bare libpq %.1f ms (least wall time), ratio %.2fx (target <= 1.5x);"
                    " operator new per row (C++ heap; libpq and library blocks use malloc):"
                    " TarnRout %.2f, bare libpq %.2f\n",
                    rows, router, bare, router / bare, g_newsPerRow["TarnRout" + arg],
                    g_newsPerRow["bare libpq" + arg]);
        }
        const double alterSmall = reporter.ms("BM_TarnRoutAlterOne/1000"),
                     alterBig = reporter.ms("BM_TarnRoutAlterOne/1000000");
        if (alterSmall > 0 && alterBig > 0) {
            std::printf("ALTER of one item: %.3f ms at 1,000 rows, %.3f ms at 1,000,000 rows (target <= 1.5x)\n",
                        alterSmall, alterBig);
            bench::result("rout_alter_growth", alterBig / alterSmall);
        }
        const double oldSmall = reporter.ms("BM_BareCollateCAlter/1000"),
                     oldBig = reporter.ms("BM_BareCollateCAlter/1000000");
        if (oldSmall > 0 && oldBig > 0) {
            std::printf("the key under COLLATE \"C\" (no index), bare libpq: %.3f ms at 1,000 rows, %.3f ms at"
                        " 1,000,000 rows\n",
                        oldSmall, oldBig);
            bench::result("rout_collate_c_alter_growth", oldBig / oldSmall);
        }
        const double one = reporter.ms("BM_NodesInTurn/1");
        for (int nodes : {2, 4, 8})
            if (one > 0)
                std::printf("%d nodes in turn: %.1f ms, %.2fx one node (linear: %d.00x)\n", nodes,
                            reporter.ms("BM_NodesInTurn/" + std::to_string(nodes)),
                            reporter.ms("BM_NodesInTurn/" + std::to_string(nodes)) / one, nodes);
        std::printf("connections the router keeps open: %s (one per node)\n", router_connections().c_str());
    }
    std::system((pgnodes + "stop " + dir.string() + " >/dev/null").c_str());
    std::filesystem::remove_all(dir);
    return ok ? 0 : 1;
}
