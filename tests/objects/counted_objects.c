/*
 * TarnCountObjs: a tests-only object library. Its real object, kind
 * "COUNTED", traces "counted object released" when it is released, so
 * tests can count releases. Init procedures:
 *   InitCounted         attaches a counted object; 0
 *   InitAttachThenFail  attaches a counted object, then fails with 7
 *   InitReplacing       InitCounted, and replaces the front object's query
 *                       procedure with one that stores the object it is
 *                       called with through its first argument (void **)
 *                       and returns 42
 * The counted object answers the action "PING" (no arguments) by tracing
 * "PING on <kind of the object it runs on>".
 */
#include "tarnsrvc.h"

typedef struct Counted {
    ZeInterface *interface;
} Counted;

static unsigned int release_counted(void *object)
{
    Counted *counted = (Counted *)object;
    void *block = counted;
    ZeObjectDestroyInterface(counted->interface);
    TarnFreeBlock(&block, "counted_objects", __LINE__);
    TarnTrace("counted object released");
    return 0;
}

static unsigned int ping(void *object, const char *key, va_list *pArgs)
{
    (void)key;
    (void)pArgs;
    TarnTrace("PING on %s", ZeObjectInterfaceName(object));
    return 0;
}

static unsigned int replaced_query(void *object, const char *key, va_list *pArgs)
{
    (void)key;
    *va_arg(*pArgs, void **) = object;
    return 42;
}

static unsigned int attach_counted(void *front)
{
    static const ZeKeyedProcEntry actions[] = {{"PING", ping}, {NULL, NULL}};
    Counted *counted = (Counted *)TarnAllocBlock(sizeof *counted, "counted_objects", __LINE__);
    unsigned int rc;
    void *block = counted;
    if (!counted) return 3;
    rc = ZeObjectCreateInterface(&counted->interface, "COUNTED");
    if (!rc) rc = ZeObjectSetTableValues(counted, ZE_TABLE_ACTIONS, actions, -1);
    if (rc) {
        if (counted->interface) ZeObjectDestroyInterface(counted->interface);
        TarnFreeBlock(&block, "counted_objects", __LINE__);
        return rc;
    }
    return ZeSetRealObject(front, counted, release_counted);
}

ZE_API unsigned int InitCounted(void *front, Filter *filter)
{
    (void)filter;
    return attach_counted(front);
}

ZE_API unsigned int InitAttachThenFail(void *front, Filter *filter)
{
    unsigned int rc = InitCounted(front, filter);
    return rc ? rc : 7;
}

ZE_API unsigned int InitReplacing(void *front, Filter *filter)
{
    unsigned int rc = InitCounted(front, filter);
    return rc ? rc : ZeSetQueryPropertyProc(front, replaced_query);
}
