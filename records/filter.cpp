// Filters: the chain of criteria, its walk cursor, the arrays built on
// demand, lookups by column and copies.
#include "ZeFilter.h"
#include "ZeStrArray.h"

#include "foundation/blocks.hpp"
#include "foundation/frame.hpp"
#include "contract/text.hpp"
#include "records/records.hpp"

ZE_SOURCE_TAG("ZeFilter");

using ze::records::is_filter;

namespace {

void free_criterion(Criterion *criterion)
{
    ZE_FREE(criterion->column);
    ZE_FREE(criterion->relop);
    ZE_FREE_SECRET(criterion->value);  // a value may be a password
    ZE_FREE(criterion);
}

// A criterion with copies of the three strings, or NULL.
Criterion *new_criterion(const char *column, const char *relop, const char *value)
{
    if (!column || !relop || !value) return nullptr;
    Criterion *criterion = ZE_NEW(Criterion);
    if (!criterion) return nullptr;
    criterion->column = ZE_DUP(column);
    criterion->relop = ZE_DUP(relop);
    criterion->value = ZE_DUP(value);
    if (!criterion->column || !criterion->relop || !criterion->value) {
        free_criterion(criterion);
        return nullptr;
    }
    return criterion;
}

// A chain of criteria under construction; released unless handed over.
struct Chain {
    Criterion *first = nullptr;
    Criterion *last = nullptr;
    int count = 0;

    ~Chain()
    {
        for (Criterion *c = first; c;) {
            Criterion *next = c->next;
            free_criterion(c);
            c = next;
        }
    }
    void append(Criterion *criterion)
    {
        if (last) last->next = criterion;
        else first = criterion;
        last = criterion;
        ++count;
    }
};

void release_criteria(Filter *filter)
{
    Chain dropped;
    dropped.first = filter->first;
    filter->first = filter->last = filter->cursor = nullptr;
    filter->count = 0;
    filter->built = 0;
}

// The arrays hold the criteria's strings, so only the arrays themselves go.
void free_arrays(Filter *filter)
{
    ZE_FREE(filter->columns);
    ZE_FREE(filter->relops);
    ZE_FREE(filter->values);
}

// Replaces filter's criteria by the chain (Dst may have been the source).
void take_chain(Filter *filter, Chain &chain)
{
    release_criteria(filter);
    filter->first = chain.first;
    filter->last = chain.last;
    filter->count = chain.count;
    chain.first = chain.last = nullptr;
}

unsigned copy_criteria(Filter *dst, const Filter *src, const char *leaveOut)
{
    Chain chain;
    for (const Criterion *c = src->first; c; c = c->next) {
        if (leaveOut && ze::equal_nocase(c->column, leaveOut)) continue;
        Criterion *copy = new_criterion(c->column, c->relop, c->value);
        if (!copy) return ZE_RC_NO_MEMORY;
        chain.append(copy);
    }
    take_chain(dst, chain);
    return ZE_OK;
}

const Criterion *find_by_key(const Filter *filter, const char *key)
{
    if (!key) return nullptr;
    for (const Criterion *c = filter->first; c; c = c->next)
        if (ze::equal_nocase(c->column, key)) return c;
    return nullptr;
}

}  // namespace

namespace ze::records {

unsigned add_criterion(Filter *filter, const char *column, const char *relop, const char *value)
{
    Criterion *criterion = new_criterion(column, relop, value);
    if (!criterion) return ZE_RC_CRITERION_NOT_ADDED;
    if (filter->last) filter->last->next = criterion;
    else filter->first = criterion;
    filter->last = criterion;
    ++filter->count;
    filter->built = 0;
    return ZE_OK;
}

}  // namespace ze::records

extern "C" {

int ZeIsValidFilter(Filter *filter)
{
    return ZE_FRAME_QUIET({{"Filter", is_filter(filter)}}, 0, [] { return 1; });
}

unsigned int ZeCreateFilter(Filter **pFilter)
{
    return ZE_FRAME({{"pFilter", ze::given(pFilter)}}, [&] {
        *pFilter = ZE_NEW(Filter);
        if (!*pFilter) return ZE_RC_NO_MEMORY;
        TarnSetEyeCatcher(*pFilter, ze::records::kFilterEyeCatcher);
        return ZE_OK;
    });
}

unsigned int ZeDestroyFilter(Filter *filter)
{
    return ZE_FRAME({{"Filter", is_filter(filter)}}, [&] {
        free_arrays(filter);
        release_criteria(filter);
        TarnSetEyeCatcher(filter, "");
        ZE_FREE(filter);
        return ZE_OK;
    });
}

unsigned int ZeResetFilter(Filter *filter)
{
    return ZE_FRAME({{"Filter", is_filter(filter)}}, [&] {
        release_criteria(filter);
        return ZE_OK;
    });
}

unsigned int ZeAddFilterItem(Filter *filter, const char *Column, const char *Relop, const char *Value)
{
    return ZE_FRAME({{"Filter", is_filter(filter)}},
                    [&] { return ze::records::add_criterion(filter, Column, Relop, Value); });
}

void ZeInitFilterQuery(Filter *filter)
{
    ZE_FRAME_QUIET({{"Filter", is_filter(filter)}}, [&] { filter->cursor = filter->first; });
}

int ZeNextFilterItem(Filter *filter)
{
    return ZE_FRAME_QUIET({{"Filter", is_filter(filter)}}, 0, [&] {
        if (!filter->cursor) return 0;
        filter->cursor = filter->cursor->next;
        return filter->cursor ? 1 : 0;
    });
}

int ZeGetFilterItem(Filter *filter, const char **pColumn, const char **pRelop, const char **pValue)
{
    return ZE_FRAME_QUIET({{"Filter", is_filter(filter)}}, 0, [&] {
        if (!filter->cursor) return 0;
        if (pColumn) *pColumn = filter->cursor->column;
        if (pRelop) *pRelop = filter->cursor->relop;
        if (pValue) *pValue = filter->cursor->value;
        return 1;
    });
}

int ZeGetFilterItemCount(Filter *filter)
{
    return ZE_FRAME_QUIET({{"Filter", is_filter(filter)}}, 0, [&] { return filter->count; });
}

unsigned int ZeBuildFilterArrays(Filter *filter)
{
    return ZE_FRAME_QUIET({{"Filter", is_filter(filter)}}, ZE_RC_INVALID_PARAMETER, [&] {
        free_arrays(filter);
        if (filter->count == 0) return ZE_OK;
        const unsigned n = static_cast<unsigned>(filter->count);
        filter->columns = ZeAllocStrPtrArray(n);
        filter->relops = ZeAllocStrPtrArray(n);
        filter->values = ZeAllocStrPtrArray(n);
        if (!filter->columns || !filter->relops || !filter->values) {
            free_arrays(filter);
            TarnTrace("*** ZeBuildFilterArrays : Error allocating pointer arrays");
            return ZE_RC_NO_MEMORY;
        }
        unsigned i = 0;
        for (Criterion *c = filter->first; c; c = c->next, ++i) {
            filter->columns[i] = c->column;
            filter->relops[i] = c->relop;
            filter->values[i] = c->value;
        }
        filter->built = 1;
        return ZE_OK;
    });
}

unsigned int ZeGetFilter(Filter *filter, char ***pColumns, char ***pRelops, char ***pValues, int *pCount)
{
    return ZE_FRAME({{"**Columns", ze::given(pColumns)},
                     {"**Relops", ze::given(pRelops)},
                     {"**Values", ze::given(pValues)},
                     {"*Count", ze::given(pCount)}},
                    [&] {
                        if (!is_filter(filter)) return ZE_RC_INVALID_PARAMETER;
                        if (!filter->built) {
                            if (unsigned rc = ZeBuildFilterArrays(filter)) return rc;
                        }
                        if (!filter->columns || !filter->relops || !filter->values) return ZE_RC_NO_ENTRY;
                        *pColumns = filter->columns;
                        *pRelops = filter->relops;
                        *pValues = filter->values;
                        *pCount = filter->count;
                        return ZE_OK;
                    });
}

unsigned int ZeFilterItemByKey(Filter *filter, const char *Key, const char **pRelop, const char **pValue)
{
    return ZE_FRAME_QUIET({{"Filter", is_filter(filter)}}, ZE_RC_INVALID_PARAMETER, [&] {
        const Criterion *c = find_by_key(filter, Key);
        if (!c) return ZE_RC_NO_ENTRY;
        if (pRelop) *pRelop = c->relop;
        if (pValue) *pValue = c->value;
        return ZE_OK;
    });
}

unsigned int ZeDupFilterItemByKey(Filter *filter, const char *Key, char **pRelop, char **pValue)
{
    return ZE_FRAME_QUIET({{"Filter", is_filter(filter)}}, ZE_RC_INVALID_PARAMETER, [&] {
        const Criterion *c = find_by_key(filter, Key);
        if (!c) return ZE_RC_NO_ENTRY;
        ze::Block<char> relop(pRelop ? ZE_DUP(c->relop) : nullptr);
        ze::Block<char> value(pValue ? ZE_DUP(c->value) : nullptr);
        if ((pRelop && !relop) || (pValue && !value)) {
            if (pRelop) *pRelop = nullptr;
            if (pValue) *pValue = nullptr;
            return ZE_RC_NO_MEMORY;
        }
        if (pRelop) *pRelop = relop.release();
        if (pValue) *pValue = value.release();
        return ZE_OK;
    });
}

unsigned int ZeCopyFilter(Filter *Dst, Filter *Src)
{
    return ZE_FRAME({{"DstFilter", is_filter(Dst)}, {"SrcFilter", is_filter(Src)}},
                    [&] { return copy_criteria(Dst, Src, nullptr); });
}

unsigned int ZeCopyFilterWithoutItem(Filter *Dst, Filter *Src, const char *ItemKey)
{
    return ZE_FRAME({{"DstFilter", is_filter(Dst)}, {"SrcFilter", is_filter(Src)}, {"ItemKey", ze::has_text(ItemKey)}},
                    [&] { return copy_criteria(Dst, Src, ItemKey); });
}

}  // extern "C"
