// handlers.hpp - the handler of each row of the command table: each runs
// one parsed command on the session and returns the exit status.
#pragma once

#include "table.hpp"

namespace tarnadm {

// Items and kinds (commands.cpp).
int list_command(Session &session, const Command &c);
int show_command(Session &session, const Command &c);
int define_command(Session &session, const Command &c);
int alter_command(Session &session, const Command &c);
int copy_command(Session &session, const Command &c);
int rename_command(Session &session, const Command &c);
int delete_command(Session &session, const Command &c);
int names_command(Session &session, const Command &c);
int validate_command(Session &session, const Command &c);
int describe_command(Session &session, const Command &c);
int groups_command(Session &session, const Command &c);
int members_command(Session &session, const Command &c);
int add_member_command(Session &session, const Command &c);
int remove_member_command(Session &session, const Command &c);
int objects_command(Session &session, const Command &c);
// The completion script's helpers: one name per line.
int kinds_helper(Session &session, const Command &c);
int fields_helper(Session &session, const Command &c);
int keys_helper(Session &session, const Command &c);

// Record files (records_io.cpp).
int export_command(Session &session, const Command &c);
int import_command(Session &session, const Command &c);

// The environment table, module locations and what would stop a request (env.cpp).
int env_command(Session &session, const Command &c);

// Logon (logon.cpp): the password comes from --password-file,
// --password-stdin, TARN_PASSWORD or a prompt without echo, never from the
// command line. A logon is kept in the session store until logoff or
// expiry; logon_user and logoff_user wrap one command run with --user-id.
int logon_command(Session &session, const Command &c);
int logoff_command(Session &session, const Command &c);
int sessions_command(Session &session, const Command &c);
int logon_user(Session &session, const std::string &node, const std::string &userId);
int logoff_user(Session &session, const std::string &node, const std::string &userId);
// Takes TARN_PASSWORD out of the environment (and the process's memory
// image of it) into a wiped buffer; called once, first thing.
void take_environment_password();

// The interactive shell (shell.cpp) and the bash completion script (completion.cpp).
int shell_command(Session &session, const Command &c);
int completion_command(Session &session, const Command &c);

}  // namespace tarnadm
