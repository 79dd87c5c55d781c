// LOGON, LOGOFF and VERIFY on a demo node, and what a session may do.
// USERS holds each user's salt, hash, iteration count (never a password)
// and access; SESSIONS holds the logons that are open, keyed by the local
// user (the info's USERNAME) and the user id, at most one per local user.
// These commands name no table: the info's OBJECT is not read.
#include "rpdb.hpp"

#include "password.hpp"

#include <charconv>

namespace rpdb {

using routecore::Command;
using routecore::Credentials;

namespace {

void require_logon_tables(SqliteStore &store, std::string_view node)
{
    auto tables =
        store.run("SELECT count(*) FROM sqlite_schema WHERE type = 'table' AND name IN ('USERS', 'SESSIONS')", {});
    if (!tables->step() || tables->value(0) != "2")
        fail(TARN_ROUTER_RC_UNKNOWN_OBJECT,
             "Node " + std::string(node) + " keeps no logons: it has no USERS and SESSIONS tables");
}

std::string not_logged_on(const Credentials &c, std::string_view node)
{
    return "User " + c.userId + " is not logged on to " + std::string(node);
}

// The stored record of the user; false for an unknown user.
bool stored_record(SqliteStore &store, const std::string &userId, tarn::password::Record &record)
{
    auto user = store.run("SELECT SALT, HASH, ITERATIONS FROM USERS WHERE USER_ID = ?", {{userId}});
    if (!user->step()) return false;
    record.salt = user->value(0);
    record.hash = user->value(1);
    std::string_view count = user->value(2);
    if (std::from_chars(count.data(), count.data() + count.size(), record.iterations).ec != std::errc())
        record.iterations = 0;  // never matches
    return true;
}

// An unknown user is checked against the dummy record, so that the answer
// and the time it takes are those of a wrong password.
std::string logon(SqliteStore &store, std::string_view node, const Credentials &c)
{
    tarn::password::Record stored;
    const bool known = stored_record(store, c.userId, stored);
    const bool accepted = tarn::password::matches(c.password, known ? stored : tarn::password::dummy_record()) && known;
    if (!accepted)
        fail(TARN_ROUTER_RC_LOGON_REFUSED,
             "Logon to " + std::string(node) + " refused: unknown user or wrong password");
    // The local user's session is replaced, as a second logon replaces the
    // session's connection on TarnRout.
    store.begin(true);
    try {
        exec(store, "DELETE FROM SESSIONS WHERE LOCAL_USER = ?", {{c.localUser}});
        exec(store, "INSERT INTO SESSIONS (LOCAL_USER, USER_ID, STARTED) VALUES (?, ?, datetime('now'))",
             {{c.localUser}, {c.userId}});
        store.commit();
    } catch (...) {
        store.rollback();
        throw;
    }
    return "User " + c.userId + " logged on to " + std::string(node);
}

std::string logoff(SqliteStore &store, std::string_view node, const Credentials &c)
{
    exec(store, "DELETE FROM SESSIONS WHERE LOCAL_USER = ? AND USER_ID = ?", {{c.localUser}, {c.userId}});
    if (sqlite3_changes(store.db()) == 0) fail(TARN_ROUTER_RC_NOT_LOGGED_ON, not_logged_on(c, node));
    return "User " + c.userId + " logged off from " + std::string(node);
}

std::string verify(SqliteStore &store, std::string_view node, const Credentials &c)
{
    auto open = store.run("SELECT 1 FROM SESSIONS WHERE LOCAL_USER = ? AND USER_ID = ?", {{c.localUser}, {c.userId}});
    if (!open->step()) fail(TARN_ROUTER_RC_NOT_LOGGED_ON, not_logged_on(c, node));
    return "User " + c.userId + " is logged on to " + std::string(node);
}

}  // namespace

void require_write_access(SqliteStore &store, const routecore::Request &request)
{
    auto tables =
        store.run("SELECT count(*) FROM sqlite_schema WHERE type = 'table' AND name IN ('USERS', 'SESSIONS')", {});
    if (!tables->step() || tables->value(0) != "2") return;
    tables.reset();
    auto reader = store.run("SELECT S.USER_ID FROM SESSIONS S JOIN USERS U ON U.USER_ID = S.USER_ID"
                            " WHERE S.LOCAL_USER = ? AND U.ACCESS = 'READ'",
                            {{std::string(request.user)}});
    if (!reader->step()) return;
    fail(TARN_ROUTER_RC_PERMISSION_DENIED, std::string(request.word) + " on " + std::string(request.object) +
                                               " refused by node " + std::string(request.node) + ": user " +
                                               std::string(reader->value(0)) + " may only read");
}

bool is_logon_table(std::string_view table)
{
    return routecore::equal_nocase(table, "USERS") || routecore::equal_nocase(table, "SESSIONS");
}

// Each statement commits by itself, so the slow password check holds no
// lock on the node.
std::string run_session(const routecore::Request &request, const Credentials &credentials, SqliteStore &store)
{
    require_logon_tables(store, request.node);
    switch (request.command) {
    case Command::Logon: return logon(store, request.node, credentials);
    case Command::Logoff: return logoff(store, request.node, credentials);
    default: return verify(store, request.node, credentials);
    }
}

}  // namespace rpdb
