// The road of one request, end to end: an object created by name from the
// demo registry, its requests carried out by the demo router, what the
// application sees (field order, display values) and what the node holds.
#include "e2e_test.hpp"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

TEST_F(E2e, PrinterRequestsShowDisplayValuesAndStoreColumnValues)
{
    std::string node = own_node("ROAD");
    ASSERT_EQ(create("printer", {{"LANGUAGE", "EQ", "AMENG"}}), ZE_OK);
    route_to(node);
    EXPECT_EQ(field_order(), "NAME|STATUS|SHARED|INSTALLED|COPIES|LOCATION|DESCRIPTION|NEW NAME");

    // The filter goes out in columns and stored values; rows come back in field order and display values.
    EXPECT_EQ(rows({{"SHARED", "EQ", "TRUE"}, {"STATUS", "NE", "Ready"}}),
              "LASER2|Offline|TRUE|11/02/2019|2|BLDG A FLOOR 3|Waiting for a new drum|");
    EXPECT_EQ(opened_, "1 row selected");
    EXPECT_TRUE(traced("   SHARED(PRN_SHARED)  EQ    \"TRUE\"(\"Y\")")) << trace_text();

    // DEFINE ITEM completes the item with the descriptor's defaults.
    ASSERT_EQ(act("DEFINE ITEM", {{"NAME", "EQ", "P9"}, {"STATUS", "EQ", "Maintenance"}, {"SHARED", "EQ", "true"},
                                  {"INSTALLED", "EQ", "01/02/2024"}, {"LOCATION", "EQ", "LAB 7"}}),
              ZE_OK)
        << last_message();
    EXPECT_EQ(values_, "P9|Maintenance|TRUE|01/02/2024|1|LAB 7|No description|");
    EXPECT_EQ(sql(node, "SELECT * FROM PRINTER WHERE PRN_NAME = 'P9'"), "P9|M|Y|01/02/2024|1|LAB 7|No description");

    ASSERT_EQ(act("ALTER ITEM", {{"NAME", "EQ", "P9"}, {"STATUS", "EQ", "Offline"}, {"COPIES", "EQ", "3"}}), ZE_OK);
    EXPECT_EQ(values_, "P9|Offline|TRUE|01/02/2024|3|LAB 7|No description|");
    ASSERT_EQ(act("COPY ITEM", {{"NAME", "EQ", "P9"}, {"NEW NAME", "EQ", "P10"}}), ZE_OK);
    EXPECT_EQ(last_message(), "PRINTER P10 defined like P9");
    ASSERT_EQ(ZeSubmitAction(object_, "DELETE ITEM", filter({{"NAME", "EQ", "P9"}}).get()), ZE_OK);
    EXPECT_EQ(sql(node, "SELECT PRN_NAME, PRN_STATUS, PRN_COPIES FROM PRINTER WHERE PRN_NAME LIKE 'P1%'"), "P10|O|3");
    EXPECT_EQ(sql(node, "SELECT count(*) FROM PRINTER WHERE PRN_NAME = 'P9'"), "0");

    // A printer with queues renames through the router's RENAME: its queues follow it.
    ASSERT_EQ(act("RENAME ITEM", {{"NAME", "EQ", "LASER1"}, {"NEW NAME", "EQ", "LASER9"}}), ZE_OK) << last_message();
    EXPECT_EQ(last_message(), "PRINTER LASER1 renamed to LASER9");
    EXPECT_EQ(sql(node, "SELECT group_concat(QUE_NAME, ' ') FROM QUEUE WHERE QUE_PRINTER = 'LASER9'"), "OFFICE URGENT");

    // A value the node refuses: 1, the node's reason in LAST MESSAGE, nothing stored.
    EXPECT_EQ(act("ALTER ITEM", {{"NAME", "EQ", "P10"}, {"COPIES", "EQ", "150"}}), ZE_RC_ROUTER_FAILED);
    EXPECT_EQ(values_, "<null>");
    EXPECT_EQ(last_message().rfind("ALTER on PRINTER refused", 0), 0u) << last_message();
    EXPECT_EQ(sql(node, "SELECT PRN_COPIES FROM PRINTER WHERE PRN_NAME = 'P10'"), "3");
}

TEST_F(E2e, RegistryCriteriaChooseTheFrenchPrinterAndTheStringLibraryItsLabels)
{
    std::string node = own_node("FRENCH");
    ASSERT_EQ(create("PRINTER", {{"LANGUAGE", "EQ", "FRENCH"}}), ZE_OK);
    EXPECT_TRUE(traced("Calling object init procedure (TarnObjs.InitPrinterFrench)"));
    route_to(node);
    EXPECT_EQ(attribute("NAME", "LABEL"), "Nom");
    EXPECT_EQ(attribute("STATUS", "LABEL"), "État");
    ASSERT_EQ(act("OPEN ITEM", {{"NAME", "EQ", "PLOTTER"}}), ZE_OK) << last_message();
    EXPECT_EQ(values_, "PLOTTER|En maintenance|FALSE|01/10/2018|1|BLDG C LAB||");
    ASSERT_EQ(act("DEFINE ITEM", {{"NAME", "EQ", "P9"}}), ZE_OK) << last_message();
    EXPECT_EQ(sql(node, "SELECT PRN_STATUS, PRN_DESC FROM PRINTER WHERE PRN_NAME = 'P9'"), "R|Sans description");
    ASSERT_EQ(ZeDestroyObject(object_), ZE_OK);
    object_ = nullptr;

    // Another language takes the line without criteria: English values, labels
    // from the library where it has the language, else the built-in ones.
    clear_trace();
    ASSERT_EQ(create("PRINTER", {{"LANGUAGE", "EQ", "GERMAN"}}), ZE_OK);
    EXPECT_TRUE(traced("Calling object init procedure (TarnObjs.InitPrinter)"));
    route_to(node);
    EXPECT_EQ(attribute("NAME", "LABEL"), "Name");
    ASSERT_EQ(act("OPEN ITEM", {{"NAME", "EQ", "PLOTTER"}}), ZE_OK);
    EXPECT_EQ(values_, "PLOTTER|Maintenance|FALSE|01/10/2018|1|BLDG C LAB||");
}

TEST_F(E2e, LocalMapAsksNodeLocalForTheLocalUserUnlessTheFilterSaysOtherwise)
{
    ASSERT_EQ(create("LOCALMAP", {{"LANGUAGE", "EQ", "AMENG"}, {"VERSION", "EQ", "2.0"}}), ZE_OK);
    const passwd *me = getpwuid(geteuid());
    const char *expected = me ? me->pw_name : getenv("USER");
    const char *user = nullptr, *dest = nullptr, *route = nullptr;
    ZeQueryProperty(object_, "USERNAME", &user);
    ZeQueryProperty(object_, "DESTINATION", &dest, &route);
    EXPECT_STREQ(user, expected);
    EXPECT_STREQ(dest, "LOCAL");
    EXPECT_EQ(field_order(), "NODE|ROUTENODE|APPNAME|APPTITLE|PLATFORM|VERSION|LANGUAGE");
    EXPECT_EQ(rows({{"PLATFORM", "EQ", "WNT"}}), "DEMONT|DEMONT|TARNADM|Demo Windows node|WNT|2.0|AMENG");
    EXPECT_EQ(rows({{"NODE", "EQ", "DEMO"}}), "DEMO|DEMO|TARNADM|Demo node|SOLARIS|2.0|AMENG");
    ASSERT_EQ(ZeDestroyObject(object_), ZE_OK);
    object_ = nullptr;

    ASSERT_EQ(create("LOCALMAP", {{"USERNAME", "EQ", "other"}, {"DESTNODE", "EQ", "NOWHERE"}}), ZE_OK);
    ZeQueryProperty(object_, "USERNAME", &user);
    ZeQueryProperty(object_, "DESTINATION", &dest, &route);
    EXPECT_STREQ(user, "other");
    EXPECT_STREQ(dest, "NOWHERE");
    EXPECT_EQ(rows({}), "code 1: Node NOWHERE is unknown: there is no " + std::string(ZeEnv(ZE_ENV_TARN_DATA_DIR)) +
                            "/nodes/NOWHERE.db");
}
