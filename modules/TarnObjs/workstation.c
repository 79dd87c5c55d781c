/*
 * workstation.c - WORKSTATION, a kind whose items are gathered into named
 * groups: a group object (group name WKSGROUP) in front of a generic object
 * (object WORKSTATION). Requests about members go to the table WORKSTATION,
 * requests as the group to the table WKSGROUP, which holds one group record
 * per workstation naming the group it is in (see data/README.md).
 *
 * Member fields, in order (column in parentheses):
 *   ID         key, upper case (ID); copied and renamed through NEW ID
 *   ITEM_TYPE  WORKSTATION or GROUP, as the group object types the record
 *   GROUPID    the group the workstation is in (GROUPID)
 *   OS         Linux, Windows, macOS (WKS_OS: L, W, M); default Linux
 *   OWNER      (WKS_OWNER)
 *   NEW ID     pseudo field, the router's COPY_KEY
 * GROUPID, OS and OWNER are INVISIBLE: group records, which the group kind
 * reads with these fields, do not have them.
 *
 * Group record fields: GROUPID (column ID), MEMBER (key, the workstation).
 *   OPEN COLLECTION  with GROUPID EQ g            the members of group g
 *   DEFINE ITEM      with GROUPID EQ g, MEMBER m  puts m into g (an ALTER
 *                                                 of m's group record)
 *   DELETE ITEM      with GROUPID EQ "", MEMBER m takes m out of its group
 *   OPEN COLLECTION  with ITEM_TYPE EQ GROUP      each group once
 */
#include "objs.h"

static unsigned int define_member_fields(void *front)
{
    static const char *systems[] = {"Linux", "Windows", "macOS"}, *realSystems[] = {"L", "W", "M"};
    Descriptor *d = ZeGenericObjDescriptor(front);
    unsigned int rc = ZeCreateField(d, "ID", "KEY", 1, "COPY TO", "NEW ID", "UPPERCASE", 1, "MIN LENGTH", "1",
                                    "MAX LENGTH", "32", "LABEL", "Workstation", (char *)0);
    if (!rc) rc = ZeCreateField(d, "ITEM_TYPE", "READONLY", 1, "MAX LENGTH", "11", "LABEL", "Type", (char *)0);
    if (!rc) rc = ZeCreateField(d, "GROUPID", "INVISIBLE", 1, "MAX LENGTH", "32", "LABEL", "Group", (char *)0);
    if (!rc)
        rc = ZeCreateField(d, "OS", "REAL NAME", "WKS_OS", "VALID VALUES", systems, 3, "REAL VALUES", realSystems, 3,
                           "MAX LENGTH", "7", "DEF VALUE", "Linux", "INVISIBLE", 1, "LABEL", "System", (char *)0);
    if (!rc)
        rc = ZeCreateField(d, "OWNER", "REAL NAME", "WKS_OWNER", "INVISIBLE", 1, "MAX LENGTH", "32", "LABEL",
                           objs_label(front, ZE_STR_OWNER, "Owner"), (char *)0);
    if (!rc)
        rc = ZeCreateField(d, "NEW ID", "PSEUDO", 1, "REAL NAME", "COPY_KEY", "MAX LENGTH", "32", "LABEL", "New ID",
                           (char *)0);
    return rc ? rc : ZeBuildDescriptorHeader(d);
}

static unsigned int define_group_fields(Descriptor *d)
{
    unsigned int rc = ZeCreateField(d, "GROUPID", "REAL NAME", "ID", "MAX LENGTH", "32", "LABEL", "Group", (char *)0);
    if (!rc) rc = ZeCreateField(d, "MEMBER", "KEY", 1, "MAX LENGTH", "32", "LABEL", "Workstation", (char *)0);
    return rc ? rc : ZeBuildDescriptorHeader(d);
}

ZE_API unsigned int InitWorkstation(void *front, Filter *filter)
{
    unsigned int rc = ZeGroupObjInit(front, "WORKSTATION", filter, "WKSGROUP");
    if (!rc) rc = objs_load_strings(front);
    if (!rc) rc = define_member_fields(front);
    return rc ? rc : define_group_fields(ZeElement(front, "GROUP DESCRIPTOR"));
}
