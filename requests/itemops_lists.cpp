// List operations: the names a router sends one by one (LIST, or SELECT),
// or the values of one column of a full select.
#include "requests/itemops.hpp"

#include "contract/text.hpp"
#include "requests/action.hpp"

using namespace ze::requests;

namespace {

// Moves the names the router sent, in arrival order, into the list item,
// which owns them from then on. The action keeps them when memory is short.
unsigned hand_over_names(DtsAction *action, Item *list)
{
    if (!action->nameList) return ZE_RC_NO_MEMORY;  // an action made in part
    char **names = ze::requests::list_array(action->nameList, 0);
    if (!names) return ZE_RC_NO_MEMORY;
    TarnListReset(action->nameList, nullptr);
    return ZeAttachItemValues(list, names, ZE_COUNT_VALUES);
}

unsigned get_names(const char *command, Descriptor *descriptor, DtsInfo *info, Filter *filter, Item *list,
                   DtsResult *result)
{
    ze::requests::OwnedFilter checked;
    if (unsigned rc = check_selection(descriptor, info, filter, result, checked)) {
        ZeSetItemValues(list, nullptr, 0);  // a refused selection gathers no names
        return rc;
    }
    ze::requests::OwnedAction action;
    unsigned rc = prepare_request(action, ZE_RESPONSE_LIST, checked.get(), descriptor);
    if (!action.get()) return rc;
    if (!rc) rc = ZeRouteDtsAction(action.get(), info, command, result);
    // Names sent before a failure are delivered all the same.
    unsigned handed = hand_over_names(action.get(), list);
    return rc ? rc : handed;
}

// The column of the first criterion "<column> EQ *".
const char *list_column(Filter *filter)
{
    const char *column = nullptr, *relop = nullptr, *value = nullptr;
    ZeInitFilterQuery(filter);
    for (; ZeGetFilterItem(filter, &column, &relop, &value); ZeNextFilterItem(filter))
        if (ze::same_key(relop, "EQ") && ze::view(value) == "*") return column;
    TarnTrace("*** get_list_field_name_from_filter: no filter entry of form NAME EQ *");
    return nullptr;
}

// The criteria of `filter` other than those whose value is "*".
unsigned select_criteria(Filter *select, Filter *filter)
{
    const char *column = nullptr, *relop = nullptr, *value = nullptr;
    ZeInitFilterQuery(filter);
    for (; ZeGetFilterItem(filter, &column, &relop, &value); ZeNextFilterItem(filter)) {
        if (ze::view(value) == "*") continue;
        if (unsigned rc = ZeSetFilterItem(select, ZE_CRITERION_STRINGS, column, relop, value)) return rc;
    }
    return ZE_OK;
}

unsigned list_from_collection(Descriptor *descriptor, DtsInfo *info, Filter *filter, Item *list, DtsResult *result)
{
    const char *column = list_column(filter);
    if (!column) return ZE_RC_INVALID_PARAMETER;
    int position = 0;
    if (unsigned rc = ZeGetFieldOrder(descriptor, column, &position)) return rc;
    ze::requests::OwnedCollection rows;
    ze::requests::OwnedFilter select;
    if (unsigned rc = ZeCreateCollection(rows.out())) return rc;
    if (unsigned rc = ZeCreateFilter(select.out())) return rc;
    if (unsigned rc = select_criteria(select.get(), filter)) return rc;
    if (unsigned rc = ZeOpenDtsCollection(descriptor, info, select.get(), rows.get(), result)) return rc;
    return ZeGetFieldListFromCollection(rows.get(), position, list);
}

}  // namespace

extern "C" {

unsigned int ZeGetDtsList(Descriptor *descriptor, DtsInfo *info, Filter *filter, Item *list, DtsResult *result)
{
    return operation(__func__, descriptor, info, filter, {"List", is_item(list)}, result,
                     [&] { return get_names("LIST", descriptor, info, filter, list, result); });
}

unsigned int ZeGetDtsListViaSelect(Descriptor *descriptor, DtsInfo *info, Filter *filter, Item *list, DtsResult *result)
{
    return operation(__func__, descriptor, info, filter, {"List", is_item(list)}, result,
                     [&] { return get_names("SELECT", descriptor, info, filter, list, result); });
}

unsigned int ZeGetDtsListFromCollection(Descriptor *descriptor, DtsInfo *info, Filter *filter, Item *list,
                                        DtsResult *result)
{
    return operation(__func__, descriptor, info, filter, {"List", is_item(list)}, result,
                     [&] { return list_from_collection(descriptor, info, filter, list, result); });
}

}  // extern "C"
