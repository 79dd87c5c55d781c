// settings.cpp - the environment the library reads, the registry's kinds,
// and the inspection of the setup.
#include "settings.hpp"

#include "tarnsrvc.h"
#include "text.hpp"

#include <dlfcn.h>
#include <link.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string_view>

namespace admcore {
namespace {

ModuleInfo find_module(const std::string &name)
{
    ModuleInfo info{name, ""};
    if (void *module = TarnLoadModule(name.c_str())) {
        struct link_map *map = nullptr;
        if (dlinfo(module, RTLD_DI_LINKMAP, &map) == 0 && map && map->l_name) info.path = map->l_name;
        TarnFreeModule(module);
    }
    return info;
}

bool is_file(const std::string &path)
{
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

// Values that someone meant as "on" but the library reads as false.
bool looks_true(std::string_view value)
{
    const std::string lower = lower_case(std::string(value));
    for (const char *word : {"1", "on", "yes", "true", "y", "enabled", "enable"})
        if (lower == word) return true;
    return false;
}

std::vector<SetupIssue> find_issues(const Settings &settings, const std::string &router,
                                    const std::vector<ModuleInfo> &modules)
{
    std::vector<SetupIssue> issues;
    const std::string dataDir = data_dir();
    std::error_code error;
    if (dataDir.empty()) issues.push_back({SetupIssue::NoDataDir, ""});
    else if (!std::filesystem::is_directory(dataDir, error)) issues.push_back({SetupIssue::MissingDataDir, dataDir});
    else if (!is_file(dataDir + "/tarnobjs.dat")) issues.push_back({SetupIssue::NoRegistry, dataDir + "/tarnobjs.dat"});
    const std::string demo = ZeEnv(ZE_ENV_DEMO_ROUTER);
    if (!demo.empty() && !ZeEnvBool(ZE_ENV_DEMO_ROUTER))
        issues.push_back({looks_true(demo) ? SetupIssue::DemoRouterCase : SetupIssue::DemoRouterFalse, demo});
    for (const ModuleInfo &m : modules)
        if (m.name == router && m.path.empty()) issues.push_back({SetupIssue::RouterNotFound, router});
    if (const char *config = std::getenv("KVS_CONFIG"); config && *config && !is_file(config))
        issues.push_back({SetupIssue::MissingKvsConfig, config});
    if (settings.node.empty()) issues.push_back({SetupIssue::NoNode, ""});
    return issues;
}

// The directory that holds libTarnUtil.so, where modules are looked for
// after TARN_MODULE_PATH.
std::string library_directory()
{
    Dl_info info{};
    if (dladdr(reinterpret_cast<void *>(&TarnLoadModule), &info) == 0 || !info.dli_fname) return {};
    return std::filesystem::path(info.dli_fname).parent_path().string();
}

}  // namespace

std::string module_load_failure(const std::string &name)
{
    std::vector<std::string> directories;
    if (name.find('/') == std::string::npos) {
        std::string_view path = std::getenv("TARN_MODULE_PATH") ? std::getenv("TARN_MODULE_PATH") : "";
        while (!path.empty()) {
            const std::size_t colon = path.find(':');
            if (colon != 0) directories.emplace_back(path.substr(0, colon));
            path = colon == std::string_view::npos ? std::string_view() : path.substr(colon + 1);
        }
        if (const std::string library = library_directory(); !library.empty())
            directories.insert(directories.end(), {library, library + "/tarnsrvc"});
    }
    std::vector<std::string> tried;
    if (name.find('/') != std::string::npos) tried.push_back(name);
    for (const std::string &d : directories)
        for (const std::string &file : {"lib" + name + ".so", name + ".so"}) tried.push_back(d + "/" + file);
    for (const std::string &path : tried) {
        if (!is_file(path)) continue;
        // Found but not loaded: the loader says why (a missing library or symbol).
        void *module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (module) {
            dlclose(module);
            continue;
        }
        const char *error = dlerror();
        return path + " cannot be loaded: " + (error ? error : "unknown reason");
    }
    std::string text = "not found; tried ";
    for (const std::string &path : tried) text += path + ", ";
    return text + "lib" + name + ".so (the system's search)";
}

Settings settings_from_environment()
{
    Settings settings;
    if (const char *node = std::getenv("TARN_NODE")) settings.node = node;
    return settings;
}

void prepare_environment(const Settings &settings)
{
    if (!settings.dataDir.empty()) setenv("TARN_DATA_DIR", settings.dataDir.c_str(), 1);
    if (settings.router == "demo") setenv("DEMO_ROUTER", "ON", 1);
    else if (!settings.router.empty()) unsetenv("DEMO_ROUTER");
}

std::string data_dir() { return ZeEnv(ZE_ENV_TARN_DATA_DIR); }

std::string local_user()
{
    if (const passwd *entry = getpwuid(geteuid()); entry && entry->pw_name) return entry->pw_name;
    const char *user = std::getenv("USER");
    return user ? user : "";
}

std::string user_of(const Settings &settings) { return settings.user.empty() ? local_user() : settings.user; }

std::string router_module(const Settings &settings)
{
    const std::string &r = settings.router;
    if (!r.empty() && r != "demo" && r != "remote") return r;
    return ZeEnvBool(ZE_ENV_DEMO_ROUTER) ? "TarnRpdb" : "TarnRout";
}

std::vector<std::string> registry_kinds()
{
    std::vector<std::string> kinds;
    char path[TARN_MAX_PATH];
    if (ZeBuildDataFilename("tarnobjs.dat", path, sizeof path) != ZE_OK) return kinds;
    std::ifstream file(path);
    for (std::string line; std::getline(file, line);) {
        std::string_view text = trimmed(line);
        if (text.empty() || text.front() == ';' || text.front() == '#') continue;
        std::string_view name = trimmed(text.substr(0, text.find(',')));
        if (name.size() >= 2 && name.front() == '"' && name.back() == '"') name = name.substr(1, name.size() - 2);
        if (name.empty()) continue;
        const std::string upper = upper_case(std::string(name));
        bool seen = false;
        for (const std::string &k : kinds) seen = seen || k == upper;
        if (!seen) kinds.push_back(upper);
    }
    return kinds;
}

Setup inspect_setup(const Settings &settings)
{
    Setup setup;
    setup.router = router_module(settings);
    std::vector<std::string> names = {"kvsenv", "kvscomn", "TarnRpdb", "TarnRout", "TarnObjs", "TarnStrings"};
    bool listed = false;
    for (const std::string &n : names) listed = listed || n == setup.router;
    if (!listed) names.push_back(setup.router);
    for (const std::string &n : names) setup.modules.push_back(find_module(n));
    char registry[TARN_MAX_PATH] = "";
    if (ZeBuildDataFilename("tarnobjs.dat", registry, sizeof registry) == ZE_OK) setup.registry = registry;
    if (const char *modulePath = std::getenv("TARN_MODULE_PATH")) setup.modulePath = modulePath;
    setup.issues = find_issues(settings, setup.router, setup.modules);
    return setup;
}

}  // namespace admcore
