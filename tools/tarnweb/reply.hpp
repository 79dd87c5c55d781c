// reply.hpp - what every handler answers with: JSON bodies, errors as
// {"code", "meaning", "message", "field"} with the HTTP status of their
// outcome (one table), and the small texts of HTTP (cookies, URL parts).
#pragma once

#include "problem.hpp"

#include <httplib.h>
#include <nlohmann/json.hpp>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnweb {

using Json = nlohmann::ordered_json;

// The HTTP status of a problem: its outcome, and for some outcomes the node's code.
int http_status(const admcore::Problem &problem);

// The error body of a problem: code and meaning (the library's), message
// (what failed, and the node's message), field, and the node's code.
Json error_body(const admcore::Problem &problem);

// Answers with JSON.
void send_json(httplib::Response &res, int status, const Json &body);

// Answers a problem with its status and error body.
void send_problem(httplib::Response &res, const admcore::Problem &problem);

// Answers an error of the HTTP layer (401, 403, 404, 405, 413, 415, ...).
void send_error(httplib::Response &res, int status, const std::string &message);

// The JSON object of a request body: none (and the 400, 413 or 415 sent)
// when the body is not one small JSON object sent as application/json.
std::optional<Json> json_body(const httplib::Request &req, httplib::Response &res);

// The values of the query parameter `name`, in order. Each part of the
// query is split at its first '=' (criteria such as where=LOCATION=BLDG*
// hold more), then %XX and '+' decoded.
std::vector<std::string> query_values(const httplib::Request &req, std::string_view name);

// The first value of `name`, "" when none; whether there is one.
std::string query_value(const httplib::Request &req, std::string_view name);
bool has_query(const httplib::Request &req, std::string_view name);

// The value of cookie `name` in the request's Cookie headers, "" when none.
std::string cookie_value(const httplib::Request &req, std::string_view name);

// Text for a URL path segment: everything but unreserved characters
// percent-encoded.
std::string url_segment(std::string_view text);

// True when a and b are equal, compared in time independent of where they differ.
bool same_secret(std::string_view a, std::string_view b);

}  // namespace tarnweb
