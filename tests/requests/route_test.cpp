// Routing: choice of the router library, checks before loading it, the
// result copy with its traces, and the loading of single rows (field 12)
// and collection rows (fields 19, 20).
#include "router_fixture.hpp"

namespace {

using RouteTest = RouterTest;

}  // namespace

TEST_F(RouteTest, RoutingNeedsUserNodeAndALoadableRouterEntry)
{
    OwnedAction a;
    ZeSetDtsResultFields(result, 99, "before");
    struct Case {
        const char *routeModule, *user, *node;
        unsigned code;
        const char *line;
    } cases[] = {
        {"", "tester", "NODE1", 5u, "*** Unable to load .router_client"},
        {"TarnNoEntryRouter", "tester", "NODE1", 6u, "*** Unable to load TarnNoEntryRouter.router_client"},
        {"TarnTestRouter", "", "NODE1", 11u, "ZeCheckDtsInfo: Info Object is missing the Username"},
        {"TarnTestRouter", "tester", nullptr, 12u, "ZeCheckDtsInfo: Info Object is missing the Destination Node"},
    };
    for (const Case &c : cases) {
        clear_trace();
        ZeSetDtsInfoField(info, ZE_INFO_ROUTEMODULE, c.routeModule);
        ZeSetDtsInfoField(info, ZE_INFO_USERNAME, c.user);
        ZeSetDtsInfoField(info, ZE_INFO_DESTNODE, c.node);
        EXPECT_EQ(ZeRouteDtsAction(a, info, "SELECT", result), c.code) << c.line;
        ASSERT_FALSE(trace().empty());
        EXPECT_EQ(trace().back(), c.line);  // (the environment table may be read first)
        EXPECT_EQ(count_traced("DTS Action"), 0u);
    }
    EXPECT_EQ(requests(), 0);
    EXPECT_EQ(std::to_string(result_code()) + "|" + result_message(), "99|before");

    // Without ROUTEMODULE (and DEMO_ROUTER off) the default router TarnRout answers.
    ZeSetDtsInfoField(info, ZE_INFO_ROUTEMODULE, (char *)0);
    ZeSetDtsInfoField(info, ZE_INFO_USERNAME, "tester");
    ZeSetDtsInfoField(info, ZE_INFO_DESTNODE, "NODE1");
    EXPECT_EQ(ZeRouteDtsAction(a, info, "SELECT", result), ZE_RC_ROUTER_FAILED);
    EXPECT_EQ(result_code(), 1001u) << result_message();
    EXPECT_EQ(requests(), 0);
}

TEST_F(RouteTest, RouterCodeAndTextLandInTheResult)
{
    answer(7, "no such object");
    DtsAction *a = nullptr;
    ASSERT_EQ(ZeCreateDtsAction(&a), 0u);
    ZeSetDtsInfoField(info, ZE_INFO_OBJECT, "QUEUES");
    EXPECT_EQ(ZeRouteDtsAction(a, info, "DELETE", result), ZE_RC_ROUTER_FAILED);
    const std::string h = handle_text(a);
    ZeDestroyDtsAction(a);
    EXPECT_EQ(std::to_string(result_code()) + "|" + result_message(), "7|no such object");
    // The request line, the info dump, then the response lines.
    EXPECT_EQ(trace().front(), "DTS Action Request " + h + " - Routing DELETE command...");
    EXPECT_EQ(Texts(trace().end() - 3, trace().end()),
              (Texts{"DTS Action Response " + h + " - Routing of DELETE command complete.", "   Return code: 7",
                     "   Message Length: 14 Message Buffer: no such object"}));

    // A second routing overwrites the result.
    EXPECT_EQ(Texts({request(0).command, request(0).info[ZE_INFO_OBJECT]}), (Texts{"DELETE", "QUEUES"}));
    OwnedAction b;
    EXPECT_EQ(ZeRouteDtsAction(b, info, "SELECT", result), 0u);
    EXPECT_EQ(std::to_string(result_code()) + "|" + result_message(), "0|");
}

TEST_F(RouteTest, SingleAnswerRowFillsTheItemInFieldOrder)
{
    answer(0, "found", {"obj_name", "TYPE", "ENABLED", "COLOR"}, {{"q1", "T", "Y", "blue"}});
    answer(0, nullptr, {"OBJ_NAME", "TYPE", "ENABLED"}, {{"q2", nullptr}});
    answer(0, nullptr, {"OBJ_NAME"}, {{"q3"}});
    OwnedItem item;
    OwnedFilter f("NAME EQ q1");
    ASSERT_EQ(ZeOpenDtsItem(descriptor, info, f, item, result), 0u);
    EXPECT_EQ(values_of(item), (Texts{"q1", "", "Topic", "TRUE", ""}));
    const std::string h = handle_text(request(0).action);
    const Texts lines{"DTS Action Response " + h + " - Fields",
                      "   Field(Column)      RelOp  Value(DB Value)",
                      "   -----------------  -----  ------------------------------",
                      "   NAME(OBJ_NAME)      EQ    \"q1\"",
                      "   TYPE                EQ    \"Topic\"(\"T\")",
                      "   ENABLED             EQ    \"TRUE\"(\"Y\")",
                      "+++ Column <COLOR> ignored; not defined in descriptor.",
                      "   Total of 4 fields in response",
                      ""};
    const auto at = std::find(trace().begin(), trace().end(), lines[0]);
    EXPECT_EQ(Texts(at, std::min(at + 9, trace().end())), lines) << trace_text();

    // Missing and NULL values: the field has no value.
    clear_trace();
    ASSERT_EQ(ZeOpenDtsItem(descriptor, info, f, item, result), 0u);
    EXPECT_EQ(values_of(item), (Texts{"q2", "", "<null>", "<null>", ""}));
    EXPECT_TRUE(traced("   TYPE                EQ    \"<NULL>\"")) << trace_text();

    // A delete loads no row.
    clear_trace();
    EXPECT_EQ(ZeDeleteDtsItem(descriptor, info, f, result), 0u);
    EXPECT_EQ(request(2).answerCount, 1);
    EXPECT_EQ(request(2).answerCodes[0], 0u);
    EXPECT_EQ(count_traced("DTS Action Response " + handle_text(request(2).action) + " - Fields"), 0u);
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
    for (const char *line : {"*** add_item_to_collection : Error loading descriptor item, rc = 1",
                             "*** ZeBuildIndexArray : OWNER not provided in DataOrder array", "4 items in collection"})
        EXPECT_TRUE(traced(line)) << line << "\n" << trace_text();
    EXPECT_EQ(ZeCollectionPosition(c), 1u);
    EXPECT_EQ(values_of(ZeNextCollectionItem(c))[0], "a");
    EXPECT_EQ(rows_of(c), (std::vector<Texts>{{"a", "", "Queue", "TRUE", ""},
                                              {"b", "", "Topic", "FALSE", ""},
                                              {"c", "", "<null>", "<null>", ""},
                                              {"e", "", "<null>", "FALSE", ""}}));

    // A new select empties the collection; rows without a header are refused.
    answer(0, nullptr);
    router->row(std::vector<const char *>{"z"}.data(), 1);
    clear_trace();
    ASSERT_EQ(ZeOpenDtsCollection(descriptor, info, f, c, result), 0u);
    EXPECT_EQ(request(1).answerCodes[0], ZE_RC_NO_INDEX_ARRAY);
    EXPECT_EQ(ZeCollectionSize(c), 0u);
    EXPECT_TRUE(traced("0 items in collection"));
}
