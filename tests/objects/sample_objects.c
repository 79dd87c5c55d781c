/*
 * TarnTestObjs: a tests-only object library whose objects are generic
 * objects describing queue-like items. Fields, in order:
 *   NAME         key, sent as OBJ_NAME, copied or renamed through NEWNAME
 *   NEWNAME      pseudo field carrying the new key of a copy or rename
 *   DESCRIPTION  default "none"
 *   SIZE         INT from 1 to 99 (at most 3 characters), default "10"
 *   CREATED      DATE
 * Init procedures:
 *   InitSample   the plain generic object
 *   InitAdapted  the same with the alternative handlers: OPEN COLLECTION
 *                without duplicates, COPY ITEM through a COPY request,
 *                RENAME ITEM through ALTER, GET LIST through LIST, and
 *                OPEN ITEM disabled
 */
#include "tarnsrvc.h"

static unsigned int define_fields(Descriptor *d)
{
    unsigned int rc = ZeCreateField(d, "NAME", "REAL NAME", "OBJ_NAME", "KEY", 1, "COPY TO", "NEWNAME",
                                    "MAX LENGTH", "20", (char *)0);
    if (!rc) rc = ZeCreateField(d, "NEWNAME", "PSEUDO", 1, (char *)0);
    if (!rc) rc = ZeCreateField(d, "DESCRIPTION", "DEF VALUE", "none", (char *)0);
    if (!rc) rc = ZeCreateField(d, "SIZE", "TYPE", "INT", "MAX LENGTH", "3", "DEF VALUE", "10", "LOW RANGE", "1", "UPPER RANGE", "99",
                                (char *)0);
    if (!rc) rc = ZeCreateField(d, "CREATED", "TYPE", "DATE", (char *)0);
    if (!rc) rc = ZeBuildDescriptorHeader(d);
    return rc;
}

ZE_API unsigned int InitSample(void *front, Filter *filter)
{
    void *generic = NULL;
    unsigned int rc = ZeInitGenericObject(front, filter, &generic);
    return rc ? rc : define_fields(ZeGenericObjDescriptor(generic));
}

ZE_API unsigned int InitAdapted(void *front, Filter *filter)
{
    static const ZeKeyedProcEntry actions[] = {
        {"OPEN COLLECTION", ZeObjectOpenCollectionWithoutDups},
        {"COPY ITEM", ZeCopyGenericObjItem},
        {"RENAME ITEM", ZeRenameGenericObjItemViaAlter},
        {"GET LIST", ZeObjectGetList},
        {"OPEN ITEM", NULL},
        {NULL, NULL},
    };
    void *generic = NULL;
    unsigned int rc = ZeInitGenericObject(front, filter, &generic);
    if (!rc) rc = define_fields(ZeGenericObjDescriptor(generic));
    if (!rc) rc = ZeSetGenericObjActions(generic, actions, -1);
    return rc;
}
