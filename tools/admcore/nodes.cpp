// nodes.cpp - the nodes of the router's map and the check of one node.
#include "nodes.hpp"

#include "TarnRout.h"
#include "tarnsrvc.h"
#include "text.hpp"

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace admcore {
namespace {

// The sections of a TarnRout node map, each with its user= line.
std::vector<NodeCheck> map_file_nodes(const std::string &path)
{
    std::vector<NodeCheck> nodes;
    std::ifstream in(path);
    std::string text;
    for (int number = 1; std::getline(in, text); ++number) {
        const std::string_view line = trimmed(text);
        if (line.size() > 2 && line.front() == '[' && line.back() == ']') {
            NodeCheck check;
            check.node = line.substr(1, line.size() - 2);
            check.source = path + ":" + std::to_string(number);
            nodes.push_back(std::move(check));
        } else if (!nodes.empty() && line.rfind("user", 0) == 0) {
            const std::size_t equals = line.find('=');
            if (equals != std::string_view::npos && trimmed(line.substr(0, equals)) == "user")
                nodes.back().mapUser = trimmed(line.substr(equals + 1));
        }
    }
    return nodes;
}

// The demo router's nodes: <data dir>/nodes/<NODE>.db.
std::vector<NodeCheck> node_files(const std::string &dataDir)
{
    std::vector<NodeCheck> nodes;
    std::error_code error;
    std::filesystem::directory_iterator it(std::filesystem::path(dataDir) / "nodes", error);
    for (; !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
        const std::filesystem::path &path = it->path();
        if (path.extension() != ".db" || !it->is_regular_file(error)) continue;
        NodeCheck check;
        check.node = path.stem().string();
        check.source = path.string();
        nodes.push_back(std::move(check));
    }
    std::sort(nodes.begin(), nodes.end(), [](const NodeCheck &a, const NodeCheck &b) { return a.node < b.node; });
    return nodes;
}

// The "<key>=<value>; ..." message of STATUS as pairs.
std::vector<std::pair<std::string, std::string>> status_pairs(std::string_view message)
{
    std::vector<std::pair<std::string, std::string>> pairs;
    while (!message.empty()) {
        const std::size_t end = message.find("; ");
        const std::string_view pair = message.substr(0, end);
        const std::size_t equals = pair.find('=');
        if (equals != std::string_view::npos && equals > 0)
            pairs.emplace_back(pair.substr(0, equals), pair.substr(equals + 1));
        message = end == std::string_view::npos ? std::string_view() : message.substr(end + 2);
    }
    return pairs;
}

struct Owned {
    DtsInfo *info = nullptr;
    DtsAction *action = nullptr;
    DtsResult *result = nullptr;
    Filter *fields = nullptr;
    ~Owned()
    {
        ZeDestroyFilter(fields);
        ZeDestroyDtsResult(result);
        ZeDestroyDtsAction(action);
        ZeDestroyDtsInfo(info);
    }
};

}  // namespace

std::vector<NodeCheck> map_nodes(const Settings &settings)
{
    const std::string dataDir = data_dir(), router = router_module(settings);
    if (dataDir.empty()) return {};
    if (router == "TarnRout") return map_file_nodes((std::filesystem::path(dataDir) / "nodes.conf").string());
    if (router == "TarnRpdb") return node_files(dataDir);
    return {};
}

void check_node(const Settings &settings, NodeCheck &check)
{
    Owned o;
    check.checked = true;
    const std::string user = user_of(settings), router = router_module(settings);
    unsigned rc = ZeCreateDtsInfo(&o.info);
    if (rc == ZE_OK) rc = ZeCreateDtsAction(&o.action);
    if (rc == ZE_OK) rc = ZeCreateDtsResult(&o.result);
    if (rc == ZE_OK) rc = ZeCreateFilter(&o.fields);
    const std::pair<unsigned, const char *> fields[] = {
        {ZE_INFO_DESTNODE, check.node.c_str()},
        {ZE_INFO_ROUTENODE, check.node.c_str()},
        {ZE_INFO_USERNAME, user.c_str()},
        {ZE_INFO_ROUTEMODULE, router != "TarnRout" && router != "TarnRpdb" ? router.c_str() : nullptr}};
    for (const auto &[field, value] : fields)
        if (rc == ZE_OK && value) rc = ZeSetDtsInfoField(o.info, field, value);
    if (rc == ZE_OK) rc = ZeSetDtsActionField(o.action, ZE_ACTION_RESPONSE_KIND, 3u);
    if (rc == ZE_OK) rc = ZeSetDtsActionRequestFilter(o.action, o.fields, nullptr, 0);
    if (rc == ZE_OK) rc = ZeRouteDtsAction(o.action, o.info, "STATUS", o.result);
    check.code = rc;
    unsigned routerCode = 0;
    const char *message = nullptr;
    if (rc == ZE_OK && ZeGetDtsResultFields(o.result, &routerCode, &message) == ZE_OK)
        check.status = status_pairs(message ? message : "");
    if (rc == ZE_RC_ROUTER_FAILED && ZeGetDtsResultFields(o.result, &routerCode, &message) == ZE_OK) {
        check.routerCode = routerCode;
        check.message = message ? message : "";
    }
    // Refused credentials (of the map, or of a session) stop every request too.
    check.answered = rc == ZE_OK || (rc == ZE_RC_ROUTER_FAILED && outcome_of(rc, routerCode) != Outcome::Unreachable &&
                                     routerCode != TARN_ROUT_RC_PERMISSION_DENIED);
    if (check.answered) check.code = check.routerCode = 0, check.message.clear();
}

std::string NodeCheck::told(std::string_view key) const
{
    for (const auto &[name, value] : status)
        if (name == key) return value;
    return {};
}

void note_warnings(NodeCheck &check, const std::vector<std::string> &trace)
{
    for (const std::string &line : trace)
        if (line.rfind("+++ ", 0) == 0 && line.find("TarnRout") != std::string::npos &&
            std::find(check.warnings.begin(), check.warnings.end(), line.substr(4)) == check.warnings.end())
            check.warnings.push_back(line.substr(4));  // once, though the node was tried twice
}

Problem node_problem(const NodeCheck &check)
{
    Problem problem("node " + check.node + " does not answer", Outcome::Unreachable, check.code);
    problem.routerCode = check.routerCode;
    problem.nodeMessage = check.message;
    problem.outcome = outcome_of(check.code, check.routerCode);
    return problem;
}

}  // namespace admcore
