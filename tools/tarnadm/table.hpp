// table.hpp - every command of tarnadm in one row (name, summary, argument
// shape, handler, flags) and every global option in one row. The command
// line, dispatch, --help, the shell's completion and the bash completion
// script are all made from these two tables: a new command is a row here
// and its handler.
#pragma once

#include "session.hpp"

#include <string>
#include <string_view>
#include <vector>

namespace tarnadm {

// The arguments of one parsed command.
struct Command {
    std::string name;  // "list", "show", ... ("" when none was given)
    std::string kind, key, newKey, field, value, file, node, userId, group, member, shell;
    std::vector<std::string> args;  // criteria or FIELD=VALUE arguments
};

// What completes a word.
enum class Complete {
    Nothing,
    Kind,         // an object kind of the registry
    Key,          // a key of the kind's items (asks the node)
    Field,        // a field name of the kind
    Assignment,   // FIELD= of the kind
    KeyCriteria,  // a key first, then FIELD= criteria
    File,
    Directory,
    Words,  // one of the row's words
};

struct Argument {
    const char *name;           // as shown: OBJECT, KEY, FIELD=VALUE, ...
    std::string Command::*one;  // the word's place; NULL: the remaining words, into Command::args
    bool required;
    Complete complete;
    const char *help = "";
    const char *words = "";  // Complete::Words: the words, separated by blanks
};

// A flag that belongs to one command (delete --yes, import --stop-on-error).
struct CommandFlag {
    const char *names;  // "-y,--yes"
    bool Settings::*flag;
    const char *help;
};

using Handler = int (*)(Session &session, const Command &command);

enum CommandTraits : unsigned {
    kHidden = 1,   // a helper of the completion script, not listed
    kNoLogon = 2,  // --user-id does not log on around it (logon, logoff, sessions, env, shell)
    kOnNodes = 4,  // runs on several nodes at once (--node A,B,C, a pattern, --all-nodes)
};

struct CommandRow {
    const char *name;
    const char *summary;
    std::vector<Argument> arguments;
    Handler handler;
    unsigned traits = 0;
    std::vector<CommandFlag> flags = {};
};

// Every command, in the order --help lists them.
const std::vector<CommandRow> &command_table();
// The row named `name` (hidden ones too), NULL when there is none.
const CommandRow *find_command(std::string_view name);
// The names of the commands --help lists.
std::vector<std::string> listed_commands();
// What completes the argument at `position` (0 for the first after the command).
Complete completion_at(const CommandRow &row, std::size_t position);
// The argument that takes the word at `position`, NULL when none does.
const Argument *argument_at(const CommandRow &row, std::size_t position);

enum OptionTraits : unsigned {
    kStartOnly = 1,      // applies when tarnadm starts: refused on a shell line
    kForwarded = 2,      // handed on to the completion script's helpers
    kOptionalValue = 4,  // the value, when given, follows '=': --trace[=FILE]
    kChecked = 8,        // only the row's words are accepted (ignoring case)
};

struct GlobalOption {
    const char *names;  // "-n,--node"
    const char *help;
    std::string Settings::*text = nullptr;  // the value's place, or
    bool Settings::*flag = nullptr;         // the flag's, or
    Format Settings::*form = nullptr;       // the output form's
    Complete complete = Complete::Nothing;  // of the value
    const char *words = "";                 // Complete::Words
    const char *fallback = "";              // kOptionalValue: the value when none is given
    unsigned traits = 0;
};

// Every global option, in the order --help lists them.
const std::vector<GlobalOption> &global_options();
// The names of an option or flag ("-n,--node" -> {"-n", "--node"}).
std::vector<std::string> names_of(const char *names);
// Blank-separated words.
std::vector<std::string> words_of(std::string_view text);

}  // namespace tarnadm
