/*
 * TarnTestObjs: a tests-only object library whose objects are generic
 * objects describing queue-like items. Fields, in order:
 *   NAME         key, sent as OBJ_NAME, copied or renamed through NEWNAME
 *   NEWNAME      pseudo field carrying the new key of a copy or rename
 *   DESCRIPTION  default "none"
 *   SIZE         INT from 1 to 99 (at most 3 characters), default "10"
 *   CREATED      DATE
 * Init procedures:
 *   InitSample          the plain generic object
 *   InitAdapted         the same with the alternative handlers: OPEN
 *                       COLLECTION without duplicates, COPY ITEM through a
 *                       COPY request, RENAME ITEM through ALTER, GET LIST
 *                       through LIST, and OPEN ITEM disabled
 *   InitAttachThenFail  InitSample, then fails with 7; the generic object
 *                       traces "sample object released" when it goes
 *   InitReplacing       InitSample, and replaces the front object's query
 *                       procedure with one that stores the object it is
 *                       called with through its first argument (void **)
 *                       and returns 42
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

static unsigned int init_sample(void *front, Filter *filter, void **pGeneric)
{
    unsigned int rc = ZeInitGenericObject(front, filter, pGeneric);
    return rc ? rc : define_fields(ZeGenericObjDescriptor(*pGeneric));
}

ZE_API unsigned int InitSample(void *front, Filter *filter)
{
    void *generic = NULL;
    return init_sample(front, filter, &generic);
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
    unsigned int rc = init_sample(front, filter, &generic);
    return rc ? rc : ZeSetGenericObjActions(generic, actions, -1);
}

static unsigned int trace_release(void *extension)
{
    TarnTrace("%s object released", (const char *)extension);
    return 0;
}

ZE_API unsigned int InitAttachThenFail(void *front, Filter *filter)
{
    void *generic = NULL;
    unsigned int rc = init_sample(front, filter, &generic);
    if (generic) ZeSetGenericObjExtension(generic, (void *)"sample", trace_release);
    return rc ? rc : 7;
}

static unsigned int replaced_query(void *object, const char *key, va_list *pArgs)
{
    (void)key;
    *va_arg(*pArgs, void **) = object;
    return 42;
}

ZE_API unsigned int InitReplacing(void *front, Filter *filter)
{
    unsigned int rc = InitSample(front, filter);
    return rc ? rc : ZeSetQueryPropertyProc(front, replaced_query);
}
