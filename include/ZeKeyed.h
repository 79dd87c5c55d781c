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

ZE_API void ZeInitKeyedEntryProc(ZeKeyedProcEntry *entry, const char *key, ZeHandler procedure);

/** 0 found and enabled; 2 found but disabled; 102 not in the table (output
 * untouched); 4 table or key NULL (NULL stored when pProcedure is given). */
ZE_API unsigned int ZeLookupKeyedEntryProc(const ZeKeyedProcEntry *table, const char *key, ZeHandler *pProcedure);

/** The lookup's code when not 0, else procedure(first, key, third). */
ZE_API unsigned int ZeCallKeyedEntryProc(const ZeKeyedProcEntry *table, const char *key, void *first, va_list *third);

/** The lookup's code when not 0, else procedure(argument); the entry must hold
 * a ZeGenericProc cast to ZeHandler. */
ZE_API unsigned int ZeCallGenericKeyedEntryProc(const ZeKeyedProcEntry *table, const char *key, void *argument);

/** Replaces the first matching entry's procedure (NULL disables it): 0; 102; 4. */
ZE_API unsigned int ZeUpdateKeyedEntryProc(ZeKeyedProcEntry *table, const char *key, ZeHandler procedure);

ZE_API void ZeInitKeyedValue(ZeKeyedValueEntry *entry, const char *key, int value);

/** 0 found (value stored; pValue is required); 101 not in the table; 4 table, key or pValue NULL. */
ZE_API unsigned int ZeLookupKeyedValue(const ZeKeyedValueEntry *table, const char *key, int *pValue);

/** 0 replaced; 101 not in the table; 4 table or key NULL. */
ZE_API unsigned int ZeUpdateKeyedValue(ZeKeyedValueEntry *table, const char *key, int value);

#ifdef __cplusplus
}
#endif

#endif /* ZEKEYED_H */
