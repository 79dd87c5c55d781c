// settings.hpp - where the tools' requests go (data directory, router, node,
// user, language), the object kinds of the registry, and what the setup looks
// like: where each run-time module is found and what would stop a request.
#pragma once

#include <string>
#include <vector>

namespace admcore {

struct Settings {
    std::string node;     // destination node
    std::string user;     // local user the requests are made for; "" for this process's
    std::string dataDir;  // "" for the library's own (TARN_DATA_DIR)
    std::string router;   // "" default, "demo" (TarnRpdb), "remote" (TarnRout) or a router module
    std::string lang;     // LANGUAGE of the object creation filter, "" for the registry's first line
};

// The settings the environment gives: the node from TARN_NODE.
Settings settings_from_environment();

// Sets the library's environment from `settings` (TARN_DATA_DIR,
// DEMO_ROUTER); call it before the library's first use, which reads the
// environment once.
void prepare_environment(const Settings &settings);

// The data directory the library uses: TARN_DATA_DIR as its environment
// table read it, "" when none is set.
std::string data_dir();

// The user this process runs as: the password database, else $USER.
std::string local_user();

// settings.user, else local_user().
std::string user_of(const Settings &settings);

// The router module a request would load.
std::string router_module(const Settings &settings);

// Why the run-time module `name` cannot be loaded: the paths tried, in the
// order of the module search, or the loader's message about the one found.
std::string module_load_failure(const std::string &name);

// The object kinds of the registry (tarnobjs.dat in the data directory), in
// file order, each once, in capitals.
std::vector<std::string> registry_kinds();

struct ModuleInfo {
    std::string name, path;  // path "" when not found
};

// One thing that would stop a request.
struct SetupIssue {
    enum What {
        NoDataDir,         // no data directory is set
        MissingDataDir,    // detail: the directory, which does not exist
        NoRegistry,        // detail: the registry's path, which does not exist
        DemoRouterFalse,   // detail: DEMO_ROUTER's value, read as false
        DemoRouterCase,    // the same, for a value meant as true (on, yes, 1 in other forms)
        RouterNotFound,    // detail: the router module
        MissingKvsConfig,  // detail: KVS_CONFIG's file, which does not exist
        NoNode,            // no destination node
    };
    What what;
    std::string detail;
};

struct Setup {
    std::string registry;    // path of the object registry, "" without a data directory
    std::string modulePath;  // TARN_MODULE_PATH
    std::string router;      // the router module a request would load
    std::vector<ModuleInfo> modules;
    std::vector<SetupIssue> issues;
};

// Where each module of the system (and the router of `settings`) is found,
// and what would stop a request; loads and frees each module once.
Setup inspect_setup(const Settings &settings);

}  // namespace admcore
