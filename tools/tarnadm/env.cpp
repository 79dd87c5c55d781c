// env.cpp - `tarnadm env`: the environment table, where each run-time
// module is found, the nodes of the router's map (each tried with the map's
// credentials, one row per node, with what it tells of itself) and what
// would stop a request, with the fix for it.
#include "fleet.hpp"
#include "handlers.hpp"
#include "trace.hpp"

#include <nlohmann/json.hpp>

#include <algorithm>
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
        return "the router module " + d + " " + admcore::module_load_failure(d) +
               ": build it, or add its directory to TARN_MODULE_PATH" +
               (d == "TarnRout" ? " (or use --router demo)" : "");
    case SetupIssue::MissingKvsConfig: return "KVS_CONFIG names " + d + ", which does not exist";
    case SetupIssue::NoNode: break;
    }
    return "no node: give --node NODE or set TARN_NODE";
}

// How a node answered its check, in one phrase.
std::string node_state(const admcore::NodeCheck &n)
{
    if (!n.checked) return "not tried";
    if (n.answered) return "answers";
    std::string text = "does not answer";
    if (n.routerCode) {
        const std::string_view meaning = admcore::router_code_meaning(n.routerCode);
        text +=
            ": node code " + std::to_string(n.routerCode) + (meaning.empty() ? "" : " (" + std::string(meaning) + ")");
    } else if (n.code) {
        text += ": code " + std::to_string(n.code) + " (" + std::string(admcore::library_code_meaning(n.code)) + ")";
    }
    return n.message.empty() ? text : text + ": " + n.message;
}

// What a node that answered told of itself, in one phrase: "PostgreSQL
// 15.10, primary, TLS (TLSv1.3), sslmode=verify-full, at 127.0.0.1:5432".
std::string node_status(const admcore::NodeCheck &n)
{
    std::string text;
    auto add = [&text](const std::string &part) {
        if (!part.empty()) text += (text.empty() ? "" : ", ") + part;
    };
    add(n.told("version"));
    add(n.told("role"));
    const std::string tls = n.told("tls"), protocol = n.told("tls_protocol");
    add(tls == "yes" ? (protocol.empty() ? "TLS" : "TLS (" + protocol + ")") : tls == "no" ? "no TLS" : "");
    const std::string sslmode = n.told("sslmode");
    add(sslmode.empty() ? "" : "sslmode=" + sslmode);
    const std::string host = n.told("host"), port = n.told("port");
    add(host.empty() ? "" : "at " + host + (port.empty() ? "" : ":" + port));
    return text;
}

// The nodes of the map, the selected one among them, each tried when
// nothing in the setup stops every request anyway.
std::vector<admcore::NodeCheck> check_nodes(Session &session, bool tryThem, const std::vector<std::string> &selected)
{
    std::vector<admcore::NodeCheck> nodes = admcore::map_nodes(session.settings);
    for (auto node = selected.rbegin(); node != selected.rend(); ++node) {
        bool listed = false;
        for (const admcore::NodeCheck &n : nodes) listed = listed || n.node == *node;
        if (listed) continue;
        admcore::NodeCheck n;
        n.node = *node;
        n.source = "not in the router's map";
        nodes.insert(nodes.begin(), n);
    }
    for (admcore::NodeCheck &n : nodes) {
        if (!tryThem) continue;
        admcore::Settings settings = session.settings;
        settings.node = n.node;
        admcore::TraceCapture trace;
        admcore::check_node(settings, n);
        admcore::note_warnings(n, trace.lines());
    }
    return nodes;
}

void print_table(const admcore::Setup &setup, const Session &session, const std::vector<admcore::NodeCheck> &nodes,
                 const std::vector<std::string> &problems)
{
    std::printf("Environment table (filled once, kvsenv first, then the process):\n");
    for (int i = 0; i < ZE_ENV_COUNT; ++i) std::printf("  %-18s = %s\n", ZeEnvName(i), ZeEnv(i));
    std::printf("Object registry: %s\n", setup.registry.empty() ? "(no data directory)" : setup.registry.c_str());
    std::printf("Node: %s   Router: %s\n", session.settings.node.empty() ? "(none)" : session.settings.node.c_str(),
                setup.router.c_str());
    std::printf("Module lookup (TARN_MODULE_PATH=%s, then the directory of libTarnUtil.so, then the system):\n",
                setup.modulePath.c_str());
    for (const admcore::ModuleInfo &m : setup.modules)
        std::printf("  %-14s -> %s\n", m.name.c_str(), m.path.empty() ? "not found" : m.path.c_str());
    std::printf("Nodes of the router's map (tried with the map's credentials):\n");
    for (const admcore::NodeCheck &n : nodes) {
        std::printf("  %-14s %-18s %s  (%s)\n", n.node.c_str(), n.mapUser.empty() ? "" : ("as " + n.mapUser).c_str(),
                    node_state(n).c_str(), n.source.c_str());
        if (const std::string told = node_status(n); !told.empty()) std::printf("  %-14s %s\n", "", told.c_str());
    }
    for (const admcore::NodeCheck &n : nodes)
        for (const std::string &w : n.warnings) std::printf("Warning: %s\n", w.c_str());
    if (problems.empty()) std::printf("Nothing stops a request.\n");
    for (const std::string &p : problems) std::printf("Problem: %s\n", p.c_str());
}

void print_json(const admcore::Setup &setup, const Session &session, const std::vector<admcore::NodeCheck> &nodes,
                const std::vector<std::string> &problems)
{
    using Json = nlohmann::ordered_json;
    Json env = Json::object(), found = Json::object(), rows = Json::array();
    for (int i = 0; i < ZE_ENV_COUNT; ++i) env[ZeEnvName(i)] = ZeEnv(i);
    for (const admcore::ModuleInfo &m : setup.modules) found[m.name] = m.path.empty() ? Json() : Json(m.path);
    for (const admcore::NodeCheck &n : nodes) {
        Json row = {{"node", n.node}, {"source", n.source}, {"map_user", n.mapUser}, {"state", node_state(n)}};
        row["answers"] = n.checked ? Json(n.answered) : Json();
        if (n.code) row["code"] = n.code;
        if (n.routerCode)
            row["node_code"] = n.routerCode, row["node_meaning"] = admcore::router_code_meaning(n.routerCode);
        Json status = Json::object();
        for (const auto &[key, value] : n.status) status[key] = value;
        row["status"] = status;
        row["warnings"] = n.warnings;
        rows.push_back(std::move(row));
    }
    Json all = {{"environment", env},     {"registry", setup.registry},    {"module_path", setup.modulePath},
                {"router", setup.router}, {"node", session.settings.node}, {"modules", found},
                {"nodes", rows},          {"problems", problems}};
    std::printf("%s\n", all.dump(2, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
}

void print_csv(const admcore::Setup &setup, const Session &session, const std::vector<admcore::NodeCheck> &nodes,
               const std::vector<std::string> &problems)
{
    auto out = make_output(stdout, {{"SECTION", "Section"}, {"NAME", "Name"}, {"VALUE", "Value"}}, session.style());
    auto row = [&out](const char *section, const std::string &name, const std::string &value) {
        const char *texts[] = {section, name.c_str(), value.c_str()};
        out->row(texts);
    };
    for (int i = 0; i < ZE_ENV_COUNT; ++i) row("environment", ZeEnvName(i), ZeEnv(i));
    row("setup", "registry", setup.registry);
    row("setup", "module_path", setup.modulePath);
    row("setup", "router", setup.router);
    row("setup", "node", session.settings.node);
    for (const admcore::ModuleInfo &m : setup.modules) row("module", m.name, m.path);
    for (const admcore::NodeCheck &n : nodes) row("node", n.node, node_state(n));
    for (const admcore::NodeCheck &n : nodes)
        if (const std::string told = node_status(n); !told.empty()) row("status", n.node, told);
    for (const admcore::NodeCheck &n : nodes)
        for (const std::string &w : n.warnings) row("warning", n.node, w);
    for (const std::string &p : problems) row("problem", "", p);
    out->finish();
}

}  // namespace

int env_command(Session &session, const Command &)
{
    const admcore::Setup setup = admcore::inspect_setup(session.settings);
    std::vector<std::string> problems;
    for (const admcore::SetupIssue &issue : setup.issues)
        if (issue.what != admcore::SetupIssue::NoNode || !session.settings.allNodes)
            problems.push_back(issue_text(issue));
    bool blocked = false;
    for (const admcore::SetupIssue &issue : setup.issues)
        blocked = blocked ||
                  (issue.what != admcore::SetupIssue::NoNode && issue.what != admcore::SetupIssue::MissingKvsConfig);
    // The selected node, or nodes (a list, a pattern, --all-nodes).
    std::vector<std::string> selected;
    if (selects_many_nodes(session.settings)) {
        if (int exit = session.take(selected_nodes(session.settings), selected)) return exit;
    } else if (!session.settings.node.empty()) {
        selected.push_back(session.settings.node);
    }
    const std::vector<admcore::NodeCheck> nodes = check_nodes(session, !blocked, selected);
    for (const admcore::NodeCheck &n : nodes)
        if (std::find(selected.begin(), selected.end(), n.node) != selected.end() && n.checked && !n.answered)
            problems.push_back("node " + n.node + " " + node_state(n));

    switch (session.settings.format) {
    case Format::Json: print_json(setup, session, nodes, problems); break;
    case Format::Csv: print_csv(setup, session, nodes, problems); break;
    case Format::Table: print_table(setup, session, nodes, problems); break;
    }
    return problems.empty() ? kExitOk : kExitUnreachable;
}

}  // namespace tarnadm
