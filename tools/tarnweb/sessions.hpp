// sessions.hpp - the console's cookie sessions, kept in memory. Each is one
// node user's logon, made for a local user name of its own (tarnweb- and 16
// random hex digits, drawn apart from the cookie so that no part of it shows
// in the node's session table or the trace), so two people logged on to one
// node never share the router's session of a (local user, node) pair; with
// the objects opened for it. A request holds the session's turn while it uses the objects: one
// thread at a time. A session idle for longer than the idle time is logged
// off and forgotten.
#pragma once

#include "kinds.hpp"
#include "logons.hpp"
#include "problem.hpp"
#include "settings.hpp"

#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>

namespace tarnweb {

struct WebSession {
    std::string id;    // the cookie's value: 64 random hex digits
    std::string csrf;  // the token every write carries (X-CSRF-Token)
    std::string node, userId;
    admcore::Settings settings;         // node, local user, data directory, router, language
    std::mutex turn;                    // held by the request that uses the objects
    admcore::Kinds kinds;               // the objects, created on first use
    admcore::Logons logons{"tarnweb"};  // its logon (never kept in a session store)
    // Field descriptions by kind, read once per session.
    std::map<std::string, std::vector<admcore::FieldDescription>> descriptions;
    bool open = true;  // false once logged off: a request that waited for the turn stops
};

// `bytes` random bytes as hex digits (getrandom).
std::string random_hex(std::size_t bytes);

class SessionStore {
public:
    // Sessions made with the data directory, router and language of `base`.
    SessionStore(admcore::Settings base, std::chrono::seconds idle);
    ~SessionStore();
    SessionStore(const SessionStore &) = delete;
    SessionStore &operator=(const SessionStore &) = delete;

    // Logs `userId` on to `node` and keeps a new session for it.
    admcore::Result<std::shared_ptr<WebSession>> open(const std::string &node, const std::string &userId,
                                                      const std::string &password);
    // The live session of `id`, whose idle time starts again; NULL when none.
    std::shared_ptr<WebSession> find(const std::string &id);
    // The session of `id` without touching its idle time (for the access log).
    std::shared_ptr<WebSession> peek(const std::string &id);
    // Logs the session off (after the request that holds its turn) and forgets it.
    admcore::Failure close(const std::shared_ptr<WebSession> &session);
    // Logs every session off; the store takes no new one afterwards.
    void close_all();
    std::size_t size();

private:
    struct Entry {
        std::shared_ptr<WebSession> session;
        std::chrono::steady_clock::time_point lastUsed;
    };
    admcore::Failure log_off(WebSession &session);
    void sweep();

    admcore::Settings base_;
    std::chrono::seconds idle_;
    std::mutex lock_;
    std::condition_variable wake_;
    std::unordered_map<std::string, Entry> sessions_;
    bool closing_ = false;
    std::thread sweeper_;
};

}  // namespace tarnweb
