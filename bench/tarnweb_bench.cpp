// tarnweb against tarnadm on 100,000 printers: the first page (50 items)
// through GET /api/v1/nodes/DEMO/kinds/PRINTER/items?limit=50 on a warm
// keep-alive connection, next to `tarnadm -o json list` of the same 50
// items (the whole process) in the same run (target: at most 2 times its
// time); and 8 clients with sessions of their own asking for pages at once,
// a round (each client served once) next to one client's page alone
// (target: at most 3 times).
// With --serve=N it only starts tarnweb under $TARNWEB_WRAPPER (callgrind,
// for scripts/bench.sh), logs on, asks for the first page N times and stops
// it: instructions per page are the difference of two such runs. With
// --tarnadm it runs that tarnadm list once under the wrapper.
#include <benchmark/benchmark.h>

#include <httplib.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "least_reporter.hpp"
#include "printers.hpp"

namespace fs = std::filesystem;

namespace {

constexpr long kRows = 100000;
constexpr const char *kFirstPage = "/api/v1/nodes/DEMO/kinds/PRINTER/items?limit=50";
const std::string kLogon = R"({"node":"DEMO","user":"DEMO","password":"demo"})";

std::string g_data;
pid_t g_server = -1;
int g_port = 0;

// Starts tarnweb (under `wrapper` words when given) on a free port.
bool start_server(const std::vector<std::string> &wrapper)
{
    int out[2];
    if (pipe(out) != 0) return false;
    std::vector<std::string> args = wrapper;
    args.insert(args.end(), {TARNWEB_BIN, "--data-dir", g_data, "--router", "demo", "--listen", "127.0.0.1:0",
                             "--access-log", "-", "--threads", "16"});
    g_server = fork();
    if (g_server == 0) {
        dup2(out[1], 1);
        std::vector<char *> argv;
        for (std::string &a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    close(out[1]);
    std::FILE *in = fdopen(out[0], "r");
    char line[256] = "";
    const bool started = std::fgets(line, sizeof line, in) != nullptr;
    std::fclose(in);
    if (!started) return false;
    g_port = std::atoi(std::strrchr(line, ':') + 1);
    return g_port > 0;
}

void stop_server()
{
    kill(g_server, SIGTERM);
    waitpid(g_server, nullptr, 0);
}

// A client with a session of its own.
struct Client {
    httplib::Client http{"127.0.0.1", g_port};
    httplib::Headers cookie;

    Client()
    {
        http.set_keep_alive(true);
        http.set_read_timeout(120);
        httplib::Result r = http.Post("/api/v1/session", kLogon, "application/json");
        if (r && r->status == 201) {
            const std::string set = r->get_header_value("Set-Cookie");
            cookie = {{"Cookie", set.substr(0, set.find(';'))}};
        }
    }
    // The first page; false unless it holds 50 items.
    bool first_page()
    {
        httplib::Result r = http.Get(kFirstPage, cookie);
        return r && r->status == 200 && r->body.find("\"count\":50,") != std::string::npos;
    }
};

void BM_WebFirstPage(benchmark::State &state)
{
    Client client;
    for (auto _ : state)
        if (!client.first_page()) state.SkipWithError("no first page");
}

// The words of $TARNWEB_WRAPPER.
std::vector<std::string> wrapper()
{
    std::vector<std::string> words;
    const char *text = std::getenv("TARNWEB_WRAPPER");
    std::string word;
    for (const char c : std::string(text ? text : "") + " ") {
        if (c != ' ') {
            word += c;
        } else if (!word.empty()) {
            words.push_back(word);
            word.clear();
        }
    }
    return words;
}

// `tarnadm -o json list` of the first 50 printers, under `wrapper` words: true when it worked.
bool run_tarnadm(std::vector<std::string> args)
{
    args.insert(args.end(), {TARNADM_BIN, "-o", "json", "--data-dir", g_data, "--router", "demo", "-n", "DEMO", "list",
                             "PRINTER", "NAME<=PRINTER0000049"});
    const pid_t pid = fork();
    if (pid == 0) {
        std::freopen("/dev/null", "w", stdout);
        std::vector<char *> argv;
        for (std::string &a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void BM_TarnadmFirst50(benchmark::State &state)
{
    for (auto _ : state)
        if (!run_tarnadm({})) state.SkipWithError("tarnadm failed");
}

// n clients, each asking for the first page kRounds times in a row, all at
// once: the time of one round (every client served once).
constexpr int kRounds = 20;

// The CPU seconds the server has used so far (user and system).
double server_cpu_seconds()
{
    std::FILE *stat = std::fopen(("/proc/" + std::to_string(g_server) + "/stat").c_str(), "r");
    if (!stat) return 0;
    unsigned long user = 0, system = 0;
    const int read = std::fscanf(stat, "%*d %*s %*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lu %lu", &user, &system);
    std::fclose(stat);
    return read == 2 ? static_cast<double>(user + system) / static_cast<double>(sysconf(_SC_CLK_TCK)) : 0;
}

// The server's CPU time per page with n clients at once, by n: what a page
// costs the server whether or not the pages of other clients run beside it.
std::map<std::size_t, double> g_cpuPerPage;

void BM_WebClientsAtOnce(benchmark::State &state)
{
    const auto n = static_cast<std::size_t>(state.range(0));
    std::vector<std::unique_ptr<Client>> clients;
    for (std::size_t i = 0; i < n; ++i) clients.push_back(std::make_unique<Client>());
    std::atomic<bool> failed{false};
    const double cpu0 = server_cpu_seconds();
    long pages = 0;
    for (auto _ : state) {
        pages += static_cast<long>(n) * kRounds;
        std::vector<std::thread> threads;
        for (std::size_t i = 0; i < n; ++i)
            threads.emplace_back([&, i] {
                for (int r = 0; r < kRounds; ++r)
                    if (!clients[i]->first_page()) failed = true;
            });
        for (std::thread &t : threads) t.join();
    }
    if (failed) state.SkipWithError("a client got no first page");
    if (pages > 0) g_cpuPerPage[n] = (server_cpu_seconds() - cpu0) / static_cast<double>(pages);
}

BENCHMARK(BM_WebFirstPage)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_TarnadmFirst50)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_WebClientsAtOnce)->Arg(1)->Arg(2)->Arg(8)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

// Serves `pages` first pages under the wrapper, for instruction counts.
int serve_only(long pages)
{
    if (!start_server(wrapper())) return 1;
    bool ok = true;
    {
        Client client;
        for (long i = 0; i < pages; ++i) ok = client.first_page() && ok;
    }
    stop_server();
    return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char **argv)
{
    const fs::path base = fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
    g_data = (base / ("tarnweb_bench." + std::to_string(getpid()))).string();
    fs::copy(TARNWEB_DEMO_DATA, g_data, fs::copy_options::recursive);
    bench::fill_printers(g_data, kRows);
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("--serve=", 0) != 0 && arg != "--tarnadm") continue;
        const int status = arg == "--tarnadm" ? (run_tarnadm(wrapper()) ? 0 : 1) : serve_only(std::atol(argv[i] + 8));
        fs::remove_all(g_data);
        return status;
    }
    if (!start_server({})) {
        std::fprintf(stderr, "tarnweb_bench: tarnweb did not start\n");
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    bench::WallTimes times;
    benchmark::RunSpecifiedBenchmarks(&times);
    benchmark::Shutdown();
    stop_server();
    fs::remove_all(g_data);

    const double web = times.ns("BM_WebFirstPage"), tool = times.ns("BM_TarnadmFirst50");
    const double one = times.ns("BM_WebClientsAtOnce/1") / kRounds, eight = times.ns("BM_WebClientsAtOnce/8") / kRounds;
    if (web > 0 && tool > 0) {
        std::printf("\nfirst page of 50 of %ld: tarnweb %.2f ms, tarnadm -o json list of the same 50 %.2f ms\n", kRows,
                    web / 1e6, tool / 1e6);
        bench::result("web_first_page_over_tarnadm", web / tool);
    }
    if (one > 0 && eight > 0) {
        std::printf("a round of 8 clients at once (one page each) %.2f ms, one client's page %.2f ms\n", eight / 1e6,
                    one / 1e6);
        bench::result("web_eight_clients_over_one", eight / one);
        // Eight CPU-bound pages on fewer than eight cores take at least
        // 8 / cores times one page however well they run at once: this is
        // the ratio over that floor, what eight clients would take on eight
        // cores if they scale as they do here.
        const unsigned cores = std::max(1u, std::min(8u, std::thread::hardware_concurrency()));
        std::printf("on %u cores the floor is %.1f times one page\n", cores, 8.0 / cores);
        bench::result("web_eight_clients_over_floor", eight / (one * 8.0 / cores));
    }
    if (g_cpuPerPage[1] > 0 && g_cpuPerPage[8] > 0) {
        std::printf("the server's CPU per page: one client %.3f ms, 8 clients at once %.3f ms\n", g_cpuPerPage[1] * 1e3,
                    g_cpuPerPage[8] * 1e3);
        bench::result("web_server_cpu_per_page_eight_over_one", g_cpuPerPage[8] / g_cpuPerPage[1]);
    }
    return 0;
}
