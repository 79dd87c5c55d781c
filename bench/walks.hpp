// The walks the collection benchmarks share: a bare sqlite3 loop that copies
// every value, and a collection opened through the item operations and
// walked item by item.
#pragma once

#include "tarnsrvc.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace bench {

using Rows = std::vector<std::vector<std::string>>;

// Every value of the first `columns` columns of every row of `sql` copied
// into `all`; the number of rows read.
inline long bare_sqlite_walk(sqlite3 *db, const char *sql, int columns, Rows &all)
{
    all.clear();
    sqlite3_stmt *st = nullptr;
    sqlite3_prepare_v2(db, sql, -1, &st, nullptr);
    while (sqlite3_step(st) == SQLITE_ROW) {
        std::vector<std::string> row;
        row.reserve(static_cast<std::size_t>(columns));
        for (int c = 0; c < columns; ++c) {
            const unsigned char *v = sqlite3_column_text(st, c);
            row.emplace_back(v ? reinterpret_cast<const char *>(v) : "");
        }
        all.push_back(std::move(row));
    }
    sqlite3_finalize(st);
    benchmark::DoNotOptimize(all.data());
    return static_cast<long>(all.size());
}

// One collection through the router, every item's value `last` read; the
// number of items walked, or -1.
inline long open_and_walk(Descriptor *desc, DtsInfo *info, Filter *filter, Collection *collection, DtsResult *result,
                          int last)
{
    if (ZeOpenDtsCollection(desc, info, filter, collection, result) != ZE_OK) return -1;
    long walked = 0;
    for (Item *item = ZeFirstCollectionItem(collection); item; item = ZeNextCollectionItem(collection)) {
        benchmark::DoNotOptimize(ZeItemValues(item)[last]);
        ++walked;
    }
    return walked;
}

// ALTER of one item of a printer-like table by its key, through the
// router: PRN_COPIES set to `copies`. The router's code, ZE_OK when done.
inline unsigned alter_one(DtsInfo *info, const std::string &key, int copies)
{
    DtsAction *action = nullptr;
    DtsResult *result = nullptr;
    Filter *filter = nullptr;
    unsigned rc = ZeCreateDtsAction(&action);
    if (rc == ZE_OK) rc = ZeCreateDtsResult(&result);
    if (rc == ZE_OK) rc = ZeCreateFilter(&filter);
    if (rc == ZE_OK) rc = ZeAddFilterItem(filter, "PRN_NAME", "EQ", key.c_str());
    if (rc == ZE_OK) rc = ZeAddFilterItem(filter, "PRN_COPIES", "EQ", std::to_string(copies).c_str());
    if (rc == ZE_OK) rc = ZeSetDtsActionRequestFilter(action, filter, nullptr, 0);
    if (rc == ZE_OK) rc = ZeRouteDtsAction(action, info, "ALTER", result);
    ZeDestroyFilter(filter);
    ZeDestroyDtsResult(result);
    ZeDestroyDtsAction(action);
    return rc;
}

// The key of row i of the tables the benchmarks make.
inline std::string printer_key(long i)
{
    char name[32];
    std::snprintf(name, sizeof name, "PRINTER%07ld", i);
    return name;
}

// ALTER of one item at a time, each time another item spread over the
// table of `rows` rows on the node of `info`.
inline void alter_loop(benchmark::State &state, DtsInfo *info, long rows)
{
    // One ALTER first: the connection and the table's columns are read once.
    if (alter_one(info, printer_key(0), 1) != ZE_OK) state.SkipWithError("ALTER failed");
    long i = 0;
    for (auto _ : state) {
        if (alter_one(info, printer_key(i * 7919 % rows), static_cast<int>(i % 99 + 1)) != ZE_OK) {
            state.SkipWithError("ALTER failed");
            break;
        }
        ++i;
    }
}

}  // namespace bench
