// Declarations shared by the files of the router core only.
#pragma once

#include "routecore.hpp"

namespace routecore {

// Reads command, response kind, node, object, user and request fields.
// Fails with 1003 for a missing or unknown command.
Request read_request(DtsAction *action);

// The request fields resolved against the table: 1003 for an unknown
// column or operator.
std::vector<Criterion> resolve(const Request &request, const Table &table);

// A value with '*' under EQ or NE is a pattern.
bool is_pattern(const Criterion &criterion);

// Runs a table command inside the caller's transaction, delivers the
// answer and returns the message.
std::string run(const Request &request, Store &store, const Table &table);

}  // namespace routecore
