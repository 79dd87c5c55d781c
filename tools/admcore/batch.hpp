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
// ITEM gives them: they are added to the items' own filters. A problem when nothing could be sent (an atomic batch a
// router cannot carry, the node or router not reachable before any item
// ran); otherwise the report, failed items included.
Result<BatchReport> run_items(Kind &kind, const char *command, const std::vector<FilterPtr> &items,
                              const Batching &batching);

struct BatchDeleter {
    void operator()(DtsBatch *batch) const { ZeDestroyDtsBatch(batch); }
};
using BatchPtr = std::unique_ptr<DtsBatch, BatchDeleter>;

// A batch made ahead of its run: items [first, end) of the whole, or the
// code that stopped making it (the batches before it still run).
struct PreparedBatch {
    BatchPtr batch;
    std::size_t first = 0, end = 0;
    unsigned rc = ZE_OK;
};
using Batches = std::vector<PreparedBatch>;

// Item `i` of a run: a filter the caller keeps, or one made for the call
// and handed over in `owned` (released once the batch has copied it).
using ItemSource = std::function<Filter *(std::size_t i, FilterPtr &owned)>;

// run_items in two steps, so that the batches can be made while something
// else runs (a validation of the same items on the kind's object):
// make_batches reads only the kind's descriptor (ZeGenericObjDescriptor,
// taken beforehand), never the object itself. run_batches runs the batches in
// order, as run_items does, and releases each once its outcomes are read.
Batches make_batches(Descriptor *descriptor, const char *command, std::size_t count, const ItemSource &item,
                     const Batching &batching);
Result<BatchReport> run_batches(Kind &kind, const char *command, Batches &batches, std::size_t count,
                                const Batching &batching);

// The DEFINE filters of items given as FIELD=VALUE lists, every value
// validated first: a problem naming the first item at fault ("item 2: ..."),
// so that a refused value defines nothing.
Result<std::vector<FilterPtr>> define_filters(Kind &kind, const std::vector<std::vector<std::string>> &items);

// The filters naming items of `kind` by their keys (DELETE items).
Result<std::vector<FilterPtr>> key_filters(const Kind &kind, const std::vector<std::string> &keys);

}  // namespace admcore
