// Nodes of the routers: the rule for a node's name and the file of a
// demo-router node, <data dir>/nodes/<node>.db. The routers check names and
// open the file, tarnmknode creates it and tarnuser writes its users, so all
// of them take the rule and build the path here.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace node_file {

// A name is kept to characters that cannot leave the nodes directory or hide
// the file; remote nodes follow the same rule.
inline constexpr std::size_t kMaxName = 64;
inline constexpr const char *kNameRule = "1 to 64 of A-Z a-z 0-9 _ . -, not starting with '.'";

// True when the name follows kNameRule.
inline bool valid_name(std::string_view name)
{
    if (name.empty() || name.size() > kMaxName || name.front() == '.') return false;
    for (char c : name) {
        bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '.' ||
                  c == '-';
        if (!ok) return false;
    }
    return true;
}

// <data dir>/nodes, with one '/' between the two whatever the data
// directory ends with.
inline std::string directory(std::string_view dataDir)
{
    std::string path(dataDir);
    if (path.empty() || path.back() != '/') path += '/';
    path += "nodes";
    return path;
}

// <data dir>/nodes/<node>.db
inline std::string path(std::string_view dataDir, std::string_view node)
{
    std::string file = directory(dataDir);
    file += '/';
    file += node;
    file += ".db";
    return file;
}

}  // namespace node_file
