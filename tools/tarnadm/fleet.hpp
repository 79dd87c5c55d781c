// fleet.hpp - one command across many nodes: a node list, a pattern of the
// router's map or every node of it. Each node gets its own tarnadm process
// (a bounded number at once); their answers are merged with a NODE column,
// each node's failure is reported with its name, and the exit status is
// the highest of the nodes'.
#pragma once

#include "table.hpp"

#include <string>
#include <vector>

namespace tarnadm {

// Whether the settings select nodes rather than one node: --all-nodes, a
// comma in --node or a pattern ('*', '?', '[').
bool selects_many_nodes(const Settings &settings);

// The nodes selected, in the order given (the map's order for --all-nodes
// and patterns), each once; a usage problem when a pattern matches no node
// of the map or a name is empty.
Result<std::vector<std::string>> selected_nodes(const Settings &settings);

// `file` with "{node}" replaced by `node` (export's one file per node).
std::string node_file_name(const std::string &file, const std::string &node);

// Runs the command of `row` on every selected node and merges the answers.
int run_on_nodes(Session &session, const Command &command, const CommandRow &row);

}  // namespace tarnadm
