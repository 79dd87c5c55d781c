// The file of a demo-router node: <data dir>/nodes/<node>.db. The demo
// router opens it, tarnmknode creates it and tarnuser writes its users, so
// all of them build the path here.
#pragma once

#include <string>
#include <string_view>

namespace node_file {

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
