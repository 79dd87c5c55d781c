// TarnRout: the default router. router_client carries out one request on
// the PostgreSQL database of its node through the shared command core. This
// file keeps the connections: per node, the one opened with the map's
// credentials and the sessions opened by LOGON, one per local user. The
// contract is described in include/TarnRout.h.
#include "TarnRout.h"
#include "ZeEnv.h"
#include "node_map.hpp"
#include "pg_store.hpp"

#include "TarnUtil.h"

#include <string.h>
#include <unistd.h>

#include <algorithm>
#include <map>

namespace rout {

using routecore::Credentials;
using routecore::fail;
using routecore::Request;

namespace {

constexpr int kDefaultTimeout = 30;
constexpr int kMaxTimeout = 86400;
constexpr int kDefaultAgents = 4;
constexpr int kMaxAgents = 1000;
constexpr int kDefaultWait = 1;
constexpr int kMaxWait = 3600;

struct Settings {
    int timeout = routecore::setting(ZE_ENV_KV_ROUTER_TIMEOUT, kDefaultTimeout, kMaxTimeout);
    int agents = std::max(1, routecore::setting(ZE_ENV_KV_ROUTER_AGENTS, kDefaultAgents, kMaxAgents));
    int wait = routecore::setting(ZE_ENV_KV_ROUTER_WAIT, kDefaultWait, kMaxWait);
};

const Settings &settings()
{
    static const Settings read;
    return read;
}

// A session: its role and its connection.
struct Session {
    std::string userId;
    std::unique_ptr<PgStore> store;
};

struct Node {
    std::unique_ptr<PgStore> shared;          // the map's credentials
    std::map<std::string, Session> sessions;  // by local user
};

bool has_keyword(const Keywords &keywords, std::string_view name)
{
    for (const auto &entry : keywords)
        if (entry.first == name) return true;
    return false;
}

// A connection attempt that failed: libpq's text, and whether the server
// refused the credentials (a password was sent, or one was asked for and
// none was known).
struct ConnectError {
    std::string message;
    bool refused;
};

// Opens a connection with the node's keywords and, for a session, role and
// password; sets the statement timeout. Null with `error` filled on failure.
PGconn *open_connection(const std::string &node, Keywords keywords, const Credentials *logon, ConnectError &error)
{
    const int timeout = settings().timeout;
    if (timeout > 0 && !has_keyword(keywords, "connect_timeout"))
        keywords.emplace_back("connect_timeout", std::to_string(std::max(timeout, 2)));
    keywords.emplace_back("fallback_application_name", "TarnRout");
    // Dates come back in their ordered form, YYYY-MM-DD, whatever the
    // server's DateStyle; as a connection option it outlives a reset.
    bool hasOptions = false;
    for (auto &[name, value] : keywords)
        if (name == "options") {
            value += " -c datestyle=ISO";
            hasOptions = true;
        }
    if (!hasOptions) keywords.emplace_back("options", "-c datestyle=ISO");
    std::string password;
    if (logon) {
        keywords.emplace_back("user", logon->userId);
        password.assign(logon->password);
    }
    std::vector<const char *> names, values;
    for (const auto &[name, value] : keywords) {
        names.push_back(name.c_str());
        values.push_back(value.c_str());
    }
    if (logon) {
        names.push_back("password");
        values.push_back(password.c_str());
    }
    names.push_back(nullptr);
    values.push_back(nullptr);
    if (ZeEnvBool(ZE_ENV_KV_ROUTER_DEBUG))
        TarnTrace("TarnRout: connecting to node %s as %s", node.c_str(),
                  logon ? logon->userId.c_str() : "the map's user");
    PGconn *conn = PQconnectdbParams(names.data(), values.data(), 0);
    explicit_bzero(password.data(), password.size());
    if (!conn) {
        error = {"out of memory", false};
        return nullptr;
    }
    if (PQstatus(conn) != CONNECTION_OK) {
        error = {PQerrorMessage(conn), PQconnectionUsedPassword(conn) != 0 || PQconnectionNeedsPassword(conn) != 0};
        while (!error.message.empty() && (error.message.back() == '\n' || error.message.back() == ' '))
            error.message.pop_back();
        PQfinish(conn);
        return nullptr;
    }
    if (timeout > 0) {
        PGresult *set = PQexec(conn, ("SET statement_timeout = " + std::to_string(timeout * 1000)).c_str());
        const bool ok = PQresultStatus(set) == PGRES_COMMAND_OK;
        PQclear(set);
        if (!ok) {
            error = {"the statement timeout cannot be set: " + std::string(PQerrorMessage(conn)), false};
            PQfinish(conn);
            return nullptr;
        }
    }
    return conn;
}

std::unique_ptr<PgStore> adopt(PGconn *conn)
{
    try {
        return std::make_unique<PgStore>(conn);
    } catch (...) {
        PQfinish(conn);
        throw;
    }
}

[[noreturn]] void unreachable(const std::string &node, const ConnectError &error)
{
    fail(TARN_ROUT_RC_NODE_UNREACHABLE, "Node " + node + " cannot be reached: " + error.message);
}

class PgBackend : public routecore::Backend {
public:
    const char *name() const override { return "TarnRout"; }

    routecore::Store &store(const Request &request) override
    {
        forget_after_fork();
        routecore::check_node_name(request.node);
        Node &node = nodes_[std::string(request.node)];
        auto session = node.sessions.find(std::string(request.user));
        if (session != node.sessions.end()) return session_store(request.node, session->second);
        if (!node.shared) node.shared = connect_shared(std::string(request.node));
        return *node.shared;
    }

    void reconnect(routecore::Store &store) override
    {
        for (auto &[name, node] : nodes_) {
            if (node.shared.get() == &store) node.shared.reset();
            for (auto &[user, session] : node.sessions)
                if (session.store.get() == &store) session.store->reset();
        }
    }

    std::string session(const Request &request, const Credentials &credentials) override
    {
        forget_after_fork();
        routecore::check_node_name(request.node);
        const std::string nodeName(request.node);
        Node &node = nodes_[nodeName];
        switch (request.command) {
        case routecore::Command::Logon: return logon(nodeName, node, credentials);
        case routecore::Command::Logoff: return logoff(nodeName, node, credentials);
        default: return verify(nodeName, node, credentials);
        }
    }

private:
    // A child of fork() must not talk on its parent's connections, its
    // sessions included: it starts with none.
    void forget_after_fork()
    {
        if (owner_ == getpid()) return;
        nodes_.clear();
        owner_ = getpid();
    }

    // The map's connection; a node that cannot be reached is tried once
    // more after KV_ROUTER_WAIT seconds, one that refuses the map's
    // credentials is not. A map that connects as a superuser is warned of.
    static std::unique_ptr<PgStore> connect_shared(const std::string &node)
    {
        const Keywords keywords = node_keywords(node);
        ConnectError error;
        PGconn *conn = open_connection(node, keywords, nullptr, error);
        if (!conn && !error.refused) {
            if (settings().wait > 0) sleep(static_cast<unsigned>(settings().wait));
            conn = open_connection(node, keywords, nullptr, error);
        }
        if (!conn && error.refused)
            fail(TARN_ROUT_RC_PERMISSION_DENIED,
                 "Node " + node + " refuses the credentials of its map entry: " + error.message);
        if (!conn) unreachable(node, error);
        const char *superuser = PQparameterStatus(conn, "is_superuser");
        if (superuser && std::string_view(superuser) == "on")
            TarnTrace("+++ TarnRout: node %s: the node map connects as the superuser %s; requests without a logon "
                      "may change anything",
                      node.c_str(), PQuser(conn));
        return adopt(conn);
    }

    // A session's connection, reset when it broke (libpq keeps what it
    // needs to reconnect).
    static routecore::Store &session_store(std::string_view node, Session &session)
    {
        if (session.store->broken()) {
            session.store->reset();
            if (session.store->broken())
                fail(TARN_ROUT_RC_NODE_UNREACHABLE, "Node " + std::string(node) + " cannot be reached: " +
                                                        std::string(PQerrorMessage(session.store->conn())));
        }
        return *session.store;
    }

    std::string logon(const std::string &nodeName, Node &node, const Credentials &c)
    {
        const bool replaces = node.sessions.count(c.localUser) != 0;
        if (!replaces && static_cast<int>(node.sessions.size()) + 1 >= settings().agents)
            fail(TARN_ROUT_RC_TOO_MANY_SESSIONS,
                 "Logon to " + nodeName + " refused: " + std::to_string(node.sessions.size()) +
                     " sessions are open and KV_ROUTER_AGENTS is " + std::to_string(settings().agents));
        Keywords keywords = node_keywords(nodeName);
        std::erase_if(keywords, [](const auto &entry) { return entry.first == "user"; });
        ConnectError error;
        PGconn *conn = open_connection(nodeName, keywords, &c, error);
        if (!conn && error.refused)
            fail(TARN_ROUTER_RC_LOGON_REFUSED, "Logon to " + nodeName + " refused: unknown user or wrong password");
        if (!conn) unreachable(nodeName, error);
        // The analyzer loses the unique_ptr when the map insertion may throw
        // (the temporary owns it then) and reports it at the closing brace.
        // NOLINTBEGIN(clang-analyzer-cplusplus.NewDeleteLeaks)
        node.sessions[c.localUser] = Session{c.userId, adopt(conn)};
        return "User " + c.userId + " logged on to " + nodeName;
    }
    // NOLINTEND(clang-analyzer-cplusplus.NewDeleteLeaks)

    static std::string not_logged_on(const std::string &node, const Credentials &c)
    {
        return "User " + c.userId + " is not logged on to " + node;
    }

    std::string logoff(const std::string &nodeName, Node &node, const Credentials &c)
    {
        auto session = node.sessions.find(c.localUser);
        if (session == node.sessions.end() || session->second.userId != c.userId)
            fail(TARN_ROUTER_RC_NOT_LOGGED_ON, not_logged_on(nodeName, c));
        node.sessions.erase(session);
        return "User " + c.userId + " logged off from " + nodeName;
    }

    // Open and alive: the connection answers (after one reset when it broke).
    std::string verify(const std::string &nodeName, Node &node, const Credentials &c)
    {
        auto session = node.sessions.find(c.localUser);
        if (session == node.sessions.end() || session->second.userId != c.userId)
            fail(TARN_ROUTER_RC_NOT_LOGGED_ON, not_logged_on(nodeName, c));
        PgStore &store = *session->second.store;
        auto alive = [&] {
            PGresult *probe = PQexec(store.conn(), "SELECT 1");
            const bool ok = PQresultStatus(probe) == PGRES_TUPLES_OK;
            PQclear(probe);
            return ok;
        };
        if (!alive()) {
            store.reset();
            if (store.broken() || !alive())
                fail(TARN_ROUTER_RC_NOT_LOGGED_ON, not_logged_on(nodeName, c) + ": the session's connection is lost");
        }
        return "User " + c.userId + " is logged on to " + nodeName;
    }

    std::map<std::string, Node, std::less<>> nodes_;
    pid_t owner_ = getpid();
};

}  // namespace

}  // namespace rout

namespace {

// One back end for single requests and batches alike.
rout::PgBackend &backend()
{
    static rout::PgBackend backend;
    return backend;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) unsigned int router_client(DtsAction *action)
{
    return routecore::route(action, backend());
}

extern "C" __attribute__((visibility("default"))) unsigned int router_batch(DtsAction *action)
{
    return routecore::route_batch(action, backend());
}
