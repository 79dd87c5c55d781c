// Reading service-file sections: "[name]" lines open a section, then
// "keyword=value" lines (blanks around both ignored), "#" comment lines and
// blank lines. Map entries are checked against the keywords libpq knows, and
// may not hold a password.
#include "node_map.hpp"

#include "TarnRout.h"
#include "ZeEnv.h"
#include "routecore.hpp"

#include <libpq-fe.h>

#include <cstdlib>
#include <fstream>
#include <set>

namespace rout {

using routecore::fail;

namespace {

std::string_view trim(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

// The keywords of libpq's connection options.
const std::set<std::string, std::less<>> &libpq_keywords()
{
    static const std::set<std::string, std::less<>> keywords = [] {
        std::set<std::string, std::less<>> names;
        PQconninfoOption *options = PQconndefaults();
        for (PQconninfoOption *o = options; o && o->keyword; ++o) names.insert(o->keyword);
        PQconninfoFree(options);
        return names;
    }();
    return keywords;
}

[[noreturn]] void bad_entry(const std::string &path, int line, const std::string &problem)
{
    fail(TARN_ROUT_RC_BAD_NODE_MAP, "The node map " + path + ", line " + std::to_string(line) + ": " + problem);
}

// The section `name` of a service file; false when the file or the section
// is missing. With `check`, every line of the section must be a keyword
// libpq knows and none may be a password or a service.
bool read_section(const std::string &path, const std::string &name, bool check, Keywords &keywords)
{
    std::ifstream in(path);
    if (!in) return false;
    bool inside = false, found = false;
    std::string text;
    for (int number = 1; std::getline(in, text); ++number) {
        std::string_view line = trim(text);
        if (line.empty() || line.front() == '#') continue;
        if (line.front() == '[') {
            inside = line.back() == ']' && line.substr(1, line.size() - 2) == name;
            found = found || inside;
            continue;
        }
        if (!inside) continue;
        const auto equals = line.find('=');
        if (equals == std::string_view::npos) {
            if (check) bad_entry(path, number, "\"" + std::string(line) + "\" is not keyword=value");
            continue;
        }
        std::string keyword(trim(line.substr(0, equals)));
        std::string value(trim(line.substr(equals + 1)));
        if (check && (keyword == "password" || keyword == "service"))
            bad_entry(path, number,
                      keyword == "password"
                          ? "node " + name + " holds a password; keep it in the password file (PGPASSFILE, ~/.pgpass)"
                          : "node " + name + " names a service; a map entry cannot");
        if (check && !libpq_keywords().count(keyword))
            bad_entry(path, number, "\"" + keyword + "\" of node " + name + " is no libpq connection keyword");
        keywords.emplace_back(std::move(keyword), std::move(value));
    }
    return found;
}

// The service files libpq reads, in its order.
std::vector<std::string> service_files()
{
    std::vector<std::string> files;
    if (const char *file = std::getenv("PGSERVICEFILE")) files.emplace_back(file);
    else if (const char *home = std::getenv("HOME")) files.emplace_back(std::string(home) + "/.pg_service.conf");
    if (const char *dir = std::getenv("PGSYSCONFDIR")) files.emplace_back(std::string(dir) + "/pg_service.conf");
    return files;
}

}  // namespace

std::string node_map_path()
{
    std::string directory(routecore::view(ZeEnv(ZE_ENV_TARN_DATA_DIR)));
    if (directory.empty()) return {};
    if (directory.back() != '/') directory += '/';
    return directory + "nodes.conf";
}

Keywords node_keywords(const std::string &node)
{
    Keywords keywords;
    const std::string map = node_map_path();
    if (!map.empty() && read_section(map, node, true, keywords)) return keywords;
    for (const std::string &file : service_files()) {
        Keywords ignored;
        if (read_section(file, node, false, ignored)) return {{"service", node}};
    }
    fail(TARN_ROUTER_RC_UNKNOWN_NODE, "Node " + node + " is unknown: it is not in the node map " +
                                          (map.empty() ? std::string("(TARN_DATA_DIR is not set)") : map) +
                                          " and no libpq service names it");
}

}  // namespace rout
