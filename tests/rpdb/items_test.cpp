// The demo router end to end: items defined, read, altered, copied,
// renamed, listed and deleted through the library's item operations, with
// the database checked afterwards; selections; refused writes.
#include "rpdb_test.hpp"

TEST_F(Rpdb, ItemsLiveThroughEveryOperationAndLandInTheDatabase)
{
    ASSERT_EQ(act(ZeDefineDtsItem, {{"NAME", "EQ", "P9"}, {"STATUS", "EQ", "offline"}, {"SHARED", "EQ", "TRUE"},
                                    {"COPIES", "EQ", "3"}, {"LOCATION", "EQ", "BLDG X"}}),
              ZE_OK)
        << message();
    EXPECT_EQ(message(), "PRINTER P9 defined");
    EXPECT_EQ(values(item_), "P9|Offline|TRUE|3|BLDG X||");
    EXPECT_EQ(sql("SELECT PRN_STATUS, PRN_SHARED, typeof(PRN_COPIES), PRN_DESC FROM PRINTER WHERE PRN_NAME = 'P9'"),
              "O|Y|integer|<null>");

    ASSERT_EQ(act(ZeAlterDtsItem, {{"NAME", "EQ", "P9"}, {"STATUS", "EQ", "Maintenance"}, {"DESCRIPTION", "EQ", "d"}}),
              ZE_OK);
    EXPECT_EQ(message(), "PRINTER P9 altered");
    EXPECT_EQ(values(item_), "P9|Maintenance|TRUE|3|BLDG X|d|");
    ASSERT_EQ(act(ZeOpenDtsItem, {{"NAME", "EQ", "P9"}}), ZE_OK);
    EXPECT_EQ(values(item_), "P9|Maintenance|TRUE|3|BLDG X|d|");

    ASSERT_EQ(act(ZeCopyDtsItem, {{"NAME", "EQ", "P9"}, {"NEW NAME", "EQ", "P10"}, {"COPIES", "EQ", "7"}}), ZE_OK);
    EXPECT_EQ(message(), "PRINTER P9 copied to P10");
    ASSERT_EQ(act(ZeRenameDtsItem, {{"NAME", "EQ", "P10"}, {"NEW NAME", "EQ", "P11"}}), ZE_OK);
    EXPECT_EQ(message(), "PRINTER P10 renamed to P11");
    EXPECT_EQ(values(item_), "P11|Maintenance|TRUE|7|BLDG X|d|");

    // The library's define-based copy and rename: DEFINE with the model in COPY_KEY, then DELETE.
    ASSERT_EQ(act(ZeCopyDtsItemViaDefine, {{"NAME", "EQ", "P9"}, {"NEW NAME", "EQ", "P12"}}), ZE_OK);
    EXPECT_EQ(message(), "PRINTER P12 defined like P9");
    ASSERT_EQ(act(ZeRenameDtsItemViaDefine, {{"NAME", "EQ", "P12"}, {"NEW NAME", "EQ", "P13"}}), ZE_OK);
    EXPECT_EQ(message(), "PRINTER P12 deleted");
    EXPECT_EQ(sql("SELECT PRN_NAME, PRN_STATUS, PRN_COPIES, PRN_DESC FROM PRINTER WHERE PRN_NAME LIKE 'P1%' ORDER BY 1"),
              "P11|M|7|d;P13|M|3|d");

    Filter *f = filter({{"NAME", "EQ", "P*"}});
    ASSERT_EQ(ZeGetDtsList(desc_, info_, f, item_, result_), ZE_OK);
    EXPECT_EQ(values(item_), "P11|P13|P9|PLOTTER");
    EXPECT_EQ(message(), "4 rows selected");
    ZeDestroyFilter(f);

    ASSERT_EQ(open_rows({{"STATUS", "EQ", "Maintenance"}}), ZE_OK);
    EXPECT_EQ(keys(), "P11 P13 P9 PLOTTER");
    EXPECT_EQ(values(ZeLastCollectionItem(rows_)), "PLOTTER|Maintenance|FALSE|1|BLDG C LAB||");

    f = filter({{"NAME", "EQ", "P9"}});
    ASSERT_EQ(ZeDeleteDtsItem(desc_, info_, f, result_), ZE_OK);
    EXPECT_EQ(message(), "PRINTER P9 deleted");
    ZeDestroyFilter(f);
    EXPECT_EQ(sql("SELECT group_concat(PRN_NAME, ' ') FROM (SELECT PRN_NAME FROM PRINTER ORDER BY 1)"),
              "COLOR1 LABELS LASER1 LASER2 P11 P13 PLOTTER");
}

TEST_F(Rpdb, SelectionsMatchPatternsNumbersAndEmptyValues)
{
    ASSERT_EQ(open_rows({}), ZE_OK);
    EXPECT_EQ(keys(), "COLOR1 LABELS LASER1 LASER2 PLOTTER");
    EXPECT_EQ(message(), "5 rows selected");

    struct Case {
        Criteria criteria;
        const char *keys;
    } cases[] = {
        {{{"NAME", "EQ", "LA*"}}, "LABELS LASER1 LASER2"},
        {{{"NAME", "EQ", "la*"}}, ""},  // case counts, as with plain EQ
        {{{"NAME", "NE", "*R*"}}, "LABELS"},
        {{{"NAME", "EQ", "*1"}, {"SHARED", "EQ", "TRUE"}}, "LASER1"},
        {{{"COPIES", "GT", "2"}}, "LABELS"},  // numeric: 10 > 2
        {{{"DESCRIPTION", "EQ", ""}}, "PLOTTER"},
        {{{"DESCRIPTION", "NE", "Label printer"}}, "COLOR1 LASER1 LASER2 PLOTTER"},
        {{{"LOCATION", "EQ", "BLDG ? *"}}, ""},  // only '*' is special
        {{{"NAME", "LE", "LASER1"}, {"NAME", "GE", "COLOR1"}}, "COLOR1 LABELS LASER1"},
    };
    for (const Case &c : cases) {
        ASSERT_EQ(open_rows(c.criteria), ZE_OK) << message();
        EXPECT_EQ(keys(), c.keys) << c.criteria.begin()->begin()[2];
    }
    EXPECT_EQ(message(), "3 rows selected");

    Filter *f = filter({{"STATUS", "EQ", "Ready"}});
    ASSERT_EQ(ZeGetDtsListViaSelect(desc_, info_, f, item_, result_), ZE_OK);
    EXPECT_EQ(values(item_), "COLOR1|LABELS|LASER1");
    ZeDestroyFilter(f);

    EXPECT_EQ(act(ZeOpenDtsItem, {{"NAME", "EQ", "NOPE"}}), ZE_RC_ROUTER_FAILED);
    EXPECT_EQ(code(), TARN_RPDB_RC_NOT_FOUND);
    EXPECT_EQ(message(), "PRINTER NOPE not found");
}

TEST_F(Rpdb, RefusedWritesChangeNothing)
{
    struct Case {
        ItemOp op;
        Criteria criteria;
        unsigned code;
        const char *message;
    } cases[] = {
        {ZeDefineDtsItem, {{"NAME", "EQ", "LASER1"}}, TARN_RPDB_RC_ALREADY_EXISTS, "PRINTER LASER1 already exists"},
        {ZeDefineDtsItem, {{"LOCATION", "EQ", "X"}}, TARN_RPDB_RC_BAD_REQUEST,
         "DEFINE needs a value for the key column PRN_NAME"},
        {ZeDefineDtsItem, {{"NAME", "EQ", "P1"}, {"NEW NAME", "EQ", "GONE"}}, TARN_RPDB_RC_NOT_FOUND,
         "PRINTER GONE not found"},
        {ZeDefineDtsItem, {{"NAME", "EQ", "P1"}, {"COPIES", "GT", "3"}}, TARN_RPDB_RC_BAD_REQUEST,
         "DEFINE takes only EQ criteria, not PRN_COPIES GT"},
        {ZeDefineDtsItem, {{"NAME", "EQ", "P1"}, {"COPIES", "EQ", "100"}}, TARN_RPDB_RC_BAD_REQUEST,
         "DEFINE on PRINTER refused: CHECK constraint failed: PRN_COPIES BETWEEN 1 AND 99"},
        {ZeDefineDtsItem, {{"NAME", "EQ", "P1"}, {"COPIES", "EQ", "many"}}, TARN_RPDB_RC_BAD_REQUEST,
         "DEFINE on PRINTER refused: cannot store TEXT value in INTEGER column PRINTER.PRN_COPIES"},
        {ZeAlterDtsItem, {{"NAME", "EQ", "P1"}, {"COPIES", "EQ", "2"}}, TARN_RPDB_RC_NOT_FOUND, "PRINTER P1 not found"},
        {ZeAlterDtsItem, {{"NAME", "EQ", "LASER1"}, {"NEW NAME", "EQ", "LASER2"}}, TARN_RPDB_RC_ALREADY_EXISTS,
         "PRINTER LASER2 already exists"},
        {ZeAlterDtsItem, {{"NAME", "EQ", "LASER1"}, {"COPIES", "EQ", "2"}, {"PRN_COPIES", "EQ", "3"}},
         TARN_RPDB_RC_BAD_REQUEST, "Column PRN_COPIES is given twice"},
        {ZeCopyDtsItem, {{"NAME", "EQ", "LASER1"}, {"NEW NAME", "EQ", "COLOR1"}}, TARN_RPDB_RC_ALREADY_EXISTS,
         "PRINTER COLOR1 already exists"},
        {ZeRenameDtsItem, {{"NAME", "EQ", "LASER1"}}, TARN_RPDB_RC_BAD_REQUEST, "RENAME needs the new key in COPY_KEY"},
    };
    const std::string before = sql("SELECT * FROM PRINTER ORDER BY 1");
    for (const Case &c : cases) {
        EXPECT_EQ(act(c.op, c.criteria), ZE_RC_ROUTER_FAILED);
        EXPECT_EQ(code(), c.code) << message();
        EXPECT_EQ(message(), c.message);
    }

    Filter *f = filter({{"NAME", "EQ", "LASER1"}});  // still has queues
    EXPECT_EQ(ZeDeleteDtsItem(desc_, info_, f, result_), ZE_RC_ROUTER_FAILED);
    EXPECT_EQ(message(), "DELETE on PRINTER refused: FOREIGN KEY constraint failed");
    ZeDestroyFilter(f);
    f = filter({{"NAME", "EQ", "ZZ*"}});
    EXPECT_EQ(ZeDeleteDtsItem(desc_, info_, f, result_), ZE_RC_ROUTER_FAILED);
    EXPECT_EQ(code(), TARN_RPDB_RC_NOT_FOUND);
    EXPECT_EQ(message(), "No PRINTER matches the request");
    ZeDestroyFilter(f);
    EXPECT_EQ(act("DELETE", {}), ZE_RC_ROUTER_FAILED);
    EXPECT_EQ(message(), "DELETE needs at least one criterion");
    EXPECT_EQ(sql("SELECT * FROM PRINTER ORDER BY 1"), before);

    // A rename carries the printer's queues along.
    ASSERT_EQ(act(ZeRenameDtsItem, {{"NAME", "EQ", "LASER1"}, {"NEW NAME", "EQ", "LASER9"}}), ZE_OK);
    EXPECT_EQ(sql("SELECT group_concat(QUE_NAME) FROM QUEUE WHERE QUE_PRINTER = 'LASER9'"), "OFFICE,URGENT");
}

TEST_F(Rpdb, RefusedAnswersRollTheRequestBack)
{
    Descriptor *headless = nullptr;  // field 12 cannot be loaded without a header
    ZeCreateDescriptor(&headless);
    ZeCreateField(headless, "NAME", "REAL NAME", "PRN_NAME", (char *)0);
    Filter *f = filter({{"NAME", "EQ", "P7"}});
    EXPECT_EQ(ZeDefineDtsItem(headless, info_, f, item_, result_), ZE_RC_ROUTER_FAILED);
    EXPECT_EQ(code(), TARN_RPDB_RC_ANSWER_REFUSED);
    EXPECT_EQ(message(), "The client refused the row of PRINTER P7 (code 225); nothing was changed");
    EXPECT_EQ(sql("SELECT count(*) FROM PRINTER WHERE PRN_NAME = 'P7'"), "0");
    ZeDestroyFilter(f);
    ZeDestroyDescriptor(headless);

    // A status the descriptor cannot show stops the collection at that row.
    static const char *valid[] = {"Ready", "Offline"}, *real[] = {"R", "O"};
    Field *status = nullptr;
    ZeGetFieldByName(desc_, &status, "STATUS");
    ZeSetFieldAttribute(status, "VALID VALUES", valid, 2);
    ZeSetFieldAttribute(status, "REAL VALUES", real, 2);
    EXPECT_EQ(open_rows({}), ZE_RC_ROUTER_FAILED);
    EXPECT_EQ(code(), TARN_RPDB_RC_ANSWER_REFUSED);
    EXPECT_EQ(message(), "The client refused the row of PRINTER PLOTTER (code 1); nothing was changed");
}

TEST_F(Rpdb, MemoryShortageLeaksNothingAndKeepsTheNodeConsistent)
{
    each_alloc_failure([&](long failAt) {
        Descriptor *desc = printer_descriptor();
        DtsResult *result = nullptr;
        Item *item = nullptr;
        Collection *rows = nullptr;
        ZeCreateDtsResult(&result);
        ZeCreateItem(&item);
        ZeCreateCollection(&rows);
        Filter *f = filter({{"NAME", "EQ", "P5"}, {"STATUS", "EQ", "Ready"}});
        unsigned rc = ZeDefineDtsItem(desc, info_, f, item, result);
        bool stored = sql("SELECT count(*) FROM PRINTER WHERE PRN_NAME = 'P5'") == "1";
        EXPECT_TRUE(failAt >= 0 || rc == ZE_OK);
        if (rc == ZE_RC_ROUTER_FAILED) {
            EXPECT_FALSE(stored);
        } else if (rc == ZE_OK) {
            EXPECT_TRUE(stored);
        }
        sql("DELETE FROM PRINTER WHERE PRN_NAME = 'P5'");
        ZeDestroyFilter(f);
        f = filter({{"NAME", "EQ", "LASER*"}});
        ZeOpenDtsCollection(desc, info_, f, rows, result);
        ZeDestroyFilter(f);
        ZeDestroyCollection(rows);
        ZeDestroyItem(item);
        ZeDestroyDtsResult(result);
        ZeDestroyDescriptor(desc);
    });
}
