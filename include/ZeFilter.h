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
 * and return 4 (ZE_RC_INVALID_PARAMETER), changing nothing.
 * A filter is used by one thread at a time; a walk uses the filter's single
 * cursor, so two walks of one filter cannot be interleaved.
 */
#ifndef ZEFILTER_H
#define ZEFILTER_H

#include "ZeTypes.h"

#ifdef __cplusplus
extern "C" {
#endif

/** Codes of this family (besides 0, 3, 4 and 7 of ZeTypes.h). */
#define ZE_RC_CRITERION_NOT_ADDED  1u   /* allocation failure, NULL string, zero count, malformed criterion */
#define ZE_RC_NO_CURRENT_CRITERION 1u   /* ZeCompareFilterItems: a filter has no current criterion */
#define ZE_RC_FILTER_FORMAT        103u /* ZeSetFilterCriteria: format outside 1 to 3 */
#define ZE_RC_FILTER_NULL_TEXT     104u /* ZeSetFilterCriteria: format 3 given a NULL text */
#define ZE_RC_CRITERIA_EQUAL       200u
#define ZE_RC_CRITERIA_DIFFER      201u

/** Matching codes. */
#define ZE_RC_MATCH_NOT_POSSIBLE 1u   /* operator outside the table, or no value for a criterion's field */
#define ZE_RC_MATCH_DATE_TIME    2u   /* DATE and TIME fields are not matched */
#define ZE_RC_MATCH_BAD_TYPE     105u /* the field's type is not matchable */
#define ZE_RC_MATCH              206u /* the value (the record) satisfies the criterion (every criterion) */
#define ZE_RC_NO_MATCH           207u /* it does not */

/** Argument formats of ZeSetFilter / ZeSetFilterCriteria (several criteria). */
#define ZE_FILTER_STRINGS 1 /* char **strings, int count: one criterion text per string */
#define ZE_FILTER_ARRAYS  2 /* char **columns, char **relops, char **values, int count */
#define ZE_FILTER_TEXT    3 /* const char *text: criteria separated by "," */

/** Argument formats of ZeSetFilterItem / ZeSetFilterCriteriaItem (one criterion). */
#define ZE_CRITERION_TEXT       1 /* const char *text: parts separated by blanks */
#define ZE_CRITERION_STRINGS    2 /* const char *column, const char *relop, const char *value */
#define ZE_CRITERION_COMMA_TEXT 3 /* const char *text: parts separated by "," */

/* ------------------------------------------------------ structure, access */

/** 1 when not NULL and the eye-catcher reads "FLTR1.0", else 0; no trace. */
ZE_API int ZeIsValidFilter(Filter *filter);

/** A new, empty filter in *pFilter ("pFilter"): 0; 3 (NULL stored); 4. */
ZE_API unsigned int ZeCreateFilter(Filter **pFilter);

/** Releases the criteria, the arrays and the filter ("Filter"): 0; 4. */
ZE_API unsigned int ZeDestroyFilter(Filter *filter);

/** Removes every criterion ("Filter"): 0; 4. The walk cursor is cleared. */
ZE_API unsigned int ZeResetFilter(Filter *filter);

/**
 * Appends (Column, Relop, Value), copying the three strings ("Filter"):
 * 0; 1 when a string is NULL or a copy cannot be made (nothing is added
 * then); 4. Empty strings are accepted. O(1): the last criterion is kept.
 */
ZE_API unsigned int ZeAddFilterItem(Filter *filter, const char *Column, const char *Relop, const char *Value);

/**
 * Walk: ZeInitFilterQuery puts the cursor on the first criterion;
 * ZeNextFilterItem moves it on and returns nonzero while a criterion is
 * current; ZeGetFilterItem stores the current criterion's strings through
 * whichever pointers are not NULL and returns 1, or returns 0 and stores
 * nothing. A walk: init, then get and next until get returns 0.
 * Criteria added during a walk do not move the cursor (a walk that ran past
 * the end stays there). These functions and ZeGetFilterItemCount do not
 * trace: an invalid filter does nothing and gives 0.
 */
ZE_API void ZeInitFilterQuery(Filter *filter);
ZE_API int ZeNextFilterItem(Filter *filter);
ZE_API int ZeGetFilterItem(Filter *filter, const char **pColumn, const char **pRelop, const char **pValue);
ZE_API int ZeGetFilterItemCount(Filter *filter);

/**
 * (Re)builds the three arrays of ZeGetFilter: 0 (arrays left NULL for an
 * empty filter); 3 with "*** ZeBuildFilterArrays : Error allocating pointer
 * arrays"; 4 without a trace for an invalid filter.
 */
ZE_API unsigned int ZeBuildFilterArrays(Filter *filter);

/**
 * The columns, operators and values as three arrays of count entries, each
 * closed by a NULL pointer, plus the count. The arrays are rebuilt when a
 * criterion was added or removed since the last call; they hold the
 * filter's own strings. Checks "**Columns", "**Relops", "**Values",
 * "*Count" (parameters 1 to 4): 0; 3 (see ZeBuildFilterArrays); 4; 7 for
 * an empty filter (outputs untouched). An invalid filter gives 4 without a
 * trace.
 */
ZE_API unsigned int ZeGetFilter(Filter *filter, char ***pColumns, char ***pRelops, char ***pValues, int *pCount);

/**
 * The first criterion whose column equals Key ignoring case: its operator
 * and value through whichever of pRelop, pValue is not NULL. 0; 7 for an
 * empty filter, a NULL Key or no such column (outputs untouched); 4 without
 * a trace for an invalid filter.
 */
ZE_API unsigned int ZeFilterItemByKey(Filter *filter, const char *Key, const char **pRelop, const char **pValue);

/** The same, storing copies the caller frees with TarnFreeBlock. On 3 no
 * copy is kept and NULL is stored through both given pointers. */
ZE_API unsigned int ZeDupFilterItemByKey(Filter *filter, const char *Key, char **pRelop, char **pValue);

/**
 * Replaces Dst's criteria by copies of Src's ("DstFilter", "SrcFilter"):
 * 0; 4; 3 when memory is short, and then Dst is left exactly as it was.
 * Src's walk cursor does not move; Dst's is cleared. Dst may be Src.
 */
ZE_API unsigned int ZeCopyFilter(Filter *Dst, Filter *Src);

/** The same, leaving out every criterion whose column equals ItemKey
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
 * ("NAME", "NAME,,x") adds nothing and gives 1. Nothing after the operator
 * ("DESCRIPTION EQ", "DESCRIPTION,EQ") is the empty value, which an ALTER
 * sends to clear the field.
 *
 * Criteria text (ZE_FILTER_TEXT): criteria separated by ","; each piece is
 * trimmed; empty pieces (",,", a trailing ",", a text of blanks) are
 * skipped, so "" adds nothing and gives 0. A value cannot hold a comma in
 * this form. Texts are split in a private copy; values of any length.
 *
 * Several criteria are added in order; the first one that fails stops the
 * call with its code, and the criteria added before it stay.
 */

/**
 * Format 1 (char **strings, int count): the first count strings, each one
 * criterion text; count < 1 adds nothing (0); a NULL string stops with 1.
 * Format 2 (char **columns, char **relops, char **values, int count):
 * parallel arrays; count 0 gives 1; count < 0 counts the columns up to the
 * first NULL (none: 0); a NULL array or a NULL string stops with 1.
 * Format 3 (const char *text): criteria text; NULL gives 104.
 * Checks "Filter", "pArgs" (parameters 1 and 2): 0; 1; 4; 103 for another
 * format. A private copy that cannot be made gives 1.
 */
ZE_API unsigned int ZeSetFilterCriteria(Filter *filter, int Format, va_list *pArgs);
ZE_API unsigned int ZeSetFilter(Filter *filter, int Format, ...);

/** One criterion: format 1 (const char *text, blank-separated), 2 (const
 * char *column, const char *relop, const char *value), 3 (const char *text,
 * comma-separated). Checks "Filter", "Format" (1 to 3), "pArgs": 0; 1; 4. */
ZE_API unsigned int ZeSetFilterCriteriaItem(Filter *filter, int Format, va_list *pArgs);
ZE_API unsigned int ZeSetFilterItem(Filter *filter, int Format, ...);

/**
 * Compares the current criteria of two walks, ignoring case: 200 when
 * column, operator and value are equal, 201 when one differs, 1 when a
 * filter is invalid or has no current criterion. The cursors do not move.
 */
ZE_API unsigned int ZeCompareFilterItems(Filter *filter1, Filter *filter2);

/**
 * Order-insensitive comparison, reported as "ZeCompareFilter" ("Filter1",
 * "Filter2"): 201 when the counts differ; 0 for two empty filters; 200 when
 * every criterion of filter1 equals some criterion of filter2 (one of
 * filter2's may serve several of filter1's); else 201; 4. Both cursors are
 * left where the comparison stopped.
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
 *                  both read as numbers; another operator gives 1;
 *   "DATE", "TIME" 2;  any other type 105.
 * These rules are matching's own and stay so: the typed checks that the
 * item operations make of a selection's criteria before they send it
 * (ZeDts.h, item operations) do not apply here, so dates and times are not
 * matched, and a text criterion is not folded to the case of an UPPERCASE
 * field (it compares ignoring case unless the field is CASE SENSITIVE).
 */

/**
 * Tests the record value Value against the filter's current criterion (its
 * column is not looked at) ("Filter", "Field", "Value": not NULL):
 * 206; 207; 1; 2; 4; 105. A filter without a current criterion gives 1.
 */
ZE_API unsigned int ZeCompareFieldToCriteria(Filter *filter, Field *field, const char *Value);

/**
 * Tests a record (Data: its value strings in the order of the record data,
 * see ZeBuildIndexArray) against every criterion, in filter order
 * ("Filter", "Descriptor", "Data"): 206 when all hold; else the first
 * other code: 207; 1 (no value for the field); 2; 105; the code of the
 * field lookup (7 for a column that names no field with a value in the
 * data); 4. A filter with no criteria gives 206. Moves the filter's cursor.
 */
ZE_API unsigned int ZeMatchFilter(Filter *filter, Descriptor *descriptor, char **Data);

#ifdef __cplusplus
}
#endif

#endif /* ZEFILTER_H */
