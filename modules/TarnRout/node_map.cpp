// Reading service-file sections: "[name]" lines open a section, then
// "keyword=value" lines (blanks around both ignored), "#" comment lines and
// blank lines. The node map is read strictly, all of it, whichever node is
// asked for: a damaged map is refused with the line at fault rather than
// read in part. The user's libpq service files are libpq's own business.
#include "node_map.hpp"

#include "TarnRout.h"
#include "ZeEnv.h"
#include "routecore.hpp"

#include <libpq-fe.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <set>

namespace rout {

using routecore::fail;

namespace {

constexpr std::string_view kPoolMode = "tarn_pool_mode";

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

Pooling pooling_of(std::string_view value, const std::string &path, int line, const std::string &node)
{
    if (value == "session") return Pooling::Session;
    if (value == "transaction") return Pooling::Transaction;
    bad_entry(path, line,
              std::string(kPoolMode) + " of node " + node + " is \"" + std::string(value) +
                  "\"; it takes session or transaction");
}

// One keyword=value line of node `node`'s section, checked.
void take_keyword(const std::string &path, int number, const std::string &node, std::string keyword, std::string value,
                  NodeEntry &entry)
{
    if (keyword == "password")
        bad_entry(path, number,
                  "node " + node + " holds a password; keep it in the password file (PGPASSFILE, ~/.pgpass)");
    if (keyword == "service") bad_entry(path, number, "node " + node + " names a service; a map entry cannot");
    if (keyword == kPoolMode) {
        entry.pooling = pooling_of(value, path, number, node);
        return;
    }
    if (!libpq_keywords().count(keyword))
        bad_entry(path, number, "\"" + keyword + "\" of node " + node + " is no libpq connection keyword");
    entry.keywords.emplace_back(std::move(keyword), std::move(value));
}

// Reads the whole map: false when it cannot be opened; `entry` gets node
// `wanted`'s section, `found` whether there is one.
bool read_map(const std::string &path, const std::string &wanted, NodeEntry &entry, bool &found)
{
    std::ifstream in(path);
    if (!in) return false;
    std::map<std::string, int, std::less<>> sections;  // name -> line
    std::map<std::string, int, std::less<>> keywords;  // of the current section -> line
    std::string node, text;
    found = false;
    for (int number = 1; std::getline(in, text); ++number) {
        if (text.find('\0') != std::string::npos) bad_entry(path, number, "the line holds a NUL byte");
        std::string_view line = trim(text);
        if (line.empty() || line.front() == '#') continue;
        if (line.front() == '[') {
            if (line.back() != ']' || line.size() < 3)
                bad_entry(path, number, "\"" + std::string(line) + "\" is not a [NODE] line");
            node = std::string(line.substr(1, line.size() - 2));
            auto [first, added] = sections.emplace(node, number);
            if (!added)
                bad_entry(path, number,
                          "node " + node + " appears twice (first at line " + std::to_string(first->second) + ")");
            keywords.clear();
            continue;
        }
        const auto equals = line.find('=');
        if (equals == std::string_view::npos)
            bad_entry(path, number, "\"" + std::string(line) + "\" is not keyword=value");
        if (node.empty()) bad_entry(path, number, "\"" + std::string(line) + "\" comes before any [NODE] line");
        std::string keyword(trim(line.substr(0, equals)));
        auto [first, added] = keywords.emplace(keyword, number);
        if (!added)
            bad_entry(path, number,
                      "\"" + keyword + "\" of node " + node + " is given twice (first at line " +
                          std::to_string(first->second) + ")");
        NodeEntry checked;
        take_keyword(path, number, node, keyword, std::string(trim(line.substr(equals + 1))),
                     node == wanted ? entry : checked);
    }
    found = sections.count(wanted) != 0;
    return true;
}

// Whether a libpq service file defines the section `name`.
bool has_service(const std::string &path, const std::string &name)
{
    std::ifstream in(path);
    std::string text;
    while (std::getline(in, text))
        if (trim(text) == "[" + name + "]") return true;
    return false;
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

NodeEntry node_entry(const std::string &node)
{
    NodeEntry entry;
    const std::string map = node_map_path();
    bool found = false;
    if (!map.empty() && read_map(map, node, entry, found) && found) return entry;
    for (const std::string &file : service_files())
        if (has_service(file, node)) return {{{"service", node}}, Pooling::None};
    fail(TARN_ROUTER_RC_UNKNOWN_NODE, "Node " + node + " is unknown: it is not in the node map " +
                                          (map.empty() ? std::string("(TARN_DATA_DIR is not set)") : map) +
                                          " and no libpq service names it");
}

std::string keyword_value(const Keywords &keywords, std::string_view name)
{
    for (const auto &[keyword, value] : keywords)
        if (keyword == name) return value;
    return {};
}

}  // namespace rout
