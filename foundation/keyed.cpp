// Keyed tables: linear, case-insensitive lookup up to the NULL key; the
// first match wins.
#include "ZeKeyed.h"

#include "foundation/frame.hpp"
#include "foundation/keyed.hpp"

namespace {

template <class Entry> Entry *find(Entry *table, const char *key)
{
    for (Entry *e = table; e->key; ++e)
        if (TarnCompareNoCaseStr(e->key, key) == 0) return e;
    return nullptr;
}

}  // namespace

namespace ze {

std::atomic<unsigned long> g_keyedTablesVersion{1};

void keyed_tables_changed() noexcept
{
    // Skips 0 when the counter wraps: 0 marks an empty memo.
    if (g_keyedTablesVersion.fetch_add(1, std::memory_order_relaxed) + 1 == 0)
        g_keyedTablesVersion.fetch_add(1, std::memory_order_relaxed);
}

}  // namespace ze

extern "C" {

// Keyed tables never trace: a missing table or key is answered with 4 alone.

void ZeInitKeyedEntryProc(ZeKeyedProcEntry *entry, const char *key, ZeHandler procedure)
{
    ZE_FRAME_QUIET({{"Entry", ze::given(entry)}}, [&] {
        entry->key = key;
        entry->procedure = procedure;
    });
}

unsigned int ZeLookupKeyedEntryProc(const ZeKeyedProcEntry *table, const char *key, ZeHandler *pProcedure)
{
    unsigned rc = ZE_FRAME_QUIET({{"Table", ze::given(table)}, {"Key", ze::given(key)}}, ZE_RC_INVALID_PARAMETER, [&] {
        const ZeKeyedProcEntry *e = find(table, key);
        if (!e) return ZE_RC_NOT_IN_PROC_TABLE;
        if (pProcedure) *pProcedure = e->procedure;
        return e->procedure ? ZE_OK : ZE_RC_DISABLED;
    });
    if (rc == ZE_RC_INVALID_PARAMETER && pProcedure) *pProcedure = nullptr;
    return rc;
}

unsigned int ZeCallKeyedEntryProc(const ZeKeyedProcEntry *table, const char *key, void *first, va_list *third)
{
    return ZE_FRAME({}, [&] {
        ZeHandler procedure = nullptr;
        unsigned rc = ZeLookupKeyedEntryProc(table, key, &procedure);
        return rc ? rc : procedure(first, key, third);
    });
}

unsigned int ZeCallGenericKeyedEntryProc(const ZeKeyedProcEntry *table, const char *key, void *argument)
{
    return ZE_FRAME({}, [&] {
        ZeHandler procedure = nullptr;
        unsigned rc = ZeLookupKeyedEntryProc(table, key, &procedure);
        // The entry holds a one-argument procedure stored under the handler type.
        auto generic = reinterpret_cast<ZeGenericProc>(reinterpret_cast<void (*)(void)>(procedure));
        return rc ? rc : generic(argument);
    });
}

unsigned int ZeUpdateKeyedEntryProc(ZeKeyedProcEntry *table, const char *key, ZeHandler procedure)
{
    return ZE_FRAME_QUIET({{"Table", ze::given(table)}, {"Key", ze::given(key)}}, ZE_RC_INVALID_PARAMETER, [&] {
        ZeKeyedProcEntry *e = find(table, key);
        if (!e) return ZE_RC_NOT_IN_PROC_TABLE;
        e->procedure = procedure;
        ze::keyed_tables_changed();
        return ZE_OK;
    });
}

void ZeInitKeyedValue(ZeKeyedValueEntry *entry, const char *key, int value)
{
    ZE_FRAME_QUIET({{"Entry", ze::given(entry)}}, [&] {
        entry->key = key;
        entry->value = value;
    });
}

unsigned int ZeLookupKeyedValue(const ZeKeyedValueEntry *table, const char *key, int *pValue)
{
    return ZE_FRAME_QUIET({{"Table", ze::given(table)}, {"Key", ze::given(key)}, {"pValue", ze::given(pValue)}},
                          ZE_RC_INVALID_PARAMETER, [&] {
                              const ZeKeyedValueEntry *e = find(table, key);
                              if (!e) return ZE_RC_NOT_IN_VALUE_TABLE;
                              *pValue = e->value;
                              return ZE_OK;
                          });
}

unsigned int ZeUpdateKeyedValue(ZeKeyedValueEntry *table, const char *key, int value)
{
    return ZE_FRAME_QUIET({{"Table", ze::given(table)}, {"Key", ze::given(key)}}, ZE_RC_INVALID_PARAMETER, [&] {
        ZeKeyedValueEntry *e = find(table, key);
        if (!e) return ZE_RC_NOT_IN_VALUE_TABLE;
        e->value = value;
        return ZE_OK;
    });
}

}  // extern "C"
