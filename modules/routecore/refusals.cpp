// A value or change the node's rules refuse, told in the one form of code
// 1018, "<COLUMN>: <what is wrong>", whichever store refused it: a CHECK by
// its text in the node's rules table, NOT NULL as "a value is required",
// and a foreign key by the row that still refers to the item, or the item
// referred to that does not exist, which the node is asked for once the
// request is rolled back. The store's own text goes to the trace only.
#include "sql.hpp"

#include "TarnUtil.h"

#include <optional>

namespace routecore {

namespace {

Failure refused(const std::string &subject, const std::string &what)
{
    return {TARN_ROUTER_RC_VALUE_REFUSED, subject + ": " + what};
}

// The value the request gives for `column`, as it wrote it.
std::optional<std::string_view> given(const std::vector<Criterion> &criteria, const Column &column)
{
    for (const Criterion &c : criteria)
        if (c.column == &column) return c.value;
    return std::nullopt;
}

// The rule's text with "{value}" standing for the value refused.
std::string rule_text(std::string text, std::optional<std::string_view> value)
{
    const std::size_t at = text.find("{value}");
    if (at != std::string::npos) text.replace(at, 7, value ? std::string(*value) : std::string("the value"));
    return text;
}

std::optional<Failure> explain_check(const Table &table, const std::vector<Criterion> &criteria, const StoreError &e)
{
    for (const Rule &rule : table.rules) {
        if (rule.kind == "REFERENCE" || !equal_nocase(rule.name, e.name) || !equal_nocase(rule.table, table.name))
            continue;
        const Column *column = table.find_name(rule.column);
        if (column) return refused(column->label, rule_text(rule.text, given(criteria, *column)));
    }
    return std::nullopt;
}

std::optional<Failure> explain_required(const Table &table, const StoreError &e)
{
    const Column *column = table.find_name(e.name);
    if (!column) return std::nullopt;
    return refused(column->label, "a value is required");
}

// The first row of the referring table that refers to a row the DELETE
// names: "PRINTER LASER1: still referenced by QUEUE OFFICE".
std::optional<Failure> still_referenced(const Request &request, Store &store, const Table &table, const Rule &rule,
                                        const std::vector<Criterion> &criteria)
{
    Table referring = store.table(request.node, rule.table);
    require_single_key(referring);
    const Column *column = referring.find_name(rule.column);
    if (!column) return std::nullopt;
    Sql sql(store);
    sql << "SELECT ";
    sql.name(referring.keyColumn().name) << ", ";
    sql.name(column->name) << " FROM " << store.quoted(referring.name) << " WHERE ";
    sql.name(column->name) << " IN (SELECT ";
    sql.name(table.keyColumn().name) << " FROM " << store.quoted(table.name);
    where_clause(sql, criteria);
    sql << ") ORDER BY 2, 1 LIMIT 1";
    auto rows = sql.run(store);
    if (!rows->step()) return std::nullopt;
    return refused(table.label + " " + std::string(rows->value(1)),
                   "still referenced by " + referring.label + " " + std::string(rows->value(0)));
}

// A value the request gives for a referring column whose row does not
// exist: "QUE_PRINTER: PRINTER NOPE does not exist".
std::optional<Failure> missing_referred(const Request &request, Store &store, const Table &table, const Rule &rule,
                                        const std::vector<Criterion> &criteria)
{
    const Column *column = table.find_name(rule.column);
    if (!column) return std::nullopt;
    for (const Criterion &c : criteria) {
        if (c.column != column || c.bound.empty()) continue;
        Table referred = store.table(request.node, rule.text);
        require_single_key(referred);
        Sql probe(store);
        probe << "SELECT 1 FROM " << store.quoted(referred.name) << " WHERE ";
        probe.equality_operand(referred.keyColumn()) << " = ";
        probe.bind({c.bound, false, &referred.keyColumn()});
        if (!probe.run(store)->step())
            return refused(column->label, referred.label + " " + std::string(c.value) + " does not exist");
    }
    return std::nullopt;
}

std::optional<Failure> explain_reference(const Request &request, Store &store, const Table &table,
                                         const std::vector<Criterion> &criteria)
{
    for (const Rule &rule : table.rules) {
        if (rule.kind != "REFERENCE") continue;
        std::optional<Failure> found;
        if (request.command == Command::Delete && equal_nocase(rule.text, table.name))
            found = still_referenced(request, store, table, rule, criteria);
        else if (request.command != Command::Delete && equal_nocase(rule.table, table.name))
            found = missing_referred(request, store, table, rule, criteria);
        if (found) return found;
    }
    return std::nullopt;
}

}  // namespace

Failure explain_refusal(const Request &request, Store &store, const Table &table, const StoreError &error)
{
    TarnTrace("%s on %s refused by the node: %s", std::string(request.word).c_str(), table.label.c_str(),
              error.message.c_str());
    std::optional<Failure> explained;
    try {
        std::vector<Criterion> criteria = resolve(request, table);
        type_criteria(request, table, criteria);
        switch (error.kind) {
        case StoreErrorKind::Check: explained = explain_check(table, criteria, error); break;
        case StoreErrorKind::Required: explained = explain_required(table, error); break;
        case StoreErrorKind::Reference: explained = explain_reference(request, store, table, criteria); break;
        default: break;
        }
    } catch (const StoreError &) {  // the node cannot tell more: its own text has to do
    } catch (const Failure &) {}
    if (explained) return *explained;
    return {TARN_ROUTER_RC_BAD_REQUEST,
            std::string(request.word) + " on " + std::string(request.object) + " refused: " + error.message};
}

}  // namespace routecore
