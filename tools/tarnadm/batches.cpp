// batches.cpp - batched commands run with progress and Ctrl-C, and their
// summaries in the three output forms.
#include "batches.hpp"

#include "progress.hpp"
#include "text.hpp"

#include <nlohmann/json.hpp>

#include <cstdio>

namespace tarnadm {
namespace {

using Json = nlohmann::ordered_json;

// Items per request when not atomic; progress and Ctrl-C come between two.
constexpr std::size_t kBatchSize = 1000;

volatile std::sig_atomic_t g_interrupted = 0;

void on_interrupt(int) { g_interrupted = 1; }

// What an atomic run that was undone says: "nothing imported", "nothing deleted".
std::string nothing_done(const BatchSummary &s) { return "nothing " + (s.unit == "record" ? "imported" : s.verb); }

Json summary_json(const BatchSummary &s, const std::string &node)
{
    Json out = Json::object();
    if (!node.empty()) out["node"] = node;
    out[s.verb] = s.done;
    if (s.existingCounts) out["skipped"] = s.skipped, out["replaced"] = s.replaced;
    out["failed"] = s.failures.size();
    out["undone"] = s.undone;
    out["interrupted"] = s.interrupted;
    Json list = Json::array();
    for (const BatchSummary::Failed &f : s.failures) {
        Json entry = {{s.unit, f.number}};
        if (!f.key.empty()) entry["key"] = f.key;
        entry["code"] = f.code;
        entry["message"] = f.message;
        if (f.nodeCode) entry["node_code"] = f.nodeCode;
        list.push_back(std::move(entry));
    }
    out["failures"] = std::move(list);
    return out;
}

void print_failures(const BatchSummary &s, const std::string &node)
{
    for (const BatchSummary::Failed &f : s.failures)
        std::fprintf(stderr, "tarnadm: %s%s %zu%s: code %u%s: %s\n",
                     node.empty() ? "" : ("node " + node + ": ").c_str(), s.unit.c_str(), f.number,
                     f.key.empty() ? "" : (" (" + f.key + ")").c_str(), f.code,
                     f.nodeCode ? (", node code " + std::to_string(f.nodeCode)).c_str() : "", f.message.c_str());
}

void print_line(const Session &session, const BatchSummary &s, const std::string &node)
{
    if (session.settings.quiet && s.failures.empty() && !s.interrupted) return;
    std::string line = node.empty() ? "" : node + ": ";
    line += std::to_string(s.done) + " " + s.verb;
    if (s.existingCounts && session.settings.skipExisting) line += ", " + std::to_string(s.skipped) + " skipped";
    if (s.existingCounts && session.settings.replace) line += ", " + std::to_string(s.replaced) + " replaced";
    line += ", " + std::to_string(s.failures.size()) + " failed";
    if (session.settings.atomic && !s.failures.empty())
        line += ", " + nothing_done(s) + " (" + std::to_string(s.undone) + " undone)";
    if (s.interrupted) line += ", interrupted";
    std::printf("%s\n", line.c_str());
}

}  // namespace

InterruptGuard::InterruptGuard()
{
    g_interrupted = 0;
    struct sigaction action {};
    action.sa_handler = on_interrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &saved_);
}

InterruptGuard::~InterruptGuard() { sigaction(SIGINT, &saved_, nullptr); }

bool InterruptGuard::interrupted() const { return g_interrupted != 0; }

void print_summaries(const Session &session, const std::vector<std::pair<std::string, BatchSummary>> &summaries)
{
    const Format format = session.settings.format;
    if (format == Format::Json) {
        for (const auto &[node, s] : summaries)
            std::printf("%s\n", summary_json(s, node).dump(-1, ' ', false, Json::error_handler_t::replace).c_str());
        return;
    }
    for (const auto &[node, s] : summaries) print_failures(s, node);
    if (format == Format::Table) {
        for (const auto &[node, s] : summaries) print_line(session, s, node);
        return;
    }
    if (summaries.empty()) return;
    const BatchSummary &first = summaries.front().second;
    const bool nodes = !summaries.front().first.empty();
    std::vector<Column> columns;
    if (nodes) columns.push_back({"NODE", ""});
    columns.push_back({admcore::upper_case(first.verb), ""});
    if (first.existingCounts) columns.insert(columns.end(), {{"SKIPPED", ""}, {"REPLACED", ""}});
    columns.insert(columns.end(), {{"FAILED", ""}, {"INTERRUPTED", ""}});
    auto out = make_output(stdout, columns, session.style());
    for (const auto &[node, s] : summaries) {
        std::vector<std::string> texts;
        if (nodes) texts.push_back(node);
        texts.push_back(std::to_string(s.done));
        if (s.existingCounts) texts.insert(texts.end(), {std::to_string(s.skipped), std::to_string(s.replaced)});
        texts.insert(texts.end(), {std::to_string(s.failures.size()), s.interrupted ? "TRUE" : "FALSE"});
        std::vector<const char *> row;
        for (const std::string &t : texts) row.push_back(t.c_str());
        out->row(row.data());
    }
    out->finish();
}

void print_summary(const Session &session, const BatchSummary &summary) { print_summaries(session, {{"", summary}}); }

std::optional<BatchSummary> summary_from_json(std::string_view json)
{
    const Json in = Json::parse(json, nullptr, false);
    if (!in.is_object() || in.empty() || !in.contains("failures") || !in["failures"].is_array()) return std::nullopt;
    BatchSummary s;
    const auto first = in.begin();
    if (!first.value().is_number_unsigned()) return std::nullopt;
    s.verb = first.key();
    s.done = first.value().get<std::size_t>();
    s.existingCounts = in.contains("skipped");
    s.skipped = in.value("skipped", std::size_t{0});
    s.replaced = in.value("replaced", std::size_t{0});
    s.undone = in.value("undone", std::size_t{0});
    s.interrupted = in.value("interrupted", false);
    for (const Json &f : in["failures"]) {
        if (!f.is_object()) return std::nullopt;
        s.unit = f.contains("record") ? "record" : "item";
        s.failures.push_back({f.value(s.unit, std::size_t{0}), f.value("key", ""), f.value("code", 0u),
                              f.value("node_code", 0u), f.value("message", "")});
    }
    return s;
}

BatchSummary batch_summary(const admcore::BatchReport &report, const std::vector<std::string> &keys)
{
    BatchSummary summary;
    summary.done = report.done;
    summary.skipped = report.skipped;
    summary.replaced = report.replaced;
    summary.undone = report.undone;
    for (const admcore::ItemFailure &f : report.failures)
        summary.failures.push_back(
            {f.item, f.item <= keys.size() ? keys[f.item - 1] : "", f.code, f.nodeCode, f.message});
    return summary;
}

int summary_exit(const BatchSummary &summary)
{
    if (summary.interrupted) return kExitInterrupted;
    if (summary.failures.empty()) return kExitOk;
    const BatchSummary::Failed &first = summary.failures.front();
    return exit_status(admcore::outcome_of(first.code, first.nodeCode));
}

int run_batches(Session &session, Kind &kind, const char *command, const std::vector<FilterPtr> &items,
                const std::vector<std::string> &keys)
{
    const bool define = std::string_view(command) == "DEFINE";
    admcore::Batching batching;
    batching.atomic = session.settings.atomic;
    batching.stopAtFailure = session.settings.stopOnError;
    batching.size = kBatchSize;
    InterruptGuard guard;
    Progress progress(define ? "define" : "delete", items.size(), !session.settings.quiet);
    batching.progress = [&](const admcore::BatchReport &, std::size_t done) {
        progress.update(done);
        return !guard.interrupted();
    };
    Result<admcore::BatchReport> report = admcore::run_items(kind, command, items, batching);
    progress.finish();
    if (!report) return session.report(report.problem());
    BatchSummary summary = batch_summary(*report, keys);
    summary.verb = define ? "defined" : "deleted";
    summary.interrupted = report->stopped && guard.interrupted();
    print_summary(session, summary);
    return summary_exit(summary);
}

}  // namespace tarnadm
