// TarnRout over TCP on 127.0.0.1. TLS (run remote_tls): verify-full works,
// and a server certificate of another CA, one for another host name and a
// missing client certificate each end with the TLS code and libpq's reason.
// Failover (run remote_standby): a stream of defines to a node mapped as
// primary and standby with target_session_attrs=read-write goes on once
// the primary is stopped and the standby promoted; every define answered 0
// is on the new primary, none is there twice, and a refusal never hides a
// stored row. Reads may go to the standby (prefer-standby). STATUS, and
// tarnadm env through it, tell TLS, primary or standby and the version, and
// warn of a weak sslmode to another machine.
#include "tests/rpdb/rpdb_test.hpp"

#include "TarnRout.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <fstream>
#include <iostream>
#include <map>
#include <thread>

namespace {

std::string read_file(const std::string &path)
{
    std::string text;
    std::getline(std::ifstream(path), text);
    return text;
}

// Clients on the cluster's socket give its port too.
class Remote : public Rpdb {
protected:
    void SetUp() override
    {
        setenv("PGPORT", port().c_str(), 1);
        Rpdb::SetUp();
    }
    static std::string port() { return read_file(pg_dir() + "/port"); }
    static std::string standby_port() { return read_file(pg_dir() + "/standby-port"); }
    static std::string tls(const std::string &file) { return pg_dir() + "/tls/" + file; }
    static int pgnodes(const std::string &action)
    {
        return std::system((std::string(PGNODES) + " " + action + " " + pg_dir() + " >/dev/null 2>&1").c_str());
    }
    // An entry of the node map for this test's database over TCP; the
    // keywords are given on one line.
    std::string tcp_entry(const std::string &name, std::string keywords) const
    {
        std::replace(keywords.begin(), keywords.end(), ' ', '\n');
        return "[" + name + "]\ndbname=" + node_ + "\nuser=tarn_admin\n" + keywords + "\n";
    }
    void use_node(const std::string &name) { ZeSetDtsInfoField(info_, ZE_INFO_DESTNODE, name.c_str()); }
    // STATUS to node `name`: the router's code and message.
    Outcome status(const std::string &name)
    {
        DtsAction *action = nullptr;
        ZeCreateDtsAction(&action);
        use_node(name);
        const unsigned rc = ZeRouteDtsAction(action, info_, "STATUS", result_);
        ZeDestroyDtsAction(action);
        return rc == ZE_OK ? Outcome(0, message()) : outcome();
    }
    // The nodes of tarnadm env in JSON with node `selected`, in a home of
    // its own; the run's output when there are none.
    static nlohmann::json tarnadm_env(const std::string &selected)
    {
        const std::string data = ZeEnv(ZE_ENV_TARN_DATA_DIR), home = data + "/home";
        std::filesystem::create_directories(home);
        std::filesystem::copy_file(TARN_REGISTRY, data + "/tarnobjs.dat",
                                   std::filesystem::copy_options::overwrite_existing);
        const std::string line = "HOME=" + home + " XDG_CONFIG_HOME=" + home + " XDG_RUNTIME_DIR=" + home +
                                 " DEMO_ROUTER= TARN_NODE=" + selected + " " TARNADM_BIN " -o json env";
        std::string out;
        if (FILE *pipe = popen(line.c_str(), "r")) {
            char buffer[4096];
            for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
            pclose(pipe);
        }
        const nlohmann::json all = nlohmann::json::parse(out, nullptr, false);
        nlohmann::json nodes = nlohmann::json::object();
        if (all.is_object())
            for (const auto &row : all["nodes"]) nodes[row["node"].get<std::string>()] = row;
        if (nodes.empty()) nodes["output"] = out;
        return nodes;
    }
};

using RemoteTls = Remote;
using RemoteStandby = Remote;

}  // namespace

TEST_F(RemoteTls, VerifyFullWorksAndEachCertificateFaultIsNamed)
{
    const std::string server = "hostaddr=127.0.0.1 port=" + port() + " sslmode=verify-full";
    const std::string client = " sslcert=" + tls("client.crt") + " sslkey=" + tls("client.key");
    struct Case {
        const char *node;
        std::string keywords;
        unsigned code;
        std::string reason;  // part of the message
    } cases[] = {
        {"GOOD", "host=127.0.0.1 " + server + " sslrootcert=" + tls("ca.crt") + client, 0, ""},
        {"OTHER_CA", "host=127.0.0.1 " + server + " sslrootcert=" + tls("other-ca.crt") + client,
         TARN_ROUT_RC_TLS_FAILED, "certificate verify failed"},
        {"WRONG_HOST", "host=localhost " + server + " sslrootcert=" + tls("ca.crt") + client, TARN_ROUT_RC_TLS_FAILED,
         "does not match host name \"localhost\""},
        {"NO_CLIENT_CERT",
         "host=127.0.0.1 " + server + " sslrootcert=" + tls("ca.crt") + " sslcert=/nonexistent sslkey=/nonexistent",
         TARN_ROUT_RC_TLS_FAILED, "connection requires a valid client certificate"},
        {"PLAIN", "host=127.0.0.1 port=" + port() + " sslmode=disable", TARN_ROUT_RC_NODE_UNREACHABLE, "no encryption"},
    };
    std::string map;
    for (const Case &c : cases) map += tcp_entry(c.node, c.keywords);
    write_map(map);
    for (const Case &c : cases) {
        use_node(c.node);
        const unsigned rc = open_rows({{"NAME", "EQ", "LA*"}});
        if (c.code == 0) {
            EXPECT_EQ(rc, ZE_OK) << c.node << ": " << message();
            EXPECT_EQ(keys(), "LABELS LASER1 LASER2");
            continue;
        }
        EXPECT_EQ(rc, ZE_RC_ROUTER_FAILED) << c.node;
        EXPECT_EQ(outcome().first, c.code) << c.node << ": " << message();
        EXPECT_NE(message().find(c.reason), std::string::npos) << c.node << ": " << message();
        EXPECT_NE(message().find("Node " + std::string(c.node)), std::string::npos) << message();
    }
    // The good entry's connection is encrypted.
    EXPECT_EQ(pg_admin("SELECT count(*) FROM pg_stat_ssl JOIN pg_stat_activity USING (pid) WHERE ssl AND "
                       "application_name = 'TarnRout' AND datname = '" +
                       node_ + "'"),
              "1");
}

TEST_F(RemoteTls, EnvTellsTlsAndVersionAndWarnsOfAWeakSslmode)
{
    // Port 0 stops libpq before any name lookup: nothing leaves the machine.
    write_map(tcp_entry("GOOD", "host=127.0.0.1 port=" + port() + " sslmode=verify-full sslrootcert=" + tls("ca.crt") +
                                    " sslcert=" + tls("client.crt") + " sslkey=" + tls("client.key")) +
              tcp_entry("FARAWAY", "host=db.example.com port=0 sslmode=require"));
    nlohmann::json nodes = tarnadm_env("GOOD");
    ASSERT_EQ(nodes.size(), 3u) << nodes.dump();
    const nlohmann::json &good = nodes["GOOD"], &socket = nodes[node_], &faraway = nodes["FARAWAY"];
    EXPECT_EQ(good["answers"], true) << good.dump();
    EXPECT_EQ(good["status"]["tls"], "yes");
    EXPECT_EQ(good["status"]["tls_protocol"].get<std::string>().rfind("TLSv1.", 0), 0u) << good.dump();
    EXPECT_EQ(good["status"]["role"], "primary");
    EXPECT_EQ(good["status"]["sslmode"], "verify-full");
    EXPECT_EQ(good["warnings"].size(), 0u) << good.dump();
    const std::string version = socket["status"]["version"].get<std::string>();
    EXPECT_TRUE(version.rfind("PostgreSQL ", 0) == 0 && std::isdigit(version[11])) << version;
    EXPECT_EQ(socket["status"]["tls"], "no") << socket.dump();
    EXPECT_EQ(faraway["answers"], false) << faraway.dump();
    EXPECT_EQ(faraway["node_code"], TARN_ROUT_RC_NODE_UNREACHABLE);
    EXPECT_EQ(faraway["status"].size(), 0u);
    ASSERT_EQ(faraway["warnings"].size(), 1u) << faraway.dump();
    const std::string warnings = faraway["warnings"][0];
    EXPECT_NE(warnings.find("sslmode=require to db.example.com, a host outside this machine: the server's "
                            "certificate is not checked"),
              std::string::npos)
        << warnings;
}

TEST_F(RemoteStandby, WritesGoOnAfterFailoverAndNoAnswerLies)
{
    const std::string hosts = "host=127.0.0.1,127.0.0.1 port=" + port() + "," + standby_port();
    write_map(tcp_entry("FAILOVER", hosts + " target_session_attrs=read-write connect_timeout=3") +
              tcp_entry("READER", hosts + " target_session_attrs=prefer-standby"));

    // A read mapped with prefer-standby runs on the standby, once it has
    // this test's database.
    const std::string standby = pg_conninfo("postgres") + " port=" + standby_port();
    const std::string replayed = "SELECT count(*) FROM pg_database WHERE datname = '" + node_ + "'";
    for (int i = 0; i < 200 && pg_rows(standby, replayed) != "1"; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_NE(status("READER").second.find("role=standby; tls=no;"), std::string::npos) << status("READER").second;
    EXPECT_NE(status("FAILOVER").second.find("role=primary;"), std::string::npos) << status("FAILOVER").second;
    use_node("READER");
    ASSERT_EQ(open_rows({{"NAME", "EQ", "LA*"}}), ZE_OK) << message();
    EXPECT_EQ(keys(), "LABELS LASER1 LASER2");
    EXPECT_EQ(pg_rows(pg_conninfo(node_) + " port=" + standby_port(),
                      "SELECT count(*) FROM pg_stat_activity WHERE application_name = 'TarnRout'"),
              "1");

    use_node("FAILOVER");
    std::map<std::string, Outcome> answers;  // by printer name
    std::atomic<int> acknowledged{0};
    std::atomic<bool> promoted{false};
    std::thread failover([&] {
        while (acknowledged < 20) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        EXPECT_EQ(pgnodes("stop-primary"), 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        EXPECT_EQ(pgnodes("promote"), 0);
        promoted = true;
    });
    int afterPromotion = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    for (int i = 0; afterPromotion < 20 && std::chrono::steady_clock::now() < deadline; ++i) {
        const bool wasPromoted = promoted;
        const std::string name = "F" + std::to_string(i);
        const unsigned rc = act(ZeDefineDtsItem, {{"NAME", "EQ", name.c_str()}});
        answers[name] = rc == ZE_OK ? Outcome(0, "") : outcome();
        if (rc == ZE_OK) ++acknowledged;
        if (rc == ZE_OK && wasPromoted) ++afterPromotion;
    }
    failover.join();
    EXPECT_EQ(afterPromotion, 20) << "the stream resumed on the promoted standby";
    const std::string after = status("FAILOVER").second;
    EXPECT_NE(after.find("role=primary; "), std::string::npos) << after;
    EXPECT_NE(after.find("; port=" + standby_port() + ";"), std::string::npos) << after;

    setenv("PGPORT", standby_port().c_str(), 1);
    const std::string stored = sql("SELECT string_agg(prn_name, ' ') FROM printer WHERE prn_name LIKE 'F%'");
    EXPECT_EQ(sql("SELECT count(*) - count(DISTINCT prn_name) FROM printer"), "0");
    std::map<unsigned, int> codes;
    for (const auto &[name, answer] : answers) {
        ++codes[answer.first];
        const bool there = (" " + stored + " ").find(" " + name + " ") != std::string::npos;
        if (answer.first == 0) {
            EXPECT_TRUE(there) << name << " was acknowledged";
        } else if (answer.first != TARN_ROUTER_RC_OUTCOME_UNKNOWN) {
            EXPECT_FALSE(there) << name << " is stored but was refused: " << answer.first << " " << answer.second;
        }
    }
    std::string summary;
    for (const auto &[code, count] : codes) summary += " " + std::to_string(count) + "x" + std::to_string(code);
    std::cout << "answers:" << summary << "\n";
    for (const auto &[code, count] : codes) {
        EXPECT_TRUE(code == 0 || code == TARN_ROUTER_RC_OUTCOME_UNKNOWN || code == TARN_ROUT_RC_NODE_UNREACHABLE ||
                    code == TARN_ROUT_RC_CONNECTION_LOST)
            << count << " defines answered " << code;
    }
}
