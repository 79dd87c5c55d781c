/**
 * @file
 * ZeSmc.h - SMC records: flat request records of fixed layout ("SMCDAT" in
 * trace output) that carry a command for a named object, up to 300 criteria,
 * cursor and delta information and the fields of a print request.
 *
 * A record is a block of 91,256 bytes whose layout is an exchange format:
 * it can be copied whole and written to or read from files as bytes. Text
 * fields are zero-terminated single-byte strings at fixed offsets; a field's
 * "room" is the space up to the next field, terminator included. The
 * handle points at byte 0 of the record, so the bytes may be read directly.
 *
 * Field numbers, their offsets and room, and the arguments they take:
 *
 *   no. offset room  content           set takes            get (Ansi) takes
 *    1    899   40   object name       text                 char ** (record's own text)
 *    2     53    9   text              text                 char **
 *    3     62    6   text              text                 char **
 *    4    281  148   destination node  text                 char **
 *    5    216   65   text              text                 char **
 *    6     68    9   text              text                 char **
 *    7    429   97   text              text                 char **
 *    8    830   49   command           text                 char **
 *    9   1089  249   text              text                 char **
 *   10     77   65   text              text                 char **
 *   11    546   10   cursor id         text                 char **
 *   12    565    1   delta flag        int: nonzero Y, 0 N  int *: 1 for Y, else 0
 *   13    556    9   delta rec count   int ("%i"; 0 -> -1)  int *
 *   14     33   20   format code       int 1..7             int *
 *   15     32    1   code byte B       int 1..3             int *
 *   17   1338   10   criteria count    int ("%d")           int *
 *   18   2248+20i 20 column of i       int i, text          int i, char **
 *   19   8248+3i   3 operator of i     int i, text          int i, char **
 *   20   9148+260i 260 value of i      int i, text          int i, char **
 *   21-23 1348+i   1 flag bits 0x20,   int i, int: nonzero  int i, int *: 1 when
 *                    0x40, 0x80 of i   sets, 0 clears       the bit is set
 *   24    939    9   report name       text                 char **
 *   25    948  140   report options    text                 char **
 *   26    879   20   text              text                 char **
 *   27    526   20   number            int ("%d")           int *
 *   28    572  258   text              text                 char **
 *   29    142   74   node              text                 char **
 *   30   1088    1   one character     int (a character)    char *
 *   31    568    4   unsigned 32 bits  unsigned int         unsigned int *
 *   32      8   24   record length     int ("%d")           int *
 *   33      -    -   record size       nothing stored       int *: 91256
 *   34   1338    -   data area         nothing stored       char **: its address
 *   35      -    -   criterion i       int i, column,       int i, char **column,
 *                                      operator, value      char **op, char **value
 *   0, 16, 36 and above: nothing is read or written; result 0.
 *
 * "text" is const char * for ZeSetSmcFieldAnsi and const wchar_t * for
 * ZeSetSmcField; a NULL text stores an empty string. Wide text becomes
 * single bytes by keeping code points 0 to 255 and turning any other into '?'.
 * Numbers are passed as int, out-pointers exactly as typed above (a NULL
 * pointer as a typed null, never a bare 0).
 *
 * Format code (14): 1..7 are stored as the byte 0x80, 0x40, 0x20, 0x10, 0x01,
 * 0x02, 0x04; anything else stores 0. Code byte B (15): 1..3 as 0x80, 0x40,
 * 0x20, anything else 0. Reading maps the byte back; an unknown byte reads 0.
 *
 * Field 35 stores the column; only when that result is nonzero (the column
 * is not empty) are operator and value stored too, and its result is then
 * that of the value. Reading 35 works the same way: with an empty column the
 * operator and value outs are left as they were.
 *
 * Results: string fields give the length of the text stored (or read);
 * field 35 the result for the value; other handled fields 1 (also setting
 * 33 and 34, which stores nothing); fields that are not handled 0.
 *
 * Bounds and conversions:
 * - Setters never write past a field: a text longer than room - 1 characters
 *   is cut to room - 1 (the result is the length actually stored, so callers
 *   can tell) and a "+++" line is traced. A number whose decimal text does
 *   not fit the field's room (fields 13 and 17 hold 8 and 9 digits) writes
 *   nothing and gives 0.
 * - Criterion indexes outside 0 to 299 write and read nothing, give 0 and
 *   trace a "+++" line.
 * - Text getters count a field's length up to its room: a field filled
 *   from a file may run on into the next one, and the wide getter never
 *   writes more than the field's room (terminator included) into its buffer.
 * - A NULL record is accepted everywhere and gives 0 or NULL.
 */
#ifndef ZESMC_H
#define ZESMC_H

#include <wchar.h>

#include "ZeTypes.h"

#ifdef __cplusplus
extern "C" {
#endif

/** An SMC record: its handle points at byte 0 of the record. */
typedef struct SmcObject SmcObject;

#define ZE_SMC_RECORD_SIZE  91256u /**< bytes of a record (field 33) */
#define ZE_SMC_DATA_OFFSET  1338u  /**< start of the data area (field 34) */
#define ZE_SMC_MAX_CRITERIA 300    /**< criteria indexes 0 to 299 */

/** Field numbers of the table above. Fields the format names only as a
 * string, number or character are named by their byte offset. */
typedef enum ZeSmcField {
    ZE_SMC_OBJECT_NAME = 1,
    ZE_SMC_STRING_AT_53 = 2,
    ZE_SMC_STRING_AT_62 = 3,
    ZE_SMC_DEST_NODE = 4,
    ZE_SMC_STRING_AT_216 = 5,
    ZE_SMC_STRING_AT_68 = 6,
    ZE_SMC_STRING_AT_429 = 7,
    ZE_SMC_COMMAND = 8,
    ZE_SMC_STRING_AT_1089 = 9,
    ZE_SMC_STRING_AT_77 = 10,
    ZE_SMC_CURSOR_ID = 11,
    ZE_SMC_DELTA_FLAG = 12,
    ZE_SMC_DELTA_REC_COUNT = 13,
    ZE_SMC_FORMAT_CODE = 14,
    ZE_SMC_CODE_BYTE = 15,
    ZE_SMC_CRITERIA_COUNT = 17,
    ZE_SMC_CRITERION_COLUMN = 18,
    ZE_SMC_CRITERION_RELOP = 19,
    ZE_SMC_CRITERION_VALUE = 20,
    ZE_SMC_CRITERION_BIT_20 = 21, /**< flag bit 0x20 of criterion i */
    ZE_SMC_CRITERION_BIT_40 = 22, /**< flag bit 0x40 */
    ZE_SMC_CRITERION_BIT_80 = 23, /**< flag bit 0x80 */
    ZE_SMC_REPORT_NAME = 24,
    ZE_SMC_REPORT_OPTIONS = 25,
    ZE_SMC_STRING_AT_879 = 26,
    ZE_SMC_NUMBER_AT_526 = 27,
    ZE_SMC_STRING_AT_572 = 28,
    ZE_SMC_NODE = 29,
    ZE_SMC_CHAR_AT_1088 = 30,
    ZE_SMC_UNSIGNED_AT_568 = 31,
    ZE_SMC_RECORD_LENGTH = 32,
    ZE_SMC_SIZE = 33,
    ZE_SMC_DATA_AREA = 34,
    ZE_SMC_CRITERION = 35
} ZeSmcField;

/** Format code (field 14) of a record loaded by ZeCopyFileToSmcObject, the
 * one format code the library itself stores. */
#define ZE_SMC_FORMAT_FILE 5

/** A new zero-filled record whose record length (field 32) reads "91256";
 * NULL when memory is short. */
ZE_API SmcObject *ZeNewSmcObject(void);

/** A new record holding a byte copy of the first 91,256 bytes of src; NULL
 * when src is NULL or memory is short. The copy of a record loaded from a
 * file larger than two bytes keeps the source's record length field as it
 * stands although the data beyond byte 91,256 is not copied. */
ZE_API SmcObject *ZeCopySmcObject(const SmcObject *src);

/** Releases a record; NULL is ignored. */
ZE_API void ZeFreeSmcObject(SmcObject *obj);

/**
 * A new record of (file size + 91,254) bytes holding the whole file in its
 * data area (offset 1338) after the first 91,254 bytes of src (when src is
 * given; else zeros), its record length set to that size and its format
 * code to 5. NULL when the file is missing, a directory or unreadable, when
 * fewer bytes than its size could be read, or when memory is short. A record
 * of a file shorter than two bytes still occupies 91,256 bytes (zeros beyond
 * the record length), so that it can be copied with ZeCopySmcObject.
 */
ZE_API SmcObject *ZeCopyFileToSmcObject(const SmcObject *src, const char *fileName);

/** @{ */
/** Store a field from the further arguments (see the table above): wide text
 * (ZeSetSmcField) or single-byte text (ZeSetSmcFieldAnsi). */
ZE_API int ZeSetSmcField(SmcObject *obj, int field, ...);
ZE_API int ZeSetSmcFieldAnsi(SmcObject *obj, int field, ...);
/** @} */

/** Reads a field into the out-pointers that follow (see the table above). */
ZE_API int ZeGetSmcFieldAnsi(SmcObject *obj, int field, ...);

/**
 * The wide reader, for the fields read through a single out-pointer (all
 * but 18 to 23 and 35, which give 0). `out` has the type of the table above,
 * except that a text field is converted into the wchar_t buffer `out`, which
 * needs room for the field's room in characters; with `out` NULL only the
 * length is computed.
 */
ZE_API int ZeGetSmcField(SmcObject *obj, int field, void *out);

/** 1 when the record's format code (field 14, as a number) equals format. */
ZE_API int ZeSmcFormatIs(const SmcObject *obj, int format);

/**
 * Traces the record's request (`<n>` stands for field n):
 *   "<prefix> SMCDAT <handle> - command: <8>  object: <1>  count: <17>"
 *   "Delta: <12>  CursorId: <11>  DeltaRecCnt: <13>"   (a zero flag byte shows as '0')
 * and, when the count is at least 1, a header line and one line per
 * criterion, an empty operator or value showing as "NULL". A count above
 * 300 lists the 300 criteria the record holds.
 */
ZE_API void ZeDumpSmcCsl(const SmcObject *obj, const char *prefix);

/**
 * Traces the record's print request (`<n>` stands for field n):
 *   "Print request <8> - reportname <24>  reportoptions <25>"
 *   "  node <29>  destnode <4>"
 * where any empty field shows as "<NULLSTRING>".
 */
ZE_API void ZeDumpSmcPrintRequest(const SmcObject *obj);

#ifdef __cplusplus
}
#endif

#endif /* ZESMC_H */
