/**
 * @file
 * ZeKeyed.h - keyed tables: arrays of (key, procedure) or (key, 32-bit value)
 * entries closed by an entry whose key is NULL. Keys compare ignoring case;
 * the first match wins. A NULL procedure marks a known but disabled key.
 * No function traces: the codes are the only report.
 */
#ifndef ZEKEYED_H
#define ZEKEYED_H

#include "ZeTypes.h"

#ifdef __cplusplus
extern "C" {
#endif

/** Fills one entry of a procedure table (the key is borrowed, not copied). */
ZE_API void ZeInitKeyedEntryProc(ZeKeyedProcEntry *entry, const char *key, ZeHandler procedure);

/** Looks a key up in a procedure table: ZE_OK found and enabled (the
 * procedure stored when pProcedure is given); ZE_RC_DISABLED found but
 * disabled; ZE_RC_NOT_IN_PROC_TABLE not in the table (output untouched);
 * ZE_RC_INVALID_PARAMETER table or key NULL (NULL stored when pProcedure is
 * given). */
ZE_API unsigned int ZeLookupKeyedEntryProc(const ZeKeyedProcEntry *table, const char *key, ZeHandler *pProcedure);

/** The lookup's code when not 0, else procedure(first, key, third). */
ZE_API unsigned int ZeCallKeyedEntryProc(const ZeKeyedProcEntry *table, const char *key, void *first, va_list *third);

/** The lookup's code when not 0, else procedure(argument); the entry must hold
 * a ZeGenericProc cast to ZeHandler. */
ZE_API unsigned int ZeCallGenericKeyedEntryProc(const ZeKeyedProcEntry *table, const char *key, void *argument);

/** Replaces the first matching entry's procedure (NULL disables it): ZE_OK;
 * ZE_RC_NOT_IN_PROC_TABLE; ZE_RC_INVALID_PARAMETER. */
ZE_API unsigned int ZeUpdateKeyedEntryProc(ZeKeyedProcEntry *table, const char *key, ZeHandler procedure);

/** Fills one entry of a value table (the key is borrowed, not copied). */
ZE_API void ZeInitKeyedValue(ZeKeyedValueEntry *entry, const char *key, int value);

/** Looks a key up in a value table: ZE_OK found (value stored; pValue is
 * required); ZE_RC_NOT_IN_VALUE_TABLE not in the table;
 * ZE_RC_INVALID_PARAMETER table, key or pValue NULL. */
ZE_API unsigned int ZeLookupKeyedValue(const ZeKeyedValueEntry *table, const char *key, int *pValue);

/** Replaces the first matching entry's value: ZE_OK; ZE_RC_NOT_IN_VALUE_TABLE;
 * ZE_RC_INVALID_PARAMETER table or key NULL. */
ZE_API unsigned int ZeUpdateKeyedValue(ZeKeyedValueEntry *table, const char *key, int value);

#ifdef __cplusplus
}
#endif

#endif /* ZEKEYED_H */
