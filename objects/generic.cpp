// The generic object: its record, creation and destruction, the two init
// functions, the element getters, and the accessors and setters.
#include "objects/generic.hpp"

#include "ZeDesc.h"
#include "ZeDts.h"
#include "ZeFilter.h"
#include "ZeRecords.h"
#include "ZeString.h"
#include "foundation/blocks.hpp"
#include "foundation/frame.hpp"

#include <array>
#include <iterator>
#include <utility>

ZE_SOURCE_TAG("ZeGenObj");

namespace {

bool is_generic(void *object) { return ze::objects::is_named(object, ze::objects::kGenericKind); }
ZeGenericObject *as_generic(void *object) { return static_cast<ZeGenericObject *>(object); }

// One element of the generic object: its key, the name its getter checks
// under, and what it hands out.
struct ElementGetter {
    const char *key;
    const char *checkName;
    void *(*get)(ZeGenericObject &);
};

void *info_field(ZeGenericObject &g, unsigned field) { return const_cast<char *>(ZeDtsInfoField(g.info, field)); }

constexpr ElementGetter kElementGetters[] = {
    {"INFO", "get_info", [](ZeGenericObject &g) -> void * { return g.info; }},
    {"NAME", "get_name", [](ZeGenericObject &g) { return info_field(g, ZE_INFO_OBJECT); }},
    {"PLATFORM", "get_platform", [](ZeGenericObject &g) { return info_field(g, ZE_INFO_PLATFORM); }},
    {"VERSION", "get_version", [](ZeGenericObject &g) { return info_field(g, ZE_INFO_VERSION); }},
    {"DESCRIPTOR", "get_descriptor", [](ZeGenericObject &g) -> void * { return g.descriptor; }},
    {"COLLECTION", "get_collection", [](ZeGenericObject &g) -> void * { return g.collection; }},
    {"FILTER", "get_filter", [](ZeGenericObject &g) -> void * { return g.filter; }},
    {"ITEM", "get_item", [](ZeGenericObject &g) -> void * { return g.item; }},
    {"RESULT", "get_result", [](ZeGenericObject &g) -> void * { return g.result; }},
    {"STRING TABLE", "get_strinig_table", [](ZeGenericObject &g) -> void * { return g.strings; }},
    {"CHANGE STAMP", "get_change_stamp", [](ZeGenericObject &g) -> void * { return g.changeStamp; }},
};

template <int I> unsigned get_element(void *object, const char *key, va_list *pArgs)
{
    const ElementGetter &getter = kElementGetters[I];
    void **pElement = ze::objects::arg<void **>(pArgs);
    return ze::frame(getter.checkName,
                     {{"Object", is_generic(object)},
                      {"ElementKey", ze::same_key(key, getter.key)},
                      {"pElement", ze::given(pElement)}},
                     [&] {
                         *pElement = getter.get(*as_generic(object));
                         return ZE_OK;
                     });
}

template <int... I> constexpr auto element_table(std::integer_sequence<int, I...>)
{
    return std::array<ZeKeyedProcEntry, sizeof...(I) + 1>{ZeKeyedProcEntry{kElementGetters[I].key, get_element<I>}...,
                                                          ZeKeyedProcEntry{nullptr, nullptr}};
}

constexpr auto kGenericElements =
    element_table(std::make_integer_sequence<int, static_cast<int>(std::size(kElementGetters))>());

template <int... I> constexpr auto getter_handlers(std::integer_sequence<int, I...>)
{
    return std::array<ZeHandler, sizeof...(I)>{get_element<I>...};
}

constexpr auto kGetterHandlers =
    getter_handlers(std::make_integer_sequence<int, static_cast<int>(std::size(kElementGetters))>());

// Releases whatever part of a generic object exists, in the order that lets
// a base object go before the components and the extension go last.
void release_generic(ZeGenericObject *g)
{
    if (g->interface) ZeObjectDestroyInterface(g->interface);
    if (g->info) ZeDestroyDtsInfo(g->info);
    if (g->collection) ZeDestroyCollection(g->collection);
    ZE_FREE(g->changeStamp);
    if (g->item) ZeDestroyItem(g->item);
    if (g->filter) ZeDestroyFilter(g->filter);
    if (g->result) ZeDestroyDtsResult(g->result);
    if (g->descriptor) ZeDestroyDescriptor(g->descriptor);
    if (g->strings) ZeDestroyStringTable(g->strings);
    if (g->extensionRelease) g->extensionRelease(g->extension);
    ZE_FREE(g);
}

unsigned build_generic(ZeGenericObject *g)
{
    if (unsigned rc = ZeObjectCreateInterface(&g->interface, ze::objects::kGenericKind)) return rc;
    const std::pair<int, const ZeKeyedProcEntry *> tables[] = {
        {ZE_TABLE_ACTIONS, ze::objects::kGenericActions},
        {ZE_TABLE_QUERY_PROPERTIES, ze::objects::kGenericQueries},
        {ZE_TABLE_SET_PROPERTIES, ze::objects::kGenericSettings},
        {ZE_TABLE_ELEMENTS, kGenericElements.data()},
    };
    for (auto [tableId, entries] : tables)
        if (unsigned rc = ZeObjectSetTableValues(g, tableId, entries, -1)) return rc;
    if (unsigned rc = ZeCreateDtsInfo(&g->info)) return rc;
    if (unsigned rc = ZeCreateCollection(&g->collection)) return rc;
    g->changeStamp = ZE_DUP(ze::objects::kUndefinedStamp);
    if (!g->changeStamp) return ZE_RC_NO_MEMORY;
    if (unsigned rc = ZeCreateFilter(&g->filter)) return rc;
    if (unsigned rc = ZeCreateItem(&g->item)) return rc;
    if (unsigned rc = ZeCreateDtsResult(&g->result)) return rc;
    return ZeCreateDescriptor(&g->descriptor);
}

// Steps shared by both init functions: a generic object named `name`, its
// info filled from the filter, and its string table. The object is handed
// out (when it could be made) even when a later step failed.
unsigned make_named_generic(const char *name, Filter *filter, ZeGenericObject **pGeneric)
{
    *pGeneric = nullptr;
    void *made = nullptr;
    unsigned rc = ZeCreateGenericObject(&made);
    if (rc) return rc;
    ZeGenericObject *g = as_generic(made);
    *pGeneric = g;
    rc = ZeSetDtsInfoField(g->info, ZE_INFO_OBJECT, name);
    if (!rc) rc = ZeSetDtsInfoFromFilter(g->info, filter);
    if (!rc) {
        // Without a LANGUAGE the table takes the string library's default language.
        const char *language = ZeDtsInfoField(g->info, ZE_INFO_LANGUAGE);
        rc = ZeCreateStringTable(&g->strings, language ? language : "");
    }
    return rc;
}

unsigned set_table(const char *function, void *generic, int tableId, const ZeKeyedProcEntry *values, int count)
{
    return ze::frame(function, {{"Object", is_generic(generic)}},
                     [&] { return ZeObjectSetTableValues(generic, tableId, values, count); });
}

template <class T> T *element_as(void *object, const char *key) { return static_cast<T *>(ZeElement(object, key)); }

}  // namespace

namespace ze::objects {

bool read_element_directly(ZeHandler routine, void *active, void **element)
{
    for (std::size_t i = 0; i < kGetterHandlers.size(); ++i)
        if (kGetterHandlers[i] == routine) {
            if (!is_generic(active)) return false;  // the getter's own check refuses it, with its trace
            *element = kElementGetters[i].get(*as_generic(active));
            return true;
        }
    return false;
}

unsigned replace_change_stamp(ZeGenericObject &generic, const char *stamp)
{
    char *copy = ZE_DUP(stamp);
    if (!copy) return ZE_RC_NO_MEMORY;
    ZE_FREE(generic.changeStamp);
    generic.changeStamp = copy;
    return ZE_OK;
}

ZeGenericObject *generic_in_chain(void *object)
{
    for (void *o = ZeObjectIsValid(object) ? object : nullptr; o; o = base_of(o))
        if (is_generic(o)) return as_generic(o);
    return nullptr;
}

}  // namespace ze::objects

extern "C" {

unsigned int ZeCreateGenericObject(void **pGeneric)
{
    return ZE_FRAME({{"pGeneric", ze::given(pGeneric)}}, [&] {
        *pGeneric = nullptr;
        auto *g = ZE_NEW(ZeGenericObject);
        if (!g) return ZE_RC_NO_MEMORY;
        if (unsigned rc = build_generic(g)) {
            release_generic(g);
            return rc;
        }
        *pGeneric = g;
        return ZE_OK;
    });
}

unsigned int ZeDestroyGenericObject(void *generic)
{
    return ZE_FRAME({{"Object", is_generic(generic)}}, [&] {
        release_generic(as_generic(generic));
        return ZE_OK;
    });
}

int ZeIsValidGenericObject(void *object)
{
    return ZE_FRAME_QUIET({{"Object", ze::objects::is_named(object, ze::objects::kGenericKind)}}, 0, [] { return 1; });
}

unsigned int ZeInitGenericObject(void *frontObject, Filter *filter, void **pGeneric)
{
    if (pGeneric) *pGeneric = nullptr;
    return ZE_FRAME({{"FrontObject", ZeObjectIsNamed(frontObject, ze::objects::kFrontKind) != 0}}, [&] {
        ZeGenericObject *g = nullptr;
        unsigned rc = make_named_generic(ZeObjectName(frontObject), filter, &g);
        if (g) {
            unsigned attached = ZeSetRealObject(frontObject, g, ZeDestroyGenericObject);
            if (!rc) rc = attached;
        }
        ZeSetQueryPropertyProc(frontObject, ZeGetProperty);
        ZeSetSetPropertyProc(frontObject, ZePutProperty);
        ZeSetPerformActionProc(frontObject, ZeRunAction);
        if (pGeneric) *pGeneric = g;
        return rc;
    });
}

unsigned int ZeGenericObjInit(void *object, const char *name, Filter *filter)
{
    return ZE_FRAME({{"Object", ze::objects::is_object(object)}}, [&] {
        ZeGenericObject *g = nullptr;
        unsigned rc = make_named_generic(name, filter, &g);
        if (!g) return rc;
        unsigned attached = ZeObjectSetBaseObject(object, g, ZeDestroyGenericObject);
        if (attached) release_generic(g);  // refused: nobody else would release it
        return rc ? rc : attached;
    });
}

const char *ZeObjectName(void *object)
{
    return ZE_FRAME_QUIET({}, "INV_OBJECT", [&] {
        const char *name = element_as<const char>(object, "NAME");
        return name ? name : "INV_OBJECT";
    });
}

unsigned int ZeObjectSetName(void *object, const char *name)
{
    return ZE_FRAME({}, [&] { return ZeSetDtsInfoField(element_as<DtsInfo>(object, "INFO"), ZE_INFO_OBJECT, name); });
}

DtsInfo *ZeGenericObjInfo(void *object)
{
    return ZE_FRAME_QUIET({}, static_cast<DtsInfo *>(nullptr), [&] { return element_as<DtsInfo>(object, "INFO"); });
}
const char *ZeGenericObjPlatform(void *object)
{
    return ZE_FRAME_QUIET({}, static_cast<const char *>(nullptr),
                          [&] { return element_as<const char>(object, "PLATFORM"); });
}
const char *ZeGenericObjVersion(void *object)
{
    return ZE_FRAME_QUIET({}, static_cast<const char *>(nullptr),
                          [&] { return element_as<const char>(object, "VERSION"); });
}
Descriptor *ZeGenericObjDescriptor(void *object)
{
    return ZE_FRAME_QUIET({}, static_cast<Descriptor *>(nullptr),
                          [&] { return element_as<Descriptor>(object, "DESCRIPTOR"); });
}
Collection *ZeGenericObjCollection(void *object)
{
    return ZE_FRAME_QUIET({}, static_cast<Collection *>(nullptr),
                          [&] { return element_as<Collection>(object, "COLLECTION"); });
}
Item *ZeGenericObjItem(void *object)
{
    return ZE_FRAME_QUIET({}, static_cast<Item *>(nullptr), [&] { return element_as<Item>(object, "ITEM"); });
}
DtsResult *ZeGenericObjResult(void *object)
{
    return ZE_FRAME_QUIET({}, static_cast<DtsResult *>(nullptr),
                          [&] { return element_as<DtsResult>(object, "RESULT"); });
}
StringTable *ZeGenericObjStringTable(void *object)
{
    return ZE_FRAME_QUIET({}, static_cast<StringTable *>(nullptr),
                          [&] { return element_as<StringTable>(object, "STRING TABLE"); });
}
const char *ZeGenericObjChangeStamp(void *object)
{
    return ZE_FRAME_QUIET({}, static_cast<const char *>(nullptr),
                          [&] { return element_as<const char>(object, "CHANGE STAMP"); });
}

const char *ZeGenericObjName(void *object)
{
    return ZE_FRAME_QUIET({}, static_cast<const char *>(nullptr),
                          [&] { return ZeDtsInfoField(element_as<DtsInfo>(object, "INFO"), ZE_INFO_OBJECT); });
}

void *ZeGenericObjExtension(void *generic)
{
    return ZE_FRAME_VALUE({{"Object", is_generic(generic)}}, static_cast<void *>(nullptr),
                          [&] { return as_generic(generic)->extension; });
}

void ZeSetGenericObjExtension(void *generic, void *extension, ZeReleaseProc pfnFree)
{
    ZE_FRAME({{"Object", is_generic(generic)}}, [&] {
        as_generic(generic)->extension = extension;
        as_generic(generic)->extensionRelease = pfnFree;
        return ZE_OK;
    });
}

unsigned int ZeSetGenericObjActions(void *generic, const ZeKeyedProcEntry *values, int count)
{
    return set_table(__func__, generic, ZE_TABLE_ACTIONS, values, count);
}

unsigned int ZeSetGenericObjQueryProperties(void *generic, const ZeKeyedProcEntry *values, int count)
{
    return set_table(__func__, generic, ZE_TABLE_QUERY_PROPERTIES, values, count);
}

unsigned int ZeSetGenericObjSetProperties(void *generic, const ZeKeyedProcEntry *values, int count)
{
    return set_table(__func__, generic, ZE_TABLE_SET_PROPERTIES, values, count);
}

void ZeSetGenericObjChangeStamp(void *generic, const char *stamp)
{
    ZE_FRAME({{"Object", is_generic(generic)}},
             [&] { return stamp ? ze::objects::replace_change_stamp(*as_generic(generic), stamp) : ZE_OK; });
}

}  // extern "C"
