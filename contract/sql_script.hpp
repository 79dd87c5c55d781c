// SQL files that serve both engines of the nodes (data/schema.sql, ...):
// lines between "-- @sqlite" and "-- @end" are SQLite's only, lines between
// "-- @postgresql" and "-- @end" PostgreSQL's only, every other line is
// both engines'. tarnmknode and the benchmarks that build nodes read them
// through this one filter.
#pragma once

#include <sstream>
#include <string>
#include <string_view>

namespace sql_script {

// The lines of `sql` meant for the engine: "-- @<engine>" ... "-- @end"
// blocks of the other engine are left out.
inline std::string for_engine(const std::string &sql, std::string_view engine)
{
    std::istringstream in(sql);
    std::string line, kept;
    std::string block;  // the engine of the block the line is in, if any
    while (std::getline(in, line)) {
        std::string_view text(line);
        if (text.rfind("-- @", 0) == 0) {
            std::string_view marker = text.substr(4);
            while (!marker.empty() && (marker.back() == ' ' || marker.back() == '\r')) marker.remove_suffix(1);
            block = marker == "end" ? std::string_view() : marker;
            kept += '\n';
            continue;
        }
        if (block.empty() || block == engine) kept += line;
        kept += '\n';
    }
    return kept;
}

}  // namespace sql_script
