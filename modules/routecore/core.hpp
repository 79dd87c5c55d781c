// Declarations shared by the files of the router core only.
#pragma once

#include "routecore.hpp"
#include "contract/date_format.hpp"

#include <optional>

namespace routecore {

// The dates of one request: the date service held from its first date
// check to the end of the request (and of its batch), so that a batch of
// many dates loads and opens the service once, and the request's date
// format read once.
class RequestDates {
public:
    RequestDates() = default;
    RequestDates(const RequestDates &) = delete;
    RequestDates &operator=(const RequestDates &) = delete;
    ~RequestDates();

    void hold();
    // The format read with the service's grammar: 1003 when it refuses it.
    const date_format::Format &format(std::string_view text);

private:
    bool held_ = false;
    std::string text_;
    std::optional<date_format::Format> format_;
};

// Reads command, response kind, node, object, user and request fields.
// Fails with 1003 for a missing or unknown command.
Request read_request(DtsAction *action);
// Adds `count` request fields, the action's own texts, to `request`.
void add_fields(Request &request, char **columns, char **relops, char **values, int count);

// The request fields resolved against the table: 1003 for an unknown
// column or operator.
std::vector<Criterion> resolve(const Request &request, const Table &table);

// A value with '*' under EQ or NE is a pattern.
bool is_pattern(const Criterion &criterion);

// Checks each criterion's value against its column's kind and sets the
// value the node takes (dates and times in the node's form): 1018 for a
// value the column cannot hold.
void type_criteria(const Request &request, const Table &table, std::vector<Criterion> &criteria);

// The values of an answer as the request shows them: the node's dates in
// the request's date format, its times as HH:MM:SS[.hh].
class AnswerForm {
public:
    AnswerForm(const Request &request, const Table &table);
    // The current row's value at position `at`, of `column`; valid until
    // the next call for the same position.
    const char *text(const Rows &rows, int at, const Column &column)
    {
        const char *value = rows.text(at);
        if (column.kind != ValueKind::Date && column.kind != ValueKind::Time) return value;
        return converted(value, at, column.kind);
    }

private:
    const char *converted(const char *value, int at, ValueKind kind);

    std::vector<std::string> buffers_;  // one per position
    std::optional<date_format::Writer> dates_;
    std::vector<char> dateTexts_;  // one date's text per position
};

// A store's refusal of a value or change as a Failure: the canonical 1018
// message naming the column and the rule (probing the node for the row
// that holds a reference), or 1003 with the store's text when the rule is
// not known. Runs after the failed request was rolled back.
Failure explain_refusal(const Request &request, Store &store, const Table &table, const StoreError &error);

// The code and message of a store failure that ended a request, as
// route() gives them; `committing`: it came while the commit was sent.
Failure store_failure(const Request &request, const StoreError &error, bool committing);

// Runs a table command inside the caller's transaction, delivers the
// answer and returns the message.
std::string run(const Request &request, Store &store, const Table &table);

// The items of a batch's chunk as one statement inside the caller's
// transaction, each item's values checked as run() checks them: DELETE
// items each naming one key as one DELETE that must find every key (DEFINE
// items go through define_rows and Store::start_rows). `messages` gets
// each item's message. False when the items cannot go together or a
// DELETE missed a key: the caller rolls back what ran and runs them one by
// one. A statement that fails throws its StoreError.
bool run_together(const std::vector<const Request *> &items, Store &store, const Table &table,
                  std::vector<std::string> &messages);

// DEFINE items giving the same columns, as the rows of one insert: the
// columns (the key first), the values row after row, each item's message.
// Reads neither the store nor the node, so a batch prepares a chunk's rows
// while the node still takes the chunk before.
struct NewRows {
    std::vector<const Column *> columns;
    std::vector<Param> values;
    std::vector<std::string> messages;
    bool empty() const { return columns.empty(); }
};

// Empty when the items cannot go as one insert (not all DEFINE, a model to
// copy, a value the checks refuse, different columns given).
NewRows define_rows(const std::vector<const Request *> &items, const Table &table);

}  // namespace routecore
