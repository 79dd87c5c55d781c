// sessions.hpp - the session store: where a tool keeps its user's node
// sessions between runs, like a credential cache. A later run reads the
// session of (local user, node, router) and logs on again with it before
// its first request, so that a logon holds until logoff or expiry on every
// router (TarnRout opens a connection per process; TarnRpdb keeps sessions
// on the node).
//
// Where: $XDG_RUNTIME_DIR/<tool>/ when that variable names the user's
// private runtime directory (owned by the user, no access for others),
// else ~/.<tool>/sessions/ (also when it names another user's, as su
// leaves it). Each directory the store makes is mode 0700;
// each session is one file of mode 0600, written whole and renamed into
// place. A directory or file that is a link, belongs to another user or
// can be read by others is refused, never used or repaired.
//
// What a file holds: node, user id, local user, router module, when the
// session started and when it expires, and the password (hex-encoded, not
// encrypted: a PostgreSQL node needs the password itself to open the
// session's connection again). It is read into wiped buffers only.
#pragma once

#include "problem.hpp"
#include "secret.hpp"

#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace admcore {

// Whose session, on which node, through which router module.
struct SessionKey {
    std::string localUser, node, router;
};

struct StoredSession {
    SessionKey key;
    std::string userId;
    std::time_t started = 0, expires = 0;
    std::string path;  // the session's file

    bool expired(std::time_t now) const { return now >= expires; }
};

// A session of a listing, or the file that could not be used and why.
struct StoreEntry {
    StoredSession session;
    std::string problem;  // "" for a usable session
};

class SessionStore {
public:
    // The store of this process's user for `tool`; checks the directories
    // that exist and, with `create`, makes the missing ones. Problems are
    // Outcome::Usage, naming the path and what is wrong with it.
    static Result<SessionStore> open(std::string_view tool, bool create);

    const std::string &directory() const { return directory_; }

    // The session of `key` with its password in `secret`; nullopt when
    // none is stored. A file that cannot be trusted or read is a problem.
    Result<std::optional<StoredSession>> find(const SessionKey &key, Secret &secret) const;

    // Writes the session (replacing one of the same key); sets its path.
    Failure save(StoredSession &session, const Secret &secret) const;

    // Removes the session's file.
    Failure remove(const StoredSession &session) const;

    // Every file of the store, in name order; secrets are not read out.
    std::vector<StoreEntry> list() const;

private:
    explicit SessionStore(std::string directory) : directory_(std::move(directory)) {}
    std::string path_of(const SessionKey &key) const;
    std::string directory_;
};

// A duration as the tools write it: 90 or 90s, 30m, 8h, 2d; false for
// anything else (or more than ten years).
bool parse_duration(std::string_view text, long &seconds);

// A time as the tools show it, local: "2026-03-01 17:30:05 CET".
std::string format_time(std::time_t time);

}  // namespace admcore
