// The group object's seven actions. Each decides from the caller's filter
// whether it concerns the group records, the group kind or the members,
// narrows the filter into the group object's working filter, and then
// either sends the request itself (bearing the group name where the group
// kind is addressed) or hands the action on to the generic object behind.
#include "objects/group.hpp"

#include "ZeDts.h"
#include "ZeFilter.h"
#include "ZeGenObj.h"
#include "ZeRecords.h"
#include "foundation/frame.hpp"
#include "records/records.hpp"
#include "contract/text.hpp"

#include <cstring>

namespace {

enum class Concern { GroupRecord, GroupKind, Member };

template <class T> T *element(void *object, const char *key) { return static_cast<T *>(ZeElement(object, key)); }

// One submitted action: the group object it runs on and its arguments.
struct Request {
    const char *handler;  // name for checks and traces
    void *object;         // the group object
    const char *key;      // the action key as submitted
    Filter *filter;       // the caller's filter
    char ***pValues;      // NULL for actions without values

    ZeGroupObject &group() const { return *static_cast<ZeGroupObject *>(object); }
};

bool has_criterion(Filter *filter, const char *column, const char **pValue = nullptr)
{
    return ZeFilterItemByKey(filter, column, nullptr, pValue) == ZE_OK;
}

// The group record test comes first, where the action has that case.
Concern concern_of(const Request &r, bool hasGroupRecordCase)
{
    if (hasGroupRecordCase && has_criterion(r.filter, "GROUPID")) return Concern::GroupRecord;
    const char *type = nullptr;
    if (r.group().override ||
        (has_criterion(r.filter, "ITEM_TYPE", &type) && ze::equal_nocase(ze::view(type), "GROUP")))
        return Concern::GroupKind;
    return Concern::Member;
}

// The working filter becomes the caller's criteria without ITEM_TYPE.
unsigned narrow(const Request &r) { return ZeCopyFilterWithoutItem(r.group().filter, r.filter, "ITEM_TYPE"); }

// Collections select every id unless the caller named one.
unsigned narrow_with_wildcard_id(const Request &r)
{
    if (unsigned rc = narrow(r)) return rc;
    if (has_criterion(r.group().filter, "ID")) return ZE_OK;
    return ZeSetFilterItem(r.group().filter, ZE_CRITERION_STRINGS, "ID", "EQ", "*");
}

// Runs one request while the request info's OBJECT bears the group name,
// and restores the name afterwards on every path. The name to restore is
// kept in a fixed buffer, so keeping it cannot fail.
template <class Send> unsigned as_group(const Request &r, Send send)
{
    const char *current = ZeGenericObjName(r.object);
    if (current && std::strlen(current) > ZE_GROUP_MAX_NAME) {
        TarnTrace("*** %s: object name longer than 255 characters", r.handler);
        return ZE_RC_INVALID_PARAMETER;
    }
    if (!r.group().name) {
        TarnTrace("*** %s: group object has no group name", r.handler);
        return ZE_RC_INVALID_PARAMETER;
    }
    char saved[ZE_GROUP_MAX_NAME + 1] = {};
    if (current)
        std::strcpy(saved, current);  // NOLINT(clang-analyzer-security.insecureAPI.strcpy): length checked above
    unsigned rc = ZeObjectSetName(r.object, r.group().name);
    if (!rc) rc = send();
    unsigned restored = ZeObjectSetName(r.object, current ? saved : nullptr);
    // Once the request went out, a name that could not be put back must not
    // read as a refusal of the request.
    if (restored && (rc == ZE_OK || rc == ZE_RC_ANSWER_LOST)) return ZE_RC_ANSWER_LOST;
    return rc ? rc : restored;
}

// The generic object behind performs the same action with the working filter.
unsigned hand_on(const Request &r)
{
    void *base = ZeObjectBaseObject(r.object);
    if (r.pValues) return ZeSubmitAction(base, r.key, r.group().filter, r.pValues);
    return ZeSubmitAction(base, r.key, r.group().filter);
}

// After an item request: the ITEM element's values, or NULL on failure.
unsigned deliver(const Request &r, unsigned rc)
{
    *r.pValues = rc ? nullptr : ZeItemValues(element<Item>(r.object, "ITEM"));
    return rc;
}

const char *member_type(const Request &r) { return ZeObjectName(r.object); }

unsigned type_item(const Request &r, unsigned rc, const char *type)
{
    return rc ? rc : ZeGroupObjSetItemType(r.object, element<Item>(r.object, "ITEM"), type);
}

unsigned type_collection(const Request &r, unsigned rc, const char *type)
{
    return rc ? rc : ZeGroupObjSetCollectionType(r.object, element<Collection>(r.object, "COLLECTION"), type);
}

using ItemOperation = unsigned (*)(Descriptor *, DtsInfo *, Filter *, Item *, DtsResult *);
using CollectionOperation = unsigned (*)(Descriptor *, DtsInfo *, Filter *, Collection *, DtsResult *);

unsigned send_item(const Request &r, ItemOperation operation, const char *descriptorKey, Filter *filter)
{
    return operation(element<Descriptor>(r.object, descriptorKey), element<DtsInfo>(r.object, "INFO"), filter,
                     element<Item>(r.object, "ITEM"), element<DtsResult>(r.object, "RESULT"));
}

unsigned send_collection(const Request &r, CollectionOperation operation, const char *descriptorKey, Filter *filter)
{
    return operation(element<Descriptor>(r.object, descriptorKey), element<DtsInfo>(r.object, "INFO"), filter,
                     element<Collection>(r.object, "COLLECTION"), element<DtsResult>(r.object, "RESULT"));
}

unsigned delete_without_item(Descriptor *descriptor, DtsInfo *info, Filter *filter, Item *, DtsResult *result)
{
    return ZeDeleteDtsItem(descriptor, info, filter, result);
}

// Adding a member to or taking one out of a group changes the group record.
unsigned alter_group_record(const Request &r)
{
    return as_group(r, [&] { return send_item(r, ZeAlterDtsItem, "GROUP DESCRIPTOR", r.filter); });
}

// The group kind of an item action: narrowed, sent bearing the group name.
unsigned send_group_kind(const Request &r, ItemOperation operation)
{
    if (unsigned rc = narrow(r)) return rc;
    return as_group(r, [&] { return send_item(r, operation, "DESCRIPTOR", r.group().filter); });
}

// The member case of every action but the two reads: narrowed and handed on.
unsigned hand_on_narrowed(const Request &r)
{
    if (unsigned rc = narrow(r)) return rc;
    return hand_on(r);
}

unsigned open_collection(const Request &r)
{
    switch (concern_of(r, true)) {
    case Concern::GroupRecord:
        return as_group(r, [&] { return send_collection(r, ZeOpenDtsCollection, "GROUP DESCRIPTOR", r.filter); });
    case Concern::GroupKind: {
        if (unsigned rc = narrow_with_wildcard_id(r)) return rc;
        unsigned rc = as_group(
            r, [&] { return send_collection(r, ZeOpenDtsCollectionWithoutDups, "DESCRIPTOR", r.group().filter); });
        return type_collection(r, rc, ze::objects::kGroupKind);
    }
    case Concern::Member: break;
    }
    if (unsigned rc = narrow_with_wildcard_id(r)) return rc;
    return type_collection(r, hand_on(r), member_type(r));
}

unsigned open_item(const Request &r)
{
    if (concern_of(r, false) == Concern::GroupKind)
        return deliver(r, type_item(r, send_group_kind(r, ZeOpenDtsItem), ze::objects::kGroupKind));
    if (unsigned rc = narrow(r)) return deliver(r, rc);
    unsigned rc = send_item(r, ZeOpenDtsItem, "DESCRIPTOR", r.group().filter);
    return deliver(r, type_item(r, rc, member_type(r)));
}

unsigned define_item(const Request &r)
{
    switch (concern_of(r, true)) {
    case Concern::GroupRecord: *r.pValues = nullptr; return alter_group_record(r);
    case Concern::GroupKind: return deliver(r, send_group_kind(r, ZeDefineDtsItem));
    case Concern::Member: break;
    }
    return hand_on_narrowed(r);
}

unsigned delete_item(const Request &r)
{
    switch (concern_of(r, true)) {
    case Concern::GroupRecord: return alter_group_record(r);
    case Concern::GroupKind: return send_group_kind(r, delete_without_item);
    case Concern::Member: break;
    }
    return hand_on_narrowed(r);
}

// ALTER, COPY and RENAME: the group kind or the members, nothing else.
template <ItemOperation Operation> unsigned change_item(const Request &r)
{
    if (concern_of(r, false) == Concern::GroupKind) return deliver(r, send_group_kind(r, Operation));
    return hand_on_narrowed(r);
}

// The frame of every handler: takes the arguments, checks them under the
// handler's name and runs the action.
template <unsigned (*Action)(const Request &)>
unsigned handle(const char *handler, const char *actionKey, bool takesValues, void *object, const char *key,
                va_list *pArgs)
{
    Filter *filter = ze::objects::arg<Filter *>(pArgs);
    char ***pValues = takesValues ? ze::objects::arg<char ***>(pArgs) : nullptr;
    if (pValues) *pValues = nullptr;
    return ze::frame(handler,
                     {{"Object", ZeObjectIsNamed(object, ze::objects::kGroupKind) != 0},
                      {"ActionKey", ze::same_key(key, actionKey)},
                      {"Filter", ze::records::is_filter(filter)},
                      {"pValues", !takesValues || ze::given(pValues)}},
                     [&] {
                         return Action({handler, object, key, filter, pValues});
                     });
}

#define GROUP_HANDLER(name, actionKey, takesValues, action)                                                            \
    unsigned name(void *object, const char *key, va_list *pArgs)                                                       \
    {                                                                                                                  \
        return handle<action>(#name, actionKey, takesValues, object, key, pArgs);                                      \
    }

GROUP_HANDLER(group_object_open_collection, "OPEN COLLECTION", false, open_collection)
GROUP_HANDLER(group_object_open_item, "OPEN ITEM", true, open_item)
GROUP_HANDLER(group_object_define_item, "DEFINE ITEM", true, define_item)
GROUP_HANDLER(group_object_alter_item, "ALTER ITEM", true, change_item<ZeAlterDtsItem>)
GROUP_HANDLER(group_object_delete_item, "DELETE ITEM", false, delete_item)
GROUP_HANDLER(group_object_copy_item, "COPY ITEM", true, change_item<ZeCopyDtsItemViaDefine>)
GROUP_HANDLER(group_object_rename_item, "RENAME ITEM", true, change_item<ZeRenameDtsItemViaDefine>)

#undef GROUP_HANDLER

}  // namespace

namespace ze::objects {

const ZeKeyedProcEntry kGroupActions[] = {
    {"OPEN COLLECTION", group_object_open_collection}, {"OPEN ITEM", group_object_open_item},
    {"DEFINE ITEM", group_object_define_item},         {"ALTER ITEM", group_object_alter_item},
    {"DELETE ITEM", group_object_delete_item},         {"COPY ITEM", group_object_copy_item},
    {"RENAME ITEM", group_object_rename_item},         {nullptr, nullptr},
};

}  // namespace ze::objects
