/**
 * @file
 * ZeFilter.h - filters: ordered criteria, each a column name, a relational
 * operator and a value ("NAME", "EQ", "x"); criteria given as strings,
 * parallel arrays or criteria text ("LANGUAGE EQ AMENG, VERSION EQ 2.0");
 * comparison of criteria and of whole filters; matching of a record against
 * a filter through the record's data descriptor.
 *
 * Ownership: a filter owns its criteria and their strings. Everything the
 * getters hand out (strings, the three arrays of ZeGetFilter) is the
 * filter's own and stays valid until the filter next changes; only
 * ZeDupFilterItemByKey makes copies, which the caller frees with
 * TarnFreeBlock. Criteria keep the order in which they were added; a column
 * may occur more than once. Operators are not validated when added.
 *
 * Parameter checks trace "*** <function>: parameter <n> (<name>) is invalid"
 * and return ZE_RC_INVALID_PARAMETER, changing nothing.
 * A filter is used by one thread at a time; a walk uses the filter's single
 * cursor, so two walks of one filter cannot be interleaved.
 */
#ifndef ZEFILTER_H
#define ZEFILTER_H

#include "ZeTypes.h"

#ifdef __cplusplus
extern "C" {
#endif

/** @name Codes of this family
 * Besides ZE_OK, ZE_RC_NO_MEMORY, ZE_RC_INVALID_PARAMETER and ZE_RC_NO_ENTRY
 * of ZeTypes.h.
 * @{ */
#define ZE_RC_CRITERION_NOT_ADDED  1u   /**< allocation failure, NULL string, zero count, malformed criterion */
#define ZE_RC_NO_CURRENT_CRITERION 1u   /**< ZeCompareFilterItems: a filter has no current criterion */
#define ZE_RC_FILTER_FORMAT        103u /**< ZeSetFilterCriteria: format outside 1 to 3 */
#define ZE_RC_FILTER_NULL_TEXT     104u /**< ZeSetFilterCriteria: format 3 given a NULL text */
#define ZE_RC_CRITERIA_EQUAL       200u /**< the criteria (the filters) compared are equal */
#define ZE_RC_CRITERIA_DIFFER      201u /**< they differ */
/** @} */

/** @name Matching codes
 * @{ */
#define ZE_RC_MATCH_NOT_POSSIBLE 1u   /**< operator outside the table, or no value for a criterion's field */
#define ZE_RC_MATCH_DATE_TIME    2u   /**< DATE and TIME fields are not matched */
#define ZE_RC_MATCH_BAD_TYPE     105u /**< the field's type is not matchable */
#define ZE_RC_MATCH              206u /**< the value (the record) satisfies the criterion (every criterion) */
#define ZE_RC_NO_MATCH           207u /**< it does not */
/** @} */

/** @name Argument formats of ZeSetFilter / ZeSetFilterCriteria (several criteria)
 * @{ */
#define ZE_FILTER_STRINGS 1 /**< char **strings, int count: one criterion text per string */
#define ZE_FILTER_ARRAYS  2 /**< char **columns, char **relops, char **values, int count */
#define ZE_FILTER_TEXT    3 /**< const char *text: criteria separated by "," */
/** @} */

/** @name Argument formats of ZeSetFilterItem / ZeSetFilterCriteriaItem (one criterion)
 * @{ */
#define ZE_CRITERION_TEXT       1 /**< const char *text: parts separated by blanks */
#define ZE_CRITERION_STRINGS    2 /**< const char *column, const char *relop, const char *value */
#define ZE_CRITERION_COMMA_TEXT 3 /**< const char *text: parts separated by "," */
/** @} */

/* ------------------------------------------------------ structure, access */

/** 1 when not NULL and the eye-catcher reads "FLTR1.0", else 0; no trace. */
ZE_API int ZeIsValidFilter(Filter *filter);

/** A new, empty filter in *pFilter ("pFilter"): ZE_OK; ZE_RC_NO_MEMORY (NULL
 * stored); ZE_RC_INVALID_PARAMETER. */
ZE_API unsigned int ZeCreateFilter(Filter **pFilter);

/** Releases the criteria, the arrays and the filter ("Filter"): ZE_OK;
 * ZE_RC_INVALID_PARAMETER. */
ZE_API unsigned int ZeDestroyFilter(Filter *filter);

/** Removes every criterion ("Filter"): ZE_OK; ZE_RC_INVALID_PARAMETER. The
 * walk cursor is cleared. */
ZE_API unsigned int ZeResetFilter(Filter *filter);

/**
 * Appends (Column, Relop, Value), copying the three strings ("Filter"):
 * ZE_OK; ZE_RC_CRITERION_NOT_ADDED when a string is NULL or a copy cannot be
 * made (nothing is added then); ZE_RC_INVALID_PARAMETER. Empty strings are
 * accepted. O(1): the last criterion is kept.
 */
ZE_API unsigned int ZeAddFilterItem(Filter *filter, const char *Column, const char *Relop, const char *Value);

/**
 * Starts a walk: puts the cursor on the first criterion. A walk: init, then
 * get and next until get returns 0. Criteria added during a walk do not
 * move the cursor (a walk that ran past the end stays there). The walk
 * functions and ZeGetFilterItemCount do not trace: an invalid filter does
 * nothing and gives 0.
 */
ZE_API void ZeInitFilterQuery(Filter *filter);

/** Moves the walk's cursor on; nonzero while a criterion is current. */
ZE_API int ZeNextFilterItem(Filter *filter);

/** Stores the current criterion's strings through whichever pointers are not
 * NULL and returns 1, or returns 0 and stores nothing. */
ZE_API int ZeGetFilterItem(Filter *filter, const char **pColumn, const char **pRelop, const char **pValue);

/** The number of criteria; 0 for an invalid filter. */
ZE_API int ZeGetFilterItemCount(Filter *filter);

/**
 * (Re)builds the three arrays of ZeGetFilter: ZE_OK (arrays left NULL for an
 * empty filter); ZE_RC_NO_MEMORY with "*** ZeBuildFilterArrays : Error
 * allocating pointer arrays"; ZE_RC_INVALID_PARAMETER without a trace for an
 * invalid filter.
 */
ZE_API unsigned int ZeBuildFilterArrays(Filter *filter);

/**
 * The columns, operators and values as three arrays of count entries, each
 * closed by a NULL pointer, plus the count. The arrays are rebuilt when a
 * criterion was added or removed since the last call; they hold the
 * filter's own strings. Checks "**Columns", "**Relops", "**Values",
 * "*Count" (parameters 1 to 4): ZE_OK; ZE_RC_NO_MEMORY (see
 * ZeBuildFilterArrays); ZE_RC_INVALID_PARAMETER; ZE_RC_NO_ENTRY for an empty
 * filter (outputs untouched). An invalid filter gives ZE_RC_INVALID_PARAMETER
 * without a trace.
 */
ZE_API unsigned int ZeGetFilter(Filter *filter, char ***pColumns, char ***pRelops, char ***pValues, int *pCount);

/**
 * The first criterion whose column equals Key ignoring case: its operator
 * and value through whichever of pRelop, pValue is not NULL. ZE_OK;
 * ZE_RC_NO_ENTRY for an empty filter, a NULL Key or no such column (outputs
 * untouched); ZE_RC_INVALID_PARAMETER without a trace for an invalid filter.
 */
ZE_API unsigned int ZeFilterItemByKey(Filter *filter, const char *Key, const char **pRelop, const char **pValue);

/** ZeFilterItemByKey storing copies the caller frees with TarnFreeBlock. On
 * ZE_RC_NO_MEMORY no copy is kept and NULL is stored through both given
 * pointers. */
ZE_API unsigned int ZeDupFilterItemByKey(Filter *filter, const char *Key, char **pRelop, char **pValue);

/**
 * Replaces Dst's criteria by copies of Src's ("DstFilter", "SrcFilter"):
 * ZE_OK; ZE_RC_INVALID_PARAMETER; ZE_RC_NO_MEMORY when memory is short, and
 * then Dst is left exactly as it was.
 * Src's walk cursor does not move; Dst's is cleared. Dst may be Src.
 */
ZE_API unsigned int ZeCopyFilter(Filter *Dst, Filter *Src);

/** ZeCopyFilter leaving out every criterion whose column equals ItemKey
 * ignoring case ("DstFilter", "SrcFilter", "ItemKey": not NULL, not empty). */
ZE_API unsigned int ZeCopyFilterWithoutItem(Filter *Dst, Filter *Src, const char *ItemKey);

/* ---------------------------------------------------------------- criteria
 *
 * Criterion text: column, operator and value separated by one separator (a
 * blank, or "," for ZE_CRITERION_COMMA_TEXT); blanks around the column and
 * the operator are ignored, so runs of blanks separate like one. The value
 * is the whole rest of the text, inner blanks and separators kept:
 * "NAME EQ my value" gives the value "my value", "NAME,EQ,a,b" the value
 * "a,b". A criterion needs a column and an operator: a text without them
 * ("NAME", "NAME,,x") adds nothing and gives ZE_RC_CRITERION_NOT_ADDED.
 * Nothing after the operator ("DESCRIPTION EQ", "DESCRIPTION,EQ") is the
 * empty value, which an ALTER sends to clear the field.
 *
 * Criteria text (ZE_FILTER_TEXT): criteria separated by ","; each piece is
 * trimmed; empty pieces (",,", a trailing ",", a text of blanks) are
 * skipped, so "" adds nothing and gives ZE_OK. A value cannot hold a comma in
 * this form. Texts are split in a private copy; values of any length.
 *
 * Several criteria are added in order; the first one that fails stops the
 * call with its code, and the criteria added before it stay.
 */

/**
 * Adds several criteria, the arguments taken from *pArgs by Format.
 * Format 1 (char **strings, int count): the first count strings, each one
 * criterion text; count < 1 adds nothing (ZE_OK); a NULL string stops with
 * ZE_RC_CRITERION_NOT_ADDED.
 * Format 2 (char **columns, char **relops, char **values, int count):
 * parallel arrays; count 0 gives ZE_RC_CRITERION_NOT_ADDED; count < 0 counts
 * the columns up to the first NULL (none: ZE_OK); a NULL array or a NULL
 * string stops with ZE_RC_CRITERION_NOT_ADDED.
 * Format 3 (const char *text): criteria text; NULL gives
 * ZE_RC_FILTER_NULL_TEXT.
 * Checks "Filter", "pArgs" (parameters 1 and 2): ZE_OK;
 * ZE_RC_CRITERION_NOT_ADDED; ZE_RC_INVALID_PARAMETER; ZE_RC_FILTER_FORMAT for
 * another format. A private copy that cannot be made gives
 * ZE_RC_CRITERION_NOT_ADDED.
 */
ZE_API unsigned int ZeSetFilterCriteria(Filter *filter, int Format, va_list *pArgs);

/** ZeSetFilterCriteria with the arguments given directly:
 * ZeSetFilter(filter, ZE_FILTER_TEXT, "STATUS EQ Ready"). */
ZE_API unsigned int ZeSetFilter(Filter *filter, int Format, ...);

/** Adds one criterion, the arguments taken from *pArgs by Format: 1 (const
 * char *text, blank-separated), 2 (const char *column, const char *relop,
 * const char *value), 3 (const char *text, comma-separated). Checks
 * "Filter", "Format" (1 to 3), "pArgs": ZE_OK; ZE_RC_CRITERION_NOT_ADDED;
 * ZE_RC_INVALID_PARAMETER. */
ZE_API unsigned int ZeSetFilterCriteriaItem(Filter *filter, int Format, va_list *pArgs);

/** ZeSetFilterCriteriaItem with the arguments given directly:
 * ZeSetFilterItem(filter, ZE_CRITERION_STRINGS, "NAME", "EQ", "LASER1"). */
ZE_API unsigned int ZeSetFilterItem(Filter *filter, int Format, ...);

/**
 * Compares the current criteria of two walks, ignoring case:
 * ZE_RC_CRITERIA_EQUAL when column, operator and value are equal,
 * ZE_RC_CRITERIA_DIFFER when one differs, ZE_RC_NO_CURRENT_CRITERION when a
 * filter is invalid or has no current criterion. The cursors do not move.
 */
ZE_API unsigned int ZeCompareFilterItems(Filter *filter1, Filter *filter2);

/**
 * Order-insensitive comparison, reported as "ZeCompareFilter" ("Filter1",
 * "Filter2"): ZE_RC_CRITERIA_DIFFER when the counts differ; ZE_OK for two
 * empty filters; ZE_RC_CRITERIA_EQUAL when every criterion of filter1 equals
 * some criterion of filter2 (one of filter2's may serve several of
 * filter1's); else ZE_RC_CRITERIA_DIFFER; ZE_RC_INVALID_PARAMETER. Both
 * cursors are left where the comparison stopped.
 */
ZE_API unsigned int ZeCompareFilters(Filter *filter1, Filter *filter2);

/* ---------------------------------------------------------------- matching
 *
 * A criterion's column names a descriptor field; the field's TYPE decides:
 *   "TEXT"         the operator is not used: the record value equals the
 *                  criterion value (ignoring case unless the field is CASE
 *                  SENSITIVE); a criterion value "*" matches everything and
 *                  "abc*" compares only the first three characters (a "*" in
 *                  first place of a longer value compares literally);
 *   "INT", "REAL"  "EQ", "NE", "LT", "LE", "GT", "GE" (exact, upper case)
 *                  compare the record value (left) with the criterion value,
 *                  both read as numbers; another operator gives
 *                  ZE_RC_MATCH_NOT_POSSIBLE;
 *   "DATE", "TIME" ZE_RC_MATCH_DATE_TIME;  any other type ZE_RC_MATCH_BAD_TYPE.
 * These rules are matching's own and stay so: the typed checks that the
 * item operations make of a selection's criteria before they send it
 * (ZeDts.h, item operations) do not apply here, so dates and times are not
 * matched, and a text criterion is not folded to the case of an UPPERCASE
 * field (it compares ignoring case unless the field is CASE SENSITIVE).
 */

/**
 * Tests the record value Value against the filter's current criterion (its
 * column is not looked at) ("Filter", "Field", "Value": not NULL):
 * ZE_RC_MATCH; ZE_RC_NO_MATCH; ZE_RC_MATCH_NOT_POSSIBLE; ZE_RC_MATCH_DATE_TIME;
 * ZE_RC_INVALID_PARAMETER; ZE_RC_MATCH_BAD_TYPE. A filter without a current
 * criterion gives ZE_RC_MATCH_NOT_POSSIBLE.
 */
ZE_API unsigned int ZeCompareFieldToCriteria(Filter *filter, Field *field, const char *Value);

/**
 * Tests a record (Data: its value strings in the order of the record data,
 * see ZeBuildIndexArray) against every criterion, in filter order
 * ("Filter", "Descriptor", "Data"): ZE_RC_MATCH when all hold; else the
 * first other code: ZE_RC_NO_MATCH; ZE_RC_MATCH_NOT_POSSIBLE (no value for
 * the field); ZE_RC_MATCH_DATE_TIME; ZE_RC_MATCH_BAD_TYPE; the code of the
 * field lookup (ZE_RC_NO_ENTRY for a column that names no field with a value
 * in the data); ZE_RC_INVALID_PARAMETER. A filter with no criteria gives
 * ZE_RC_MATCH. Moves the filter's cursor.
 */
ZE_API unsigned int ZeMatchFilter(Filter *filter, Descriptor *descriptor, char **Data);

#ifdef __cplusplus
}
#endif

#endif /* ZEFILTER_H */
