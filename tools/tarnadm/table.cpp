// table.cpp - the command table and the global option table.
#include "table.hpp"

#include "handlers.hpp"

namespace tarnadm {
namespace {

using C = Complete;

const Argument kObject{"OBJECT", &Command::kind, true, C::Kind, "object kind (tarnadm objects)"};
const Argument kKey{"KEY", &Command::key, true, C::Key, "the item's key"};
const Argument kNewKey{"NEWKEY", &Command::newKey, true, C::Nothing, "the new item's key"};
const Argument kCriteria{"CRITERIA", nullptr, false, C::Assignment, "FIELD=VALUE, FIELD!=VALUE, FIELD<VALUE, ..."};
const Argument kGroup{"GROUP", &Command::group, true, C::Nothing, "the group"};
const Argument kMember{"MEMBER", &Command::member, true, C::Nothing, "the member"};
const Argument kHelperObject{"OBJECT", &Command::kind, false, C::Nothing};

// The flags of the commands that carry out several items as batches.
const CommandFlag kStopOnError{"--stop-on-error", &Settings::stopOnError, "stop at the first item the node refuses"};
const CommandFlag kAtomic{"--atomic", &Settings::atomic, "all items or none: one transaction, undone at a refusal"};

Argument values(const char *help, bool required = true)
{
    return {"FIELD=VALUE", nullptr, required, C::Assignment, help};
}

}  // namespace

const std::vector<CommandRow> &command_table()
{
    static const std::vector<CommandRow> table = {
        {"list", "list the items that match the criteria", {kObject, kCriteria}, list_command, kOnNodes},
        {"show", "show one item", {kObject, kKey}, show_command, kOnNodes},
        {"define",
         "define a new item, or several: their values separated by a lone +",
         {kObject, values("values of the new item; + between the values of two items")},
         define_command,
         kOnNodes,
         {kStopOnError, kAtomic}},
        {"alter", "change fields of an item", {kObject, kKey, values("the changes")}, alter_command, kOnNodes},
        {"copy",
         "copy an item under a new key",
         {kObject, kKey, kNewKey, values("changes of the copy", false)},
         copy_command},
        {"rename", "give an item a new key", {kObject, kKey, kNewKey}, rename_command},
        {"delete",
         "delete items by key, or the items matching criteria",
         {kObject, {"KEY|CRITERIA", nullptr, false, C::KeyCriteria, "keys, or criteria"}},
         delete_command,
         kOnNodes,
         {{"-y,--yes", &Settings::yes, "delete every item the criteria select when more than one"},
          kStopOnError,
          kAtomic}},
        {"names", "list the keys of the items that match the criteria", {kObject, kCriteria}, names_command, kOnNodes},
        {"validate",
         "check a value for a field, sending nothing",
         {kObject,
          {"FIELD", &Command::field, true, C::Field, "the field"},
          {"VALUE", &Command::value, true, C::Nothing, "the value"}},
         validate_command},
        {"describe", "the fields of an object kind", {kObject}, describe_command},
        {"groups", "list the groups of an object kind with groups", {kObject}, groups_command},
        {"members", "list the members of a group", {kObject, kGroup}, members_command},
        {"add-member", "put a member into a group", {kObject, kGroup, kMember}, add_member_command},
        {"remove-member", "take a member out of its group", {kObject, kGroup, kMember}, remove_member_command},
        {"export",
         "write the selected items to a record file",
         {kObject,
          {"FILE", &Command::file, true, C::File,
           "the record file, - for standard output; {node} in it is the node's name"},
          kCriteria},
         export_command,
         kOnNodes},
        {"import",
         "define one item per record of a record file (- for standard input)",
         {kObject, {"FILE", &Command::file, true, C::File, "the record file, - for standard input"}},
         import_command,
         0,
         {{"--stop-on-error", &Settings::stopOnError, "stop at the first record the node refuses"},
          {"--skip-existing", &Settings::skipExisting, "leave items that exist as they are (resume an import)"},
          {"--replace", &Settings::replace, "alter items that exist to the record's values"},
          {"--atomic", &Settings::atomic, "all records or none: one transaction, undone at the first refusal"}}},
        {"objects", "the object kinds of the registry", {}, objects_command},
        {"env", "the environment, the modules, the nodes and what would stop a request", {}, env_command, kNoLogon},
        {"logon",
         "log on to a node until logoff or expiry (password from --password-file, --password-stdin, "
         "TARN_PASSWORD or a prompt)",
         {{"NODE", &Command::node, true, C::Nothing, "the node"},
          {"USERID", &Command::userId, true, C::Nothing, "the node's user"}},
         logon_command,
         kNoLogon},
        {"logoff",
         "end the session on a node",
         {{"NODE", &Command::node, true, C::Nothing, "the node"},
          {"USERID", &Command::userId, false, C::Nothing, "default: the session's user"}},
         logoff_command,
         kNoLogon},
        {"sessions", "the sessions kept for later runs, with their expiry", {}, sessions_command, kNoLogon},
        {"shell", "the interactive shell (also: no command)", {}, shell_command, kNoLogon},
        {"completion",
         "print a shell completion script",
         {{"SHELL", &Command::shell, true, C::Words, "bash", "bash"}},
         completion_command},
        {"__kinds", "", {kHelperObject}, kinds_helper, kHidden},
        {"__fields", "", {kHelperObject}, fields_helper, kHidden},
        {"__keys", "", {kHelperObject}, keys_helper, kHidden},
    };
    return table;
}

const CommandRow *find_command(std::string_view name)
{
    for (const CommandRow &row : command_table())
        if (name == row.name) return &row;
    return nullptr;
}

std::vector<std::string> listed_commands()
{
    std::vector<std::string> names;
    for (const CommandRow &row : command_table())
        if (!(row.traits & kHidden)) names.emplace_back(row.name);
    return names;
}

const Argument *argument_at(const CommandRow &row, std::size_t position)
{
    if (position < row.arguments.size()) return &row.arguments[position];
    if (!row.arguments.empty() && !row.arguments.back().one) return &row.arguments.back();
    return nullptr;
}

Complete completion_at(const CommandRow &row, std::size_t position)
{
    const Argument *argument = argument_at(row, position);
    if (!argument) return Complete::Nothing;
    if (argument->complete != Complete::KeyCriteria) return argument->complete;
    return position + 1 == row.arguments.size() ? Complete::Key : Complete::Assignment;
}

const std::vector<GlobalOption> &global_options()
{
    static const std::vector<GlobalOption> options = {
        {.names = "-n,--node",
         .help = "destination node, or nodes: A,B,C or a pattern of the node map such as 'SITE*' "
                 "(default: $TARN_NODE)",
         .text = &Settings::node,
         .traits = kForwarded},
        {.names = "--all-nodes", .help = "every node of the router's map", .flag = &Settings::allNodes},
        {.names = "--parallel",
         .help = "how many nodes a command on several nodes asks at once (default 16; $TARN_PARALLEL)",
         .text = &Settings::parallel},
        {.names = "-u,--user",
         .help = "local user the requests are made for (default: this process's user)",
         .text = &Settings::user},
        {.names = "--user-id",
         .help = "log on to the node as this user before the command, off after it",
         .text = &Settings::userId},
        {.names = "--password-file",
         .help = "read the logon password from the first line of this file (mode 0600 or stricter)",
         .text = &Settings::passwordFile,
         .complete = C::File},
        {.names = "--password-stdin",
         .help = "read the logon password from the first line of standard input",
         .flag = &Settings::passwordStdin},
        {.names = "--session-lifetime",
         .help = "how long a logon's session is kept: 90s, 30m, 8h (default), 2d",
         .text = &Settings::sessionLifetime},
        {.names = "--data-dir",
         .help = "data directory (sets TARN_DATA_DIR)",
         .text = &Settings::dataDir,
         .complete = C::Directory,
         .traits = kStartOnly | kForwarded},
        {.names = "--router",
         .help = "demo (TarnRpdb), remote (the default router) or a router module name",
         .text = &Settings::router,
         .complete = C::Words,
         .words = "demo remote",
         .traits = kStartOnly | kForwarded},
        {.names = "--lang",
         .help = "LANGUAGE of the object creation filter (e.g. AMENG, FRENCH)",
         .text = &Settings::lang,
         .traits = kForwarded},
        {.names = "-o,--output",
         .help = "table, csv or json",
         .form = &Settings::format,
         .complete = C::Words,
         .words = "table csv json",
         .traits = kChecked},
        {.names = "--fields", .help = "fields to show, e.g. NAME,STATUS", .text = &Settings::fields},
        {.names = "--where",
         .help = "criteria in the library's own text: \"COLUMN EQ VALUE, ...\"",
         .text = &Settings::where},
        {.names = "--trace",
         .help = "library trace to stderr (--trace) or a file (--trace=FILE)",
         .text = &Settings::trace,
         .fallback = "stderr",
         .traits = kStartOnly | kOptionalValue},
        {.names = "-v,--verbose",
         .help = "the same as --trace=stderr",
         .flag = &Settings::verbose,
         .traits = kStartOnly},
        {.names = "-q,--quiet", .help = "no progress and no confirmations", .flag = &Settings::quiet},
        {.names = "--wide", .help = "do not cut table rows to the terminal width", .flag = &Settings::wide},
    };
    return options;
}

std::vector<std::string> names_of(const char *names)
{
    std::vector<std::string> out;
    std::string_view text = names;
    while (!text.empty()) {
        const std::size_t comma = text.find(',');
        out.emplace_back(text.substr(0, comma));
        text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
    }
    return out;
}

std::vector<std::string> words_of(std::string_view text)
{
    std::vector<std::string> out;
    while (!text.empty()) {
        const std::size_t blank = text.find(' ');
        if (blank != 0) out.emplace_back(text.substr(0, blank));
        text = blank == std::string_view::npos ? std::string_view() : text.substr(blank + 1);
    }
    return out;
}

}  // namespace tarnadm
