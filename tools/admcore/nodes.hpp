// nodes.hpp - the nodes a router knows of, and a check of one: whether it
// answers a request with the credentials a request would use, and what it
// tells of itself (server version, TLS, primary or standby).
#pragma once

#include "problem.hpp"
#include "settings.hpp"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace admcore {

struct NodeCheck {
    std::string node;
    std::string source;   // where the router finds it: the map file, the node's file, a libpq service
    std::string mapUser;  // the user the map connects as ("" when it names none or has no users)
    bool checked = false;
    bool answered = false;              // the node answered the check
    unsigned code = 0, routerCode = 0;  // of a check that was not answered
    std::string message;                // the router's message
    std::vector<std::string> warnings;  // the router's "+++" trace lines during the check
    // What the node told of itself in answer to STATUS (TarnRouter.h), in
    // the router's order; empty when its router does not tell.
    std::vector<std::pair<std::string, std::string>> status;

    // The status value of `key`, "" when not told.
    std::string told(std::string_view key) const;
};

// The nodes of the router's map: the sections of <data dir>/nodes.conf for
// TarnRout, the files <data dir>/nodes/<NODE>.db for TarnRpdb, none for
// another router; each with its source and map user.
std::vector<NodeCheck> map_nodes(const Settings &settings);

// Sends the node STATUS on behalf of the local user of `settings`: an
// answer of the node itself (its status, or a refusal of a router that
// does not know STATUS) shows it is reached; the node codes (unknown node,
// unreachable, refused credentials, bad map entry, storage failure) show
// what stops a request.
void check_node(const Settings &settings, NodeCheck &check);

// The router's warnings ("+++ TarnRout: ..." lines) among the trace lines
// the caller captured while the check ran, each once.
void note_warnings(NodeCheck &check, const std::vector<std::string> &trace);

// A problem for a check that was not answered.
Problem node_problem(const NodeCheck &check);

}  // namespace admcore
