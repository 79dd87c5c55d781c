// options.cpp - the options from the configuration file, the environment
// (admcore's reader, as tarnadm reads its own) and the command line (CLI11),
// in that order, each over the one before.
#include "options.hpp"

#include "config.hpp"
#include "tarnsrvc_version.h"

#include <CLI/CLI.hpp>

#include <cerrno>
#include <cstdlib>

namespace tarnweb {
namespace {

constexpr const char *kFooter = R"(Defaults: the file $XDG_CONFIG_HOME/tarnweb/config (keys listen, cert, key,
access_log, trace, threads, idle_timeout, max_body, data_dir, router, lang),
under TARNWEB_LISTEN, TARNWEB_CERT, TARNWEB_KEY, TARNWEB_ACCESS_LOG,
TARNWEB_TRACE, TARNWEB_THREADS, TARNWEB_IDLE_TIMEOUT, TARNWEB_MAX_BODY,
TARN_DATA_DIR, TARNWEB_ROUTER, TARNWEB_LANG, under the options. The page is
served at /, the JSON API under /api/v1 (described by /api/v1/openapi.json).
Exit status: 0 after SIGTERM or SIGINT, 2 usage or a bad setting, 4 cannot
listen or read the certificate.)";

// A number of the defaults, within [low, high].
admcore::Failure take_number(const admcore::Defaults &defaults, const std::string &key, unsigned low, unsigned high,
                             unsigned &value)
{
    const auto found = defaults.values.find(key);
    if (found == defaults.values.end()) return std::nullopt;
    const std::string &text = found->second;
    char *end = nullptr;
    errno = 0;
    const unsigned long number = std::strtoul(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno || text[0] == '-' || number < low || number > high)
        return admcore::usage_problem(defaults.origins.at(key) + ": " + key + " \"" + text + "\" is no number from " +
                                      std::to_string(low) + " to " + std::to_string(high));
    value = static_cast<unsigned>(number);
    return std::nullopt;
}

}  // namespace

admcore::Failure read_defaults(Options &options)
{
    static const std::vector<admcore::DefaultKey> keys = {{"listen", "TARNWEB_LISTEN"},
                                                          {"cert", "TARNWEB_CERT"},
                                                          {"key", "TARNWEB_KEY"},
                                                          {"access_log", "TARNWEB_ACCESS_LOG"},
                                                          {"trace", "TARNWEB_TRACE"},
                                                          {"threads", "TARNWEB_THREADS"},
                                                          {"idle_timeout", "TARNWEB_IDLE_TIMEOUT"},
                                                          {"max_body", "TARNWEB_MAX_BODY"},
                                                          {"data_dir", "TARN_DATA_DIR"},
                                                          {"router", "TARNWEB_ROUTER"},
                                                          {"lang", "TARNWEB_LANG"}};
    admcore::Result<admcore::Defaults> defaults = admcore::tool_defaults("tarnweb", keys);
    if (!defaults) return defaults.problem();
    const std::pair<const char *, std::string *> texts[] = {
        {"listen", &options.listen},          {"cert", &options.cert},         {"key", &options.key},
        {"access_log", &options.accessLog},   {"trace", &options.trace},       {"data_dir", &options.settings.dataDir},
        {"router", &options.settings.router}, {"lang", &options.settings.lang}};
    for (const auto &[key, value] : texts)
        if (auto found = defaults->values.find(key); found != defaults->values.end()) *value = found->second;
    if (admcore::Failure f = take_number(*defaults, "threads", 1, 256, options.threads)) return f;
    if (admcore::Failure f = take_number(*defaults, "idle_timeout", 1, 604800, options.idleSeconds)) return f;
    return take_number(*defaults, "max_body", 64, 4 * 1024 * 1024, options.maxBodyKiB);
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
