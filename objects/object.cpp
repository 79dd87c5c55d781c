// Objects and interfaces: front objects created by name through the
// registry, interfaces with their four tables, table merging and the chain
// of base objects.
#include "objects/object.hpp"

#include "ZeFilter.h"
#include "ZeKeyed.h"
#include "foundation/blocks.hpp"
#include "foundation/frame.hpp"
#include "records/records.hpp"
#include "contract/text.hpp"
#include "foundation/keyed.hpp"
#include "objects/registry.hpp"

ZE_SOURCE_TAG("ZeObject");

namespace {

constexpr const char *kInterfaceEye = ze::objects::kInterfaceEyeCatcher;

bool valid_table(int tableId) { return ze::in_range(tableId, 0, ZE_TABLE_COUNT - 1); }
bool is_front(void *object) { return ze::objects::is_named(object, ze::objects::kFrontKind); }
ZeFrontObject *as_front(void *object) { return static_cast<ZeFrontObject *>(object); }

// True when following base links from `start` reaches `target`.
bool chain_reaches(void *start, void *target)
{
    for (void *o = start; o; o = ze::objects::base_of(o))
        if (o == target) return true;
    return false;
}

const ZeKeyedProcEntry *find_key(const ZeKeyedProcEntry *entries, int count, const char *key)
{
    for (int i = 0; i < count; ++i)
        if (ze::equal_nocase(entries[i].key, key)) return &entries[i];
    return nullptr;
}

// Keys of `values` that neither the table nor an earlier given entry holds.
int count_new_keys(const ZeTableHeader &table, const ZeKeyedProcEntry *values, int count)
{
    int added = 0;
    for (int i = 0; i < count; ++i) {
        const char *key = values[i].key;
        if (!key || find_key(table.entries, table.count, key)) continue;
        bool earlier = false;
        for (int j = 0; j < i && !earlier; ++j) earlier = values[j].key && ze::equal_nocase(values[j].key, key);
        if (!earlier) ++added;
    }
    return added;
}

int entries_up_to_terminator(const ZeKeyedProcEntry *values)
{
    int n = 0;
    while (values[n].key) ++n;
    return n;
}

// "NAME" element of a front object: its own name text.
unsigned get_object_name(void *object, const char *key, va_list *pArgs)
{
    void **pElement = ze::objects::arg<void **>(pArgs);
    return ZE_FRAME(
        {{"Object", is_front(object)}, {"ElementKey", ze::same_key(key, "NAME")}, {"pElement", ze::given(pElement)}},
        [&] {
            *pElement = as_front(object)->name;
            return ZE_OK;
        });
}

const ZeKeyedProcEntry kFrontElements[] = {{"NAME", get_object_name}, {nullptr, nullptr}};
const ZeKeyedProcEntry kFrontQueries[] = {
    {"ACTIONS", ZeQueryActions}, {"IS VALID ACTION", ZeQueryValidAction}, {nullptr, nullptr}};

// A front object named `name` (in capitals) with its interface and tables.
unsigned make_front(const char *name, ZeFrontObject **pFront)
{
    ZeFrontObject *front = ZE_NEW(ZeFrontObject);
    if (!front) return ZE_RC_NO_MEMORY;
    *pFront = front;
    front->name = ZE_DUP(name);
    if (!front->name) return ZE_RC_NO_MEMORY;
    TarnUpperCaseStr(front->name);
    front->queryProperty = ZeGetProperty;
    front->performAction = ZeRunAction;
    front->setProperty = ZePutProperty;
    if (unsigned rc = ZeObjectCreateInterface(&front->interface, ze::objects::kFrontKind)) return rc;
    if (unsigned rc = ZeObjectSetTableValues(front, ZE_TABLE_ELEMENTS, kFrontElements, -1)) return rc;
    return ZeObjectSetTableValues(front, ZE_TABLE_QUERY_PROPERTIES, kFrontQueries, -1);
}

// Releases a front object, also one that was only partly made. The
// interface goes first: its base release procedure lives in the library.
unsigned destroy_front(ZeFrontObject *front)
{
    unsigned rc = front->interface ? ZeObjectDestroyInterface(front->interface) : ZE_OK;
    ZE_FREE(front->name);
    if (front->module) TarnFreeModule(front->module);
    ZE_FREE(front);
    return rc;
}

// Loads the object's library into the front object and calls its init procedure.
unsigned run_init_procedure(ZeFrontObject *front, const char *library, const char *procedure, Filter *filter)
{
    TarnTrace("Calling object init procedure (%s.%s)", library, procedure);
    front->module = TarnLoadModule(library);
    if (!front->module) {
        TarnTrace("*** Could not load shared library %s", library);
        return ZE_RC_LOAD_FAILED;
    }
    auto init = reinterpret_cast<ZeObjectInitProc>(TarnProcAddress(front->module, procedure));
    if (!init) {
        TarnTrace("*** Could not find object init procedure (%s.%s)", library, procedure);
        return ZE_RC_PROC_NOT_FOUND;
    }
    return init(front, filter);
}

// The object the interface of `object` stands for, released with `release`.
unsigned set_base(void *object, void *base, ZeReleaseProc release)
{
    ZeInterface *iface = ZeObjectInterface(object);
    ze::keyed_tables_changed();
    iface->base = base;
    iface->baseRelease = release;
    return ZE_OK;
}

unsigned set_dispatch(const char *function, void *object, const char *procName, ZeHandler procedure,
                      ZeHandler ZeFrontObject::*slot)
{
    return ze::frame(function, {{"Object", is_front(object)}, {procName, procedure != nullptr}}, [&] {
        as_front(object)->*slot = procedure;
        return ZE_OK;
    });
}

}  // namespace

namespace ze::objects {

void clear_entries(ZeTableHeader &table)
{
    ze::keyed_tables_changed();
    ZE_FREE(table.entries);
    table.count = 0;
}

unsigned merge_entries(ZeTableHeader &table, const ZeKeyedProcEntry *values, int count)
{
    if (!values) return ZE_OK;
    if (count < 0) count = entries_up_to_terminator(values);
    ze::keyed_tables_changed();

    if (int added = count_new_keys(table, values, count); added > 0) {
        auto *grown = ZE_ALLOC_N(ZeKeyedProcEntry, table.count + added + 1);
        if (!grown) return ZE_RC_NO_MEMORY;
        for (int i = 0; i < table.count; ++i) grown[i] = table.entries[i];
        ZE_FREE(table.entries);
        table.entries = grown;
    }
    for (int i = 0; i < count; ++i) {
        const ZeKeyedProcEntry &given = values[i];
        if (!given.key) continue;
        if (find_key(table.entries, table.count, given.key)) {
            ZeUpdateKeyedEntryProc(table.entries, given.key, given.procedure);
        } else {
            table.entries[table.count++] = given;
            table.entries[table.count] = ZeKeyedProcEntry{nullptr, nullptr};
        }
    }
    return ZE_OK;
}

}  // namespace ze::objects

namespace {

unsigned create_object(void **pObject, const char *Name, Filter *filter)
{
    char *library = nullptr;
    char *procedure = nullptr;
    unsigned rc = ze::objects::find_registry_entry(Name, filter, &library, &procedure);
    if (rc == ZE_RC_NO_REGISTRY_LINE) TarnTrace("*** Object Init procedure lookup failed for (%s) Object", Name);
    if (rc) return rc;

    ZeFrontObject *front = nullptr;
    rc = make_front(Name, &front);
    if (!rc) rc = run_init_procedure(front, library, procedure, filter);
    if (rc && front) {
        destroy_front(front);
        front = nullptr;
    }
    ZE_FREE(library);
    ZE_FREE(procedure);
    *pObject = front;
    return rc;
}

}  // namespace

extern "C" {

unsigned int ZeCreateObject(void **pObject, const char *Name, Filter *filter)
{
    if (pObject) *pObject = nullptr;
    return ZE_FRAME(
        {{"pObject", ze::given(pObject)}, {"Name", ze::has_text(Name)}, {"Filter", ze::records::is_filter(filter)}},
        [&] { return create_object(pObject, Name, filter); });
}

unsigned int ZeDestroyObject(void *object)
{
    return ZE_FRAME({{"Object", is_front(object)}}, [&] {
        // Taken for good: the object is gone when the call returns.
        const ze::objects::ObjectUse use("ZeDestroyObject", object, true);
        return use.refused() ? ZE_RC_OBJECT_IN_USE : destroy_front(as_front(object));
    });
}

unsigned int ZeSetRealObject(void *object, void *realObject, ZeReleaseProc pfnFree)
{
    return ZE_FRAME(
        {{"Object", is_front(object)}, {"RealObject", ze::given(realObject)}, {"pfnFree", pfnFree != nullptr}},
        [&] { return set_base(object, realObject, pfnFree); });
}

unsigned int ZeSetQueryPropertyProc(void *object, ZeHandler pfnProp)
{
    return set_dispatch(__func__, object, "pfnProp", pfnProp, &ZeFrontObject::queryProperty);
}

unsigned int ZeSetPerformActionProc(void *object, ZeHandler pfnPerfAct)
{
    return set_dispatch(__func__, object, "pfnPerfAct", pfnPerfAct, &ZeFrontObject::performAction);
}

unsigned int ZeSetSetPropertyProc(void *object, ZeHandler pfnSetProp)
{
    return set_dispatch(__func__, object, "pfnSetProp", pfnSetProp, &ZeFrontObject::setProperty);
}

unsigned int ZeObjectCreateInterface(ZeInterface **pInterface, const char *name)
{
    return ZE_FRAME({{"pInterface", ze::given(pInterface)}}, [&] {
        *pInterface = nullptr;
        if (!name) return ZE_RC_NO_MEMORY;
        ZeInterface *iface = ZE_NEW(ZeInterface);
        if (!iface) return ZE_RC_NO_MEMORY;
        ze::keyed_tables_changed();  // a new object may stand where an old one stood
        TarnSetEyeCatcher(iface, kInterfaceEye);
        TarnSetEyeCatcher(iface->name, name);
        for (ZeTableHeader *&table : iface->tables) {
            table = ZE_NEW(ZeTableHeader);
            if (!table) {
                ZeObjectDestroyInterface(iface);
                return ZE_RC_NO_MEMORY;
            }
        }
        *pInterface = iface;
        return ZE_OK;
    });
}

unsigned int ZeObjectDestroyInterface(ZeInterface *interface)
{
    return ZE_FRAME({{"Interface", interface && TarnValidEyeCatcher(interface, kInterfaceEye)}}, [&] {
        for (ZeTableHeader *&table : interface->tables) {
            if (!table) continue;
            ze::objects::clear_entries(*table);
            ZE_FREE(table);
        }
        ze::keyed_tables_changed();
        unsigned rc = ZE_OK;
        if (interface->baseRelease) rc = interface->baseRelease(interface->base);
        ZE_FREE(interface);
        return rc;
    });
}

ZeInterface *ZeObjectInterface(void *object)
{
    return ZE_FRAME_QUIET({{"Object", ze::given(object)}}, static_cast<ZeInterface *>(nullptr),
                          [&] { return *static_cast<ZeInterface **>(object); });
}

const char *ZeObjectInterfaceName(void *object)
{
    return ZE_FRAME_QUIET({}, static_cast<const char *>(nullptr), [&]() -> const char * {
        ZeInterface *iface = ze::objects::interface_of(object);
        return iface ? iface->name : nullptr;
    });
}

unsigned int ZeObjectSetBaseObject(void *object, void *baseObject, ZeReleaseProc pfnFree)
{
    return ZE_FRAME(
        {{"Object", ze::objects::is_object(object)}, {"BaseObject", baseObject && !chain_reaches(baseObject, object)}},
        [&] { return set_base(object, baseObject, pfnFree); });
}

void *ZeObjectBaseObject(void *object)
{
    return ZE_FRAME_QUIET({}, static_cast<void *>(nullptr), [&]() -> void * {
        ZeInterface *iface = ze::objects::interface_of(object);
        return iface ? iface->base : nullptr;
    });
}

void *ZeObjectNamedObject(void *object, const char *name)
{
    return ZE_FRAME_QUIET({}, static_cast<void *>(nullptr), [&]() -> void * {
        for (void *o = ZeObjectIsValid(object) ? object : nullptr; o; o = ze::objects::base_of(o))
            if (ZeObjectIsNamed(o, name)) return o;
        TarnTraceA("*** ZeObjectNamedObject: %s is not current object or in base object chain.", name ? name : "");
        return nullptr;
    });
}

unsigned int ZeObjectSetTableValues(void *object, int tableId, const ZeKeyedProcEntry *values, int count)
{
    return ZE_FRAME(
        {{"Object", ze::objects::is_object(object)}, {"Table", valid_table(tableId)}, {"Values", true}},
        [&] { return ze::objects::merge_entries(*ZeObjectInterface(object)->tables[tableId], values, count); });
}

unsigned int ZeObjectGetTableValues(void *object, int tableId, ZeKeyedProcEntry **pValues)
{
    if (pValues) *pValues = nullptr;
    return ZE_FRAME(
        {{"Object", ze::objects::is_object(object)}, {"Table", valid_table(tableId)}, {"pValues", ze::given(pValues)}},
        [&] {
            *pValues = ZeObjectInterface(object)->tables[tableId]->entries;
            ze::keyed_tables_changed();  // the caller may write into the array it now holds
            return ZE_OK;
        });
}

int ZeObjectIsValid(void *object)
{
    return ZE_FRAME_QUIET({{"Object", ze::objects::is_object(object)}}, 0, [] { return 1; });
}

int ZeIsValidObject(void *object) { return ZeObjectIsValid(object); }

int ZeObjectIsNamed(void *object, const char *name)
{
    return ZE_FRAME_QUIET({{"Name", ze::given(name)}, {"Object", ZeObjectIsValid(object) != 0}}, 0,
                          [&] { return TarnValidEyeCatcher(ZeObjectInterface(object)->name, name) ? 1 : 0; });
}

}  // extern "C"
