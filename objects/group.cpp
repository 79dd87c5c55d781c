// The group object: its record, creation, init and destruction, its two
// elements, and the setters and getters that find it along a chain.
#include "objects/group.hpp"

#include "ZeDesc.h"
#include "ZeFilter.h"
#include "ZeGenObj.h"
#include "ZeRecords.h"
#include "foundation/blocks.hpp"
#include "foundation/frame.hpp"
#include "records/records.hpp"

#include <cstring>
#include <string_view>

ZE_SOURCE_TAG("ZeGroup");

namespace {

bool is_group(void *object) { return ze::objects::is_named(object, ze::objects::kGroupKind); }
ZeGroupObject *as_group(void *object) { return static_cast<ZeGroupObject *>(object); }

// The first group object of the chain (traced when there is none).
ZeGroupObject *group_in_chain(void *object) { return as_group(ZeObjectNamedObject(object, ze::objects::kGroupKind)); }

bool fits_name(const char *name) { return !name || std::strlen(name) <= ZE_GROUP_MAX_NAME; }

// Element handlers: one argument, where to store the element.
template <class Get>
unsigned get_group_element(const char *checkName, const char *elementKey, void *object, const char *key, va_list *pArgs,
                           Get get)
{
    void **pElement = ze::objects::arg<void **>(pArgs);
    return ze::frame(checkName,
                     {{"Object", is_group(object)},
                      {"ElementKey", ze::same_key(key, elementKey)},
                      {"pElement", ze::given(pElement)}},
                     [&] {
                         *pElement = get(*as_group(object));
                         return ZE_OK;
                     });
}

unsigned get_group_name(void *object, const char *key, va_list *pArgs)
{
    return get_group_element(__func__, "GROUP NAME", object, key, pArgs,
                             [](ZeGroupObject &g) -> void * { return g.name; });
}

unsigned get_group_descriptor(void *object, const char *key, va_list *pArgs)
{
    return get_group_element(__func__, "GROUP DESCRIPTOR", object, key, pArgs,
                             [](ZeGroupObject &g) -> void * { return g.groupDescriptor; });
}

const ZeKeyedProcEntry kGroupElements[] = {
    {"GROUP NAME", get_group_name},
    {"GROUP DESCRIPTOR", get_group_descriptor},
    {nullptr, nullptr},
};

const ZeKeyedProcEntry kGroupQueries[] = {
    {"ACTIONS", ZeQueryActions},
    {"IS VALID ACTION", ZeQueryValidAction},
    {nullptr, nullptr},
};

// Releases whatever part of a group object exists; the interface goes
// first, and with it the generic object behind.
unsigned release_group(ZeGroupObject *g)
{
    unsigned rc = g->interface ? ZeObjectDestroyInterface(g->interface) : ZE_OK;
    ZE_FREE(g->name);
    if (g->filter) ZeDestroyFilter(g->filter);
    if (g->groupDescriptor) ZeDestroyDescriptor(g->groupDescriptor);
    ZE_FREE(g);
    return rc;
}

unsigned build_group(ZeGroupObject *g)
{
    if (unsigned rc = ZeObjectCreateInterface(&g->interface, ze::objects::kGroupKind)) return rc;
    if (unsigned rc = ZeCreateFilter(&g->filter)) return rc;
    if (unsigned rc = ZeCreateDescriptor(&g->groupDescriptor)) return rc;
    const std::pair<int, const ZeKeyedProcEntry *> tables[] = {
        {ZE_TABLE_ACTIONS, ze::objects::kGroupActions},
        {ZE_TABLE_ELEMENTS, kGroupElements},
        {ZE_TABLE_QUERY_PROPERTIES, kGroupQueries},
    };
    for (auto [tableId, entries] : tables)
        if (unsigned rc = ZeObjectSetTableValues(g, tableId, entries, -1)) return rc;
    return ZE_OK;
}

// "GROUP" or the object's own name, compared case-sensitively. The name is
// only looked up when needed, as that goes through the chain's elements.
bool is_record_type(void *object, const char *type)
{
    if (!type) return false;
    std::string_view t(type);
    return t == ze::objects::kGroupKind || t == ZeObjectName(object);
}

// The header position of the ITEM_TYPE field in the chain's DESCRIPTOR.
unsigned item_type_position(void *object, int *position)
{
    return ZeGetFieldOrder(static_cast<Descriptor *>(ZeElement(object, "DESCRIPTOR")), "ITEM_TYPE", position);
}

}  // namespace

extern "C" {

unsigned int ZeGroupObjCreate(void **pObject)
{
    return ZE_FRAME({{"pObject", ze::given(pObject)}}, [&] {
        *pObject = nullptr;
        auto *g = ZE_NEW(ZeGroupObject);
        if (!g) return ZE_RC_NO_MEMORY;
        if (unsigned rc = build_group(g)) {
            release_group(g);
            return rc;
        }
        *pObject = g;
        return ZE_OK;
    });
}

unsigned int ZeGroupObjInit(void *Object, const char *InfoValue, Filter *filter, const char *Name)
{
    return ZE_FRAME({}, [&] {
        void *group = nullptr;
        unsigned rc = ZeGroupObjCreate(&group);
        if (rc) return rc;
        rc = ZeGroupObjSetName(group, Name);
        unsigned generic = ZeGenericObjInit(group, InfoValue, filter);
        if (!rc) rc = generic;
        // Attached in every case, so the owner of Object releases what was made.
        unsigned attached = ZeObjectSetBaseObject(Object, group, ZeGroupObjDestory);
        if (attached) ZeGroupObjDestory(group);  // refused: nobody else would release it
        return rc ? rc : attached;
    });
}

unsigned int ZeGroupObjDestory(void *Object)
{
    return ZE_FRAME({{"Object", is_group(Object)}}, [&] { return release_group(as_group(Object)); });
}

unsigned int ZeGroupObjSetName(void *Object, const char *Name)
{
    return ZE_FRAME({{"Object", ze::objects::is_object(Object)}, {"Name", fits_name(Name)}}, [&] {
        ZeGroupObject *g = group_in_chain(Object);
        if (!g) return ZE_RC_NO_GROUP_OBJECT;
        char *copy = nullptr;
        if (Name && !(copy = ZE_DUP(Name))) return ZE_RC_NO_MEMORY;
        ZE_FREE(g->name);
        g->name = copy;
        return ZE_OK;
    });
}

const char *ZeGroupObjName(void *Object)
{
    return ZE_FRAME_VALUE({{"Object", ze::objects::is_object(Object)}}, static_cast<const char *>(nullptr),
                          [&]() -> const char * {
                              ZeGroupObject *g = group_in_chain(Object);
                              return g ? g->name : nullptr;
                          });
}

unsigned int ZeGroupObjSetOverride(void *Object, unsigned int Override)
{
    return ZE_FRAME({{"Object", ze::objects::is_object(Object)}}, [&] {
        ZeGroupObject *g = group_in_chain(Object);
        if (!g) return ZE_RC_NO_GROUP_OBJECT;
        g->override = Override;
        return ZE_OK;
    });
}

unsigned int ZeGroupObjOverride(void *Object)
{
    return ZE_FRAME_VALUE({{"Object", ze::objects::is_object(Object)}}, 0u, [&] {
        ZeGroupObject *g = group_in_chain(Object);
        return g ? g->override : 0u;
    });
}

unsigned int ZeGroupObjSetItemType(void *Object, Item *item, const char *Type)
{
    bool valid = ze::objects::is_object(Object);
    return ZE_FRAME(
        {{"Object", valid}, {"Item", ze::records::is_item(item)}, {"Type", valid && is_record_type(Object, Type)}},
        [&] {
            if (!group_in_chain(Object)) return ZE_RC_NO_GROUP_OBJECT;
            int position = 0;
            if (unsigned rc = item_type_position(Object, &position)) return rc;
            return ZeSetItemValue(item, position, Type);
        });
}

unsigned int ZeGroupObjSetCollectionType(void *Object, Collection *collection, const char *Type)
{
    bool valid = ze::objects::is_object(Object);
    return ZE_FRAME({{"Object", valid},
                     {"Collection", ze::records::is_collection(collection)},
                     {"Type", valid && is_record_type(Object, Type)}},
                    [&] {
                        if (!group_in_chain(Object)) return ZE_RC_NO_GROUP_OBJECT;
                        int position = 0;
                        if (unsigned rc = item_type_position(Object, &position)) return rc;
                        // Type every item, then put the cursor back where the walk found it.
                        unsigned cursor = ZeCollectionPosition(collection);
                        unsigned rc = ZE_OK;
                        for (Item *it = ZeFirstCollectionItem(collection); it; it = ZeNextCollectionItem(collection)) {
                            unsigned set = ZeSetItemValue(it, position, Type);
                            if (!rc) rc = set;
                        }
                        if (cursor) ZeSetCollectionPosition(collection, cursor);
                        return rc;
                    });
}

}  // extern "C"
