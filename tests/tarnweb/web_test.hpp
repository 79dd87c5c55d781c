// Runs the tarnweb binary on a scratch copy of the demo data, listening on a
// port it picks free, and talks to it through real HTTP on loopback: each
// test gets its own copy and its own server, and reads the node back with
// SQLite. The registry of the copy also names ACCOUNT (account_objects.c),
// whose table the fixture makes.
#pragma once

#include "sqlite_rows.hpp"
#include "tarn_test.hpp"

#include <httplib.h>
#include <nlohmann/json.hpp>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>

using Json = nlohmann::json;

// A logon: the session cookie ("tarnweb_session=...") and its CSRF token.
struct Login {
    std::string cookie, csrf;
};

class Web : public ::testing::Test {
protected:
    void SetUp() override
    {
        namespace fs = std::filesystem;
        const auto *info = ::testing::UnitTest::GetInstance()->current_test_info();
        work_ = std::string(TARNWEB_WORK) + "/" + info->name();
        fs::remove_all(work_);
        fs::create_directories(work_);
        data_ = work_ + "/data";
        fs::copy(TARNWEB_DEMO_DATA, data_, fs::copy_options::recursive);
        std::ofstream(data_ + "/tarnobjs.dat", std::ios::app) << "ACCOUNT, TarnWebTestObjs.InitAccount\n";
        sql("CREATE TABLE ACCOUNT (USERID TEXT PRIMARY KEY NOT NULL, SECRET TEXT, ROLE TEXT, CREATED TEXT)");
        // The server reads this test's configuration file, none unless it writes one.
        setenv("XDG_CONFIG_HOME", (work_ + "/config").c_str(), 1);
    }

    // Every server ends cleanly: no crash, and under the sanitizers no report.
    void TearDown() override
    {
        if (pid_ > 0) {
            EXPECT_EQ(stop(), 0) << read_file(work_ + "/stderr");
        }
    }

    // Starts the server with these options besides the data directory,
    // router, port and access log.
    void start(const std::vector<std::string> &options = {})
    {
        int out[2];
        ASSERT_EQ(pipe(out), 0);
        std::vector<std::string> args = {TARNWEB_BIN, "--data-dir",  data_,          "--router",           router_,
                                         "--listen",  "127.0.0.1:0", "--access-log", work_ + "/access.log"};
        args.insert(args.end(), options.begin(), options.end());
        pid_ = fork();
        if (pid_ == 0) {
            dup2(out[1], 1);
            std::freopen((work_ + "/stderr").c_str(), "w", stderr);
            std::vector<char *> argv;
            for (std::string &a : args) argv.push_back(a.data());
            argv.push_back(nullptr);
            execv(TARNWEB_BIN, argv.data());
            _exit(127);
        }
        close(out[1]);
        std::FILE *in = fdopen(out[0], "r");
        char line[256] = "";
        const bool started = std::fgets(line, sizeof line, in) != nullptr;
        std::fclose(in);
        ASSERT_TRUE(started) << read_file(work_ + "/stderr");
        const std::string text = line;
        const std::size_t colon = text.rfind(':');
        scheme_ = text.substr(text.find("serving ") + 8, text.find("://") - text.find("serving ") - 8);
        port_ = std::atoi(text.c_str() + colon + 1);
        ASSERT_GT(port_, 0) << text;
    }

    // Stops the server with SIGTERM: its exit status.
    int stop()
    {
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

    httplib::Client client() const
    {
        httplib::Client c("127.0.0.1", port_);
        c.set_read_timeout(60);
        return c;
    }

    // Headers of a request in a session; a change also carries the token.
    static httplib::Headers as(const Login &login, bool change = false)
    {
        httplib::Headers h = {{"Cookie", login.cookie}};
        if (change) h.emplace("X-CSRF-Token", login.csrf);
        return h;
    }

    Login logon(const std::string &node = "DEMO", const std::string &user = "DEMO",
                const std::string &password = "demo") const
    {
        const Json body = {{"node", node}, {"user", user}, {"password", password}};
        httplib::Result r = client().Post("/api/v1/session", body.dump(), "application/json");
        Login login;
        if (!r || r->status != 201) return login;
        const std::string cookie = r->get_header_value("Set-Cookie");
        login.cookie = cookie.substr(0, cookie.find(';'));
        login.csrf = Json::parse(r->body)["csrf"];
        return login;
    }

    // A request's status and JSON body (null when none or not JSON).
    struct Answer {
        int status = 0;
        Json body;
        std::string text;
        httplib::Headers headers;
    };
    static Answer answer(const httplib::Result &r)
    {
        Answer a;
        if (!r) return a;
        a.status = r->status;
        a.text = r->body;
        a.headers = r->headers;
        a.body = Json::parse(r->body, nullptr, false);
        if (a.body.is_discarded()) a.body = nullptr;
        return a;
    }
    Answer get(const std::string &path, const Login &login) const { return answer(client().Get(path, as(login))); }
    Answer send(const char *method, const std::string &path, const Login &login, const Json &body = nullptr,
                bool token = true) const
    {
        httplib::Client c = client();
        const httplib::Headers h = as(login, token);
        const std::string text = body.is_null() ? "" : body.dump();
        const std::string m = method;
        if (m == "POST") return answer(c.Post(path, h, text, "application/json"));
        if (m == "PATCH") return answer(c.Patch(path, h, text, "application/json"));
        return answer(c.Delete(path, h, text, "application/json"));
    }

    // The keys of the items of a list answer, joined with ' '.
    static std::string keys(const Answer &a, const char *key = "NAME")
    {
        std::string text;
        for (const Json &item : a.body["items"]) text += (text.empty() ? "" : " ") + item[key].get<std::string>();
        return text;
    }

    std::string sql(const std::string &query) const { return sqlite_rows(data_ + "/nodes/DEMO.db", query, true); }
    std::string access_log() const { return read_file(work_ + "/access.log"); }

    std::string work_, data_, scheme_, router_ = "demo";
    pid_t pid_ = -1;
    int port_ = 0;
};

inline const std::string kPrinters = "/api/v1/nodes/DEMO/kinds/PRINTER";

// Waits up to ten seconds for `done` (a node ends a session a moment after its client).
inline bool eventually(const std::function<bool()> &done)
{
    for (int i = 0; i < 200; ++i) {
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return done();
}
