// options.cpp - the options from the configuration file, the environment
// and the command line (CLI11), in that order, each over the one before.
#include "options.hpp"

#include "tarnsrvc_version.h"

#include <CLI/CLI.hpp>

#include <cstdlib>

namespace tarnweb {
namespace {

constexpr const char *kFooter = R"(Environment: TARNWEB_LISTEN, TARNWEB_CERT, TARNWEB_KEY, TARNWEB_ACCESS_LOG,
TARNWEB_THREADS, TARNWEB_IDLE_TIMEOUT, TARNWEB_ROUTER, TARNWEB_LANG give the
options' defaults; TARN_DATA_DIR the data directory. The page is served at /,
the JSON API under /api/v1 (described by /api/v1/openapi.json).
Exit status: 0 after SIGTERM or SIGINT, 2 usage, 4 cannot listen or read the
certificate.)";

void take(const char *name, std::string &value)
{
    if (const char *text = std::getenv(name); text && *text) value = text;
}

void take(const char *name, unsigned &value)
{
    const char *text = std::getenv(name);
    if (!text || !*text) return;
    char *end = nullptr;
    const unsigned long number = std::strtoul(text, &end, 10);
    if (*end == '\0' && number > 0 && number <= 1000000) value = static_cast<unsigned>(number);
}

}  // namespace

void read_config_file(Options &) {}

void read_environment(Options &options)
{
    take("TARNWEB_LISTEN", options.listen);
    take("TARNWEB_CERT", options.cert);
    take("TARNWEB_KEY", options.key);
    take("TARNWEB_ACCESS_LOG", options.accessLog);
    take("TARNWEB_THREADS", options.threads);
    take("TARNWEB_IDLE_TIMEOUT", options.idleSeconds);
    take("TARNWEB_ROUTER", options.settings.router);
    take("TARNWEB_LANG", options.settings.lang);
}

bool split_listen(const std::string &listen, std::string &host, int &port)
{
    const std::size_t colon = listen.rfind(':');
    if (colon == std::string::npos) return false;
    host = listen.substr(0, colon);
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
    if (host.empty()) host = "127.0.0.1";
    const std::string number = listen.substr(colon + 1);
    char *end = nullptr;
    const long value = std::strtol(number.c_str(), &end, 10);
    if (number.empty() || *end != '\0' || value < 0 || value > 65535) return false;
    port = static_cast<int>(value);
    return true;
}

int parse_command_line(const std::vector<std::string> &args, Options &o)
{
    CLI::App app("tarnweb: a web console and JSON API over TarnSrvc", "tarnweb");
    app.set_version_flag("--version", std::string("tarnweb (TarnSrvc) ") + TARNSRVC_VERSION_STRING);
    app.footer(kFooter);
    app.add_option("--data-dir", o.settings.dataDir, "data directory: object registry, nodes (else TARN_DATA_DIR)");
    app.add_option("--router", o.settings.router, "demo (TarnRpdb), remote (TarnRout) or a router module")
        ->default_str("the library's choice");
    app.add_option("--lang", o.settings.lang, "language of the objects (LANGUAGE of their creation filter)");
    app.add_option("--listen", o.listen, "HOST:PORT to listen on; port 0 takes a free one")->capture_default_str();
    app.add_option("--cert", o.cert, "TLS certificate chain (PEM); with --key the console serves HTTPS only");
    app.add_option("--key", o.key, "TLS private key (PEM)");
    app.add_option("--access-log", o.accessLog, "access log file (appended); - for none")->default_str("stderr");
    app.add_option("--trace", o.trace, "the library's trace: stderr or a file (appended)");
    app.add_option("--threads", o.threads, "requests served at once")->check(CLI::Range(1, 256))->capture_default_str();
    app.add_option("--idle-timeout", o.idleSeconds, "seconds a session may stay idle before it is logged off")
        ->check(CLI::Range(1, 604800))
        ->capture_default_str();
    app.add_option("--max-body", o.maxBodyKiB, "largest request body in KiB (a record file to import)")
        ->check(CLI::Range(64, 4 * 1024 * 1024))
        ->capture_default_str();
    app.add_flag("--quiet,-q", o.quiet, "no start-up line (the URL) on stdout");
    std::vector<const char *> argv = {"tarnweb"};
    for (const std::string &a : args) argv.push_back(a.c_str());
    try {
        app.parse(static_cast<int>(argv.size()), argv.data());
    } catch (const CLI::ParseError &e) {
        const int exit = app.exit(e);
        return exit == 0 ? 0 : 2;
    }
    std::string host;
    int port = 0;
    if (!split_listen(o.listen, host, port)) {
        std::fprintf(stderr, "tarnweb: --listen wants HOST:PORT, not \"%s\"\n", o.listen.c_str());
        return 2;
    }
    if (o.cert.empty() != o.key.empty()) {
        std::fprintf(stderr, "tarnweb: TLS needs both --cert and --key\n");
        return 2;
    }
    return -1;
}

}  // namespace tarnweb
