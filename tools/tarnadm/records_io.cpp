// records_io.cpp - export to and import from record files through the
// core's records (admcore/records.hpp), with a progress bar; Ctrl-C stops an
// import between two definitions.
#include "handlers.hpp"
#include "progress.hpp"
#include "records.hpp"

#include <nlohmann/json.hpp>

#include <csignal>
#include <cstdio>
#include <memory>

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

void print_summary(const Session &session, const admcore::ImportSummary &summary, bool interrupted)
{
    if (session.settings.format == Format::Json) {
        nlohmann::ordered_json out = {
            {"defined", summary.defined}, {"failed", summary.failures.size()}, {"interrupted", interrupted}};
        nlohmann::ordered_json list = nlohmann::ordered_json::array();
        for (const admcore::RecordFailure &f : summary.failures) {
            nlohmann::ordered_json entry = {{"record", f.record}, {"code", f.code}, {"message", f.message}};
            if (f.routerCode) entry["node_code"] = f.routerCode;
            list.push_back(std::move(entry));
        }
        out["failures"] = std::move(list);
        std::printf("%s\n", out.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
        return;
    }
    for (const admcore::RecordFailure &f : summary.failures)
        std::fprintf(stderr, "tarnadm: record %zu: code %u%s: %s\n", f.record, f.code,
                     f.routerCode ? (", node code " + std::to_string(f.routerCode)).c_str() : "", f.message.c_str());
    if (!session.settings.quiet || !summary.failures.empty() || interrupted)
        std::printf("%zu defined, %zu failed%s\n", summary.defined, summary.failures.size(),
                    interrupted ? ", interrupted" : "");
}

}  // namespace

int export_command(Session &session, const Command &c)
{
    Kind *kind = nullptr;
    FilterPtr filter;
    std::vector<std::size_t> indexes;
    if (int exit = session.take(session.kind(c.kind), kind)) return exit;
    if (int exit = session.take(session.criteria(kind->fields, c.args), filter)) return exit;
    if (int exit = session.take(session.columns(kind->fields), indexes)) return exit;
    std::unique_ptr<Progress> progress;
    std::size_t done = 0;
    Result<std::size_t> written = admcore::export_records(
        *kind, filter.get(), indexes, c.file,
        [&](std::size_t count) { progress = std::make_unique<Progress>("export", count, !session.settings.quiet); },
        [&](std::size_t n) {
            progress->update(n);
            return true;
        });
    if (progress) progress->finish();
    if (int exit = session.take(std::move(written), done)) return exit;
    if (!session.settings.quiet && session.settings.format == Format::Table)
        std::printf("%zu exported to %s\n", done, c.file.c_str());
    return kExitOk;
}

int import_command(Session &session, const Command &c)
{
    Kind *kind = nullptr;
    admcore::RecordFile file;
    if (int exit = session.take(session.kind(c.kind), kind)) return exit;
    if (int exit = session.take(admcore::read_records(*kind, c.file), file)) return exit;
    InterruptGuard guard;
    Progress progress("import", file.records.size(), !session.settings.quiet);
    const admcore::ImportSummary summary =
        admcore::import_records(*kind, file, session.settings.stopOnError, [&](std::size_t done) {
            progress.update(done);
            return !guard.interrupted();
        });
    progress.finish();
    print_summary(session, summary, guard.interrupted());
    if (guard.interrupted()) return kExitInterrupted;
    if (summary.failures.empty()) return kExitOk;
    const admcore::RecordFailure &first = summary.failures.front();
    return exit_status(admcore::outcome_of(first.code, first.routerCode));
}

}  // namespace tarnadm
