// cli.hpp - the command line of tarnadm (also used for each shell line)
// and the interactive shell.
#pragma once

#include "commands.hpp"

#include <string>
#include <vector>

namespace tarnadm {

// Parses `args` (without the program name) into settings and a command.
// Returns -1 when a command is to run, else the exit code (help, version
// and usage errors are handled here).
int parse_arguments(const std::vector<std::string> &args, Settings &settings, Command &command);

// Runs a parsed command, logging on before and off after when --user-id is given.
int execute(Session &session, const Command &command);

// The shell: line editing on a terminal, else a script from stdin.
int run_shell(Session &session);

// Splits a shell line into words: blanks separate, quotes and backslashes
// group; false when a quote is not closed.
bool split_words(const std::string &line, std::vector<std::string> &words);

}  // namespace tarnadm
