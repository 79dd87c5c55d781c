// The node map of TarnRout: which PostgreSQL connection a node name stands
// for. The map file <data dir>/nodes.conf, and the user's libpq service
// files, are read in the format of libpq's connection service file.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace rout {

// libpq connection keywords and values.
using Keywords = std::vector<std::pair<std::string, std::string>>;

// How a node is reached: directly, or through a connection pooler in
// session or transaction mode (the map's tarn_pool_mode).
enum class Pooling { None, Session, Transaction };

struct NodeEntry {
    Keywords keywords;  // libpq's
    Pooling pooling = Pooling::None;
};

// The entry of node `node`: its section of the node map, or, when the map
// has none, service=<node> when a libpq service file defines it. Fails with
// 1001 (unknown node) or 1016 (the map is damaged: file, line and reason).
NodeEntry node_entry(const std::string &node);

// The value of a keyword, "" when absent.
std::string keyword_value(const Keywords &keywords, std::string_view name);

// The path of the node map ("" when no data directory is set).
std::string node_map_path();

}  // namespace rout
