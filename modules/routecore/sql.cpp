// Conditions of a request's criteria in SQL: operators, patterns, NULL as
// the empty value, and the WHERE clause that joins them.
#include "sql.hpp"

#include <algorithm>

namespace routecore {

namespace {

const char *sql_operator(Relop op)
{
    switch (op) {
    case Relop::EQ: return " = ";
    case Relop::NE: return " <> ";
    case Relop::LT: return " < ";
    case Relop::LE: return " <= ";
    case Relop::GT: return " > ";
    case Relop::GE: return " >= ";
    }
    return " = ";
}

// Whether a NULL column (read as "") satisfies the criterion.
bool empty_satisfies(const Criterion &c)
{
    bool matchesEmpty = c.value.find_first_not_of('*') == std::string_view::npos;
    if (c.op == Relop::EQ) return matchesEmpty;
    if (c.op == Relop::NE) return !matchesEmpty;
    return false;
}

}  // namespace

Sql &Sql::condition(const Criterion &c)
{
    // A number, date or time has no empty value to compare with: "" is NULL.
    if (c.column->kind != ValueKind::Text && c.bound.empty())
        return *this << store_.quoted(c.column->name) << (c.op == Relop::EQ ? " IS NULL" : " IS NOT NULL");
    const bool orNull = !c.column->notNull && empty_satisfies(c);
    if (orNull) *this << "(" << store_.quoted(c.column->name) << " IS NULL OR ";
    if (is_pattern(c)) {
        params_.push_back({store_.pattern_value(c.bound)});
        store_.append_pattern(text_, *c.column, c.op == Relop::NE, static_cast<int>(params_.size()));
    } else {
        const bool equality = c.op == Relop::EQ || c.op == Relop::NE;
        (equality ? equality_operand(*c.column) : operand(*c.column)) << sql_operator(c.op);
        bind({c.bound, false, c.column});
    }
    if (orNull) *this << ")";
    return *this;
}

// Bound values per statement: within what SQLite (32766) and PostgreSQL
// (65535) take.
constexpr std::size_t kMaxParams = 30000;

void Store::insert_rows(const Table &table, const std::vector<const Column *> &columns,
                        const std::vector<Param> &values)
{
    const std::size_t perRow = columns.size();
    const std::size_t rows = values.size() / perRow;
    const std::size_t step = std::max<std::size_t>(1, kMaxParams / perRow);
    for (std::size_t from = 0; from < rows; from += step) {
        Sql sql(*this);
        sql << "INSERT INTO " << quoted(table.name) << " (";
        for (std::size_t c = 0; c < perRow; ++c) (c ? sql << ", " : sql).name(columns[c]->name);
        sql << ") VALUES ";
        for (std::size_t r = from; r < std::min(rows, from + step); ++r) {
            sql << (r == from ? "(" : ", (");
            for (std::size_t c = 0; c < perRow; ++c) (c ? sql << ", " : sql).bind(values[r * perRow + c]);
            sql << ")";
        }
        sql.run(*this)->step();
    }
}

void where_clause(Sql &sql, const std::vector<Criterion> &criteria)
{
    std::vector<bool> written(criteria.size(), false);
    const char *joint = " WHERE ";
    for (std::size_t i = 0; i < criteria.size(); ++i) {
        if (written[i]) continue;
        const Criterion &c = criteria[i];
        std::vector<std::size_t> group{i};
        if (c.op == Relop::EQ)
            for (std::size_t j = i + 1; j < criteria.size(); ++j)
                if (criteria[j].op == Relop::EQ && criteria[j].column == c.column) group.push_back(j);
        sql << joint << (group.size() > 1 ? "(" : "");
        for (std::size_t k = 0; k < group.size(); ++k) {
            if (k > 0) sql << " OR ";
            sql.condition(criteria[group[k]]);
            written[group[k]] = true;
        }
        sql << (group.size() > 1 ? ")" : "");
        joint = " AND ";
    }
}

}  // namespace routecore
