/**
 * @file
 * ZeString.h - string tables: national-language texts by numeric identifier.
 *
 * A table holds a language code and a borrowed array of entries (id,
 * language, text) that ends with an entry whose id is 0. A lookup finds the
 * first entry with the identifier and the table's language, compared with
 * case. Entries are never copied: they live in the caller's memory, or in a
 * string library loaded with ZeLoadExternalStringEntries, which the table
 * keeps loaded until it loads another one or is destroyed.
 *
 * Edge cases
 *   - ZeLoadExternalStringEntries checks only Dllname in its parameter
 *     report; an invalid table is still refused with ZE_RC_INVALID_PARAMETER
 *     (after the trace of
 *     ZeIsValidStringTable) rather than used.
 *   - ZeDumpStringTable of an invalid table traces only the line of
 *     ZeIsValidStringTable; a NULL entry text is printed empty.
 *   - ZeInitStringEntry with a NULL entry does nothing.
 */
#ifndef ZESTRING_H
#define ZESTRING_H

#include "ZeTypes.h"

#ifdef __cplusplus
extern "C" {
#endif

/** The language of a table created for the empty language. */
#define ZE_DEFAULT_LANGUAGE "AMENG"

/** One text; an array of entries ends with an entry whose id is 0. The texts
 * are referenced, not copied. */
typedef struct StringEntry {
    int id;               /**< greater than 0 */
    const char *language; /**< "AMENG", "FRENCH", ... */
    const char *text;     /**< the text in that language */
} StringEntry;

/**
 * The entry point of a string library: installs entries into `table`
 * (normally with ZeSetStringTableEntries, the entries living in the
 * library) and returns a code. The two arguments are handed through from
 * ZeLoadExternalStringEntries unchanged.
 */
typedef unsigned int (*ZeCreateStringTableProc)(StringTable *table, void *argument1, void *argument2);

/**
 * The sample string library TarnStrings (ZeLoadExternalStringEntries with
 * the name "TarnStrings") ignores both arguments and installs these texts
 * in "AMENG" and "FRENCH"; its CreateStringTable returns the code of
 * ZeSetStringTableEntries (ZE_OK, or ZE_RC_INVALID_PARAMETER for an invalid
 * table).
 */
enum {
    ZE_STR_NAME = 1,           /**< "Name" / "Nom" */
    ZE_STR_DESCRIPTION = 2,    /**< "Description" */
    ZE_STR_VERSION = 3,        /**< "Version" */
    ZE_STR_LANGUAGE = 4,       /**< "Language" / "Langue" */
    ZE_STR_NODE = 5,           /**< "Node" / "Noeud" */
    ZE_STR_OWNER = 6,          /**< "Owner" / "Propriétaire" */
    ZE_STR_CREATED = 7,        /**< "Created" / "Créé le" */
    ZE_STR_MODIFIED = 8,       /**< "Modified" / "Modifié le" */
    ZE_STR_YES = 20,           /**< "Yes" / "Oui" */
    ZE_STR_NO = 21,            /**< "No" / "Non" */
    ZE_STR_NOT_FOUND = 40,     /**< "Item not found" / "Élément introuvable" */
    ZE_STR_INVALID_VALUE = 41, /**< "Invalid value" / "Valeur non valide" */
    ZE_STR_INVALID_DATE = 42,  /**< "Invalid date" / "Date non valide" */
    ZE_STR_COMPLETED = 43,     /**< "Action completed" / "Action terminée" */
    ZE_STR_ACCESS_DENIED = 44  /**< "Access denied" / "Accès refusé" */
};

/** 1 for a string table; else traces "*** Invalid ZE String Table Object
 * encountered" and returns 0. */
ZE_API int ZeIsValidStringTable(StringTable *table);

/** A new table without entries whose language is a copy of Language
 * ("AMENG" for ""): ZE_OK; ZE_RC_NO_MEMORY; ZE_RC_INVALID_PARAMETER.
 * *pTable is NULL after a failure. */
ZE_API unsigned int ZeCreateStringTable(StringTable **pTable, const char *Language);

/** Releases the table, its language and its string library (the entries
 * are not touched): ZE_OK; ZE_RC_INVALID_PARAMETER. */
ZE_API unsigned int ZeDestroyStringTable(StringTable *table);

/** Makes Entries (borrowed, not looked at) the table's entries: ZE_OK;
 * ZE_RC_INVALID_PARAMETER. */
ZE_API unsigned int ZeSetStringTableEntries(StringTable *table, StringEntry *Entries);

/** Fills one entry; the texts are referenced, not copied. */
ZE_API void ZeInitStringEntry(StringEntry *entry, int id, const char *language, const char *text);

/** The text of Key in the table's language (borrowed) into *pString: ZE_OK;
 * ZE_RC_NO_ENTRY when there is none or a parameter is invalid (Key must be
 * greater than 0). *pString is NULL then; a valid table also traces
 * "*** String not found int table: id: <Key>  Language: <language>". */
ZE_API unsigned int ZeGetString(StringTable *table, int Key, const char **pString);

/** Looks up the keys of Keys (ending with 0) in order into pList, at most
 * Count (9999 when Count is negative): ZE_OK; ZE_RC_NO_ENTRY at the first
 * failing key (its slot is NULL, later slots are not written);
 * ZE_RC_INVALID_PARAMETER for invalid parameters
 * (Count 0 is invalid). Traces a summary line, and for a positive Count
 * that was not reached, the lines saying so. */
ZE_API unsigned int ZeGetStringList(StringTable *table, int *Keys, int Count, const char **pList);

/** Traces the table's language and its entries (texts shown with the
 * table's language); a NULL prefix is empty. */
ZE_API void ZeDumpStringTable(StringTable *table, const char *prefix);

/** Drops the table's entries and string library, loads the library Dllname
 * into the table and calls its CreateStringTable(table, argument1,
 * argument2): that code; ZE_RC_LOAD_FAILED the library cannot be loaded;
 * ZE_RC_PROC_NOT_FOUND it has no CreateStringTable (it stays loaded in the
 * table); ZE_RC_INVALID_PARAMETER Dllname is NULL or empty, or the table is
 * invalid. */
ZE_API unsigned int ZeLoadExternalStringEntries(StringTable *table, void *argument1, void *argument2,
                                                const char *Dllname);

#ifdef __cplusplus
}
#endif

#endif /* ZESTRING_H */
