// TarnRpdb: the demo router. router_client carries out one request on the
// SQLite database of its node through the shared command core; the
// contract is described in include/TarnRouter.h and TarnRpdb.h.
#include "rpdb.hpp"

namespace rpdb {

namespace {

class SqliteBackend : public routecore::Backend {
public:
    const char *name() const override { return "TarnRpdb"; }
    // A write of a local user whose session may only read is refused before it starts.
    routecore::Lease lease(const routecore::Request &request) override
    {
        routecore::Lease lease = node_lease(request.node);
        if (request.writes()) require_write_access(static_cast<SqliteStore &>(lease.store()), request);
        return lease;
    }
    std::string session(const routecore::Request &request, const routecore::Credentials &credentials) override
    {
        routecore::Lease lease = node_lease(request.node);
        return run_session(request, credentials, static_cast<SqliteStore &>(lease.store()));
    }
    // A demo node is a file of this machine, opened to show that it is one:
    // no TLS, no standby, only the engine's version to tell.
    std::string status(const routecore::Request &request) override
    {
        routecore::Lease lease = node_lease(request.node);
        return routecore::status_message({{"version", std::string("SQLite ") + sqlite3_libversion()}});
    }
};

}  // namespace

}  // namespace rpdb

namespace {

// One back end for single requests and batches alike.
rpdb::SqliteBackend &backend()
{
    static rpdb::SqliteBackend backend;
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
