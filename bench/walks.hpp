// The walks the collection benchmarks share: a bare sqlite3 loop that copies
// every value, and a collection opened through the item operations and
// walked item by item.
#pragma once

#include "tarnsrvc.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

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

}  // namespace bench
