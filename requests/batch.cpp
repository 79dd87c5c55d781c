// Batches: many item actions of one command sent to one node as one
// request. The items are kept as copies of the caller's criteria; a run
// maps them for the node, hands them to the router's router_batch (or, for
// a router without it, to router_client one by one) and keeps each item's
// outcome.
#include "requests/batch.hpp"

#include "TarnRouter.h"
#include "ZeEnv.h"
#include "contract/text.hpp"
#include "requests/action.hpp"
#include "requests/itemops.hpp"
#include "records/records.hpp"

#include <climits>
#include <cstring>

ZE_SOURCE_TAG("DtsBatch");

using namespace ze::requests;

namespace {

constexpr const char *kBatchEye = "DTSBATCH";
constexpr const char *kCommands[] = {"DEFINE", "ALTER", "DELETE", "COPY", "RENAME"};
constexpr unsigned kExisting = ZE_BATCH_SKIP_EXISTING | ZE_BATCH_REPLACE_EXISTING;

const char *known_command(const char *command)
{
    for (const char *known : kCommands)
        if (command && ze::equal_nocase(command, known)) return known;
    return nullptr;
}

bool acceptable_mode(const char *command, unsigned mode)
{
    if (mode & ~(ZE_BATCH_ATOMIC | ZE_BATCH_STOP_AT_FAILURE | kExisting)) return false;
    if ((mode & ZE_BATCH_ATOMIC) && (mode & ZE_BATCH_STOP_AT_FAILURE)) return false;
    if ((mode & kExisting) == kExisting) return false;
    return !(mode & kExisting) || std::strcmp(command, "DEFINE") == 0;
}

void clear_outcome(DtsBatchItem &item)
{
    item.state = ZE_BATCH_NOT_RUN;
    item.code = item.nodeCode = ZE_OK;
    ZE_FREE(item.message);
}

void release_item(DtsBatchItem &item)
{
    clear_outcome(item);
    if (item.criteria) explicit_bzero(item.criteria, item.criteriaSize);
    ZE_FREE(item.criteria);
    if (item.request) ZeDestroyFilter(item.request);
}

void release(DtsBatch *batch)
{
    for (unsigned i = 0; i < batch->count; ++i) release_item(batch->items[i]);
    ZE_FREE(batch->items);
    ZE_FREE(batch->command);
    ZE_FREE(batch);
}

unsigned set_outcome(DtsBatchItem &item, unsigned state, unsigned code, unsigned nodeCode, const char *message)
{
    clear_outcome(item);
    item.state = state;
    item.code = code;
    item.nodeCode = nodeCode;
    if (!ze::has_text(message)) return ZE_OK;
    item.message = ZE_DUP(message);
    return item.message ? ZE_OK : ZE_RC_NO_MEMORY;
}

// Room for one more item: the array doubles when full.
bool make_room(DtsBatch *batch)
{
    if (batch->count < batch->capacity) return true;
    const unsigned capacity = batch->capacity ? batch->capacity * 2 : 16;
    auto *items = ZE_ALLOC_N(DtsBatchItem, capacity);
    if (!items) return false;
    if (batch->count) std::memcpy(items, batch->items, sizeof(DtsBatchItem) * batch->count);
    ZE_FREE(batch->items);
    batch->items = items;
    batch->capacity = capacity;
    return true;
}

// The filter's criteria packed in one block, as DtsBatchItem keeps them.
unsigned pack_criteria(DtsBatchItem &item, const Filter *filter)
{
    std::size_t size = 0;
    for (const Criterion *c = filter->first; c; c = c->next)
        size += std::strlen(c->column) + std::strlen(c->relop) + std::strlen(c->value) + 3;
    if (size > UINT_MAX) return ZE_RC_NO_MEMORY;
    item.criteria = ZE_ALLOC_N(char, size ? size : 1);
    if (!item.criteria) return ZE_RC_NO_MEMORY;
    char *at = item.criteria;
    for (const Criterion *c = filter->first; c; c = c->next) {
        for (const char *text : {c->column, c->relop, c->value}) {
            const std::size_t n = std::strlen(text) + 1;
            std::memcpy(at, text, n);
            at += n;
        }
        ++item.criteriaCount;
    }
    item.criteriaSize = static_cast<unsigned>(size);
    return ZE_OK;
}

unsigned add_item(DtsBatch *batch, Filter *filter)
{
    if (!make_room(batch)) return ZE_RC_NO_MEMORY;
    DtsBatchItem item{};
    if (unsigned rc = pack_criteria(item, filter)) {
        release_item(item);
        return rc;
    }
    filter->cursor = nullptr;  // where a walk with ZeGetFilterItem leaves it
    batch->items[batch->count++] = item;
    batch->preparedFor = nullptr;  // the new item is not mapped yet
    return ZE_OK;
}

// The item's criteria as a filter of their own.
unsigned unpacked(const DtsBatchItem &item, OwnedFilter &filter)
{
    if (unsigned rc = ZeCreateFilter(filter.out())) return rc;
    const char *at = item.criteria;
    for (unsigned i = 0; i < item.criteriaCount; ++i) {
        const char *column = at;
        const char *relop = column + std::strlen(column) + 1;
        const char *value = relop + std::strlen(relop) + 1;
        at = value + std::strlen(value) + 1;
        if (ze::records::add_criterion(filter.get(), column, relop, value)) return ZE_RC_NO_MEMORY;
    }
    return ZE_OK;
}

// The action of a run: the batch attached, the descriptor for messages
// that name a column.
struct Run {
    DtsBatch *batch;
    Descriptor *descriptor;
    DtsInfo *info;
    DtsResult *result;
    OwnedAction action;
};

// An item refused before sending keeps the result's message as its own.
void refuse_item(const Run &run, DtsBatchItem &item, unsigned rc)
{
    unsigned code = 0;
    const char *message = nullptr;
    ZeGetDtsResultFields(run.result, &code, &message);
    set_outcome(item, ZE_BATCH_FAILED, rc, 0, message);
}

// Stop at a failure: the items after item i are not sent.
unsigned stop_after(Run &run, unsigned i)
{
    for (unsigned j = i + 1; j < run.batch->count; ++j)
        if (run.batch->items[j].request) {
            ZeDestroyFilter(run.batch->items[j].request);
            run.batch->items[j].request = nullptr;
        }
    return ZE_OK;
}

// Maps every item's criteria for the node (a DELETE's checked first) into
// its request fields. A refused item fails on its own; in an atomic batch
// it stops the run with its code.
unsigned prepare_items(Run &run)
{
    const bool deletes = std::strcmp(run.batch->command, "DELETE") == 0;
    for (unsigned i = 0; i < run.batch->count; ++i) {
        DtsBatchItem &item = run.batch->items[i];
        if (item.request) ZeDestroyFilter(item.request);
        item.request = nullptr;
        DtsAction *action = run.action.get();
        if (deletes) {
            OwnedFilter criteria, checked;
            if (unsigned rc = unpacked(item, criteria)) return rc;
            if (unsigned rc = check_selection(run.descriptor, run.info, criteria.get(), run.result, checked)) {
                refuse_item(run, item, rc);
                if (run.batch->mode & ZE_BATCH_ATOMIC) return rc;
                if (run.batch->mode & ZE_BATCH_STOP_AT_FAILURE) return stop_after(run, i);
                continue;
            }
            if (unsigned rc = ZeSetDtsActionRequestFilter(action, checked.get(), run.descriptor, 0)) return rc;
        } else if (unsigned rc = set_packed_request_fields(action, item.criteria, item.criteriaCount, run.descriptor)) {
            return rc;
        }
        // The action's request fields become the item's; the action gets a fresh, empty filter.
        item.request = action->requestFilter;
        action->requestFilter = nullptr;
        if (unsigned rc = ZeCreateFilter(&action->requestFilter)) return rc;
    }
    return ZE_OK;
}

bool carried_out(unsigned state)
{
    return state == ZE_BATCH_DONE || state == ZE_BATCH_SKIPPED || state == ZE_BATCH_REPLACED;
}

// The first failed item's code and message go into result.
unsigned sum_up(const Run &run)
{
    for (unsigned i = 0; i < run.batch->count; ++i) {
        const DtsBatchItem &item = run.batch->items[i];
        if (item.state == ZE_BATCH_FAILED) {
            ZeSetDtsResultFields(run.result, item.nodeCode ? item.nodeCode : item.code,
                                 item.message ? item.message : "");
            return ZE_RC_ROUTER_FAILED;
        }
        if (!carried_out(item.state)) return ZE_RC_ROUTER_FAILED;
    }
    return ZE_OK;
}

// One item through router_client, as the single-item operation sends it.
unsigned send_one(Run &run, const char *command, DtsBatchItem &item)
{
    OwnedAction action;
    if (unsigned rc = ZeCreateDtsAction(action.out())) return rc;
    ZeDestroyFilter(action.get()->requestFilter);
    action.get()->requestFilter = item.request;
    action.get()->descriptor = run.descriptor;
    const unsigned rc = route_through(action.get(), run.info, command, run.result, "router_client");
    action.get()->requestFilter = nullptr;  // the item's own
    return rc;
}

unsigned node_code(const Run &run, const char **message)
{
    unsigned code = 0;
    ZeGetDtsResultFields(run.result, &code, message);
    return code;
}

// The items one request each, for a router library without router_batch.
unsigned run_item_by_item(Run &run)
{
    for (unsigned i = 0; i < run.batch->count; ++i) {
        DtsBatchItem &item = run.batch->items[i];
        if (!item.request) continue;  // refused before sending
        unsigned rc = send_one(run, run.batch->command, item);
        const char *message = nullptr;
        unsigned code = node_code(run, &message);
        unsigned state = ZE_BATCH_DONE;
        if (rc == ZE_RC_ROUTER_FAILED && code == TARN_ROUTER_RC_ALREADY_EXISTS) {
            if (run.batch->mode & ZE_BATCH_SKIP_EXISTING) rc = ZE_OK, state = ZE_BATCH_SKIPPED;
            if (run.batch->mode & ZE_BATCH_REPLACE_EXISTING) {
                rc = send_one(run, "ALTER", item);
                code = node_code(run, &message);
                state = ZE_BATCH_REPLACED;
            }
        }
        if (rc != ZE_OK && rc != ZE_RC_ROUTER_FAILED) return rc;
        if (rc == ZE_OK) {
            set_outcome(item, state, ZE_OK, state == ZE_BATCH_DONE ? 0 : TARN_ROUTER_RC_ALREADY_EXISTS, message);
            continue;
        }
        set_outcome(item, ZE_BATCH_FAILED, rc, code, message);
        if (run.batch->mode & ZE_BATCH_STOP_AT_FAILURE) break;
    }
    return sum_up(run);
}

// The run's action, made on first use, for the run's descriptor.
unsigned make_action(Run &run)
{
    if (!run.action.get())
        if (unsigned rc = ZeCreateDtsAction(run.action.out())) return rc;
    run.action.get()->descriptor = run.descriptor;
    return ZE_OK;
}

// Every item's outcome cleared and its criteria mapped for the node.
unsigned prepare(Run &run)
{
    run.batch->preparedFor = nullptr;
    for (unsigned i = 0; i < run.batch->count; ++i) clear_outcome(run.batch->items[i]);
    if (run.batch->count == 0) return ZE_OK;
    if (unsigned rc = make_action(run)) return rc;
    return prepare_items(run);
}

unsigned run_batch(Run &run)
{
    // A preparation for this descriptor is used, and used up, by this run.
    const bool prepared = run.batch->preparedFor == run.descriptor;
    run.batch->preparedFor = nullptr;
    if (!prepared)
        if (unsigned rc = prepare(run)) return rc;
    if (run.batch->count == 0) return ZE_OK;
    if (unsigned rc = make_action(run)) return rc;
    DtsAction *action = run.action.get();
    if (unsigned rc = ZeCheckDtsInfo(run.info)) return rc;

    TarnProc entry = nullptr;
    const unsigned loaded = ZeLoadRoutine(router_library(run.info), "router_batch", &entry);
    if (loaded == ZE_RC_PROC_NOT_FOUND) {
        if (run.batch->mode & ZE_BATCH_ATOMIC) {
            TarnTrace("*** %s takes no batches: an atomic batch cannot be sent", router_library(run.info));
            return ZE_RC_NOT_ATOMIC;
        }
        return run_item_by_item(run);
    }
    action->batch = run.batch;
    const unsigned rc = route_through(action, run.info, run.batch->command, run.result, "router_batch");
    action->batch = nullptr;
    // A lost answer text still leaves the items' outcomes to read.
    if (rc != ZE_OK && rc != ZE_RC_ROUTER_FAILED && rc != ZE_RC_ANSWER_LOST) return rc;
    const unsigned summed = sum_up(run);
    return summed ? summed : rc;
}

// A step of a run inside the call frame of `function`, its four
// parameters checked there.
template <class Step>
unsigned with_run(const char *function, DtsBatch *batch, Descriptor *descriptor, DtsInfo *info, DtsResult *result,
                  Step step)
{
    return ze::frame(function,
                     {{"Batch", is_batch(batch)},
                      {"Descriptor", is_descriptor(descriptor)},
                      {"Info", is_info(info)},
                      {"Result", is_result(result)}},
                     [&] {
                         Run run{batch, descriptor, info, result, {}};
                         return step(run);
                     });
}

DtsBatch *batch_of(DtsAction *action, unsigned index, bool indexed)
{
    DtsBatch *batch = is_action(action) ? action->batch : nullptr;
    return batch && (!indexed || index < batch->count) ? batch : nullptr;
}

}  // namespace

namespace ze::requests {

bool is_batch(DtsBatch *batch)
{
    return valid_or_traced(batch, kBatchEye, "*** Invalid DTS Batch Object encountered.") != 0;
}

unsigned get_batch_size(DtsAction *action, unsigned *pCount, unsigned *pMode)
{
    DtsBatch *batch = batch_of(action, 0, false);
    if (unsigned rc =
            check("ZeGetDtsActionField",
                  {{"Action", batch != nullptr}, {"Field", true}, {"pCount", given(pCount)}, {"pMode", given(pMode)}}))
        return rc;
    *pCount = batch->count;
    *pMode = batch->mode;
    return ZE_OK;
}

unsigned get_batch_item(DtsAction *action, unsigned index, char ***pColumns, char ***pRelops, char ***pValues,
                        int *pCount)
{
    DtsBatch *batch = batch_of(action, index, true);
    if (unsigned rc = check("ZeGetDtsActionField", {{"Action", batch_of(action, 0, false) != nullptr},
                                                    {"Field", true},
                                                    {"Index", batch != nullptr},
                                                    {"pColumns", given(pColumns)},
                                                    {"pRelops", true},
                                                    {"pValues", given(pValues)},
                                                    {"pCount", given(pCount)}}))
        return rc;
    Filter *request = batch->items[index].request;
    if (!request) return ZE_RC_NO_ENTRY;  // refused before sending
    char **relops = nullptr;
    unsigned rc = ZeGetFilter(request, pColumns, &relops, pValues, pCount);
    if (rc == ZE_OK && pRelops) *pRelops = relops;
    return rc;
}

unsigned set_batch_outcome(DtsAction *action, unsigned index, unsigned state, unsigned code, const char *message)
{
    DtsBatch *batch = batch_of(action, index, true);
    if (unsigned rc = check("ZeSetDtsActionField", {{"Action", batch_of(action, 0, false) != nullptr},
                                                    {"Field", true},
                                                    {"Index", batch != nullptr},
                                                    {"State", in_range(state, ZE_BATCH_DONE, ZE_BATCH_UNDONE)}}))
        return rc;
    DtsBatchItem &item = batch->items[index];
    std::string named;
    if (code == TARN_ROUTER_RC_VALUE_REFUSED && message && action->descriptor)
        named = with_field_name(action->descriptor, message);
    if (!named.empty()) message = named.c_str();
    return set_outcome(item, state, state == ZE_BATCH_FAILED ? ZE_RC_ROUTER_FAILED : ZE_OK, code, message);
}

}  // namespace ze::requests

extern "C" {

unsigned int ZeCreateDtsBatch(const char *command, unsigned int mode, DtsBatch **pBatch)
{
    const char *known = known_command(command);
    if (pBatch) *pBatch = nullptr;
    return ZE_FRAME(
        {{"Command", known != nullptr}, {"Mode", known && acceptable_mode(known, mode)}, {"pBatch", ze::given(pBatch)}},
        [&] {
            DtsBatch *batch = ZE_NEW(DtsBatch);
            if (!batch) return ZE_RC_NO_MEMORY;
            TarnSetEyeCatcher(batch, kBatchEye);
            batch->mode = mode;
            batch->command = ZE_DUP(known);
            if (!batch->command) {
                release(batch);
                return ZE_RC_NO_MEMORY;
            }
            *pBatch = batch;
            return ZE_OK;
        });
}

unsigned int ZeDestroyDtsBatch(DtsBatch *batch)
{
    return ZE_FRAME({{"Batch", is_batch(batch)}}, [&] {
        release(batch);
        return ZE_OK;
    });
}

int ZeIsValidDtsBatch(DtsBatch *batch)
{
    return ZE_FRAME_QUIET({{"Batch", is_batch(batch)}}, 0, [] { return 1; });
}

unsigned int ZeAddDtsBatchItem(DtsBatch *batch, Filter *filter)
{
    return ZE_FRAME({{"Batch", is_batch(batch)}, {"Filter", is_filter(filter)}},
                    [&] { return add_item(batch, filter); });
}

unsigned int ZeGetDtsBatchSize(DtsBatch *batch, unsigned int *pCount)
{
    return ZE_FRAME({{"Batch", is_batch(batch)}, {"pCount", ze::given(pCount)}}, [&] {
        *pCount = batch->count;
        return ZE_OK;
    });
}

unsigned int ZeGetDtsBatchOutcome(DtsBatch *batch, unsigned int index, unsigned int *pState, unsigned int *pCode,
                                  unsigned int *pNodeCode, const char **pMessage)
{
    const bool valid = is_batch(batch);
    return ZE_FRAME({{"Batch", valid}, {"Index", valid && index < batch->count}}, [&] {
        const DtsBatchItem &item = batch->items[index];
        if (pState) *pState = item.state;
        if (pCode) *pCode = item.code;
        if (pNodeCode) *pNodeCode = item.nodeCode;
        if (pMessage) *pMessage = item.message ? item.message : "";
        return ZE_OK;
    });
}

unsigned int ZePrepareDtsBatch(DtsBatch *batch, Descriptor *descriptor, DtsInfo *info, DtsResult *result)
{
    return with_run(__func__, batch, descriptor, info, result, [](Run &run) {
        const unsigned rc = prepare(run);
        if (rc == ZE_OK) run.batch->preparedFor = run.descriptor;
        return rc;
    });
}

unsigned int ZeRunDtsBatch(DtsBatch *batch, Descriptor *descriptor, DtsInfo *info, DtsResult *result)
{
    return with_run(__func__, batch, descriptor, info, result, run_batch);
}

}  // extern "C"
