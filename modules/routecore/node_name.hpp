// Node names of the routers: a demo node is the file nodes/<name>.db of the
// data directory, so a name is kept to characters that cannot leave that
// directory or hide the file; remote nodes follow the same rule. Shared by
// the routers, tarnmknode and tarnuser.
#pragma once

#include <cstddef>
#include <string_view>

namespace routecore {

inline constexpr std::size_t kMaxNodeName = 64;

// 1 to 64 of A-Z a-z 0-9 _ . -, not starting with '.'.
inline bool valid_node_name(std::string_view name)
{
    if (name.empty() || name.size() > kMaxNodeName || name.front() == '.') return false;
    for (char c : name) {
        bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
                  c == '.' || c == '-';
        if (!ok) return false;
    }
    return true;
}

inline constexpr const char *kNodeNameRule = "1 to 64 of A-Z a-z 0-9 _ . -, not starting with '.'";

}  // namespace routecore
