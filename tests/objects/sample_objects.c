/*
 * TarnTestObjs: a tests-only object library of generic objects for
 * queue-like items: NAME (key, OBJ_NAME, copied through NEWNAME), NEWNAME
 * (pseudo), DESCRIPTION (default "none"), SIZE (INT 1 to 99, default "10")
 * and CREATED (DATE). InitSample makes the plain object; InitAdapted the
 * same with the alternative handlers (OPEN COLLECTION without duplicates,
 * COPY ITEM through COPY, RENAME ITEM through ALTER, GET LIST through LIST,
 * OPEN ITEM disabled); InitAttachThenFail fails with 7 after attaching an
 * extension that traces "sample object released"; InitReplacing replaces
 * the front object's query procedure with one that hands back the object
 * it is called with and returns 42.
 */
#include "tarnsrvc.h"

static unsigned int define_fields(Descriptor *d)
{
    unsigned int rc = ZeCreateField(d, "NAME", "REAL NAME", "OBJ_NAME", "KEY", 1, "COPY TO", "NEWNAME", "MAX LENGTH",
                                    "20", (char *)0);
    if (!rc) rc = ZeCreateField(d, "NEWNAME", "PSEUDO", 1, (char *)0);
    if (!rc) rc = ZeCreateField(d, "DESCRIPTION", "DEF VALUE", "none", (char *)0);
    if (!rc)
        rc = ZeCreateField(d, "SIZE", "TYPE", "INT", "MAX LENGTH", "3", "DEF VALUE", "10", "LOW RANGE", "1",
                           "UPPER RANGE", "99", (char *)0);
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
