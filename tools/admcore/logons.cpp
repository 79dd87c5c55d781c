// logons.cpp - logon, logoff and the sessions of the store brought back
// before a request.
#include "logons.hpp"

#include "TarnRouter.h"
#include "tarnsrvc.h"
#include "trace.hpp"

#include <sys/prctl.h>

#include <cstdlib>

namespace admcore {
namespace {

std::string held_key(const SessionKey &key) { return key.router + '\n' + key.node + '\n' + key.localUser; }

const char *local_user_arg(const Settings &settings) { return settings.user.empty() ? nullptr : settings.user.c_str(); }

// A failed logon or logoff: the library's code and, from the lines it
// traced ("... failure, rc = <n>" and the message after it), the node's.
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
    // A code below 1000 is the library's own step that stopped the request.
    if (problem.routerCode && problem.routerCode < 1000) problem.outcome = outcome_of(problem.routerCode, 0);
    else if (problem.routerCode) problem.outcome = outcome_of(ZE_RC_ROUTER_FAILED, problem.routerCode);
    return problem;
}

}  // namespace

void protect_process_memory() { prctl(PR_SET_DUMPABLE, 0, 0, 0, 0); }

SessionKey Logons::key_of(const Settings &settings)
{
    return {user_of(settings), settings.node, router_module(settings)};
}

Failure Logons::call_logon(const Settings &settings, const std::string &userId, const Secret &password,
                           const std::string &what)
{
    protect_process_memory();
    TraceCapture trace;
    const unsigned rc = ZeLogonUser(settings.node.c_str(), userId.c_str(), password.c_str(), local_user_arg(settings));
    if (rc == ZE_OK) return std::nullopt;
    return logon_problem(what, rc, trace.lines());
}

Failure Logons::call_logoff(const Settings &settings, const std::string &userId, bool notLoggedOnIsFine,
                            const std::string &what)
{
    TraceCapture trace;
    const unsigned rc = ZeLogoffUser(settings.node.c_str(), userId.c_str(), local_user_arg(settings));
    if (rc == ZE_OK) return std::nullopt;
    Problem problem = logon_problem(what, rc, trace.lines());
    if (notLoggedOnIsFine && problem.routerCode == TARN_ROUTER_RC_NOT_LOGGED_ON) return std::nullopt;
    return problem;
}

Result<StoredSession> Logons::logon(const Settings &settings, const std::string &userId, const Secret &password,
                                    long lifetime)
{
    if (settings.node.empty() || userId.empty()) return usage_problem("logon needs a node and a user id");
    StoredSession session;
    session.key = key_of(settings);
    session.userId = userId;
    Result<SessionStore> opened = lifetime > 0 ? store(true) : Result<SessionStore>(Problem());
    if (lifetime > 0 && !opened) return opened.problem();
    if (Failure failure =
            call_logon(settings, userId, password, "logon of " + userId + " to " + settings.node + " failed"))
        return *failure;
    forget(settings);
    if (lifetime <= 0) return session;
    session.started = std::time(nullptr);
    session.expires = session.started + lifetime;
    if (Failure failure = opened->save(session, password)) {
        call_logoff(settings, userId, true, "logoff");
        failure->what = "logged on, but the session cannot be kept (logged off again): " + failure->what;
        return *failure;
    }
    held_[held_key(session.key)] = {userId, session.started};
    return session;
}

Result<std::string> Logons::logoff(const Settings &settings, const std::string &userId)
{
    if (settings.node.empty()) return usage_problem("logoff needs a node");
    const SessionKey key = key_of(settings);
    Result<SessionStore> opened = store(false);
    if (!opened) return opened.problem();
    Secret secret;
    Result<std::optional<StoredSession>> found = opened->find(key, secret);
    secret.clear();
    if (!found) return found.problem();
    if (!*found) {
        if (userId.empty())
            return Problem("no session on " + settings.node + " is kept for " + key.localUser, Outcome::Refused);
        forget(settings);
        if (Failure failure =
                call_logoff(settings, userId, false, "logoff of " + userId + " from " + settings.node + " failed"))
            return *failure;
        return userId;
    }
    const StoredSession &session = **found;
    if (!userId.empty() && userId != session.userId)
        return Problem("the session on " + settings.node + " is " + session.userId + "'s, not " + userId + "'s",
                       Outcome::Refused);
    forget(settings);
    // A process that never brought the session back holds no connection of
    // it (TarnRout): "not logged on" then only confirms the logoff.
    Failure told = call_logoff(settings, session.userId, true,
                               "logoff of " + session.userId + " from " + settings.node + " failed");
    if (Failure removed = opened->remove(session)) return *removed;
    if (told) {
        told->what += " (the session file is removed)";
        return *told;
    }
    return session.userId;
}

Problem Logons::ended(const Settings &settings, const std::string &userId, std::string why)
{
    forget(settings);
    call_logoff(settings, userId, true, "logoff");
    return Problem("the session of " + userId + " on " + settings.node + " " + why +
                       "; nothing was sent: log on again to act as " + userId +
                       ", or repeat the command to act with the node map's credentials",
                   Outcome::Refused);
}

Failure Logons::ensure(const Settings &settings)
{
    if (settings.node.empty()) return std::nullopt;
    const SessionKey key = key_of(settings);
    const auto held = held_.find(held_key(key));
    Result<SessionStore> opened = store(false);
    if (!opened) return opened.problem();
    Secret secret;
    Result<std::optional<StoredSession>> found = opened->find(key, secret);
    if (!found) return found.problem();
    if (!*found) {
        if (held == held_.end()) return std::nullopt;
        return ended(settings, held->second.userId, "has ended (logged off or expired in another run)");
    }
    const StoredSession &session = **found;
    if (session.expired(std::time(nullptr))) {
        secret.clear();
        opened->remove(session);
        return ended(settings, session.userId, "expired at " + format_time(session.expires));
    }
    if (held != held_.end() && held->second.userId == session.userId && held->second.started == session.started)
        return std::nullopt;
    Failure failure = call_logon(settings, session.userId, secret,
                                 "the session of " + session.userId + " on " + settings.node + " (kept in " +
                                     session.path + ") cannot be brought back; nothing was sent");
    secret.clear();
    if (failure) {
        forget(settings);
        return failure;
    }
    held_[held_key(key)] = {session.userId, session.started};
    return std::nullopt;
}

void Logons::forget(const Settings &settings) { held_.erase(held_key(key_of(settings))); }

}  // namespace admcore
