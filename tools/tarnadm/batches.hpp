// batches.hpp - the commands that carry out many items as batches (define
// of several items, delete of several keys or of what criteria select,
// import): a progress bar, Ctrl-C between two batches, each failed item
// reported with its number (and key), one summary, and the exit status of
// the first failure.
#pragma once

#include "session.hpp"

#include <csignal>
#include <optional>

namespace tarnadm {

// Catches SIGINT while it lives: the work stops at the next batch boundary.
class InterruptGuard {
public:
    InterruptGuard();
    ~InterruptGuard();
    InterruptGuard(const InterruptGuard &) = delete;
    InterruptGuard &operator=(const InterruptGuard &) = delete;
    bool interrupted() const;

private:
    struct sigaction saved_ {};
};

// What a batched command did, in the words of its report.
struct BatchSummary {
    std::string verb = "defined";  // the count of items carried out: "defined", "deleted"
    std::string unit = "item";     // what a failure names: "item", "record" (import)
    bool existingCounts = false;   // skipped and replaced are part of the report (import)
    std::size_t done = 0, skipped = 0, replaced = 0, undone = 0;
    struct Failed {
        std::size_t number;  // from 1, in the order given
        std::string key;     // "" when unknown
        unsigned code, nodeCode;
        std::string message;
    };
    std::vector<Failed> failures;
    bool interrupted = false;
};

// The summary of a batched run's report; `keys` name the items in failures
// where known.
BatchSummary batch_summary(const admcore::BatchReport &report, const std::vector<std::string> &keys = {});

// Writes the failures (on stderr) and the summary: a line, a CSV row or a
// JSON object.
void print_summary(const Session &session, const BatchSummary &summary);

// The summaries of several nodes: failures and lines led by the node's
// name, one CSV table with a NODE column, one JSON object per node.
void print_summaries(const Session &session, const std::vector<std::pair<std::string, BatchSummary>> &summaries);

// The summary a node's tarnadm printed as JSON; none when `json` is no summary.
std::optional<BatchSummary> summary_from_json(std::string_view json);

// 130 when interrupted, else the status of the first failure, else 0.
int summary_exit(const BatchSummary &summary);

// Carries `command` ("DEFINE", "DELETE") out for `items` as batches with
// a progress bar (best effort, --stop-on-error or --atomic as set), prints
// the summary and gives the exit status; `keys` name the items in failures.
int run_batches(Session &session, Kind &kind, const char *command, const std::vector<FilterPtr> &items,
                const std::vector<std::string> &keys);

}  // namespace tarnadm
