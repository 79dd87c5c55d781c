/**
 * @file
 * ZeRdw.h - RDW record files: a header record naming the columns, then one
 * data record per row. Every record, all words 16-bit little-endian:
 *
 *     R | L1 item1 | L2 item2 | ... | R
 *
 * R = 2 + the sum of (2 + Li); the trailer repeats R. An item holds its
 * text without a terminator; an empty or NULL value is written as L = 1
 * and one zero byte and reads back as "". Example: "AB", NULL, "C" gives
 * 0C 00 | 02 00 41 42 | 01 00 00 | 01 00 43 | 0C 00.
 *
 * A complete write: ZeOpenOutputRdwFile, ZeWriteRdwData once per row with
 * the same count, TarnCloseFile. A complete read: ZeOpenInputRdwFile, then
 * ZeReadRdwData with the column count until it returns ZE_RC_NO_ENTRY,
 * ZeFreeRdwData, ZeFreeStrPtrArray(names, count), TarnCloseFile.
 *
 * Limits: an item holds at most 32767 bytes and a record at most 65535;
 * the writers refuse longer ones (ZE_RC_RDW_FILE, nothing written) and the
 * readers refuse lengths that do not fit the record that holds them. Column names
 * follow the same limits as values.
 *
 * The plain functions convert between the library's text and the file's
 * 8-bit text (TarnConvertStr); the Ansi writers take 8-bit text and write
 * it unchanged.
 *
 * Codes: ZE_OK; ZE_RC_RDW_FILE file error (cannot open, empty or malformed
 * file, short read, write failure, record too long); ZE_RC_NO_MEMORY;
 * ZE_RC_INVALID_PARAMETER; ZE_RC_NO_ENTRY end of file before a record.
 */
#ifndef ZERDW_H
#define ZERDW_H

#include <stdio.h>

#include "ZeTypes.h"

#ifdef __cplusplus
extern "C" {
#endif

/** File error: cannot open, empty or malformed file, short read, write
 * failure, record too long. */
#define ZE_RC_RDW_FILE    1u
#define ZE_RDW_MAX_ITEM   32767u /**< bytes of one item */
#define ZE_RDW_MAX_RECORD 65535u /**< bytes of one record without its trailer */

/**
 * Opens Filename for reading and reads its header ("Filename", "pColumns",
 * "pCount", "pFile": not NULL; nothing is written when a check fails).
 * On ZE_OK: the column names as a string pointer array closed by NULL (free
 * with ZeFreeStrPtrArray(names, count)), their count and the open stream.
 * On failure the stream is closed and NULL stored, with NULL names and
 * count 0 (count kept when only the names array could not be allocated).
 *   ZE_RC_RDW_FILE "*** Rdw File %s has length 0."
 *   ZE_RC_RDW_FILE "*** Unable to open input Rdw File %s."
 *   ZE_RC_RDW_FILE "*** Invalid RDW header record in file %s." (truncated or malformed)
 *   ZE_RC_NO_MEMORY; ZE_RC_INVALID_PARAMETER.
 */
ZE_API unsigned int ZeOpenInputRdwFile(const char *Filename, char ***pColumns, int *pCount, FILE **pFile);

/**
 * Reads one record of exactly Count items into Values[0..Count-1]. The
 * values array is reused from record to record: each slot receives the new
 * value in its own block, reusing the slot's previous block when that held
 * a text at least as long, otherwise freeing it for a new one (slots start
 * NULL; free them at the end with ZeFreeRdwData). Not traced as a parameter
 * check: a NULL File, a negative Count or NULL Values give
 * ZE_RC_INVALID_PARAMETER.
 *   ZE_OK the record was read. A slot whose block could not be allocated is
 *     left NULL, with "*** Unable to allocate RDW data buffer of length %d"
 *     or "*** Unable to allocate temp RDW data buffer of length %d" (the
 *     item is passed over, so the following items are read correctly). A
 *     record whose trailer is missing or differs from its length, or that
 *     holds more than Count items, traces "*** Invalid RDW trailer length";
 *     the next read starts at the next record.
 *   ZE_RC_RDW_FILE "*** Invalid RDW record length" (a lone byte, or a length below 2);
 *     "*** Invalid RDW data item length" (missing, negative, or longer than
 *     the rest of the record: fewer than Count items); "*** Not all of RDW
 *     data item read" (the file ends inside an item, whose slot is left NULL).
 *   ZE_RC_NO_ENTRY end of file before the record (no trace).
 */
ZE_API unsigned int ZeReadRdwData(FILE *File, char **Values, int Count);

/** Frees the blocks of the Count slots, setting each NULL: ZE_OK (NULL Values
 * or a Count below 1 do nothing). */
ZE_API unsigned int ZeFreeRdwData(char **Values, int Count);

/** @{ */
/**
 * Creates (truncates) Filename and writes the header record from the first
 * Count names ("Filename", "Columns": not NULL; "Count": above 0; "pFile":
 * not NULL; nothing is created when a check fails; the Ansi form takes 8-bit
 * names and reports under its own name). On failure the stream is closed and
 * NULL stored.
 *   ZE_RC_RDW_FILE "*** Unable to open output Rdw File %s.", or a code of
 *   the writers below.
 *   ZE_RC_NO_MEMORY as ZeWriteRdwData (plain form only); ZE_RC_INVALID_PARAMETER.
 */
ZE_API unsigned int ZeOpenOutputRdwFile(const char *Filename, char **Columns, int Count, FILE **pFile);
ZE_API unsigned int ZeOpenOutputRdwFileAnsi(const char *Filename, char **Columns, int Count, FILE **pFile);
/** @} */

/** @{ */
/**
 * Writes one record of the first Count values (NULL values written as
 * empty; the Ansi form takes 8-bit values), handing the stream the whole
 * record at once. Not traced as a parameter check: a NULL File, a negative
 * Count, or NULL Values with Count above 0 give ZE_RC_INVALID_PARAMETER.
 *   ZE_OK;
 *   ZE_RC_RDW_FILE "*** RDW write error: record length" / "item length" / "item" /
 *     "record length trailer", naming the part at which the stream stopped
 *     taking bytes; or "*** RDW record too long: item of %zu bytes" /
 *     "record of %zu bytes" (nothing written);
 *   ZE_RC_NO_MEMORY "*** Unable to allocate temp RDW data buffer of length %d"
 *     (plain form only: a value of 4096 bytes or more is converted in a
 *     block of its own; nothing written).
 */
ZE_API unsigned int ZeWriteRdwData(FILE *File, char **Values, int Count);
ZE_API unsigned int ZeWriteRdwDataAnsi(FILE *File, char **Values, int Count);
/** @} */

#ifdef __cplusplus
}
#endif

#endif /* ZERDW_H */
