// Opening TarnRout's connections: the node map's keywords with the router's
// own settings (time limits, TCP keepalives, date style) and, for a logon,
// role and password; and a connection that failed, told by its cause.
#pragma once

#include "node_map.hpp"

#include <libpq-fe.h>

#include <string>
#include <string_view>

namespace rout {

// The router's settings, read once.
struct Settings {
    int timeout;  // KV_ROUTER_TIMEOUT: seconds for connecting, each statement and each lock wait; 0: none
    int agents;   // KV_ROUTER_AGENTS: connections per node
    int wait;     // KV_ROUTER_WAIT: seconds before trying a node that cannot be reached once more
};
const Settings &settings();

// The role and password of a logon.
struct Logon {
    std::string_view role;
    std::string_view password;
};

// What stopped a connection.
enum class ConnectFailure {
    Unreachable,  // nothing answered: down, wrong address, timed out
    Refused,      // the server refused it: its access rules, too many connections, a role that may not log in
    Tls,          // no TLS connection: certificates, host name, a client certificate missing
    Credentials,  // the server refused role or password
    NoDatabase,   // the database named does not exist on the server
    Memory,
};

struct ConnectError {
    ConnectFailure kind = ConnectFailure::Unreachable;
    std::string message;  // libpq's text (never a password)
    bool usedPassword = false;
};

// Opens a connection to node `node` with its entry and, for a session, the
// logon's role and password. Null, with `error` filled, when it fails.
PGconn *open_connection(const std::string &node, const NodeEntry &entry, const Logon *logon, ConnectError &error);

// Why connection `conn` could not be made or repaired.
ConnectError connect_error(PGconn *conn);

// Fails with the code and message of a failed connection of node `node`:
// 1012 (unreachable, refused), 1020 (TLS), 1016 (no such database), 1021
// (a session's credentials refused; `session` names its local user), 1011
// (the node map's credentials refused: `session` NULL), 3.
[[noreturn]] void connect_failed(const std::string &node, const ConnectError &error, const char *session);

// What a request runs first on a node reached through a pooler, which
// keeps no setting from one transaction to the next: BEGIN with the time
// limits and the date style set for the transaction alone.
std::string pooled_begin(bool writes);

}  // namespace rout
