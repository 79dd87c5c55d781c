// Dispatch: the four verbs, the lookup of a key along an object's chain,
// the traces for unknown and disabled keys, and the "ACTIONS" and
// "IS VALID ACTION" query properties.
#include "ZeDts.h"
#include "ZeKeyed.h"
#include "ZeRecords.h"
#include "ZeStrArray.h"
#include "foundation/blocks.hpp"
#include "foundation/frame.hpp"
#include "foundation/keyed.hpp"
#include "objects/generic.hpp"
#include "objects/object.hpp"
#include "contract/text.hpp"

#include <atomic>
#include <cstdint>
#include <cstring>
#include <vector>

ZE_SOURCE_TAG("ZeObject");

namespace {

constexpr std::size_t kObjectNameSize = 256;

// The kinds of the chain from `object` through `last` (the whole chain for
// NULL) joined by ".", as the lookup visited them (ZEOBJECT.GENERIC).
class ObjectName {
public:
    ObjectName(void *object, void *last)
    {
        for (void *o = ZeObjectIsValid(object) ? object : nullptr; o;
             o = o == last ? nullptr : ze::objects::base_of(o)) {
            char kind[TARN_EYE_CATCHER_SIZE];
            TarnConvertStrN(kind, sizeof kind, ZeObjectInterfaceName(o), 0);
            std::size_t used = TarnLengthOfStr(text_);
            TarnFormatStrN(text_ + used, sizeof text_ - used, used ? ".%s" : "%s", kind);
        }
    }
    const char *c_str() const { return text_; }

private:
    char text_[kObjectNameSize] = {};
};

struct Found {
    ZeHandler routine = nullptr;
    void *active = nullptr;  // the object whose table decided
};

// Walks the chain from `object` for `key` in table `tableId`: 0 found,
// 2 disabled, 102 unknown.
unsigned walk_chain(void *object, int tableId, const char *key, Found &found)
{
    for (void *current = object; current; current = ze::objects::base_of(current)) {
        const ZeTableHeader &table = *ze::objects::interface_of(current)->tables[tableId];
        if (!table.entries) continue;
        unsigned rc = ZeLookupKeyedEntryProc(table.entries, key, &found.routine);
        if (rc == ZE_RC_NOT_IN_PROC_TABLE) continue;
        found.active = current;
        return rc;
    }
    return ZE_RC_NOT_IN_PROC_TABLE;
}

// The outcome of one walk, kept per thread so that the next request for
// the same key on the same object skips the walk and its case-insensitive
// compares. A memo holds while the keyed-table version is the one it was
// made under: every change to a table or a chain moves the version.
struct Memo {
    unsigned long version = 0;  // 0: empty
    void *object = nullptr;
    ZeInterface *iface = nullptr;
    int table = 0;
    unsigned rc = 0;
    Found found;
    char key[40] = "";  // the key exactly as given; longer keys are not kept
};

constexpr std::size_t kMemoSlots = 64;  // the top 6 bits of the hash pick one
thread_local Memo t_memos[kMemoSlots];

Memo &memo_slot(Memo *memos, const void *object, int tableId, const char *key, std::size_t &length)
{
    // The object, the table, the length and the outer letters: enough to
    // spread the few keys an application uses; the key itself is compared.
    length = std::strlen(key);
    std::uint64_t h = reinterpret_cast<std::uintptr_t>(object) ^ static_cast<unsigned>(tableId) << 4 ^ length << 8 ^
                      static_cast<std::uint64_t>(static_cast<unsigned char>(key[0])) << 16 ^
                      static_cast<std::uint64_t>(static_cast<unsigned char>(key[length ? length - 1 : 0])) << 24;
    h *= 0x9E3779B97F4A7C15ull;
    return memos[h >> 58];
}

bool memo_holds(const Memo &memo, void *object, int tableId, const char *key, unsigned long version)
{
    return memo.version == version && memo.object == object && memo.table == tableId &&
           memo.iface == ze::objects::interface_of(object) && std::strcmp(memo.key, key) == 0;
}

// Looks `key` up in table `tableId` of the object and then of each base
// object: 0 found, 2 disabled, 102 unknown, 4 after a failed check.
unsigned lookup_keyed_table_routine(void *object, int tableId, const char *key, Found &found)
{
    const bool objectValid = ze::objects::is_object(object), tableValid = ze::in_range(tableId, 0, ZE_TABLE_COUNT - 1),
               keyValid = ze::has_text(key);
    if (!objectValid || !tableValid || !keyValid)
        return ze::refuse_first_invalid("lookup_keyed_table_routine", {{"Object", objectValid},
                                                                       {"TableId", tableValid},
                                                                       {"Key", keyValid},
                                                                       {"pRoutine", true},
                                                                       {"pActiveObject", true}});
    std::size_t length = 0;
    Memo *const memos = t_memos;  // one look-up of this thread's table, not one per use
    Memo &memo = memo_slot(memos, object, tableId, key, length);
    const unsigned long version = ze::keyed_tables_version();
    if (memo_holds(memo, object, tableId, key, version)) {
        found = memo.found;
        return memo.rc;
    }
    const unsigned rc = walk_chain(object, tableId, key, found);
    if (length < sizeof memo.key) {
        memo.version = version;
        memo.object = object;
        memo.iface = ze::objects::interface_of(object);
        memo.table = tableId;
        memo.rc = rc;
        memo.found = found;
        std::memcpy(memo.key, key, length + 1);
    }
    return rc;
}

// One verb's table and trace lines.
struct Verb {
    int table;
    const char *disabled;
    const char *unknown;
    const char *failed;  // NULL: a failed lookup is not traced
    bool announce;       // trace "Performing ..." before the handler runs
};

constexpr Verb kQuery{ZE_TABLE_QUERY_PROPERTIES, "*** Query of property %s not supported (disabled) for object %s",
                      "*** Query of property %s not supported (unknown) for object %s", nullptr, false};
constexpr Verb kSet{ZE_TABLE_SET_PROPERTIES, "*** Set of property %s not supported (disabled) for object %s",
                    "*** Set of property %s not supported (unknown) for object %s", nullptr, false};
constexpr Verb kAction{ZE_TABLE_ACTIONS, "*** Action %s not supported (disabled) for object %s",
                       "*** Action %s not supported (unknown) for object %s", nullptr, true};
constexpr Verb kElement{ZE_TABLE_ELEMENTS, "*** Element %s not supported (disabled) for object %s",
                        "*** Element %s not supported (unknown) for object %s",
                        "*** Get of element %s failed for object %s", false};

// Traces one of a verb's lines with the key and the name of the chain
// that the lookup visited; the name is only built when tracing is on.
void trace_lookup(const char *format, const char *key, void *object, void *last)
{
    if (!format || !TarnTraceActive()) return;
    ObjectName name(object, last);
    TarnTrace(format, key ? key : "", name.c_str());
}

unsigned dispatch(const Verb &verb, void *object, const char *key, va_list *pArgs)
{
    Found found;
    unsigned rc = lookup_keyed_table_routine(object, verb.table, key, found);
    switch (rc) {
    case ZE_OK:
        if (verb.announce) trace_lookup("Performing %s action using object %s", key, object, found.active);
        // ZE_OK means an entry with a routine: a NULL routine is ZE_RC_DISABLED.
        return found.routine(found.active, key, pArgs);  // NOLINT(clang-analyzer-core.CallAndMessage)
    case ZE_RC_DISABLED: trace_lookup(verb.disabled, key, object, found.active); return rc;
    case ZE_RC_NOT_IN_PROC_TABLE: trace_lookup(verb.unknown, key, object, nullptr); return rc;
    default: trace_lookup(verb.failed, key, nullptr, nullptr); return rc;
    }
}

// The replaced dispatch procedure of a front object for a verb, or NULL
// when the default serves it.
ZeHandler replaced(void *object, ZeHandler ZeFrontObject::*slot, ZeHandler standard)
{
    if (!ze::objects::is_named(object, ze::objects::kFrontKind)) return nullptr;
    ZeHandler procedure = static_cast<ZeFrontObject *>(object)->*slot;
    return procedure != standard ? procedure : nullptr;
}

template <class Call>
unsigned with_args(const char *function, void *object, const char *keyName, const char *key, Call call, va_list *args)
{
    return ze::frame(function, {{"Object", ze::objects::is_object(object)}, {keyName, ze::has_text(key)}}, [&] {
        const ze::objects::ObjectUse use(function, object);
        return use.refused() ? ZE_RC_OBJECT_IN_USE : call(object, key, args);
    });
}

const void *this_thread()
{
    static thread_local const char token = 0;
    return &token;
}

// The chain from `object` on, deepest base last.
std::vector<void *> chain_of(void *object)
{
    std::vector<void *> chain;
    for (void *o = object; o; o = ze::objects::base_of(o)) chain.push_back(o);
    return chain;
}

constexpr ZeKeyedProcEntry kEmptyTable[] = {{nullptr, nullptr}};

// The element handler chosen for an object and a key the library itself
// names (a literal, so the key's address identifies it), kept per thread
// under the same version as the memos above.
struct ElementMemo {
    unsigned long version = 0;  // 0: empty
    void *object = nullptr;
    ZeInterface *iface = nullptr;
    const char *key = nullptr;
    Found found;
};

constexpr std::size_t kElementMemoSlots = 16;
thread_local ElementMemo t_elementMemos[kElementMemoSlots];

ElementMemo &element_memo(void *object, const char *key)
{
    std::uint64_t h =
        (reinterpret_cast<std::uintptr_t>(object) ^ reinterpret_cast<std::uintptr_t>(key) << 3) * 0x9E3779B97F4A7C15ull;
    return t_elementMemos[h >> 60];
}

// The handler for `key` among the object's elements: true when found.
bool element_routine(void *object, const char *key, Found &found)
{
    ElementMemo &memo = element_memo(object, key);
    const unsigned long version = ze::keyed_tables_version();
    if (memo.version == version && memo.object == object && memo.key == key &&
        memo.iface == ze::objects::interface_of(object)) {
        found = memo.found;
        return true;
    }
    if (lookup_keyed_table_routine(object, ZE_TABLE_ELEMENTS, key, found) != ZE_OK) return false;
    memo = {version, object, ze::objects::interface_of(object), key, found};
    return true;
}

// The names of the table's enabled entries, as the values of `item`.
unsigned extract_actions(Item *item, const ZeKeyedProcEntry *table, char ***pValues, unsigned int *pCount)
{
    *pValues = nullptr;
    *pCount = 0;
    unsigned count = 0;
    for (const ZeKeyedProcEntry *e = table; e->key; ++e)
        if (e->procedure) ++count;
    char **names = ZeAllocStrPtrArray(count);
    if (!names) return ZE_RC_NO_MEMORY;
    unsigned n = 0;
    for (const ZeKeyedProcEntry *e = table; e->key; ++e) {
        if (!e->procedure) continue;
        names[n] = ZE_DUP(e->key);
        if (!names[n++]) {
            ZeFreeStrPtrArray(names, static_cast<int>(n));
            return ZE_RC_NO_MEMORY;
        }
    }
    if (unsigned rc = ZeAttachItemValues(item, names, ZE_COUNT_VALUES)) {
        ZeFreeStrPtrArray(names, static_cast<int>(count));
        return rc;
    }
    *pValues = ZeItemValues(item);
    *pCount = count;
    return ZE_OK;
}

}  // namespace

namespace ze::objects {

ObjectUse::ObjectUse(const char *function, void *object, bool keep)
{
    void *holder = generic_in_chain(object);
    ZeInterface *iface = interface_of(holder ? holder : object);
    if (!iface) return;
    std::atomic_ref<const void *> user(iface->user);
    const void *expected = nullptr;
    if (user.compare_exchange_strong(expected, this_thread(), std::memory_order_acquire)) {
        if (!keep) taken_ = &iface->user;
    } else if (expected != this_thread()) {
        refused_ = true;
        TarnTrace("*** %s: object %s is in use by another thread", function, ze::HandleText(object).c_str());
    }
}

ObjectUse::~ObjectUse()
{
    if (taken_) std::atomic_ref<const void *>(*taken_).store(nullptr, std::memory_order_release);
}

void *element(void *object, const char *key)
{
    Found found;
    void *element = nullptr;
    if (is_object(object) && element_routine(object, key, found) &&
        read_element_directly(found.routine, found.active, &element))
        return element;
    return ZeElement(object, key);
}

}  // namespace ze::objects

extern "C" {

// The four verbs: check the object and the key, then hand the remaining
// arguments to the verb's dispatcher.
#define ZE_VERB(function, keyName, dispatcher)                                                                         \
    unsigned int function(void *object, const char *key, ...)                                                          \
    {                                                                                                                  \
        va_list args;                                                                                                  \
        va_start(args, key);                                                                                           \
        unsigned rc = with_args(__func__, object, keyName, key, dispatcher, &args);                                    \
        va_end(args);                                                                                                  \
        return rc;                                                                                                     \
    }

ZE_VERB(ZeQueryProperty, "Property", ZeFetchProperty)
ZE_VERB(ZeSetProperty, "Property", ZeEstablishProperty)
ZE_VERB(ZeSubmitAction, "Action", ZePerformAction)
ZE_VERB(ZeQueryElement, "ElementKey", ZeGetElement)

unsigned int ZeFetchProperty(void *object, const char *key, va_list *pArgs)
{
    return ZE_FRAME({}, [&] {
        if (ZeHandler own = replaced(object, &ZeFrontObject::queryProperty, ZeGetProperty))
            return own(ZeObjectBaseObject(object), key, pArgs);
        return ZeGetProperty(object, key, pArgs);
    });
}

unsigned int ZeEstablishProperty(void *object, const char *key, va_list *pArgs)
{
    return ZE_FRAME({}, [&] {
        if (ZeHandler own = replaced(object, &ZeFrontObject::setProperty, ZePutProperty))
            return own(ZeObjectBaseObject(object), key, pArgs);
        return ZePutProperty(object, key, pArgs);
    });
}

unsigned int ZePerformAction(void *object, const char *key, va_list *pArgs)
{
    return ZE_FRAME({}, [&] {
        if (ZeHandler own = replaced(object, &ZeFrontObject::performAction, ZeRunAction))
            return own(ZeObjectBaseObject(object), key, pArgs);
        if (auto *result = static_cast<DtsResult *>(ze::objects::element(object, "RESULT")))
            ZeSetDtsResultFields(result, 0, nullptr);
        return ZeRunAction(object, key, pArgs);
    });
}

unsigned int ZeGetProperty(void *object, const char *key, va_list *pArgs)
{
    return ZE_FRAME({}, [&] { return dispatch(kQuery, object, key, pArgs); });
}
unsigned int ZePutProperty(void *object, const char *key, va_list *pArgs)
{
    return ZE_FRAME({}, [&] { return dispatch(kSet, object, key, pArgs); });
}
unsigned int ZeRunAction(void *object, const char *key, va_list *pArgs)
{
    return ZE_FRAME({}, [&] { return dispatch(kAction, object, key, pArgs); });
}
unsigned int ZeGetElement(void *object, const char *key, va_list *pArgs)
{
    return ZE_FRAME({}, [&] { return dispatch(kElement, object, key, pArgs); });
}

void *ZeElement(void *object, const char *key)
{
    return ZE_FRAME_QUIET({}, static_cast<void *>(nullptr), [&] {
        void *element = nullptr;
        ZeQueryElement(object, key, &element);
        return element;
    });
}

unsigned int ZeQueryActions(void *object, const char *key, va_list *pArgs)
{
    char ***pActions = ze::objects::arg<char ***>(pArgs);
    unsigned int *pCount = ze::objects::arg<unsigned int *>(pArgs);
    if (pActions) *pActions = nullptr;
    if (pCount) *pCount = 0;
    return ZE_FRAME({{"Object", ze::objects::is_object(object)},
                     {"PropertyKey", ze::same_key(key, "ACTIONS")},
                     {"pActions", ze::given(pActions)},
                     {"pCount", ze::given(pCount)}},
                    [&] {
                        // Deepest base first, so nearer objects replace or disable its entries.
                        ZeTableHeader merged{};
                        std::vector<void *> chain = chain_of(object);
                        unsigned rc = ZE_OK;
                        for (auto o = chain.rbegin(); o != chain.rend() && !rc; ++o)
                            rc = ze::objects::merge_entries(
                                merged, ze::objects::interface_of(*o)->tables[ZE_TABLE_ACTIONS]->entries, -1);
                        if (!rc) {
                            auto *item = static_cast<Item *>(ZeElement(object, "ITEM"));
                            rc = ZeExtractKeyedEntryActions(item, merged.entries ? merged.entries : kEmptyTable,
                                                            pActions, pCount);
                        }
                        ze::objects::clear_entries(merged);
                        return rc;
                    });
}

unsigned int ZeQueryValidAction(void *object, const char *key, va_list *pArgs)
{
    const char *actionKey = ze::objects::arg<const char *>(pArgs);
    int *pResponse = ze::objects::arg<int *>(pArgs);
    if (pResponse) *pResponse = 0;
    return ZE_FRAME({{"Object", ze::objects::is_object(object)},
                     {"PropertyKey", ze::same_key(key, "IS VALID ACTION")},
                     {"ActionKey", ze::given(actionKey)},
                     {"pResponse", ze::given(pResponse)}},
                    [&] {
                        Found found;
                        unsigned rc = lookup_keyed_table_routine(object, ZE_TABLE_ACTIONS, actionKey, found);
                        *pResponse = rc == ZE_OK ? 1 : 0;
                        return rc;
                    });
}

unsigned int ZeExtractKeyedEntryActions(Item *item, const ZeKeyedProcEntry *table, char ***pValues,
                                        unsigned int *pCount)
{
    return ZE_FRAME_QUIET({{"Table", ze::given(table)}, {"pValues", ze::given(pValues)}, {"pCount", ze::given(pCount)}},
                          ZE_RC_INVALID_PARAMETER, [&] { return extract_actions(item, table, pValues, pCount); });
}

}  // extern "C"
