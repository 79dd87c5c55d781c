// cli.hpp - the command line of tarnadm (also used for each shell line),
// made from the command and option tables, and the run of one command.
#pragma once

#include "table.hpp"

#include <string>
#include <vector>

namespace tarnadm {

// Parses `args` (without the program name) into settings and a command.
// Returns -1 when a command is to run, else the exit code (help, version
// and usage errors are handled here). With `shell`, a line of that shell:
// its errors name the script's line and point to the shell's help, not to
// tarnadm --help.
int parse_arguments(const std::vector<std::string> &args, Settings &settings, Command &command,
                    const Session *shell = nullptr);

// Runs a parsed command through its row's handler, logging on before and
// off after when --user-id is given.
int execute(Session &session, const Command &command);

// Splits a shell line into words: blanks separate, quotes and backslashes
// group; false when a quote is not closed.
bool split_words(const std::string &line, std::vector<std::string> &words);

}  // namespace tarnadm
