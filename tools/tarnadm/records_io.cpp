// records_io.cpp - export to and import from record files: a header record
// of field names, then one record per item. An import reads and checks the
// whole file, every value with VALIDATE VALUE, before it defines anything,
// so a corrupt or truncated file, or one value its field refuses, imports
// nothing; Ctrl-C stops it between two definitions.
#include "handlers.hpp"
#include "progress.hpp"

#include <nlohmann/json.hpp>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace tarnadm {
namespace {

volatile std::sig_atomic_t g_interrupted = 0;

void on_interrupt(int) { g_interrupted = 1; }

// Catches SIGINT while it lives: the work stops at the next record boundary.
class InterruptGuard {
public:
    InterruptGuard()
    {
        g_interrupted = 0;
        struct sigaction action {};
        action.sa_handler = on_interrupt;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, &saved_);
    }
    ~InterruptGuard() { sigaction(SIGINT, &saved_, nullptr); }
    bool interrupted() const { return g_interrupted != 0; }

private:
    struct sigaction saved_ {};
};

struct RdwColumns {
    char **names = nullptr;
    int count = 0;
    ~RdwColumns() { ZeFreeStrPtrArray(names, count); }
};

struct Stream {
    std::FILE *file = nullptr;
    ~Stream()
    {
        if (file) TarnCloseFile(file);
    }
};

bool is_record_error(std::string_view line)
{
    return line.find("RDW") != std::string_view::npos && line.rfind("***", 0) == 0;
}

struct Failure {
    std::size_t record;
    unsigned code, routerCode;
    std::string message;
};

void print_summary(const Session &session, std::size_t defined, const std::vector<Failure> &failures, bool interrupted)
{
    if (session.settings.format == Format::Json) {
        nlohmann::ordered_json summary = {
            {"defined", defined}, {"failed", failures.size()}, {"interrupted", interrupted}};
        nlohmann::ordered_json list = nlohmann::ordered_json::array();
        for (const Failure &f : failures) {
            nlohmann::ordered_json entry = {{"record", f.record}, {"code", f.code}, {"message", f.message}};
            if (f.routerCode) entry["node_code"] = f.routerCode;
            list.push_back(std::move(entry));
        }
        summary["failures"] = std::move(list);
        std::printf("%s\n", summary.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
        return;
    }
    for (const Failure &f : failures)
        std::fprintf(stderr, "tarnadm: record %zu: code %u%s: %s\n", f.record, f.code,
                     f.routerCode ? (", node code " + std::to_string(f.routerCode)).c_str() : "", f.message.c_str());
    if (!session.settings.quiet || !failures.empty() || interrupted)
        std::printf("%zu defined, %zu failed%s\n", defined, failures.size(), interrupted ? ", interrupted" : "");
}

// The object's fields of the file's columns.
Result<std::vector<std::string>> column_fields(const Kind &kind, const RdwColumns &columns)
{
    std::vector<std::string> names;
    for (int i = 0; i < columns.count; ++i) {
        const FieldInfo *field = kind.field(columns.names[i] ? columns.names[i] : "");
        if (!field)
            return admcore::usage_problem(std::string("the record file has a column ") +
                                          (columns.names[i] ? columns.names[i] : "") + " that " + kind.name +
                                          " does not have");
        names.push_back(field->name);
    }
    return names;
}

}  // namespace

int export_command(Session &session, const Command &c)
{
    Kind *kind = nullptr;
    FilterPtr filter;
    std::vector<std::size_t> indexes;
    unsigned count = 0;
    if (int exit = session.take(session.kind(c.kind), kind)) return exit;
    if (int exit = session.take(session.criteria(kind->fields, c.args), filter)) return exit;
    if (int exit = session.take(session.columns(kind->fields), indexes)) return exit;
    if (int exit = session.take(admcore::open_items(*kind, filter.get(), "cannot select what to export"), count))
        return exit;

    // Written beside the target and renamed at the end: a failed export leaves no half file.
    const std::string partial = c.file + ".partial";
    std::vector<char *> names, row(indexes.size());
    for (std::size_t i : indexes) names.push_back(const_cast<char *>(kind->fields[i].name.c_str()));
    Stream out;
    unsigned rc = ZeOpenOutputRdwFile(partial.c_str(), names.data(), static_cast<int>(names.size()), &out.file);
    if (rc != ZE_OK)
        return session.report(Problem("cannot write " + c.file + ": " + std::strerror(errno), admcore::Outcome::Usage,
                                      rc, admcore::Family::Records));
    Progress progress("export", count, !session.settings.quiet);
    char **values = nullptr;
    std::size_t done = 0;
    while (rc == ZE_OK && (rc = ZeSubmitAction(kind->object, "GET ITEM", &values)) == ZE_OK) {
        for (std::size_t i = 0; i < indexes.size(); ++i) row[i] = values[indexes[i]];
        rc = ZeWriteRdwData(out.file, row.data(), static_cast<int>(row.size()));
        progress.update(++done);
    }
    progress.finish();
    const bool closed = TarnCloseFile(out.file) == 0;
    out.file = nullptr;
    if (rc != ZE_RC_NO_ENTRY || !closed || std::rename(partial.c_str(), c.file.c_str()) != 0) {
        std::remove(partial.c_str());
        return session.report(Problem("cannot write " + c.file, admcore::Outcome::Internal,
                                      rc == ZE_RC_NO_ENTRY ? 0u : rc, admcore::Family::Records));
    }
    if (!session.settings.quiet && session.settings.format == Format::Table)
        std::printf("%zu exported to %s\n", done, c.file.c_str());
    return kExitOk;
}

int import_command(Session &session, const Command &c)
{
    Kind *kind = nullptr;
    if (int exit = session.take(session.kind(c.kind), kind)) return exit;
    RdwColumns columns;
    Stream in;
    std::vector<std::string> trace;
    session.capture_trace(&trace);
    unsigned rc = ZeOpenInputRdwFile(c.file.c_str(), &columns.names, &columns.count, &in.file);
    std::vector<std::string> names;
    std::vector<std::vector<std::string>> records;
    int exit = kExitOk;
    if (rc == ZE_OK && (exit = session.take(column_fields(*kind, columns), names)) == kExitOk) {
        std::vector<char *> slots(static_cast<std::size_t>(columns.count), nullptr);
        while ((rc = ZeReadRdwData(in.file, slots.data(), columns.count)) == ZE_OK) {
            bool complete = true;
            for (char *slot : slots) complete = complete && slot;
            for (const std::string &line : trace) complete = complete && !is_record_error(line);
            if (!complete) {
                rc = ZE_RC_RDW_FILE;
                break;
            }
            records.emplace_back(slots.begin(), slots.end());
        }
        ZeFreeRdwData(slots.data(), columns.count);
    } else if (rc == ZE_OK) {
        session.capture_trace(nullptr);
        return exit;
    }
    session.capture_trace(nullptr);
    if (rc != ZE_RC_NO_ENTRY) {
        std::string what = "cannot read " + c.file;
        if (columns.names) what += ": record " + std::to_string(records.size() + 1) + " is damaged; nothing imported";
        else what += ": no valid header record; nothing imported";
        for (const std::string &line : trace)
            if (is_record_error(line)) what += " (" + line.substr(4) + ")";
        return session.report(Problem(what, admcore::Outcome::Usage, rc, admcore::Family::Records));
    }

    // Every value is checked as define checks it before anything is defined.
    for (std::size_t r = 0; r < records.size(); ++r)
        for (std::size_t i = 0; i < names.size(); ++i) {
            const std::string &value = records[r][i];
            if (value.empty()) continue;
            rc = ZeSubmitAction(kind->object, "VALIDATE VALUE", names[i].c_str(), value.c_str());
            if (rc != ZE_OK)
                return session.report(admcore::action_problem(*kind,
                                                              "record " + std::to_string(r + 1) + ": " + names[i] +
                                                                  " value \"" + value + "\" refused; nothing imported",
                                                              rc, admcore::Family::Validate));
        }

    InterruptGuard guard;
    Progress progress("import", records.size(), !session.settings.quiet);
    std::vector<Failure> failures;
    std::size_t defined = 0, number = 0;
    for (const auto &record : records) {
        if (guard.interrupted()) break;
        ++number;
        FilterPtr filter = admcore::new_filter();
        for (std::size_t i = 0; i < names.size(); ++i)
            ZeAddFilterItem(filter.get(), names[i].c_str(), "EQ", record[i].c_str());
        char **values = nullptr;
        rc = ZeSubmitAction(kind->object, "DEFINE ITEM", filter.get(), &values);
        if (rc == ZE_OK) {
            ++defined;
        } else {
            Failure failure{number, rc, 0, ""};
            unsigned code = 0;
            const char *message = nullptr;
            if (ZeGetDtsResultFields(ZeGenericObjResult(kind->object), &code, &message) == ZE_OK) {
                failure.routerCode = rc == ZE_RC_ROUTER_FAILED ? code : 0;
                failure.message = message ? message : "";
            }
            if (failure.message.empty()) failure.message = std::string(admcore::library_code_meaning(rc));
            failures.push_back(std::move(failure));
            if (session.settings.stopOnError) break;
        }
        progress.update(number);
    }
    progress.finish();
    print_summary(session, defined, failures, guard.interrupted());
    if (guard.interrupted()) return kExitInterrupted;
    if (failures.empty()) return kExitOk;
    return exit_status(admcore::outcome_of(failures.front().code, failures.front().routerCode));
}

}  // namespace tarnadm
