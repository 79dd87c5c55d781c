// session.hpp - what one run of tarnadm (or one shell) keeps: the settings
// of the command line, the objects created by name with their fields, and
// the single place where failures are reported and turned into exit codes.
#pragma once

#include "codes.hpp"
#include "output.hpp"
#include "tarnsrvc.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnadm {

// Global options: given on the command line, changed with `set` in the shell.
struct Settings {
    std::string node, user, userId, dataDir, router, lang, fields, where, passwordFile;
    std::string trace;  // "" off, "stderr" or a file
    Format format = Format::Table;
    bool wide = false, quiet = false, yes = false, stopOnError = false;
};

struct FieldInfo {
    std::string name, label, type;
    bool key = false, pseudo = false, invisible = false;
};

// An object created by name, kept open for the life of the session.
struct Kind {
    std::string name;
    void *object = nullptr;
    std::vector<FieldInfo> fields;       // descriptor order
    std::vector<FieldInfo> groupFields;  // the group descriptor's, for objects with groups
    std::string routedTo, routedAs;      // DESTINATION and USERNAME last set

    const FieldInfo *key() const;
    // The field named `name`, ignoring case; NULL when there is none.
    const FieldInfo *field(std::string_view wanted) const;
    bool has_groups() const { return !groupFields.empty(); }
};

struct FilterDeleter {
    void operator()(Filter *f) const { ZeDestroyFilter(f); }
};
using FilterPtr = std::unique_ptr<Filter, FilterDeleter>;
FilterPtr new_filter();

// One failure as the user sees it.
struct Problem {
    Problem() = default;
    Problem(std::string text, int exitCode, unsigned libraryCode = 0, Family codeFamily = Family::Object)
        : what(std::move(text)), exit(exitCode), code(libraryCode), family(codeFamily)
    {}
    std::string what;  // what tarnadm was doing, or what is wrong
    int exit = kExitInternal;
    unsigned code = 0;  // library code, 0 when none
    Family family = Family::Object;
    unsigned routerCode = 0;
    std::string nodeMessage;
};

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

    // The object `name`, created on first use and routed to the node of the
    // settings when `routed`; NULL after the failure was reported (exit code
    // in lastExit).
    Kind *kind(const std::string &name, bool routed = true);
    void forget_kinds();

    // Reports a problem on stderr (one line; a JSON object under -o json) and
    // returns its exit code.
    int report(const Problem &problem) const;
    int usage(const std::string &what) const;
    // Reports a failed action on `kind`: the library's code and the node's answer.
    int action_failed(const Kind &kind, const std::string &what, unsigned rc, Family family = Family::Object) const;

    // The object kinds of the registry, in file order, each once.
    std::vector<std::string> registry_kinds() const;

    // Criteria arguments (FIELD=VALUE, FIELD!=VALUE, FIELD<VALUE, ...) and
    // --where into a filter for `fields`; NULL after a reported usage error.
    FilterPtr criteria_filter(const std::vector<FieldInfo> &fields, const std::vector<std::string> &criteria,
                              bool equalsOnly = false) const;

    OutputStyle style(bool single = false) const;
    mutable int lastExit = kExitOk;
    bool muted = false;  // no reports (completion works quietly)

    // Also hands every trace line to `sink` until called with NULL.
    void capture_trace(std::vector<std::string> *sink);

private:
    std::map<std::string, std::unique_ptr<Kind>> kinds_;
    std::FILE *traceFile_ = nullptr;
    std::vector<std::string> *capture_ = nullptr;
    static void on_trace_line(void *context, const char *line);
    void install_hook();
    bool route(Kind &kind);
};

// Splits FIELD<op>VALUE; false when the text has no operator or no field.
struct Criterion {
    std::string field, relop, value;
};
bool split_criterion(std::string_view text, Criterion &criterion);

// The user this process runs as: the password database, else $USER.
std::string local_user();

}  // namespace tarnadm
