// TarnRout when the node fails: down, restarted between two requests, a
// statement past the timeout, the server ending the connection or crashing
// in the middle of a write, and two processes altering one item at once.
// Every case ends with a documented code and the row all there or not there.
#include "tests/rpdb/rpdb_test.hpp"

#include "TarnRout.h"

#include <sys/wait.h>

#include <chrono>
#include <thread>

namespace {

class RoutPgFaults : public Rpdb {
protected:
    static int pgnodes(const std::string &action)
    {
        return std::system((std::string(PGNODES) + " " + action + " " + pg_dir() + " >/dev/null 2>&1").c_str());
    }

    // A second connection that holds the row LASER1 locked until release().
    void lock_laser1()
    {
        locker_ = PQconnectdb(pg_conninfo(node_).c_str());
        ASSERT_EQ(PQstatus(locker_), CONNECTION_OK) << PQerrorMessage(locker_);
        PQclear(PQexec(locker_, "BEGIN"));
        PGresult *r = PQexec(locker_, "SELECT 1 FROM printer WHERE prn_name = 'LASER1' FOR UPDATE");
        EXPECT_EQ(PQresultStatus(r), PGRES_TUPLES_OK);
        PQclear(r);
    }
    void release()
    {
        if (!locker_) return;
        PQclear(PQexec(locker_, "ROLLBACK"));
        PQfinish(locker_);
        locker_ = nullptr;
    }
    void TearDown() override
    {
        release();
        Rpdb::TearDown();
    }

    // A child process that, once this node's router connection waits for a
    // lock, runs `then` (a shell command, or "" to end that backend).
    pid_t when_waiting(const std::string &then)
    {
        pid_t child = fork();
        if (child != 0) return child;
        const std::string waiting = "SELECT pid FROM pg_stat_activity WHERE datname = '" + node_ +
                                    "' AND application_name = 'TarnRout' AND wait_event_type = 'Lock'";
        for (int i = 0; i < 200; ++i) {
            const std::string pid = pg_admin(waiting);
            if (!pid.empty()) {
                if (then.empty()) pg_admin("SELECT pg_terminate_backend(" + pid + ")");
                else std::system(then.c_str());
                _exit(0);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        _exit(1);
    }
    static int exit_code(pid_t child)
    {
        int status = 0;
        waitpid(child, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::string laser1() const { return sql("SELECT PRN_COPIES, PRN_LOCATION FROM PRINTER WHERE PRN_NAME = 'LASER1'"); }

    PGconn *locker_ = nullptr;
};

}  // namespace

TEST_F(RoutPgFaults, ADownNodeIsUnreachableAndARestartedOneIsReconnected)
{
    write_map("[DOWN]\nhost=/nonexistent/socket/dir\ndbname=DEMO\n");
    ZeSetDtsInfoField(info_, ZE_INFO_DESTNODE, "DOWN");
    EXPECT_EQ(open_rows({}), ZE_RC_ROUTER_FAILED);
    EXPECT_EQ(outcome().first, TARN_ROUT_RC_NODE_UNREACHABLE);
    EXPECT_EQ(message().rfind("Node DOWN cannot be reached: ", 0), 0u) << message();

    ZeSetDtsInfoField(info_, ZE_INFO_DESTNODE, node_.c_str());
    ASSERT_EQ(open_rows({{"NAME", "EQ", "LASER*"}}), ZE_OK) << message();
    ASSERT_EQ(pgnodes("restart"), 0);
    EXPECT_EQ(open_rows({{"NAME", "EQ", "LASER*"}}), ZE_OK) << "a read after a restart: " << message();
    EXPECT_EQ(keys(), "LASER1 LASER2");
    ASSERT_EQ(pgnodes("restart"), 0);
    EXPECT_EQ(act(ZeAlterDtsItem, {{"NAME", "EQ", "LASER1"}, {"COPIES", "EQ", "4"}}), ZE_OK)
        << "a write after a restart: " << message();
    EXPECT_EQ(laser1(), "4|BLDG A FLOOR 2");
}

TEST_F(RoutPgFaults, AWriteCutOffInTheMiddleLeavesTheRowWhole)
{
    // The server ends the connection while the ALTER waits: not sent again.
    lock_laser1();
    pid_t child = when_waiting("");
    EXPECT_EQ(act(ZeAlterDtsItem, {{"NAME", "EQ", "LASER1"}, {"COPIES", "EQ", "5"}, {"LOCATION", "EQ", "GONE"}}),
              ZE_RC_ROUTER_FAILED);
    EXPECT_EQ(exit_code(child), 0);
    EXPECT_EQ(outcome().first, TARN_ROUT_RC_CONNECTION_LOST) << message();
    EXPECT_NE(message().find("nothing was changed"), std::string::npos) << message();
    release();
    EXPECT_EQ(laser1(), "1|BLDG A FLOOR 2");

    // The server crashes (immediate stop) and comes back.
    lock_laser1();
    child = when_waiting(std::string(PGNODES) + " kill " + pg_dir() + " >/dev/null 2>&1");
    EXPECT_EQ(act(ZeAlterDtsItem, {{"NAME", "EQ", "LASER1"}, {"COPIES", "EQ", "6"}, {"LOCATION", "EQ", "GONE"}}),
              ZE_RC_ROUTER_FAILED);
    EXPECT_EQ(exit_code(child), 0);
    EXPECT_EQ(outcome().first, TARN_ROUT_RC_CONNECTION_LOST) << message();
    PQfinish(locker_);
    locker_ = nullptr;
    EXPECT_EQ(laser1(), "1|BLDG A FLOOR 2");
    EXPECT_EQ(act(ZeAlterDtsItem, {{"NAME", "EQ", "LASER1"}, {"COPIES", "EQ", "7"}}), ZE_OK) << message();
    EXPECT_EQ(laser1(), "7|BLDG A FLOOR 2");
}

// Each process alters its own column of one item many times; both runs
// finish and both last values stand.
TEST_F(RoutPgFaults, TwoProcessesAlteringOneItemLoseNothing)
{
    ASSERT_EQ(open_rows({}), ZE_OK) << "the parent's connection is open before the fork";
    constexpr int kRounds = 40;
    auto alter_many = [&](const char *field, auto value_of) {
        pid_t child = fork();
        if (child != 0) return child;
        int failures = 0;
        for (int i = 1; i <= kRounds; ++i) {
            const std::string value = value_of(i);
            unsigned rc = act(ZeAlterDtsItem, {{"NAME", "EQ", "LASER1"}, {field, "EQ", value.c_str()}});
            failures += rc != ZE_OK && outcome().first != TARN_ROUT_RC_CONFLICT;
        }
        _exit(failures);
    };
    pid_t copies = alter_many("COPIES", [](int i) { return std::to_string(i % 9 + 1); });
    pid_t location = alter_many("LOCATION", [](int i) { return "ROOM " + std::to_string(i); });
    EXPECT_EQ(exit_code(copies), 0);
    EXPECT_EQ(exit_code(location), 0);
    EXPECT_EQ(laser1(), std::to_string(kRounds % 9 + 1) + "|ROOM " + std::to_string(kRounds));
    EXPECT_EQ(open_rows({{"NAME", "EQ", "LASER1"}}), ZE_OK) << "the parent's connection still serves: " << message();
}
