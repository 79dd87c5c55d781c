// tarnweb on PostgreSQL nodes through TarnRout (run tarnweb_remote, on the
// test cluster): each session is the logon of its own role, under a local
// user name of its own, so two people on one node keep their own grants; a
// logon that finds every connection of the node in use is 503, not 401.
#include "web_test.hpp"

#include "pg_rows.hpp"

namespace {

class WebPg : public Web {
protected:
    void SetUp() override
    {
        Web::SetUp();
        router_ = "remote";
        database_ = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        const std::string socket = std::filesystem::canonical(std::string(std::getenv("TARN_TEST_PG")) + "/socket");
        conninfo_ = "host=" + socket + " user=tarn_admin dbname=";
        ASSERT_EQ(admin("DROP DATABASE IF EXISTS \"" + database_ + "\" WITH (FORCE)"), "");
        ASSERT_EQ(admin("CREATE DATABASE \"" + database_ + "\" TEMPLATE \"DEMO2\""), "");
        std::ofstream(data_ + "/nodes.conf")
            << "[DEMO]\nhost=" << socket << "\ndbname=" << database_ << "\nuser=tarn_admin\n[LOCAL]\nhost=" << socket
            << "\ndbname=LOCAL\nuser=tarn_admin\n";
    }
    std::string admin(const std::string &statement, const std::string &database = "postgres") const
    {
        return pg_rows(conninfo_ + database, statement);
    }
    // The roles of the router's connections to this test's node.
    std::string roles() const
    {
        return admin("SELECT usename FROM pg_stat_activity WHERE datname = '" + database_ +
                     "' AND application_name = 'TarnRout' ORDER BY 1");
    }

    std::string database_, conninfo_;
};

}  // namespace

TEST_F(WebPg, EachSessionRunsAsItsOwnRole)
{
    start();
    const Login reader = logon("DEMO", "tarn_reader", "tarn-reader-pw");
    const Login owner = logon("DEMO", "tarn_admin", "tarn-admin-pw");
    ASSERT_FALSE(reader.csrf.empty());
    ASSERT_FALSE(owner.csrf.empty());
    EXPECT_EQ(roles(), "tarn_admin;tarn_reader");
    EXPECT_EQ(keys(get(kPrinters + "/items?where=NAME=LA*", reader)), "LABELS LASER1 LASER2");
    Answer refused = send("POST", kPrinters + "/items", reader, {{"NAME", "P1"}});
    EXPECT_EQ(refused.status, 403);
    EXPECT_EQ(refused.body["node_code"], 1011);
    EXPECT_EQ(send("POST", kPrinters + "/items", owner, {{"NAME", "P1"}}).status, 201);
    EXPECT_EQ(admin("SELECT prn_name FROM printer WHERE prn_name = 'P1'", database_), "P1");
    EXPECT_EQ(keys(get(kPrinters + "/items?limit=2&after=LASER2", reader)), "P1 PLOTTER");

    Answer wrong = answer(client().Post("/api/v1/session", R"({"node":"DEMO","user":"tarn_reader","password":"nope"})",
                                        "application/json"));
    EXPECT_EQ(wrong.status, 401);
    EXPECT_EQ(wrong.body["node_code"], 1009);
    EXPECT_EQ(send("DELETE", "/api/v1/session", reader).status, 200);
    EXPECT_TRUE(eventually([&] { return roles() == "tarn_admin"; })) << roles();
    EXPECT_EQ(stop(), 0);
    EXPECT_TRUE(eventually([&] { return roles().empty(); })) << roles();
}

TEST_F(WebPg, ALogonWithNoConnectionLeftIsUnavailableNotUnauthorized)
{
    setenv("KV_ROUTER_AGENTS", "2", 1);  // the map's connection and one session
    start();
    unsetenv("KV_ROUTER_AGENTS");
    const Login reader = logon("DEMO", "tarn_reader", "tarn-reader-pw");
    ASSERT_FALSE(reader.csrf.empty());
    Answer full = answer(client().Post(
        "/api/v1/session", R"({"node":"DEMO","user":"tarn_admin","password":"tarn-admin-pw"})", "application/json"));
    EXPECT_EQ(full.status, 503);
    EXPECT_EQ(full.body["node_code"], 1017);
    EXPECT_EQ(send("DELETE", "/api/v1/session", reader).status, 200);
    EXPECT_TRUE(eventually([&] {
        return answer(client().Post("/api/v1/session",
                                    R"({"node":"DEMO","user":"tarn_admin","password":"tarn-admin-pw"})",
                                    "application/json"))
                   .status == 201;
    }));
    EXPECT_EQ(stop(), 0);
}
