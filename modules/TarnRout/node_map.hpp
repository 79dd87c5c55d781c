// The node map of TarnRout: which PostgreSQL connection a node name stands
// for. The map file <data dir>/nodes.conf, and the user's libpq service
// files, are read in the format of libpq's connection service file.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace rout {

// libpq connection keywords and values.
using Keywords = std::vector<std::pair<std::string, std::string>>;

// The connection keywords of node `node`: its section of the node map, or,
// when the map has none, service=<node> when a libpq service file defines
// it. Fails with 1001 (unknown node) or 1016 (unusable map entry).
Keywords node_keywords(const std::string &node);

// The path of the node map ("" when no data directory is set).
std::string node_map_path();

}  // namespace rout
