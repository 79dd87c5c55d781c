// config.hpp - a tool's defaults from its configuration file and the
// environment, for every tool of the family (tarnadm, a web console): the
// same file format, the same place, the same precedence.
//
// The file is $XDG_CONFIG_HOME/<tool>/config, else ~/.config/<tool>/config.
// It holds "key = value" lines; blanks around key and value do not count,
// a value may be put in double quotes to keep blanks at its ends, and blank
// lines and lines starting with '#' or ';' are ignored. A key the tool does
// not know, or a line that is no "key = value", is a problem naming file
// and line: a typing error never passes unnoticed.
//
// Precedence: the tool's options, then the environment, then the file. An
// environment variable counts when it is set and not empty.
#pragma once

#include "problem.hpp"

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace admcore {

// A default a tool reads: its key in the file and its environment variable.
struct DefaultKey {
    const char *name;  // "node", "data_dir", ...
    const char *env;   // "TARN_NODE", ...; NULL when none
};

struct Defaults {
    std::string file;                            // the file read, "" when there was none
    std::map<std::string, std::string> values;   // by key, the environment's over the file's
    std::map<std::string, std::string> origins;  // by key: "<file>:<line>" or the variable's name
};

// The configuration file of `tool` (it need not exist).
std::string config_path(std::string_view tool);

// The defaults of `tool` for `keys`: the file's values, then the
// environment's on top. Problems of the file are Outcome::Usage.
Result<Defaults> tool_defaults(std::string_view tool, const std::vector<DefaultKey> &keys);

}  // namespace admcore
