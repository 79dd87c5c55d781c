// The generic object's item and collection actions: each handler takes its
// arguments, checks them, hands the object's components to a request
// operation and gives the answer back as the values of the current item.
#include "objects/generic.hpp"

#include "ZeDts.h"
#include "ZeFilter.h"
#include "ZeRecords.h"
#include "foundation/frame.hpp"
#include "records/records.hpp"

namespace {

using ItemOperation = unsigned (*)(Descriptor *, DtsInfo *, Filter *, Item *, DtsResult *);
using CollectionOperation = unsigned (*)(Descriptor *, DtsInfo *, Filter *, Collection *, DtsResult *);

template <class T> T *element(void *object, const char *key)
{
    return static_cast<T *>(ze::objects::element(object, key));
}

// Hands back the item's values on success, NULL otherwise.
unsigned deliver(void *object, unsigned rc, char ***pValues)
{
    *pValues = rc ? nullptr : ZeItemValues(element<Item>(object, "ITEM"));
    return rc;
}

// The item handlers that take (Filter, pValues) and pass the caller's
// filter straight to their operation.
unsigned item_action(const char *name, void *object, const char *key, va_list *pArgs, const char *actionKey,
                     ItemOperation operation)
{
    Filter *filter = ze::objects::arg<Filter *>(pArgs);
    char ***pValues = ze::objects::arg<char ***>(pArgs);
    if (pValues) *pValues = nullptr;
    return ze::frame(name,
                     {{"Object", ze::objects::is_object(object)},
                      {"ActionKey", ze::same_key(key, actionKey)},
                      {"Filter", ze::records::is_filter(filter)},
                      {"pValues", ze::given(pValues)}},
                     [&] {
                         unsigned rc =
                             operation(element<Descriptor>(object, "DESCRIPTOR"), element<DtsInfo>(object, "INFO"),
                                       filter, element<Item>(object, "ITEM"), element<DtsResult>(object, "RESULT"));
                         return deliver(object, rc, pValues);
                     });
}

unsigned collection_action(const char *name, void *object, const char *key, va_list *pArgs,
                           CollectionOperation operation)
{
    Filter *filter = ze::objects::arg<Filter *>(pArgs);
    return ze::frame(name,
                     {{"Object", ze::objects::is_object(object)},
                      {"ActionKey", ze::same_key(key, "OPEN COLLECTION")},
                      {"Filter", ze::records::is_filter(filter)}},
                     [&] {
                         return operation(element<Descriptor>(object, "DESCRIPTOR"), element<DtsInfo>(object, "INFO"),
                                          filter, element<Collection>(object, "COLLECTION"),
                                          element<DtsResult>(object, "RESULT"));
                     });
}

unsigned copy_via_command(Descriptor *d, DtsInfo *i, Filter *f, Item *it, DtsResult *r)
{
    return ZeActUponDtsItem("COPY", d, i, f, it, r);
}

unsigned rename_via_command(Descriptor *d, DtsInfo *i, Filter *f, Item *it, DtsResult *r)
{
    return ZeActUponDtsItem("RENAME", d, i, f, it, r);
}

// DEFINE ITEM sends the object's own FILTER element: the caller's criteria
// and the default values of the fields the caller left out.
unsigned define_with_defaults(void *object, Descriptor *descriptor, DtsInfo *info, Filter *filter, Item *item,
                              DtsResult *result)
{
    Filter *defineFilter = element<Filter>(object, "FILTER");
    if (unsigned rc = ZeSetupDtsDefineFilter(defineFilter, filter, descriptor)) return rc;
    return ZeDefineDtsItem(descriptor, info, defineFilter, item, result);
}

}  // namespace

extern "C" {

ZE_HANDLER(ZeOpenGenericObjCollection, collection_action, ZeOpenDtsCollection)
ZE_HANDLER(ZeObjectOpenCollectionWithoutDups, collection_action, ZeOpenDtsCollectionWithoutDups)

unsigned int ZeCloseGenericObjCollection(void *object, const char *key, va_list *)
{
    return ZE_FRAME({{"Object", ze::objects::is_object(object)}, {"ActionKey", ze::same_key(key, "CLOSE COLLECTION")}},
                    [&] { return ZeResetCollection(element<Collection>(object, "COLLECTION")); });
}

unsigned int ZeSetGenericObjPosition(void *object, const char *key, va_list *pArgs)
{
    unsigned position = ze::objects::arg<unsigned>(pArgs);
    return ZE_FRAME({{"Object", ze::objects::is_object(object)},
                     {"ActionKey", ze::same_key(key, "SET POSITION")},
                     {"Position", true}},
                    [&] { return ZeSetCollectionPosition(element<Collection>(object, "COLLECTION"), position); });
}

unsigned int ZeGetGenericObjItemCount(void *object, const char *key, va_list *pArgs)
{
    unsigned *pCount = ze::objects::arg<unsigned *>(pArgs);
    if (pCount) *pCount = 0;
    return ZE_FRAME({{"Object", ze::objects::is_object(object)},
                     {"ActionKey", ze::same_key(key, "GET ITEM COUNT")},
                     {"pCount", ze::given(pCount)}},
                    [&] {
                        *pCount = ZeCollectionSize(element<Collection>(object, "COLLECTION"));
                        return ZE_OK;
                    });
}

unsigned int ZeGetGenericObjItem(void *object, const char *key, va_list *pArgs)
{
    char ***pValues = ze::objects::arg<char ***>(pArgs);
    if (pValues) *pValues = nullptr;
    return ZE_FRAME({{"Object", ze::objects::is_object(object)},
                     {"ActionKey", ze::same_key(key, "GET ITEM")},
                     {"pValues", ze::given(pValues)}},
                    [&] {
                        Item *next = ZeNextCollectionItem(element<Collection>(object, "COLLECTION"));
                        if (!next) return ZE_RC_NO_ENTRY;
                        *pValues = ZeItemValues(next);
                        return ZE_OK;
                    });
}

unsigned int ZeGetGenericObjChangeStamp(void *object, const char *key, va_list *pArgs)
{
    const char **pChangeStamp = ze::objects::arg<const char **>(pArgs);
    if (pChangeStamp) *pChangeStamp = nullptr;
    return ZE_FRAME({{"Object", ze::objects::is_object(object)},
                     {"ActionKey", ze::same_key(key, "GET CHANGE STAMP")},
                     {"pChangeStamp", ze::given(pChangeStamp)}},
                    [&] {
                        // Changes are not tracked: the stamp always reads "Undefined".
                        ZeGenericObject *g = ze::objects::generic_in_chain(object);
                        if (!g) return ZE_RC_NO_ENTRY;
                        unsigned rc = ze::objects::replace_change_stamp(*g, ze::objects::kUndefinedStamp);
                        if (!rc) *pChangeStamp = g->changeStamp;
                        return rc;
                    });
}

unsigned int ZeAnyGenericObjChange(void *object, const char *key, va_list *pArgs)
{
    Filter *filter = ze::objects::arg<Filter *>(pArgs);
    ze::objects::arg<const char *>(pArgs);  // the change stamp: any stamp is out of date
    int *pChanged = ze::objects::arg<int *>(pArgs);
    if (pChanged) *pChanged = 0;
    return ZE_FRAME({{"Object", ze::objects::is_object(object)},
                     {"ActionKey", ze::same_key(key, "ANY CHANGE")},
                     {"Filter", ze::records::is_filter(filter)},
                     {"ChangeStamp", true},
                     {"pChanged", ze::given(pChanged)}},
                    [&] {
                        *pChanged = 1;
                        return ZE_RC_DISABLED;
                    });
}

unsigned int ZeNewGenericObjItem(void *object, const char *key, va_list *pArgs)
{
    char ***pValues = ze::objects::arg<char ***>(pArgs);
    if (pValues) *pValues = nullptr;
    return ZE_FRAME({{"Object", ze::objects::is_object(object)},
                     {"ActionKey", ze::same_key(key, "NEW ITEM")},
                     {"pValues", ze::given(pValues)}},
                    [&] {
                        unsigned rc =
                            ZeNewDtsItem(element<Descriptor>(object, "DESCRIPTOR"), element<DtsInfo>(object, "INFO"),
                                         element<Item>(object, "ITEM"), element<DtsResult>(object, "RESULT"));
                        return deliver(object, rc, pValues);
                    });
}

unsigned int ZeDefineGenericObjItem(void *object, const char *key, va_list *pArgs)
{
    Filter *filter = ze::objects::arg<Filter *>(pArgs);
    char ***pValues = ze::objects::arg<char ***>(pArgs);
    if (pValues) *pValues = nullptr;
    return ZE_FRAME({{"Object", ze::objects::is_object(object)},
                     {"ActionKey", ze::same_key(key, "DEFINE ITEM")},
                     {"Filter", ze::records::is_filter(filter)},
                     {"pValues", ze::given(pValues)}},
                    [&] {
                        unsigned rc = define_with_defaults(
                            object, element<Descriptor>(object, "DESCRIPTOR"), element<DtsInfo>(object, "INFO"), filter,
                            element<Item>(object, "ITEM"), element<DtsResult>(object, "RESULT"));
                        return deliver(object, rc, pValues);
                    });
}

ZE_HANDLER(ZeOpenGenericObjItem, item_action, "OPEN ITEM", ZeOpenDtsItem)
ZE_HANDLER(ZeAlterGenericObjItem, item_action, "ALTER ITEM", ZeAlterDtsItem)
ZE_HANDLER(ZeCopyGenericObjItem, item_action, "COPY ITEM", copy_via_command)
ZE_HANDLER(ZeCopyGenericObjItemViaDefine, item_action, "COPY ITEM", ZeCopyDtsItemViaDefine)
ZE_HANDLER(ZeRenameGenericObjItem, item_action, "RENAME ITEM", rename_via_command)
ZE_HANDLER(ZeRenameGenericObjItemViaAlter, item_action, "RENAME ITEM", ZeAlterDtsItem)
ZE_HANDLER(ZeRenameGenericObjItemViaDefine, item_action, "RENAME ITEM", ZeRenameDtsItemViaDefine)

unsigned int ZeDeleteGenericObjItem(void *object, const char *key, va_list *pArgs)
{
    Filter *filter = ze::objects::arg<Filter *>(pArgs);
    return ZE_FRAME({{"Object", ze::objects::is_object(object)},
                     {"ActionKey", ze::same_key(key, "DELETE ITEM")},
                     {"Filter", ze::records::is_filter(filter)}},
                    [&] {
                        return ZeDeleteDtsItem(element<Descriptor>(object, "DESCRIPTOR"),
                                               element<DtsInfo>(object, "INFO"), filter,
                                               element<DtsResult>(object, "RESULT"));
                    });
}

}  // extern "C"
