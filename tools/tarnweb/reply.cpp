// reply.cpp - statuses, error bodies, request bodies, cookies and URL text.
#include "reply.hpp"

#include "TarnRout.h"

namespace tarnweb {
namespace {

// The HTTP status of each outcome; a row with a node code comes before its
// outcome's row and holds for that code alone.
constexpr struct {
    admcore::Outcome outcome;
    unsigned routerCode;  // 0: any
    int status;
} kStatuses[] = {
    {admcore::Outcome::Usage, 0, 400},     // a bad request: kind, field, criteria, body
    {admcore::Outcome::NotFound, 0, 404},  // no such item
    {admcore::Outcome::Conflict, 0, 409},  // the key is taken, or a concurrent change won
    {admcore::Outcome::Invalid, 0, 422},   // refused by validation or by the node's rules (1018), with the field
    {admcore::Outcome::Refused, TARN_ROUTER_RC_PERMISSION_DENIED, 403},  // the node's grants refuse it to this user
    {admcore::Outcome::Refused, TARN_ROUT_RC_TOO_MANY_SESSIONS, 503},    // every connection to the node is in use
    // The node no longer takes a session's password: the gateway's side failed.
    {admcore::Outcome::Refused, TARN_ROUT_RC_CREDENTIALS_REFUSED, 502},
    {admcore::Outcome::Refused, 0, 422},  // refused by the node
    // The connection broke during the commit: the change may have been made.
    {admcore::Outcome::Unreachable, TARN_ROUTER_RC_OUTCOME_UNKNOWN, 502},
    {admcore::Outcome::Unreachable, 0, 502},  // the node, the router or a module cannot be reached (1020: TLS)
    {admcore::Outcome::TimedOut, 0, 504},     // the node did not answer in time
    {admcore::Outcome::Internal, 0, 500},
};

constexpr std::size_t kMaxJsonBody = 64 * 1024;
constexpr int kMaxJsonDepth = 4;

std::string_view http_meaning(int status)
{
    switch (status) {
    case 400: return "bad request";
    case 401: return "no session: log on first";
    case 403: return "forbidden";
    case 404: return "not found";
    case 405: return "method not allowed";
    case 413: return "request body too large";
    case 415: return "unsupported media type";
    default: return "error";
    }
}

// Deeper than any body of the API: refused before parsing.
bool too_deep(std::string_view text)
{
    int depth = 0;
    bool inString = false, escaped = false;
    for (char c : text) {
        if (inString) {
            if (escaped) escaped = false;
            else if (c == '\\') escaped = true;
            else if (c == '"') inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '{' || c == '[') {
            if (++depth > kMaxJsonDepth) return true;
        } else if (c == '}' || c == ']') {
            --depth;
        }
    }
    return false;
}

int hex_digit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string url_decoded(std::string_view text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '+') {
            out += ' ';
        } else if (text[i] == '%' && i + 2 < text.size() && hex_digit(text[i + 1]) >= 0 &&
                   hex_digit(text[i + 2]) >= 0) {
            out += static_cast<char>(hex_digit(text[i + 1]) * 16 + hex_digit(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

}  // namespace

std::vector<std::string> query_values(const httplib::Request &req, std::string_view name)
{
    std::vector<std::string> values;
    const std::size_t mark = req.target.find('?');
    if (mark == std::string::npos) return values;
    std::string_view query = std::string_view(req.target).substr(mark + 1);
    while (!query.empty()) {
        const std::size_t end = query.find('&');
        const std::string_view part = query.substr(0, end);
        query = end == std::string_view::npos ? std::string_view() : query.substr(end + 1);
        const std::size_t equals = part.find('=');
        if (url_decoded(part.substr(0, equals)) != name) continue;
        values.push_back(equals == std::string_view::npos ? std::string() : url_decoded(part.substr(equals + 1)));
    }
    return values;
}

std::string query_value(const httplib::Request &req, std::string_view name)
{
    std::vector<std::string> values = query_values(req, name);
    return values.empty() ? std::string() : values.front();
}

bool has_query(const httplib::Request &req, std::string_view name) { return !query_values(req, name).empty(); }

int http_status(const admcore::Problem &problem)
{
    for (const auto &entry : kStatuses)
        if (entry.outcome == problem.outcome && (!entry.routerCode || entry.routerCode == problem.routerCode))
            return entry.status;
    return 500;
}

Json error_body(const admcore::Problem &problem)
{
    std::string message = problem.what;
    if (!problem.nodeMessage.empty()) message += ": " + problem.nodeMessage;
    Json body = {{"code", problem.code},
                 {"meaning", problem.code ? admcore::library_code_meaning(problem.code, problem.family) : ""},
                 {"message", message},
                 {"field", problem.field.empty() ? Json() : Json(problem.field)}};
    if (problem.routerCode) {
        body["node_code"] = problem.routerCode;
        body["node_meaning"] = admcore::router_code_meaning(problem.routerCode);
    }
    if (!problem.nodeMessage.empty()) body["node_message"] = problem.nodeMessage;
    return body;
}

void send_json(httplib::Response &res, int status, const Json &body)
{
    res.status = status;
    res.set_content(body.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace), "application/json");
}

void send_problem(httplib::Response &res, const admcore::Problem &problem)
{
    send_json(res, http_status(problem), error_body(problem));
}

void send_error(httplib::Response &res, int status, const std::string &message)
{
    send_json(res, status, {{"code", 0}, {"meaning", http_meaning(status)}, {"message", message}, {"field", nullptr}});
}

std::optional<Json> json_body(const httplib::Request &req, httplib::Response &res)
{
    const std::string type = req.get_header_value("Content-Type");
    if (type.rfind("application/json", 0) != 0) {
        send_error(res, 415, "the body must be JSON (Content-Type: application/json)");
        return std::nullopt;
    }
    if (req.body.size() > kMaxJsonBody) {
        send_error(res, 413, "a JSON body may hold " + std::to_string(kMaxJsonBody / 1024) + " KiB");
        return std::nullopt;
    }
    if (too_deep(req.body)) {
        send_error(res, 400, "the JSON body is nested too deeply");
        return std::nullopt;
    }
    Json body = Json::parse(req.body, nullptr, false);
    if (body.is_discarded() || !body.is_object()) {
        send_error(res, 400, "the body is not a JSON object");
        return std::nullopt;
    }
    return body;
}

std::string cookie_value(const httplib::Request &req, std::string_view name)
{
    const std::size_t count = req.get_header_value_count("Cookie");
    for (std::size_t i = 0; i < count; ++i) {
        const std::string value = req.get_header_value("Cookie", i);
        std::string_view header = value;
        while (!header.empty()) {
            const std::size_t end = header.find(';');
            std::string_view pair = header.substr(0, end);
            header = end == std::string_view::npos ? std::string_view() : header.substr(end + 1);
            while (!pair.empty() && pair.front() == ' ') pair.remove_prefix(1);
            const std::size_t equals = pair.find('=');
            if (equals != std::string_view::npos && pair.substr(0, equals) == name)
                return std::string(pair.substr(equals + 1));
        }
    }
    return {};
}

std::string url_segment(std::string_view text)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kDigits[c >> 4];
            out += kDigits[c & 15];
        }
    }
    return out;
}

bool same_secret(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    unsigned char differ = 0;
    for (std::size_t i = 0; i < a.size(); ++i) differ |= static_cast<unsigned char>(a[i] ^ b[i]);
    return differ == 0;
}

}  // namespace tarnweb
