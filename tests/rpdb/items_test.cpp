// The item operations on both routers, from one table of cases each: items
// defined, read, altered, copied, renamed, listed and deleted through the
// library's item operations, with the database checked afterwards; refused
// writes; collections of values of every length; and requests from two
// threads at once (selections are in typed_test.cpp). The runs rpdb (TarnRpdb
// on SQLite) and rout_items (TarnRout on PostgreSQL) expect the same
// answers, messages and codes; only the text an engine adds to a refusal is
// its own.
#include "rpdb_test.hpp"

#include <functional>
#include <iterator>
#include <thread>

TEST_F(Rpdb, ItemsLiveThroughEveryOperationAndLandInTheDatabase)
{
    struct Step {
        ItemOp op;
        Criteria criteria;
        const char *message, *item;  // NULL: not looked at
    } steps[] = {
        {ZeDefineDtsItem,
         {{"NAME", "EQ", "P9"},
          {"STATUS", "EQ", "offline"},
          {"SHARED", "EQ", "TRUE"},
          {"COPIES", "EQ", "3"},
          {"LOCATION", "EQ", "BLDG X"}},
         "PRINTER P9 defined",
         "P9|Offline|TRUE|3|BLDG X||"},
        {ZeAlterDtsItem,
         {{"NAME", "EQ", "P9"}, {"STATUS", "EQ", "Maintenance"}},
         "PRINTER P9 altered",
         "P9|Maintenance|TRUE|3|BLDG X||"},
        {ZeOpenDtsItem, {{"NAME", "EQ", "P9"}}, nullptr, "P9|Maintenance|TRUE|3|BLDG X||"},
        {ZeCopyDtsItem,
         {{"NAME", "EQ", "P9"}, {"NEW NAME", "EQ", "P10"}, {"COPIES", "EQ", "7"}},
         "PRINTER P9 copied to P10",
         nullptr},
        {ZeRenameDtsItem,
         {{"NAME", "EQ", "P10"}, {"NEW NAME", "EQ", "P11"}},
         "PRINTER P10 renamed to P11",
         "P11|Maintenance|TRUE|7|BLDG X||"},
        // The library's define-based copy and rename: DEFINE with the model in COPY_KEY, then DELETE.
        {ZeCopyDtsItemViaDefine,
         {{"NAME", "EQ", "P9"}, {"NEW NAME", "EQ", "P12"}},
         "PRINTER P12 defined like P9",
         nullptr},
        {ZeRenameDtsItemViaDefine, {{"NAME", "EQ", "P12"}, {"NEW NAME", "EQ", "P13"}}, "PRINTER P12 deleted", nullptr},
        {ZeGetDtsList, {{"NAME", "EQ", "P*"}}, "4 rows selected", "P11|P13|P9|PLOTTER"},
    };
    for (const Step &s : steps) {
        ASSERT_EQ(act(s.op, s.criteria), ZE_OK) << message();
        EXPECT_TRUE(!s.message || message() == s.message) << message();
        EXPECT_TRUE(!s.item || values(item_) == s.item) << values(item_);
    }
    EXPECT_EQ(sql("SELECT PRN_NAME, PRN_STATUS, PRN_SHARED, PRN_COPIES + 0, PRN_DESC FROM PRINTER "
                  "WHERE PRN_NAME LIKE 'P1%' OR PRN_NAME = 'P9' ORDER BY 1"),
              "P11|M|Y|7|<null>;P13|M|Y|3|<null>;P9|M|Y|3|<null>");

    ASSERT_EQ(open_rows({{"STATUS", "EQ", "Maintenance"}}), ZE_OK);
    EXPECT_EQ(keys(), "P11 P13 P9 PLOTTER");
    EXPECT_EQ(values(ZeLastCollectionItem(rows_)), "PLOTTER|Maintenance|FALSE|1|BLDG C LAB||");
    ASSERT_EQ(act("DELETE", {{"NAME", "EQ", "P9"}}), ZE_OK);
    EXPECT_EQ(message(), "PRINTER P9 deleted");
    EXPECT_EQ(sql("SELECT PRN_NAME FROM PRINTER ORDER BY 1"), "COLOR1;LABELS;LASER1;LASER2;P11;P13;PLOTTER");
}

TEST_F(Rpdb, RefusedWritesChangeNothing)
{
    struct Case {
        ItemOp op;  // NULL: DELETE
        Criteria criteria;
        unsigned code;
        const char *message;
    } cases[] = {
        {ZeDefineDtsItem, {{"NAME", "EQ", "LASER1"}}, TARN_ROUTER_RC_ALREADY_EXISTS, "PRINTER LASER1 already exists"},
        {ZeDefineDtsItem,
         {{"LOCATION", "EQ", "X"}},
         TARN_ROUTER_RC_BAD_REQUEST,
         "DEFINE needs a value for the key column PRN_NAME"},
        {ZeDefineDtsItem,
         {{"NAME", "EQ", "P1"}, {"NEW NAME", "EQ", "GONE"}},
         TARN_ROUTER_RC_NOT_FOUND,
         "PRINTER GONE not found"},
        {ZeDefineDtsItem,
         {{"NAME", "EQ", "P1"}, {"COPIES", "GT", "3"}},
         TARN_ROUTER_RC_BAD_REQUEST,
         "DEFINE takes only EQ criteria, not PRN_COPIES GT"},
        {ZeAlterDtsItem,
         {{"NAME", "EQ", "P1"}, {"COPIES", "EQ", "2"}},
         TARN_ROUTER_RC_NOT_FOUND,
         "PRINTER P1 not found"},
        {ZeAlterDtsItem,
         {{"NAME", "EQ", "LASER1"}, {"NEW NAME", "EQ", "LASER2"}},
         TARN_ROUTER_RC_ALREADY_EXISTS,
         "PRINTER LASER2 already exists"},
        {ZeAlterDtsItem,
         {{"NAME", "EQ", "LASER1"}, {"COPIES", "EQ", "2"}, {"PRN_COPIES", "EQ", "3"}},
         TARN_ROUTER_RC_BAD_REQUEST,
         "Column PRN_COPIES is given twice"},
        {ZeCopyDtsItem,
         {{"NAME", "EQ", "LASER1"}, {"NEW NAME", "EQ", "COLOR1"}},
         TARN_ROUTER_RC_ALREADY_EXISTS,
         "PRINTER COLOR1 already exists"},
        {ZeRenameDtsItem,
         {{"NAME", "EQ", "LASER1"}},
         TARN_ROUTER_RC_BAD_REQUEST,
         "RENAME needs the new key in COPY_KEY"},
        {nullptr, {{"NAME", "EQ", "ZZ*"}}, TARN_ROUTER_RC_NOT_FOUND, "No PRINTER matches the request"},
        {nullptr, {}, TARN_ROUTER_RC_BAD_REQUEST, "DELETE needs at least one criterion"},
    };
    const std::string before = sql("SELECT * FROM PRINTER ORDER BY 1");
    for (const Case &c : cases) {
        EXPECT_EQ(c.op ? act(c.op, c.criteria) : act("DELETE", c.criteria), ZE_RC_ROUTER_FAILED) << c.message;
        EXPECT_EQ(outcome(), Outcome(c.code, c.message));
    }
    EXPECT_EQ(sql("SELECT * FROM PRINTER ORDER BY 1"), before);

    // A rename carries the printer's queues along.
    ASSERT_EQ(act(ZeRenameDtsItem, {{"NAME", "EQ", "LASER1"}, {"NEW NAME", "EQ", "LASER9"}}), ZE_OK);
    EXPECT_EQ(sql("SELECT QUE_NAME FROM QUEUE WHERE QUE_PRINTER = 'LASER9' ORDER BY 1"), "OFFICE;URGENT");
}

TEST_F(Rpdb, RefusedAnswersRollTheRequestBack)
{
    Descriptor *headless = nullptr;  // field 12 cannot be loaded without a header
    ZeCreateDescriptor(&headless);
    ZeCreateField(headless, "NAME", "REAL NAME", "PRN_NAME", (char *)0);
    EXPECT_EQ(act(ZeDefineDtsItem, {{"NAME", "EQ", "P7"}}, headless), ZE_RC_ROUTER_FAILED);
    EXPECT_EQ(outcome(), Outcome(TARN_ROUTER_RC_ANSWER_REFUSED,
                                 "The client refused the row of PRINTER P7 (code 225); nothing was changed"));
    EXPECT_EQ(sql("SELECT count(*) FROM PRINTER WHERE PRN_NAME = 'P7'"), "0");
    ZeDestroyDescriptor(headless);

    // A status the descriptor cannot show stops the collection at that row.
    static const char *valid[] = {"Ready", "Offline"}, *real[] = {"R", "O"};
    Field *status = nullptr;
    ZeGetFieldByName(desc_, &status, "STATUS");
    ZeSetFieldAttribute(status, "VALID VALUES", valid, 2);
    ZeSetFieldAttribute(status, "REAL VALUES", real, 2);
    EXPECT_EQ(open_rows({}), ZE_RC_ROUTER_FAILED);
    EXPECT_EQ(outcome(), Outcome(TARN_ROUTER_RC_ANSWER_REFUSED,
                                 "The client refused the row of PRINTER PLOTTER (code 1); nothing was changed"));
}

TEST_F(Rpdb, CollectionsCarryEveryValueWhateverItsLength)
{
    // Rows in key order whose values grow, shrink and grow again.
    const std::string texts[] = {"", "a", std::string(40, 'b'), "cc", std::string(80, 'd'), "e"};
    std::string expected;
    for (std::size_t i = 0; i < std::size(texts); ++i) {
        const std::string key = "Q" + std::to_string(i);
        ASSERT_EQ(act(ZeDefineDtsItem, {{"NAME", "EQ", key.c_str()}, {"DESCRIPTION", "EQ", texts[i].c_str()}}), ZE_OK)
            << message();
        expected += (i ? ";" : "") + key + "|" + texts[i];
    }
    ASSERT_EQ(open_rows({{"NAME", "EQ", "Q*"}}), ZE_OK) << message();
    std::string got;
    for (Item *i = ZeFirstCollectionItem(rows_); i; i = ZeNextCollectionItem(rows_))
        got += (got.empty() ? "" : ";") + std::string(ZeItemValue(i, 0)) + "|" + ZeItemValue(i, 5);
    EXPECT_EQ(got, expected);
}

// Requests from two threads take turns on the node's connection: every
// write lands and every collection comes back whole.
TEST_F(Rpdb, RequestsFromSeveralThreadsTakeTurns)
{
    ASSERT_EQ(open_rows({}), ZE_OK);     // the node is open and the environment read before the threads start
    TarnSetTraceHook(nullptr, nullptr);  // the captured lines are no place for two threads
    constexpr int kRounds = 30;
    auto worker = [this](char id, std::string &problem) {
        Descriptor *desc = printer_descriptor();
        DtsInfo *info = printer_info();
        DtsResult *result = nullptr;
        Item *item = nullptr;
        Collection *rows = nullptr;
        ZeCreateDtsResult(&result);
        ZeCreateItem(&item);
        ZeCreateCollection(&rows);
        for (int round = 0; round < kRounds && problem.empty(); ++round) {
            const std::string key = std::string("T") + id + std::to_string(round);
            FilterPtr define = filter({{"NAME", "EQ", key.c_str()}, {"STATUS", "EQ", "Ready"}});
            FilterPtr all = filter({{"NAME", "EQ", (std::string("T") + id + "*").c_str()}});
            if (ZeDefineDtsItem(desc, info, define.get(), item, result) != ZE_OK) problem = "define " + key + " failed";
            else if (ZeOpenDtsCollection(desc, info, all.get(), rows, result) != ZE_OK) problem = "select failed";
            else if (ZeCollectionSize(rows) != static_cast<unsigned>(round + 1)) problem = "rows missing after " + key;
        }
        ZeDestroyCollection(rows);
        ZeDestroyItem(item);
        ZeDestroyDtsResult(result);
        ZeDestroyDtsInfo(info);
        ZeDestroyDescriptor(desc);
    };
    std::string problemA, problemB;
    std::thread a(worker, 'A', std::ref(problemA)), b(worker, 'B', std::ref(problemB));
    a.join();
    b.join();
    EXPECT_EQ(problemA, "");
    EXPECT_EQ(problemB, "");
    EXPECT_EQ(sql("SELECT count(*) FROM PRINTER WHERE PRN_NAME LIKE 'T%'"), std::to_string(2 * kRounds));
}

// A delta asks for one page at a time: the rows after its cursor in key
// order, as many as its count; the delta comes back with the next cursor.
TEST_F(Rpdb, PagesFollowTheKeyFromTheDeltasCursor)
{
    DtsDelta *delta = nullptr;
    ASSERT_EQ(ZeCreateDtsDelta(&delta), ZE_OK);
    auto page = [&](Criteria criteria, const char *cursor, unsigned count) {
        ZeSetDtsDeltaFields(delta, cursor, count);
        const unsigned rc = ZeOpenDtsCollectionPage(desc_, info_, filter(criteria).get(), delta, rows_, result_);
        char *next = nullptr;
        unsigned sent = 0;
        ZeGetDtsDeltaFields(delta, &next, &sent);
        return std::to_string(rc) + ":" + keys() + ">" + (next ? next : "<null>") + "/" + std::to_string(sent);
    };
    EXPECT_EQ(page({}, "", 2), "0:COLOR1 LABELS>LABELS/2");
    EXPECT_EQ(message(), "2 rows selected");
    EXPECT_EQ(page({}, "LABELS", 2), "0:LASER1 LASER2>LASER2/2");
    EXPECT_EQ(page({}, "LASER2", 2), "0:PLOTTER>PLOTTER/1");
    EXPECT_EQ(page({}, "PLOTTER", 2), "0:>PLOTTER/0");
    EXPECT_EQ(page({}, "", 0), "0:COLOR1 LABELS LASER1 LASER2 PLOTTER>PLOTTER/5");
    // With criteria, and a cursor that is no key: the page starts after it.
    EXPECT_EQ(page({{"STATUS", "EQ", "Ready"}}, "K", 5), "0:LABELS LASER1>LASER1/2");
    EXPECT_EQ(page({{"NAME", "EQ", "LA*"}}, "LABELS", 1), "0:LASER1>LASER1/1");
    // A single item ignores the delta; a bad delta is a bad parameter.
    EXPECT_EQ(ZeOpenDtsCollectionPage(desc_, info_, filter({}).get(), nullptr, rows_, result_),
              ZE_RC_INVALID_PARAMETER);
    EXPECT_EQ(act(ZeOpenDtsItem, {{"NAME", "EQ", "PLOTTER"}}), ZE_OK);
    ZeDestroyDtsDelta(delta);
}
