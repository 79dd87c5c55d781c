/*
 * printer.c - PRINTER and QUEUE, two kinds on plain generic objects whose
 * descriptors map display names and values to the demo tables' columns.
 *
 * PRINTER fields, in order (column in parentheses):
 *   NAME         key (PRN_NAME); copied and renamed through NEW NAME
 *   STATUS       Ready, Offline, Maintenance (R, O, M); default Ready
 *   SHARED       BOOL (Y, N); default FALSE
 *   INSTALLED    DATE (PRN_INSTALLED)
 *   COPIES       INT from 1 to 99 (PRN_COPIES); default 1
 *   LOCATION     upper case (PRN_LOCATION)
 *   DESCRIPTION  (PRN_DESC); default "No description"
 *   NEW NAME     pseudo field, the router's COPY_KEY
 * The French variant shows STATUS as Prêt, Hors ligne, En maintenance and
 * its own labels. PRINTER renames through the router's RENAME, which
 * carries a printer's queues along (a rename by DEFINE and DELETE could not
 * delete a printer that still has queues).
 *
 * QUEUE fields: NAME key (QUE_NAME) with NEW NAME, PRINTER (QUE_PRINTER),
 * PRIORITY INT 1 to 9 default 5, HELD BOOL default FALSE; built by field
 * initialisation procedures.
 */
#include "objs.h"

typedef struct PrinterTexts {
    const char *status[3]; /* display values of R, O, M */
    const char *statusLabel, *sharedLabel, *installedLabel, *copiesLabel, *locationLabel, *newNameLabel;
    const char *noDescription;
} PrinterTexts;

static const PrinterTexts kEnglish = {
    {"Ready", "Offline", "Maintenance"},
    "Status",
    "Shared",
    "Installed",
    "Copies",
    "Location",
    "New name",
    "No description",
};

static const PrinterTexts kFrench = {
    {"Prêt", "Hors ligne", "En maintenance"},
    "État",
    "Partagée",
    "Installée le",
    "Copies",
    "Emplacement",
    "Nouveau nom",
    "Sans description",
};

static unsigned int define_printer_fields(void *generic, const PrinterTexts *t)
{
    static const char *realStatus[] = {"R", "O", "M"};
    Descriptor *d = ZeGenericObjDescriptor(generic);
    unsigned int rc =
        ZeCreateField(d, "NAME", "REAL NAME", "PRN_NAME", "KEY", 1, "COPY TO", "NEW NAME", "MIN LENGTH", "1",
                      "MAX LENGTH", "32", "LABEL", objs_label(generic, ZE_STR_NAME, "Name"), (char *)0);
    if (!rc)
        rc = ZeCreateField(d, "STATUS", "REAL NAME", "PRN_STATUS", "VALID VALUES", (const char **)t->status, 3,
                           "REAL VALUES", realStatus, 3, "MAX LENGTH", "14", "DEF VALUE", t->status[0], "LABEL",
                           t->statusLabel, (char *)0);
    if (!rc)
        rc = ZeCreateField(d, "SHARED", "TYPE", "BOOL", "REAL NAME", "PRN_SHARED", "TRUE VALUE", "Y", "FALSE VALUE",
                           "N", "DEF VALUE", "FALSE", "LABEL", t->sharedLabel, (char *)0);
    if (!rc)
        rc = ZeCreateField(d, "INSTALLED", "TYPE", "DATE", "REAL NAME", "PRN_INSTALLED", "LABEL", t->installedLabel,
                           (char *)0);
    if (!rc)
        rc = ZeCreateField(d, "COPIES", "TYPE", "INT", "REAL NAME", "PRN_COPIES", "LOW RANGE", "1", "UPPER RANGE", "99",
                           "MAX LENGTH", "2", "DEF VALUE", "1", "LABEL", t->copiesLabel, (char *)0);
    if (!rc)
        rc = ZeCreateField(d, "LOCATION", "REAL NAME", "PRN_LOCATION", "UPPERCASE", 1, "MAX LENGTH", "40", "LABEL",
                           t->locationLabel, (char *)0);
    if (!rc)
        rc = ZeCreateField(d, "DESCRIPTION", "REAL NAME", "PRN_DESC", "MAX LENGTH", "80", "DEF VALUE", t->noDescription,
                           "LABEL", objs_label(generic, ZE_STR_DESCRIPTION, "Description"), (char *)0);
    if (!rc)
        rc = ZeCreateField(d, "NEW NAME", "PSEUDO", 1, "REAL NAME", "COPY_KEY", "MAX LENGTH", "32", "LABEL",
                           t->newNameLabel, (char *)0);
    return rc ? rc : ZeBuildDescriptorHeader(d);
}

static unsigned int init_printer(void *front, Filter *filter, const PrinterTexts *texts)
{
    static const ZeKeyedProcEntry actions[] = {{"RENAME ITEM", ZeRenameGenericObjItem}, {NULL, NULL}};
    void *generic = NULL;
    unsigned int rc = ZeInitGenericObject(front, filter, &generic);
    if (!rc) rc = objs_load_strings(generic);
    if (!rc) rc = define_printer_fields(generic, texts);
    if (!rc) rc = ZeSetGenericObjActions(generic, actions, -1);
    return rc;
}

ZE_API unsigned int InitPrinter(void *front, Filter *filter) { return init_printer(front, filter, &kEnglish); }

ZE_API unsigned int InitPrinterFrench(void *front, Filter *filter) { return init_printer(front, filter, &kFrench); }

/* ------------------------------------------------------------ QUEUE */

static unsigned int queue_name(void *generic, Field *f)
{
    unsigned int rc =
        ZeSetPrimaryFieldAttributes(f, "NAME", "QUE_NAME", "32", objs_label(generic, ZE_STR_NAME, "Name"), NULL);
    if (!rc) rc = ZeSetDefaultTextFieldAttributes(f);
    if (!rc) rc = ZeSetFieldAttribute(f, "KEY", 1);
    return rc ? rc : ZeSetFieldAttribute(f, "COPY TO", "NEW NAME");
}

static unsigned int queue_printer(void *generic, Field *f)
{
    (void)generic;
    unsigned int rc = ZeSetPrimaryFieldAttributes(f, "PRINTER", "QUE_PRINTER", "32", "Printer", NULL);
    return rc ? rc : ZeSetDefaultTextFieldAttributes(f);
}

static unsigned int queue_priority(void *generic, Field *f)
{
    (void)generic;
    unsigned int rc = ZeSetPrimaryFieldAttributes(f, "PRIORITY", "QUE_PRIORITY", "1", "Priority", "5");
    if (!rc) rc = ZeSetDefaultIntFieldAttributes(f);
    if (!rc) rc = ZeSetFieldAttribute(f, "LOW RANGE", "1");
    return rc ? rc : ZeSetFieldAttribute(f, "UPPER RANGE", "9");
}

static unsigned int queue_held(void *generic, Field *f)
{
    (void)generic;
    unsigned int rc = ZeSetPrimaryFieldAttributes(f, "HELD", "QUE_HELD", "5", "Held", NULL);
    return rc ? rc : ZeSetDefaultBoolFieldAttributes(f, "Y", "N", 0);
}

static unsigned int queue_new_name(void *generic, Field *f)
{
    (void)generic;
    unsigned int rc = ZeSetPrimaryFieldAttributes(f, "NEW NAME", "COPY_KEY", "32", "New name", NULL);
    if (!rc) rc = ZeSetDefaultTextFieldAttributes(f);
    return rc ? rc : ZeSetFieldAttribute(f, "PSEUDO", 1);
}

ZE_API unsigned int InitQueue(void *front, Filter *filter)
{
    static ZeFieldInitProc fields[] = {queue_name, queue_printer, queue_priority, queue_held, queue_new_name, NULL};
    void *generic = NULL;
    unsigned int rc = ZeInitGenericObject(front, filter, &generic);
    if (!rc) rc = objs_load_strings(generic);
    return rc ? rc : ZeBuildFieldList(generic, ZeGenericObjDescriptor(generic), fields, -1);
}
