// env.cpp - `tarnadm env`: the environment table, where each run-time
// module is found, and what would stop a request with the fix for it.
#include "handlers.hpp"

#include <nlohmann/json.hpp>

#include <cstdio>

namespace tarnadm {
namespace {

// An issue of the setup with its fix, in tarnadm's terms.
std::string issue_text(const admcore::SetupIssue &issue)
{
    using admcore::SetupIssue;
    const std::string &d = issue.detail;
    switch (issue.what) {
    case SetupIssue::NoDataDir: return "no data directory: give --data-dir DIR or set TARN_DATA_DIR";
    case SetupIssue::MissingDataDir:
        return "the data directory " + d + " does not exist: fix TARN_DATA_DIR or --data-dir";
    case SetupIssue::NoRegistry: return "no object registry " + d + ": copy the registry into the data directory";
    case SetupIssue::DemoRouterFalse: return "DEMO_ROUTER=" + d + " is read as false (tarnadm --router demo sets it)";
    case SetupIssue::DemoRouterCase:
        return "DEMO_ROUTER=" + d +
               " is read as false: only 1, ON, YES and TRUE count, in capitals (tarnadm --router demo sets it)";
    case SetupIssue::RouterNotFound:
        return "the router module " + d + " is not found: build it, or add its directory to TARN_MODULE_PATH" +
               (d == "TarnRout" ? " (or use --router demo)" : "");
    case SetupIssue::MissingKvsConfig: return "KVS_CONFIG names " + d + ", which does not exist";
    case SetupIssue::NoNode: break;
    }
    return "no node: give --node NODE or set TARN_NODE";
}

}  // namespace

int env_command(Session &session, const Command &)
{
    const admcore::Setup setup = admcore::inspect_setup(session.settings);
    std::vector<std::string> problems;
    for (const admcore::SetupIssue &issue : setup.issues) problems.push_back(issue_text(issue));

    if (session.settings.format == Format::Json) {
        nlohmann::ordered_json env = nlohmann::ordered_json::object(), found = nlohmann::ordered_json::object();
        for (int i = 0; i < ZE_ENV_COUNT; ++i) env[ZeEnvName(i)] = ZeEnv(i);
        for (const admcore::ModuleInfo &m : setup.modules)
            found[m.name] = m.path.empty() ? nlohmann::ordered_json() : nlohmann::ordered_json(m.path);
        nlohmann::ordered_json all = {
            {"environment", env},     {"registry", setup.registry},    {"module_path", setup.modulePath},
            {"router", setup.router}, {"node", session.settings.node}, {"modules", found},
            {"problems", problems}};
        std::printf("%s\n", all.dump(2, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
    } else {
        std::printf("Environment table (filled once, kvsenv first, then the process):\n");
        for (int i = 0; i < ZE_ENV_COUNT; ++i) std::printf("  %-18s = %s\n", ZeEnvName(i), ZeEnv(i));
        std::printf("Object registry: %s\n", setup.registry.empty() ? "(no data directory)" : setup.registry.c_str());
        std::printf("Node: %s   Router: %s\n", session.settings.node.empty() ? "(none)" : session.settings.node.c_str(),
                    setup.router.c_str());
        std::printf("Module lookup (TARN_MODULE_PATH=%s, then the directory of libTarnUtil.so, then the system):\n",
                    setup.modulePath.c_str());
        for (const admcore::ModuleInfo &m : setup.modules)
            std::printf("  %-14s -> %s\n", m.name.c_str(), m.path.empty() ? "not found" : m.path.c_str());
        if (problems.empty()) std::printf("Nothing stops a request.\n");
        for (const std::string &p : problems) std::printf("Problem: %s\n", p.c_str());
    }
    return problems.empty() ? kExitOk : kExitUnreachable;
}

}  // namespace tarnadm
