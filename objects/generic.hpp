// Inside the object framework: the generic object record, shared by its
// lifecycle, its action handlers and its property handlers.
#pragma once

#include "ZeGenObj.h"
#include "objects/object.hpp"

struct ZeGenericObject {
    ZeInterface *interface;  // kind "GENERIC"
    DtsInfo *info;
    Descriptor *descriptor;
    Collection *collection;
    Filter *filter;  // filled by DEFINE ITEM before it sends
    Item *item;      // answers of item actions, lists and action names
    DtsResult *result;
    StringTable *strings;  // NULL until initialisation creates it
    char *changeStamp;
    void *extension;
    ZeReleaseProc extensionRelease;
};

// Defines an exported handler whose work is a shared body that runs the
// frame under the handler's own name (__func__), given the body's further
// arguments: ZE_HANDLER(ZeOpenGenericObjItem, item_action, "OPEN ITEM", ZeOpenDtsItem).
#define ZE_HANDLER(function, body, ...)                                                                                \
    unsigned int function(void *object, const char *key, va_list *pArgs)                                               \
    {                                                                                                                  \
        return body(__func__, object, key, pArgs, __VA_ARGS__);                                                        \
    }

namespace ze::objects {

constexpr const char *kGenericKind = "GENERIC";
constexpr const char *kUndefinedStamp = "Undefined";

// The first generic object of the chain from `object` on, or NULL; no trace.
ZeGenericObject *generic_in_chain(void *object);

// Replaces the change stamp with a copy of `stamp`: 0, or 3 with the old
// stamp kept.
unsigned replace_change_stamp(ZeGenericObject &generic, const char *stamp);

// The handler tables that a new generic object starts with.
extern const ZeKeyedProcEntry kGenericActions[];
extern const ZeKeyedProcEntry kGenericQueries[];
extern const ZeKeyedProcEntry kGenericSettings[];

}  // namespace ze::objects
