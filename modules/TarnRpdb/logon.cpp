// LOGON, LOGOFF and VERIFY on a node. USERS holds each user's salt, hash
// and iteration count (never a password); SESSIONS holds the logons that
// are open, keyed by the local user (the info's USERNAME) and the user id.
// These commands name no table: the info's OBJECT is not read.
#include "rpdb.hpp"

#include "contract/text.hpp"
#include "password.hpp"

#include <charconv>

namespace rpdb {

namespace {

struct Credentials {
    std::string localUser;
    std::string userId;
    std::string_view password;  // the action's own text
};

[[noreturn]] void bad_request(const Request &request, const std::string &problem)
{
    fail(TARN_RPDB_RC_BAD_REQUEST, std::string(request.word) + " " + problem);
}

// ID, and for LOGON PASSWORD: each exactly once, with EQ. Other fields are
// refused; values never go into a message but the user id.
Credentials read_credentials(const Request &request)
{
    const bool logon = request.command == Command::Logon;
    Credentials c;
    bool hasId = false, hasPassword = false;
    for (std::size_t i = 0; i < request.columns.size(); ++i) {
        std::string column(request.columns[i]);
        const bool isId = ze::equal_nocase(column, "ID");
        if (!isId && !(logon && ze::equal_nocase(column, "PASSWORD")))
            bad_request(request, "does not take the request field " + column);
        if (!ze::equal_nocase(request.relops[i], "EQ")) bad_request(request, "takes " + column + " with EQ only");
        bool &seen = isId ? hasId : hasPassword;
        if (seen) bad_request(request, "takes " + column + " only once");
        seen = true;
        if (isId) c.userId = request.values[i];
        else c.password = request.values[i];
    }
    if (c.userId.empty()) bad_request(request, "needs the request field ID EQ <user id>");
    if (logon && !hasPassword) bad_request(request, "needs the request field PASSWORD EQ <password>");
    c.localUser = request.user;
    if (c.localUser.empty()) bad_request(request, "names no local user (USERNAME is empty)");
    return c;
}

void require_logon_tables(sqlite3 *db, std::string_view node)
{
    Statement tables(db, "SELECT count(*) FROM sqlite_schema WHERE type = 'table' AND name IN ('USERS', 'SESSIONS')");
    if (!tables.step() || tables.view(0) != "2")
        fail(TARN_RPDB_RC_UNKNOWN_OBJECT,
             "Node " + std::string(node) + " keeps no logons: it has no USERS and SESSIONS tables");
}

std::string not_logged_on(const Credentials &c, std::string_view node)
{
    return "User " + c.userId + " is not logged on to " + std::string(node);
}

// The stored record of the user; false for an unknown user.
bool stored_record(sqlite3 *db, const std::string &userId, password::Record &record)
{
    Statement user(db, "SELECT SALT, HASH, ITERATIONS FROM USERS WHERE USER_ID = ?", {{userId}});
    if (!user.step()) return false;
    record.salt = user.view(0);
    record.hash = user.view(1);
    std::string_view count = user.view(2);
    if (std::from_chars(count.data(), count.data() + count.size(), record.iterations).ec != std::errc())
        record.iterations = 0;  // never matches
    return true;
}

// An unknown user is checked against the dummy record, so that the answer
// and the time it takes are those of a wrong password.
std::string logon(sqlite3 *db, std::string_view node, const Credentials &c)
{
    password::Record stored;
    const bool known = stored_record(db, c.userId, stored);
    const bool accepted = password::matches(c.password, known ? stored : password::dummy_record()) && known;
    if (!accepted)
        fail(TARN_RPDB_RC_LOGON_REFUSED,
             "Logon to " + std::string(node) + " refused: unknown user or wrong password");
    Statement open(db,
                   "INSERT INTO SESSIONS (LOCAL_USER, USER_ID, STARTED) VALUES (?, ?, datetime('now'))"
                   " ON CONFLICT (LOCAL_USER, USER_ID) DO UPDATE SET STARTED = excluded.STARTED",
                   {{c.localUser}, {c.userId}});
    open.step();
    return "User " + c.userId + " logged on to " + std::string(node);
}

std::string logoff(sqlite3 *db, std::string_view node, const Credentials &c)
{
    {
        Statement end(db, "DELETE FROM SESSIONS WHERE LOCAL_USER = ? AND USER_ID = ?", {{c.localUser}, {c.userId}});
        end.step();
    }
    if (sqlite3_changes(db) == 0) fail(TARN_RPDB_RC_NOT_LOGGED_ON, not_logged_on(c, node));
    return "User " + c.userId + " logged off from " + std::string(node);
}

std::string verify(sqlite3 *db, std::string_view node, const Credentials &c)
{
    Statement open(db, "SELECT 1 FROM SESSIONS WHERE LOCAL_USER = ? AND USER_ID = ?", {{c.localUser}, {c.userId}});
    if (!open.step()) fail(TARN_RPDB_RC_NOT_LOGGED_ON, not_logged_on(c, node));
    return "User " + c.userId + " is logged on to " + std::string(node);
}

}  // namespace

bool is_session_command(Command command)
{
    return command == Command::Logon || command == Command::Logoff || command == Command::Verify;
}

bool is_logon_table(std::string_view table)
{
    return ze::equal_nocase(table, "USERS") || ze::equal_nocase(table, "SESSIONS");
}

std::string run_session(const Request &request, sqlite3 *db)
{
    const Credentials credentials = read_credentials(request);
    require_logon_tables(db, request.node);
    switch (request.command) {
    case Command::Logon: return logon(db, request.node, credentials);
    case Command::Logoff: return logoff(db, request.node, credentials);
    default: return verify(db, request.node, credentials);
    }
}

}  // namespace rpdb
