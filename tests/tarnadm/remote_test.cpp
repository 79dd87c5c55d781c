// tarnadm through TarnRout on a node of the test cluster whose map entry
// names no role: a session acts as its role in later runs until logoff or
// expiry and no other credentials stand in for it; an unreachable node
// exits 4 on every command; a refused delete names the item that refers.
// Run as tarnadm_pg (TARN_TEST_PG names the cluster).
#include "pg_rows.hpp"
#include "tarnadm_run.hpp"

#include <nlohmann/json.hpp>
#include <sys/stat.h>

#include <random>

class TarnadmPg : public TarnadmTest {
protected:
    void SetUp() override
    {
        TarnadmTest::SetUp();
        node_ = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::error_code ignored;
        socket_ = std::filesystem::canonical(std::string(std::getenv("TARN_TEST_PG")) + "/socket", ignored).string();
        ASSERT_EQ(admin("DROP DATABASE IF EXISTS \"" + node_ + "\" WITH (FORCE)"), "");
        ASSERT_EQ(admin("CREATE DATABASE \"" + node_ + "\" TEMPLATE \"DEMO2\""), "");
        std::filesystem::create_directory(work_ + "/empty");
        write_file(data_ + "/nodes.conf", "[" + node_ + "]\nhost=" + socket_ + "\ndbname=" + node_ +
                                              "\n\n[DOWN]\nhost=" + work_ + "/empty\ndbname=DEMO2\nuser=tarn_reader\n");
        env_.push_back("DEMO_ROUTER=");
        env_.push_back("TARN_NODE=" + node_);
        for (const char *role : {"tarn_reader", "tarn_admin"}) {
            const std::string file = work_ + "/" + role;
            write_file(file, std::string(role) == "tarn_admin" ? "tarn-admin-pw\n" : "tarn-reader-pw\n");
            chmod(file.c_str(), 0600);
        }
    }
    void TearDown() override { admin("DROP DATABASE IF EXISTS \"" + node_ + "\" WITH (FORCE)"); }

    std::string admin(const std::string &statement, const std::string &database = "postgres") const
    {
        return pg_rows("host=" + socket_ + " dbname=" + database + " user=tarn_admin", statement);
    }
    std::string copies() const { return admin("SELECT prn_copies FROM printer WHERE prn_name = 'LASER1'", node_); }
    Result logon(const char *role) const
    {
        return run({"logon", node_, role, "--password-file", work_ + "/" + role, "--trace=" + trace()});
    }
    Result alter(const std::string &copies) const
    {
        return run({"alter", "PRINTER", "LASER1", "COPIES=" + copies, "--trace=" + trace()});
    }
    std::string trace() const { return work_ + "/trace.txt"; }
    std::string node_, socket_;
};

TEST_F(TarnadmPg, ASessionActsAsItsRoleInLaterRunsAndNothingElseStandsIn)
{
    ASSERT_EQ(logon("tarn_reader").exit, 0);
    Result r = alter("3");
    EXPECT_EQ(r.exit, 1);
    EXPECT_NE(r.err.find("node code 1011"), std::string::npos) << r.err;
    EXPECT_EQ(copies(), "1");
    EXPECT_EQ(run({"show", "PRINTER", "LASER1"}).exit, 0);
    EXPECT_EQ(run({"logoff", node_}).exit, 0);

    ASSERT_EQ(logon("tarn_admin").exit, 0);
    r = alter("3");
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(copies(), "3");
    r = run({"delete", "PRINTER", "LASER1"});  // a queue still feeds it
    EXPECT_EQ(r.exit, 3);
    EXPECT_NE(r.err.find("PRINTER LASER1: still referenced by QUEUE "), std::string::npos) << r.err;
    EXPECT_EQ(run({"logoff", node_}).exit, 0);

    // The map names no role the node lets in: without a session, refused.
    r = alter("4");
    EXPECT_EQ(r.exit, 1);
    EXPECT_NE(r.err.find("refuses the credentials of its map entry"), std::string::npos) << r.err;
    EXPECT_EQ(copies(), "3");

    // An expired session is ended, not replaced by the map's credentials.
    ASSERT_EQ(logon("tarn_admin").exit, 0);
    std::string text = read_file(session_file());
    text.replace(text.find("expires="), text.find('\n', text.find("expires=")) - text.find("expires="), "expires=1");
    write_file(session_file(), text);
    r = alter("4");
    EXPECT_EQ(r.exit, 1);
    EXPECT_NE(r.err.find("expired at"), std::string::npos) << r.err;
    EXPECT_EQ(copies(), "3");
    EXPECT_EQ(session_file(), "");

    const std::string traced = read_file(trace());
    EXPECT_NE(traced.find("LOGON"), std::string::npos);
    EXPECT_EQ(traced.find("tarn-admin-pw"), std::string::npos);
    EXPECT_EQ(traced.find("tarn-reader-pw"), std::string::npos);
}

TEST_F(TarnadmPg, AnUnreachableNodeExits4AndTheErrorCarriesItsMeaning)
{
    for (const std::vector<std::string> &args :
         std::vector<std::vector<std::string>>{{"list", "PRINTER"},
                                               {"names", "PRINTER"},
                                               {"show", "PRINTER", "LASER1"},
                                               {"define", "PRINTER", "NAME=X"}}) {
        std::vector<std::string> line = {"-n", "DOWN", "-o", "json"};
        line.insert(line.end(), args.begin(), args.end());
        const Result r = run(line);
        EXPECT_EQ(r.exit, 4) << args[0] << ": " << r.err;
        const auto error = nlohmann::json::parse(r.err);
        EXPECT_EQ(error["node_code"], 1012) << r.err;
        EXPECT_EQ(error["node_meaning"], "the node cannot be reached");
    }
    const Result r = run({"-n", "DOWN", "env"});
    EXPECT_EQ(r.exit, 4);
    EXPECT_NE(r.out.find("Problem: node DOWN does not answer: node code 1012"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("Nothing stops a request."), std::string::npos);
}

// On TarnRout too a process that logged on and off keeps no password.
TEST_F(TarnadmPg, APasswordLeavesNoTraceInTheProcess)
{
    std::random_device random;
    const std::string canary = "canary-" + std::to_string(random()) + std::to_string(random());
    expect_password_kept_out({},
                             "logon " + node_ + " tarn_reader\nlist PRINTER NAME=LASER1\nlogoff " + node_ +
                                 "\nset fields " + canary + "\n",
                             "logged off", "tarn-reader-pw", canary);
}
