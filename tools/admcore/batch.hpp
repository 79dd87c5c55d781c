// batch.hpp - many items of one kind defined, altered or deleted as
// batches (ZeRunDtsBatch): one request per batch instead of one per item,
// each item with its own outcome. Best effort runs the items in batches of
// `Batching::size` so that a caller can show progress and stop between two;
// atomic runs them as one batch, one transaction, all or nothing.
#pragma once

#include "criteria.hpp"

#include <functional>

namespace admcore {

// What becomes of a DEFINE whose key is taken.
enum class Existing { Fail, Skip, Replace };

struct BatchReport;

struct Batching {
    bool atomic = false;
    bool stopAtFailure = false;          // best effort up to the first failing item, then stop
    Existing existing = Existing::Fail;  // DEFINE only
    std::size_t size = 1000;             // items per batch when not atomic
    // Called after each batch with the report so far and the number of
    // items sent; false stops before the next batch.
    std::function<bool(const BatchReport &, std::size_t)> progress;
};

// One item that failed (or, in an atomic batch, was not carried out).
struct ItemFailure {
    std::size_t item;     // from 1, in the order given
    unsigned code;        // the library's code for the item (ZE_RC_ROUTER_FAILED, a check's code)
    unsigned nodeCode;    // the node's code when the node refused the item, else 0
    std::string message;  // the node's message, else the code's meaning
};

struct BatchReport {
    std::size_t done = 0, skipped = 0, replaced = 0, undone = 0, notRun = 0;
    std::vector<ItemFailure> failures;
    bool stopped = false;  // the progress callback asked to stop
};

// Carries `command` ("DEFINE", "ALTER", "DELETE") out for each filter on
// the kind's node. DEFINE items get the fields' default values, as DEFINE
// ITEM gives them: they are added to the items' own filters. Each batch is
// made on another thread while the one before it runs; the runs, and
// `progress`, stay on the caller's thread. A problem when nothing could be
// sent (an atomic batch a router cannot carry, the node or router not
// reachable before any item ran); otherwise the report, failed items
// included.
Result<BatchReport> run_items(Kind &kind, const char *command, const std::vector<FilterPtr> &items,
                              const Batching &batching);

// Item `i` of a run: a filter the caller keeps, or one made for the call
// and handed over in `owned` (released once the batch has copied it).
// Called on a thread of the run's own, one item after the other: it may
// read the caller's data, but not use the kind's object.
using ItemSource = std::function<Filter *(std::size_t i, FilterPtr &owned)>;

// run_items of `count` items made one by one as their batch is made.
Result<BatchReport> run_items(Kind &kind, const char *command, std::size_t count, const ItemSource &item,
                              const Batching &batching);

// The DEFINE filters of items given as FIELD=VALUE lists, every value
// validated first: a problem naming the first item at fault ("item 2: ..."),
// so that a refused value defines nothing.
Result<std::vector<FilterPtr>> define_filters(Kind &kind, const std::vector<std::vector<std::string>> &items);

// The filters naming items of `kind` by their keys (DELETE items).
Result<std::vector<FilterPtr>> key_filters(const Kind &kind, const std::vector<std::string> &keys);

}  // namespace admcore
