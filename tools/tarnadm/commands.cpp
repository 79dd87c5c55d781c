// commands.cpp - list, show, define, alter, copy, rename, delete, names,
// validate, describe, objects and the group commands: each takes the object
// of its kind, runs one item operation of the core and writes what came back.
// A define of several items and a delete of several items go as batches.
#include "batches.hpp"
#include "handlers.hpp"
#include "progress.hpp"

#include <cstdio>
#include <optional>

namespace tarnadm {
namespace {

std::vector<Column> columns_of(const std::vector<FieldInfo> &fields, const std::vector<std::size_t> &indexes)
{
    std::vector<Column> columns;
    for (std::size_t i : indexes) columns.push_back({fields[i].name, fields[i].label});
    return columns;
}

// Writes rows of item values (in field order) through the shown columns.
class RowWriter {
public:
    RowWriter(const Session &session, const std::vector<FieldInfo> &fields, std::vector<std::size_t> indexes,
              bool single)
        : indexes_(std::move(indexes)), texts_(indexes_.size()),
          out_(make_output(stdout, columns_of(fields, indexes_), session.style(single))), count_(fields.size())
    {}
    void row(char **values)
    {
        for (std::size_t i = 0; i < indexes_.size(); ++i)
            texts_[i] = indexes_[i] < count_ ? values[indexes_[i]] : nullptr;
        out_->row(texts_.data());
    }
    void finish() { out_->finish(); }

private:
    std::vector<std::size_t> indexes_;
    std::vector<const char *> texts_;
    std::unique_ptr<Output> out_;
    std::size_t count_;
};

// Writes a list of one column.
void write_column(const Session &session, const Column &column, const std::vector<std::string> &texts)
{
    auto out = make_output(stdout, {column}, session.style());
    for (const std::string &t : texts) {
        const char *text = t.c_str();
        out->row(&text);
    }
    out->finish();
}

// Writes the item an item operation gave back (nothing when none came back).
int show_values(Session &session, const Kind &kind, Result<char **> values)
{
    char **row = nullptr;
    std::vector<std::size_t> indexes;
    if (int exit = session.take(std::move(values), row)) return exit;
    if (int exit = session.take(session.columns(kind.fields), indexes)) return exit;
    if (row) {
        RowWriter writer(session, kind.fields, indexes, true);
        writer.row(row);
        writer.finish();
    }
    return kExitOk;
}

// Opens a collection and writes every item; `fields` are the records' fields.
int list_items(Session &session, Kind &kind, Filter *filter, const std::vector<FieldInfo> &fields)
{
    std::vector<std::size_t> indexes;
    unsigned count = 0;
    if (int exit = session.take(session.columns(fields), indexes)) return exit;
    if (int exit = session.take(admcore::open_items(kind, filter, "cannot list " + kind.name), count)) return exit;
    RowWriter writer(session, fields, indexes, false);
    Progress progress("list", count, !session.settings.quiet && count >= 1000);
    std::size_t done = 0;
    Result<char **> values = nullptr;
    while ((values = admcore::next_item(kind)) && *values) {
        writer.row(*values);
        progress.update(++done);
    }
    progress.finish();
    writer.finish();
    return values ? kExitOk : session.report(values.problem());
}

// The node's message about what was done: a line for people (unless
// --quiet), a MESSAGE row or object for scripts.
void confirm(const Session &session, Kind &kind)
{
    const char *message = admcore::last_message(kind);
    if (session.settings.format == Format::Table) {
        if (!session.settings.quiet && message) std::printf("%s\n", message);
        return;
    }
    auto out = make_output(stdout, {{"MESSAGE", "Message"}}, session.style(true));
    out->row(&message);
    out->finish();
}

int copy_or_rename(Session &session, const Command &c, bool rename)
{
    Kind *kind = nullptr;
    if (int exit = session.take(session.kind(c.kind), kind)) return exit;
    return show_values(session, *kind, admcore::copy_item(*kind, c.key, c.newKey, c.args, rename));
}

// The group commands' object: one that has groups.
int group_kind(Session &session, const std::string &name, Kind *&kind)
{
    if (int exit = session.take(session.kind(name), kind)) return exit;
    return session.report(admcore::require_groups(*kind));
}

int change_member(Session &session, const Command &c, bool add)
{
    Kind *kind = nullptr;
    if (int exit = group_kind(session, c.kind, kind)) return exit;
    if (int exit = session.report(admcore::change_member(*kind, c.group, c.member, add))) return exit;
    confirm(session, *kind);
    return kExitOk;
}

// The items of a define: FIELD=VALUE lists separated by lone "+" words.
std::vector<std::vector<std::string>> define_items(const std::vector<std::string> &args)
{
    std::vector<std::vector<std::string>> items(1);
    for (const std::string &a : args) {
        if (a == "+") items.emplace_back();
        else items.back().push_back(a);
    }
    return items;
}

// The key each item gives ("" when it gives none), to name it in failures.
std::vector<std::string> define_keys(const Kind &kind, const std::vector<std::vector<std::string>> &items)
{
    const FieldInfo *keyField = kind.key();
    std::vector<std::string> keys;
    for (const std::vector<std::string> &item : items) {
        std::string key;
        admcore::Criterion c;
        for (const std::string &a : item)
            if (keyField && admcore::split_criterion(a, c) && admcore::same_name(c.field, keyField->name))
                key = c.value;
        keys.push_back(key);
    }
    return keys;
}

// The keys a delete names: its arguments when none is a criterion (and no
// --where is given), else none.
std::optional<std::vector<std::string>> named_keys(const Session &session, const std::vector<std::string> &args)
{
    if (!session.settings.where.empty()) return std::nullopt;
    admcore::Criterion probe;
    for (const std::string &a : args)
        if (admcore::split_criterion(a, probe)) return std::nullopt;
    return args;
}

// The keys of the items the criteria select, confirmed by --yes when more than one.
int selected_keys(Session &session, Kind &kind, const std::vector<std::string> &criteria,
                  std::vector<std::string> &keys)
{
    FilterPtr filter;
    if (int exit = session.take(session.criteria(kind.fields, criteria), filter)) return exit;
    if (ZeGetFilterItemCount(filter.get()) == 0) return session.usage("delete needs a KEY or criteria");
    if (int exit = session.take(admcore::item_names(kind, filter.get()), keys)) return exit;
    if (keys.empty())
        return session.report(Problem("nothing matches the criteria; nothing deleted", admcore::Outcome::Refused));
    if (keys.size() > 1 && !session.settings.yes)
        return session.usage(std::to_string(keys.size()) + " items match; give --yes to delete them all");
    return kExitOk;
}

// The rows of a description, one per field.
std::vector<std::vector<std::string>> description_rows(const Kind &kind)
{
    auto joined = [](const std::vector<std::string> &texts) {
        std::string text;
        for (const std::string &t : texts) text += (text.empty() ? "" : "|") + t;
        return text;
    };
    std::vector<std::vector<std::string>> rows;
    for (const admcore::FieldDescription &d : admcore::describe_fields(kind))
        rows.push_back({d.name, d.label, d.type, d.minLength, d.maxLength, d.key ? "yes" : "", d.defaultValue,
                        joined(d.validValues), joined(d.realValues), d.realName, joined(d.flags)});
    return rows;
}

}  // namespace

int list_command(Session &session, const Command &c)
{
    Kind *kind = nullptr;
    FilterPtr filter;
    if (int exit = session.take(session.kind(c.kind), kind)) return exit;
    if (int exit = session.take(session.criteria(kind->fields, c.args), filter)) return exit;
    return list_items(session, *kind, filter.get(), kind->fields);
}

int show_command(Session &session, const Command &c)
{
    Kind *kind = nullptr;
    if (int exit = session.take(session.kind(c.kind), kind)) return exit;
    return show_values(session, *kind, admcore::show_item(*kind, c.key));
}

int define_command(Session &session, const Command &c)
{
    Kind *kind = nullptr;
    if (int exit = session.take(session.kind(c.kind), kind)) return exit;
    const std::vector<std::vector<std::string>> items = define_items(c.args);
    if (items.size() == 1) return show_values(session, *kind, admcore::define_item(*kind, c.args));
    std::vector<FilterPtr> filters;
    if (int exit = session.take(admcore::define_filters(*kind, items), filters)) return exit;
    return run_batches(session, *kind, "DEFINE", filters, define_keys(*kind, items));
}

int alter_command(Session &session, const Command &c)
{
    Kind *kind = nullptr;
    if (int exit = session.take(session.kind(c.kind), kind)) return exit;
    return show_values(session, *kind, admcore::alter_item(*kind, c.key, c.args));
}

int copy_command(Session &session, const Command &c) { return copy_or_rename(session, c, false); }

int rename_command(Session &session, const Command &c) { return copy_or_rename(session, c, true); }

int delete_command(Session &session, const Command &c)
{
    Kind *kind = nullptr;
    if (int exit = session.take(session.kind(c.kind), kind)) return exit;
    std::optional<std::vector<std::string>> keys = named_keys(session, c.args);
    if (keys && keys->empty()) return session.usage("delete needs a KEY or criteria");
    if (keys && keys->size() == 1) {
        FilterPtr filter;
        if (int exit = session.take(admcore::key_filter(*kind, keys->front(), {}), filter)) return exit;
        if (int exit = session.report(admcore::delete_items(*kind, filter.get()))) return exit;
        confirm(session, *kind);
        return kExitOk;
    }
    if (!keys) {
        keys.emplace();
        if (int exit = selected_keys(session, *kind, c.args, *keys)) return exit;
    }
    std::vector<FilterPtr> filters;
    if (int exit = session.take(admcore::key_filters(*kind, *keys), filters)) return exit;
    return run_batches(session, *kind, "DELETE", filters, *keys);
}

int names_command(Session &session, const Command &c)
{
    Kind *kind = nullptr;
    FilterPtr filter;
    std::vector<std::string> names;
    if (int exit = session.take(session.kind(c.kind), kind)) return exit;
    if (int exit = session.take(session.criteria(kind->fields, c.args), filter)) return exit;
    if (int exit = session.take(admcore::item_names(*kind, filter.get()), names)) return exit;
    const FieldInfo *keyField = kind->key();
    write_column(session, {keyField ? keyField->name : "NAME", keyField ? keyField->label : "Name"}, names);
    return kExitOk;
}

int validate_command(Session &session, const Command &c)
{
    Kind *kind = nullptr;
    if (int exit = session.take(session.kind(c.kind, false), kind)) return exit;
    if (int exit = session.report(admcore::validate_value(*kind, c.field, c.value))) return exit;
    if (session.settings.format == Format::Table) {
        if (!session.settings.quiet) std::printf("valid\n");
        return kExitOk;
    }
    if (session.settings.format == Format::Json) {
        std::printf("{\"valid\":true}\n");
        return kExitOk;
    }
    const char *row[] = {kind->field(c.field)->name.c_str(), c.value.c_str(), "TRUE"};
    auto out = make_output(stdout, {{"FIELD", "Field"}, {"VALUE", "Value"}, {"VALID", "Valid"}}, session.style());
    out->row(row);
    out->finish();
    return kExitOk;
}

int describe_command(Session &session, const Command &c)
{
    Kind *kind = nullptr;
    if (int exit = session.take(session.kind(c.kind, false), kind)) return exit;
    std::vector<FieldInfo> columns;
    for (const auto &[name, label] : {std::pair{"NAME", "Field"},
                                      {"LABEL", "Label"},
                                      {"TYPE", "Type"},
                                      {"MIN_LENGTH", "Min"},
                                      {"MAX_LENGTH", "Max"},
                                      {"KEY", "Key"},
                                      {"DEFAULT", "Default"},
                                      {"VALID_VALUES", "Valid values"},
                                      {"REAL_VALUES", "Real values"},
                                      {"REAL_NAME", "Real name"},
                                      {"FLAGS", "Flags"}}) {
        FieldInfo column;
        column.name = name;
        column.label = label;
        columns.push_back(column);
    }
    std::vector<std::size_t> indexes;
    if (int exit = session.take(session.columns(columns), indexes)) return exit;
    RowWriter out(session, columns, indexes, false);
    for (const std::vector<std::string> &texts : description_rows(*kind)) {
        std::vector<char *> row;
        for (const std::string &text : texts) row.push_back(const_cast<char *>(text.c_str()));
        out.row(row.data());
    }
    out.finish();
    return kExitOk;
}

int objects_command(Session &session, const Command &)
{
    const std::vector<std::string> kinds = admcore::registry_kinds();
    if (kinds.empty())
        return session.report(
            Problem("no object kinds: the registry tarnobjs.dat is missing or empty (see tarnadm env)",
                    admcore::Outcome::Unreachable));
    write_column(session, {"OBJECT", "Object"}, kinds);
    return kExitOk;
}

int groups_command(Session &session, const Command &c)
{
    Kind *kind = nullptr;
    if (int exit = group_kind(session, c.kind, kind)) return exit;
    return list_items(session, *kind, admcore::groups_filter(*kind).get(), kind->fields);
}

int members_command(Session &session, const Command &c)
{
    Kind *kind = nullptr;
    if (int exit = group_kind(session, c.kind, kind)) return exit;
    return list_items(session, *kind, admcore::members_filter(c.group).get(), kind->groupFields);
}

int add_member_command(Session &session, const Command &c) { return change_member(session, c, true); }

int remove_member_command(Session &session, const Command &c) { return change_member(session, c, false); }

int kinds_helper(Session &, const Command &)
{
    for (const std::string &k : admcore::registry_kinds()) std::printf("%s\n", k.c_str());
    return kExitOk;
}

int fields_helper(Session &session, const Command &c)
{
    Kind *kind = nullptr;
    if (int exit = session.take(session.kind(c.kind, false), kind)) return exit;
    for (const FieldInfo &f : kind->fields) std::printf("%s\n", f.name.c_str());
    return kExitOk;
}

int keys_helper(Session &session, const Command &c)
{
    Kind *kind = nullptr;
    if (int exit = session.take(session.kind(c.kind), kind)) return exit;
    Result<std::vector<std::string>> names = admcore::item_names(*kind, admcore::new_filter().get());
    if (!names) return kExitRefused;
    for (const std::string &name : *names) std::printf("%s\n", name.c_str());
    return kExitOk;
}

}  // namespace tarnadm
