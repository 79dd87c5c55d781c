// Routing: choice of the router library, checks before loading it, the
// result copy with its traces, and the loading of single rows (field 12)
// and collection rows (fields 19, 20).
#include "router_fixture.hpp"

#include <filesystem>

namespace {

using RouteTest = RouterTest;
using DemoRouteTest = RouterTest;

}  // namespace

TEST_F(RouteTest, RoutingNeedsUserNodeAndALoadableRouterEntry)
{
    OwnedAction a;
    ZeSetDtsResultFields(result, 99, "before");
    struct Case {
        const char *routeModule;
        unsigned code;
        const char *line;
    };
    const Case cases[] = {
        {nullptr, 5u, "*** Unable to load TarnRout.router_client"},
        {"", 5u, "*** Unable to load .router_client"},
        {"TarnNoEntryRouter", 6u, "*** Unable to load TarnNoEntryRouter.router_client"},
    };
    for (const Case &c : cases) {
        clear_trace();
        ZeSetDtsInfoField(info, ZE_INFO_ROUTEMODULE, c.routeModule);
        EXPECT_EQ(ZeRouteDtsAction(a, info, "SELECT", result), c.code) << c.line;
        EXPECT_TRUE(traced(c.line)) << trace_text();
        EXPECT_EQ(count_traced("DTS Action Request"), 0u);
    }
    ZeSetDtsInfoField(info, ZE_INFO_ROUTEMODULE, "TarnTestRouter");

    clear_trace();
    ZeSetDtsInfoField(info, ZE_INFO_USERNAME, "");
    EXPECT_EQ(ZeRouteDtsAction(a, info, "SELECT", result), 11u);
    ZeSetDtsInfoField(info, ZE_INFO_USERNAME, "tester");
    ZeSetDtsInfoField(info, ZE_INFO_DESTNODE, nullptr);
    EXPECT_EQ(ZeRouteDtsAction(a, info, "SELECT", result), 12u);
    EXPECT_EQ(trace(), (std::vector<std::string>{"ZeCheckDtsInfo: Info Object is missing the Username",
                                                 "ZeCheckDtsInfo: Info Object is missing the Destination Node"}));

    EXPECT_EQ(ZeRouteDtsAction(a, info, nullptr, result), 4u);
    EXPECT_TRUE(traced("*** ZeRouteDtsAction: parameter 3 (Command) is invalid"));
    EXPECT_EQ(requests(), 0);
    EXPECT_EQ(result_code(), 99u);
    EXPECT_EQ(result_message(), "before");
}

TEST_F(RouteTest, RouterCodeAndTextLandInTheResult)
{
    answer(7, "no such object");
    answer(0, nullptr);
    DtsAction *a = nullptr;
    ASSERT_EQ(ZeCreateDtsAction(&a), 0u);
    ZeSetDtsInfoField(info, ZE_INFO_OBJECT, "QUEUES");
    EXPECT_EQ(ZeRouteDtsAction(a, info, "DELETE", result), ZE_RC_ROUTER_FAILED);
    const std::string h = handle_text(a);
    ZeDestroyDtsAction(a);
    EXPECT_EQ(result_code(), 7u);
    EXPECT_EQ(result_message(), "no such object");

    ASSERT_GE(trace().size(), 14u) << trace_text();
    const std::vector<std::string> expected{
        "DTS Action Request " + h + " - Routing DELETE command...",
        "   Info:",
        "            OBJECT : QUEUES",
        "          PLATFORM : <None>",
        "           VERSION : <None>",
        "          LANGUAGE : <None>",
        "          USERNAME : tester",
        "          DESTNODE : NODE1",
        "         ROUTENODE : <None>",
        "       ROUTEMODULE : TarnTestRouter",
        std::string("        DATEFORMAT : ") + ZeDateDefaultFormat(),
        "DTS Action Response " + h + " - Routing of DELETE command complete.",
        "   Return code: 7",
        "   Message Length: 14 Message Buffer: no such object",
    };
    EXPECT_EQ(std::vector<std::string>(trace().end() - 14, trace().end()), expected);

    // What the router read, and a second routing overwrites the result.
    EXPECT_STREQ(request(0).command, "DELETE");
    EXPECT_STREQ(request(0).info[ZE_INFO_OBJECT], "QUEUES");
    EXPECT_STREQ(request(0).info[ZE_INFO_DESTNODE], "NODE1");
    EXPECT_EQ(request(0).fieldsCode, 7u);
    EXPECT_EQ(request(0).kind, ZE_RESPONSE_ITEM);
    OwnedAction b;
    EXPECT_EQ(ZeRouteDtsAction(b, info, "SELECT", result), 0u);
    EXPECT_EQ(result_code(), 0u);
    EXPECT_EQ(result_message(), "");
}

TEST_F(RouteTest, SingleAnswerRowFillsTheItemInFieldOrder)
{
    answer(0, "found", {"obj_name", "TYPE", "ENABLED", "COLOR"}, {{"q1", "T", "Y", "blue"}});
    answer(0, nullptr, {"OBJ_NAME", "TYPE", "ENABLED"}, {{"q2", nullptr}});
    answer(0, nullptr, {"OBJ_NAME"}, {{"q3"}});
    OwnedItem item;
    OwnedFilter f("NAME EQ q1");
    ASSERT_EQ(ZeOpenDtsItem(descriptor, info, f, item, result), 0u);
    EXPECT_EQ(values_of(item), (std::vector<std::string>{"q1", "", "Topic", "TRUE", ""}));
    const std::string h = handle_text(request(0).action);
    for (const std::string &line :
         {"DTS Action Response " + h + " - Fields", std::string("   NAME(OBJ_NAME)      EQ    \"q1\""),
          std::string("   TYPE                EQ    \"Topic\"(\"T\")"),
          std::string("   ENABLED             EQ    \"TRUE\"(\"Y\")"),
          std::string("+++ Column <COLOR> ignored; not defined in descriptor."),
          std::string("   Total of 4 fields in response")})
        EXPECT_TRUE(traced(line)) << line << "\n" << trace_text();

    // Missing and NULL values: the field has no value.
    clear_trace();
    ASSERT_EQ(ZeOpenDtsItem(descriptor, info, f, item, result), 0u);
    EXPECT_EQ(values_of(item), (std::vector<std::string>{"q2", "", "<null>", "<null>", ""}));
    EXPECT_TRUE(traced("   TYPE                EQ    \"<NULL>\"")) << trace_text();

    // A delete loads no row; a descriptor without header loads none either.
    clear_trace();
    EXPECT_EQ(ZeDeleteDtsItem(descriptor, info, f, result), 0u);
    EXPECT_EQ(request(2).answerCount, 1);
    EXPECT_EQ(request(2).answerCodes[0], 0u);
    EXPECT_EQ(count_traced("DTS Action Response " + handle_text(request(2).action) + " - Fields"), 0u);

    Descriptor *bare = nullptr;
    ASSERT_EQ(ZeCreateDescriptor(&bare), 0u);
    ZeCreateField(bare, "NAME", (char *)0);
    answer(0, nullptr, {"NAME"}, {{"q4"}});
    EXPECT_EQ(ZeOpenDtsItem(bare, info, f, item, result), 0u);
    EXPECT_EQ(request(3).answerCodes[0], ZE_RC_NO_HEADER);
    EXPECT_TRUE(traced("*** load_action_response_item : Descriptor doesn't have a header (field order) specified."));
    EXPECT_EQ(values_of(item)[0], "q2");
    ZeDestroyDescriptor(bare);
}

TEST_F(RouteTest, CollectionRowsBecomeItemsAndBadRowsAreDropped)
{
    answer(0, nullptr, {"OBJ_NAME", "TYPE", "ENABLED", "COLOR"},
           {{"a", "Q", "Y", "red"}, {"b", "T", "N"}, {"c"}, {"d", "X", "Y"}, {"e", nullptr, "n"}});
    OwnedCollection c;
    OwnedFilter f("TYPE EQ Queue");
    ASSERT_EQ(ZeOpenDtsCollection(descriptor, info, f, c, result), 0u);

    const TestRouterRequest &r = request(0);
    EXPECT_EQ(r.kind, ZE_RESPONSE_COLLECTION);
    EXPECT_TRUE(r.responseFileExists);
    EXPECT_FALSE(std::filesystem::exists(r.responseFile));
    EXPECT_EQ(std::vector<unsigned>(r.answerCodes, r.answerCodes + r.answerCount),
              (std::vector<unsigned>{0, 0, 0, 0, ZE_RC_NOT_ON_LIST, 0}));
    EXPECT_TRUE(traced("*** add_item_to_collection : Error loading descriptor item, rc = 1"));
    EXPECT_TRUE(traced("*** ZeBuildIndexArray : OWNER not provided in DataOrder array")) << trace_text();
    EXPECT_TRUE(traced("4 items in collection"));

    EXPECT_EQ(ZeCollectionPosition(c), 1u);
    EXPECT_EQ(values_of(ZeNextCollectionItem(c))[0], "a");
    const std::vector<std::vector<std::string>> expected{{"a", "", "Queue", "TRUE", ""},
                                                         {"b", "", "Topic", "FALSE", ""},
                                                         {"c", "", "<null>", "<null>", ""},
                                                         {"e", "", "<null>", "FALSE", ""}};
    EXPECT_EQ(rows_of(c), expected);

    // A new select empties the collection; rows without a header are refused.
    answer(0, nullptr);
    router->row(std::vector<const char *>{"z"}.data(), 1);
    clear_trace();
    ASSERT_EQ(ZeOpenDtsCollection(descriptor, info, f, c, result), 0u);
    EXPECT_EQ(request(1).answerCodes[0], ZE_RC_NO_INDEX_ARRAY);
    EXPECT_EQ(ZeCollectionSize(c), 0u);
    EXPECT_TRUE(traced("0 items in collection"));
}

// Run with DEMO_ROUTER=YES and TarnRpdb found as a copy of the test router.
TEST_F(DemoRouteTest, DemoSwitchPicksTheDemoRouterUnlessTheInfoNamesOne)
{
    TarnProc proc = nullptr;
    ASSERT_EQ(ZeLoadRoutine("TarnRpdb", "test_router_api", &proc), 0u);
    const TestRouterApi *demo = reinterpret_cast<TestRouterApiProc>(proc)();
    demo->reset();
    OwnedAction a;
    EXPECT_EQ(ZeRouteDtsAction(a, info, "SELECT", result), 0u);
    EXPECT_EQ(requests(), 1);
    EXPECT_EQ(demo->request_count(), 0);

    ZeSetDtsInfoField(info, ZE_INFO_ROUTEMODULE, nullptr);
    EXPECT_EQ(ZeRouteDtsAction(a, info, "LIST", result), 0u);
    ASSERT_EQ(demo->request_count(), 1);
    EXPECT_STREQ(demo->request(0)->command, "LIST");
    demo->reset();
}
