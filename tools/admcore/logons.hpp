// logons.hpp - logon and logoff of node users for the tools, and the
// sessions of the store (sessions.hpp) kept in force across runs.
//
// A session belongs to (local user, node, router). Before a request to a
// node, ensure() brings the session the store holds for it into this
// process by logging on again with its password (the same call on every
// router, so that a logon, a later request, a logoff and an expiry mean the
// same on TarnRpdb, which keeps sessions on the node, and on TarnRout,
// which keeps one connection per process). A session that expired is ended
// and removed; one that cannot be brought back (wrong password now, node
// down) is a problem. In every such case nothing is sent: a request never
// runs with the node map's credentials while the user believes a session
// is open.
//
// Any process that has held a password (a logon, a session brought back)
// is made non-dumpable: no core file is written and other processes of the
// user cannot read its memory, since libpq keeps an open session's password
// to reconnect it.
#pragma once

#include "secret.hpp"
#include "sessions.hpp"
#include "settings.hpp"

#include <map>

namespace admcore {

// Eight hours.
inline constexpr long kDefaultSessionLifetime = 8L * 3600;

// Marks the process non-dumpable (see above); harmless when repeated.
void protect_process_memory();

class Logons {
public:
    // `tool` names the session store (SessionStore::open). A Logons serves
    // one thread at a time.
    explicit Logons(std::string tool) : tool_(std::move(tool)) {}

    // Logs on to settings.node as `userId`. With `lifetime` above 0 the
    // session is kept in the store until then (a session that cannot be
    // kept is logged off again and reported).
    Result<StoredSession> logon(const Settings &settings, const std::string &userId, const Secret &password,
                                long lifetime);

    // Ends the stored session of settings.node (on the node too) and
    // removes it; without one, logs `userId` off the node. `userId` ""
    // means the stored session's user. The user logged off.
    Result<std::string> logoff(const Settings &settings, const std::string &userId);

    // Logs `userId` off settings.node, leaving the store alone (the end of
    // a logon made with a lifetime of 0).
    Failure logoff_node(const Settings &settings, const std::string &userId)
    {
        return call_logoff(settings, userId, false, "logoff of " + userId + " from " + settings.node + " failed");
    }

    // Before a request to settings.node: the stored session in force in
    // this process, or the problem that stops the request.
    Failure ensure(const Settings &settings);

    // This process no longer holds what ensure() established for the node
    // (another logon or logoff replaced it): the next ensure() logs on again.
    void forget(const Settings &settings);

    // The session store, opened (and made, with `create`).
    Result<SessionStore> store(bool create) const { return SessionStore::open(tool_, create); }

    // The key of settings' node, local user and router.
    static SessionKey key_of(const Settings &settings);

private:
    Failure call_logon(const Settings &settings, const std::string &userId, const Secret &password,
                       const std::string &what);
    Failure call_logoff(const Settings &settings, const std::string &userId, bool notLoggedOnIsFine,
                        const std::string &what);
    Problem ended(const Settings &settings, const std::string &userId, std::string why);

    struct Held {
        std::string userId;
        std::time_t started;
    };
    std::string tool_;
    std::map<std::string, Held> held_;  // by key: sessions this process brought back
};

}  // namespace admcore
