// Bad input to the routers: SQL-looking values, node and object names that
// could leave their place (the demo router's node files), unknown columns,
// operators and commands.
#include "rpdb_test.hpp"

TEST_F(Rpdb, SqlLookingValuesAreStoredAndSelectedLiterally)
{
    const char *evil = "x'; DROP TABLE PRINTER; --";
    ASSERT_EQ(act(ZeDefineDtsItem, {{"NAME", "EQ", evil}, {"DESCRIPTION", "EQ", "\"); DELETE FROM QUEUE; --"}}), ZE_OK)
        << message();
    EXPECT_EQ(message(), std::string("PRINTER ") + evil + " defined");
    ASSERT_EQ(act(ZeOpenDtsItem, {{"NAME", "EQ", evil}}), ZE_OK);
    EXPECT_EQ(values(item_), std::string(evil) + "|Ready|FALSE|1||\"); DELETE FROM QUEUE; --|");
    ASSERT_EQ(open_rows({{"NAME", "EQ", "x'*"}}), ZE_OK);
    EXPECT_EQ(keys(), evil);
    EXPECT_EQ(sql("SELECT PRN_NAME FROM PRINTER WHERE PRN_DESC LIKE '%DELETE%'"), evil);
    EXPECT_EQ(sql("SELECT (SELECT count(*) FROM PRINTER), (SELECT count(*) FROM QUEUE)"), "6|6");
}

TEST_F(Rpdb, NodeNamesThatCouldLeaveTheNodesFolderAreRefused)
{
    std::ofstream(std::filesystem::path(nodePath_).replace_filename("GARBAGE.db")) << "not a database at all";
    auto open_on = [&](const std::string &node) {
        ZeSetDtsInfoField(info_, ZE_INFO_DESTNODE, node.c_str());
        EXPECT_EQ(act(ZeOpenDtsItem, {{"NAME", "EQ", "LASER1"}}), ZE_RC_ROUTER_FAILED) << node;
        return outcome();
    };
    for (const std::string &node :
         {"../" + node_, std::string(".."), std::string("DEMO\""), std::string("DE'MO"), std::string(65, 'N')})
        EXPECT_EQ(open_on(node), Outcome(TARN_ROUTER_RC_UNKNOWN_NODE, "Node name \"" + node +
                                                                          "\" is not valid (1 to 64 of A-Z a-z 0-9 _ . "
                                                                          "-, not starting with '.')"));
    Outcome unknown = open_on(std::string(64, 'N')), garbage = open_on("GARBAGE");
    EXPECT_EQ(unknown.first, TARN_ROUTER_RC_UNKNOWN_NODE);
    EXPECT_NE(unknown.second.find("is unknown: there is no "), std::string::npos) << unknown.second;
    EXPECT_EQ(garbage, Outcome(TARN_ROUTER_RC_STORAGE_ERROR, "Node GARBAGE cannot be opened: file is not a database"));
}

TEST_F(Rpdb, UnknownObjectsColumnsOperatorsAndCommandsAreNamed)
{
    // The engine's own catalog is no object kind.
    const char *catalog = postgres() ? "pg_class" : "sqlite_schema";
    const std::string catalogUnknown =
        std::string("Object kind ") + catalog +
        " is unknown: node UnknownObjectsColumnsOperatorsAndCommandsAreNamed has no such "
        "table";
    struct Case {
        const char *object;
        const char *command;
        Criteria criteria;
        unsigned code;
        const char *message;
    } cases[] = {
        {"PRINTERS",
         "SELECT",
         {},
         TARN_ROUTER_RC_UNKNOWN_OBJECT,
         "Object kind PRINTERS is unknown: node UnknownObjectsColumnsOperatorsAndCommandsAreNamed has no such table"},
        {"../PRINTER",
         "SELECT",
         {},
         TARN_ROUTER_RC_UNKNOWN_OBJECT,
         "Object kind \"../PRINTER\" is not valid (1 to 64 of A-Z a-z 0-9 _, not starting with a digit)"},
        {"PRINTER\"",
         "SELECT",
         {},
         TARN_ROUTER_RC_UNKNOWN_OBJECT,
         "Object kind \"PRINTER\"\" is not valid (1 to 64 of A-Z a-z 0-9 _, not starting with a digit)"},
        {catalog, "SELECT", {}, TARN_ROUTER_RC_UNKNOWN_OBJECT, catalogUnknown.c_str()},
        {"", "SELECT", {}, TARN_ROUTER_RC_UNKNOWN_OBJECT, "The request names no object kind (OBJECT is empty)"},
        {"printer",
         "SELECT",
         {{"COLOUR", "EQ", "x"}},
         TARN_ROUTER_RC_BAD_REQUEST,
         "Column \"COLOUR\" is unknown in PRINTER"},
        {"printer",
         "SELECT",
         {{"PRN_NAME\" OR 1=1 --", "EQ", "x"}},
         TARN_ROUTER_RC_BAD_REQUEST,
         "Column \"PRN_NAME\" OR 1=1 --\" is unknown in PRINTER"},
        {"PRINTER",
         "SELECT",
         {{"NAME", "LIKE", "x"}},
         TARN_ROUTER_RC_BAD_REQUEST,
         "Operator \"LIKE\" of column PRN_NAME is unknown (EQ, NE, LT, LE, GT, GE)"},
        {"PRINTER",
         "SELECT",
         {{"NEW NAME", "EQ", "x"}},
         TARN_ROUTER_RC_BAD_REQUEST,
         "SELECT does not take COPY_KEY (only DEFINE, ALTER, COPY and RENAME do)"},
        {"PRINTER", "FROB", {}, TARN_ROUTER_RC_BAD_REQUEST, "Command FROB is unknown"},
        {"PRINTER", "LOGON", {}, TARN_ROUTER_RC_BAD_REQUEST, "LOGON needs the request field ID EQ <user id>"},
    };
    for (const Case &c : cases) {
        ZeSetDtsInfoField(info_, ZE_INFO_OBJECT, c.object);
        EXPECT_EQ(act(c.command, c.criteria, item_), ZE_RC_ROUTER_FAILED) << c.message;
        EXPECT_EQ(outcome(), Outcome(c.code, c.message));
    }
    EXPECT_EQ(sql("SELECT count(*) FROM PRINTER"), "5");
}
