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
 *   "GET ITEM"          char ***pValues       7 and NULL past the last item
 *   "GET CHANGE STAMP"  const char **pChangeStamp   always "Undefined"
 *   "CLOSE COLLECTION"  (none)
 *   "ANY CHANGE"        Filter *filter, const char *changeStamp, int *pChanged
 *                                             stores 1 and returns 2: changes
 *                                             are not tracked
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
 * serve, so a handler registered under another key refuses with 4), then
 * their arguments. A failed check returns 4 and stores NULL / 0 in the
 * outputs that are given. Otherwise the code of the operation called
 * (ZeDts.h) is returned unchanged: 1 means the remote node refused, and
 * its code and message are in the RESULT element.
 */
#ifndef ZEGENOBJ_H
#define ZEGENOBJ_H

#include "ZeTypes.h"

#ifdef __cplusplus
extern "C" {
#endif

/** Codes of the settings. */
#define ZE_RC_EMPTY_NODE     9u  /* DESTINATION with an empty node name */
#define ZE_RC_EMPTY_USERNAME 10u /* USERNAME with an empty name */

/* ---------------------------------------------------- structure, lifecycle */

/**
 * A new generic object with empty components, its change stamp "Undefined"
 * and no string table. Returns 0; the failing component's code (3 when
 * memory is short), leaving nothing behind; 4 when pGeneric is NULL (the
 * object could never be released).
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

/** The same behind any object, with the given name, as its base object;
 * the dispatch procedures are left alone. Checks "Object" (valid). */
ZE_API unsigned int ZeGenericObjInit(void *object, const char *name, Filter *filter);

/* -------------------------------------------------- accessors and setters */

/** The chain's "NAME" element, or "INV_OBJECT" when there is none. */
ZE_API const char *ZeObjectName(void *object);

/** Sets the OBJECT field of the chain's request info: its code. */
ZE_API unsigned int ZeObjectSetName(void *object, const char *name);

/** The chain's elements (ZeElement), NULL when none supplies them. */
ZE_API DtsInfo *ZeGenericObjInfo(void *object);
ZE_API const char *ZeGenericObjPlatform(void *object);
ZE_API const char *ZeGenericObjVersion(void *object);
ZE_API Descriptor *ZeGenericObjDescriptor(void *object);
ZE_API Collection *ZeGenericObjCollection(void *object);
ZE_API Item *ZeGenericObjItem(void *object);
ZE_API DtsResult *ZeGenericObjResult(void *object);
ZE_API StringTable *ZeGenericObjStringTable(void *object);
ZE_API const char *ZeGenericObjChangeStamp(void *object);

/** The OBJECT field of the chain's request info. */
ZE_API const char *ZeGenericObjName(void *object);

/** The application's extension of a generic object ("Object": a generic
 * object itself, not a front object), or NULL. */
ZE_API void *ZeGenericObjExtension(void *generic);

/** Stores the extension and the procedure that releases it when the
 * generic object is destroyed (NULL: not released). */
ZE_API void ZeSetGenericObjExtension(void *generic, void *extension, ZeReleaseProc pfnFree);

/** Merge entries into the actions, query properties or set properties
 * table (ZeObjectSetTableValues semantics; NULL procedures disable keys).
 * "Object" must be a generic object. */
ZE_API unsigned int ZeSetGenericObjActions(void *generic, const ZeKeyedProcEntry *values, int count);
ZE_API unsigned int ZeSetGenericObjQueryProperties(void *generic, const ZeKeyedProcEntry *values, int count);
ZE_API unsigned int ZeSetGenericObjSetProperties(void *generic, const ZeKeyedProcEntry *values, int count);

/** Replaces the change stamp with a copy of stamp. A NULL stamp, or a copy
 * that cannot be made, leaves the old stamp in place. */
ZE_API void ZeSetGenericObjChangeStamp(void *generic, const char *stamp);

/* ---------------------------------------------------- item and collection
 * actions. "own" handlers are in the generic object's table; the others
 * are alternatives that object libraries register under the same key.
 */
ZE_API unsigned int ZeOpenGenericObjCollection(void *object, const char *key, va_list *pArgs); /* own */
ZE_API unsigned int ZeObjectOpenCollectionWithoutDups(void *object, const char *key,
                                                      va_list *pArgs); /* "OPEN COLLECTION" */
ZE_API unsigned int ZeCloseGenericObjCollection(void *object, const char *key, va_list *pArgs);
ZE_API unsigned int ZeSetGenericObjPosition(void *object, const char *key, va_list *pArgs);
ZE_API unsigned int ZeGetGenericObjItemCount(void *object, const char *key, va_list *pArgs);
ZE_API unsigned int ZeGetGenericObjItem(void *object, const char *key, va_list *pArgs);
ZE_API unsigned int ZeGetGenericObjChangeStamp(void *object, const char *key, va_list *pArgs);
ZE_API unsigned int ZeAnyGenericObjChange(void *object, const char *key, va_list *pArgs);
ZE_API unsigned int ZeNewGenericObjItem(void *object, const char *key, va_list *pArgs);
/** DEFINE ITEM sends the object's own FILTER element: the caller's criteria
 * and the default values of the fields the caller left out. */
ZE_API unsigned int ZeDefineGenericObjItem(void *object, const char *key, va_list *pArgs);
ZE_API unsigned int ZeOpenGenericObjItem(void *object, const char *key, va_list *pArgs);
ZE_API unsigned int ZeAlterGenericObjItem(void *object, const char *key, va_list *pArgs);
ZE_API unsigned int ZeCopyGenericObjItem(void *object, const char *key, va_list *pArgs); /* "COPY ITEM": sends COPY */
ZE_API unsigned int ZeCopyGenericObjItemViaDefine(void *object, const char *key, va_list *pArgs); /* own */
ZE_API unsigned int ZeRenameGenericObjItem(void *object, const char *key,
                                           va_list *pArgs); /* "RENAME ITEM": sends RENAME */
ZE_API unsigned int ZeRenameGenericObjItemViaAlter(void *object, const char *key,
                                                   va_list *pArgs); /* "RENAME ITEM": sends ALTER */
ZE_API unsigned int ZeRenameGenericObjItemViaDefine(void *object, const char *key, va_list *pArgs); /* own */
ZE_API unsigned int ZeDeleteGenericObjItem(void *object, const char *key, va_list *pArgs);

/* ------------------------------------------ queries, settings and lists */

ZE_API unsigned int ZeQueryGenericObjDestination(void *object, const char *key, va_list *pArgs);
ZE_API unsigned int ZeQueryGenericObjUsername(void *object, const char *key, va_list *pArgs);
ZE_API unsigned int ZeQueryGenericObjLastMessage(void *object, const char *key, va_list *pArgs);
ZE_API unsigned int ZeQueryGenericObjFieldOrder(void *object, const char *key, va_list *pArgs);
ZE_API unsigned int ZeQueryGenericObjFieldAttribute(void *object, const char *key, va_list *pArgs);
ZE_API unsigned int ZeQueryGenericObjDateFormat(void *object, const char *key, va_list *pArgs);

/** DESTINATION: 9 when either node name is empty, and nothing changes;
 * else DESTNODE, then ROUTENODE, each set's code. USERNAME: 10 for an
 * empty name. NULL texts fail the check with 4. */
ZE_API unsigned int ZeSetGenericObjDestination(void *object, const char *key, va_list *pArgs);
ZE_API unsigned int ZeSetGenericObjUsername(void *object, const char *key, va_list *pArgs);
ZE_API unsigned int ZeSetGenericObjFieldOrder(void *object, const char *key, va_list *pArgs);
ZE_API unsigned int ZeSetGenericObjDateFormat(void *object, const char *key, va_list *pArgs);

/** VALIDATE VALUE: checks the value against the descriptor's field, date
 * fields against the object's DATE FORMAT (ZeValidateValue's codes). */
ZE_API unsigned int ZeValidateGenericObjValue(void *object, const char *key, va_list *pArgs);

/** GET LIST: the names land in the ITEM element, whose values and count are
 * handed back (an empty array and 0 for no names). Own: select-based. */
ZE_API unsigned int ZeObjectGetListViaSelect(void *object, const char *key, va_list *pArgs); /* own, "SELECT" */
ZE_API unsigned int ZeObjectGetList(void *object, const char *key, va_list *pArgs);          /* "LIST" */
ZE_API unsigned int ZeObjectGetListFromCollection(void *object, const char *key,
                                                  va_list *pArgs); /* full select, one column */

#ifdef __cplusplus
}
#endif

#endif /* ZEGENOBJ_H */
