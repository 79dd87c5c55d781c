// TarnRout: the default router. router_client carries out one request on
// the PostgreSQL database of its node through the shared command core. This
// file keeps the connections: per node one pool (routecore::NodePool) of
// connections opened with the map's credentials, shared by every local user
// without a session, and the sessions opened by LOGON, one per local user,
// owned by that user. The contract is described in include/TarnRout.h.
#include "TarnRout.h"
#include "connect.hpp"
#include "pg_store.hpp"
#include "pool.hpp"

#include <unistd.h>

#include <atomic>
#include <new>
#include <map>
#include <mutex>

namespace rout {

using routecore::Credentials;
using routecore::fail;
using routecore::Request;

namespace {

// A map connection unused this long is closed.
constexpr int kIdleSeconds = 300;

// The connections of one process: a child of fork() must not talk on its
// parent's, sessions included, so it starts with none of its own and
// leaves the parent's alone.
struct Connections {
    pid_t owner = getpid();
    std::mutex lock;
    std::map<std::string, std::unique_ptr<routecore::NodePool>, std::less<>> nodes;

    routecore::NodePool &node(const std::string &name)
    {
        std::lock_guard<std::mutex> hold(lock);
        auto found = nodes.find(name);
        if (found != nodes.end()) return *found->second;
        routecore::NodePool::Limits limits;
        limits.connections = settings().agents;
        limits.wait = std::chrono::seconds(settings().timeout);
        limits.idle = std::chrono::seconds(kIdleSeconds);
        limits.busyCode = TARN_ROUT_RC_TOO_MANY_SESSIONS;
        return *nodes.emplace(name, std::make_unique<routecore::NodePool>(name, limits)).first->second;
    }
};

std::unique_ptr<PgStore> adopt(PGconn *conn, Pooling pooling, std::string role = {})
{
    try {
        return std::make_unique<PgStore>(conn, pooling, std::move(role));
    } catch (...) {
        PQfinish(conn);
        throw;
    }
}

// A connection with the map's credentials; a node that cannot be reached is
// tried once more after KV_ROUTER_WAIT seconds, one that refuses the map's
// credentials is not. A map that connects as a superuser is warned of.
std::unique_ptr<routecore::Store> connect_shared(const std::string &node)
{
    const NodeEntry entry = node_entry(node);
    ConnectError error;
    PGconn *conn = open_connection(node, entry, nullptr, error);
    if (!conn && error.kind == ConnectFailure::Unreachable && settings().wait > 0) {
        sleep(static_cast<unsigned>(settings().wait));
        conn = open_connection(node, entry, nullptr, error);
    }
    if (!conn) connect_failed(node, error, nullptr);
    const char *superuser = PQparameterStatus(conn, "is_superuser");
    if (superuser && std::string_view(superuser) == "on")
        TarnTrace("+++ TarnRout: node %s: the node map connects as the superuser %s; requests without a logon "
                  "may change anything",
                  node.c_str(), PQuser(conn));
    return adopt(conn, entry.pooling);
}

std::string not_logged_on(const std::string &node, const Credentials &c)
{
    return "User " + c.userId + " is not logged on to " + node;
}

class PgBackend : public routecore::Backend {
public:
    PgBackend() : connections_(new Connections) {}
    ~PgBackend() override { delete connections_.load(); }
    PgBackend(const PgBackend &) = delete;
    PgBackend &operator=(const PgBackend &) = delete;

    const char *name() const override { return "TarnRout"; }

    routecore::Lease lease(const Request &request) override
    {
        routecore::check_node_name(request.node);
        const std::string node(request.node);
        routecore::Lease lease = current().node(node).lease(request.user, [&] { return connect_shared(node); });
        auto &store = static_cast<PgStore &>(lease.store());
        if (!store.role().empty() && store.broken()) repair(node, request.user, store);
        return lease;
    }

    std::string session(const Request &request, const Credentials &credentials) override
    {
        routecore::check_node_name(request.node);
        const std::string node(request.node);
        routecore::NodePool &pool = current().node(node);
        switch (request.command) {
        case routecore::Command::Logon: return logon(pool, credentials);
        case routecore::Command::Logoff:
            if (!pool.remove(credentials.localUser, credentials.userId))
                fail(TARN_ROUTER_RC_NOT_LOGGED_ON, not_logged_on(node, credentials));
            return "User " + credentials.userId + " logged off from " + node;
        default: return verify(pool, credentials);
        }
    }

    // A connection found broken is opened anew once, as for a read.
    std::string status(const Request &request) override
    {
        for (int tries = 0;; ++tries) {
            routecore::Lease lease = this->lease(request);
            try {
                return routecore::status_message(static_cast<PgStore &>(lease.store()).status());
            } catch (const routecore::StoreError &error) {
                if (error.kind == routecore::StoreErrorKind::NoMemory) throw std::bad_alloc();
                if (error.kind != routecore::StoreErrorKind::Lost || tries > 0)
                    fail(error.kind == routecore::StoreErrorKind::Lost ? TARN_ROUT_RC_NODE_UNREACHABLE
                                                                       : TARN_ROUTER_RC_STORAGE_ERROR,
                         "Node " + std::string(request.node) + ": its status could not be read: " + error.message);
                lease.mark_broken();
            }
        }
    }

private:
    Connections &current()
    {
        Connections *now = connections_.load();
        if (now->owner == getpid()) return *now;
        // The parent's are left as they are, never closed from here.
        auto *fresh = new Connections;
        if (connections_.compare_exchange_strong(now, fresh)) return *fresh;
        delete fresh;
        return *now;
    }

    // A session's connection that broke is reset (libpq keeps what it
    // needs to reconnect); one that cannot be fails with the cause.
    static void repair(const std::string &node, std::string_view user, PgStore &store)
    {
        store.reset();
        if (store.broken()) connect_failed(node, connect_error(store.conn()), std::string(user).c_str());
    }

    static std::string logon(routecore::NodePool &pool, const Credentials &c)
    {
        const std::string &node = pool.node();
        const NodeEntry entry = node_entry(node);
        if (entry.pooling == Pooling::Transaction)
            fail(TARN_ROUT_RC_POOLED_SESSION,
                 "Logon to " + node +
                     " refused: the node is reached through a pooler in transaction mode (tarn_pool_mode=transaction), "
                     "which keeps no connection for a session; map the node directly or in session mode to log on");
        std::size_t open = 0;
        if (pool.owners_full(c.localUser, open))
            fail(TARN_ROUT_RC_TOO_MANY_SESSIONS, "Logon to " + node + " refused: " + std::to_string(open) +
                                                     " sessions are open and KV_ROUTER_AGENTS is " +
                                                     std::to_string(settings().agents));
        pool.adopt(c.localUser, c.userId, [&]() -> std::unique_ptr<routecore::Store> {
            const Logon logon{c.userId, c.password};
            ConnectError error;
            PGconn *conn = open_connection(node, entry, &logon, error);
            if (!conn && error.usedPassword && error.kind == ConnectFailure::Credentials)
                fail(TARN_ROUTER_RC_LOGON_REFUSED, "Logon to " + node + " refused: unknown user or wrong password");
            if (!conn) connect_failed(node, error, nullptr);
            return adopt(conn, entry.pooling, c.userId);
        });
        return "User " + c.userId + " logged on to " + node;
    }

    // Open and alive: the connection answers (after one reset when it broke).
    static std::string verify(routecore::NodePool &pool, const Credentials &c)
    {
        std::string role;
        routecore::Lease lease = pool.lease_owned(c.localUser, &role);
        if (!lease || role != c.userId) fail(TARN_ROUTER_RC_NOT_LOGGED_ON, not_logged_on(pool.node(), c));
        auto &store = static_cast<PgStore &>(lease.store());
        auto alive = [&] {
            PGresult *probe = PQexec(store.conn(), "SELECT 1");
            const bool ok = PQresultStatus(probe) == PGRES_TUPLES_OK;
            PQclear(probe);
            return ok;
        };
        if (!alive()) {
            store.reset();
            if (store.broken() || !alive())
                fail(TARN_ROUTER_RC_NOT_LOGGED_ON, not_logged_on(pool.node(), c) +
                                                       ": the session's connection is lost (" +
                                                       connect_error(store.conn()).message + ")");
        }
        return "User " + c.userId + " is logged on to " + pool.node();
    }

    std::atomic<Connections *> connections_;
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
