// server.cpp - the HTTP server, its routes, the checks before each
// handler, the security headers and the access log.
#include "server.hpp"

#include "assets.hpp"

#include <chrono>
#include <ctime>
#include <regex>

namespace tarnweb {
namespace {

using Clock = std::chrono::steady_clock;

// When the request the calling worker serves came in (each request is
// served start to end on one thread).
thread_local Clock::time_point t_started;

constexpr const char *kPolicy = "default-src 'self'; script-src 'self'; style-src 'self'; img-src 'self' data:; "
                                "connect-src 'self'; frame-ancestors 'none'; base-uri 'none'; form-action 'self'";

// Text for the log: control characters and quotes become '?'.
std::string printable(std::string_view text)
{
    std::string out(text.substr(0, 512));
    for (char &c : out)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f || c == '"') c = '?';
    return out;
}

std::string utc_now()
{
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    gmtime_r(&now, &tm);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &tm);
    return text;
}

void send_asset(httplib::Response &res, const Asset &asset)
{
    res.set_content(reinterpret_cast<const char *>(asset.data), asset.size, asset.type);
    res.set_header("Cache-Control", "no-cache");
}

}  // namespace

Console::Console(const Options &options)
    : options_(options), sessions_(options.settings, std::chrono::seconds(options.idleSeconds))
{
    if (tls()) server_ = std::make_unique<httplib::SSLServer>(options_.cert.c_str(), options_.key.c_str());
    else server_ = std::make_unique<httplib::Server>();
    if (options_.accessLog.empty()) accessLog_ = stderr;
    else if (options_.accessLog != "-") accessLog_ = std::fopen(options_.accessLog.c_str(), "a");

    const unsigned threads = options_.threads;
    server_->new_task_queue = [threads] { return new httplib::ThreadPool(threads); };
    server_->set_payload_max_length(static_cast<std::size_t>(options_.maxBodyKiB) * 1024);
    server_->set_tcp_nodelay(true);
    // An idle kept-alive connection holds a worker: let it go soon.
    server_->set_keep_alive_timeout(2);
    server_->set_read_timeout(10);
    server_->set_write_timeout(30);
    httplib::Headers headers = {{"X-Content-Type-Options", "nosniff"},
                                {"X-Frame-Options", "DENY"},
                                {"Referrer-Policy", "no-referrer"},
                                {"Content-Security-Policy", kPolicy}};
    if (tls()) headers.emplace("Strict-Transport-Security", "max-age=31536000");
    server_->set_default_headers(headers);
    server_->set_pre_routing_handler([](const httplib::Request &, httplib::Response &) {
        t_started = Clock::now();
        return httplib::Server::HandlerResponse::Unhandled;
    });
    server_->set_logger([this](const httplib::Request &req, const httplib::Response &res) { log(req, res); });
    server_->set_exception_handler([](const httplib::Request &, httplib::Response &res, std::exception_ptr) {
        send_error(res, 500, "internal failure");
    });
    // Answers without a body (no route, a body too large, a bad request line) get one.
    server_->set_error_handler(
        httplib::Server::HandlerWithResponse([](const httplib::Request &req, httplib::Response &res) {
            if (!res.body.empty()) return httplib::Server::HandlerResponse::Unhandled;
            if (req.path.rfind("/api/", 0) == 0 || res.status != 404)
                send_error(res, res.status, res.status == 404 ? "no such resource" : "the request was refused");
            else res.set_content("Not found\n", "text/plain");
            return httplib::Server::HandlerResponse::Handled;
        }));
    add_routes();
}

Console::~Console()
{
    if (accessLog_ && accessLog_ != stderr) std::fclose(accessLog_);
}

void Console::add_routes()
{
    for (const Route &route : api_routes()) {
        auto handler = [this, &route](const httplib::Request &req, httplib::Response &res) { serve(route, req, res); };
        const std::string_view method = route.method;
        if (method == "GET") server_->Get(route.pattern, handler);
        else if (method == "POST") server_->Post(route.pattern, handler);
        else if (method == "PATCH") server_->Patch(route.pattern, handler);
        else if (method == "DELETE") server_->Delete(route.pattern, handler);
    }
    server_->Get("/api/v1/openapi.json", [](const httplib::Request &, httplib::Response &res) {
        send_asset(res, *find_asset("/openapi.json"));
    });
    server_->Get("/",
                 [](const httplib::Request &, httplib::Response &res) { send_asset(res, *find_asset("/index.html")); });
    server_->Get(R"(/[a-z]+\.(js|css|svg))", [](const httplib::Request &req, httplib::Response &res) {
        if (const Asset *asset = find_asset(req.path)) send_asset(res, *asset);
        else res.status = 404;
    });
    // A path the API knows under another method: 405 with the methods it takes.
    auto other_method = [](const httplib::Request &req, httplib::Response &res) {
        std::string allow;
        for (const Route &route : api_routes())
            if (std::regex_match(req.path, std::regex(route.pattern)))
                allow += (allow.empty() ? "" : ", ") + std::string(route.method);
        if (allow.empty()) return send_error(res, 404, "no such resource");
        res.set_header("Allow", allow);
        send_error(res, 405, req.method + " is not served here (" + allow + ")");
    };
    server_->Get("/api/.*", other_method);
    server_->Post("/api/.*", other_method);
    server_->Patch("/api/.*", other_method);
    server_->Delete("/api/.*", other_method);
    server_->Put("/api/.*", other_method);
}

std::string Console::session_cookie(const std::string &id) const
{
    std::string cookie = std::string(kSessionCookie) + "=" + id + "; Path=/; HttpOnly; SameSite=Strict";
    if (id.empty()) cookie += "; Max-Age=0";
    if (tls()) cookie += "; Secure";
    return cookie;
}

bool Console::allowed(const Route &route, Call &call)
{
    for (char c : call.req.path)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
            send_error(call.res, 400, "the path holds a control character");
            return false;
        }
    if (route.flags & kPublic) return true;
    const std::string id = cookie_value(call.req, kSessionCookie);
    call.session = id.empty() ? nullptr : sessions_.find(id);
    if (!call.session) {
        send_error(call.res, 401, "no session: log on with POST /api/v1/session");
        return false;
    }
    if ((route.flags & kWrite) && !same_secret(call.req.get_header_value("X-CSRF-Token"), call.session->csrf)) {
        send_error(call.res, 403, "a change needs the session's CSRF token in the X-CSRF-Token header");
        return false;
    }
    if ((route.flags & kNode) && call.req.matches[1] != call.session->node) {
        send_error(call.res, 403, "this session is logged on to node " + call.session->node);
        return false;
    }
    return true;
}

void Console::serve(const Route &route, const httplib::Request &req, httplib::Response &res)
{
    res.set_header("Cache-Control", "no-store");
    Call call{req, res, *this, nullptr};
    if (!allowed(route, call)) return;
    {
        std::unique_lock<std::mutex> turn;
        if (call.session) {
            turn = std::unique_lock<std::mutex>(call.session->turn);
            if (!call.session->open) return send_error(res, 401, "the session has ended: log on again");
        }
        route.handler(call);
    }
    if (call.closeSession) sessions_.close(call.session);
}

void Console::log(const httplib::Request &req, const httplib::Response &res)
{
    if (!accessLog_) return;
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - t_started).count();
    std::string who = "-";
    const std::string id = cookie_value(req, kSessionCookie);
    if (std::shared_ptr<WebSession> session = id.empty() ? nullptr : sessions_.peek(id))
        who = printable(session->userId + "@" + session->node);
    std::lock_guard<std::mutex> hold(logLock_);
    std::fprintf(accessLog_, "%s %s [%s] \"%s %s %s\" %d %zu %.1fms\n", req.remote_addr.c_str(), who.c_str(),
                 utc_now().c_str(), printable(req.method).c_str(), printable(req.path).c_str(),
                 printable(req.version).c_str(), res.status, res.body.size(), ms);
    std::fflush(accessLog_);
}

std::string Console::bind(std::string &error)
{
    if (!server_->is_valid()) {
        error = "cannot use the certificate " + options_.cert + " and key " + options_.key;
        return {};
    }
    if (!options_.accessLog.empty() && options_.accessLog != "-" && !accessLog_) {
        error = "cannot write the access log " + options_.accessLog;
        return {};
    }
    std::string host;
    int port = 0;
    split_listen(options_.listen, host, port);
    if (port == 0) port = server_->bind_to_any_port(host);
    else if (!server_->bind_to_port(host, port)) port = -1;
    if (port <= 0) {
        error = "cannot listen on " + options_.listen;
        return {};
    }
    const std::string shownHost = host.find(':') != std::string::npos ? "[" + host + "]" : host;
    return std::string(tls() ? "https://" : "http://") + shownHost + ":" + std::to_string(port) + "/";
}

void Console::run()
{
    server_->listen_after_bind();
    sessions_.close_all();
}

void Console::stop() { server_->stop(); }

}  // namespace tarnweb
