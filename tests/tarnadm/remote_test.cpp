// tarnadm through TarnRout on a node of the test cluster whose map entry
// names no role: a session acts as its role in later runs until logoff or
// expiry and no other credentials stand in for it; an unreachable node
// exits 4 on every command; a refused delete names the item that refers;
// lookups by key use the key's index; one command runs on several nodes;
// several items go as batches.
// Run as tarnadm_pg (TARN_TEST_PG names the cluster).
#include "pg_rows.hpp"
#include "tarnadm_run.hpp"

#include <nlohmann/json.hpp>
#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <random>
#include <set>

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

// Every statement that finds printers by key or by a prefix pattern is
// served by the key's index on a big table: none reads the whole table. A
// key in another collation (nodes made before tarnmknode chose C) still
// gets its lookups by key from the index, and patterns answer the same.
TEST_F(TarnadmPg, KeyLookupsAndPrefixPatternsUseTheKeyIndex)
{
    ASSERT_EQ(admin("INSERT INTO printer (prn_name) SELECT 'P' || lpad(g::text, 6, '0')"
                    " FROM generate_series(1, 50000) g; ANALYZE printer",
                    node_),
              "");
    ASSERT_EQ(logon("tarn_admin").exit, 0);
    // The plan of each statement on PRINTER the commands send, with its
    // values bound, by statement kind ("SELECT LIKE" for a pattern).
    auto plans = [this](const std::vector<std::vector<std::string>> &commands) {
        std::filesystem::remove(trace());
        for (std::vector<std::string> line : commands) {
            line.push_back("--trace=" + trace());
            const Result r = run(line, "", {"KV_ROUTER_DEBUG=ON"});
            EXPECT_EQ(r.exit, 0) << line[0] << ": " << r.err;
        }
        std::multimap<std::string, std::string> found;
        std::ifstream in(trace());
        for (std::string text; std::getline(in, text);) {
            const std::size_t at = text.find("TarnRout SQL: ");
            const std::string sql = at == std::string::npos ? "" : text.substr(at + 14);
            if (sql.find("\"printer\"") == std::string::npos || sql.find(" WHERE ") == std::string::npos) continue;
            std::string values;
            for (int n = 1; sql.find("$" + std::to_string(n)) != std::string::npos; ++n) {
                const bool number = sql.find("CAST($" + std::to_string(n) + " AS integer)") != std::string::npos;
                values += std::string(n > 1 ? ", " : "") + (number ? "'2'" : "'P0010%'");
            }
            EXPECT_EQ(admin("PREPARE probe AS " + sql, node_), "") << sql;
            const std::string kind =
                sql.substr(0, sql.find(' ')) + (sql.find(" LIKE ") != std::string::npos ? " LIKE" : "");
            found.emplace(kind, admin("EXPLAIN EXECUTE probe(" + values + ")", node_) + "\n" + sql);
            admin("DEALLOCATE probe", node_);
        }
        return found;
    };
    auto index_only = [](const std::multimap<std::string, std::string> &found, const std::string &kind) {
        for (auto [at, end] = found.equal_range(kind); at != end; ++at) {
            EXPECT_EQ(at->second.find("Seq Scan on printer"), std::string::npos) << at->second;
            EXPECT_NE(at->second.find("printer_pkey"), std::string::npos) << at->second;
        }
        return found.count(kind);
    };
    auto count_names = [this](const std::string &pattern) {
        const std::string out = run({"-o", "csv", "names", "PRINTER", "NAME=" + pattern}).out;
        return std::count(out.begin(), out.end(), '\n') - 1;
    };

    auto found = plans({{"show", "PRINTER", "P001000"},
                        {"alter", "PRINTER", "P001000", "COPIES=2"},
                        {"define", "PRINTER", "NAME=P999999"},
                        {"copy", "PRINTER", "P999999", "P999998"},
                        {"rename", "PRINTER", "P999998", "P999997"},
                        {"delete", "PRINTER", "P999997"},
                        {"names", "PRINTER", "NAME=P00100*"},
                        {"list", "PRINTER", "NAME=P00200*", "COPIES=1"}});
    for (const char *kind : {"SELECT", "UPDATE", "INSERT", "DELETE", "SELECT LIKE"})
        EXPECT_GT(index_only(found, kind), 0u) << kind;
    EXPECT_EQ(count_names("P00100*"), 10);  // P001000..P001009
    EXPECT_EQ(count_names("p00100*"), 0);   // patterns count case

    ASSERT_EQ(admin("ALTER TABLE printer ALTER COLUMN prn_name TYPE text COLLATE \"C.utf8\"; ANALYZE printer", node_),
              "");
    found = plans({{"show", "PRINTER", "P002000"}, {"alter", "PRINTER", "P002000", "COPIES=3"}});
    EXPECT_GT(index_only(found, "SELECT"), 0u);
    EXPECT_GT(index_only(found, "UPDATE"), 0u);
    EXPECT_EQ(count_names("P00100*"), 10);
    EXPECT_EQ(count_names("p00100*"), 0);
}

// One command on several nodes: rows of all with a NODE column, a node that
// does not answer named in its error, the exit status the worst of them.
TEST_F(TarnadmPg, ACommandOnSeveralNodesMergesTheirRowsAndNamesTheFailedOne)
{
    // Both sites read this test's own node, which no other test changes.
    ASSERT_EQ(admin("GRANT CONNECT ON DATABASE \"" + node_ +
                        "\" TO tarn_reader; "
                        "GRANT SELECT ON ALL TABLES IN SCHEMA public TO tarn_reader",
                    node_),
              "");
    const std::string site = "\nhost=" + socket_ + "\ndbname=" + node_ + "\nuser=tarn_reader\n\n";
    write_file(data_ + "/nodes.conf", "[SITE1]" + site + "[SITE2]" + site + "[" + node_ + "]\nhost=" + socket_ +
                                          "\ndbname=" + node_ + "\n\n" + "[DOWN]\nhost=" + work_ +
                                          "/empty\ndbname=DEMO2\nuser=tarn_reader\n");
    const Result one = run({"--node", "SITE1", "-o", "csv", "names", "PRINTER"});
    ASSERT_EQ(one.exit, 0) << one.err;
    const std::size_t rows = std::count(one.out.begin(), one.out.end(), '\n') - 1;
    ASSERT_GT(rows, 1u);

    Result r = run({"--node", "SITE1,SITE2,DOWN", "-o", "csv", "names", "PRINTER"});
    EXPECT_EQ(r.exit, 4);
    EXPECT_EQ(r.out.substr(0, r.out.find('\n')), "NODE,NAME\r") << r.out;
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), static_cast<long>(2 * rows + 1)) << r.out;
    EXPECT_NE(r.out.find("\nSITE1,LASER1\r\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\nSITE2,LASER1\r\n"), std::string::npos) << r.out;
    EXPECT_NE(r.err.find("node DOWN: "), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("SITE"), std::string::npos) << r.err;

    // A pattern of the map and --all-nodes; JSON rows carry the node too.
    r = run({"--node", "SITE*", "-o", "json", "show", "PRINTER", "LASER1"});
    ASSERT_EQ(r.exit, 0) << r.err;
    const auto items = nlohmann::json::parse(r.out);
    ASSERT_EQ(items.size(), 2u) << r.out;
    EXPECT_EQ(items[0]["NODE"], "SITE1");
    EXPECT_EQ(items[1]["NODE"], "SITE2");
    EXPECT_EQ(items[1]["NAME"], "LASER1");
    r = run({"--all-nodes", "--parallel", "2", "-o", "json", "names", "PRINTER"});
    EXPECT_EQ(r.exit, 4);
    EXPECT_NE(r.err.find("\"node DOWN: "), std::string::npos) << r.err;
    EXPECT_EQ(nlohmann::json::parse(r.out).size(), 2 * rows) << r.out;  // node_ lets no one in without a logon

    // A write logs on to each node on its own; a failure is that node's alone.
    r = run({"--node", node_ + ",DOWN", "--user-id", "tarn_admin", "--password-file", work_ + "/tarn_admin", "alter",
             "PRINTER", "LASER1", "COPIES=7"});
    EXPECT_EQ(r.exit, 4) << r.err;
    EXPECT_EQ(copies(), "7");
    EXPECT_NE(r.out.find("\n" + node_ + "  LASER1 "), std::string::npos) << r.out;  // a row led by its node
    EXPECT_NE(r.err.find("node DOWN: "), std::string::npos) << r.err;

    // Export writes one file per node; env checks every node selected.
    EXPECT_EQ(run({"--node", "SITE1,SITE2", "export", "PRINTER", work_ + "/out.dat"}).exit, 2);
    r = run({"--node", "SITE1,SITE2", "export", "PRINTER", work_ + "/out-{node}.dat"});
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_TRUE(std::filesystem::exists(work_ + "/out-SITE1.dat"));
    EXPECT_TRUE(std::filesystem::exists(work_ + "/out-SITE2.dat"));
    r = run({"--node", "SITE1,DOWN", "env"});
    EXPECT_EQ(r.exit, 4);
    EXPECT_NE(r.out.find("Problem: node DOWN does not answer"), std::string::npos) << r.out;
    EXPECT_EQ(run({"--node", "SITE1,SITE2", "rename", "PRINTER", "A", "B"}).exit, 2);
    EXPECT_EQ(run({"--node", "NOSUCH*", "names", "PRINTER"}).exit, 2);
}

// Several items defined and deleted as batches on a PostgreSQL node.
TEST_F(TarnadmPg, SeveralItemsGoAsBatches)
{
    ASSERT_EQ(logon("tarn_admin").exit, 0);
    const std::string batchItems = "SELECT string_agg(prn_name, ',' ORDER BY prn_name) FROM printer "
                                   "WHERE prn_name LIKE 'BT%'";
    Result r = run({"define", "PRINTER", "NAME=BT1", "+", "NAME=LASER1", "+", "NAME=BT2"});
    EXPECT_EQ(r.exit, 1);
    EXPECT_EQ(r.out, "2 defined, 1 failed\n");
    EXPECT_NE(r.err.find("item 2 (LASER1): code 1, node code 1005"), std::string::npos) << r.err;
    r = run({"define", "PRINTER", "NAME=BT3", "+", "NAME=BT1", "--atomic"});
    EXPECT_EQ(r.exit, 1);
    EXPECT_EQ(admin(batchItems, node_), "BT1,BT2");
    r = run({"delete", "PRINTER", "NAME=BT*", "--yes"});
    EXPECT_EQ(r.out, "2 deleted, 0 failed\n") << r.err;
    EXPECT_EQ(admin(batchItems, node_), "<null>");
}
