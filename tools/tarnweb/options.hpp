// options.hpp - what tarnweb is told at start: where it listens, TLS, the
// library's settings (data directory, router, language), the sessions'
// idle time, the worker threads, the access log and the library's trace.
// Each comes from the command line, else the environment, else the
// configuration file, else its default.
#pragma once

#include "problem.hpp"
#include "settings.hpp"

#include <string>
#include <vector>

namespace tarnweb {

struct Options {
    admcore::Settings settings;  // data directory, router, language; node and user come with each session
    std::string listen = "127.0.0.1:8470";
    std::string cert, key;            // TLS when both are given
    std::string accessLog;            // "" stderr, "-" none, else a file (appended)
    std::string trace;                // the library's trace: "" off, "stderr" or a file
    unsigned threads = 32;            // workers; a kept-alive connection holds one while it lasts
    unsigned idleSeconds = 900;       // a session's idle time before it is logged off
    unsigned maxBodyKiB = 32 * 1024;  // the largest request body (a record file to import)
    bool quiet = false;               // no start-up line
};

// The defaults of the configuration file ($XDG_CONFIG_HOME/tarnweb/config,
// else ~/.config/tarnweb/config; keys listen, cert, key, access_log, trace,
// threads, idle_timeout, max_body, data_dir, router, lang) with the
// environment over them (TARNWEB_LISTEN, TARNWEB_CERT, TARNWEB_KEY,
// TARNWEB_ACCESS_LOG, TARNWEB_TRACE, TARNWEB_THREADS, TARNWEB_IDLE_TIMEOUT,
// TARNWEB_MAX_BODY, TARN_DATA_DIR, TARNWEB_ROUTER, TARNWEB_LANG). A
// malformed file, an unknown key or a number out of range is a problem
// naming where it came from.
admcore::Failure read_defaults(Options &options);

// The command line over both: -1 to go on, else the exit status (help,
// version, or a usage error already reported).
int parse_command_line(const std::vector<std::string> &args, Options &options);

// host and port of `listen` ("127.0.0.1:8470", "[::1]:0", ":8470"); false when malformed.
bool split_listen(const std::string &listen, std::string &host, int &port);

}  // namespace tarnweb
