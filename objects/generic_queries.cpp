// The generic object's property queries and settings (where requests go,
// who sends them, field order and attributes, date format), its VALIDATE
// VALUE and GET LIST actions, and the tables that a new generic object
// starts with.
#include "objects/generic.hpp"

#include "ZeDesc.h"
#include "ZeDts.h"
#include "ZeFilter.h"
#include "ZeRecords.h"
#include "ZeValidate.h"
#include "foundation/frame.hpp"
#include "records/records.hpp"

namespace {

using ListOperation = unsigned (*)(Descriptor *, DtsInfo *, Filter *, Item *, DtsResult *);

template <class T> T *element(void *object, const char *key)
{
    return static_cast<T *>(ze::objects::element(object, key));
}

DtsInfo *info_of(void *object) { return element<DtsInfo>(object, "INFO"); }

// Queries that hand out one field of the request info.
unsigned query_info_field(const char *name, void *object, const char *key, va_list *pArgs, const char *propertyKey,
                          const char *outputName, unsigned field)
{
    const char **pValue = ze::objects::arg<const char **>(pArgs);
    if (pValue) *pValue = nullptr;
    return ze::frame(name,
                     {{"Object", ze::objects::is_object(object)},
                      {"PropertyKey", ze::same_key(key, propertyKey)},
                      {outputName, ze::given(pValue)}},
                     [&] {
                         *pValue = ZeDtsInfoField(info_of(object), field);
                         return ZE_OK;
                     });
}

// Queries and settings that let a descriptor or result function take its
// own arguments from the list.
template <class Component>
unsigned pass_on(const char *name, void *object, const char *key, va_list *pArgs, const char *propertyKey,
                 const char *componentKey, unsigned (*callee)(Component *, va_list *))
{
    return ze::frame(name,
                     {{"Object", ze::objects::is_object(object)}, {"PropertyKey", ze::same_key(key, propertyKey)}},
                     [&] { return callee(element<Component>(object, componentKey), pArgs); });
}

unsigned get_list(const char *name, void *object, const char *key, va_list *pArgs, ListOperation operation)
{
    Filter *filter = ze::objects::arg<Filter *>(pArgs);
    char ***pValues = ze::objects::arg<char ***>(pArgs);
    unsigned *pCount = ze::objects::arg<unsigned *>(pArgs);
    if (pValues) *pValues = nullptr;
    if (pCount) *pCount = 0;
    return ze::frame(name,
                     {{"Object", ze::objects::is_object(object)},
                      {"ActionKey", ze::same_key(key, "GET LIST")},
                      {"Filter", ze::records::is_filter(filter)},
                      {"pValues", ze::given(pValues)},
                      {"pCount", ze::given(pCount)}},
                     [&] {
                         Item *list = element<Item>(object, "ITEM");
                         unsigned rc = operation(element<Descriptor>(object, "DESCRIPTOR"), info_of(object), filter,
                                                 list, element<DtsResult>(object, "RESULT"));
                         if (!rc) {
                             *pValues = ZeItemValues(list);
                             *pCount = ZeItemCount(list);
                         }
                         return rc;
                     });
}

}  // namespace

extern "C" {

unsigned int ZeQueryGenericObjDestination(void *object, const char *key, va_list *pArgs)
{
    const char **pDestNode = ze::objects::arg<const char **>(pArgs);
    const char **pRouteNode = ze::objects::arg<const char **>(pArgs);
    if (pDestNode) *pDestNode = nullptr;
    if (pRouteNode) *pRouteNode = nullptr;
    return ZE_FRAME({{"Object", ze::objects::is_object(object)},
                     {"PropertyKey", ze::same_key(key, "DESTINATION")},
                     {"pDestNode", ze::given(pDestNode)},
                     {"pRouteNode", ze::given(pRouteNode)}},
                    [&] {
                        DtsInfo *info = info_of(object);
                        *pDestNode = ZeDtsInfoField(info, ZE_INFO_DESTNODE);
                        *pRouteNode = ZeDtsInfoField(info, ZE_INFO_ROUTENODE);
                        return ZE_OK;
                    });
}

ZE_HANDLER(ZeQueryGenericObjUsername, query_info_field, "USERNAME", "pUsername", ZE_INFO_USERNAME)
ZE_HANDLER(ZeQueryGenericObjDateFormat, query_info_field, "DATE FORMAT", "pDateFmt", ZE_INFO_DATEFORMAT)
ZE_HANDLER(ZeQueryGenericObjLastMessage, pass_on, "LAST MESSAGE", "RESULT", ZeGetDtsResultMessage)
ZE_HANDLER(ZeQueryGenericObjFieldOrder, pass_on, "FIELD ORDER", "DESCRIPTOR", ZeQueryDescriptorHeader)
ZE_HANDLER(ZeQueryGenericObjFieldAttribute, pass_on, "ATTRIBUTE", "DESCRIPTOR", ZeQueryFieldAttribute)

unsigned int ZeSetGenericObjDestination(void *object, const char *key, va_list *pArgs)
{
    const char *destNode = ze::objects::arg<const char *>(pArgs);
    const char *routeNode = ze::objects::arg<const char *>(pArgs);
    return ZE_FRAME({{"Object", ze::objects::is_object(object)},
                     {"PropertyKey", ze::same_key(key, "DESTINATION")},
                     {"DestNode", ze::given(destNode)},
                     {"RouteNode", ze::given(routeNode)}},
                    [&] {
                        if (!*destNode || !*routeNode) return ZE_RC_EMPTY_NODE;
                        DtsInfo *info = info_of(object);
                        unsigned rc = ZeSetDtsInfoField(info, ZE_INFO_DESTNODE, destNode);
                        return rc ? rc : ZeSetDtsInfoField(info, ZE_INFO_ROUTENODE, routeNode);
                    });
}

unsigned int ZeSetGenericObjUsername(void *object, const char *key, va_list *pArgs)
{
    const char *username = ze::objects::arg<const char *>(pArgs);
    return ZE_FRAME({{"Object", ze::objects::is_object(object)},
                     {"PropertyKey", ze::same_key(key, "USERNAME")},
                     {"Username", ze::given(username)}},
                    [&] {
                        if (!*username) return ZE_RC_EMPTY_USERNAME;
                        return ZeSetDtsInfoField(info_of(object), ZE_INFO_USERNAME, username);
                    });
}

ZE_HANDLER(ZeSetGenericObjFieldOrder, pass_on, "FIELD ORDER", "DESCRIPTOR", ZeRebuildDescriptorHeader)

unsigned int ZeSetGenericObjDateFormat(void *object, const char *key, va_list *pArgs)
{
    const char *dateFormat = ze::objects::arg<const char *>(pArgs);
    return ZE_FRAME({{"Object", ze::objects::is_object(object)},
                     {"PropertyKey", ze::same_key(key, "DATE FORMAT")},
                     {"DateFormt", ze::has_text(dateFormat)}},
                    [&] { return ZeSetDtsInfoField(info_of(object), ZE_INFO_DATEFORMAT, dateFormat); });
}

unsigned int ZeValidateGenericObjValue(void *object, const char *key, va_list *pArgs)
{
    const char *field = ze::objects::arg<const char *>(pArgs);
    const char *value = ze::objects::arg<const char *>(pArgs);
    return ZE_FRAME({{"Object", ze::objects::is_object(object)},
                     {"ActionKey", ze::same_key(key, "VALIDATE VALUE")},
                     {"Field", ze::has_text(field)},
                     {"Value", ze::has_text(value)}},
                    [&] {
                        return ZeValidateValue(element<Descriptor>(object, "DESCRIPTOR"),
                                               ZeDtsInfoField(info_of(object), ZE_INFO_DATEFORMAT), field, value);
                    });
}

ZE_HANDLER(ZeObjectGetListViaSelect, get_list, ZeGetDtsListViaSelect)
ZE_HANDLER(ZeObjectGetList, get_list, ZeGetDtsList)
ZE_HANDLER(ZeObjectGetListFromCollection, get_list, ZeGetDtsListFromCollection)

}  // extern "C"

namespace ze::objects {

const ZeKeyedProcEntry kGenericActions[] = {
    {"OPEN COLLECTION", ZeOpenGenericObjCollection},
    {"SET POSITION", ZeSetGenericObjPosition},
    {"GET ITEM COUNT", ZeGetGenericObjItemCount},
    {"GET ITEM", ZeGetGenericObjItem},
    {"GET CHANGE STAMP", ZeGetGenericObjChangeStamp},
    {"CLOSE COLLECTION", ZeCloseGenericObjCollection},
    {"ANY CHANGE", ZeAnyGenericObjChange},
    {"OPEN ITEM", ZeOpenGenericObjItem},
    {"NEW ITEM", ZeNewGenericObjItem},
    {"DEFINE ITEM", ZeDefineGenericObjItem},
    {"ALTER ITEM", ZeAlterGenericObjItem},
    {"DELETE ITEM", ZeDeleteGenericObjItem},
    {"COPY ITEM", ZeCopyGenericObjItemViaDefine},
    {"RENAME ITEM", ZeRenameGenericObjItemViaDefine},
    {"VALIDATE VALUE", ZeValidateGenericObjValue},
    {"GET LIST", ZeObjectGetListViaSelect},
    {nullptr, nullptr},
};

const ZeKeyedProcEntry kGenericQueries[] = {
    {"DESTINATION", ZeQueryGenericObjDestination},
    {"USERNAME", ZeQueryGenericObjUsername},
    {"LAST MESSAGE", ZeQueryGenericObjLastMessage},
    {"FIELD ORDER", ZeQueryGenericObjFieldOrder},
    {"ATTRIBUTE", ZeQueryGenericObjFieldAttribute},
    {"ACTIONS", ZeQueryActions},
    {"IS VALID ACTION", ZeQueryValidAction},
    {"DATE FORMAT", ZeQueryGenericObjDateFormat},
    {nullptr, nullptr},
};

const ZeKeyedProcEntry kGenericSettings[] = {
    {"DESTINATION", ZeSetGenericObjDestination},
    {"USERNAME", ZeSetGenericObjUsername},
    {"FIELD ORDER", ZeSetGenericObjFieldOrder},
    {"DATE FORMAT", ZeSetGenericObjDateFormat},
    {nullptr, nullptr},
};

}  // namespace ze::objects
