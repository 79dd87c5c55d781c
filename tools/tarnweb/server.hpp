// server.hpp - the console: an HTTP(S) server (cpp-httplib) on a pool of
// worker threads, its route table, and what every request goes through
// before its handler: the session from the cookie (401 without), the CSRF
// token of a write (403 without), the session's node, the session's turn;
// security headers on every answer, and one access-log line without
// secrets per request.
#pragma once

#include "options.hpp"
#include "reply.hpp"
#include "sessions.hpp"

#include <cstdio>
#include <memory>
#include <span>

namespace tarnweb {

class Console;

// One API request as its handler sees it. A handler with a session holds
// the session's turn while it runs.
struct Call {
    const httplib::Request &req;
    httplib::Response &res;
    Console &console;
    std::shared_ptr<WebSession> session;  // NULL for a public route
    bool closeSession = false;            // log the session off once its turn is released
};

using Handler = void (*)(Call &call);

// Route flags.
enum : unsigned {
    kPublic = 1,  // needs no session
    kWrite = 2,   // changes something: needs the session's CSRF token
    kNode = 4,    // the path's first part names the node: it must be the session's
};

struct Route {
    const char *method;   // GET, POST, PATCH, DELETE
    const char *pattern;  // a regular expression over the decoded path
    Handler handler;
    unsigned flags;
};

// The API's routes (api.cpp).
std::span<const Route> api_routes();

constexpr const char *kSessionCookie = "tarnweb_session";

class Console {
public:
    explicit Console(const Options &options);
    ~Console();
    Console(const Console &) = delete;
    Console &operator=(const Console &) = delete;

    // Binds the listening socket: the console's URL, or "" with `error` set.
    std::string bind(std::string &error);
    // Serves until stop(); then logs every session off.
    void run();
    // Stops serving (any thread; not from a signal handler).
    void stop();

    const Options &options() const { return options_; }
    SessionStore &sessions() { return sessions_; }
    bool tls() const { return !options_.cert.empty(); }
    // The Set-Cookie value that gives, or (an empty id) removes, the session cookie.
    std::string session_cookie(const std::string &id) const;

private:
    void add_routes();
    void serve(const Route &route, const httplib::Request &req, httplib::Response &res);
    bool allowed(const Route &route, Call &call);
    void log(const httplib::Request &req, const httplib::Response &res);

    Options options_;
    SessionStore sessions_;
    std::unique_ptr<httplib::Server> server_;
    std::FILE *accessLog_ = nullptr;
    std::mutex logLock_;
};

}  // namespace tarnweb
