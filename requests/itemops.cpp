// Single-item operations: define, alter, delete, read, copy and rename one
// remote item through one worker; new items from defaults; copy and rename
// carried out as a DEFINE of the new key (and a DELETE of the old one).
#include "requests/itemops.hpp"

#include "ZeStrArray.h"
#include "contract/text.hpp"
#include "requests/action.hpp"

using namespace ze::requests;

namespace {

// SELECT, LIST and DELETE name the items they act on by criteria; the
// other commands carry values, which go out as given.
bool selects(const char *command)
{
    return ze::equal_nocase(command, "SELECT") || ze::equal_nocase(command, "DELETE") ||
           ze::equal_nocase(command, "LIST");
}

// The worker: request fields from the filter (a selection's checked
// first), the answer row into `item` when one is given.
unsigned send_item_request(const char *command, Descriptor *descriptor, DtsInfo *info, Filter *filter, Item *item,
                           DtsResult *result)
{
    ze::requests::OwnedFilter checked;
    if (selects(command)) {
        if (unsigned rc = check_selection(descriptor, info, filter, result, checked)) return rc;
        filter = checked.get();
    }
    ze::requests::OwnedAction action;
    if (unsigned rc = prepare_request(action, ZE_RESPONSE_ITEM, filter, descriptor)) return rc;
    action.get()->item = item;
    return ZeRouteDtsAction(action.get(), info, command, result);
}

// The exported single-item operations, each checked under its own name.
unsigned item_operation(const char *function, const char *command, Descriptor *descriptor, DtsInfo *info,
                        Filter *filter, Item *item, DtsResult *result)
{
    return operation(function, descriptor, info, filter, {"Item", is_item(item)}, result,
                     [&] { return send_item_request(command, descriptor, info, filter, item, result); });
}

bool is_key_field(Field *field)
{
    int key = 0;
    return ZeGetAttribute(field, "KEY", &key) == ZE_OK && key;
}

// Adds the criteria of one key field to the DEFINE of a copy: the key takes
// its new value from the field's COPY TO pseudo field, which in turn carries
// the source key. 0, or the code of a criterion that could not be added.
unsigned add_copy_key(Filter *define, Filter *filter, Field *field)
{
    const char *name = nullptr, *copyTo = nullptr, *source = nullptr;
    ZeGetAttribute(field, "NAME", &name);
    ZeGetAttribute(field, "COPY TO", &copyTo);
    if (ZeFilterItemByKey(filter, name, nullptr, &source) != ZE_OK) {
        TarnTrace("*** Key field <%s> not specified in filter", name ? name : "<NULL>");
        return ZE_OK;
    }
    if (!source) source = "";
    const char *newValue = source;
    if (copyTo) {
        if (unsigned rc = ZeSetFilterItem(define, ZE_CRITERION_STRINGS, copyTo, "EQ", source)) return rc;
        if (ZeFilterItemByKey(filter, copyTo, nullptr, &newValue) != ZE_OK) {
            TarnTrace("*** Pseudo field <%s> not specified in filter", copyTo);
            newValue = source;
        }
        if (!newValue) newValue = "";
    }
    return ZeSetFilterItem(define, ZE_CRITERION_STRINGS, name, "EQ", newValue);
}

unsigned copy_via_define(Descriptor *descriptor, DtsInfo *info, Filter *filter, Item *item, DtsResult *result)
{
    ze::requests::OwnedFilter define;
    if (unsigned rc = ZeCreateFilter(define.out())) return rc;
    for (Field *field = nullptr; ZeGetField(descriptor, &field) == ZE_OK;)
        if (is_key_field(field))
            if (add_copy_key(define.get(), filter, field)) return ZE_RC_NO_MEMORY;
    return ZeActUponDtsItem("DEFINE", descriptor, info, define.get(), item, result);
}

// The criteria of `filter` on key fields, to delete the item under its old key.
unsigned key_criteria(Filter *keys, Filter *filter, Descriptor *descriptor)
{
    const char *column = nullptr, *relop = nullptr, *value = nullptr;
    ZeInitFilterQuery(filter);
    for (int i = ZeGetFilterItemCount(filter); i > 0 && ZeGetFilterItem(filter, &column, &relop, &value);
         --i, ZeNextFilterItem(filter)) {
        int key = 0;
        if (ZeQueryAttribute(descriptor, column, "KEY", &key) != ZE_OK || !key) continue;
        if (ZeSetFilterItem(keys, ZE_CRITERION_STRINGS, column, relop, value)) return ZE_RC_NO_MEMORY;
    }
    return ZE_OK;
}

// The copy, then the delete of the old key, whose criteria are ready before
// the copy goes out: once the copy is made, any failure leaves both items.
unsigned rename_via_define(Descriptor *descriptor, DtsInfo *info, Filter *filter, Item *item, DtsResult *result)
{
    ze::requests::OwnedFilter keys;
    if (unsigned rc = ZeCreateFilter(keys.out())) return rc;
    if (unsigned rc = key_criteria(keys.get(), filter, descriptor)) return rc;
    const unsigned copied = copy_via_define(descriptor, info, filter, item, result);
    if (copied != ZE_OK && copied != ZE_RC_ANSWER_LOST) return copied;
    const unsigned deleted = ZeDeleteDtsItem(descriptor, info, keys.get(), result);
    if (deleted == ZE_OK || deleted == ZE_RC_ANSWER_LOST) return copied == ZE_OK ? deleted : copied;
    TarnTrace("*** ZeRenameDtsItemViaDefine: the item was copied to its new key, the old one was not deleted");
    return ZE_RC_PARTLY_DONE;
}

unsigned new_item(Descriptor *descriptor, Item *item)
{
    const int n = ZeGetFieldCount(descriptor);
    if (n == 0) return ZeSetItemValues(item, nullptr, 0);
    char **defaults = ZeAllocStrPtrArray(static_cast<unsigned>(n));
    if (!defaults) return ZE_RC_NO_MEMORY;
    unsigned rc = ZeDefaultValues(descriptor, defaults);
    if (!rc) rc = ZeSetItemValues(item, defaults, static_cast<unsigned>(n));
    ZeFreeStrPtrArray(defaults, 0);  // the defaults are the descriptor's
    return rc;
}

}  // namespace

namespace ze::requests {

unsigned prepare_request(OwnedAction &action, unsigned kind, Filter *filter, Descriptor *descriptor)
{
    if (unsigned rc = ZeCreateDtsAction(action.out())) return rc;
    if (unsigned rc = ZeSetDtsActionField(action.get(), ZE_ACTION_RESPONSE_KIND, kind)) return rc;
    action.get()->descriptor = descriptor;
    return ZeSetDtsActionRequestFilter(action.get(), filter, descriptor, 0);
}

}  // namespace ze::requests

extern "C" {

unsigned int ZeActUponDtsItem(const char *command, Descriptor *descriptor, DtsInfo *info, Filter *filter, Item *item,
                              DtsResult *result)
{
    return ZE_FRAME({{"Command", ze::given(command)},
                     {"Descriptor", is_descriptor(descriptor)},
                     {"Info", is_info(info)},
                     {"Filter", is_filter(filter)},
                     {"Item", !item || is_item(item)},
                     {"Result", is_result(result)}},
                    [&] { return send_item_request(command, descriptor, info, filter, item, result); });
}

unsigned int ZeDefineDtsItem(Descriptor *descriptor, DtsInfo *info, Filter *filter, Item *item, DtsResult *result)
{
    return item_operation(__func__, "DEFINE", descriptor, info, filter, item, result);
}

unsigned int ZeAlterDtsItem(Descriptor *descriptor, DtsInfo *info, Filter *filter, Item *item, DtsResult *result)
{
    return item_operation(__func__, "ALTER", descriptor, info, filter, item, result);
}

unsigned int ZeDeleteDtsItem(Descriptor *descriptor, DtsInfo *info, Filter *filter, DtsResult *result)
{
    return ZE_FRAME({{"Descriptor", is_descriptor(descriptor)},
                     {"Info", is_info(info)},
                     {"Filter", is_filter(filter)},
                     {"Result", is_result(result)}},
                    [&] { return send_item_request("DELETE", descriptor, info, filter, nullptr, result); });
}

unsigned int ZeOpenDtsItem(Descriptor *descriptor, DtsInfo *info, Filter *filter, Item *item, DtsResult *result)
{
    return item_operation(__func__, "SELECT", descriptor, info, filter, item, result);
}

unsigned int ZeCopyDtsItem(Descriptor *descriptor, DtsInfo *info, Filter *filter, Item *item, DtsResult *result)
{
    return item_operation(__func__, "COPY", descriptor, info, filter, item, result);
}

unsigned int ZeRenameDtsItem(Descriptor *descriptor, DtsInfo *info, Filter *filter, Item *item, DtsResult *result)
{
    return item_operation(__func__, "RENAME", descriptor, info, filter, item, result);
}

unsigned int ZeNewDtsItem(Descriptor *descriptor, DtsInfo *info, Item *item, DtsResult *result)
{
    return ZE_FRAME({{"Descriptor", is_descriptor(descriptor)},
                     {"Info", is_info(info)},
                     {"Item", is_item(item)},
                     {"Result", is_result(result)}},
                    [&] { return new_item(descriptor, item); });
}

unsigned int ZeCopyDtsItemViaDefine(Descriptor *descriptor, DtsInfo *info, Filter *filter, Item *item,
                                    DtsResult *result)
{
    return operation(__func__, descriptor, info, filter, {"Item", is_item(item)}, result,
                     [&] { return copy_via_define(descriptor, info, filter, item, result); });
}

unsigned int ZeRenameDtsItemViaDefine(Descriptor *descriptor, DtsInfo *info, Filter *filter, Item *item,
                                      DtsResult *result)
{
    return operation(__func__, descriptor, info, filter, {"Item", is_item(item)}, result,
                     [&] { return rename_via_define(descriptor, info, filter, item, result); });
}

}  // extern "C"
