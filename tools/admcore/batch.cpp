// batch.cpp - items carried out as batches, each item's outcome collected.
#include "batch.hpp"

#include "items.hpp"
#include "text.hpp"

#include <algorithm>

namespace admcore {
namespace {

unsigned mode_of(const Batching &batching)
{
    unsigned mode = batching.atomic ? ZE_BATCH_ATOMIC : ZE_BATCH_BEST_EFFORT;
    if (batching.stopAtFailure && !batching.atomic) mode |= ZE_BATCH_STOP_AT_FAILURE;
    if (batching.existing == Existing::Skip) mode |= ZE_BATCH_SKIP_EXISTING;
    if (batching.existing == Existing::Replace) mode |= ZE_BATCH_REPLACE_EXISTING;
    return mode;
}

// The item as the node is to get it: a DEFINE completed, in its own
// filter, with the defaults (once: a default named already is not added).
unsigned add_item(DtsBatch *batch, Descriptor *descriptor, bool define, Filter *filter)
{
    if (define)
        if (unsigned rc = ZeSetupDtsDefineFilter(filter, filter, descriptor)) return rc;
    return ZeAddDtsBatchItem(batch, filter);
}

// A failed item; the node's code only when the node refused it, the code's
// meaning when no message came with it.
ItemFailure failure(std::size_t item, unsigned code, unsigned nodeCode, const char *message)
{
    ItemFailure f{item, code, code == ZE_RC_ROUTER_FAILED ? nodeCode : 0u, message ? message : ""};
    if (f.message.empty()) f.message = std::string(library_code_meaning(code));
    return f;
}

void collect(DtsBatch *batch, std::size_t first, BatchReport &report)
{
    unsigned count = 0;
    ZeGetDtsBatchSize(batch, &count);
    for (unsigned i = 0; i < count; ++i) {
        unsigned state = 0, code = 0, nodeCode = 0;
        const char *message = nullptr;
        ZeGetDtsBatchOutcome(batch, i, &state, &code, &nodeCode, &message);
        switch (state) {
        case ZE_BATCH_DONE: ++report.done; break;
        case ZE_BATCH_SKIPPED: ++report.skipped; break;
        case ZE_BATCH_REPLACED: ++report.replaced; break;
        case ZE_BATCH_UNDONE: ++report.undone; break;
        case ZE_BATCH_FAILED: report.failures.push_back(failure(first + i + 1, code, nodeCode, message)); break;
        default: ++report.notRun; break;
        }
    }
}

}  // namespace

Result<std::vector<FilterPtr>> define_filters(Kind &kind, const std::vector<std::vector<std::string>> &items)
{
    std::vector<FilterPtr> filters;
    const DateServiceHold dates;
    for (std::size_t i = 0; i < items.size(); ++i) {
        const std::string which = "item " + std::to_string(i + 1) + ": ";
        if (items[i].empty()) return usage_problem(which + "no FIELD=VALUE");
        Result<FilterPtr> filter = values_filter(kind.fields, items[i]);
        if (filter) {
            if (Failure refused = validate_values(kind, filter->get())) filter = *refused;
        }
        if (!filter) {
            Problem problem = filter.problem();
            problem.what = which + problem.what + (problem.outcome == Outcome::Invalid ? "; nothing defined" : "");
            return problem;
        }
        filters.push_back(std::move(*filter));
    }
    return filters;
}

Result<std::vector<FilterPtr>> key_filters(const Kind &kind, const std::vector<std::string> &keys)
{
    std::vector<FilterPtr> filters;
    for (const std::string &key : keys) {
        Result<FilterPtr> filter = key_filter(kind, key, {});
        if (!filter) return filter.problem();
        filters.push_back(std::move(*filter));
    }
    return filters;
}

Batches make_batches(Descriptor *descriptor, const char *command, std::size_t count, const ItemSource &item,
                     const Batching &batching)
{
    const bool define = std::string_view(command) == "DEFINE";
    const std::size_t size = batching.atomic ? count : std::max<std::size_t>(batching.size, 1);
    Batches batches;
    for (std::size_t first = 0; first < count; first += size) {
        PreparedBatch prepared;
        prepared.first = first;
        prepared.end = std::min(count, first + size);
        DtsBatch *made = nullptr;
        prepared.rc = ZeCreateDtsBatch(command, mode_of(batching), &made);
        prepared.batch.reset(made);
        for (std::size_t i = first; prepared.rc == ZE_OK && i < prepared.end; ++i) {
            FilterPtr owned;
            Filter *filter = item(i, owned);
            prepared.rc = filter ? add_item(prepared.batch.get(), descriptor, define, filter) : ZE_RC_NO_MEMORY;
        }
        const bool failed = prepared.rc != ZE_OK;
        batches.push_back(std::move(prepared));
        if (failed) break;  // reported when the batches before it have run
    }
    return batches;
}

Result<BatchReport> run_batches(Kind &kind, const char *command, Batches &batches, std::size_t count,
                                const Batching &batching)
{
    Descriptor *descriptor = ZeGenericObjDescriptor(kind.object);
    DtsInfo *info = ZeGenericObjInfo(kind.object);
    DtsResult *result = ZeGenericObjResult(kind.object);
    BatchReport report;
    for (PreparedBatch &prepared : batches) {
        const std::size_t first = prepared.first, end = prepared.end;
        unsigned rc = prepared.rc;
        if (rc == ZE_OK) rc = ZeRunDtsBatch(prepared.batch.get(), descriptor, info, result);
        auto problem = [&] {
            return action_problem(kind,
                                  std::string("cannot ") + lower_case(command) + " the items" +
                                      (first ? " from item " + std::to_string(first + 1) : ""),
                                  rc);
        };
        if (rc != ZE_OK && rc != ZE_RC_ROUTER_FAILED && rc != ZE_RC_ANSWER_LOST) return problem();
        const std::size_t notRun = report.notRun;
        collect(prepared.batch.get(), first, report);
        prepared.batch.reset();  // its outcomes are read: the memory goes back before the next runs
        // A failure that left every item unrun failed the batch as a whole (the node unknown or down).
        if (rc != ZE_OK && report.notRun - notRun == end - first) return problem();
        if (batching.stopAtFailure && !report.failures.empty()) break;
        if (batching.progress && !batching.progress(report, end) && end < count) {
            report.stopped = true;
            break;
        }
    }
    return report;
}

Result<BatchReport> run_items(Kind &kind, const char *command, const std::vector<FilterPtr> &items,
                              const Batching &batching)
{
    Batches batches = make_batches(
        ZeGenericObjDescriptor(kind.object), command, items.size(),
        [&](std::size_t i, FilterPtr &) { return items[i].get(); }, batching);
    return run_batches(kind, command, batches, items.size(), batching);
}

}  // namespace admcore
