/**
 * @file
 * ZeTypes.h - types and return codes shared by every family of TarnSrvc:
 * the export macro, the shared codes, the opaque structures that cross the
 * library boundary, handler procedures and keyed table entries.
 *
 * Structures are opaque: applications hold pointers and use the functions
 * of each family. Each carries an eye-catcher that its validity predicate tests.
 */
#ifndef ZETYPES_H
#define ZETYPES_H

#include <stdarg.h>
#include <stddef.h>

#include "TarnUtil.h"

/** Marks the declarations of the public headers: an exported function gets its
 * visibility from its declaration here, so definitions do not repeat it, and
 * cmake/TarnSrvc.map decides which names the library exports. */
#if defined(__GNUC__)
#define ZE_API __attribute__((visibility("default")))
#else
#define ZE_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/** @name Return codes shared by all families
 * Each family header adds its own.
 * @{ */
#define ZE_OK                    0u   /**< success */
#define ZE_RC_DISABLED           2u   /**< key known, procedure disabled (null) */
#define ZE_RC_NO_MEMORY          3u   /**< memory could not be allocated */
#define ZE_RC_INVALID_PARAMETER  4u   /**< a parameter is invalid */
#define ZE_RC_LOAD_FAILED        5u   /**< a library could not be loaded */
#define ZE_RC_PROC_NOT_FOUND     6u   /**< a procedure is missing from a loaded library */
#define ZE_RC_NO_ENTRY           7u   /**< no such entry, or no further entry */
#define ZE_RC_INTERNAL_ERROR     99u  /**< a fault inside the library (traced as "*** <function>: internal error") */
#define ZE_RC_NO_REGISTRY_LINE   100u /**< no line of the object registry names the object */
#define ZE_RC_NOT_IN_VALUE_TABLE 101u /**< the key is not in the keyed value table */
#define ZE_RC_NOT_IN_PROC_TABLE  102u /**< the key is not in the keyed procedure table */
/** @} */

/** @name Opaque structures crossing the boundary, by family
 * @{ */
typedef struct Descriptor Descriptor;   /**< data descriptor, "DESC1.0" */
typedef struct Field Field;             /**< descriptor field, "DFLD1.0" */
typedef struct Item Item;               /**< record of values, "ZE_ITEM" */
typedef struct Collection Collection;   /**< items with a cursor, "DTSCOLLECT" */
typedef struct DtsDelta DtsDelta;       /**< delta cursor and count, "DTSDELTA" */
typedef struct Filter Filter;           /**< criteria, "FLTR1.0" */
typedef struct DtsInfo DtsInfo;         /**< request info, "DTSINFO" */
typedef struct DtsResult DtsResult;     /**< request result, "DTSRESULT" */
typedef struct DtsMessage DtsMessage;   /**< message buffer, "DTSMESSAGE" */
typedef struct DtsAction DtsAction;     /**< action request, "DTSACTION" */
typedef struct DtsBatch DtsBatch;       /**< item actions carried out together, "DTSBATCH" */
typedef struct StringTable StringTable; /**< national-language texts, "STRING_TABLE" */
typedef struct ZeInterface ZeInterface; /**< object interface, "ZEOBJINTER" */
/** @} */

/**
 * Handler procedure of keyed tables and object tables: the object whose
 * table held the key, the key as the caller gave it, and the caller's
 * remaining variable arguments, taken in order with va_arg(*pArgs, T).
 */
typedef unsigned int (*ZeHandler)(void *object, const char *key, va_list *pArgs);

/** One-argument procedure for ZeCallGenericKeyedEntryProc; stored in a
 * table cast to ZeHandler and called through its own type. */
typedef unsigned int (*ZeGenericProc)(void *argument);

/** Releases an object attached as a base object. */
typedef unsigned int (*ZeReleaseProc)(void *object);

/** Entry of a keyed procedure table; a table ends with an entry whose key is
 * NULL. Keys are borrowed: their texts must outlive the table. */
typedef struct ZeKeyedProcEntry {
    const char *key;     /**< the key, compared ignoring case */
    ZeHandler procedure; /**< NULL: known but disabled */
} ZeKeyedProcEntry;

/** Entry of a keyed value table; the same rules as ZeKeyedProcEntry. */
typedef struct ZeKeyedValueEntry {
    const char *key; /**< the key, compared ignoring case */
    int value;       /**< the value the key stands for */
} ZeKeyedValueEntry;

#ifdef __cplusplus
}
#endif

#endif /* ZETYPES_H */
