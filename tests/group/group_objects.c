/*
 * TarnTestGroupObjs: a tests-only object library whose objects are group
 * objects in front of a generic object ("PRINTER" items, group name
 * "PRINTERGROUP").
 * Item fields, in order: ID (key, sent as PRT_ID, copied through NEWID),
 * NEWID (pseudo), NAME, ITEM_TYPE, GROUPID.
 * Group record fields: GROUPID (key, sent as GRP_ID), MEMBER.
 */
#include "tarnsrvc.h"

static unsigned int define_item_fields(Descriptor *d)
{
    unsigned int rc = ZeCreateField(d, "ID", "REAL NAME", "PRT_ID", "KEY", 1, "COPY TO", "NEWID", (char *)0);
    if (!rc) rc = ZeCreateField(d, "NEWID", "PSEUDO", 1, (char *)0);
    if (!rc) rc = ZeCreateField(d, "NAME", (char *)0);
    if (!rc) rc = ZeCreateField(d, "ITEM_TYPE", (char *)0);
    if (!rc) rc = ZeCreateField(d, "GROUPID", (char *)0);
    return rc ? rc : ZeBuildDescriptorHeader(d);
}

static unsigned int define_group_fields(Descriptor *d)
{
    unsigned int rc = ZeCreateField(d, "GROUPID", "REAL NAME", "GRP_ID", "KEY", 1, (char *)0);
    if (!rc) rc = ZeCreateField(d, "MEMBER", (char *)0);
    return rc ? rc : ZeBuildDescriptorHeader(d);
}

ZE_API unsigned int InitPrinter(void *front, Filter *filter)
{
    unsigned int rc = ZeGroupObjInit(front, "PRINTER", filter, "PRINTERGROUP");
    if (!rc) rc = define_item_fields(ZeGenericObjDescriptor(front));
    if (!rc) rc = define_group_fields(ZeElement(front, "GROUP DESCRIPTOR"));
    return rc;
}
