/**
 * @file
 * ZeRecords.h - records: items (one record, an ordered array of value
 * strings), collections (an ordered list of items with a cursor) and
 * deltas (the cursor string and count of a delta request).
 *
 * Ownership: an item owns its array and every string in it; a collection
 * owns its items (an item handed to ZeInsertCollectionItem belongs to the
 * collection from then on); a delta owns its cursor string. Getters hand
 * out the owner's own pointers, valid until the owner next changes.
 * Memory comes from TarnAllocBlock; arrays and strings handed to
 * ZeAttachItemValues must come from there too.
 *
 * Parameter checks trace "*** <function>: parameter <n> (<name>) is invalid"
 * and return ZE_RC_INVALID_PARAMETER, changing nothing; accessors that
 * return a value give NULL or 0 then. Objects are used by one thread at a time.
 */
#ifndef ZERECORDS_H
#define ZERECORDS_H

#include "ZeTypes.h"

#ifdef __cplusplus
extern "C" {
#endif

/** Count argument of ZeSetItemValues / ZeAttachItemValues: count the values
 * before the first NULL entry. */
#define ZE_COUNT_VALUES 0xFFFFFFFFu

/* ------------------------------------------------------------------- items
 *
 * Parameter names: "pItem", "NewItem", "Item", "Index", "Index1", "Index2",
 * "Value", "pValue", "Values", "Count", "pValues", "pCount". A valid index
 * is 0 <= Index < count. A value may be NULL (the field has no value).
 */

/** 1 when not NULL and the eye-catcher reads "ZE_ITEM", else 0; no trace. */
ZE_API int ZeIsValidItem(Item *item);

/** A new item without values in *pItem: ZE_OK; ZE_RC_NO_MEMORY (NULL
 * stored); ZE_RC_INVALID_PARAMETER. */
ZE_API unsigned int ZeCreateItem(Item **pItem);

/** Releases the values and the item: ZE_OK; ZE_RC_INVALID_PARAMETER. */
ZE_API unsigned int ZeDestroyItem(Item *item);

/**
 * A new item in *NewItem holding copies of Item's values ("NewItem", "Item":
 * not NULL): ZE_OK; ZE_RC_INVALID_PARAMETER; ZE_RC_NO_MEMORY when the new
 * item or the copy of its values cannot be made (NULL stored, nothing left
 * allocated). The two items never share strings.
 */
ZE_API unsigned int ZeDuplicateItem(Item **NewItem, Item *item);

/** Replaces value Index by a copy of Value (NULL clears it; the count stays):
 * ZE_OK; ZE_RC_NO_MEMORY (the value is then NULL); ZE_RC_INVALID_PARAMETER.
 * Value may be the item's own string. */
ZE_API unsigned int ZeSetItemValue(Item *item, int Index, const char *Value);

/** The item's own string at Index (possibly NULL) through pValue: ZE_OK;
 * ZE_RC_INVALID_PARAMETER. */
ZE_API unsigned int ZeGetItemValue(Item *item, int Index, char **pValue);

/** The item's own string at Index, or NULL (also after a failed check). */
ZE_API char *ZeItemValue(Item *item, int Index);

/**
 * Replaces all values by copies of the first Count entries of Values (NULL
 * entries stay NULL); Count ZE_COUNT_VALUES counts the entries before the
 * first NULL one. Values NULL with Count 0 empties the item. Checks "Item";
 * "Values" (not NULL unless Count is 0); "Count" (not 0 unless Values is
 * NULL): ZE_OK; ZE_RC_NO_MEMORY (the item is left empty);
 * ZE_RC_INVALID_PARAMETER. The caller keeps its array.
 * Values may be the item's own array.
 */
ZE_API unsigned int ZeSetItemValues(Item *item, const char *const *Values, unsigned int Count);

/**
 * ZeSetItemValues, but the item takes over the array itself and the first
 * Count strings in it (all blocks of TarnAllocBlock / TarnDuplicateString)
 * and frees them when replaced or destroyed; strings past Count are not the
 * item's. Nothing is copied: ZE_OK; ZE_RC_INVALID_PARAMETER. Attaching the
 * item's own array changes nothing.
 */
ZE_API unsigned int ZeAttachItemValues(Item *item, char **Values, unsigned int Count);

/** The item's own array (NULL when it has none) and, when pCount is not NULL,
 * the count: ZE_OK; ZE_RC_INVALID_PARAMETER. */
ZE_API unsigned int ZeGetItemValues(Item *item, char ***pValues, unsigned int *pCount);

/** The item's own array, or NULL. */
ZE_API char **ZeItemValues(Item *item);

/** The item's number of values, or 0. */
ZE_API unsigned int ZeItemCount(Item *item);

/** Exchanges two values (equal indexes change nothing): ZE_OK;
 * ZE_RC_INVALID_PARAMETER. */
ZE_API unsigned int ZeSwapItemValues(Item *item, int Index1, int Index2);

/* ------------------------------------------------------------- collections
 *
 * Cursor: a new or reset collection has no current item, position 0.
 * ZeNextCollectionItem moves on and returns the item there (the first one
 * when there is no current item), or NULL past the end; the call after that
 * starts again from the first item, whose position is 1 again.
 * ZeSetCollectionPosition and ZeRemoveCurrentCollectionItem leave the cursor
 * so that the next ZeNextCollectionItem returns the item at the position
 * set, or the item that followed the removed one. Positions are 1-based.
 *
 * Parameter names: "pCollection", "Collection", "Item", "Position",
 * "FieldIndex", "Destination", "Source".
 */

/** 1 when not NULL and the eye-catcher reads "DTSCOLLECT", else 0; no trace. */
ZE_API int ZeIsValidCollection(Collection *collection);

/** A new, empty collection in *pCollection: ZE_OK; ZE_RC_NO_MEMORY (NULL
 * stored); ZE_RC_INVALID_PARAMETER. */
ZE_API unsigned int ZeCreateCollection(Collection **pCollection);

/** Destroys every item and the collection: ZE_OK; ZE_RC_INVALID_PARAMETER. */
ZE_API unsigned int ZeDestroyCollection(Collection *collection);

/** Destroys every item; the collection is as new: ZE_OK;
 * ZE_RC_INVALID_PARAMETER. */
ZE_API unsigned int ZeResetCollection(Collection *collection);

/** Appends Item, which the collection owns from then on: ZE_OK;
 * ZE_RC_NO_MEMORY (the item stays the caller's); ZE_RC_INVALID_PARAMETER.
 * The cursor does not move. */
ZE_API unsigned int ZeInsertCollectionItem(Collection *collection, Item *item);

/**
 * Makes Position (1 to size) current: ZE_OK; ZE_RC_INVALID_PARAMETER for
 * Position 0; ZE_RC_NO_ENTRY for a position beyond the size, which leaves no
 * current item (the next ZeNextCollectionItem returns the first item) and
 * records Position. Works from any cursor state.
 */
ZE_API unsigned int ZeSetCollectionPosition(Collection *collection, unsigned int Position);

/** Number of items, or 0. */
ZE_API unsigned int ZeCollectionSize(Collection *collection);

/** 1-based position of the current item (0 before the first walk), or 0. */
ZE_API unsigned int ZeCollectionPosition(Collection *collection);

/** Moves the cursor on and returns the item there (see the cursor rules
 * above); NULL for an empty collection, past the end, or after a failed
 * check. */
ZE_API Item *ZeNextCollectionItem(Collection *collection);

/** Moves the cursor to position 1 and returns its item; NULL for an empty
 * collection or after a failed check. */
ZE_API Item *ZeFirstCollectionItem(Collection *collection);

/** The last item, without moving the cursor; NULL for an empty collection or
 * after a failed check. */
ZE_API Item *ZeLastCollectionItem(Collection *collection);

/** Destroys the current item; the next ZeNextCollectionItem returns the item
 * that followed it. The position is unchanged: ZE_OK; ZE_RC_INVALID_PARAMETER;
 * ZE_RC_NO_ENTRY (no current item). */
ZE_API unsigned int ZeRemoveCurrentCollectionItem(Collection *collection);

/**
 * The distinct values of field FieldIndex over all items, compared
 * case-sensitively, in the order first met, handed to Item (its previous
 * values are released): ZE_OK; ZE_RC_NO_MEMORY and ZE_RC_NO_ENTRY (empty
 * collection) leave Item empty; ZE_RC_INVALID_PARAMETER.
 * Items without a value at FieldIndex (NULL, or an index outside the item)
 * contribute nothing. Leaves the cursor past the end.
 */
ZE_API unsigned int ZeGetFieldListFromCollection(Collection *collection, int FieldIndex, Item *item);

/**
 * Keeps only the items whose value of field FieldIndex occurs among Item's
 * values, case-sensitively, each listed value keeping at most one item (the
 * first that carries it): ZE_OK; ZE_RC_NO_MEMORY (nothing removed);
 * ZE_RC_INVALID_PARAMETER. Items without a value
 * at FieldIndex are removed. Leaves the cursor past the end.
 */
ZE_API unsigned int ZeRemoveCollectionItemsNotInList(Collection *collection, int FieldIndex, Item *item);

/**
 * Appends a copy of each of Source's items to Destination; then, when
 * ResetSource is not 0, empties Source: ZE_OK; ZE_RC_INVALID_PARAMETER;
 * ZE_RC_NO_MEMORY when an item could not be copied or appended (the copies
 * made so far stay appended and Source is not emptied). Source and Destination
 * may be the same collection (its items are then doubled once). Leaves
 * Source's cursor past the end.
 */
ZE_API unsigned int ZeAppendCollection(Collection *Destination, Collection *Source, int ResetSource);

/**
 * Reorders the items into parent-before-children order. Item C is a child
 * of P when P's value of KeyField equals C's value of ParentField ignoring
 * case; the first item is the root. Each item is followed by its children:
 * first the children without children of their own, then those with
 * children, each followed by its descendants; each group keeps its earlier
 * order. The sort relies on the order the items come in: after the root,
 * the children of each item must come as one run, and the runs in the order
 * the depth-first walk reaches their parents. At the first item that breaks
 * this, gathering stops; it and the items after it stay behind the sorted
 * front in their earlier order, and "*** ZeSortCollectionByParent: not all
 * records sorted" is traced. An empty collection traces
 * "ZeSortCollectionByParent: no records to sort". Items without the two
 * values trace "*** child_of_parent: bad parent name" (and the failed
 * ZeItemValue check). Afterwards the cursor is set to position 1.
 * No parameter check is traced: ZE_OK; ZE_RC_NO_MEMORY when memory ran short
 * while moving an item (every item stays in the collection);
 * ZE_RC_INVALID_PARAMETER for an invalid collection.
 * Any depth of nesting is handled without recursion.
 */
ZE_API unsigned int ZeSortCollectionByParent(Collection *collection, int KeyField, int ParentField);

/** Traces "<Prefix>Collection:  Size: <size>  Position: <position>" for a
 * valid collection (Prefix NULL: empty); nothing for an invalid one. */
ZE_API void ZeDumpCollection(Collection *collection, const char *Prefix);

/* ------------------------------------------------------------------ deltas
 *
 * Reported under names that differ from the exported ones:
 * "ZeCreateDtsDeltaObject", "ZeDestroyDtsDeltaObject", "ZeSetDtsDeltaField",
 * "ZeGetDtsDeltaField". Parameter names: "pDelta", "Delta", "Cursor",
 * "Count", "pCursor", "pCount".
 */

/** 1 when not NULL and the eye-catcher reads "DTSDELTA", else 0; no trace. */
ZE_API int ZeIsValidDtsDelta(DtsDelta *delta);

/** A new delta (no cursor, count 0) in *pDelta: ZE_OK; ZE_RC_NO_MEMORY (NULL
 * stored); ZE_RC_INVALID_PARAMETER. */
ZE_API unsigned int ZeCreateDtsDelta(DtsDelta **pDelta);

/** Releases the cursor and the delta: ZE_OK; ZE_RC_INVALID_PARAMETER. */
ZE_API unsigned int ZeDestroyDtsDelta(DtsDelta *delta);

/** Replaces the cursor by a copy of Cursor (not NULL) and stores Count:
 * ZE_OK; ZE_RC_NO_MEMORY (no cursor then, the count stored all the same);
 * ZE_RC_INVALID_PARAMETER. */
ZE_API unsigned int ZeSetDtsDeltaFields(DtsDelta *delta, const char *Cursor, unsigned int Count);

/** The delta's own cursor (possibly NULL) and its count: ZE_OK;
 * ZE_RC_INVALID_PARAMETER. */
ZE_API unsigned int ZeGetDtsDeltaFields(DtsDelta *delta, char **pCursor, unsigned int *pCount);

/** Traces `"<Prefix>DeltaMode: Yes  Cursor: <cursor or <None>>  Count:  <count>"`
 * for a valid delta (Prefix NULL: empty); nothing for an invalid one. */
ZE_API void ZeDumpDtsDelta(DtsDelta *delta, const char *Prefix);

#ifdef __cplusplus
}
#endif

#endif /* ZERECORDS_H */
