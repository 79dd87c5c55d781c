// TarnRout on PostgreSQL nodes: logons that are the node's own roles, the
// node's grants deciding what a session may change, the node map, and the
// settings (run rout_pg_settings: timeout 1 s, 2 agents, no wait, SQL
// trace on; run rout_pg_timeout: timeout 3 s). Passwords appear in no trace line and no message.
#include "tests/rpdb/rpdb_test.hpp"

#include "TarnRout.h"

#include <chrono>

namespace {

constexpr const char *kReaderPassword = "tarn-reader-pw";

class RoutPg : public Rpdb {
protected:
    const char *node() const { return node_.c_str(); }
    std::string messages_and_trace() const { return message() + "\n" + trace_text(); }
};

using RoutSettings = RoutPg;
using RoutTimeout = RoutPg;

}  // namespace

TEST_F(RoutPg, ASessionRunsTheLocalUsersRequestsAsItsRoleUntilLogoff)
{
    ZeSetDtsInfoField(info_, ZE_INFO_USERNAME, "alice");
    EXPECT_EQ(ZeLogonIsValidUser(node(), "tarn_reader", "alice"), ZE_RC_ROUTER_FAILED);
    ASSERT_EQ(ZeLogonUser(node(), "tarn_reader", kReaderPassword, "alice"), ZE_OK) << trace_text();
    EXPECT_EQ(ZeLogonIsValidUser(node(), "tarn_reader", "alice"), ZE_OK);
    EXPECT_EQ(ZeLogonIsValidUser(node(), "tarn_admin", "alice"), ZE_RC_ROUTER_FAILED) << "another role's session";

    // The session survives many requests; the node's grants refuse its writes.
    for (int i = 0; i < 25; ++i) ASSERT_EQ(open_rows({{"NAME", "EQ", "LA*"}}), ZE_OK) << message();
    EXPECT_EQ(keys(), "LABELS LASER1 LASER2");
    EXPECT_EQ(act(ZeDefineDtsItem, {{"NAME", "EQ", "P1"}}), ZE_RC_ROUTER_FAILED);
    EXPECT_EQ(outcome(), Outcome(TARN_ROUT_RC_PERMISSION_DENIED, "DEFINE on PRINTER refused by node " + node_ +
                                                                     ": permission denied for table printer"));
    EXPECT_EQ(pg_admin("SELECT usename FROM pg_stat_activity WHERE datname = '" + node_ +
                       "' AND application_name = 'TarnRout' ORDER BY 1"),
              "tarn_reader");

    // Another local user has no session: the map's credentials may write.
    ZeSetDtsInfoField(info_, ZE_INFO_USERNAME, "bob");
    EXPECT_EQ(act(ZeDefineDtsItem, {{"NAME", "EQ", "P1"}}), ZE_OK) << message();

    ZeSetDtsInfoField(info_, ZE_INFO_USERNAME, "alice");
    EXPECT_EQ(ZeLogoffUser(node(), "tarn_reader", "alice"), ZE_OK);
    EXPECT_EQ(ZeLogonIsValidUser(node(), "tarn_reader", "alice"), ZE_RC_ROUTER_FAILED);
    EXPECT_EQ(ZeLogoffUser(node(), "tarn_reader", "alice"), ZE_RC_ROUTER_FAILED);
    EXPECT_TRUE(traced("***     User tarn_reader is not logged on to " + node_)) << trace_text();
    EXPECT_EQ(act(ZeDefineDtsItem, {{"NAME", "EQ", "P2"}}), ZE_OK) << message();
    EXPECT_EQ(sql("SELECT PRN_NAME FROM PRINTER WHERE PRN_NAME LIKE 'P_' ORDER BY 1"), "P1;P2");
}

TEST_F(RoutPg, WrongPasswordsAndUnknownRolesGetOneAnswer)
{
    const char *const attempts[][2] = {
        {"tarn_reader", "Tarn-reader-pw"}, {"nobody", kReaderPassword}, {"tarn_reader", "x"}};
    for (const auto &attempt : attempts) {
        clear_trace();
        EXPECT_EQ(ZeLogonUser(node(), attempt[0], attempt[1], "alice"), ZE_RC_ROUTER_FAILED) << attempt[0];
        EXPECT_TRUE(traced("*** ZeLogCl : Logon failure, rc = 1009")) << trace_text();
        EXPECT_TRUE(traced("***     Logon to " + node_ + " refused: unknown user or wrong password"));
        EXPECT_EQ(trace_text().find(attempt[1]), std::string::npos);
    }
    clear_trace();
    EXPECT_EQ(ZeLogonUser("NoSuchNode", "tarn_reader", kReaderPassword, "alice"), ZE_RC_ROUTER_FAILED);
    EXPECT_TRUE(traced("*** ZeLogCl : Logon failure, rc = 1001")) << trace_text();
}

TEST_F(RoutPg, TheNodeMapNamesNodesAndRefusesBadEntries)
{
    const std::string map = std::string(ZeEnv(ZE_ENV_TARN_DATA_DIR)) + "/nodes.conf";
    struct Case {
        std::string entry;  // appended to the map
        const char *node;
        unsigned code;
        std::string message;
    } cases[] = {
        {"[TYPO]\nhots=/tmp\n", "TYPO", TARN_ROUT_RC_BAD_NODE_MAP,
         "The node map " + map + ", line 8: \"hots\" of node TYPO is no libpq connection keyword"},
        {"[SECRET]\ndbname=x\npassword=tarn-admin-pw\n", "SECRET", TARN_ROUT_RC_BAD_NODE_MAP,
         "The node map " + map +
             ", line 9: node SECRET holds a password; keep it in the password file (PGPASSFILE, ~/.pgpass)"},
        {"[BROKEN]\njust words\n", "BROKEN", TARN_ROUT_RC_BAD_NODE_MAP,
         "The node map " + map + ", line 8: \"just words\" is not keyword=value"},
        {"", "NOWHERE", TARN_ROUTER_RC_UNKNOWN_NODE,
         "Node NOWHERE is unknown: it is not in the node map " + map + " and no libpq service names it"},
        {"", "../etc", TARN_ROUTER_RC_UNKNOWN_NODE,
         "Node name \"../etc\" is not valid (1 to 64 of A-Z a-z 0-9 _ . -, not starting with '.')"},
    };
    for (const Case &c : cases) {
        write_map("\n" + c.entry);
        ZeSetDtsInfoField(info_, ZE_INFO_DESTNODE, c.node);
        EXPECT_EQ(act(ZeOpenDtsItem, {{"NAME", "EQ", "LASER1"}}), ZE_RC_ROUTER_FAILED) << c.node;
        EXPECT_EQ(outcome(), Outcome(c.code, c.message));
        EXPECT_EQ(message().find("tarn-admin-pw"), std::string::npos);
    }

    // A node absent from the map is the libpq service of its name.
    const std::string services = std::string(ZeEnv(ZE_ENV_TARN_DATA_DIR)) + "/services.conf";
    std::ofstream(services) << map_entry("VIA_SERVICE", node_);
    setenv("PGSERVICEFILE", services.c_str(), 1);
    ZeSetDtsInfoField(info_, ZE_INFO_DESTNODE, "VIA_SERVICE");
    EXPECT_EQ(act(ZeOpenDtsItem, {{"NAME", "EQ", "LASER1"}}), ZE_OK) << message();
    EXPECT_EQ(values(item_), "LASER1|Ready|TRUE|1|BLDG A FLOOR 2|Floor printer, duplex|");
    unsetenv("PGSERVICEFILE");
}

// tarnmknode --pg makes a node's database UTF8 with LC_CTYPE C.UTF-8 (case
// folds as on the demo nodes): a missing one is created, an empty one of
// another LC_CTYPE made anew, one with tables only with --force.
TEST_F(RoutPg, TarnmknodeMakesNodesThatFoldLikeTheDemoNodes)
{
    const std::string db = node_ + "_MK";
    const struct {
        const char *made;  // the database before: "" none, else made in C with this statement run in it
        const char *force;
        int exit;
        const char *ctype;
    } cases[] = {{"", "", 0, "C.UTF-8"},
                 {"SELECT 1", "", 0, "C.UTF-8"},
                 {"CREATE TABLE kept (a int)", "", 1, "C"},
                 {"CREATE TABLE kept (a int)", " --force", 0, "C.UTF-8"}};
    for (const auto &c : cases) {
        ASSERT_EQ(pg_admin("DROP DATABASE IF EXISTS \"" + db + "\" WITH (FORCE)"), "");
        if (*c.made) pg_admin("CREATE DATABASE \"" + db + "\" TEMPLATE template0 LC_CTYPE 'C' LC_COLLATE 'C'");
        if (*c.made) pg_admin(c.made, db);
        const std::string command = std::string(TARNMKNODE) + c.force + " --pg '" + pg_conninfo(db) + "' " +
                                    ZeEnv(ZE_ENV_TARN_DATA_DIR) + " MK " + SQL_DIR + "/schema.sql >/dev/null 2>&1";
        const int status = std::system(command.c_str());
        EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, c.exit) << c.made << c.force;
        EXPECT_EQ(pg_admin("SELECT datctype FROM pg_database WHERE datname = '" + db + "'"), c.ctype);
    }
    EXPECT_EQ(pg_admin("SELECT upper('bâtiment é')", db), "BÂTIMENT É");
    pg_admin("DROP DATABASE \"" + db + "\" WITH (FORCE)");
}

// KV_ROUTER_AGENTS=2: the map's connection and one session per node.
TEST_F(RoutSettings, SessionsAreBoundedByTheAgentsSetting)
{
    ASSERT_EQ(ZeLogonUser(node(), "tarn_reader", kReaderPassword, "alice"), ZE_OK) << trace_text();
    EXPECT_EQ(ZeLogonUser(node(), "tarn_reader", kReaderPassword, "alice"), ZE_OK) << "a new logon replaces it";
    clear_trace();
    EXPECT_EQ(ZeLogonUser(node(), "tarn_reader", kReaderPassword, "bob"), ZE_RC_ROUTER_FAILED);
    EXPECT_TRUE(traced("*** ZeLogCl : Logon failure, rc = 1017")) << trace_text();
    EXPECT_EQ(ZeLogoffUser(node(), "tarn_reader", "alice"), ZE_OK);
    EXPECT_EQ(ZeLogonUser(node(), "tarn_reader", kReaderPassword, "bob"), ZE_OK);
}

// With KV_ROUTER_DEBUG on, statements and connections are traced; no
// password reaches a trace line or a message, whatever the logon's outcome.
TEST_F(RoutSettings, StatementsAreTracedAndPasswordsNever)
{
    clear_trace();
    ASSERT_EQ(act(ZeDefineDtsItem, {{"NAME", "EQ", "P1'--"}, {"DESCRIPTION", "EQ", "secret text"}}), ZE_OK)
        << message();
    EXPECT_TRUE(traced("TarnRout SQL: INSERT INTO \"printer\" (\"prn_name\", \"prn_desc\") VALUES "
                       "(CAST($1 AS text), CAST($2 AS text))"))
        << trace_text();
    EXPECT_TRUE(traced("TarnRout SQL: COMMIT"));
    std::string said;
    for (const char *password : {kReaderPassword, "not-the-password"}) {
        ZeLogonUser(node(), "tarn_reader", password, "carol");
        said += messages_and_trace();
        ZeLogoffUser(node(), "tarn_reader", "carol");
    }
    EXPECT_TRUE(traced("TarnRout: connecting to node " + node_ + " as tarn_reader")) << trace_text();
    for (const char *secret : {kReaderPassword, "not-the-password", "tarn-admin-pw"})
        EXPECT_EQ(said.find(secret), std::string::npos) << secret;
}

// KV_ROUTER_TIMEOUT=1: a statement that waits longer is cut off.
TEST_F(RoutSettings, AStatementPastTheTimeoutChangesNothing)
{
    PGconn *locker = PQconnectdb(pg_conninfo(node_).c_str());
    ASSERT_EQ(PQstatus(locker), CONNECTION_OK);
    PQclear(PQexec(locker, "BEGIN"));
    PQclear(PQexec(locker, "SELECT 1 FROM printer WHERE prn_name = 'LASER2' FOR UPDATE"));
    EXPECT_EQ(act(ZeAlterDtsItem, {{"NAME", "EQ", "LASER2"}, {"COPIES", "EQ", "9"}}), ZE_RC_ROUTER_FAILED);
    EXPECT_EQ(outcome(), Outcome(TARN_ROUT_RC_TIMEOUT, "ALTER on PRINTER timed out on node " + node_ +
                                                           ": canceling statement due to statement timeout"));
    PQclear(PQexec(locker, "ROLLBACK"));
    PQfinish(locker);
    EXPECT_EQ(sql("SELECT PRN_COPIES FROM PRINTER WHERE PRN_NAME = 'LASER2'"), "2");
    EXPECT_EQ(act(ZeAlterDtsItem, {{"NAME", "EQ", "LASER2"}, {"COPIES", "EQ", "9"}}), ZE_OK) << message();
}

// A read is one statement once the table's columns are known; a write is
// still one transaction; a column dropped by the node's administrator is
// noticed by the next request, which runs again on the table as it now is.
TEST_F(RoutSettings, KeptTablesSaveRoundTripsAndFollowAChangedTable)
{
    ASSERT_EQ(pg_admin("ALTER TABLE printer ADD COLUMN prn_extra text", node_), "");
    ASSERT_EQ(open_rows({{"NAME", "EQ", "LA*"}}), ZE_OK) << message();
    clear_trace();
    ASSERT_EQ(open_rows({{"NAME", "EQ", "LA*"}}), ZE_OK) << message();
    EXPECT_EQ(keys(), "LABELS LASER1 LASER2");
    EXPECT_EQ(count_traced("TarnRout SQL: "), 1u) << trace_text();
    EXPECT_EQ(count_traced("TarnRout SQL: SELECT \"prn_name\""), 1u) << trace_text();

    clear_trace();
    ASSERT_EQ(act(ZeAlterDtsItem, {{"NAME", "EQ", "LASER2"}, {"COPIES", "EQ", "7"}}), ZE_OK) << message();
    EXPECT_TRUE(traced("TarnRout SQL: BEGIN")) << trace_text();
    EXPECT_TRUE(traced("TarnRout SQL: COMMIT"));
    EXPECT_EQ(count_traced("TarnRout SQL: SELECT c.oid"), 0u) << "the table's columns are kept";

    ASSERT_EQ(pg_admin("ALTER TABLE printer DROP COLUMN prn_extra", node_), "");
    clear_trace();
    ASSERT_EQ(open_rows({{"NAME", "EQ", "LA*"}}), ZE_OK) << message();
    EXPECT_EQ(keys(), "LABELS LASER1 LASER2");
    EXPECT_EQ(count_traced("TarnRout SQL: SELECT c.oid"), 1u) << "the columns are read again\n" << trace_text();
    ASSERT_EQ(act(ZeAlterDtsItem, {{"NAME", "EQ", "LASER2"}, {"COPIES", "EQ", "8"}}), ZE_OK) << message();
    EXPECT_EQ(sql("SELECT PRN_COPIES FROM PRINTER WHERE PRN_NAME = 'LASER2'"), "8");
}

// KV_ROUTER_TIMEOUT=3 (run rout_pg_timeout): a session whose backend the
// server ended is reconnected with its limits, so a DEFINE blocked by a
// lock held far longer ends with the timeout code, and nothing is stored.
TEST_F(RoutTimeout, ASessionReconnectedAfterItsBackendEndedKeepsTheTimeout)
{
    ZeSetDtsInfoField(info_, ZE_INFO_USERNAME, "alice");
    ASSERT_EQ(ZeLogonUser(node(), "tarn_admin", "tarn-admin-pw", "alice"), ZE_OK) << trace_text();
    ASSERT_EQ(act(ZeDefineDtsItem, {{"NAME", "EQ", "P1"}}), ZE_OK) << message();
    EXPECT_NE(pg_admin("SELECT count(pg_terminate_backend(pid)) FROM pg_stat_activity WHERE datname = '" + node_ +
                       "' AND application_name = 'TarnRout'"),
              "0");
    PGconn *locker = PQconnectdb(pg_conninfo(node_).c_str());
    ASSERT_EQ(PQstatus(locker), CONNECTION_OK);
    PQclear(PQexec(locker, "BEGIN; LOCK TABLE printer IN EXCLUSIVE MODE"));

    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(act(ZeDefineDtsItem, {{"NAME", "EQ", "P2"}}), ZE_RC_ROUTER_FAILED);
    const auto took = std::chrono::steady_clock::now() - started;
    EXPECT_EQ(outcome().first, TARN_ROUT_RC_TIMEOUT) << message();
    EXPECT_LT(took, std::chrono::seconds(8));
    EXPECT_GE(took, std::chrono::seconds(2)) << "the lock was waited for";
    PQclear(PQexec(locker, "ROLLBACK"));
    PQfinish(locker);
    EXPECT_EQ(sql("SELECT PRN_NAME FROM PRINTER WHERE PRN_NAME LIKE 'P_' ORDER BY 1"), "P1");
    EXPECT_EQ(ZeLogoffUser(node(), "tarn_admin", "alice"), ZE_OK);
}
