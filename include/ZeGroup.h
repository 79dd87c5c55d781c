/**
 * @file
 * ZeGroup.h - group objects: a kind of object placed in front of a generic
 * object (ZeGenObj.h) for managed items that are also gathered into named
 * groups. One listing holds both the groups and the members; a record's
 * "ITEM_TYPE" field says which it is: "GROUP" for a group, the object's
 * name for a member.
 *
 * Chain: front object ("ZEOBJECT") -> group object ("GROUP") -> generic
 * object ("GENERIC"). An object library's init procedure builds it with
 * ZeGroupObjInit and then defines the fields of both descriptors: the
 * generic object's "DESCRIPTOR" (items of the kind, with an "ITEM_TYPE"
 * field) and the group object's "GROUP DESCRIPTOR" (group records):
 *
 *     unsigned int InitPrinter(void *front, Filter *filter)
 *     {
 *         unsigned int rc = ZeGroupObjInit(front, "PRINTER", filter, "PRINTERGROUP");
 *         if (!rc) rc = define_printer_fields(ZeGenericObjDescriptor(front));
 *         if (!rc) rc = define_group_fields(ZeElement(front, "GROUP DESCRIPTOR"));
 *         return rc;
 *     }
 *
 * Destroying the front object destroys the whole chain.
 *
 * Keys of the group object (the generic object's keys, ZeGenObj.h, answer
 * everything else):
 *   elements (void **pElement)
 *     "GROUP NAME"        const char *: the group name (NULL until set)
 *     "GROUP DESCRIPTOR"  Descriptor *: the descriptor of group records
 *   query properties
 *     "ACTIONS", "IS VALID ACTION"  see ZeObject.h
 *   actions, with the arguments of the generic object's same actions
 *     "OPEN COLLECTION", "DELETE ITEM"               Filter *filter
 *     "OPEN ITEM", "DEFINE ITEM", "ALTER ITEM",
 *     "COPY ITEM", "RENAME ITEM"                     Filter *filter, char ***pValues
 *
 * Every action first decides from the caller's filter what it concerns:
 *   group record  the filter has a "GROUPID" criterion (adding a member to
 *                 a group or taking one out); this test comes first, so a
 *                 filter holding both GROUPID and ITEM_TYPE concerns the
 *                 group record;
 *   group kind    the filter has an "ITEM_TYPE" criterion whose value is
 *                 "GROUP" (ignoring case), or the override flag is set;
 *   member        neither.
 * Narrowing: the request carries the caller's criteria without the
 * "ITEM_TYPE" ones (the group object's working filter). Collections add
 * ("ID", "EQ", "*") when the narrowed criteria have no "ID" criterion.
 * Acting as the group: the request info's OBJECT is the group name for the
 * one request and is restored afterwards, on success and on failure.
 *
 *   action           group record               group kind                   member
 *   OPEN COLLECTION  SELECT, group descriptor,  SELECT without duplicates,   handed on to the
 *                    caller's filter, as the    narrowed + ID, as the group; generic object,
 *                    group; rows untyped        rows typed "GROUP"           narrowed + ID; rows
 *                                                                            typed with the name
 *   OPEN ITEM        -                          SELECT, narrowed, as the     SELECT, narrowed;
 *                                               group; typed "GROUP"         typed with the name
 *   DEFINE ITEM      ALTER, group descriptor,   DEFINE, narrowed, as group   handed on, narrowed
 *                    caller's filter, as the
 *                    group; *pValues NULL
 *   ALTER ITEM       -                          ALTER, narrowed, as group    handed on, narrowed
 *   DELETE ITEM      as DEFINE ITEM             DELETE, narrowed, as group   handed on, narrowed
 *   COPY ITEM        -                          DEFINE-based copy, narrowed, handed on, narrowed
 *                                               as the group
 *   RENAME ITEM      -                          DEFINE-based rename (DEFINE  handed on, narrowed
 *                                               then DELETE), narrowed, as
 *                                               the group
 * ("-": the action has no group record case and goes on with the group kind
 * test.) Requests other than the handed-on ones use the generic object's
 * DESCRIPTOR (or the GROUP DESCRIPTOR where the table says so), INFO, ITEM,
 * COLLECTION and RESULT. Typing writes the type into each record's
 * "ITEM_TYPE" value, at the header position of the DESCRIPTOR's ITEM_TYPE
 * field. After a successful item action *pValues receives the ITEM
 * element's own values (borrowed, as for the generic object); after a
 * failure NULL. A failed request ends the action before typing; its code is
 * returned unchanged (ZE_RC_ROUTER_FAILED: the remote node refused, its code
 * and message are in the RESULT element).
 *
 * Limits and refusals:
 *   - Object names are at most 255 characters while acting as the group:
 *     the name to restore is kept in a fixed buffer, so keeping it needs no
 *     memory that could run short. An object whose OBJECT name is longer is
 *     refused before anything is changed or sent: ZE_RC_INVALID_PARAMETER
 *     and "*** <handler>: object name longer than 255 characters". For the
 *     same reason ZeGroupObjSetName refuses group names longer than 255
 *     characters ("Name", ZE_RC_INVALID_PARAMETER).
 *   - Acting as the group without a group name is refused the same way,
 *     with "*** <handler>: group object has no group name": a request under
 *     an empty OBJECT would address nothing.
 *   - If memory runs short while the name is restored, OBJECT is left empty
 *     and ZE_RC_NO_MEMORY is returned (the request's own failure code wins if
 *     it failed).
 *   - Typing needs the DESCRIPTOR to have an "ITEM_TYPE" field: without one
 *     the code of ZeGetFieldOrder is returned (ZE_RC_NO_ENTRY, or
 *     ZE_RC_NO_HEADER without a header), after the request succeeded.
 *   - Typing a collection walks every item; afterwards the next GET ITEM
 *     gives the item at the position the collection had before (the first
 *     item right after OPEN COLLECTION).
 *
 * Handlers check, under their own names ("group_object_open_collection",
 * "group_object_open_item", ..., "get_group_name", "get_group_descriptor"):
 * "Object" (of kind "GROUP": the active object of the lookup), "ActionKey" /
 * "ElementKey" (equal to the key they serve, ignoring case), "Filter" (a
 * valid filter), "pValues" / "pElement" (given). A failed check returns
 * ZE_RC_INVALID_PARAMETER, stores NULL in *pValues when given, and sends
 * nothing.
 */
#ifndef ZEGROUP_H
#define ZEGROUP_H

#include "ZeTypes.h"

#ifdef __cplusplus
extern "C" {
#endif

/** Longest object name that acting as the group keeps and restores. */
#define ZE_GROUP_MAX_NAME 255u

/** The chain of the object given to a setter holds no group object. */
#define ZE_RC_NO_GROUP_OBJECT 100u

/* ---------------------------------------------------- structure, lifecycle */

/**
 * A new group object in *pObject: interface "GROUP" with the tables above,
 * no name, an empty working filter, an empty group descriptor, override 0,
 * and no base object. Returns ZE_OK; ZE_RC_NO_MEMORY when memory is short
 * (the filter or the descriptor included); the code of registering a table;
 * ZE_RC_INVALID_PARAMETER ("pObject") when pObject is NULL, as the object
 * could never be released. On failure nothing is left behind and NULL is stored.
 */
ZE_API unsigned int ZeGroupObjCreate(void **pObject);

/**
 * For an object library's init procedure: creates a group object, sets its
 * group name to Name (NULL: none), puts a generic object behind it with
 * ZeGenericObjInit(group, InfoValue, filter) (InfoValue becomes the request
 * info's OBJECT; the filter's info criteria fill the info), and makes the
 * group object the base object of Object (usually the front object) with
 * ZeGroupObjDestory as its release procedure, also when a step after the
 * creation failed, so the front object's destruction releases it. Returns
 * the first failing code, setting the name included
 * (ZE_RC_INVALID_PARAMETER for a name longer than 255 characters); when
 * Object refuses the group object (ZE_RC_INVALID_PARAMETER) the group object
 * is destroyed again.
 */
ZE_API unsigned int ZeGroupObjInit(void *Object, const char *InfoValue, Filter *filter, const char *Name);

/**
 * Destroys a group object ("Object": of kind "GROUP"): its interface (which
 * releases the generic object behind it), its name, working filter and
 * group descriptor. The release procedure of the chain (spelled as it is
 * known). Returns ZE_OK; ZE_RC_INVALID_PARAMETER; or the code of releasing
 * the base object.
 */
ZE_API unsigned int ZeGroupObjDestory(void *Object);

/* -------------------------------------------------- setters and getters
 *
 * Each takes any object of a chain ("Object": a valid object) and works on
 * the first group object of the chain; when the chain holds none, setters
 * return ZE_RC_NO_GROUP_OBJECT and getters NULL or 0, after
 * "*** ZeObjectNamedObject: GROUP is not current object or in base object
 * chain.".
 */

/** Replaces the group name with a copy of Name (NULL clears it). Checks
 * "Object" and "Name" (NULL, or at most 255 characters). Returns ZE_OK;
 * ZE_RC_INVALID_PARAMETER; ZE_RC_NO_GROUP_OBJECT; ZE_RC_NO_MEMORY when the
 * copy cannot be made (the old name stays). */
ZE_API unsigned int ZeGroupObjSetName(void *Object, const char *Name);

/** The group name (the group object's own text), or NULL. */
ZE_API const char *ZeGroupObjName(void *Object);

/** Nonzero Override: every item action concerns the group kind, whatever
 * the filter says. Returns ZE_OK; ZE_RC_INVALID_PARAMETER;
 * ZE_RC_NO_GROUP_OBJECT. */
ZE_API unsigned int ZeGroupObjSetOverride(void *Object, unsigned int Override);

/** The override flag, or 0. */
ZE_API unsigned int ZeGroupObjOverride(void *Object);

/**
 * Writes Type into the item's "ITEM_TYPE" value (at the header position of
 * that field in the chain's DESCRIPTOR). Checks "Object", "Item" (a valid
 * item) and "Type": "GROUP" or the object's name (ZeObjectName(Object)),
 * compared case-sensitively. Returns ZE_OK; ZE_RC_INVALID_PARAMETER;
 * ZE_RC_NO_GROUP_OBJECT; the code of ZeGetFieldOrder (ZE_RC_NO_ENTRY when
 * the descriptor has no ITEM_TYPE field) or of ZeSetItemValue
 * (ZE_RC_INVALID_PARAMETER when the item has no value at that position).
 */
ZE_API unsigned int ZeGroupObjSetItemType(void *Object, Item *item, const char *Type);

/**
 * ZeGroupObjSetItemType for every item of the collection ("Collection": a valid
 * collection), in order; every item is typed, and the first failing
 * item's code is returned.
 * Afterwards the next ZeNextCollectionItem gives the item at the position
 * the collection had before (from the first item when it had none).
 */
ZE_API unsigned int ZeGroupObjSetCollectionType(void *Object, Collection *collection, const char *Type);

#ifdef __cplusplus
}
#endif

#endif /* ZEGROUP_H */
