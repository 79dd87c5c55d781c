// records_io.cpp - export to and import from record files: a header record
// of field names, then one record per item, and a manifest beside the file
// (admcore/manifest.hpp). An import reads and checks the whole file (and
// its manifest), every value with VALIDATE VALUE, before it defines
// anything, so a corrupt or truncated file, or one value its field refuses,
// imports nothing; Ctrl-C stops it between two definitions, and an import
// run again with --skip-existing (or --replace) completes it. "-" is
// standard input or output, passed through a temporary file.
#include "handlers.hpp"
#include "manifest.hpp"
#include "progress.hpp"

#include "TarnRouter.h"

#include <nlohmann/json.hpp>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
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

// A temporary file (when `wanted`) that goes when it does.
struct TempFile {
    std::string path;
    explicit TempFile(bool wanted)
    {
        char name[TARN_MAX_PATH] = "";
        if (wanted && TarnGetTempFileName(nullptr, "tarnadm", name)) path = name;
    }
    TempFile(const TempFile &) = delete;
    TempFile &operator=(const TempFile &) = delete;
    ~TempFile()
    {
        if (!path.empty()) std::remove(path.c_str());
    }
};

// Copies everything from one stream to another; false when either fails.
bool copy_stream(std::FILE *from, std::FILE *to)
{
    char buffer[1 << 16];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, from)) > 0)
        if (std::fwrite(buffer, 1, n, to) != n) return false;
    return !std::ferror(from) && std::fflush(to) == 0;
}

// Standard input copied into `temp`: the path to read, or a problem.
Result<std::string> input_path(const std::string &file, TempFile &temp)
{
    if (file != "-") {
        std::error_code error;
        if (!std::filesystem::exists(file, error))
            return Problem("cannot read " + file + ": no such file", admcore::Outcome::Usage);
        return file;
    }
    std::FILE *out = temp.path.empty() ? nullptr : std::fopen(temp.path.c_str(), "wb");
    const bool copied = out && copy_stream(stdin, out);
    if (out) std::fclose(out);
    if (!copied) return Problem("cannot read standard input into a temporary file", admcore::Outcome::Internal);
    return temp.path;
}

// The end of an export: the file renamed into place and its manifest
// written, or, for "-", the file copied to standard output.
int finish_export(Session &session, const std::string &partial, const std::string &file, std::size_t records)
{
    if (file == "-") {
        std::FILE *in = std::fopen(partial.c_str(), "rb");
        const bool copied = in && copy_stream(in, stdout);
        if (in) std::fclose(in);
        std::remove(partial.c_str());
        if (!copied) return session.report(Problem("cannot write to standard output", admcore::Outcome::Internal));
        return kExitOk;
    }
    if (std::rename(partial.c_str(), file.c_str()) != 0) {
        std::remove(partial.c_str());
        return session.report(
            Problem("cannot write " + file + ": " + std::strerror(errno), admcore::Outcome::Internal));
    }
    return session.report(admcore::write_manifest(file, records));
}

struct Failure {
    std::size_t record;
    unsigned code, routerCode;
    std::string message;
};

struct Counts {
    std::size_t defined = 0, skipped = 0, replaced = 0;
};

// Records per batch of a best-effort import: large enough that the
// requests cost little per record, small enough for progress and Ctrl-C.
constexpr std::size_t kImportBatch = 500;

// `undone`: the records an atomic import carried out and then undid.
void print_summary(const Session &session, const Counts &counts, const std::vector<Failure> &failures, bool interrupted,
                   std::size_t undone)
{
    if (session.settings.format == Format::Csv) {
        const std::string texts[] = {std::to_string(counts.defined), std::to_string(counts.skipped),
                                     std::to_string(counts.replaced), std::to_string(failures.size()),
                                     interrupted ? "TRUE" : "FALSE"};
        const char *row[] = {texts[0].c_str(), texts[1].c_str(), texts[2].c_str(), texts[3].c_str(), texts[4].c_str()};
        auto out = make_output(
            stdout, {{"DEFINED", ""}, {"SKIPPED", ""}, {"REPLACED", ""}, {"FAILED", ""}, {"INTERRUPTED", ""}},
            session.style());
        out->row(row);
        out->finish();
    }
    if (session.settings.format == Format::Json) {
        nlohmann::ordered_json summary = {
            {"defined", counts.defined}, {"skipped", counts.skipped}, {"replaced", counts.replaced},
            {"failed", failures.size()}, {"undone", undone},          {"interrupted", interrupted}};
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
    if (session.settings.format != Format::Table) return;
    if (!session.settings.quiet || !failures.empty() || interrupted) {
        std::printf("%zu defined", counts.defined);
        if (session.settings.skipExisting) std::printf(", %zu skipped", counts.skipped);
        if (session.settings.replace) std::printf(", %zu replaced", counts.replaced);
        std::printf(", %zu failed", failures.size());
        if (session.settings.atomic && !failures.empty()) std::printf(", nothing imported (%zu undone)", undone);
        std::printf("%s\n", interrupted ? ", interrupted" : "");
    }
}

// The records the node refused (or, in an atomic import, the one that
// made it undo everything), in the form of the summary.
std::vector<Failure> record_failures(const admcore::BatchReport &report)
{
    std::vector<Failure> failures;
    for (const admcore::ItemFailure &f : report.failures) {
        Failure failure{f.item, f.code, f.code == ZE_RC_ROUTER_FAILED ? f.nodeCode : 0u, f.message};
        if (failure.message.empty()) failure.message = std::string(admcore::library_code_meaning(f.code));
        failures.push_back(std::move(failure));
    }
    return failures;
}

admcore::Existing existing_items(const Settings &settings)
{
    if (settings.skipExisting) return admcore::Existing::Skip;
    if (settings.replace) return admcore::Existing::Replace;
    return admcore::Existing::Fail;
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

    // Written beside the target (or to a temporary file for "-") and moved
    // at the end: a failed export leaves no half file.
    TempFile temp(c.file == "-");
    const std::string partial = c.file == "-" ? temp.path : c.file + ".partial";
    if (c.file != "-") std::remove(admcore::manifest_path(c.file).c_str());
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
    if (rc != ZE_RC_NO_ENTRY || !closed) {
        std::remove(partial.c_str());
        return session.report(Problem("cannot write " + c.file, admcore::Outcome::Internal,
                                      rc == ZE_RC_NO_ENTRY ? 0u : rc, admcore::Family::Records));
    }
    if (int exit = finish_export(session, partial, c.file, done)) return exit;
    if (c.file == "-") {
        if (!session.settings.quiet) std::fprintf(stderr, "%zu exported\n", done);
    } else if (session.settings.format == Format::Table) {
        if (!session.settings.quiet) std::printf("%zu exported to %s\n", done, c.file.c_str());
    } else {
        const std::string exported = std::to_string(done);
        const char *summary[] = {exported.c_str(), c.file.c_str()};
        auto writer = make_output(stdout, {{"EXPORTED", ""}, {"FILE", ""}}, session.style(true));
        writer->row(summary);
        writer->finish();
    }
    return kExitOk;
}

int import_command(Session &session, const Command &c)
{
    if (session.settings.skipExisting && session.settings.replace)
        return session.usage("--skip-existing and --replace exclude each other");
    Kind *kind = nullptr;
    TempFile temp(c.file == "-");
    std::string path;
    if (int exit = session.take(input_path(c.file, temp), path)) return exit;
    if (int exit = session.take(session.kind(c.kind), kind)) return exit;
    RdwColumns columns;
    Stream in;
    std::vector<std::string> trace;
    session.capture_trace(&trace);
    unsigned rc = ZeOpenInputRdwFile(path.c_str(), &columns.names, &columns.count, &in.file);
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
    if (c.file != "-")
        if (int refused = session.report(admcore::check_manifest(c.file, records.size()))) return refused;

    // Every value is checked as define checks it before anything is defined.
    const admcore::DateServiceHold dates;
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

    // The records go to the node in batches: best effort, each record on
    // its own, batch by batch so that Ctrl-C and --stop-on-error stop
    // between two; --atomic sends them all as one transaction.
    std::vector<FilterPtr> items;
    items.reserve(records.size());
    for (const auto &record : records) {
        FilterPtr filter = admcore::new_filter();
        for (std::size_t i = 0; i < names.size(); ++i)
            ZeAddFilterItem(filter.get(), names[i].c_str(), "EQ", record[i].c_str());
        items.push_back(std::move(filter));
    }
    InterruptGuard guard;
    Progress progress("import", records.size(), !session.settings.quiet);
    admcore::Batching batching;
    batching.atomic = session.settings.atomic;
    batching.stopAtFailure = session.settings.stopOnError;
    batching.existing = existing_items(session.settings);
    batching.size = kImportBatch;
    batching.progress = [&](const admcore::BatchReport &, std::size_t done) {
        progress.update(done);
        return !guard.interrupted();
    };
    admcore::BatchReport report;
    if ((exit = session.take(admcore::run_items(*kind, "DEFINE", items, batching), report)) != kExitOk) return exit;
    progress.finish();
    const std::vector<Failure> failures = record_failures(report);
    const Counts counts{report.done, report.skipped, report.replaced};
    const bool interrupted = report.stopped && guard.interrupted();
    print_summary(session, counts, failures, interrupted, report.undone);
    if (interrupted) return kExitInterrupted;
    if (failures.empty()) return kExitOk;
    return exit_status(admcore::outcome_of(failures.front().code, failures.front().routerCode));
}

}  // namespace tarnadm
