// nodes.hpp - the nodes a router knows of, and a check of one: whether it
// answers a request with the credentials a request would use. One row per
// node, so that a later check (TLS, primary or standby, server version)
// adds fields rather than another listing.
#pragma once

#include "problem.hpp"
#include "settings.hpp"

#include <string>
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
};

// The nodes of the router's map: the sections of <data dir>/nodes.conf for
// TarnRout, the files <data dir>/nodes/<NODE>.db for TarnRpdb, none for
// another router; each with its source and map user.
std::vector<NodeCheck> map_nodes(const Settings &settings);

// Sends the node a request for an object kind no node keeps, on behalf of
// the local user of `settings`: an answer of the node itself (unknown
// object kind, or any other) shows it is reached; the node codes (unknown
// node, unreachable, refused credentials, bad map entry, storage failure)
// show what stops a request.
void check_node(const Settings &settings, NodeCheck &check);

// The router's warnings ("+++ TarnRout: ..." lines) among the trace lines
// the caller captured while the check ran.
void note_warnings(NodeCheck &check, const std::vector<std::string> &trace);

// A problem for a check that was not answered.
Problem node_problem(const NodeCheck &check);

}  // namespace admcore
