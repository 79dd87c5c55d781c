// The server under load and abuse: eight clients at once, hostile requests,
// TLS, idle sessions, shutdown, and no password in the access log, the
// trace or an answer.
#include "web_test.hpp"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

namespace {

// Sends raw bytes on a new connection: the status line of the answer ("" when the server closed without one).
std::string raw(int port, const std::string &bytes)
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::string answer;
    if (connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0) {
        (void)!write(fd, bytes.data(), bytes.size());
        shutdown(fd, SHUT_WR);
        char buffer[512];
        ssize_t n = 0;
        while ((n = read(fd, buffer, sizeof buffer)) > 0) answer.append(buffer, static_cast<std::size_t>(n));
    }
    close(fd);
    return answer.substr(0, answer.find("\r\n"));
}

}  // namespace

TEST_F(Web, EightClientsAtOnceLoseNothing)
{
    start({"--threads", "8"});
    constexpr int kClients = 8, kItems = 15;
    std::vector<std::string> problems(kClients);
    std::vector<std::thread> clients;
    for (int n = 0; n < kClients; ++n)
        clients.emplace_back([this, n, &problems] {
            const Login login = logon();
            if (login.csrf.empty()) return void(problems[n] = "no logon");
            const std::string prefix = "C" + std::to_string(n) + "P";
            for (int i = 0; i < kItems && problems[n].empty(); ++i) {
                const std::string key = prefix + std::to_string(10 + i);
                Answer made = send("POST", kPrinters + "/items", login, {{"NAME", key}, {"COPIES", i % 9 + 1}});
                Answer page = get(kPrinters + "/items?limit=1000&where=NAME=" + prefix + "*", login);
                if (made.status != 201) problems[n] = key + ": " + made.text;
                else if (page.body["count"] != i + 1) problems[n] = key + ": page of " + page.text;
            }
            if (send("DELETE", "/api/v1/session", login).status != 200) problems[n] = "logoff";
        });
    for (std::thread &t : clients) t.join();
    for (const std::string &p : problems) EXPECT_EQ(p, "");
    EXPECT_EQ(sql("SELECT COUNT(*) FROM PRINTER WHERE PRN_NAME LIKE 'C_P%'"), std::to_string(kClients * kItems));
    EXPECT_EQ(sql("SELECT COUNT(*) FROM SESSIONS"), "0");
}

TEST_F(Web, HostileRequestsGet4xxAndTheServerStays)
{
    start({"--max-body", "256"});
    const Login login = logon();
    httplib::Client c = client();
    // Bodies: too large for the server, too large for JSON, too deep, not an object, not UTF-8.
    EXPECT_EQ(answer(c.Post("/api/v1/session", std::string(300 * 1024, ' '), "application/json")).status, 413);
    const std::string huge = raw(port_, "POST /api/v1/session HTTP/1.1\r\nHost: x\r\nContent-Type: application/json\r\n"
                                        "Content-Length: 99999999999\r\n\r\n{}");
    EXPECT_TRUE(huge.empty() || huge == "HTTP/1.1 413 Payload Too Large") << huge;
    const std::string big = R"({"node":")" + std::string(100 * 1024, 'x') + R"("})";
    EXPECT_EQ(answer(c.Post("/api/v1/session", big, "application/json")).status, 413);
    EXPECT_EQ(answer(c.Post("/api/v1/session", std::string(50, '[') + std::string(50, ']'), "application/json")).status,
              400);
    EXPECT_EQ(answer(c.Post("/api/v1/session", "[1,2]", "application/json")).status, 400);
    EXPECT_EQ(answer(c.Post("/api/v1/session", "{\"node\":\"\xff\xfe\",\"user\":\"A\",\"password\":\"b\"}",
                            "application/json"))
                  .status,
              400);
    EXPECT_EQ(
        answer(c.Post(kPrinters + "/items", as(login, true), "{\"NAME\":\"\xc3\x28\"}", "application/json")).status,
        400);
    // Paths that try to leave their place, or smuggle a separator or a NUL.
    for (const char *path : {"/api/v1/nodes/DEMO/kinds/PRINTER/items/..%2F..%2Fsession", "/api/v1/../../etc/passwd",
                             "/../../etc/passwd", "/api/v1/nodes/DEMO/kinds/..%2F..%2Fkinds/items",
                             "/api/v1/nodes/DEMO/kinds/PRINTER%00/items", "/app.js/..%2F..%2Fopenapi.json"}) {
        Answer a = get(path, login);
        EXPECT_TRUE(a.status == 404 || a.status == 400) << path << ": " << a.status << " " << a.text;
    }
    // Header tricks: a value with a bare CR, a line without a colon, no request line: refused or dropped.
    for (const char *bytes : {"GET /api/v1/kinds HTTP/1.1\r\nHost: x\r\nCookie: a\rSet-Cookie: b\r\n\r\n",
                              "GET /api/v1/kinds HTTP/1.1\r\nHost x\r\n\r\n", "GARBAGE\r\n\r\n",
                              "GET /api/v1/kinds HTTP/1.1\r\nHost: x\r\nX: \0\r\n\r\n"}) {
        const std::string status = raw(port_, bytes);
        EXPECT_TRUE(status.empty() || status.rfind("HTTP/1.1 4", 0) == 0) << status;
    }
    Answer injected = answer(c.Get(kPrinters + "/items/X%0D%0ASet-Cookie:%20evil=1", as(login)));
    EXPECT_EQ(injected.status, 400);
    for (const auto &[name, value] : injected.headers) EXPECT_EQ(value.find("evil"), std::string::npos) << name;
    // The server still serves, and said nothing about any of it on stderr.
    EXPECT_EQ(get("/api/v1/kinds", login).status, 200);
    EXPECT_EQ(read_file(work_ + "/stderr"), "");
}

// The configuration file gives defaults, the environment overrides them, and
// a bad value stops the server naming the line.
TEST_F(Web, SettingsComeFromTheFileUnderTheEnvironment)
{
    const std::string config = work_ + "/config/tarnweb/config";
    std::filesystem::create_directories(work_ + "/config/tarnweb");
    std::ofstream(config) << "# the console's defaults\nmax_body = 64\nthreads = 4\n";
    const std::string import = kPrinters + "/import", file(100 * 1024, 'x');
    start();
    Login login = logon();
    EXPECT_EQ(answer(client().Post(import, as(login, true), file, "application/octet-stream")).status, 413);
    EXPECT_EQ(stop(), 0);
    setenv("TARNWEB_MAX_BODY", "1024", 1);
    start();
    login = logon();
    Answer read = answer(client().Post(import, as(login, true), file, "application/octet-stream"));
    unsetenv("TARNWEB_MAX_BODY");
    EXPECT_EQ(read.status, 400) << "read, and found no record file";
    EXPECT_EQ(stop(), 0);

    std::ofstream(config) << "threads = 4\nmax_body = lots\n";
    const std::string command =
        std::string(TARNWEB_BIN) + " --data-dir " + data_ + " --listen 127.0.0.1:0 2>" + work_ + "/bad";
    const int status = std::system(command.c_str());
    EXPECT_EQ(WEXITSTATUS(status), 2);
    EXPECT_NE(read_file(work_ + "/bad").find(config + ":2: max_body \"lots\""), std::string::npos)
        << read_file(work_ + "/bad");
}

TEST_F(Web, TlsServesSecureCookiesOnly)
{
    const std::string cert = work_ + "/cert.pem", key = work_ + "/key.pem";
    const std::string make = "openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj /CN=127.0.0.1 -keyout " + key +
                             " -out " + cert + " >/dev/null 2>&1";
    ASSERT_EQ(std::system(make.c_str()), 0);
    start({"--cert", cert, "--key", key});
    EXPECT_EQ(scheme_, "https");
    httplib::SSLClient secure("127.0.0.1", port_);
    secure.enable_server_certificate_verification(false);
    httplib::Result made =
        secure.Post("/api/v1/session", R"({"node":"DEMO","user":"DEMO","password":"demo"})", "application/json");
    ASSERT_TRUE(made);
    EXPECT_EQ(made->status, 201);
    EXPECT_NE(made->get_header_value("Set-Cookie").find("; Secure"), std::string::npos);
    EXPECT_NE(made->get_header_value("Strict-Transport-Security"), "");
    httplib::Result plain = client().Get("/api/v1/kinds");
    EXPECT_TRUE(!plain || plain->status != 401) << "no plain HTTP on the TLS port";
    // A key that does not fit the certificate: no server.
    std::string tlsError;
    write_file(key, "not a key");
    const std::vector<std::string> args = {TARNWEB_BIN, "--listen", "127.0.0.1:0", "--cert", cert, "--key", key};
    std::string command;
    for (const std::string &a : args) command += a + " ";
    EXPECT_EQ(WEXITSTATUS(std::system((command + " >/dev/null 2>&1").c_str())), 4);
}

TEST_F(Web, IdleSessionsAndShutdownLogOff)
{
    start({"--idle-timeout", "1"});
    const Login idle = logon();
    ASSERT_EQ(sql("SELECT COUNT(*) FROM SESSIONS"), "1");
    EXPECT_TRUE(eventually([&] { return sql("SELECT COUNT(*) FROM SESSIONS") == "0"; }));
    EXPECT_EQ(get("/api/v1/session", idle).status, 401);
    const Login a = logon(), b = logon();
    EXPECT_EQ(sql("SELECT COUNT(DISTINCT LOCAL_USER) FROM SESSIONS"), "2") << "each session has its own local user";
    EXPECT_EQ(stop(), 0);
    EXPECT_EQ(sql("SELECT COUNT(*) FROM SESSIONS"), "0");
    EXPECT_NE(access_log().find("\"POST /api/v1/session HTTP/1.1\" 201"), std::string::npos);
}

TEST_F(Web, NoPasswordReachesTheLogTheTraceOrAnAnswer)
{
    const std::string secret = "Quartz-Secret-91", wrong = "Wrong-Guess-77";
    FILE *tool = popen((std::string(TARNUSER_BIN) + " " + data_ + " DEMO WEBBY").c_str(), "w");
    ASSERT_NE(tool, nullptr);
    std::fputs((secret + "\n").c_str(), tool);
    ASSERT_EQ(pclose(tool), 0);
    start({"--trace", work_ + "/trace.log"});
    std::string answers;
    auto keep = [&](const httplib::Result &r) {
        if (r) answers += r->body + "\n";
    };
    httplib::Client c = client();
    keep(c.Post("/api/v1/session", Json({{"node", "DEMO"}, {"user", "WEBBY"}, {"password", wrong}}).dump(),
                "application/json"));
    const Login login = logon("DEMO", "WEBBY", secret);
    ASSERT_FALSE(login.csrf.empty());
    keep(c.Get("/api/v1/session", as(login)));
    keep(c.Post("/api/v1/nodes/DEMO/kinds/ACCOUNT/items", as(login, true),
                Json({{"USERID", "ZED"}, {"SECRET", secret}, {"ROLE", "operator"}}).dump(), "application/json"));
    keep(c.Post("/api/v1/nodes/DEMO/kinds/ACCOUNT/validate", as(login),
                Json({{"field", "SECRET"}, {"value", secret + std::string(40, '!')}}).dump(), "application/json"));
    keep(c.Get("/api/v1/nodes/DEMO/kinds/ACCOUNT/items/ZED", as(login)));
    keep(c.Get("/api/v1/nodes/DEMO/kinds/ACCOUNT/export", as(login)));
    EXPECT_EQ(stop(), 0);
    const std::string trace = read_file(work_ + "/trace.log");
    EXPECT_NE(trace.find("DTS Action filter echo suppressed"), std::string::npos) << "the trace was written";
    for (const std::string &password : {secret, wrong}) {
        EXPECT_EQ(trace.find(password), std::string::npos) << password;
        EXPECT_EQ(access_log().find(password), std::string::npos) << password;
        EXPECT_EQ(answers.find(password), std::string::npos) << password;
        EXPECT_EQ(read_file(work_ + "/stderr").find(password), std::string::npos) << password;
    }
}
