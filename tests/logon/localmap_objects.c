/*
 * TarnTestLocalMap: a tests-only object library providing LOCALMAP, the
 * local node map, as a generic object on node LOCAL.
 *   InitLocalMap  the seven fields, defined in an order other than the one
 *                 the logon functions set, so their FIELD ORDER is what
 *                 puts ROUTENODE and PLATFORM in place
 *   InitShortMap  only NODE and ROUTENODE
 */
#include "tarnsrvc.h"

static unsigned int init_map(void *front, Filter *filter, const char *const *fields, int count)
{
    void *generic = NULL;
    unsigned int rc = ZeInitGenericObject(front, filter, &generic);
    for (int i = 0; !rc && i < count; ++i) rc = ZeCreateField(ZeGenericObjDescriptor(generic), fields[i], (char *)0);
    if (!rc) rc = ZeBuildDescriptorHeader(ZeGenericObjDescriptor(generic));
    if (!rc) rc = ZeSetProperty(generic, "DESTINATION", "LOCAL", "LOCAL");
    if (!rc) rc = ZeSetProperty(generic, "USERNAME", "localmap");
    return rc;
}

ZE_API unsigned int InitLocalMap(void *front, Filter *filter)
{
    static const char *const fields[] = {"PLATFORM", "APPNAME", "NODE", "LANGUAGE", "ROUTENODE", "VERSION", "APPTITLE"};
    return init_map(front, filter, fields, 7);
}

ZE_API unsigned int InitShortMap(void *front, Filter *filter)
{
    static const char *const fields[] = {"NODE", "ROUTENODE"};
    return init_map(front, filter, fields, 2);
}
