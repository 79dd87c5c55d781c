/*
 * localmap.c - LOCALMAP, this machine's map of the nodes it talks to, kept
 * on the node LOCAL. Logon reads a node's route node and platform from it.
 *
 * Fields, in order: NODE (key), ROUTENODE, APPNAME, APPTITLE, PLATFORM,
 * VERSION, LANGUAGE; the columns bear the same names.
 *
 * The object needs no setting before use: unless the creation filter gives
 * them (EQ, not empty), its requests go to the node LOCAL (DESTNODE) on
 * behalf of the local user (USERNAME; left unset when there is no local
 * user name, so that routing reports it).
 */
#include "objs.h"

enum { kUserNameSize = 256 };

/* A text field of at most 64 characters with the given label. */
static unsigned int text_field(Field *f, const char *name, const char *label)
{
    unsigned int rc = ZeSetPrimaryFieldAttributes(f, name, NULL, "64", label, NULL);
    return rc ? rc : ZeSetDefaultTextFieldAttributes(f);
}

static unsigned int node_field(void *generic, Field *f)
{
    unsigned int rc = text_field(f, "NODE", objs_label(generic, ZE_STR_NODE, "Node"));
    return rc ? rc : ZeSetFieldAttribute(f, "KEY", 1);
}

static unsigned int route_node_field(void *generic, Field *f)
{
    (void)generic;
    return text_field(f, "ROUTENODE", "Route node");
}

static unsigned int app_name_field(void *generic, Field *f)
{
    (void)generic;
    return text_field(f, "APPNAME", "Application");
}

static unsigned int app_title_field(void *generic, Field *f)
{
    (void)generic;
    return text_field(f, "APPTITLE", "Application title");
}

static unsigned int platform_field(void *generic, Field *f)
{
    (void)generic;
    return text_field(f, "PLATFORM", "Platform");
}

static unsigned int version_field(void *generic, Field *f)
{
    return text_field(f, "VERSION", objs_label(generic, ZE_STR_VERSION, "Version"));
}

static unsigned int language_field(void *generic, Field *f)
{
    return text_field(f, "LANGUAGE", objs_label(generic, ZE_STR_LANGUAGE, "Language"));
}

static int has_text(const char *text) { return text && *text; }

/* The local user and the node LOCAL, where the creation filter left them unset. */
static unsigned int default_route(DtsInfo *info)
{
    unsigned int rc = ZE_OK;
    if (!has_text(ZeDtsInfoField(info, ZE_INFO_USERNAME))) {
        char user[kUserNameSize];
        objs_local_user(user, sizeof user);
        if (user[0]) rc = ZeSetDtsInfoField(info, ZE_INFO_USERNAME, user);
    }
    if (!rc && !has_text(ZeDtsInfoField(info, ZE_INFO_DESTNODE)))
        rc = ZeSetDtsInfoField(info, ZE_INFO_DESTNODE, "LOCAL");
    return rc;
}

ZE_API unsigned int InitLocalMap(void *front, Filter *filter)
{
    static ZeFieldInitProc fields[] = {node_field,     route_node_field, app_name_field, app_title_field,
                                       platform_field, version_field,    language_field, NULL};
    void *generic = NULL;
    unsigned int rc = ZeInitGenericObject(front, filter, &generic);
    if (!rc) rc = objs_load_strings(generic);
    if (!rc) rc = default_route(ZeGenericObjInfo(generic));
    return rc ? rc : ZeBuildFieldList(generic, ZeGenericObjDescriptor(generic), fields, -1);
}
