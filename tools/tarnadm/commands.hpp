// commands.hpp - the commands of tarnadm, run on a session once the
// command line (or a shell line) is parsed.
#pragma once

#include "session.hpp"

#include <string>
#include <vector>

namespace tarnadm {

struct Command {
    std::string name;  // "list", "show", ... ("" when none was given)
    std::string kind, key, newKey, field, value, file, node, userId, group, member, shell;
    std::vector<std::string> args;  // criteria or FIELD=VALUE arguments
};

// Runs one command; its exit code.
int run_command(Session &session, const Command &command);

// Record files (records_io.cpp).
int export_records(Session &session, const Command &command);
int import_records(Session &session, const Command &command);

// Logon (logon.cpp): the password comes from --password-file, TARN_PASSWORD
// or a prompt without echo, never from the command line.
int logon_command(Session &session, const std::string &node, const std::string &userId);
int logoff_command(Session &session, const std::string &node, const std::string &userId);

// The environment table, module locations and what would stop a request.
int env_command(Session &session);

// The bash completion script.
int completion_command(Session &session, const std::string &shell);

// The columns a listing shows: --fields, else every field that is not
// pseudo (no data of its own); indexes into `fields`. False after a usage report.
bool shown_columns(const Session &session, const std::vector<FieldInfo> &fields, std::vector<std::size_t> &indexes);

// The command names, for help and completion.
const std::vector<std::string> &command_names();

}  // namespace tarnadm
