// Router settings from the environment table, each scenario in a run of
// its own: the SQL trace of KV_ROUTER_DEBUG, the lock wait of
// KV_ROUTER_TIMEOUT and a missing data directory.
#include "rpdb_test.hpp"

using RpdbDebug = Rpdb;

TEST_F(RpdbDebug, StatementsAreTracedWithoutTheirValues)
{
    ASSERT_EQ(act(ZeDefineDtsItem, {{"NAME", "EQ", "P1'--"}, {"DESCRIPTION", "EQ", "secret text"}}), ZE_OK);
    EXPECT_TRUE(traced("TarnRpdb SQL: INSERT INTO \"PRINTER\" (\"PRN_NAME\", \"PRN_DESC\") VALUES (?, ?)"))
        << trace_text();
    EXPECT_TRUE(traced("TarnRpdb SQL: COMMIT"));
    EXPECT_EQ(count_traced("TarnRpdb SQL: BEGIN IMMEDIATE"), 1u);
    for (const std::string &line : trace())
        EXPECT_TRUE(line.rfind("TarnRpdb SQL:", 0) != 0 || line.find("secret") == std::string::npos) << line;
}

TEST_F(RpdbDebug, ALockedNodeIsAStorageErrorOnceTheWaitIsOver)
{
    sqlite3 *other = nullptr;
    sqlite3_open(nodePath_.c_str(), &other);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    EXPECT_EQ(act(ZeDefineDtsItem, {{"NAME", "EQ", "P2"}}), ZE_RC_ROUTER_FAILED);
    EXPECT_EQ(outcome().first, TARN_ROUTER_RC_STORAGE_ERROR);
    const std::string said =
        "DEFINE on PRINTER failed on node " + node_ + ": another process held the node's lock; waited 1.";
    EXPECT_EQ(message().substr(0, said.size()), said) << "KV_ROUTER_TIMEOUT=1: " << message();
    EXPECT_NE(message().find(" s for it (KV_ROUTER_TIMEOUT): database is locked"), std::string::npos) << message();
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    EXPECT_EQ(act(ZeDefineDtsItem, {{"NAME", "EQ", "P2"}}), ZE_OK);
}

using RpdbNoDataDir = Rpdb;

TEST_F(RpdbNoDataDir, EveryRequestIsRefused)
{
    EXPECT_EQ(act("DELETE", {}), ZE_RC_ROUTER_FAILED);
    EXPECT_EQ(outcome(), Outcome(TARN_ROUTER_RC_NO_DATA_DIR,
                                 "No data directory: set TARN_DATA_DIR to the directory that holds nodes/"));
}
