/**
 * @file
 * ZeDesc.h - data descriptors: an ordered list of fields, each with 30
 * keyword attributes; the descriptor header (field names in field order),
 * the index array (where each field's value sits in delivered data) and the
 * mapping between display values and database values.
 *
 * Ownership: a descriptor owns its fields, its header array (whose entries
 * are the fields' own NAME texts) and its index array; a field owns every
 * text and list it holds. Getters hand out borrowed pointers, valid until
 * the owner changes, unless a function says it makes a copy.
 *
 * Parameter checks trace "*** <function>: parameter <n> (<name>) is invalid"
 * and return ZE_RC_INVALID_PARAMETER; outputs are then left as they were.
 */
#ifndef ZEDESC_H
#define ZEDESC_H

#include "ZeTypes.h"

#ifdef __cplusplus
extern "C" {
#endif

/** @name Codes of this family
 * Besides ZE_OK, ZE_RC_NO_MEMORY, ZE_RC_INVALID_PARAMETER, ZE_RC_NO_ENTRY and
 * ZE_RC_NOT_IN_VALUE_TABLE of ZeTypes.h.
 * @{ */
#define ZE_RC_NOT_ON_LIST     1u   /**< value mapping: the value is on neither list of the field */
#define ZE_RC_DUMP_NOT_OPENED 1u   /**< ZeDumpFieldInfo: no stream could be opened */
#define ZE_RC_NO_HEADER       225u /**< the descriptor has no header (ZeBuildDescriptorHeader) */
#define ZE_RC_NO_INDEX_ARRAY  226u /**< the descriptor has no index array (ZeBuildIndexArray) */
/** @} */

/** @name Field flags
 * One bit per flag keyword; ZeGetAttribute reports each as 1 or 0.
 * @{ */
#define ZE_FIELD_READONLY       0x01u /**< READONLY */
#define ZE_FIELD_UPPERCASE      0x02u /**< UPPERCASE */
#define ZE_FIELD_LOWERCASE      0x04u /**< LOWERCASE */
#define ZE_FIELD_PASSWORD       0x08u /**< PASSWORD */
#define ZE_FIELD_KEY            0x10u /**< KEY */
#define ZE_FIELD_CASE_SENSITIVE 0x20u /**< CASE SENSITIVE */
#define ZE_FIELD_INVISIBLE      0x40u /**< INVISIBLE */
#define ZE_FIELD_PSEUDO         0x80u /**< PSEUDO */
/** @} */

/* ------------------------------------------------- descriptors and fields */

/** A new, empty descriptor in *pDescriptor ("*Descriptor"): ZE_OK;
 * ZE_RC_NO_MEMORY (output left as it was); ZE_RC_INVALID_PARAMETER. */
ZE_API unsigned int ZeCreateDescriptor(Descriptor **pDescriptor);

/** Releases every field (texts and lists), the header, the index array and
 * the descriptor: ZE_OK; ZE_RC_INVALID_PARAMETER. */
ZE_API unsigned int ZeDestroyDescriptor(Descriptor *descriptor);

/** 1 when not NULL and the eye-catcher is "DESC1.0", else 0. */
ZE_API int ZeIsValidDescriptor(Descriptor *descriptor);

/** 1 when not NULL and the eye-catcher is "DFLD1.0", else 0. */
ZE_API int ZeIsValidField(Field *field);

/** Appends a new field without attributes and stores it in *pField
 * ("Descriptor", "*Field"): ZE_OK; ZE_RC_NO_MEMORY; ZE_RC_INVALID_PARAMETER.
 * The header is not rebuilt. */
ZE_API unsigned int ZeNewField(Descriptor *descriptor, Field **pField);

/** Iterator ("Descriptor", "pField"): *pField NULL yields the first field,
 * otherwise the field after *pField. The result is stored; NULL gives
 * ZE_RC_NO_ENTRY. */
ZE_API unsigned int ZeGetField(Descriptor *descriptor, Field **pField);

/** The first field whose NAME equals name, case-sensitive ("Descriptor",
 * "*Field", "Name": not NULL): ZE_OK; ZE_RC_NO_ENTRY (*pField unchanged);
 * ZE_RC_INVALID_PARAMETER. */
ZE_API unsigned int ZeGetFieldByName(Descriptor *descriptor, Field **pField, const char *name);

/** Number of fields; -1 for an invalid descriptor. */
ZE_API int ZeGetFieldCount(Descriptor *descriptor);

/** Writes the text dump of the descriptor to a stream from TarnOpenFile
 * ("Descriptor", "pFile"): ZE_OK; ZE_RC_INVALID_PARAMETER. A NULL text
 * attribute prints as "(nil)". */
ZE_API unsigned int ZeDumpDescriptor(Descriptor *descriptor, FILE *stream);

/** Takes one `const char *` file name from *pArgs, opens it with "w+" and
 * dumps the descriptor there ("Descriptor", "pArgs"): ZE_OK;
 * ZE_RC_DUMP_NOT_OPENED when the name is NULL or empty or the file cannot be
 * opened; ZE_RC_INVALID_PARAMETER. */
ZE_API unsigned int ZeDumpFieldInfo(Descriptor *descriptor, va_list *pArgs);

/* -------------------------------------------------------- field attributes
 *
 * Keywords (case ignored): "NAME", "MAX LENGTH", "MIN LENGTH", "LABEL",
 * "RELOPS", "TYPE", "VALID VALUES", "REAL VALUES", "LOW RANGE",
 * "UPPER RANGE", "DEF VALUE", "ZOOM SECTION", "ZOOM KEY", "READONLY",
 * "UPPERCASE", "LOWERCASE", "PASSWORD", "KEY", "REQUIRED", "CLASS",
 * "CASE SENSITIVE", "TRUE VALUE", "FALSE VALUE", "REAL NAME", "INVISIBLE",
 * "PSEUDO", "COPY TO", "RENAME TO", "MUTUALLY EXCLUSIVE", "MODEL FIELD".
 * An unknown keyword gives ZE_RC_NOT_IN_VALUE_TABLE and consumes nothing.
 *
 * Variable arguments after the keyword, by storage kind (types exact):
 *
 *   kind  keywords                                 set                         get
 *   text  NAME, MAX LENGTH, MIN LENGTH, LABEL,     const char *value           const char **pValue
 *         TYPE, LOW RANGE, UPPER RANGE, DEF VALUE,
 *         ZOOM SECTION, ZOOM KEY, CLASS, TRUE
 *         VALUE, FALSE VALUE, REAL NAME, COPY TO,
 *         RENAME TO
 *   list  RELOPS, VALID VALUES, REAL VALUES,       const char **values,        const char ***pValues,
 *         REQUIRED, MUTUALLY EXCLUSIVE             int count                   int *pCount
 *   flag  READONLY, UPPERCASE, LOWERCASE,          int on                      int *pOn
 *         PASSWORD, KEY, CASE SENSITIVE,
 *         INVISIBLE, PSEUDO
 *   none  MODEL FIELD                              const char * (ignored)      void * (ignored)
 *
 * Set: a text is copied (the old text released; setting the very text the
 * field holds keeps it); a NULL text or array gives ZE_RC_INVALID_PARAMETER
 * and changes nothing. When memory is short for a text copy the old text is
 * released all the same, the attribute is absent and the code is
 * ZE_RC_NO_MEMORY. A list takes copies of its first `count` entries
 * (count < 0: every entry before the first NULL); when memory is short for a
 * list copy the code is ZE_RC_NO_MEMORY and the field keeps the list it had,
 * so a field never loses its VALID VALUES unnoticed. A flag is set by any
 * nonzero value; setting UPPERCASE clears LOWERCASE and the reverse.
 *
 * Get: texts and lists are the field's own (borrowed, possibly NULL); a list
 * comes with its number of entries (NULL and 0 when absent); a flag is 1 or
 * 0. A NULL output pointer gives ZE_RC_INVALID_PARAMETER (for a list, either
 * pointer).
 *
 * ZeSetFieldAttribute and the get/query forms trace
 * "*** <function>: Attribute <%s> is unknown" for an unknown keyword and
 * "*** <function>: NULL value for attribute <%s>" for a NULL value or output.
 * Renaming a field (NAME) whose descriptor has a header keeps the header
 * pointing at the field's current name.
 */

/** Sets the attribute `Attrib` of a field from the set arguments above:
 * ZE_OK; ZE_RC_NO_MEMORY; ZE_RC_NOT_IN_VALUE_TABLE; ZE_RC_INVALID_PARAMETER. */
ZE_API unsigned int ZeSetFieldAttribute(Field *field, const char *Attrib, ...);

/** Gets the attribute `Attrib` of a field into the get arguments above, taken
 * from *pArgs: ZE_OK; ZE_RC_NOT_IN_VALUE_TABLE; ZE_RC_INVALID_PARAMETER. */
ZE_API unsigned int ZeGetFieldAttribute(Field *field, const char *Attrib, va_list *pArgs);

/** ZeGetFieldAttribute with the get arguments given directly. */
ZE_API unsigned int ZeGetAttribute(Field *field, const char *Attrib, ...);

/** Takes the field name (const char *), the keyword (const char *) and then
 * the get arguments from *pArgs. Checks "Descriptor", "Name", "Attrib":
 * ZE_OK; ZE_RC_NO_ENTRY when no field has the name (case-sensitive);
 * ZE_RC_NOT_IN_VALUE_TABLE; ZE_RC_INVALID_PARAMETER. */
ZE_API unsigned int ZeQueryFieldAttribute(Descriptor *descriptor, va_list *pArgs);

/** ZeQueryFieldAttribute with the arguments given directly:
 * ZeQueryAttribute(d, "STATUS", "TYPE", &type). */
ZE_API unsigned int ZeQueryAttribute(Descriptor *descriptor, ...);

/**
 * Appends a field named Name, then sets the keyword/value pairs that follow,
 * up to a NULL keyword (pass `(char *)0`):
 *     ZeCreateField(d, "STATUS", "TYPE", "BOOL", "LABEL", "Status", (char *)0);
 * Defaults for what is not given: TYPE "TEXT"; RELOPS "EQ","NE" for TEXT and
 * BOOL, else "EQ","NE","LT","LE","GT","GE"; for BOOL TRUE VALUE "Y" and
 * FALSE VALUE "N"; for DATE MAX LENGTH "11".
 * Returns ZE_OK; the code of ZeNewField; the first failing set's code (the
 * field stays in the descriptor with what was set before it, no defaults);
 * ZE_RC_NOT_IN_VALUE_TABLE for an unknown keyword; ZE_RC_INVALID_PARAMETER.
 */
ZE_API unsigned int ZeCreateField(Descriptor *descriptor, const char *Name, ...);

/** NAME; REAL NAME (Name when RealName is NULL or empty); MAX LENGTH; LABEL;
 * DEF VALUE (empty when Default is NULL). First failing set's code, else
 * ZE_OK; ZE_RC_INVALID_PARAMETER. */
ZE_API unsigned int ZeSetPrimaryFieldAttributes(Field *field, const char *Name, const char *RealName,
                                                const char *Maxlen, const char *Label, const char *Default);

/** @{ */
/** Type defaults: TYPE (TEXT, INT, ASTORNUM, DATE, TIME, TIME_T by the
 * function's name), then RELOPS ("EQ","NE" for text, all six for the
 * others). First failing set's code, else ZE_OK; ZE_RC_INVALID_PARAMETER. */
ZE_API unsigned int ZeSetDefaultTextFieldAttributes(Field *field);
ZE_API unsigned int ZeSetDefaultIntFieldAttributes(Field *field);
ZE_API unsigned int ZeSetDefaultAstOrNumFieldAttributes(Field *field);
ZE_API unsigned int ZeSetDefaultDateFieldAttributes(Field *field);
ZE_API unsigned int ZeSetDefaultTimeFieldAttributes(Field *field);
ZE_API unsigned int ZeSetDefaultTimeTFieldAttributes(Field *field);
/** @} */

/** TYPE "BOOL", RELOPS "EQ","NE", DEF VALUE "TRUE" (Default 1) or "FALSE"
 * (Default 0), TRUE VALUE, FALSE VALUE. Default must be 0 or 1. */
ZE_API unsigned int ZeSetDefaultBoolFieldAttributes(Field *field, const char *TrueValue, const char *FalseValue,
                                                    int Default);

/** ZOOM SECTION, then ZOOM KEY. */
ZE_API unsigned int ZeSetZoomAttributes(Field *field, const char *Section, const char *Key);

/* ------------------------------------------ header, data order and values
 *
 * The header lists the field names in field order (it also fixes the order
 * of values in an item); the index array gives, per header position, the
 * position of that field's value in the delivered data, or -1.
 *
 * Functions that need a header return ZE_RC_NO_HEADER without one and those
 * that need an index array return ZE_RC_NO_INDEX_ARRAY without one, each
 * with the trace line
 * "*** <function> : Descriptor doesn't have a header" / "... an index array"
 * (ZeBuildIndexArray keeps its own "**** " line). A field added after the
 * header was built is not in the header until it is rebuilt; a header
 * position beyond the index array counts as a field without data (-1).
 */

/** (Re)builds the header from the field list: ZE_OK; ZE_RC_NO_MEMORY (no
 * header then); ZE_RC_INVALID_PARAMETER. */
ZE_API unsigned int ZeBuildDescriptorHeader(Descriptor *descriptor);

/** Reorders the fields: takes `char **order` and `int items` (-1: up to the
 * first NULL) from *pArgs; each name, ignoring case, moves the first
 * not yet placed field of that name to the end of the new order; fields not
 * named follow in their old order. Rebuilds the header (not the index
 * array). Checks "Descriptor", "order", "items" (-1 or more). */
ZE_API unsigned int ZeRebuildDescriptorHeader(Descriptor *descriptor, va_list *pArgs);

/** Stores the header (borrowed, NULL-terminated) in *pHeader when pHeader is
 * given: ZE_OK; ZE_RC_NO_HEADER; ZE_RC_INVALID_PARAMETER. */
ZE_API unsigned int ZeDescriptorHeader(Descriptor *descriptor, char ***pHeader);

/** Takes `char ***pFieldList` and `int *pFieldCount` from *pArgs; stores the
 * field count and the header: the code of ZeDescriptorHeader;
 * ZE_RC_INVALID_PARAMETER. */
ZE_API unsigned int ZeQueryDescriptorHeader(Descriptor *descriptor, va_list *pArgs);

/** Builds the index array from the column names of the data (count < 0: up
 * to the first NULL). A field is matched, ignoring case, by its REAL NAME
 * when it has one, else by its NAME; PSEUDO fields get -1; a missing field
 * gets -1 and a trace unless it is INVISIBLE. ZE_OK; ZE_RC_NO_HEADER;
 * ZE_RC_NO_MEMORY (no index array then); ZE_RC_INVALID_PARAMETER. */
ZE_API unsigned int ZeBuildIndexArray(Descriptor *descriptor, char **DataOrder, int count);

/** InOrder[i] = Data[index of field i], or NULL; pointers only. InOrder must
 * have room for ZeGetFieldCount entries: ZE_OK; ZE_RC_NO_INDEX_ARRAY;
 * ZE_RC_INVALID_PARAMETER. */
ZE_API unsigned int ZeOrderData(Descriptor *descriptor, char **Data, char **InOrder);

/** Header position of the first name equal to Name ignoring case: ZE_OK;
 * ZE_RC_NO_ENTRY (*idx unchanged); ZE_RC_NO_HEADER; ZE_RC_INVALID_PARAMETER. */
ZE_API unsigned int ZeGetFieldOrder(Descriptor *descriptor, const char *Name, int *idx);

/** Data position of the field named Name (ignoring case): ZE_OK;
 * ZE_RC_NO_ENTRY when the name is not in the header (*idx unchanged) or the
 * field has no value in the data (*idx = -1); ZE_RC_NO_HEADER;
 * ZE_RC_NO_INDEX_ARRAY (*idx = -1); ZE_RC_INVALID_PARAMETER. */
ZE_API unsigned int ZeGetFieldIndex(Descriptor *descriptor, const char *Name, int *idx);

/** Defaults[i] = DEF VALUE of the field at header position i (borrowed, NULL
 * when none). Defaults must have ZeGetFieldCount slots: ZE_OK;
 * ZE_RC_NO_HEADER; ZE_RC_INVALID_PARAMETER. */
ZE_API unsigned int ZeDefaultValues(Descriptor *descriptor, char **Defaults);

/** Display value to database value for the field named Name (case-sensitive).
 * TYPE "BOOL" (exact case): TRUE VALUE for "TRUE" (any case), else FALSE
 * VALUE. No REAL VALUES: NULL (use the value unchanged). Otherwise the REAL
 * VALUES entry at the position of the first VALID VALUES entry equal to
 * Value ignoring case; the two lists are walked together, so an entry
 * without a partner is not on the list. An empty Value not on the list
 * gives NULL and ZE_OK. Result borrowed. ZE_OK; ZE_RC_NOT_ON_LIST (output
 * unchanged); ZE_RC_NO_ENTRY (no such field); ZE_RC_INVALID_PARAMETER. */
ZE_API unsigned int ZeGetRealValue(Descriptor *descriptor, const char *Name, const char *Value, char **pRealValue);

/** Database value to display value, the reverse walk. BOOL: "TRUE" when
 * RealValue equals TRUE VALUE ignoring case (or "Y" when the field has no
 * TRUE VALUE), else "FALSE"; these texts are static and must not be
 * changed. ZE_OK; ZE_RC_NOT_ON_LIST (output unchanged); ZE_RC_NO_ENTRY (no
 * such field); ZE_RC_INVALID_PARAMETER. */
ZE_API unsigned int ZeGetValue(Descriptor *descriptor, const char *Name, const char *RealValue, char **pValue);

/**
 * One row of data (RealVals, in data order) to a new display record in
 * header order, stored in *pFieldVals: each entry a copy of the display
 * value, or of the database value when the field has no mapping, or "" for
 * a field without data. The caller releases it with
 * ZeFreeStrPtrArray(values, ZeGetFieldCount(d)).
 * A value that cannot be mapped leaves its entry NULL, the walk goes on and
 * the first such code (ZE_RC_NOT_ON_LIST or ZE_RC_NO_ENTRY) is returned with
 * the array. A NULL data value gives a NULL entry. Memory short:
 * ZE_RC_NO_MEMORY with *pFieldVals NULL (nothing kept). Without a header
 * ZE_RC_NO_HEADER, without an index array ZE_RC_NO_INDEX_ARRAY (*pFieldVals
 * NULL); ZE_RC_INVALID_PARAMETER.
 */
ZE_API unsigned int ZeLoadDescriptorItem(Descriptor *descriptor, char ***pFieldVals, char **RealVals);

/** 1 when every KEY field has equal values (case-sensitive; both NULL match)
 * in the two display records (field order), else 0. No key fields: 1.
 * An invalid descriptor or a NULL record gives 0. */
ZE_API int ZeDescriptorKeysMatch(Descriptor *descriptor, char **values1, char **values2);

/** Field-initialisation procedure: sets the attributes of a new field. */
typedef unsigned int (*ZeFieldInitProc)(void *object, Field *field);

/** Calls each procedure of the NULL-terminated FieldInitFuncs (at most Count;
 * -1: all) with Object and a new field, then builds the header. Checks
 * "Object", "Descriptor", "FieldInitFuncs", "Count" (-1 or more). A failing
 * procedure's code is returned at once (its field stays, no header). */
ZE_API unsigned int ZeBuildFieldList(void *Object, Descriptor *descriptor, ZeFieldInitProc *FieldInitFuncs, int Count);

#ifdef __cplusplus
}
#endif

#endif /* ZEDESC_H */
