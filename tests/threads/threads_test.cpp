// Requests from many threads of one process at once: eight threads, each a
// local user with a logon and an object of its own, define, alter, read,
// list and delete items on four nodes (two threads per node), and every
// answer is checked; the nodes hold exactly what the threads were told.
// An object that two threads use at once refuses the second. With
// DEMO_ROUTER on the nodes are copies of the demo node for TarnRpdb;
// without it, databases of the test cluster (TARN_TEST_PG) for TarnRout.
// ThreadSanitizer runs this test in CI (scripts/tsan.sh).
#include "tests/rpdb/rpdb_test.hpp"

#include <atomic>
#include <chrono>
#include <mutex>
#include <set>
#include <thread>

namespace {

constexpr int kThreads = 8;
constexpr int kNodes = 4;
constexpr int kRounds = 12;

std::string node_name(int n) { return "THREADS" + std::to_string(n); }

// An object made by name for one local user, sending to one node.
class Printer {
public:
    Printer(const std::string &user, const std::string &node)
    {
        FilterPtr language = filter({{"LANGUAGE", "EQ", "AMENG"}});
        if (ZeCreateObject(&object_, "PRINTER", language.get()) == ZE_OK &&
            ZeSetProperty(object_, "USERNAME", user.c_str()) == ZE_OK)
            ZeSetProperty(object_, "DESTINATION", node.c_str(), node.c_str());
    }
    ~Printer()
    {
        if (object_) ZeDestroyObject(object_);
    }
    Printer(const Printer &) = delete;
    Printer &operator=(const Printer &) = delete;

    void *object() const { return object_; }

    // The action's code, then what it answered: values, LAST MESSAGE.
    std::string act(const char *action, Criteria criteria) const
    {
        FilterPtr f = filter(criteria);
        char **values = nullptr;
        const bool item = std::string_view(action) != "DELETE ITEM" && std::string_view(action) != "OPEN COLLECTION";
        unsigned rc =
            item ? ZeSubmitAction(object_, action, f.get(), &values) : ZeSubmitAction(object_, action, f.get());
        const char *message = nullptr;
        ZeQueryProperty(object_, "LAST MESSAGE", &message);
        std::string text = std::to_string(rc) + " " + (message ? message : "<null>");
        if (values) text += " [" + join(texts(values, ZeCountPtrArrayElements(values))) + "]";
        return text;
    }

    // The names of the collection's items, joined with ' '.
    std::string names() const
    {
        std::string text;
        char **values = nullptr;
        while (ZeSubmitAction(object_, "GET ITEM", &values) == ZE_OK)
            text += (text.empty() ? "" : " ") + std::string(*values);
        return text;
    }

private:
    void *object_ = nullptr;
};

// Every trace line, and whether an ALTER has gone out to a router.
struct TraceLog {
    std::mutex lock;
    std::vector<std::string> lines;
    std::atomic<bool> alterSent{false};

    static void take(void *context, const char *line)
    {
        auto *log = static_cast<TraceLog *>(context);
        if (std::string_view(line).find("Routing ALTER command") != std::string_view::npos) log->alterSent = true;
        std::lock_guard<std::mutex> hold(log->lock);
        log->lines.emplace_back(line);
    }
    bool holds(const std::string &line)
    {
        std::lock_guard<std::mutex> hold(lock);
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
};

class Threads : public Rpdb {
protected:
    static void SetUpTestSuite()
    {
        namespace fs = std::filesystem;
        const fs::path data = ZeEnv(ZE_ENV_TARN_DATA_DIR);
        fs::remove_all(data);
        fs::copy(fs::path(RPDB_DEMO_NODE).parent_path().parent_path(), data, fs::copy_options::recursive);
    }

    void SetUp() override
    {
        Rpdb::SetUp();
        std::string map = map_entry("LOCAL", "LOCAL");
        for (int n = 0; n < kNodes; ++n) {
            if (!postgres()) {
                std::filesystem::copy_file(RPDB_DEMO_NODE, node_path(n),
                                           std::filesystem::copy_options::overwrite_existing);
                continue;
            }
            ASSERT_EQ(pg_admin("DROP DATABASE IF EXISTS \"" + node_name(n) + "\" WITH (FORCE)"), "");
            ASSERT_EQ(pg_admin("CREATE DATABASE \"" + node_name(n) + "\" TEMPLATE \"DEMO2\""), "");
            map += map_entry(node_name(n), node_name(n));
        }
        if (postgres()) write_map(map);
        TarnSetTraceHook(TraceLog::take, &log_);
    }

    static std::string node_path(int n)
    {
        return std::string(ZeEnv(ZE_ENV_TARN_DATA_DIR)) + "/nodes/" + node_name(n) + ".db";
    }
    // The demo user of the nodes, and the role the test cluster's map uses.
    static const char *logon_user() { return postgres() ? "tarn_admin" : "DEMO"; }
    static const char *logon_password() { return postgres() ? "tarn-admin-pw" : "demo"; }

    // One thread's work; what went wrong, one line each.
    static std::vector<std::string> work(int w)
    {
        std::vector<std::string> problems;
        auto expect = [&](const std::string &got, const std::string &want) {
            if (got != want) problems.push_back("worker " + std::to_string(w) + ": " + got + "\n   wanted " + want);
        };
        const std::string user = "worker" + std::to_string(w), node = node_name(w % kNodes);
        const std::string place = "BLDG T" + std::to_string(w);
        expect(std::to_string(ZeLogonUser(node.c_str(), logon_user(), logon_password(), user.c_str())), "0");
        std::set<std::string> kept;  // in key order
        {
            Printer printer(user, node);
            for (int round = 0; round < kRounds; ++round) {
                const std::string name = "T" + std::to_string(w) + "_" + std::to_string(round);
                const std::string copies = std::to_string((w + round) % 9 + 1), more = std::to_string(round % 9 + 1);
                expect(printer.act("DEFINE ITEM", {{"NAME", "EQ", name.c_str()},
                                                   {"COPIES", "EQ", copies.c_str()},
                                                   {"INSTALLED", "EQ", "3/15/2021"},
                                                   {"LOCATION", "EQ", place.c_str()}}),
                       "0 PRINTER " + name + " defined [" + name + "|Ready|FALSE|03/15/2021|" + copies + "|" + place +
                           "|No description|]");
                expect(printer.act("ALTER ITEM", {{"NAME", "EQ", name.c_str()}, {"COPIES", "EQ", more.c_str()}}),
                       "0 PRINTER " + name + " altered [" + name + "|Ready|FALSE|03/15/2021|" + more + "|" + place +
                           "|No description|]");
                if (round % 2) {
                    expect(printer.act("DELETE ITEM", {{"NAME", "EQ", name.c_str()}}),
                           "0 PRINTER " + name + " deleted");
                } else {
                    kept.insert(name);
                }
                expect(printer.act("OPEN COLLECTION", {{"LOCATION", "EQ", place.c_str()}}),
                       "0 " + std::to_string(kept.size()) + (kept.size() == 1 ? " row selected" : " rows selected"));
                expect(printer.names(), join(Texts(kept.begin(), kept.end()), " "));
            }
        }
        expect(std::to_string(ZeLogonIsValidUser(node.c_str(), logon_user(), user.c_str())), "0");
        expect(std::to_string(ZeLogoffUser(node.c_str(), logon_user(), user.c_str())), "0");
        return problems;
    }

    TraceLog log_;
};

}  // namespace

TEST_F(Threads, EightThreadsOnFourNodesGetEveryAnswerRight)
{
    std::vector<std::vector<std::string>> problems(kThreads);
    {
        std::vector<std::thread> workers;
        for (int w = 0; w < kThreads; ++w) workers.emplace_back([&problems, w] { problems[w] = work(w); });
        for (std::thread &t : workers) t.join();
    }
    for (const auto &found : problems)
        for (const std::string &problem : found) ADD_FAILURE() << problem;

    // Each node holds what its two threads kept, and nothing else of theirs.
    for (int n = 0; n < kNodes; ++n) {
        Printer reader("reader", node_name(n));
        EXPECT_EQ(reader.act("OPEN COLLECTION", {{"NAME", "EQ", "T*"}}), "0 12 rows selected");
        EXPECT_EQ(reader.names(), "T" + std::to_string(n) + "_0 T" + std::to_string(n) + "_10 T" + std::to_string(n) +
                                      "_2 T" + std::to_string(n) + "_4 T" + std::to_string(n) + "_6 T" +
                                      std::to_string(n) + "_8 T" + std::to_string(n + 4) + "_0 T" +
                                      std::to_string(n + 4) + "_10 T" + std::to_string(n + 4) + "_2 T" +
                                      std::to_string(n + 4) + "_4 T" + std::to_string(n + 4) + "_6 T" +
                                      std::to_string(n + 4) + "_8");
    }
}

// While one thread's ALTER waits for a row another connection holds
// locked, a second thread's call on the same object is refused, another
// object's request to the node is answered at once, and the first request
// ends as if alone.
TEST_F(Threads, AnObjectInUseOnOneThreadRefusesAnother)
{
    const std::string node = node_name(0);
    Printer printer("sharer", node);
    PGconn *pg = nullptr;
    sqlite3 *db = nullptr;
    if (postgres()) {
        pg = PQconnectdb(pg_conninfo(node).c_str());
        PQclear(PQexec(pg, "BEGIN"));
        PQclear(PQexec(pg, "SELECT 1 FROM printer WHERE prn_name = 'LASER1' FOR UPDATE"));
    } else {
        ASSERT_EQ(sqlite3_open(node_path(0).c_str(), &db), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    }
    std::string altered;
    std::thread first([&] { altered = printer.act("ALTER ITEM", {{"NAME", "EQ", "LASER1"}, {"COPIES", "EQ", "5"}}); });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!log_.alterSent && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
    ASSERT_TRUE(log_.alterSent) << "the ALTER never went out: " << (first.join(), altered);

    EXPECT_EQ(printer.act("OPEN ITEM", {{"NAME", "EQ", "LASER2"}}), "15 <null>");
    EXPECT_TRUE(
        log_.holds("*** ZeSubmitAction: object " + handle_text(printer.object()) + " is in use by another thread"));
    // Meanwhile another object's requests to the node do not wait for it.
    Printer other("other", node);
    EXPECT_EQ(other.act("OPEN ITEM", {{"NAME", "EQ", "LASER2"}}).substr(0, 24), "0 1 row selected [LASER2");
    if (pg) PQfinish(pg);  // the row is free again
    if (db) sqlite3_close(db);
    first.join();
    EXPECT_EQ(altered.substr(0, 25), "0 PRINTER LASER1 altered ");
    EXPECT_EQ(printer.act("OPEN ITEM", {{"NAME", "EQ", "LASER1"}}).substr(0, 2), "0 ") << "free once the first ends";
}
