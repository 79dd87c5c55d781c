// logon.cpp - logon and logoff, with the node's refusal read from the trace.
#include "logon.hpp"

#include "tarnsrvc.h"
#include "trace.hpp"

#include <cstdlib>
#include <vector>

namespace admcore {
namespace {

// The node's refusal from the logon trace lines: "rc = <n>" and the message line after it.
Problem logon_problem(const std::string &what, unsigned rc, const std::vector<std::string> &trace)
{
    Problem problem(what, outcome_of(rc, 0), rc, Family::Logon);
    for (std::size_t i = 0; i < trace.size(); ++i) {
        const std::size_t at = trace[i].find("failure, rc = ");
        if (at == std::string::npos) continue;
        problem.routerCode = static_cast<unsigned>(std::strtoul(trace[i].c_str() + at + 14, nullptr, 10));
        if (i + 1 < trace.size() && trace[i + 1].rfind("***", 0) == 0) {
            std::string message = trace[i + 1].substr(3);
            message.erase(0, message.find_first_not_of(' '));
            problem.nodeMessage = message;
        }
    }
    problem.outcome = outcome_of(problem.routerCode ? ZE_RC_ROUTER_FAILED : rc, problem.routerCode);
    if (problem.routerCode && problem.routerCode < 1000) problem.outcome = outcome_of(problem.routerCode, 0);
    return problem;
}

const char *local_user_arg(const std::string &localUser) { return localUser.empty() ? nullptr : localUser.c_str(); }

}  // namespace

Failure logon(const std::string &node, const std::string &userId, const std::string &password,
              const std::string &localUser)
{
    TraceCapture trace;
    const unsigned rc = ZeLogonUser(node.c_str(), userId.c_str(), password.c_str(), local_user_arg(localUser));
    if (rc == ZE_OK) return std::nullopt;
    return logon_problem("logon of " + userId + " to " + node + " failed", rc, trace.lines());
}

Failure logoff(const std::string &node, const std::string &userId, const std::string &localUser)
{
    TraceCapture trace;
    const unsigned rc = ZeLogoffUser(node.c_str(), userId.c_str(), local_user_arg(localUser));
    if (rc == ZE_OK) return std::nullopt;
    return logon_problem("logoff of " + userId + " from " + node + " failed", rc, trace.lines());
}

}  // namespace admcore
