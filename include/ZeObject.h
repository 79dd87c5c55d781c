/**
 * @file
 * ZeObject.h - objects created by name, their interfaces, and the four
 * verbs through which applications talk to them: query a property, set a
 * property, submit an action, get an element.
 *
 * An object is any structure whose first field is a pointer to its
 * interface (ZeInterface, "ZEOBJINTER"). The interface holds the object's
 * kind name ("ZEOBJECT", "GENERIC", "GROUP", or a kind of an object
 * library), four keyed procedure tables (actions, elements, query
 * properties, set properties) and a link to a base object with the
 * procedure that releases it. A key is looked up in the object's own table
 * first, then along the chain of base objects; the nearest object that
 * lists the key decides, so a disabled entry (NULL procedure) in a front
 * table hides an enabled one further down.
 *
 * Every function that does work returns an unsigned code (ZE_OK for
 * success; the shared codes of ZeTypes.h). A parameter that is not
 * acceptable gives ZE_RC_INVALID_PARAMETER and one trace line
 * "*** <function>: parameter <n> (<name>) is invalid".
 *
 * The object registry
 * -------------------
 * ZeCreateObject reads `<data directory>/tarnobjs.dat` on every call (the
 * data directory is TARN_DATA_DIR, see ZeEnv.h), so the file may be edited
 * while applications run. Lines are read 255 characters at a time (the
 * rest of a longer line is dropped) and trimmed; a line starting with ";"
 * is a comment and an empty line is skipped. Any other line is
 *
 *     object name , library.procedure [, criterion]
 *
 * Fields are trimmed, and double quotes in them are dropped. The object name
 * compares ignoring case; the library name is the text before the first
 * "." of field 2, the procedure name the rest (further dots included), both
 * passed on as written. The criterion, when present, is "COLUMN RELOP
 * VALUE"; the line applies when the caller's filter holds a criterion equal
 * to it in column, operator and value (ignoring case). A caller's filter
 * without criteria satisfies every line. The first line that applies wins.
 *
 * Lines that never apply:
 *   - a line with more than three fields, a field longer than 80
 *     characters, a field 2 without a ".", or a field 3 that is not
 *     column, operator and value can never apply. When such a
 *     line names the object being created it is reported with
 *     "+++ Object registry line <n> for (<name>) ignored: <reason>" and the
 *     search goes on; the trace helps the administrator who wrote it.
 *   - a field the line does not supply is empty for that line: a line with
 *     only two fields has no criterion and applies to every filter. Nothing
 *     carries over from the previous line.
 *   - the registry read itself is otherwise silent: a missing data
 *     directory (traced by ZeBuildDataFilename), a missing file and the
 *     absence of an applicable line all end in ZE_RC_NO_REGISTRY_LINE.
 *     Memory running short while a line's criterion is checked ends the
 *     search with ZE_RC_NO_MEMORY rather than passing the line over.
 *
 * Threads
 * -------
 * Objects made on different threads, or handed from one thread to another,
 * work side by side: their requests go out at the same time (the routers
 * run them on connections of their own). An object, with everything it
 * owns (its items, collection, filter, result), is used by one thread at a
 * time. The four verbs and ZeDestroyObject check it: while a call on an
 * object runs on one thread, a call on the same object from another thread
 * is refused with ZE_RC_OBJECT_IN_USE and the trace line
 * "*** <function>: object <handle> is in use by another thread", and does
 * nothing. (Calls on one thread may nest: a handler may call the verbs on
 * its own object.) The check is made on the first generic object of the
 * chain (else on the object itself), so the front object and the generic
 * object behind it count as one. Pointers that a call hands out (an item's
 * values, LAST MESSAGE) belong to the object: read them on the thread that
 * made the call, before the next call on the object.
 */
#ifndef ZEOBJECT_H
#define ZEOBJECT_H

#include "ZeTypes.h"

#ifdef __cplusplus
extern "C" {
#endif

/** @name Table ids of an interface
 * @{ */
#define ZE_TABLE_ACTIONS          0 /**< actions (ZeSubmitAction) */
#define ZE_TABLE_ELEMENTS         1 /**< elements (ZeQueryElement) */
#define ZE_TABLE_QUERY_PROPERTIES 2 /**< query properties (ZeQueryProperty) */
#define ZE_TABLE_SET_PROPERTIES   3 /**< set properties (ZeSetProperty) */
#define ZE_TABLE_COUNT            4 /**< the number of tables */
/** @} */

/** A call on an object that another thread is using: refused, nothing done. */
#define ZE_RC_OBJECT_IN_USE 15u

/**
 * Init procedure of an object library, named in the registry. It builds
 * the real object and attaches it behind the front object with
 * ZeSetRealObject (or ZeObjectSetBaseObject); it may add entries to the
 * front object's tables or replace its dispatch procedures. Returns 0 or a
 * code; whatever it attached before failing is released by ZeCreateObject.
 */
typedef unsigned int (*ZeObjectInitProc)(void *frontObject, Filter *filter);

/* ------------------------------------------------- objects and interfaces */

/**
 * Creates an object by name. Checks "pObject" (given), "Name" (not empty),
 * "Filter" (a valid filter; NULL is invalid). Finds the first registry line
 * for the name that the filter satisfies, makes a front object (interface
 * "ZEOBJECT", element "NAME" giving the name in capitals, query properties
 * "ACTIONS" and "IS VALID ACTION"), traces "Calling object init procedure
 * (<library>.<procedure>)", loads the library and calls the init procedure
 * with the front object and the filter.
 * Returns ZE_OK; ZE_RC_INVALID_PARAMETER; ZE_RC_NO_REGISTRY_LINE with
 * "*** Object Init procedure lookup failed for (<name>) Object";
 * ZE_RC_NO_MEMORY; ZE_RC_LOAD_FAILED with "*** Could not load shared library
 * <library>"; ZE_RC_PROC_NOT_FOUND with "*** Could not find object init
 * procedure (<library>.<procedure>)"; or the init procedure's code. On any
 * failure *pObject is NULL, whatever the init procedure attached has been
 * released and the library is unloaded again.
 */
ZE_API unsigned int ZeCreateObject(void **pObject, const char *Name, Filter *filter);

/**
 * Destroys a front object ("Object": an object made by ZeCreateObject,
 * interface "ZEOBJECT", so a foreign pointer is refused with
 * ZE_RC_INVALID_PARAMETER rather than freed as a front object): destroys its
 * interface, which releases the real object (before the library that holds
 * the release procedure is unloaded), then the name, then unloads the
 * object's library. Returns the code of destroying the interface.
 */
ZE_API unsigned int ZeDestroyObject(void *object);

/** Attaches the real object behind a front object. Checks "Object" (named
 * "ZEOBJECT"), "RealObject" and "pfnFree" (not NULL). An earlier base is
 * replaced, not released. */
ZE_API unsigned int ZeSetRealObject(void *object, void *realObject, ZeReleaseProc pfnFree);

/** @{ */
/**
 * Replace a front object's dispatch procedure for queries, actions or
 * settings (checks "Object" named "ZEOBJECT", then "pfnProp" / "pfnPerfAct"
 * / "pfnSetProp" not NULL). A procedure other than the default
 * (ZeGetProperty, ZeRunAction, ZePutProperty) receives the front object's
 * base object instead of the front object, and nothing is looked up in the
 * tables for it.
 */
ZE_API unsigned int ZeSetQueryPropertyProc(void *object, ZeHandler pfnProp);
ZE_API unsigned int ZeSetPerformActionProc(void *object, ZeHandler pfnPerfAct);
ZE_API unsigned int ZeSetSetPropertyProc(void *object, ZeHandler pfnSetProp);
/** @} */

/**
 * A new interface with the kind `name` (at most 15 characters are kept)
 * and four empty tables, in *pInterface. Returns ZE_OK; ZE_RC_NO_MEMORY when
 * memory is short or name is NULL (*pInterface NULL then). *pInterface must
 * be given ("pInterface", ZE_RC_INVALID_PARAMETER): an interface nobody
 * receives could never be released.
 */
ZE_API unsigned int ZeObjectCreateInterface(ZeInterface **pInterface, const char *name);

/**
 * Releases the four tables (their arrays, not the keys or procedures),
 * then calls the base release procedure with the base object when one is
 * set, then releases the interface. Checks "Interface" ("ZEOBJINTER").
 * Returns the code of the base release procedure (ZE_OK without one).
 */
ZE_API unsigned int ZeObjectDestroyInterface(ZeInterface *interface);

/** The object's first field (its interface); NULL for a NULL object. */
ZE_API ZeInterface *ZeObjectInterface(void *object);

/** The object's kind (the interface name area); NULL for an invalid object. */
ZE_API const char *ZeObjectInterfaceName(void *object);

/**
 * Stores the base object and its release procedure (NULL allowed) in the
 * object's interface, replacing an earlier base without releasing it.
 * Checks "Object" (valid) and "BaseObject": not NULL, and not an object
 * whose chain already leads back to `object` (a cycle could never be
 * walked to its end or released).
 */
ZE_API unsigned int ZeObjectSetBaseObject(void *object, void *baseObject, ZeReleaseProc pfnFree);

/** The base object; NULL for an invalid object or one without a base. */
ZE_API void *ZeObjectBaseObject(void *object);

/** The first object of the chain, from `object` on, whose kind is `name`;
 * else NULL after the trace line
 * `"*** ZeObjectNamedObject: <name> is not current object or in base object chain."` */
ZE_API void *ZeObjectNamedObject(void *object, const char *name);

/**
 * Merges entries into table `tableId` (0 to 3). count < 0 takes every
 * entry of `values` up to its NULL key; otherwise exactly count entries,
 * skipping any with a NULL key; a NULL `values` adds nothing. A key the
 * table holds already (ignoring case, enabled or not) keeps its place and
 * gets the new procedure (NULL disables it); new keys are appended in the
 * given order; a key given twice ends with the later procedure. Keys are
 * borrowed: their texts must outlive the object.
 * Checks "Object" (valid), "Table" (0 to 3), "Values". Returns ZE_OK;
 * ZE_RC_NO_MEMORY when memory is short, and the table is then unchanged.
 */
ZE_API unsigned int ZeObjectSetTableValues(void *object, int tableId, const ZeKeyedProcEntry *values, int count);

/** The table's own entry array (NULL-key terminated; NULL while empty) in
 * *pValues. Checks "Object", "Table", "pValues"; NULL stored on failure.
 * Dispatch remembers which handler each key found along a chain; change the
 * entries through ZeUpdateKeyedEntryProc or ZeObjectSetTableValues, which
 * tell it that the tables changed. */
ZE_API unsigned int ZeObjectGetTableValues(void *object, int tableId, ZeKeyedProcEntry **pValues);

/** @{ */
/** 1 when the object's interface carries "ZEOBJINTER", else 0; the two are the same. */
ZE_API int ZeObjectIsValid(void *object);
ZE_API int ZeIsValidObject(void *object);
/** @} */

/** 1 when the object is valid and its kind is exactly `name`, else 0. */
ZE_API int ZeObjectIsNamed(void *object, const char *name);

/* ------------------------------------------ properties, actions, elements */
/**
 * @defgroup object_verbs Properties, actions and elements
 * The arguments after the key are the handler's; each key's handler takes
 * them with va_arg in order, so pass exactly the documented types (32-bit
 * integers as int / unsigned int, NULL pointers typed). The keys of the
 * front object are:
 *   element "NAME"                void **pElement: the object's name in
 *                                 capitals (the front object's own text)
 *   query "ACTIONS"               char ***pActions, unsigned int *pCount:
 *                                 the enabled actions of the chain, deepest
 *                                 base first; the names become the values
 *                                 of the chain's "ITEM" element, which owns
 *                                 them (valid until that item changes)
 *   query "IS VALID ACTION"       const char *ActionKey, int *pResponse:
 *                                 1 when the action is found enabled along
 *                                 the chain, else 0; returns ZE_OK,
 *                                 ZE_RC_DISABLED, ZE_RC_NOT_IN_PROC_TABLE
 *                                 (unknown), or ZE_RC_INVALID_PARAMETER;
 *                                 never traces the lookup
 * The generic object's keys are listed in ZeGenObj.h.
 *
 * Lookup: the object's table, then each base object's. The default
 * dispatchers trace, with the key and the names of the kinds visited joined
 * by "." (for example ZEOBJECT.GENERIC):
 *   found:    action only: "Performing <key> action using object <name>"
 *   disabled: "*** Query of property <key> not supported (disabled) for object <name>",
 *             "*** Set of property ...", "*** Action ...", "*** Element ...";
 *             code ZE_RC_DISABLED
 *   unknown:  the same with "(unknown)"; code ZE_RC_NOT_IN_PROC_TABLE
 *   other (the lookup's own check failed): element only:
 *             "*** Get of element <key> failed for object <name>"
 * A handler's own code is returned unchanged.
 * @{
 */

/** Queries a property: checks "Object" (valid) and "Property" (not empty),
 * then hands the remaining arguments, the property's outputs, to the
 * query dispatcher (ZeFetchProperty). */
ZE_API unsigned int ZeQueryProperty(void *object, const char *property, ...);

/** Sets a property: checks "Object" (valid) and "Property" (not empty), then
 * hands the remaining arguments, the property's new values, to the set
 * dispatcher (ZeEstablishProperty). */
ZE_API unsigned int ZeSetProperty(void *object, const char *property, ...);

/** Submits an action: checks "Object" (valid) and "Action" (not empty), then
 * hands the remaining arguments, the action's inputs and outputs, to the
 * action dispatcher (ZePerformAction). */
ZE_API unsigned int ZeSubmitAction(void *object, const char *action, ...);

/** Gets an element: checks "Object" (valid) and "ElementKey" (not empty),
 * then hands the remaining argument, a void ** that receives the element,
 * to the element lookup (ZeGetElement). */
ZE_API unsigned int ZeQueryElement(void *object, const char *elementKey, ...);

/** The query dispatcher: a front object whose query procedure was replaced
 * (ZeSetQueryPropertyProc) gets that procedure, called with its base object;
 * otherwise ZeGetProperty runs on the object itself. */
ZE_API unsigned int ZeFetchProperty(void *object, const char *key, va_list *pArgs);

/** The set dispatcher: the replaced set procedure (ZeSetSetPropertyProc)
 * with the base object, otherwise ZePutProperty on the object itself. */
ZE_API unsigned int ZeEstablishProperty(void *object, const char *key, va_list *pArgs);

/** The action dispatcher: the replaced action procedure
 * (ZeSetPerformActionProc) with the base object, otherwise ZeRunAction on
 * the object itself, after clearing the chain's "RESULT" element (code
 * ZE_OK, empty message); an object without one traces the element's
 * "(unknown)" line and the action runs all the same. */
ZE_API unsigned int ZePerformAction(void *object, const char *key, va_list *pArgs);

/** The default query dispatcher: looks the key up in the query properties
 * table (ZE_TABLE_QUERY_PROPERTIES) along the chain and calls handler(object
 * holding the entry, key, pArgs). */
ZE_API unsigned int ZeGetProperty(void *object, const char *key, va_list *pArgs);

/** The default set dispatcher: the same in the set properties table
 * (ZE_TABLE_SET_PROPERTIES). */
ZE_API unsigned int ZePutProperty(void *object, const char *key, va_list *pArgs);

/** The default action dispatcher: the same in the actions table
 * (ZE_TABLE_ACTIONS). */
ZE_API unsigned int ZeRunAction(void *object, const char *key, va_list *pArgs);

/** The element lookup: the same in the elements table (ZE_TABLE_ELEMENTS). */
ZE_API unsigned int ZeGetElement(void *object, const char *key, va_list *pArgs);

/** The element of the key (borrowed), or NULL on any failure. */
ZE_API void *ZeElement(void *object, const char *key);

/** Handler of the query "ACTIONS" (arguments above). A failed check
 * ("Object", "PropertyKey", then the arguments) returns
 * ZE_RC_INVALID_PARAMETER and stores NULL / 0 where the outputs are given. */
ZE_API unsigned int ZeQueryActions(void *object, const char *key, va_list *pArgs);

/** Handler of the query "IS VALID ACTION" (arguments above); failed checks
 * as for ZeQueryActions. */
ZE_API unsigned int ZeQueryValidAction(void *object, const char *key, va_list *pArgs);

/**
 * The keys of the table's enabled entries (procedure not NULL), in table
 * order, become the values of `item` (copies it owns); *pValues receives
 * the item's value array and *pCount their number. Returns the code of
 * attaching the values to the item (ZE_RC_INVALID_PARAMETER with its trace
 * for an invalid item); ZE_RC_INVALID_PARAMETER without a trace when table,
 * pValues or pCount is NULL; ZE_RC_NO_MEMORY when memory is short. On
 * failure the item is unchanged and NULL / 0 are stored.
 */
ZE_API unsigned int ZeExtractKeyedEntryActions(Item *item, const ZeKeyedProcEntry *table, char ***pValues,
                                               unsigned int *pCount);
/** @} */

#ifdef __cplusplus
}
#endif

#endif /* ZEOBJECT_H */
