// session.cpp - objects created by name and routed to the node, their
// fields, criteria, and the report of every failure.
#include "session.hpp"

#include <nlohmann/json.hpp>
#include <pwd.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <strings.h>

namespace tarnadm {
namespace {

bool same_name(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) text.remove_suffix(1);
    return text;
}

// The fields of a descriptor in header order, with the attributes tarnadm shows.
std::vector<FieldInfo> fields_of(Descriptor *descriptor)
{
    std::vector<FieldInfo> fields;
    char **header = nullptr;
    const int count = ZeGetFieldCount(descriptor);
    if (ZeDescriptorHeader(descriptor, &header) != ZE_OK || !header) return fields;
    for (int i = 0; i < count && header[i]; ++i) {
        FieldInfo info;
        const char *label = nullptr, *type = nullptr;
        int key = 0, pseudo = 0, invisible = 0;
        info.name = header[i];
        ZeQueryAttribute(descriptor, header[i], "LABEL", &label);
        ZeQueryAttribute(descriptor, header[i], "TYPE", &type);
        ZeQueryAttribute(descriptor, header[i], "KEY", &key);
        ZeQueryAttribute(descriptor, header[i], "PSEUDO", &pseudo);
        ZeQueryAttribute(descriptor, header[i], "INVISIBLE", &invisible);
        info.label = label && *label ? label : info.name;
        info.type = type ? type : "TEXT";
        info.key = key != 0;
        info.pseudo = pseudo != 0;
        info.invisible = invisible != 0;
        fields.push_back(std::move(info));
    }
    return fields;
}

// The group object of the chain, found without a trace line when there is none.
void *group_object(void *object)
{
    for (void *o = object; o; o = ZeObjectBaseObject(o))
        if (ZeObjectIsNamed(o, "GROUP")) return o;
    return nullptr;
}

}  // namespace

const FieldInfo *Kind::key() const
{
    for (const FieldInfo &f : fields)
        if (f.key) return &f;
    return nullptr;
}

const FieldInfo *Kind::field(std::string_view wanted) const
{
    for (const FieldInfo &f : fields)
        if (same_name(f.name, wanted)) return &f;
    return nullptr;
}

FilterPtr new_filter()
{
    Filter *filter = nullptr;
    ZeCreateFilter(&filter);
    return FilterPtr(filter);
}

bool split_criterion(std::string_view text, Criterion &criterion)
{
    const std::size_t at = text.find_first_of("=!<>");
    if (at == std::string_view::npos) return false;
    std::string_view op = text.substr(at, 1);
    if (at + 1 < text.size() && text[at + 1] == '=' && text[at] != '=') op = text.substr(at, 2);
    static constexpr std::pair<std::string_view, const char *> kOps[] = {{"=", "EQ"},  {"!=", "NE"}, {"<", "LT"},
                                                                         {"<=", "LE"}, {">", "GT"},  {">=", "GE"}};
    const char *relop = nullptr;
    for (const auto &[text_op, word] : kOps)
        if (op == text_op) relop = word;
    criterion.field = std::string(trimmed(text.substr(0, at)));
    if (!relop || criterion.field.empty()) return false;
    criterion.relop = relop;
    criterion.value = std::string(text.substr(at + op.size()));
    return true;
}

std::string local_user()
{
    if (const passwd *entry = getpwuid(geteuid()); entry && entry->pw_name) return entry->pw_name;
    const char *user = std::getenv("USER");
    return user ? user : "";
}

Session::Session(Settings s) : settings(std::move(s)) {}

Session::~Session()
{
    forget_kinds();
    TarnSetTraceHook(nullptr, nullptr);
    if (traceFile_ && traceFile_ != stderr) std::fclose(traceFile_);
}

void Session::prepare_environment(const Settings &settings)
{
    if (!settings.dataDir.empty()) setenv("TARN_DATA_DIR", settings.dataDir.c_str(), 1);
    if (settings.router == "demo") setenv("DEMO_ROUTER", "ON", 1);
    else if (!settings.router.empty()) unsetenv("DEMO_ROUTER");
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
    install_hook();
}

void Session::on_trace_line(void *context, const char *line)
{
    Session *session = static_cast<Session *>(context);
    if (session->traceFile_) {
        std::fprintf(session->traceFile_, "%s\n", line);
        std::fflush(session->traceFile_);
    }
    if (session->capture_) session->capture_->push_back(line);
}

void Session::install_hook()
{
    if (traceFile_ || capture_) TarnSetTraceHook(on_trace_line, this);
    else TarnSetTraceHook(nullptr, nullptr);
}

void Session::capture_trace(std::vector<std::string> *sink)
{
    capture_ = sink;
    install_hook();
}

void Session::forget_kinds()
{
    for (auto &entry : kinds_) ZeDestroyObject(entry.second->object);
    kinds_.clear();
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
    const std::string_view meaning = problem.code ? library_code_meaning(problem.code, problem.family) : "";
    const std::string_view nodeMeaning = problem.routerCode ? router_code_meaning(problem.routerCode) : "";
    if (muted) return problem.exit;
    if (settings.format == Format::Json) {
        nlohmann::ordered_json line = {{"error", problem.what}, {"exit", problem.exit}};
        if (problem.code) line["code"] = problem.code, line["meaning"] = meaning;
        if (problem.routerCode) line["node_code"] = problem.routerCode, line["node_meaning"] = nodeMeaning;
        if (!problem.nodeMessage.empty()) line["node_message"] = problem.nodeMessage;
        std::fprintf(stderr, "%s\n", line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
        return problem.exit;
    }
    std::string text = "tarnadm: " + problem.what;
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
    return problem.exit;
}

int Session::usage(const std::string &what) const
{
    Problem problem;
    problem.what = what;
    problem.exit = kExitUsage;
    return report(problem);
}

int Session::action_failed(const Kind &kind, const std::string &what, unsigned rc, Family family) const
{
    Problem problem;
    problem.what = what;
    problem.code = rc;
    problem.family = family;
    if (DtsResult *result = ZeGenericObjResult(kind.object)) {
        unsigned code = 0;
        const char *message = nullptr;
        if (ZeGetDtsResultFields(result, &code, &message) == ZE_OK) {
            // The node's answer, or the library's own reason for refusing before sending.
            const std::string text = message ? message : "";
            if (rc == ZE_RC_ROUTER_FAILED) {
                problem.routerCode = code;
                problem.nodeMessage = text;
            } else if (!text.empty()) {
                problem.what += ": " + text;
            }
        }
    }
    problem.exit = exit_for(rc, problem.routerCode);
    return report(problem);
}

std::vector<std::string> Session::registry_kinds() const
{
    std::vector<std::string> kinds;
    char path[TARN_MAX_PATH];
    if (ZeBuildDataFilename("tarnobjs.dat", path, sizeof path) != ZE_OK) return kinds;
    std::ifstream file(path);
    for (std::string line; std::getline(file, line);) {
        std::string_view text = trimmed(line);
        if (text.empty() || text.front() == ';' || text.front() == '#') continue;
        std::string_view name = trimmed(text.substr(0, text.find(',')));
        if (name.size() >= 2 && name.front() == '"' && name.back() == '"') name = name.substr(1, name.size() - 2);
        if (name.empty()) continue;
        std::string upper(name);
        for (char &c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        bool seen = false;
        for (const std::string &k : kinds) seen = seen || k == upper;
        if (!seen) kinds.push_back(upper);
    }
    return kinds;
}

bool Session::route(Kind &kind)
{
    if (settings.node.empty()) {
        lastExit = usage("no node: give --node NODE (or set TARN_NODE)");
        return false;
    }
    const std::string user = settings.user.empty() ? local_user() : settings.user;
    if (user.empty()) {
        lastExit = usage("no local user name: give --user USER");
        return false;
    }
    unsigned rc = ZE_OK;
    if (kind.routedTo != settings.node) {
        rc = ZeSetProperty(kind.object, "DESTINATION", settings.node.c_str(), settings.node.c_str());
        if (rc == ZE_OK) kind.routedTo = settings.node;
    }
    if (rc == ZE_OK && kind.routedAs != user) {
        rc = ZeSetProperty(kind.object, "USERNAME", user.c_str());
        if (rc == ZE_OK) kind.routedAs = user;
    }
    if (rc != ZE_OK) lastExit = action_failed(kind, "cannot address node " + settings.node, rc);
    return rc == ZE_OK;
}

Kind *Session::kind(const std::string &name, bool routed)
{
    std::string upper = name;
    for (char &c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    auto found = kinds_.find(upper);
    if (found == kinds_.end()) {
        FilterPtr filter = new_filter();
        if (!settings.lang.empty()) ZeAddFilterItem(filter.get(), "LANGUAGE", "EQ", settings.lang.c_str());
        if (!settings.router.empty() && settings.router != "demo" && settings.router != "remote")
            ZeAddFilterItem(filter.get(), "ROUTEMODULE", "EQ", settings.router.c_str());
        auto kind = std::make_unique<Kind>();
        kind->name = upper;
        const unsigned rc = ZeCreateObject(&kind->object, name.c_str(), filter.get());
        if (rc != ZE_OK) {
            Problem problem;
            problem.code = rc;
            problem.exit = exit_for(rc, 0);
            bool known = false;
            for (const std::string &k : registry_kinds()) known = known || k == upper;
            if (rc == ZE_RC_NO_REGISTRY_LINE && !known) {
                problem.what =
                    "unknown object kind " + name + " (tarnadm objects lists them; tarnadm env checks the setup)";
                problem.exit = kExitUsage;
            } else {
                problem.what = "cannot create the object " + name + " (tarnadm env checks the setup)";
            }
            lastExit = report(problem);
            return nullptr;
        }
        // A new object has no date format: without one, date fields could not be validated.
        const char *dateFormat = nullptr;
        if (ZeQueryProperty(kind->object, "DATE FORMAT", &dateFormat) == ZE_OK && (!dateFormat || !*dateFormat))
            ZeSetProperty(kind->object, "DATE FORMAT", ZeDateDefaultFormat());
        kind->fields = fields_of(ZeGenericObjDescriptor(kind->object));
        if (void *group = group_object(kind->object))
            kind->groupFields = fields_of(static_cast<Descriptor *>(ZeElement(group, "GROUP DESCRIPTOR")));
        found = kinds_.emplace(upper, std::move(kind)).first;
    }
    if (routed && !route(*found->second)) return nullptr;
    return found->second.get();
}

FilterPtr Session::criteria_filter(const std::vector<FieldInfo> &fields, const std::vector<std::string> &criteria,
                                   bool equalsOnly) const
{
    FilterPtr filter = new_filter();
    if (!filter) {
        Problem problem{"cannot make a filter", kExitInternal, ZE_RC_NO_MEMORY};
        lastExit = report(problem);
        return nullptr;
    }
    for (const std::string &text : criteria) {
        Criterion c;
        if (!split_criterion(text, c) || (equalsOnly && c.relop != "EQ")) {
            lastExit = usage("bad " + std::string(equalsOnly ? "FIELD=VALUE" : "criterion") + " \"" + text + "\"" +
                             (equalsOnly ? "" : " (FIELD=VALUE, FIELD!=VALUE, FIELD<VALUE, <=, >, >=)"));
            return nullptr;
        }
        const FieldInfo *field = nullptr;
        for (const FieldInfo &f : fields)
            if (same_name(f.name, c.field)) field = &f;
        if (!field) {
            std::string names;
            for (const FieldInfo &f : fields) names += (names.empty() ? "" : ", ") + f.name;
            lastExit = usage("unknown field " + c.field + " (fields: " + names + ")");
            return nullptr;
        }
        if (ZeAddFilterItem(filter.get(), field->name.c_str(), c.relop.c_str(), c.value.c_str()) != ZE_OK) {
            lastExit = report({"cannot add a criterion", kExitInternal, ZE_RC_NO_MEMORY});
            return nullptr;
        }
    }
    if (!settings.where.empty() && !equalsOnly) {
        const unsigned rc = ZeSetFilter(filter.get(), ZE_FILTER_TEXT, settings.where.c_str());
        if (rc != ZE_OK) {
            Problem problem{"bad --where criteria \"" + settings.where + "\" (COLUMN OP VALUE, ...)", kExitUsage, rc,
                            Family::Filter};
            lastExit = report(problem);
            return nullptr;
        }
    }
    return filter;
}

}  // namespace tarnadm
