/*
 * objs.h - what the kinds of the sample object library TarnObjs share, and
 * the init procedures it exports (named in tarnobjs.dat).
 *
 * Every kind is a generic object (a group object in front of one for
 * WORKSTATION) whose string table holds the sample string library
 * TarnStrings: labels that the library has come in the object's language.
 */
#ifndef TARNOBJS_OBJS_H
#define TARNOBJS_OBJS_H

#include "tarnsrvc.h"

#include <stddef.h>

/* Init procedures (ZeObjectInitProc): front object and creation filter in,
 * 0 or the first failing code out. */
ZE_API unsigned int InitPrinter(void *front, Filter *filter);       /* PRINTER, English values */
ZE_API unsigned int InitPrinterFrench(void *front, Filter *filter); /* PRINTER, French values */
ZE_API unsigned int InitQueue(void *front, Filter *filter);         /* QUEUE */
ZE_API unsigned int InitWorkstation(void *front, Filter *filter);   /* WORKSTATION with groups */
ZE_API unsigned int InitLocalMap(void *front, Filter *filter);      /* LOCALMAP on node LOCAL */

/* Loads TarnStrings into the string table of the object's chain: the code
 * of ZeLoadExternalStringEntries. */
unsigned int objs_load_strings(void *object);

/* The text `id` of the chain's string table, or `fallback` when the table
 * has none in its language. */
const char *objs_label(void *object, int id, const char *fallback);

/* The local user name: the effective user's name from the password
 * database, else $USER, else empty; cut to fit `size` (at least 1). */
void objs_local_user(char *buffer, size_t size);

#endif /* TARNOBJS_OBJS_H */
