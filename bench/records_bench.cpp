// Records: collections append and walk in constant time per item, adding
// a criterion costs the same at any filter size, and record files are read
// and written at a small multiple of plain fread/fwrite of the same bytes.
//
//   records_bench --read=rdw|plain --records=N
//       writes N records, reads them once, then once more counted;
//   records_bench --write=rdw|plain --records=N
//       writes N records once, then once more counted;
//   both for valgrind --tool=callgrind --instr-atstart=no
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <malloc.h>
#include <string>
#include <string_view>

#include "callgrind.hpp"
#include "least_reporter.hpp"
#include "tarnsrvc.h"

namespace {

// Seconds per item, shown by the library as ns (or us) per item.
benchmark::Counter per_item(double items)
{
    return benchmark::Counter(items, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_CollectionAppendAndWalk(benchmark::State &state)
{
    const long n = state.range(0);
    const char *values[] = {"node", "parent"};
    for (auto _ : state) {
        Collection *c = nullptr;
        ZeCreateCollection(&c);
        for (long i = 0; i < n; ++i) {
            Item *item = nullptr;
            ZeCreateItem(&item);
            ZeSetItemValues(item, values, 2);
            ZeInsertCollectionItem(c, item);
        }
        long seen = 0;
        for (Item *item = ZeFirstCollectionItem(c); item; item = ZeNextCollectionItem(c)) ++seen;
        benchmark::DoNotOptimize(seen);
        ZeDestroyCollection(c);
    }
    state.counters["per_item"] = per_item(static_cast<double>(n));
}
BENCHMARK(BM_CollectionAppendAndWalk)->Arg(100000)->Arg(1000000)->MinTime(2.0)->Unit(benchmark::kMillisecond);

void BM_AddCriteria(benchmark::State &state)
{
    const long n = state.range(0);
    for (auto _ : state) {
        Filter *f = nullptr;
        ZeCreateFilter(&f);
        for (long i = 0; i < n; ++i) ZeAddFilterItem(f, "NAME", "EQ", "value");
        benchmark::DoNotOptimize(ZeGetFilterItemCount(f));
        ZeDestroyFilter(f);
    }
    state.counters["per_criterion"] = per_item(static_cast<double>(n));
}
BENCHMARK(BM_AddCriteria)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(3)
    ->ComputeStatistics("min", bench::least)
    ->ReportAggregatesOnly(true);

// ------------------------------------------------------------ record files

constexpr int kColumns = 5;

// Five short values per row; the row number makes each record differ.
struct Row {
    char number[24];
    char *values[kColumns];
    Row()
    {
        static char name[] = "printer", type[] = "TEXT", state[] = "ACTIVE", owner[] = "admin";
        values[0] = number;
        values[1] = name;
        values[2] = type;
        values[3] = state;
        values[4] = owner;
    }
    void set(long i) { std::snprintf(number, sizeof number, "%08ld", i); }
};

void put_word(unsigned char *p, std::size_t v)
{
    p[0] = static_cast<unsigned char>(v & 0xFF);
    p[1] = static_cast<unsigned char>(v >> 8);
}

// The same record bytes, formatted by hand and written with one fwrite.
void plain_write(FILE *f, char **values)
{
    unsigned char record[512];
    std::size_t at = 2;
    for (int i = 0; i < kColumns; ++i) {
        std::size_t n = std::strlen(values[i]);
        put_word(record + at, n);
        std::memcpy(record + at + 2, values[i], n);
        at += 2 + n;
    }
    put_word(record, at);
    put_word(record + at, at);
    std::fwrite(record, 1, at + 2, f);
}

// The record length, then the rest of the record and its trailer.
bool plain_read(FILE *f)
{
    unsigned char word[2], rest[65536];
    if (std::fread(word, 1, 2, f) != 2) return false;
    std::size_t n = static_cast<std::size_t>(word[0] | word[1] << 8);
    return std::fread(rest, 1, n, f) == n;
}

double seconds_since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_RdwVersusPlainStdio(benchmark::State &state)
{
    const long rows = state.range(0);
    char path[TARN_MAX_PATH];
    TarnGetTempFileName(nullptr, "rdwbench", path);
    Row row;
    double rdwWrite = 1e9, rdwRead = 1e9, plainWrite = 1e9, plainRead = 1e9;  // least over the iterations
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        FILE *f = std::fopen(path, "wb");
        for (long i = 0; i < rows; ++i) {
            row.set(i);
            ZeWriteRdwData(f, row.values, kColumns);
        }
        std::fclose(f);
        rdwWrite = std::min(rdwWrite, seconds_since(start));

        start = std::chrono::steady_clock::now();
        f = std::fopen(path, "rb");
        char *values[kColumns] = {};
        long read = 0;
        while (ZeReadRdwData(f, values, kColumns) == ZE_OK) ++read;
        ZeFreeRdwData(values, kColumns);
        std::fclose(f);
        rdwRead = std::min(rdwRead, seconds_since(start));
        if (read != rows) state.SkipWithError("the record file did not read back");

        start = std::chrono::steady_clock::now();
        f = std::fopen(path, "wb");
        for (long i = 0; i < rows; ++i) {
            row.set(i);
            plain_write(f, row.values);
        }
        std::fclose(f);
        plainWrite = std::min(plainWrite, seconds_since(start));

        start = std::chrono::steady_clock::now();
        f = std::fopen(path, "rb");
        while (plain_read(f)) {}
        std::fclose(f);
        plainRead = std::min(plainRead, seconds_since(start));
    }
    std::remove(path);
    state.counters["write_ratio"] = rdwWrite / plainWrite;
    state.counters["read_ratio"] = rdwRead / plainRead;
    state.counters["ratio"] = (rdwWrite + rdwRead) / (plainWrite + plainRead);
    state.counters["rdw_ns_per_record"] = (rdwWrite + rdwRead) * 1e9 / static_cast<double>(rows);
    std::printf("record files: %ld records of %d values, RDW functions / plain stdio = %.2f (write %.2f, read %.2f)\n",
                rows, kColumns, (rdwWrite + rdwRead) / (plainWrite + plainRead), rdwWrite / plainWrite,
                rdwRead / plainRead);
    bench::result("rdw_read_ratio", rdwRead / plainRead);
    bench::result("rdw_write_ratio", rdwWrite / plainWrite);
}
BENCHMARK(BM_RdwVersusPlainStdio)->Arg(1000000)->Iterations(5)->Unit(benchmark::kMillisecond);

// Every record of the file read with ZeReadRdwData or plain_read: the count.
long read_all(const char *path, bool rdw)
{
    FILE *f = std::fopen(path, "rb");
    long read = 0;
    if (rdw) {
        char *values[kColumns] = {};
        while (ZeReadRdwData(f, values, kColumns) == ZE_OK) ++read;
        ZeFreeRdwData(values, kColumns);
    } else {
        while (plain_read(f)) ++read;
    }
    std::fclose(f);
    return read;
}

// One warm pass, then one pass counted by callgrind (--instr-atstart=no).
int run_read(std::string_view kind, long records)
{
    char path[TARN_MAX_PATH];
    TarnGetTempFileName(nullptr, "rdwbench", path);
    FILE *f = std::fopen(path, "wb");
    Row row;
    for (long i = 0; i < records; ++i) {
        row.set(i);
        ZeWriteRdwData(f, row.values, kColumns);
    }
    std::fclose(f);
    const bool rdw = kind == "rdw";
    const long read = bench::warm_then_counted([&] { return read_all(path, rdw); });
    std::remove(path);
    std::printf("read %ld records\n", read);
    return read == records ? 0 : 1;
}

// N records written with ZeWriteRdwData or plain_write.
void write_all(const char *path, bool rdw, long records)
{
    FILE *f = std::fopen(path, "wb");
    Row row;
    for (long i = 0; i < records; ++i) {
        row.set(i);
        if (rdw) ZeWriteRdwData(f, row.values, kColumns);
        else plain_write(f, row.values);
    }
    std::fclose(f);
}

int run_write(std::string_view kind, long records)
{
    char path[TARN_MAX_PATH];
    TarnGetTempFileName(nullptr, "rdwbench", path);
    const bool rdw = kind == "rdw";
    bench::warm_then_counted([&] {
        write_all(path, rdw, records);
        return 0;
    });
    const long read = read_all(path, true);
    std::remove(path);
    std::printf("wrote %ld records\n", read);
    return read == records ? 0 : 1;
}

}  // namespace

// Freed memory stays with the process, so that each size measures the
// library's work rather than the kernel's first touch of fresh pages (about
// 1 us per collection item on small virtual machines, at every size alike).
int main(int argc, char **argv)
{
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    mallopt(M_MMAP_THRESHOLD, 1 << 30);
    std::string_view read, write;
    long records = 100000;
    for (int i = 1; i < argc; ++i) {
        std::string_view a = argv[i];
        if (a.rfind("--read=", 0) == 0) read = a.substr(7);
        else if (a.rfind("--write=", 0) == 0) write = a.substr(8);
        else if (a.rfind("--records=", 0) == 0) records = std::atol(argv[i] + 10);
    }
    if (!read.empty()) return run_read(read, records);
    if (!write.empty()) return run_write(write, records);
    benchmark::Initialize(&argc, argv);
    bench::LeastReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    const double small = reporter.ns("BM_AddCriteria/1000") / 1000,
                 large = reporter.ns("BM_AddCriteria/100000") / 100000;
    if (small > 0 && large > 0) {
        bench::result("criterion_ns_1000", small);
        bench::result("criterion_ns_100000", large);
        bench::result("criterion_growth", large / small);
    }
    return 0;
}
