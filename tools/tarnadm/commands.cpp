// commands.cpp - list, show, define, alter, copy, rename, delete, names,
// validate, describe, objects and the group commands: each builds a filter,
// submits one action to the object of its kind and writes what came back.
#include "commands.hpp"

#include "progress.hpp"

#include <cstdio>
#include <fstream>

namespace tarnadm {
namespace {

bool same_name(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

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

// Checks each FIELD=VALUE of the filter with VALIDATE VALUE before anything is sent.
int validate_values(Session &session, Kind &kind, Filter *filter)
{
    ZeInitFilterQuery(filter);
    const char *column = nullptr, *value = nullptr;
    for (; ZeGetFilterItem(filter, &column, nullptr, &value); ZeNextFilterItem(filter)) {
        if (!*value) continue;
        const unsigned rc = ZeSubmitAction(kind.object, "VALIDATE VALUE", column, value);
        if (rc != ZE_OK)
            return session.action_failed(kind, std::string(column) + " value \"" + value + "\" refused", rc,
                                         Family::Validate);
    }
    return kExitOk;
}

// Submits an item action and writes the item that came back.
int item_action(Session &session, Kind &kind, const char *action, Filter *filter, const std::string &what,
                bool validate = true)
{
    if (validate)
        if (int exit = validate_values(session, kind, filter)) return exit;
    char **values = nullptr;
    const unsigned rc = ZeSubmitAction(kind.object, action, filter, &values);
    if (rc != ZE_OK) return session.action_failed(kind, what, rc);
    std::vector<std::size_t> indexes;
    if (!shown_columns(session, kind.fields, indexes)) return session.lastExit;
    if (values) {
        RowWriter writer(session, kind.fields, indexes, true);
        writer.row(values);
        writer.finish();
    }
    return kExitOk;
}

// The filter naming one item by its key, plus FIELD=VALUE changes.
FilterPtr key_filter(Session &session, Kind &kind, const std::string &key, const std::vector<std::string> &changes)
{
    const FieldInfo *keyField = kind.key();
    if (!keyField) {
        session.lastExit = session.usage("object " + kind.name + " has no key field");
        return nullptr;
    }
    FilterPtr filter = session.criteria_filter(kind.fields, changes, true);
    if (!filter) return nullptr;
    FilterPtr named = new_filter();
    ZeAddFilterItem(named.get(), keyField->name.c_str(), "EQ", key.c_str());
    ZeInitFilterQuery(filter.get());
    const char *column = nullptr, *value = nullptr;
    for (; ZeGetFilterItem(filter.get(), &column, nullptr, &value); ZeNextFilterItem(filter.get())) {
        if (same_name(column, keyField->name)) {
            session.lastExit = session.usage("the key " + keyField->name + " names the item; it is not changed here");
            return nullptr;
        }
        ZeAddFilterItem(named.get(), column, "EQ", value);
    }
    return named;
}

// The field that carries a new key: RENAME TO (for rename) or COPY TO.
std::string new_key_field(Kind &kind, bool rename)
{
    const FieldInfo *keyField = kind.key();
    if (!keyField) return {};
    const char *target = nullptr;
    if (rename) ZeQueryProperty(kind.object, "ATTRIBUTE", keyField->name.c_str(), "RENAME TO", &target);
    if (!target || !*target) ZeQueryProperty(kind.object, "ATTRIBUTE", keyField->name.c_str(), "COPY TO", &target);
    return target ? target : "";
}

// Opens a collection and writes every item; `fields` are the records' fields.
int list_items(Session &session, Kind &kind, Filter *filter, const std::vector<FieldInfo> &fields)
{
    std::vector<std::size_t> indexes;
    if (!shown_columns(session, fields, indexes)) return session.lastExit;
    unsigned rc = ZeSubmitAction(kind.object, "OPEN COLLECTION", filter);
    if (rc != ZE_OK) return session.action_failed(kind, "cannot list " + kind.name, rc);
    unsigned count = 0;
    ZeSubmitAction(kind.object, "GET ITEM COUNT", &count);
    RowWriter writer(session, fields, indexes, false);
    Progress progress("list", count, !session.settings.quiet && count >= 1000);
    char **values = nullptr;
    std::size_t done = 0;
    while ((rc = ZeSubmitAction(kind.object, "GET ITEM", &values)) == ZE_OK) {
        writer.row(values);
        progress.update(++done);
    }
    progress.finish();
    writer.finish();
    return rc == ZE_RC_NO_ENTRY ? kExitOk : session.action_failed(kind, "cannot read the list", rc);
}

int cmd_list(Session &session, const Command &c)
{
    Kind *kind = session.kind(c.kind);
    if (!kind) return session.lastExit;
    FilterPtr filter = session.criteria_filter(kind->fields, c.args);
    return filter ? list_items(session, *kind, filter.get(), kind->fields) : session.lastExit;
}

int cmd_show(Session &session, const Command &c)
{
    Kind *kind = session.kind(c.kind);
    if (!kind) return session.lastExit;
    FilterPtr filter = key_filter(session, *kind, c.key, {});
    return filter ? item_action(session, *kind, "OPEN ITEM", filter.get(), "cannot show " + kind->name + " " + c.key,
                                false)
                  : session.lastExit;
}

int cmd_define(Session &session, const Command &c)
{
    Kind *kind = session.kind(c.kind);
    if (!kind) return session.lastExit;
    if (c.args.empty()) return session.usage("define needs FIELD=VALUE arguments");
    FilterPtr filter = session.criteria_filter(kind->fields, c.args, true);
    return filter ? item_action(session, *kind, "DEFINE ITEM", filter.get(), "cannot define " + kind->name)
                  : session.lastExit;
}

int cmd_alter(Session &session, const Command &c)
{
    Kind *kind = session.kind(c.kind);
    if (!kind) return session.lastExit;
    if (c.args.empty()) return session.usage("alter needs FIELD=VALUE arguments");
    FilterPtr filter = key_filter(session, *kind, c.key, c.args);
    return filter ? item_action(session, *kind, "ALTER ITEM", filter.get(), "cannot alter " + kind->name + " " + c.key)
                  : session.lastExit;
}

int copy_or_rename(Session &session, const Command &c, bool rename)
{
    Kind *kind = session.kind(c.kind);
    if (!kind) return session.lastExit;
    const std::string target = new_key_field(*kind, rename);
    if (target.empty()) return session.usage("object " + kind->name + " names no field for a new key");
    // The copy carries only the two keys (the object's copy may ignore other
    // fields); changes given with it are made to the new item afterwards.
    FilterPtr changes = key_filter(session, *kind, c.newKey, c.args);
    FilterPtr filter = key_filter(session, *kind, c.key, {});
    if (!filter || !changes) return session.lastExit;
    if (int exit = validate_values(session, *kind, changes.get())) return exit;
    ZeAddFilterItem(filter.get(), target.c_str(), "EQ", c.newKey.c_str());
    const std::string what = std::string(rename ? "cannot rename " : "cannot copy ") + kind->name + " " + c.key;
    if (c.args.empty()) return item_action(session, *kind, rename ? "RENAME ITEM" : "COPY ITEM", filter.get(), what);
    char **values = nullptr;
    const unsigned rc = ZeSubmitAction(kind->object, rename ? "RENAME ITEM" : "COPY ITEM", filter.get(), &values);
    if (rc != ZE_OK) return session.action_failed(*kind, what, rc);
    return item_action(session, *kind, "ALTER ITEM", changes.get(),
                       "copied to " + c.newKey + ", but cannot change the copy", false);
}

int cmd_delete(Session &session, const Command &c)
{
    Kind *kind = session.kind(c.kind);
    if (!kind) return session.lastExit;
    Criterion probe;
    const bool byKey = c.args.size() == 1 && !split_criterion(c.args[0], probe) && session.settings.where.empty();
    FilterPtr filter =
        byKey ? key_filter(session, *kind, c.args[0], {}) : session.criteria_filter(kind->fields, c.args);
    if (!filter) return session.lastExit;
    if (ZeGetFilterItemCount(filter.get()) == 0) return session.usage("delete needs a KEY or criteria");
    if (!byKey) {
        unsigned rc = ZeSubmitAction(kind->object, "OPEN COLLECTION", filter.get()), count = 0;
        if (rc != ZE_OK) return session.action_failed(*kind, "cannot select what to delete", rc);
        ZeSubmitAction(kind->object, "GET ITEM COUNT", &count);
        ZeSubmitAction(kind->object, "CLOSE COLLECTION");
        if (count == 0) return session.report({"nothing matches the criteria; nothing deleted", kExitRefused});
        if (count > 1 && !session.settings.yes)
            return session.usage(std::to_string(count) + " items match; give --yes to delete them all");
    }
    const unsigned rc = ZeSubmitAction(kind->object, "DELETE ITEM", filter.get());
    if (rc != ZE_OK) return session.action_failed(*kind, "cannot delete from " + kind->name, rc);
    const char *message = nullptr;
    ZeQueryProperty(kind->object, "LAST MESSAGE", &message);
    if (!session.settings.quiet && session.settings.format == Format::Table && message) std::printf("%s\n", message);
    return kExitOk;
}

int cmd_names(Session &session, const Command &c)
{
    Kind *kind = session.kind(c.kind);
    if (!kind) return session.lastExit;
    FilterPtr filter = session.criteria_filter(kind->fields, c.args);
    if (!filter) return session.lastExit;
    char **names = nullptr;
    unsigned count = 0;
    const unsigned rc = ZeSubmitAction(kind->object, "GET LIST", filter.get(), &names, &count);
    if (rc != ZE_OK) return session.action_failed(*kind, "cannot list the names of " + kind->name, rc);
    const FieldInfo *keyField = kind->key();
    const Column column{keyField ? keyField->name : "NAME", keyField ? keyField->label : "Name"};
    auto out = make_output(stdout, {column}, session.style());
    for (unsigned i = 0; i < count; ++i) out->row(&names[i]);
    out->finish();
    return kExitOk;
}

int cmd_validate(Session &session, const Command &c)
{
    Kind *kind = session.kind(c.kind, false);
    if (!kind) return session.lastExit;
    const FieldInfo *field = kind->field(c.field);
    if (!field) return session.usage("unknown field " + c.field + " of " + kind->name);
    const unsigned rc = ZeSubmitAction(kind->object, "VALIDATE VALUE", field->name.c_str(), c.value.c_str());
    if (rc != ZE_OK)
        return session.action_failed(*kind, field->name + " value \"" + c.value + "\" refused", rc, Family::Validate);
    if (!session.settings.quiet && session.settings.format == Format::Table) std::printf("valid\n");
    if (session.settings.format == Format::Json) std::printf("{\"valid\":true}\n");
    return kExitOk;
}

// The texts of a list attribute joined with "|".
std::string list_attribute(Kind &kind, const std::string &field, const char *attribute)
{
    const char **values = nullptr;
    int count = 0;
    ZeQueryProperty(kind.object, "ATTRIBUTE", field.c_str(), attribute, &values, &count);
    std::string text;
    for (int i = 0; values && i < count; ++i) text += (i ? "|" : "") + std::string(values[i] ? values[i] : "");
    return text;
}

std::string text_attribute(Kind &kind, const std::string &field, const char *attribute)
{
    const char *value = nullptr;
    ZeQueryProperty(kind.object, "ATTRIBUTE", field.c_str(), attribute, &value);
    return value ? value : "";
}

int cmd_describe(Session &session, const Command &c)
{
    Kind *kind = session.kind(c.kind, false);
    if (!kind) return session.lastExit;
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
    if (!shown_columns(session, columns, indexes)) return session.lastExit;
    RowWriter out(session, columns, indexes, false);
    for (const FieldInfo &f : kind->fields) {
        std::string flags;
        for (const char *flag :
             {"READONLY", "UPPERCASE", "LOWERCASE", "PASSWORD", "PSEUDO", "INVISIBLE", "CASE SENSITIVE"}) {
            int on = 0;
            ZeQueryProperty(kind->object, "ATTRIBUTE", f.name.c_str(), flag, &on);
            if (on) flags += (flags.empty() ? "" : "|") + std::string(flag);
        }
        const std::string texts[] = {f.name,
                                     f.label,
                                     f.type,
                                     text_attribute(*kind, f.name, "MIN LENGTH"),
                                     text_attribute(*kind, f.name, "MAX LENGTH"),
                                     f.key ? "yes" : "",
                                     text_attribute(*kind, f.name, "DEF VALUE"),
                                     list_attribute(*kind, f.name, "VALID VALUES"),
                                     list_attribute(*kind, f.name, "REAL VALUES"),
                                     text_attribute(*kind, f.name, "REAL NAME"),
                                     flags};
        char *row[std::size(texts)];
        for (std::size_t i = 0; i < std::size(texts); ++i) row[i] = const_cast<char *>(texts[i].c_str());
        out.row(row);
    }
    out.finish();
    return kExitOk;
}

int cmd_objects(Session &session)
{
    const std::vector<std::string> kinds = session.registry_kinds();
    if (kinds.empty())
        return session.report(
            {"no object kinds: the registry tarnobjs.dat is missing or empty (see tarnadm env)", kExitUnreachable});
    auto out = make_output(stdout, {{"OBJECT", "Object"}}, session.style());
    for (const std::string &k : kinds) {
        const char *text = k.c_str();
        out->row(&text);
    }
    out->finish();
    return kExitOk;
}

Kind *group_kind(Session &session, const std::string &name)
{
    Kind *kind = session.kind(name);
    if (kind && !kind->has_groups()) {
        session.lastExit = session.usage("object " + kind->name + " has no groups");
        return nullptr;
    }
    return kind;
}

int cmd_groups(Session &session, const Command &c)
{
    Kind *kind = group_kind(session, c.kind);
    if (!kind) return session.lastExit;
    FilterPtr filter = new_filter();
    ZeAddFilterItem(filter.get(), "ITEM_TYPE", "EQ", "GROUP");
    if (const FieldInfo *key = kind->key()) ZeAddFilterItem(filter.get(), key->name.c_str(), "NE", "");
    return list_items(session, *kind, filter.get(), kind->fields);
}

int cmd_members(Session &session, const Command &c)
{
    Kind *kind = group_kind(session, c.kind);
    if (!kind) return session.lastExit;
    FilterPtr filter = new_filter();
    ZeAddFilterItem(filter.get(), "GROUPID", "EQ", c.group.c_str());
    return list_items(session, *kind, filter.get(), kind->groupFields);
}

// add-member and remove-member: the member's group record gets the group, or none.
int change_member(Session &session, const Command &c, bool add)
{
    Kind *kind = group_kind(session, c.kind);
    if (!kind) return session.lastExit;
    const FieldInfo *member = nullptr;
    for (const FieldInfo &f : kind->groupFields)
        if (f.key) member = &f;
    if (!member) return session.usage("the groups of " + kind->name + " have no member field");
    FilterPtr filter = new_filter();
    ZeAddFilterItem(filter.get(), "GROUPID", "EQ", add ? c.group.c_str() : "");
    ZeAddFilterItem(filter.get(), member->name.c_str(), "EQ", c.member.c_str());
    char **values = nullptr;
    const unsigned rc = add ? ZeSubmitAction(kind->object, "DEFINE ITEM", filter.get(), &values)
                            : ZeSubmitAction(kind->object, "DELETE ITEM", filter.get());
    if (rc != ZE_OK)
        return session.action_failed(*kind, std::string(add ? "cannot add " : "cannot remove ") + c.member, rc);
    const char *message = nullptr;
    ZeQueryProperty(kind->object, "LAST MESSAGE", &message);
    if (!session.settings.quiet && session.settings.format == Format::Table && message) std::printf("%s\n", message);
    return kExitOk;
}

// Hidden helpers of the completion script: one name per line.
int print_kinds(Session &session)
{
    for (const std::string &k : session.registry_kinds()) std::printf("%s\n", k.c_str());
    return kExitOk;
}

int print_fields(Session &session, const Command &c)
{
    Kind *kind = session.kind(c.kind, false);
    if (!kind) return session.lastExit;
    for (const FieldInfo &f : kind->fields) std::printf("%s\n", f.name.c_str());
    return kExitOk;
}

int print_keys(Session &session, const Command &c)
{
    Kind *kind = session.kind(c.kind);
    if (!kind) return session.lastExit;
    char **names = nullptr;
    unsigned count = 0;
    FilterPtr filter = new_filter();
    if (ZeSubmitAction(kind->object, "GET LIST", filter.get(), &names, &count) != ZE_OK) return kExitRefused;
    for (unsigned i = 0; i < count; ++i) std::printf("%s\n", names[i]);
    return kExitOk;
}

}  // namespace

bool shown_columns(const Session &session, const std::vector<FieldInfo> &fields, std::vector<std::size_t> &indexes)
{
    indexes.clear();
    if (session.settings.fields.empty()) {
        for (std::size_t i = 0; i < fields.size(); ++i)
            if (!fields[i].pseudo) indexes.push_back(i);
        return true;
    }
    std::string_view list = session.settings.fields;
    while (!list.empty()) {
        const std::size_t comma = list.find(',');
        std::string_view name = list.substr(0, comma);
        list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
        while (!name.empty() && name.front() == ' ') name.remove_prefix(1);
        while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
        std::size_t i = 0;
        while (i < fields.size() && !same_name(fields[i].name, name)) ++i;
        if (i == fields.size()) {
            session.lastExit = session.usage("unknown field " + std::string(name) + " in --fields");
            return false;
        }
        indexes.push_back(i);
    }
    return true;
}

const std::vector<std::string> &command_names()
{
    static const std::vector<std::string> names = {
        "list",     "show",     "define", "alter",   "copy",       "rename",        "delete", "names",
        "validate", "describe", "groups", "members", "add-member", "remove-member", "export", "import",
        "objects",  "env",      "logon",  "logoff",  "shell",      "completion"};
    return names;
}

int run_command(Session &session, const Command &c)
{
    const std::string &n = c.name;
    if (n == "list") return cmd_list(session, c);
    if (n == "show") return cmd_show(session, c);
    if (n == "define") return cmd_define(session, c);
    if (n == "alter") return cmd_alter(session, c);
    if (n == "copy") return copy_or_rename(session, c, false);
    if (n == "rename") return copy_or_rename(session, c, true);
    if (n == "delete") return cmd_delete(session, c);
    if (n == "names") return cmd_names(session, c);
    if (n == "validate") return cmd_validate(session, c);
    if (n == "describe") return cmd_describe(session, c);
    if (n == "groups") return cmd_groups(session, c);
    if (n == "members") return cmd_members(session, c);
    if (n == "add-member") return change_member(session, c, true);
    if (n == "remove-member") return change_member(session, c, false);
    if (n == "export") return export_records(session, c);
    if (n == "import") return import_records(session, c);
    if (n == "objects") return cmd_objects(session);
    if (n == "env") return env_command(session);
    if (n == "logon") return logon_command(session, c.node, c.userId);
    if (n == "logoff") return logoff_command(session, c.node, c.userId);
    if (n == "completion") return completion_command(session, c.shell);
    if (n == "__kinds") return print_kinds(session);
    if (n == "__fields") return print_fields(session, c);
    if (n == "__keys") return print_keys(session, c);
    return session.usage("unknown command " + n);
}

}  // namespace tarnadm
