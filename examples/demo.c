/*
 * demo.c - an administration application in a few steps: it manages the
 * printers of the node DEMO through the object PRINTER (create the object,
 * set user and destination, open a collection with a filter and walk it,
 * define, alter, copy, rename and delete a printer, read LAST MESSAGE),
 * then the groups of its workstations through the group object WORKSTATION.
 *
 * It prints what it does and what it sees, and exits with 1 as soon as a
 * step returns a code other than the one expected. Run it with
 * TARN_DATA_DIR naming a copy of the demo data and DEMO_ROUTER=ON (see
 * scripts/demo.sh); TARN_TRACE=stderr also shows the library's trace.
 * With --logon USERID (the password in TARN_PASSWORD) it logs on to the
 * node first and off at the end: a node whose map reaches it as a
 * read-only role lets only a logged-on administrator make the changes
 * (scripts/demo.sh --remote).
 */
#include "tarnsrvc.h"
#include "tool_options.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define NODE "DEMO"
#define USER "demo"

/* One criterion of a filter; lists of them end with a NULL column. */
typedef struct Criterion {
    const char *column, *relop, *value;
} Criterion;

#define CRITERIA(...) ((const Criterion[]){__VA_ARGS__, {NULL, NULL, NULL}})
#define NO_CRITERIA   ((const Criterion[]){{NULL, NULL, NULL}})

/* Reports a code other than the expected one; 1 when it was expected. */
static int expect(unsigned int rc, unsigned int expected, const char *step)
{
    if (rc == expected) return 1;
    fflush(stdout);
    fprintf(stderr, "demo: %s returned %u, expected %u\n", step, rc, expected);
    return 0;
}

/* The same for a step of an object, adding the node's message, which says
 * why, when there is one. */
static int expect_of(void *object, unsigned int rc, unsigned int expected, const char *step)
{
    const char *message = NULL;
    if (expect(rc, expected, step)) return 1;
    if (object && ZeQueryProperty(object, "LAST MESSAGE", &message) == ZE_OK && message && *message)
        fprintf(stderr, "demo: LAST MESSAGE: %s\n", message);
    return 0;
}

/* A new filter holding the criteria, or NULL. */
static Filter *filter_of(const Criterion *criteria)
{
    Filter *filter = NULL;
    if (ZeCreateFilter(&filter) != ZE_OK) return NULL;
    for (const Criterion *c = criteria; c->column; ++c) {
        if (ZeAddFilterItem(filter, c->column, c->relop, c->value) != ZE_OK) {
            ZeDestroyFilter(filter);
            return NULL;
        }
    }
    return filter;
}

static void print_criteria(const Criterion *criteria)
{
    if (!criteria->column) printf("(no criteria)");
    for (const Criterion *c = criteria; c->column; ++c)
        printf("%s%s %s %s", c == criteria ? "" : ", ", c->column, c->relop, c->value);
    printf("\n");
}

static void print_last_message(void *object)
{
    const char *message = NULL;
    ZeQueryProperty(object, "LAST MESSAGE", &message);
    printf("   LAST MESSAGE: %s\n", message ? message : "");
}

/* One row of a table in the field order of the descriptor, the pseudo
 * fields left out: the values of an item, or the labels when values is NULL. */
static void print_row(Descriptor *descriptor, char **values)
{
    char **fields = NULL, line[1024] = "";
    int count = ZeGetFieldCount(descriptor);
    size_t used = 0;
    ZeDescriptorHeader(descriptor, &fields);
    for (int i = 0; fields && i < count && used < sizeof line; ++i) {
        int pseudo = 0;
        const char *text = values ? values[i] : NULL;
        ZeQueryAttribute(descriptor, fields[i], "PSEUDO", &pseudo);
        if (!values) ZeQueryAttribute(descriptor, fields[i], "LABEL", &text);
        if (!pseudo) used += (size_t)snprintf(line + used, sizeof line - used, " %-14s", text ? text : "");
    }
    if (used >= sizeof line) used = sizeof line - 1; /* cut */
    while (used > 0 && line[used - 1] == ' ') line[--used] = '\0';
    printf("  %s\n", line);
}

/* Group records (a GROUPID criterion) have the fields of the group
 * descriptor; every other record those of the object's descriptor. */
static Descriptor *descriptor_of(void *object, const Criterion *criteria)
{
    for (const Criterion *c = criteria; c->column; ++c)
        if (strcmp(c->column, "GROUPID") == 0) return ZeElement(object, "GROUP DESCRIPTOR");
    return ZeGenericObjDescriptor(object);
}

/* Submits an item action with the criteria, prints the item that came back
 * (if any) and LAST MESSAGE; 1 when the action returned `expected`. */
static int item_action(void *object, const char *action, const Criterion *criteria, unsigned int expected)
{
    Filter *filter = filter_of(criteria);
    char **values = NULL;
    unsigned int rc;
    printf("== %s ", action);
    print_criteria(criteria);
    if (!filter) return expect(ZE_RC_NO_MEMORY, expected, action);
    if (strcmp(action, "DELETE ITEM") == 0) rc = ZeSubmitAction(object, action, filter);
    else rc = ZeSubmitAction(object, action, filter, &values);
    ZeDestroyFilter(filter);
    if (values) print_row(ZeGenericObjDescriptor(object), values);
    if (rc != ZE_OK) printf("   code %u\n", rc);
    print_last_message(object);
    return expect_of(object, rc, expected, action);
}

/* Opens a collection with the criteria and prints every item of it. */
static int list_items(void *object, const Criterion *criteria)
{
    Filter *filter = filter_of(criteria);
    unsigned int count = 0, rc;
    char **values = NULL;
    printf("== OPEN COLLECTION ");
    print_criteria(criteria);
    if (!filter) return expect(ZE_RC_NO_MEMORY, ZE_OK, "OPEN COLLECTION");
    rc = ZeSubmitAction(object, "OPEN COLLECTION", filter);
    ZeDestroyFilter(filter);
    if (!expect_of(object, rc, ZE_OK, "OPEN COLLECTION")) return 0;
    print_last_message(object);
    if (!expect_of(object, ZeSubmitAction(object, "GET ITEM COUNT", &count), ZE_OK, "GET ITEM COUNT")) return 0;
    printf("   %u items\n", count);
    print_row(descriptor_of(object, criteria), NULL);
    while ((rc = ZeSubmitAction(object, "GET ITEM", &values)) == ZE_OK)
        print_row(descriptor_of(object, criteria), values);
    return expect_of(object, rc, ZE_RC_NO_ENTRY, "GET ITEM past the last item");
}

/* Creates the object `name` with the filter LANGUAGE EQ AMENG and sends its
 * requests to NODE on behalf of USER; NULL when that fails. */
static void *create_object(const char *name)
{
    Filter *filter = filter_of(CRITERIA({"LANGUAGE", "EQ", "AMENG"}));
    void *object = NULL;
    printf("== Create the object %s (filter LANGUAGE EQ AMENG), user %s, destination %s\n", name, USER, NODE);
    unsigned int rc = filter ? ZeCreateObject(&object, name, filter) : ZE_RC_NO_MEMORY;
    ZeDestroyFilter(filter);
    if (expect(rc, ZE_OK, "ZeCreateObject") &&
        expect_of(object, ZeSetProperty(object, "USERNAME", USER), ZE_OK, "USERNAME") &&
        expect_of(object, ZeSetProperty(object, "DESTINATION", NODE, NODE), ZE_OK, "DESTINATION"))
        return object;
    if (object) ZeDestroyObject(object);
    return NULL;
}

/* The field names, each with its label. */
static int show_fields(void *object)
{
    char **fields = NULL;
    int count = 0;
    if (!expect(ZeQueryProperty(object, "FIELD ORDER", &fields, &count), ZE_OK, "FIELD ORDER")) return 0;
    printf("   FIELD ORDER:");
    for (int i = 0; i < count; ++i) {
        const char *label = NULL;
        ZeQueryProperty(object, "ATTRIBUTE", fields[i], "LABEL", &label);
        printf(" %s (%s)%s", fields[i], label ? label : "", i + 1 < count ? "," : "\n");
    }
    return 1;
}

static int manage_printers(void *printer)
{
    unsigned int rc;
    int ok = show_fields(printer) && list_items(printer, CRITERIA({"LOCATION", "EQ", "BLDG*"}));
    if (!ok) return 0;

    printf("== VALIDATE VALUE COPIES 0\n");
    rc = ZeSubmitAction(printer, "VALIDATE VALUE", "COPIES", "0");
    printf("   code %u: refused before any request is sent\n", rc);
    if (!expect_of(printer, rc, ZE_RC_NOT_IN_RANGE, "VALIDATE VALUE")) return 0;

    return item_action(printer, "DEFINE ITEM",
                       CRITERIA({"NAME", "EQ", "LASER3"}, {"STATUS", "EQ", "Offline"}, {"SHARED", "EQ", "TRUE"},
                                {"INSTALLED", "EQ", "05/20/2024"}, {"LOCATION", "EQ", "BLDG D"}),
                       ZE_OK) &&
           item_action(printer, "ALTER ITEM",
                       CRITERIA({"NAME", "EQ", "LASER3"}, {"STATUS", "EQ", "Ready"}, {"COPIES", "EQ", "4"}), ZE_OK) &&
           item_action(printer, "COPY ITEM", CRITERIA({"NAME", "EQ", "LASER3"}, {"NEW NAME", "EQ", "LASER4"}), ZE_OK) &&
           item_action(printer, "RENAME ITEM", CRITERIA({"NAME", "EQ", "LASER4"}, {"NEW NAME", "EQ", "LASER5"}),
                       ZE_OK) &&
           item_action(printer, "DELETE ITEM", CRITERIA({"NAME", "EQ", "LASER5"}), ZE_OK) &&
           item_action(printer, "ALTER ITEM", CRITERIA({"NAME", "EQ", "LASER5"}, {"COPIES", "EQ", "2"}),
                       ZE_RC_ROUTER_FAILED) &&
           list_items(printer, NO_CRITERIA);
}

static int manage_groups(void *workstation)
{
    return list_items(workstation, CRITERIA({"ITEM_TYPE", "EQ", "GROUP"})) &&
           list_items(workstation, CRITERIA({"GROUPID", "EQ", "LAB"})) &&
           item_action(workstation, "DEFINE ITEM", CRITERIA({"GROUPID", "EQ", "LAB"}, {"MEMBER", "EQ", "WS05"}),
                       ZE_OK) &&
           list_items(workstation, CRITERIA({"GROUPID", "EQ", "LAB"})) &&
           list_items(workstation, CRITERIA({"ID", "EQ", "WS0*"}));
}

/* The session's logon: on behalf of the local user USER, as the objects' requests are. */
static int log_on(const char *userId)
{
    const char *password = getenv("TARN_PASSWORD");
    printf("== Log on to %s as %s\n", NODE, userId);
    if (!password || !*password) {
        fprintf(stderr, "demo: --logon needs the password in TARN_PASSWORD\n");
        return 0;
    }
    return expect(ZeLogonUser(NODE, userId, password, USER), ZE_OK, "ZeLogonUser");
}

int main(int argc, char **argv)
{
    static const char usage[] = "usage: tarndemo [--logon USERID]\n"
                                "Runs the example administration session on the demo node DEMO. Set\n"
                                "TARN_DATA_DIR to a copy of the demo data and DEMO_ROUTER=ON.\n"
                                "  --logon USERID  log on as USERID first (password in TARN_PASSWORD)\n"
                                "  --help          this text\n"
                                "  --version       the TarnSrvc version\n";
    if (tarn_tool_info(argc, argv, "tarndemo", usage)) return 0;
    const char *userId = argc == 3 && strcmp(argv[1], "--logon") == 0 ? argv[2] : NULL;
    if (argc != 1 && !userId) {
        fputs(usage, stderr);
        return 2;
    }
    if (userId && !log_on(userId)) return 1;
    int ok = 0;
    void *printer = create_object("PRINTER");
    if (printer) {
        ok = manage_printers(printer);
        printf("== Destroy the object PRINTER\n");
        ok = expect(ZeDestroyObject(printer), ZE_OK, "ZeDestroyObject") && ok;
    }
    void *workstation = ok ? create_object("WORKSTATION") : NULL;
    if (workstation) {
        ok = manage_groups(workstation);
        printf("== Destroy the object WORKSTATION\n");
        ok = expect(ZeDestroyObject(workstation), ZE_OK, "ZeDestroyObject") && ok;
    } else {
        ok = 0;
    }
    if (userId) {
        printf("== Log off from %s as %s\n", NODE, userId);
        ok = expect(ZeLogoffUser(NODE, userId, USER), ZE_OK, "ZeLogoffUser") && ok;
    }
    puts(ok ? "Demo complete." : "Demo stopped: see the message above.");
    return ok ? 0 : 1;
}
