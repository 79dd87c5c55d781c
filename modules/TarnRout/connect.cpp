// Connections of TarnRout. A node reached directly gets its time limits and
// date style as options of the connection, which libpq sends again on
// every reconnection (a reset, the next host of a failover): no connection
// ever runs without them. Through a pooler, whose server connections pass
// from client to client, each transaction sets them for itself.
#include "connect.hpp"

#include "TarnRout.h"
#include "ZeEnv.h"
#include "routecore.hpp"

#include "TarnUtil.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <string.h>

#include <algorithm>
#include <array>

namespace rout {

using routecore::fail;

namespace {

constexpr int kDefaultTimeout = 30;
constexpr int kMaxTimeout = 86400;
constexpr int kDefaultAgents = 4;
constexpr int kMaxAgents = 1000;
constexpr int kDefaultWait = 1;
constexpr int kMaxWait = 3600;

// TCP keepalives for remote nodes, unless the map sets its own: a peer that
// vanished is noticed after about a minute of silence instead of the
// system's two hours. libpq ignores them on Unix sockets.
constexpr std::array<std::pair<const char *, const char *>, 4> kKeepalives{{
    {"keepalives", "1"},
    {"keepalives_idle", "30"},
    {"keepalives_interval", "10"},
    {"keepalives_count", "3"},
}};

bool has_keyword(const Keywords &keywords, std::string_view name)
{
    return std::any_of(keywords.begin(), keywords.end(), [&](const auto &entry) { return entry.first == name; });
}

std::string milliseconds(int seconds) { return std::to_string(seconds * 1000); }

// The options a direct connection starts with: dates in ISO form, and the
// time limits of every statement and lock wait.
std::string connection_options()
{
    std::string options = "-c datestyle=ISO";
    if (const int timeout = settings().timeout; timeout > 0)
        options += " -c statement_timeout=" + milliseconds(timeout) + " -c lock_timeout=" + milliseconds(timeout);
    return options;
}

void add_settings(Keywords &keywords, Pooling pooling)
{
    const int timeout = settings().timeout;
    if (timeout > 0 && !has_keyword(keywords, "connect_timeout"))
        keywords.emplace_back("connect_timeout", std::to_string(std::max(timeout, 2)));
    for (const auto &[name, value] : kKeepalives)
        if (!has_keyword(keywords, name)) keywords.emplace_back(name, value);
    keywords.emplace_back("fallback_application_name", "TarnRout");
    if (pooling != Pooling::None) return;  // a pooler refuses options; each transaction sets them
    for (auto &[name, value] : keywords)
        if (name == "options") {
            value += " " + connection_options();
            return;
        }
    keywords.emplace_back("options", connection_options());
}

bool contains(std::string_view text, std::string_view part) { return text.find(part) != std::string_view::npos; }

// The cause of a failed connection, from libpq's text: libpq reports a
// failed connection by text alone (the server's messages included), so its
// wording is matched; a text in another language falls back to Unreachable.
ConnectFailure failure_kind(std::string_view text)
{
    for (std::string_view refused : {"pg_hba.conf", "too many clients", "connection slots are reserved",
                                     "is not permitted to log in", "not allowed to connect"})
        if (contains(text, refused)) return ConnectFailure::Refused;
    if (contains(text, "password authentication failed") || contains(text, "no password supplied") ||
        (contains(text, "role \"") && contains(text, "does not exist")))
        return ConnectFailure::Credentials;
    if (contains(text, "database \"") && contains(text, "does not exist")) return ConnectFailure::NoDatabase;
    if (contains(text, "SSL") || contains(text, "certificate")) return ConnectFailure::Tls;
    return ConnectFailure::Unreachable;
}

// A host of the machine itself: a Unix socket (libpq's default when no host
// is given), localhost, or a loopback address.
bool is_loopback(std::string_view host)
{
    if (host.empty() || host.front() == '/' || host.front() == '@' || routecore::equal_nocase(host, "localhost"))
        return true;
    const std::string text(host);
    in_addr v4{};
    in6_addr v6{};
    if (inet_pton(AF_INET, text.c_str(), &v4) == 1) return (ntohl(v4.s_addr) >> 24) == 127;
    if (inet_pton(AF_INET6, text.c_str(), &v6) == 1)
        return IN6_IS_ADDR_LOOPBACK(&v6) || (IN6_IS_ADDR_V4MAPPED(&v6) && v6.s6_addr[12] == 127);
    return false;
}

std::vector<std::string_view> split_list(std::string_view list)
{
    std::vector<std::string_view> items;
    for (std::size_t start = 0;;) {
        const std::size_t comma = list.find(',', start);
        items.push_back(list.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
        if (comma == std::string_view::npos) return items;
        start = comma + 1;
    }
}

// The first host of the connection's list outside this machine (an address
// given by hostaddr counts over the name), or "".
std::string remote_host(std::string_view hosts, std::string_view addresses)
{
    const std::vector<std::string_view> names = split_list(hosts), numbers = split_list(addresses);
    for (std::size_t i = 0; i < std::max(names.size(), numbers.size()); ++i) {
        const std::string_view name = i < names.size() ? names[i] : "";
        const std::string_view number = i < numbers.size() ? numbers[i] : "";
        const std::string_view reached = number.empty() ? name : number;
        if (!is_loopback(reached)) return std::string(reached);
    }
    return {};
}

// Traces a warning for a connection to another machine whose sslmode checks
// less than verify-full, naming the checks it skips, so that an administrator
// sees a man-in-the-middle risk. Reads the options libpq used (map, service
// file, environment, defaults), whether or not the connection was made.
void warn_weak_tls(const std::string &node, PGconn *conn)
{
    std::string sslmode, hosts, addresses;
    if (PQconninfoOption *options = PQconninfo(conn)) {
        for (const PQconninfoOption *o = options; o->keyword; ++o) {
            const std::string_view keyword(o->keyword);
            std::string *into = keyword == "sslmode"    ? &sslmode
                                : keyword == "host"     ? &hosts
                                : keyword == "hostaddr" ? &addresses
                                                        : nullptr;
            if (into && o->val) *into = o->val;
        }
        PQconninfoFree(options);
    }
    if (sslmode == "verify-full") return;
    const std::string host = remote_host(hosts, addresses);
    if (host.empty()) return;
    const char *risk = sslmode == "verify-ca" ? "the server's host name is not checked"
                       : sslmode == "require" ? "the server's certificate is not checked"
                                              : "the connection may go unencrypted and the server is not checked";
    TarnTrace("+++ TarnRout: node %s: sslmode=%s to %s, a host outside this machine: %s (use sslmode=verify-full)",
              node.c_str(), sslmode.c_str(), host.c_str(), risk);
}

}  // namespace

const Settings &settings()
{
    static const Settings read{
        routecore::setting(ZE_ENV_KV_ROUTER_TIMEOUT, kDefaultTimeout, kMaxTimeout),
        std::max(1, routecore::setting(ZE_ENV_KV_ROUTER_AGENTS, kDefaultAgents, kMaxAgents)),
        routecore::setting(ZE_ENV_KV_ROUTER_WAIT, kDefaultWait, kMaxWait),
    };
    return read;
}

ConnectError connect_error(PGconn *conn)
{
    std::string message(routecore::view(PQerrorMessage(conn)));
    while (!message.empty() && (message.back() == '\n' || message.back() == ' ')) message.pop_back();
    const ConnectFailure kind = failure_kind(message);
    return {kind, std::move(message), PQconnectionUsedPassword(conn) != 0};
}

PGconn *open_connection(const std::string &node, const NodeEntry &entry, const Logon *logon, ConnectError &error)
{
    Keywords keywords = entry.keywords;
    if (logon) {
        std::erase_if(keywords, [](const auto &keyword) { return keyword.first == "user"; });
        keywords.emplace_back("user", logon->role);
    }
    add_settings(keywords, entry.pooling);
    std::string password;
    std::vector<const char *> names, values;
    for (const auto &[name, value] : keywords) {
        names.push_back(name.c_str());
        values.push_back(value.c_str());
    }
    if (logon) {
        password.assign(logon->password);
        names.push_back("password");
        values.push_back(password.c_str());
    }
    names.push_back(nullptr);
    values.push_back(nullptr);
    if (ZeEnvBool(ZE_ENV_KV_ROUTER_DEBUG))
        TarnTrace("TarnRout: connecting to node %s as %s", node.c_str(),
                  logon ? std::string(logon->role).c_str() : "the map's user");
    PGconn *conn = PQconnectdbParams(names.data(), values.data(), 0);
    explicit_bzero(password.data(), password.size());
    if (!conn) {
        error = {ConnectFailure::Memory, "out of memory", false};
        return nullptr;
    }
    warn_weak_tls(node, conn);
    if (PQstatus(conn) != CONNECTION_OK) {
        error = connect_error(conn);
        PQfinish(conn);
        return nullptr;
    }
    return conn;
}

void connect_failed(const std::string &node, const ConnectError &error, const char *session)
{
    switch (error.kind) {
    case ConnectFailure::Memory: fail(ZE_RC_NO_MEMORY, "Node " + node + ": out of memory while connecting");
    case ConnectFailure::Refused:
        fail(TARN_ROUT_RC_NODE_UNREACHABLE, "Node " + node + " refused the connection: " + error.message);
    case ConnectFailure::Tls:
        fail(TARN_ROUT_RC_TLS_FAILED, "Node " + node + ": no TLS connection could be made: " + error.message);
    case ConnectFailure::NoDatabase:
        fail(TARN_ROUT_RC_BAD_NODE_MAP,
             "Node " + node + ": the database of its map entry does not exist on the server: " + error.message);
    case ConnectFailure::Credentials:
        if (session)
            fail(TARN_ROUT_RC_CREDENTIALS_REFUSED,
                 "Node " + node + " no longer accepts the session of " + session +
                     " (its password may have expired or been changed; log on again): " + error.message);
        fail(TARN_ROUT_RC_PERMISSION_DENIED,
             "Node " + node + " refuses the credentials of its map entry: " + error.message);
    case ConnectFailure::Unreachable: break;
    }
    fail(TARN_ROUT_RC_NODE_UNREACHABLE, "Node " + node + " cannot be reached: " + error.message);
}

std::string pooled_begin(bool writes)
{
    std::string sql = writes ? "BEGIN; SET LOCAL datestyle = ISO" : "BEGIN READ ONLY; SET LOCAL datestyle = ISO";
    if (const int timeout = settings().timeout; timeout > 0)
        sql += "; SET LOCAL statement_timeout = " + milliseconds(timeout) +
               "; SET LOCAL lock_timeout = " + milliseconds(timeout);
    return sql;
}

}  // namespace rout
