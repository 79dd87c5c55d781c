// config.cpp - the configuration file reader and the environment defaults.
#include "config.hpp"

#include "text.hpp"

#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace admcore {
namespace {

std::string config_home()
{
    if (const char *config = std::getenv("XDG_CONFIG_HOME"); config && *config == '/') return config;
    const char *home = std::getenv("HOME");
    if ((!home || !*home))
        if (const passwd *entry = getpwuid(geteuid())) home = entry->pw_dir;
    return home && *home ? std::string(home) + "/.config" : std::string();
}

const DefaultKey *find_key(const std::vector<DefaultKey> &keys, std::string_view name)
{
    for (const DefaultKey &k : keys)
        if (name == k.name) return &k;
    return nullptr;
}

Failure read_file(const std::string &path, const std::vector<DefaultKey> &keys, Defaults &defaults)
{
    if (access(path.c_str(), F_OK) != 0 && errno == ENOENT) return std::nullopt;
    std::ifstream in(path);
    if (!in) {
        return Problem("cannot read the configuration file " + path + ": " + std::strerror(errno), Outcome::Usage);
    }
    defaults.file = path;
    std::string text;
    for (int number = 1; std::getline(in, text); ++number) {
        const std::string_view line = trimmed(text);
        if (line.empty() || line.front() == '#' || line.front() == ';') continue;
        const std::string where = path + ":" + std::to_string(number);
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos)
            return Problem(where + ": \"" + std::string(line) + "\" is not key = value", Outcome::Usage);
        const std::string name(trimmed(line.substr(0, equals)));
        std::string_view value = trimmed(line.substr(equals + 1));
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
        if (!find_key(keys, name)) {
            std::string known;
            for (const DefaultKey &k : keys) known += (known.empty() ? "" : ", ") + std::string(k.name);
            return Problem(where + ": unknown key \"" + name + "\" (keys: " + known + ")", Outcome::Usage);
        }
        defaults.values[name] = value;
        defaults.origins[name] = where;
    }
    return std::nullopt;
}

}  // namespace

std::string config_path(std::string_view tool)
{
    const std::string home = config_home();
    return home.empty() ? std::string() : home + "/" + std::string(tool) + "/config";
}

Result<Defaults> tool_defaults(std::string_view tool, const std::vector<DefaultKey> &keys)
{
    Defaults defaults;
    if (const std::string path = config_path(tool); !path.empty())
        if (Failure failure = read_file(path, keys, defaults)) return *failure;
    for (const DefaultKey &k : keys) {
        const char *value = k.env ? std::getenv(k.env) : nullptr;
        if (!value || !*value) continue;
        defaults.values[k.name] = value;
        defaults.origins[k.name] = k.env;
    }
    return defaults;
}

}  // namespace admcore
