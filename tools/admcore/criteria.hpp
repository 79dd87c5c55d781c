// criteria.hpp - criteria in the tools' syntax (FIELD=VALUE, FIELD!=VALUE,
// FIELD<VALUE, FIELD<=VALUE, FIELD>VALUE, FIELD>=VALUE; '*' in a value is a
// pattern) turned into the library's filters, and the filter naming one item
// by its key.
#pragma once

#include "kinds.hpp"

#include <string_view>

namespace admcore {

// An operator of the syntax and the library's relational operator.
struct Operator {
    std::string_view text;
    const char *relop;
};
inline constexpr Operator kOperators[] = {{"=", "EQ"},  {"!=", "NE"}, {"<", "LT"},
                                          {"<=", "LE"}, {">", "GT"},  {">=", "GE"}};

struct Criterion {
    std::string field, relop, value;
};

// "unknown field X (did you mean Y? fields: ...)" for a name none of `fields` has.
Problem unknown_field(const std::vector<FieldInfo> &fields, const std::string &name);

// Splits FIELD<op>VALUE; false when the text has no operator or no field.
bool split_criterion(std::string_view text, Criterion &criterion);

// Criteria of any operator into a filter on `fields`.
Result<FilterPtr> criteria_filter(const std::vector<FieldInfo> &fields, const std::vector<std::string> &criteria);

// FIELD=VALUE arguments only (the values of an item) into a filter on `fields`.
Result<FilterPtr> values_filter(const std::vector<FieldInfo> &fields, const std::vector<std::string> &assignments);

// Adds criteria in the library's own text ("COLUMN EQ VALUE, ...").
Failure add_criteria_text(Filter *filter, const std::string &text);

// The filter naming one item of `kind` by its key, with FIELD=VALUE changes.
Result<FilterPtr> key_filter(const Kind &kind, const std::string &key, const std::vector<std::string> &changes);

}  // namespace admcore
