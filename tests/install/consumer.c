/*
 * consumer.c - a C application built against an installed TarnSrvc: it
 * checks that headers and library agree on the version, creates the object
 * PRINTER on the demo node DEMO and lists its collection. Prints
 * "consumer: N printers" and exits 0; 1 on the first unexpected code.
 * Needs TARN_DATA_DIR (a copy of the demo data) and DEMO_ROUTER=ON.
 */
#include "tarnsrvc.h"

#include <stdio.h>
#include <string.h>

static int fail(const char *step, unsigned int rc)
{
    fprintf(stderr, "consumer: %s returned %u\n", step, rc);
    return 1;
}

int main(void)
{
    void *printer = NULL;
    Filter *language = NULL;
    char **values = NULL;
    unsigned int rc, count = 0;

    if (strcmp(TarnSrvcVersion(), TARNSRVC_VERSION_STRING) != 0) {
        fprintf(stderr, "consumer: library %s, headers %s\n", TarnSrvcVersion(), TARNSRVC_VERSION_STRING);
        return 1;
    }
    if ((rc = ZeCreateFilter(&language)) != ZE_OK ||
        (rc = ZeAddFilterItem(language, "LANGUAGE", "EQ", "AMENG")) != ZE_OK)
        return fail("ZeCreateFilter", rc);
    rc = ZeCreateObject(&printer, "PRINTER", language);
    if (rc != ZE_OK) return fail("ZeCreateObject", rc);
    ZeDestroyFilter(language);
    language = NULL;
    if ((rc = ZeSetProperty(printer, "USERNAME", "demo")) != ZE_OK ||
        (rc = ZeSetProperty(printer, "DESTINATION", "DEMO", "DEMO")) != ZE_OK ||
        (rc = ZeCreateFilter(&language)) != ZE_OK || /* empty: every printer */
        (rc = ZeSubmitAction(printer, "OPEN COLLECTION", language)) != ZE_OK) {
        ZeDestroyFilter(language);
        ZeDestroyObject(printer);
        return fail("OPEN COLLECTION", rc);
    }
    ZeDestroyFilter(language);
    while ((rc = ZeSubmitAction(printer, "GET ITEM", &values)) == ZE_OK) ++count;
    ZeDestroyObject(printer);
    if (rc != ZE_RC_NO_ENTRY || count == 0) return fail("GET ITEM", rc);
    printf("consumer: %u printers\n", count);
    return 0;
}
