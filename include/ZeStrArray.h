/**
 * @file
 * ZeStrArray.h - string pointer arrays and in-place buffer parsing.
 *
 * A string pointer array is a block of n + 1 text pointers, the last NULL,
 * each text a separate block owned by the array. An entry may be NULL (a
 * missing value). The Const family is the same for read-only texts.
 *
 * Release counts: negative = every entry up to the first NULL; 0 = no
 * entry (only the array); positive = exactly that many entries.
 */
#ifndef ZESTRARRAY_H
#define ZESTRARRAY_H

#include "ZeTypes.h"

#ifdef __cplusplus
extern "C" {
#endif

/** @{ */
/** A zero-filled array of n + 1 pointers, or NULL when memory is short. */
ZE_API char **ZeAllocStrPtrArray(unsigned int n);
ZE_API const char **ZeAllocConstStrPtrArray(unsigned int n);
/** @} */

/** Entries before the first NULL entry; 0 for a NULL array. */
ZE_API int ZeCountPtrArrayElements(const void *array);

/** @{ */
/** A new array with copies of the first n entries (NULL entries stay NULL),
 * or NULL when memory is short; nothing is left allocated then. */
ZE_API char **ZeDuplicateStrPtrArray(char *const *array, int n);
ZE_API const char **ZeDuplicateConstStrPtrArray(const char *const *array, int n);
/** @} */

/** @{ */
/** Release the texts (by the count rule above) and the array; NULL is ignored. */
ZE_API void ZeFreeStrPtrArray(char **array, int count);
ZE_API void ZeFreeConstStrPtrArray(const char **array, int count);
ZE_API void free_ptr_array(void **array, int count);
/** @} */

/** @{ */
/** Index of the first entry equal to text (case-sensitive / ignoring case), or -1.
 * count < 1: the list ends at its first NULL entry; count >= 1: exactly count
 * entries are compared and none may be NULL. */
ZE_API int ZeStringInList(const char *text, const char *const *list, int count);
ZE_API int ZeStringInListNoCase(const char *text, const char *const *list, int count);
/** @} */

/**
 * Cuts `buffer` in place at every separator character and stores each token,
 * trimmed, in the next slot of `tokens` (two separators in a row give an
 * empty token). With stripQuotes, every double quote in a token becomes a
 * blank before trimming. Returns 1 when the buffer was cut, 0 when buffer or
 * tokens is NULL or the buffer is empty. Writes no terminator: the caller
 * clears `tokens` and sizes it for the most tokens it accepts.
 */
ZE_API int ZeParseBuffer(char *buffer, char **tokens, const char *separators, int stripQuotes);

/**
 * The same for callers that cannot bound the number of tokens: stores at
 * most `capacity` tokens and returns how many tokens the buffer held in all
 * (0 for nothing to cut). Tokens beyond the capacity are cut in the buffer
 * but not stored, so a result above `capacity` tells the caller the text
 * had more tokens than it accepts.
 */
ZE_API int ZeParseBufferBounded(char *buffer, char **tokens, int capacity, const char *separators, int stripQuotes);

#ifdef __cplusplus
}
#endif

#endif /* ZESTRARRAY_H */
