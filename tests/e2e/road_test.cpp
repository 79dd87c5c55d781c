// The local map object end to end, created by name from the demo registry:
// its default destination and user, and the demo router's answers.
#include "e2e_test.hpp"

#include <pwd.h>

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
