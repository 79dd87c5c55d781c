/*
 * common.c - the string library and the local user name, shared by the
 * kinds of TarnObjs.
 */
#include "objs.h"

#include <pwd.h>
#include <stdlib.h>
#include <unistd.h>

unsigned int objs_load_strings(void *object)
{
    return ZeLoadExternalStringEntries(ZeGenericObjStringTable(object), NULL, NULL, "TarnStrings");
}

const char *objs_label(void *object, int id, const char *fallback)
{
    const char *text = NULL;
    return ZeGetString(ZeGenericObjStringTable(object), id, &text) == ZE_OK ? text : fallback;
}

void objs_local_user(char *buffer, size_t size)
{
    struct passwd entry, *found = NULL;
    char lines[2048];
    const char *name = NULL;
    if (getpwuid_r(geteuid(), &entry, lines, sizeof lines, &found) == 0 && found && found->pw_name)
        name = found->pw_name;
    if (!name) name = getenv("USER");
    TarnCopyNCharOfStr(buffer, name ? name : "", size);
}
