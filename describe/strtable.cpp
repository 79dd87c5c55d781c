// String tables: a language, a borrowed entry array and the string library
// that owns the entries when they were loaded from one.
#include "ZeString.h"

#include "foundation/blocks.hpp"
#include "foundation/frame.hpp"
#include "contract/text.hpp"

ZE_SOURCE_TAG("ZeString");

struct StringTable {
    char eyeCatcher[TARN_EYE_CATCHER_SIZE];
    char *language;        // owned copy
    StringEntry *entries;  // borrowed, NULL until set
    void *module;          // string library holding the entries, owned
};

namespace {

constexpr const char *kEyeCatcher = "STRING_TABLE";
constexpr int kUnlimitedKeys = 9999;
constexpr const char *kCreateProcName = "CreateStringTable";

// The first text for key in the table's language (compared with case), or NULL.
const char *find_text(const StringTable *table, int key)
{
    if (!table->entries) return nullptr;
    const std::string_view language = table->language;
    for (const StringEntry *e = table->entries; e->id != 0; ++e)
        if (e->id == key && e->language && language == e->language) return e->text;
    return nullptr;
}

void drop_library(StringTable *table)
{
    if (!table->module) return;
    table->entries = nullptr;  // they live in the library
    TarnFreeModule(table->module);
    table->module = nullptr;
}

}  // namespace

extern "C" {

int ZeIsValidStringTable(StringTable *table)
{
    // An invalid table is reported by its own line rather than the frame's.
    return ZE_FRAME_QUIET({}, 0, [&] {
        if (table && TarnValidEyeCatcher(table, kEyeCatcher)) return 1;
        TarnTrace("*** Invalid ZE String Table Object encountered");
        return 0;
    });
}

unsigned int ZeCreateStringTable(StringTable **pTable, const char *Language)
{
    if (pTable) *pTable = nullptr;
    return ZE_FRAME({{"pTable", ze::given(pTable)}, {"Language", ze::given(Language)}}, [&] {
        ze::Block<StringTable> table(ZE_NEW(StringTable));
        if (!table) return ZE_RC_NO_MEMORY;
        table->language = ZE_DUP(*Language ? Language : ZE_DEFAULT_LANGUAGE);
        if (!table->language) return ZE_RC_NO_MEMORY;
        TarnSetEyeCatcher(table.get(), kEyeCatcher);
        *pTable = table.release();
        return ZE_OK;
    });
}

unsigned int ZeDestroyStringTable(StringTable *table)
{
    return ZE_FRAME({{"Table", ZeIsValidStringTable(table) != 0}}, [&] {
        drop_library(table);
        ZE_FREE(table->language);
        ZE_FREE(table);
        return ZE_OK;
    });
}

unsigned int ZeSetStringTableEntries(StringTable *table, StringEntry *Entries)
{
    return ZE_FRAME({{"Table", ZeIsValidStringTable(table) != 0}, {"Entries", ze::given(Entries)}}, [&] {
        table->entries = Entries;
        return ZE_OK;
    });
}

void ZeInitStringEntry(StringEntry *entry, int id, const char *language, const char *text)
{
    ZE_FRAME_QUIET({{"Entry", ze::given(entry)}}, [&] {
        entry->id = id;
        entry->language = language;
        entry->text = text;
    });
}

unsigned int ZeGetString(StringTable *table, int Key, const char **pString)
{
    // A refused parameter still ends in the lookup's answer: NULL text, code 7,
    // and the not-found line when the table itself is valid.
    const bool tableValid = ZeIsValidStringTable(table) != 0;
    const char *text = ZE_FRAME_VALUE({{"Table", tableValid}, {"Key", Key > 0}, {"pString", ze::given(pString)}},
                                      static_cast<const char *>(nullptr), [&] { return find_text(table, Key); });
    if (!text && tableValid) TarnTrace("*** String not found int table: id: %d  Language: %s", Key, table->language);
    if (pString) *pString = text;
    return text ? ZE_OK : ZE_RC_NO_ENTRY;
}

unsigned int ZeGetStringList(StringTable *table, int *Keys, int Count, const char **pList)
{
    return ZE_FRAME({{"Table", ZeIsValidStringTable(table) != 0},
                     {"Keys", ze::given(Keys)},
                     {"Count", Count != 0},
                     {"pList", ze::given(pList)}},
                    [&] {
                        const int limit = Count < 0 ? kUnlimitedKeys : Count;
                        unsigned rc = ZE_OK;
                        int returned = 0;
                        // The limit comes first: an array of Count keys need not end with 0.
                        while (returned < limit && Keys[returned] != 0 && rc == ZE_OK) {
                            rc = ZeGetString(table, Keys[returned], &pList[returned]);
                            if (rc == ZE_OK) ++returned;
                        }
                        TarnTrace("ZeGetStringList : Complete, rc = %d, # items returned = %d", static_cast<int>(rc),
                                  returned);
                        if (Count > 0 && returned < Count) {
                            TarnTrace("****              Was expecting to return %d items", Count);
                            if (rc == ZE_OK)  // short of Count without a failure: a key of 0 ended it
                                TarnTrace("****              Key value of 0 encountered");
                        }
                        return rc;
                    });
}

void ZeDumpStringTable(StringTable *table, const char *prefix)
{
    ZE_FRAME_QUIET({{"Table", ZeIsValidStringTable(table) != 0}}, [&] {
        if (!prefix) prefix = "";
        TarnTrace("%sString Table: language: %s", prefix, table->language);
        if (!table->entries) return;
        for (const StringEntry *e = table->entries; e->id > 0; ++e)
            TarnTrace("%s   ID: %d  Language: %s  String: %s", prefix, e->id, table->language, e->text ? e->text : "");
    });
}

unsigned int ZeLoadExternalStringEntries(StringTable *table, void *argument1, void *argument2, const char *Dllname)
{
    return ZE_FRAME({{"Dllname", ze::has_text(Dllname)}}, [&] {
        // The table's own check traces its line; the frame adds none for it.
        if (!ZeIsValidStringTable(table)) return ZE_RC_INVALID_PARAMETER;
        TarnTrace("ZeLoadExternalStringEntries : begin");
        drop_library(table);
        table->module = TarnLoadModule(Dllname);
        if (!table->module) {
            TarnTrace("**** ZeLoadExternalStringEntries : Error loading module, name = %s", Dllname);
            return ZE_RC_LOAD_FAILED;
        }
        TarnProc procedure = nullptr;
        if (!TarnGetProcAddress(table->module, kCreateProcName, &procedure)) {
            TarnTrace("**** ZeLoadExternalStringEntries : Error loading proc address for CreateStringTable");
            return ZE_RC_PROC_NOT_FOUND;
        }
        unsigned rc = reinterpret_cast<ZeCreateStringTableProc>(procedure)(table, argument1, argument2);
        TarnTrace("ZeLoadExternalStringEntries : Create Table rc = %d", static_cast<int>(rc));
        return rc;
    });
}

}  // extern "C"
