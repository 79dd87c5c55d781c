// session.cpp - the objects of the session, the library's trace, and the
// report of every problem.
#include "session.hpp"

#include "trace.hpp"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <cstdlib>
#include <map>

namespace tarnadm {
namespace {

// What the user can do about a problem, in tarnadm's terms.
std::string_view remedy_text(admcore::Remedy remedy)
{
    switch (remedy) {
    case admcore::Remedy::GiveNode: return ": give --node NODE (or set TARN_NODE)";
    case admcore::Remedy::GiveUser: return ": give --user USER";
    case admcore::Remedy::ListKinds: return " (tarnadm objects lists them; tarnadm env checks the setup)";
    case admcore::Remedy::CheckSetup: return " (tarnadm env checks the setup)";
    case admcore::Remedy::None: break;
    }
    return "";
}

}  // namespace

const std::vector<ExitRow> &exit_table()
{
    using O = admcore::Outcome;
    static constexpr O kRefused = O::Refused, kUsage = O::Usage, kInvalid = O::Invalid, kUnreachable = O::Unreachable,
                       kInternal = O::Internal;
    static const std::vector<ExitRow> table = {
        {kExitOk, nullptr, "success"},
        {kExitRefused, &kRefused, "not found, or refused by the node (its grants, a logon, an ended session)"},
        {kExitUsage, &kUsage, "usage: bad command, option, object kind, field, criteria, input or setting file"},
        {kExitInvalid, &kInvalid, "a value refused by validation"},
        {kExitUnreachable, &kUnreachable,
         "cannot reach the node (down, timed out, unknown) or load a module (see tarnadm env)"},
        {kExitInternal, &kInternal, "internal failure"},
        {kExitInterrupted, nullptr, "interrupted (import, define and delete stop between two batches)"},
    };
    return table;
}

int exit_status(admcore::Outcome outcome)
{
    // tarnadm's exit statuses are coarser than the outcomes.
    using O = admcore::Outcome;
    if (outcome == O::NotFound || outcome == O::Conflict) outcome = O::Refused;
    if (outcome == O::TimedOut) outcome = O::Unreachable;
    for (const ExitRow &row : exit_table())
        if (row.outcome && *row.outcome == outcome) return row.exit;
    return kExitInternal;
}

Result<Settings> default_settings()
{
    static const std::vector<admcore::DefaultKey> keys = {{"data_dir", "TARN_DATA_DIR"},
                                                          {"router", "TARN_ROUTER"},
                                                          {"node", "TARN_NODE"},
                                                          {"user", "TARN_USER"},
                                                          {"lang", "TARN_LANG"},
                                                          {"output", "TARN_OUTPUT"},
                                                          {"session_lifetime", "TARN_SESSION_LIFETIME"},
                                                          {"parallel", "TARN_PARALLEL"}};
    Result<admcore::Defaults> defaults = admcore::tool_defaults("tarnadm", keys);
    if (!defaults) return defaults.problem();
    Settings settings;
    std::map<std::string, std::string> &v = defaults->values;
    // TARN_DATA_DIR is the library's own: the file's data_dir is needed only without it.
    if (!std::getenv("TARN_DATA_DIR") || !*std::getenv("TARN_DATA_DIR")) settings.dataDir = v["data_dir"];
    // DEMO_ROUTER set in the environment is a router chosen there: the file's does not override it.
    const char *demo = std::getenv("DEMO_ROUTER");
    if (defaults->origins["router"] == "TARN_ROUTER" || !demo || !*demo) settings.router = v["router"];
    settings.node = v["node"];
    settings.user = v["user"];
    settings.lang = v["lang"];
    settings.sessionLifetime = v["session_lifetime"];
    settings.parallel = v["parallel"];
    if (!v["output"].empty() && !parse_format(v["output"], settings.format))
        return admcore::usage_problem(defaults->origins["output"] + ": output \"" + v["output"] +
                                      "\" is none of table, csv, json");
    long seconds = 0;
    if (!settings.sessionLifetime.empty() && !admcore::parse_duration(settings.sessionLifetime, seconds))
        return admcore::usage_problem(defaults->origins["session_lifetime"] + ": session_lifetime \"" +
                                      settings.sessionLifetime + "\" is no duration (90s, 30m, 8h, 2d)");
    return settings;
}

Session::Session(Settings s) : settings(std::move(s)), logons_("tarnadm") {}

Session::~Session()
{
    forget_kinds();
    admcore::trace_to(nullptr);
    if (traceFile_ && traceFile_ != stderr) std::fclose(traceFile_);
}

void Session::prepare_environment(const Settings &settings)
{
    admcore::prepare_environment(settings);
    // The trace goes through the hook, so the library's own destination stays off.
    if (!settings.trace.empty()) unsetenv("TARN_TRACE");
}

void Session::apply_trace()
{
    if (settings.trace.empty() || traceFile_) return;
    traceFile_ = settings.trace == "stderr" ? stderr : std::fopen(settings.trace.c_str(), "a");
    if (!traceFile_) {
        std::fprintf(stderr, "tarnadm: cannot open the trace file %s; tracing to stderr\n", settings.trace.c_str());
        traceFile_ = stderr;
    }
    admcore::trace_to(traceFile_);
}

OutputStyle Session::style(bool single) const
{
    OutputStyle style;
    style.format = settings.format;
    style.wide = settings.wide;
    style.single = single;
    return style;
}

int Session::report(const Problem &problem) const
{
    const std::string_view meaning = problem.code ? admcore::library_code_meaning(problem.code, problem.family) : "";
    const std::string_view nodeMeaning = problem.routerCode ? admcore::router_code_meaning(problem.routerCode) : "";
    const int exit = exit_status(problem.outcome);
    const std::string what = (scriptLine ? "line " + std::to_string(scriptLine) + ": " : std::string()) + problem.what +
                             std::string(remedy_text(problem.remedy));
    if (settings.format == Format::Json) {
        nlohmann::ordered_json line = {{"error", what}, {"exit", exit}};
        if (problem.code) line["code"] = problem.code, line["meaning"] = meaning;
        if (problem.routerCode) line["node_code"] = problem.routerCode, line["node_meaning"] = nodeMeaning;
        if (!problem.nodeMessage.empty()) line["node_message"] = problem.nodeMessage;
        std::fprintf(stderr, "%s\n", line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
        return exit;
    }
    std::string text = "tarnadm: " + what;
    if (problem.code)
        text += ": code " + std::to_string(problem.code) + (meaning.empty() ? "" : " (" + std::string(meaning) + ")");
    if (problem.routerCode || !problem.nodeMessage.empty()) {
        text += "; node";
        if (problem.routerCode)
            text += " code " + std::to_string(problem.routerCode) +
                    (nodeMeaning.empty() ? "" : " (" + std::string(nodeMeaning) + ")");
        if (!problem.nodeMessage.empty()) text += ": " + problem.nodeMessage;
    }
    for (char &c : text)
        if (c == '\n' || c == '\r') c = ' ';
    std::fprintf(stderr, "%s\n", text.c_str());
    return exit;
}

int Session::usage(const std::string &what) const { return report(admcore::usage_problem(what)); }

Result<Kind *> Session::kind(const std::string &name, bool routed)
{
    Result<Kind *> kind = kinds_.open(settings, name);
    if (!kind || !routed) return kind;
    if (admcore::Failure failure = admcore::route(**kind, settings)) return *failure;
    if (settings.userId.empty())
        if (admcore::Failure failure = logons_.ensure(settings)) return *failure;
    return kind;
}

Result<FilterPtr> Session::criteria(const std::vector<FieldInfo> &fields,
                                    const std::vector<std::string> &criteria) const
{
    Result<FilterPtr> filter = admcore::criteria_filter(fields, criteria);
    if (!filter || settings.where.empty()) return filter;
    if (admcore::Failure failure = admcore::add_criteria_text(filter->get(), settings.where)) {
        failure->what = "bad --where criteria \"" + settings.where + "\" (COLUMN OP VALUE, ...)";
        return *failure;
    }
    return filter;
}

Result<std::vector<std::size_t>> Session::columns(const std::vector<FieldInfo> &fields) const
{
    std::vector<std::size_t> indexes;
    if (settings.fields.empty()) {
        for (std::size_t i = 0; i < fields.size(); ++i)
            if (!fields[i].pseudo) indexes.push_back(i);
        return indexes;
    }
    std::string_view list = settings.fields;
    while (!list.empty()) {
        const std::size_t comma = list.find(',');
        std::string_view name = list.substr(0, comma);
        list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
        while (!name.empty() && name.front() == ' ') name.remove_prefix(1);
        while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
        std::size_t i = 0;
        while (i < fields.size() && !admcore::same_name(fields[i].name, name)) ++i;
        if (i == fields.size()) {
            Problem problem = admcore::unknown_field(fields, std::string(name));
            problem.what += " in --fields";
            return problem;
        }
        indexes.push_back(i);
    }
    return indexes;
}

}  // namespace tarnadm
