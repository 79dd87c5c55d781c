// criteria.cpp - criteria arguments into filters.
#include "criteria.hpp"

namespace admcore {
namespace {

Result<FilterPtr> filter_of(const std::vector<FieldInfo> &fields, const std::vector<std::string> &criteria,
                            bool equalsOnly)
{
    FilterPtr filter = new_filter();
    if (!filter) return Problem("cannot make a filter", Outcome::Internal, ZE_RC_NO_MEMORY);
    for (const std::string &text : criteria) {
        Criterion c;
        if (!split_criterion(text, c) || (equalsOnly && c.relop != "EQ"))
            return usage_problem("bad " + std::string(equalsOnly ? "FIELD=VALUE" : "criterion") + " \"" + text + "\"" +
                                 (equalsOnly ? "" : " (FIELD=VALUE, FIELD!=VALUE, FIELD<VALUE, <=, >, >=)"));
        const FieldInfo *field = nullptr;
        for (const FieldInfo &f : fields)
            if (same_name(f.name, c.field)) field = &f;
        if (!field) return unknown_field(fields, c.field);
        if (ZeAddFilterItem(filter.get(), field->name.c_str(), c.relop.c_str(), c.value.c_str()) != ZE_OK)
            return Problem("cannot add a criterion", Outcome::Internal, ZE_RC_NO_MEMORY);
    }
    return filter;
}

}  // namespace

Problem unknown_field(const std::vector<FieldInfo> &fields, const std::string &name)
{
    std::vector<std::string> names;
    std::string list;
    for (const FieldInfo &f : fields) names.push_back(f.name), list += (list.empty() ? "" : ", ") + f.name;
    const std::string near = closest(name, names);
    Problem problem = usage_problem("unknown field " + name + " (" +
                                    (near.empty() ? "" : "did you mean " + near + "? ") + "fields: " + list + ")");
    problem.field = name;
    return problem;
}

bool split_criterion(std::string_view text, Criterion &criterion)
{
    const std::size_t at = text.find_first_of("=!<>");
    if (at == std::string_view::npos) return false;
    std::string_view op = text.substr(at, 1);
    if (at + 1 < text.size() && text[at + 1] == '=' && text[at] != '=') op = text.substr(at, 2);
    const char *relop = nullptr;
    for (const Operator &o : kOperators)
        if (op == o.text) relop = o.relop;
    criterion.field = std::string(trimmed(text.substr(0, at)));
    if (!relop || criterion.field.empty()) return false;
    criterion.relop = relop;
    criterion.value = std::string(text.substr(at + op.size()));
    return true;
}

Result<FilterPtr> criteria_filter(const std::vector<FieldInfo> &fields, const std::vector<std::string> &criteria)
{
    return filter_of(fields, criteria, false);
}

Result<FilterPtr> values_filter(const std::vector<FieldInfo> &fields, const std::vector<std::string> &assignments)
{
    return filter_of(fields, assignments, true);
}

Failure add_criteria_text(Filter *filter, const std::string &text)
{
    const unsigned rc = ZeSetFilter(filter, ZE_FILTER_TEXT, text.c_str());
    if (rc == ZE_OK) return std::nullopt;
    return Problem("bad criteria \"" + text + "\" (COLUMN OP VALUE, ...)", Outcome::Usage, rc, Family::Filter);
}

Result<FilterPtr> key_filter(const Kind &kind, const std::string &key, const std::vector<std::string> &changes)
{
    const FieldInfo *keyField = kind.key();
    if (!keyField) return usage_problem("object " + kind.name + " has no key field");
    Result<FilterPtr> filter = values_filter(kind.fields, changes);
    if (!filter) return filter;
    FilterPtr named = new_filter();
    ZeAddFilterItem(named.get(), keyField->name.c_str(), "EQ", key.c_str());
    ZeInitFilterQuery(filter->get());
    const char *column = nullptr, *value = nullptr;
    for (; ZeGetFilterItem(filter->get(), &column, nullptr, &value); ZeNextFilterItem(filter->get())) {
        if (same_name(column, keyField->name))
            return usage_problem("the key " + keyField->name + " names the item; it is not changed here");
        ZeAddFilterItem(named.get(), column, "EQ", value);
    }
    return named;
}

}  // namespace admcore
