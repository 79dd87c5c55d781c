/**
 * @file
 * ZeGenObj.h - the generic object: the library's standard real object. It
 * holds a request info, a data descriptor, a collection, a filter, the
 * current item, a result, a string table and a change stamp, and answers
 * the standard actions, properties and elements through its tables.
 *
 * An object library's init procedure calls ZeInitGenericObject to put one
 * behind its front object, then defines the descriptor's fields and may
 * adapt the tables (ZeSetGenericObjActions ...). Applications reach it with
 * ZeSubmitAction, ZeQueryProperty, ZeSetProperty and ZeQueryElement
 * (ZeObject.h), on the front object or on the generic object itself.
 *
 * Arguments after the key, taken in this order and exactly these types
 * (pass NULL pointers typed, e.g. (Filter *)0):
 *
 * Actions (table 0; the handler that serves each key is named after it)
 *   "OPEN COLLECTION"   Filter *filter
 *   "SET POSITION"      unsigned int position (1-based)
 *   "GET ITEM COUNT"    unsigned int *pCount
 *   "GET ITEM"          char ***pValues       ZE_RC_NO_ENTRY and NULL past the
 *                                             last item
 *   "GET CHANGE STAMP"  const char **pChangeStamp   always "Undefined"
 *   "CLOSE COLLECTION"  (none)
 *   "ANY CHANGE"        Filter *filter, const char *changeStamp, int *pChanged
 *                                             stores 1 and returns
 *                                             ZE_RC_DISABLED: changes are not
 *                                             tracked
 *   "OPEN ITEM", "NEW ITEM" (no filter), "DEFINE ITEM", "ALTER ITEM",
 *   "COPY ITEM", "RENAME ITEM"
 *                       Filter *filter, char ***pValues
 *   "DELETE ITEM"       Filter *filter
 *   "VALIDATE VALUE"    const char *field, const char *value
 *   "GET LIST"          Filter *filter, char ***pValues, unsigned int *pCount
 * Query properties (table 2)
 *   "DESTINATION"       const char **pDestNode, const char **pRouteNode
 *   "USERNAME"          const char **pUsername
 *   "LAST MESSAGE"      const char **pMessage
 *   "FIELD ORDER"       char ***pFieldList, int *pFieldCount
 *   "ATTRIBUTE"         const char *field, const char *attribute, then the
 *                       attribute's outputs (see ZeQueryAttribute, ZeDesc.h)
 *   "ACTIONS", "IS VALID ACTION"  see ZeObject.h
 *   "DATE FORMAT"       const char **pDateFormat
 * Set properties (table 3)
 *   "DESTINATION"       const char *destNode, const char *routeNode
 *   "USERNAME"          const char *username
 *   "FIELD ORDER"       char **order, int count (-1: up to the first NULL)
 *   "DATE FORMAT"       const char *dateFormat
 * Elements (table 1), each taking void **pElement
 *   "INFO" DtsInfo *, "NAME" / "PLATFORM" / "VERSION" the info's OBJECT,
 *   PLATFORM and VERSION fields (const char *), "DESCRIPTOR" Descriptor *,
 *   "COLLECTION" Collection *, "FILTER" Filter *, "ITEM" Item *,
 *   "RESULT" DtsResult *, "STRING TABLE" StringTable *, "CHANGE STAMP"
 *   const char *
 *
 * Everything handed out is borrowed. Item values (pValues) are the current
 * item's own array in the descriptor's field order, valid until the next
 * action that loads the item; texts from the info stay valid until that
 * field is set again.
 *
 * Handlers check, under their own names, "Object" (any valid object; they
 * fetch the components with ZeElement, so any chain that supplies the
 * elements will do), "ActionKey" or "PropertyKey" (equal to the key they
 * serve, so a handler registered under another key refuses with
 * ZE_RC_INVALID_PARAMETER), then their arguments. A failed check returns
 * ZE_RC_INVALID_PARAMETER and stores NULL / 0 in the outputs that are given.
 * Otherwise the code of the operation called (ZeDts.h) is returned
 * unchanged: ZE_RC_ROUTER_FAILED means the remote node refused, and its code
 * and message are in the RESULT element.
 */
#ifndef ZEGENOBJ_H
#define ZEGENOBJ_H

#include "ZeTypes.h"

#ifdef __cplusplus
extern "C" {
#endif

/** @name Codes of the settings
 * @{ */
#define ZE_RC_EMPTY_NODE     9u  /**< DESTINATION with an empty node name */
#define ZE_RC_EMPTY_USERNAME 10u /**< USERNAME with an empty name */
/** @} */

/* ---------------------------------------------------- structure, lifecycle */

/**
 * A new generic object with empty components, its change stamp "Undefined"
 * and no string table. Returns ZE_OK; the failing component's code
 * (ZE_RC_NO_MEMORY when memory is short), leaving nothing behind;
 * ZE_RC_INVALID_PARAMETER when pGeneric is NULL (the object could never be
 * released).
 */
ZE_API unsigned int ZeCreateGenericObject(void **pGeneric);

/**
 * Destroys the interface (and with it any base object of the generic
 * object), the components and the string table, then calls the extension's
 * release procedure with the extension. "Object" must be a generic object.
 * Usable as the release procedure of a front or group object.
 */
ZE_API unsigned int ZeDestroyGenericObject(void *generic);

/** 1 when the object's kind is "GENERIC", else 0. */
ZE_API int ZeIsValidGenericObject(void *object);

/**
 * For an init procedure: makes a generic object, sets its info's OBJECT to
 * the front object's name and fills the info from the creation filter's
 * "EQ" criteria on info fields (LANGUAGE, VERSION, ROUTEMODULE ...), then
 * creates the string table for the info's LANGUAGE (the string tables'
 * default language, AMENG, when the filter names none). The generic object is
 * attached behind the front object in every case (a later failure releases
 * it with the front object) and the front object's dispatch procedures are
 * set back to the defaults. Checks "FrontObject" (kind "ZEOBJECT").
 * Returns the first failing code; *pGeneric (optional) receives the generic
 * object, or NULL when none could be made (nothing is attached then).
 */
ZE_API unsigned int ZeInitGenericObject(void *frontObject, Filter *filter, void **pGeneric);

/** ZeInitGenericObject behind any object, with the given name, as its base
 * object; the dispatch procedures are left alone. Checks "Object" (valid). */
ZE_API unsigned int ZeGenericObjInit(void *object, const char *name, Filter *filter);

/* -------------------------------------------------- accessors and setters */

/** The chain's "NAME" element, or "INV_OBJECT" when there is none. */
ZE_API const char *ZeObjectName(void *object);

/** Sets the OBJECT field of the chain's request info: its code. */
ZE_API unsigned int ZeObjectSetName(void *object, const char *name);

/** @{ */
/** The chain's elements (ZeElement): "INFO", "PLATFORM", "VERSION",
 * "DESCRIPTOR", "COLLECTION", "ITEM", "RESULT", "STRING TABLE" and
 * "CHANGE STAMP" by the function's name; NULL when none supplies them. */
ZE_API DtsInfo *ZeGenericObjInfo(void *object);
ZE_API const char *ZeGenericObjPlatform(void *object);
ZE_API const char *ZeGenericObjVersion(void *object);
ZE_API Descriptor *ZeGenericObjDescriptor(void *object);
ZE_API Collection *ZeGenericObjCollection(void *object);
ZE_API Item *ZeGenericObjItem(void *object);
ZE_API DtsResult *ZeGenericObjResult(void *object);
ZE_API StringTable *ZeGenericObjStringTable(void *object);
ZE_API const char *ZeGenericObjChangeStamp(void *object);
/** @} */

/** The OBJECT field of the chain's request info. */
ZE_API const char *ZeGenericObjName(void *object);

/** The application's extension of a generic object ("Object": a generic
 * object itself, not a front object), or NULL. */
ZE_API void *ZeGenericObjExtension(void *generic);

/** Stores the extension and the procedure that releases it when the
 * generic object is destroyed (NULL: not released). */
ZE_API void ZeSetGenericObjExtension(void *generic, void *extension, ZeReleaseProc pfnFree);

/** @{ */
/** Merge entries into the actions, query properties or set properties
 * table (ZeObjectSetTableValues semantics; NULL procedures disable keys).
 * "Object" must be a generic object. */
ZE_API unsigned int ZeSetGenericObjActions(void *generic, const ZeKeyedProcEntry *values, int count);
ZE_API unsigned int ZeSetGenericObjQueryProperties(void *generic, const ZeKeyedProcEntry *values, int count);
ZE_API unsigned int ZeSetGenericObjSetProperties(void *generic, const ZeKeyedProcEntry *values, int count);
/** @} */

/** Replaces the change stamp with a copy of stamp. A NULL stamp, or a copy
 * that cannot be made, leaves the old stamp in place. */
ZE_API void ZeSetGenericObjChangeStamp(void *generic, const char *stamp);

/* ---------------------------------------------------- item and collection
 * actions. The handlers marked "own" are in the generic object's table; the
 * others are alternatives that object libraries register under the same key.
 * Arguments as listed at the top of this file.
 */

/** "OPEN COLLECTION" (own): ZeOpenDtsCollection into the object's collection. */
ZE_API unsigned int ZeOpenGenericObjCollection(void *object, const char *key, va_list *pArgs);

/** "OPEN COLLECTION" alternative: ZeOpenDtsCollectionWithoutDups. */
ZE_API unsigned int ZeObjectOpenCollectionWithoutDups(void *object, const char *key, va_list *pArgs);

/** "CLOSE COLLECTION" (own): empties the collection (ZeResetCollection). */
ZE_API unsigned int ZeCloseGenericObjCollection(void *object, const char *key, va_list *pArgs);

/** "SET POSITION" (own): ZeSetCollectionPosition on the collection. */
ZE_API unsigned int ZeSetGenericObjPosition(void *object, const char *key, va_list *pArgs);

/** "GET ITEM COUNT" (own): the number of items in the collection. */
ZE_API unsigned int ZeGetGenericObjItemCount(void *object, const char *key, va_list *pArgs);

/** "GET ITEM" (own): the next item's values; ZE_RC_NO_ENTRY past the last. */
ZE_API unsigned int ZeGetGenericObjItem(void *object, const char *key, va_list *pArgs);

/** "GET CHANGE STAMP" (own): the object's change stamp. */
ZE_API unsigned int ZeGetGenericObjChangeStamp(void *object, const char *key, va_list *pArgs);

/** "ANY CHANGE" (own): stores 1 and returns ZE_RC_DISABLED. */
ZE_API unsigned int ZeAnyGenericObjChange(void *object, const char *key, va_list *pArgs);

/** "NEW ITEM" (own): the current item holds the default values (ZeNewDtsItem). */
ZE_API unsigned int ZeNewGenericObjItem(void *object, const char *key, va_list *pArgs);

/** "DEFINE ITEM" (own): sends the object's own FILTER element, the caller's
 * criteria and the default values of the fields the caller left out
 * (ZeSetupDtsDefineFilter, ZeDefineDtsItem). */
ZE_API unsigned int ZeDefineGenericObjItem(void *object, const char *key, va_list *pArgs);

/** "OPEN ITEM" (own): ZeOpenDtsItem into the current item. */
ZE_API unsigned int ZeOpenGenericObjItem(void *object, const char *key, va_list *pArgs);

/** "ALTER ITEM" (own): ZeAlterDtsItem into the current item. */
ZE_API unsigned int ZeAlterGenericObjItem(void *object, const char *key, va_list *pArgs);

/** "COPY ITEM" alternative: sends COPY (ZeActUponDtsItem). */
ZE_API unsigned int ZeCopyGenericObjItem(void *object, const char *key, va_list *pArgs);

/** "COPY ITEM" (own): ZeCopyDtsItemViaDefine. */
ZE_API unsigned int ZeCopyGenericObjItemViaDefine(void *object, const char *key, va_list *pArgs);

/** "RENAME ITEM" alternative: sends RENAME (ZeActUponDtsItem). */
ZE_API unsigned int ZeRenameGenericObjItem(void *object, const char *key, va_list *pArgs);

/** "RENAME ITEM" alternative: sends ALTER with the caller's criteria. */
ZE_API unsigned int ZeRenameGenericObjItemViaAlter(void *object, const char *key, va_list *pArgs);

/** "RENAME ITEM" (own): ZeRenameDtsItemViaDefine. */
ZE_API unsigned int ZeRenameGenericObjItemViaDefine(void *object, const char *key, va_list *pArgs);

/** "DELETE ITEM" (own): ZeDeleteDtsItem. */
ZE_API unsigned int ZeDeleteGenericObjItem(void *object, const char *key, va_list *pArgs);

/* ------------------------------------------ queries, settings and lists */

/** Query "DESTINATION": the info's DESTNODE and ROUTENODE. */
ZE_API unsigned int ZeQueryGenericObjDestination(void *object, const char *key, va_list *pArgs);

/** Query "USERNAME": the info's USERNAME. */
ZE_API unsigned int ZeQueryGenericObjUsername(void *object, const char *key, va_list *pArgs);

/** Query "LAST MESSAGE": the RESULT element's message (ZeGetDtsResultMessage). */
ZE_API unsigned int ZeQueryGenericObjLastMessage(void *object, const char *key, va_list *pArgs);

/** Query "FIELD ORDER": the descriptor's header (ZeQueryDescriptorHeader). */
ZE_API unsigned int ZeQueryGenericObjFieldOrder(void *object, const char *key, va_list *pArgs);

/** Query "ATTRIBUTE": a field's attribute (ZeQueryFieldAttribute). */
ZE_API unsigned int ZeQueryGenericObjFieldAttribute(void *object, const char *key, va_list *pArgs);

/** Query "DATE FORMAT": the info's DATEFORMAT. */
ZE_API unsigned int ZeQueryGenericObjDateFormat(void *object, const char *key, va_list *pArgs);

/** Set "DESTINATION": ZE_RC_EMPTY_NODE when either node name is empty, and
 * nothing changes; else DESTNODE, then ROUTENODE, each set's code. NULL
 * texts fail the check with ZE_RC_INVALID_PARAMETER. */
ZE_API unsigned int ZeSetGenericObjDestination(void *object, const char *key, va_list *pArgs);

/** Set "USERNAME": ZE_RC_EMPTY_USERNAME for an empty name, else the set's
 * code; a NULL text fails the check with ZE_RC_INVALID_PARAMETER. */
ZE_API unsigned int ZeSetGenericObjUsername(void *object, const char *key, va_list *pArgs);

/** Set "FIELD ORDER": reorders the descriptor's fields (ZeRebuildDescriptorHeader). */
ZE_API unsigned int ZeSetGenericObjFieldOrder(void *object, const char *key, va_list *pArgs);

/** Set "DATE FORMAT": the info's DATEFORMAT (not empty). */
ZE_API unsigned int ZeSetGenericObjDateFormat(void *object, const char *key, va_list *pArgs);

/** VALIDATE VALUE: checks the value against the descriptor's field, date
 * fields against the object's DATE FORMAT (ZeValidateValue's codes). */
ZE_API unsigned int ZeValidateGenericObjValue(void *object, const char *key, va_list *pArgs);

/** "GET LIST" (own): ZeGetDtsListViaSelect, sending "SELECT". The names land
 * in the ITEM element, whose values and count are handed back (an empty
 * array and 0 for no names); the same for the two alternatives below. */
ZE_API unsigned int ZeObjectGetListViaSelect(void *object, const char *key, va_list *pArgs);

/** "GET LIST" alternative: ZeGetDtsList, sending "LIST". */
ZE_API unsigned int ZeObjectGetList(void *object, const char *key, va_list *pArgs);

/** "GET LIST" alternative: ZeGetDtsListFromCollection, the distinct values of
 * one column over a full select. */
ZE_API unsigned int ZeObjectGetListFromCollection(void *object, const char *key, va_list *pArgs);

#ifdef __cplusplus
}
#endif

#endif /* ZEGENOBJ_H */
