// ZeLogon, ZeLogoff and ZeLogonIsValid through the test router loaded as
// the demo router, with a tests-only LOCALMAP: what each sends, the node's
// route and the WNT shortcut, failures and bad input.
#include "tests/objects/objects_test.hpp"
#include "tests/requests/router_fixture.hpp"

#include <pwd.h>

namespace {

const char *const kFullMap = "LOCALMAP, TarnTestLocalMap.InitLocalMap\n";

class Logon : public RouterTest {
protected:
    void SetUp() override
    {
        RouterTest::SetUp();
        write_registry(kFullMap);
        TarnProc proc = nullptr;
        ASSERT_EQ(ZeLoadRoutine("TarnRpdb", "test_router_api", &proc), 0u);
        router = reinterpret_cast<TestRouterApiProc>(proc)();
        router->reset();
    }
    void TearDown() override
    {
        remove_registry();
        RouterTest::TearDown();
    }

    // The map's answer for node NODE7, columns in an order of their own.
    void map_entry(const char *routeNode, const char *platform) const
    {
        answer(0, "1 row", {"PLATFORM", "NODE", "ROUTENODE", "APPNAME"}, {{platform, "NODE7", routeNode, "app"}});
    }
    void no_map_entry() const { answer(0, "0 rows", {"NODE", "ROUTENODE", "PLATFORM"}); }

    // OBJECT, PLATFORM, VERSION, LANGUAGE, USERNAME, DESTNODE, ROUTENODE of request i.
    Texts sent_info(int i) const
    {
        Texts fields;
        for (unsigned f = ZE_INFO_OBJECT; f <= ZE_INFO_ROUTENODE; ++f)
            fields.emplace_back(request(i).info[f] ? request(i).info[f] : "<unset>");
        return fields;
    }
};

TEST_F(Logon, EachCommandSendsTheNodesRouteAndItsFieldsWithoutEcho)
{
    map_entry("HUB3", "AIX");
    EXPECT_EQ(ZeLogonUser("NODE7", "U1", "pw-secret", "alice"), ZE_OK) << trace_text();
    map_entry("HUB3", "AIX");
    EXPECT_EQ(ZeLogoffUser("NODE7", "U1", "alice"), ZE_OK);
    map_entry("HUB3", "AIX");
    EXPECT_EQ(ZeLogonIsValidUser("NODE7", "U1", nullptr), ZE_OK);
    ASSERT_EQ(requests(), 6);

    EXPECT_STREQ(request(0).info[ZE_INFO_OBJECT], "LOCALMAP");
    EXPECT_EQ(sent_fields(0), Texts{"NODE EQ NODE7"});
    EXPECT_STREQ(request(1).command, "LOGON");
    EXPECT_EQ(sent_info(1), (Texts{"STARLOGON", "AIX", "2.0", "AMENG", "alice", "NODE7", "HUB3"}));
    EXPECT_EQ(sent_fields(1), (Texts{"ID EQ U1", "PASSWORD EQ pw-secret"}));
    EXPECT_TRUE(traced("DTS Action filter echo suppressed..."));
    EXPECT_TRUE(traced("   Total of 2 fields in request"));
    EXPECT_EQ(trace_text().find("pw-secret"), std::string::npos);

    EXPECT_STREQ(request(3).command, "LOGOFF");
    EXPECT_EQ(sent_info(3), (Texts{"STARLOGOFF", "AIX", "2.0", "AMENG", "alice", "NODE7", "HUB3"}));
    EXPECT_EQ(sent_fields(3), Texts{"ID EQ U1"});
    EXPECT_STREQ(request(5).command, "VERIFY");
    EXPECT_EQ(sent_info(5)[4], getpwuid(geteuid())->pw_name) << "no local user given: the process's";
}

TEST_F(Logon, TheMapGivesRouteAndPlatformElseTheNodeRoutesItself)
{
    const std::string longName(256, 'H');
    struct Case {
        const char *registry;
        std::function<void()> script;
        const char *line, *routeNode, *platform;
    } cases[] = {
        {kFullMap, [&] { no_map_entry(); }, "*** ZeLogCl : No LOCALMAP items found, rc = 7", "NODE7", "<unset>"},
        {"", [] {}, "*** Object Init procedure lookup failed for (LOCALMAP) Object", "NODE7", "<unset>"},
        {kFullMap, [&] { map_entry(longName.c_str(), "AIX"); },
         "+++ ZeLogCl : LOCALMAP ROUTENODE of node NODE7 ignored: longer than 255 characters", "NODE7", "AIX"},
        // A map without PLATFORM gives none, not the value of another field.
        {"LOCALMAP, TarnTestLocalMap.InitShortMap\n", [&] { map_entry("HUB5", "AIX"); }, "", "HUB5", "<unset>"},
    };
    for (const Case &c : cases) {
        router->reset();
        clear_trace();
        write_registry(c.registry);
        c.script();
        EXPECT_EQ(ZeLogonIsValidUser("NODE7", "U1", "alice"), ZE_OK) << trace_text();
        const int last = requests() - 1;
        ASSERT_GE(last, 0);
        EXPECT_EQ(sent_info(last)[1], c.platform) << c.registry;
        EXPECT_EQ(sent_info(last)[6], c.routeNode) << c.registry;
        EXPECT_TRUE(!*c.line || traced(c.line)) << trace_text();
    }
}

// A WNT node needs no logon, but is still asked and logged off.
TEST_F(Logon, AWntNodeIsAskedAndLoggedOffButNeverLoggedOn)
{
    map_entry("NODE7", "wnt");
    EXPECT_EQ(ZeLogonUser("NODE7", "U1", "pw", "alice"), ZE_OK);
    EXPECT_EQ(requests(), 1) << "only the map lookup";
    map_entry("NODE7", "WNT");
    EXPECT_EQ(ZeLogoffUser("NODE7", "U1", "alice"), ZE_OK);
    map_entry("NODE7", "WNT");
    EXPECT_EQ(ZeLogonIsValidUser("NODE7", "U1", "alice"), ZE_OK);
    ASSERT_EQ(requests(), 5);
    EXPECT_STREQ(request(2).command, "LOGOFF");
    EXPECT_STREQ(request(4).command, "VERIFY");
}

// Router refusals are traced with the router's code (see the router-side
// tests); a request stopped before the router shows the step's code.
TEST_F(Logon, FailuresBeforeTheRouterShowTheStepsCodeAndVerifyTracesNone)
{
    no_map_entry();
    EXPECT_EQ(ZeLogonUser("NODE7", "U1", "pw", ""), ZE_RC_ROUTER_FAILED);
    EXPECT_TRUE(traced("*** ZeLogCl : Logon failure, rc = 11")) << trace_text();
    EXPECT_TRUE(traced("***     "));
    EXPECT_EQ(requests(), 1);

    clear_trace();
    no_map_entry();
    answer(1010, "not logged on");
    EXPECT_EQ(ZeLogonIsValidUser("NODE7", "U1", "alice"), ZE_RC_ROUTER_FAILED);
    no_map_entry();
    EXPECT_EQ(ZeLogonIsValidUser("NODE7", "U1", ""), ZE_RC_INFO_NO_USERNAME);
    EXPECT_EQ(count_traced("*** ZeLogCl : Log"), 0u) << trace_text();
}

TEST_F(Logon, EmptyOrOverLongCredentialsAreRefusedBeforeAnythingIsSent)
{
    const std::string longId(ZE_LOGON_MAX_CREDENTIALS, 'I'), id100(100, 'I');
    const std::string fits(ZE_LOGON_MAX_CREDENTIALS - 100, 'p'), tooLong = fits + "q";
    EXPECT_EQ(ZeLogonUser("NODE7", "U1", "", "alice"), ZE_RC_INVALID_PARAMETER);
    EXPECT_EQ(ZeLogonUser("NODE7", longId.c_str(), "p", "alice"), ZE_RC_INVALID_PARAMETER);
    EXPECT_TRUE(traced("*** ZeLogon: parameter 2 (UserId) is invalid"));
    EXPECT_EQ(ZeLogonUser("NODE7", id100.c_str(), tooLong.c_str(), "alice"), ZE_RC_INVALID_PARAMETER);
    EXPECT_EQ(count_traced("*** ZeLogon: parameter 3 (Password) is invalid"), 2u) << trace_text();
    EXPECT_EQ(requests(), 0);
    EXPECT_EQ(trace_text().find(tooLong), std::string::npos);

    no_map_entry();  // exactly as long as the logon text allows: sent whole
    EXPECT_EQ(ZeLogonUser("NODE7", id100.c_str(), fits.c_str(), "alice"), ZE_OK);
    EXPECT_EQ(sent_fields(1), (Texts{"ID EQ " + id100, "PASSWORD EQ " + fits}));
}

TEST_F(Logon, CredentialsTheLogonTextCannotCarryArriveUnchanged)
{
    // Texts that fail to parse, and texts that parse into other values.
    const char *const credentials[][2] = {{"U1", "a,b"},        {"U,1", "pw"}, {"U1", " lead"}, {"U1", "trail "},
                                          {"U1", "x, ID EQ y"}, {" U1", "pw"}, {"U1", "EQ"}};
    for (const auto &c : credentials) {
        router->reset();
        no_map_entry();
        EXPECT_EQ(ZeLogonUser("NODE7", c[0], c[1], "alice"), ZE_OK);
        ASSERT_EQ(requests(), 2);
        EXPECT_EQ(sent_fields(1), (Texts{std::string("ID EQ ") + c[0], std::string("PASSWORD EQ ") + c[1]}));
    }
}

}  // namespace
