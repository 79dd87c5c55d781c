// LOGON, LOGOFF and VERIFY carried out by the demo router on a copy of the
// demo node: one answer for wrong passwords and unknown users, users added
// with tarnuser, bad requests, and passwords that reach neither a trace
// line nor the node's file.
#include "tests/rpdb/rpdb_test.hpp"

#include <sys/wait.h>

namespace {

class RpdbLogon : public Rpdb {
protected:
    // Runs tarnuser on the data directory with `password` on stdin: its exit status.
    static int tarnuser(const std::string &args, const std::string &password)
    {
        const std::string dataDir = ZeEnv(ZE_ENV_TARN_DATA_DIR);
        const std::string command = std::string(TARNUSER) + " " + dataDir + " " + args + " >/dev/null 2>&1";
        FILE *tool = popen(command.c_str(), "w");
        if (!tool) return -1;
        std::fputs((password + "\n").c_str(), tool);
        const int status = pclose(tool);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    // What tarnuser writes to stdout and stderr, given the password "pw".
    static std::string tarnuser_says(const std::string &args)
    {
        const std::string command =
            "echo pw | " + std::string(TARNUSER) + " " + ZeEnv(ZE_ENV_TARN_DATA_DIR) + " " + args + " 2>&1";
        FILE *tool = popen(command.c_str(), "r");
        if (!tool) return "<no tarnuser>";
        std::string text;
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, tool)) text += buffer;
        pclose(tool);
        return text;
    }

    const char *node() const { return node_.c_str(); }
    std::string refused() const { return "***     Logon to " + node_ + " refused: unknown user or wrong password"; }
};

TEST_F(RpdbLogon, WrongPasswordsAndUnknownUsersGetOneAnswer)
{
    const char *const attempts[][2] = {{"DEMO", "Demo"}, {"NOBODY", "demo"}, {"demo", "demo"}};
    for (const auto &attempt : attempts) {
        clear_trace();
        EXPECT_EQ(ZeLogonUser(node(), attempt[0], attempt[1], "alice"), ZE_RC_ROUTER_FAILED) << attempt[0];
        EXPECT_TRUE(traced("*** ZeLogCl : Logon failure, rc = 1009")) << trace_text();
        EXPECT_TRUE(traced(refused()));
    }
    EXPECT_EQ(sql("SELECT count(*) FROM SESSIONS"), "0");
    EXPECT_EQ(ZeLogoffUser(node(), "DEMO", "alice"), ZE_RC_ROUTER_FAILED) << "alice has no session to end";

    clear_trace();
    EXPECT_EQ(ZeLogonUser("NoSuchNode", "DEMO", "demo", "alice"), ZE_RC_ROUTER_FAILED);
    EXPECT_TRUE(traced("*** ZeLogCl : Logon failure, rc = 1001")) << trace_text();
}

// Every trace line of a logon, a failed logon and a logoff, SQL statements
// included, and the node's file: the passwords are in none of them.
TEST_F(RpdbLogon, PasswordsOfUsersAddedWithTarnuserAreKeptNowhere)
{
    const std::string password = "Tr4ce, me not!", wrong = "Wr0ng guess";
    ASSERT_EQ(tarnuser(node_ + " TRACER", password), 0);
    EXPECT_EQ(sql("SELECT length(SALT), length(HASH), ITERATIONS FROM USERS WHERE USER_ID = 'TRACER'"), "16|32|200000");

    clear_trace();
    EXPECT_EQ(ZeLogonUser(node(), "TRACER", password.c_str(), "alice"), ZE_OK) << trace_text();
    EXPECT_EQ(ZeLogonUser(node(), "TRACER", wrong.c_str(), "alice"), ZE_RC_ROUTER_FAILED);
    EXPECT_EQ(ZeLogoffUser(node(), "TRACER", "alice"), ZE_OK);
    EXPECT_GT(count_traced("TarnRpdb SQL: "), 0u);
    for (const std::string &line : trace()) {
        EXPECT_EQ(line.find(password), std::string::npos) << line;
        EXPECT_EQ(line.find(wrong), std::string::npos) << line;
    }
    EXPECT_EQ(read_file(nodePath_).find(password), std::string::npos);

    // The same password for another user: another salt, another hash.
    ASSERT_EQ(tarnuser(node_ + " TWIN", password), 0);
    EXPECT_EQ(sql("SELECT count(DISTINCT SALT), count(DISTINCT HASH) FROM USERS"), "4|4");
}

TEST_F(RpdbLogon, TarnuserRefusesBadInput)
{
    EXPECT_EQ(tarnuser(node_ + " NEWUSER", ""), 1) << "empty password";
    EXPECT_EQ(tarnuser("../" + node_ + " NEWUSER", "pw"), 1);
    EXPECT_EQ(tarnuser(node_ + " NEWUSER", std::string(ZE_LOGON_MAX_CREDENTIALS, 'p')), 1);
    EXPECT_EQ(tarnuser(node_, "pw"), 2);
    EXPECT_EQ(sql("SELECT count(*) FROM USERS"), "2");

    // A node file that is no database is named as such, not as a node without users.
    const std::string junk = std::string(ZeEnv(ZE_ENV_TARN_DATA_DIR)) + "/nodes/JUNK.db";
    std::ofstream(junk) << "these bytes are not an SQLite database, whatever the name says\n";
    EXPECT_EQ(tarnuser("JUNK NEWUSER", "pw"), 1);
    EXPECT_EQ(tarnuser_says("JUNK NEWUSER"),
              "tarnuser: " + junk + " is not a valid node database: file is not a database\n");
    std::remove(junk.c_str());
}

TEST_F(RpdbLogon, BadLogonRequestsAreRefused)
{
    struct Case {
        const char *object, *command;
        Criteria criteria;
        unsigned code;
        std::string message;
    } cases[] = {
        {"STARLOGON",
         "LOGON",
         {{"ID", "EQ", "DEMO"}},
         TARN_ROUTER_RC_BAD_REQUEST,
         "LOGON needs the request field PASSWORD EQ <password>"},
        {"STARLOGON",
         "LOGON",
         {{"ID", "NE", "DEMO"}, {"PASSWORD", "EQ", "demo"}},
         TARN_ROUTER_RC_BAD_REQUEST,
         "LOGON takes ID with EQ only"},
        {"STARLOGON",
         "LOGON",
         {{"ID", "EQ", "DEMO"}, {"PASSWORD", "EQ", "demo"}, {"ROLE", "EQ", "x"}},
         TARN_ROUTER_RC_BAD_REQUEST,
         "LOGON does not take the request field ROLE"},
        {"STARLOGOFF",
         "LOGOFF",
         {{"ID", "EQ", "DEMO"}, {"PASSWORD", "EQ", "demo"}},
         TARN_ROUTER_RC_BAD_REQUEST,
         "LOGOFF does not take the request field PASSWORD"},
        {"USERS",
         "SELECT",
         {},
         TARN_ROUTER_RC_UNKNOWN_OBJECT,
         "Object kind USERS is not available: it holds the node's logons"},
    };
    for (const Case &c : cases) {
        ZeSetDtsInfoField(info_, ZE_INFO_OBJECT, c.object);
        EXPECT_EQ(act(c.command, c.criteria), ZE_RC_ROUTER_FAILED) << c.message;
        EXPECT_EQ(outcome(), Outcome(c.code, c.message));
    }
    EXPECT_EQ(sql("SELECT count(*) FROM USERS"), "2");

    sql("DROP TABLE SESSIONS");
    sql("DROP TABLE USERS");
    ZeSetDtsInfoField(info_, ZE_INFO_OBJECT, "STARLOGON");
    EXPECT_EQ(act("LOGON", {{"ID", "EQ", "DEMO"}, {"PASSWORD", "EQ", "demo"}}), ZE_RC_ROUTER_FAILED);
    EXPECT_EQ(outcome(), Outcome(TARN_ROUTER_RC_UNKNOWN_OBJECT,
                                 "Node " + node_ + " keeps no logons: it has no USERS and SESSIONS tables"));
}

}  // namespace

// A session lives on the node until logoff: a read-only user's session reads
// and has its writes refused, as a read-only role's grants do on TarnRout;
// a second logon of the same local user replaces the first.
TEST_F(RpdbLogon, AReadOnlySessionReadsAndIsRefusedWritesUntilReplaced)
{
    ZeSetDtsInfoField(info_, ZE_INFO_USERNAME, "alice");
    ASSERT_EQ(ZeLogonUser(node(), "READER", "reader", "alice"), ZE_OK) << trace_text();
    EXPECT_EQ(open_rows({{"NAME", "EQ", "LASER*"}}), ZE_OK) << message();
    EXPECT_EQ(act(ZeDefineDtsItem, {{"NAME", "EQ", "P1"}}), ZE_RC_ROUTER_FAILED);
    EXPECT_EQ(outcome(), Outcome(TARN_ROUTER_RC_PERMISSION_DENIED,
                                 "DEFINE on PRINTER refused by node " + node_ + ": user READER may only read"));
    ZeSetDtsInfoField(info_, ZE_INFO_USERNAME, "bob");  // no session: the node's full access
    EXPECT_EQ(act(ZeDefineDtsItem, {{"NAME", "EQ", "P2"}}), ZE_OK) << message();

    ZeSetDtsInfoField(info_, ZE_INFO_USERNAME, "alice");
    ASSERT_EQ(ZeLogonUser(node(), "DEMO", "demo", "alice"), ZE_OK);
    EXPECT_EQ(sql("SELECT USER_ID FROM SESSIONS WHERE LOCAL_USER = 'alice'"), "DEMO");
    EXPECT_EQ(ZeLogonIsValidUser(node(), "READER", "alice"), ZE_RC_ROUTER_FAILED);
    EXPECT_EQ(act(ZeDefineDtsItem, {{"NAME", "EQ", "P1"}}), ZE_OK) << message();
    EXPECT_EQ(ZeLogoffUser(node(), "DEMO", "alice"), ZE_OK);
    EXPECT_EQ(sql("SELECT PRN_NAME FROM PRINTER WHERE PRN_NAME LIKE 'P_' ORDER BY 1"), "P1;P2");
}
