/*
 * TarnWebTestObjs: a tests-only object library with the field flags the
 * demo kinds lack, for the console's forms and answers. ACCOUNT (table
 * ACCOUNT, made by the tests): USERID key (upper case, at most 16), SECRET
 * (PASSWORD), ROLE (admin or operator, REQUIRED for DEFINE), CREATED
 * (DATE, READONLY).
 */
#include "tarnsrvc.h"

ZE_API unsigned int InitAccount(void *front, Filter *filter)
{
    static const char *roles[] = {"admin", "operator"};
    static const char *requiredFor[] = {"DEFINE"};
    void *generic = NULL;
    unsigned int rc = ZeInitGenericObject(front, filter, &generic);
    Descriptor *d = rc ? NULL : ZeGenericObjDescriptor(generic);
    if (!rc)
        rc = ZeCreateField(d, "USERID", "KEY", 1, "UPPERCASE", 1, "MIN LENGTH", "1", "MAX LENGTH", "16", "LABEL",
                           "User", (char *)0);
    if (!rc) rc = ZeCreateField(d, "SECRET", "PASSWORD", 1, "MAX LENGTH", "32", "LABEL", "Secret", (char *)0);
    if (!rc)
        rc = ZeCreateField(d, "ROLE", "VALID VALUES", roles, 2, "REQUIRED", requiredFor, 1, "MAX LENGTH", "8", "LABEL",
                           "Role", (char *)0);
    if (!rc) rc = ZeCreateField(d, "CREATED", "TYPE", "DATE", "READONLY", 1, "LABEL", "Created", (char *)0);
    return rc ? rc : ZeBuildDescriptorHeader(d);
}
