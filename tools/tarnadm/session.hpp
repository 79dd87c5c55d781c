// session.hpp - what one run of tarnadm (or one shell) keeps: the settings
// of the command line, the objects opened by kind, and the single place
// where problems are reported and turned into exit statuses.
#pragma once

#include "admcore.hpp"
#include "output.hpp"

#include <string>
#include <vector>

namespace tarnadm {

using admcore::FieldInfo;
using admcore::FilterPtr;
using admcore::Kind;
using admcore::Problem;
using admcore::Result;

// Exit statuses, documented in --help and tarnadm(1) from kExitTable.
enum Exit : int {
    kExitOk = 0,
    kExitRefused = 1,      // not found, or refused by the node
    kExitUsage = 2,        // bad command line or input
    kExitInvalid = 3,      // a value refused by validation
    kExitUnreachable = 4,  // the node, the router or a module cannot be reached
    kExitInternal = 5,     // anything else
    kExitInterrupted = 130,
};

// The one table of exit statuses: the status, the outcome of a problem
// that ends with it (none for success and interruption), and its text.
struct ExitRow {
    Exit exit;
    const admcore::Outcome *outcome;
    const char *text;
};
const std::vector<ExitRow> &exit_table();

// The status a problem of this outcome ends with.
int exit_status(admcore::Outcome outcome);

// Global options: given on the command line (over the environment, over
// the configuration file), changed with `set` in the shell.
struct Settings : admcore::Settings {
    std::string userId, fields, where, passwordFile;
    std::string trace;            // "" off, "stderr" or a file
    std::string sessionLifetime;  // a duration (admcore::parse_duration), "" for the default
    std::string parallel;         // nodes asked at once by a command on several nodes, "" for the default
    bool allNodes = false;        // every node of the router's map
    Format format = Format::Table;
    bool wide = false, quiet = false, yes = false, stopOnError = false, verbose = false, passwordStdin = false;
    bool skipExisting = false, replace = false, atomic = false;
};

// The defaults of the configuration file and the environment, under
// `settings`; a problem of the file ends the run (exit 2).
Result<Settings> default_settings();

class Session {
public:
    explicit Session(Settings settings);
    ~Session();
    Session(const Session &) = delete;
    Session &operator=(const Session &) = delete;

    Settings settings;

    // Sets the library's environment (data directory, router, trace) before
    // its first use; the library reads its environment once.
    static void prepare_environment(const Settings &settings);
    void apply_trace();

    // The object `name`, created on first use and, when `routed`, routed to
    // the node of the settings with the stored session of the node in force
    // (unless --user-id logs on around the command).
    Result<Kind *> kind(const std::string &name, bool routed = true);
    void forget_kinds() { kinds_.forget(); }

    // Logons and the session store.
    admcore::Logons &logons() { return logons_; }

    // The line of a script being run (0: none): its errors name it.
    std::size_t scriptLine = 0;
    // The interactive shell runs the command: Ctrl-C must not end the process.
    bool interactive = false;

    // Criteria arguments and --where into a filter for `fields`.
    Result<FilterPtr> criteria(const std::vector<FieldInfo> &fields, const std::vector<std::string> &criteria) const;

    // The columns a listing shows: --fields, else every field that is not
    // pseudo (no data of its own); indexes into `fields`.
    Result<std::vector<std::size_t>> columns(const std::vector<FieldInfo> &fields) const;

    // Reports a problem on stderr (one line; a JSON object under -o json) and
    // returns its exit status.
    int report(const Problem &problem) const;
    int usage(const std::string &what) const;
    int report(const admcore::Failure &failure) const { return failure ? report(*failure) : kExitOk; }

    // Takes a result's value, or reports its problem: the exit status.
    template <class T> int take(Result<T> result, T &value) const
    {
        if (!result) return report(result.problem());
        value = std::move(*result);
        return kExitOk;
    }

    OutputStyle style(bool single = false) const;

private:
    admcore::Kinds kinds_;
    admcore::Logons logons_;
    std::FILE *traceFile_ = nullptr;
};

}  // namespace tarnadm
