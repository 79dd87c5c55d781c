// api.cpp - the API's route table, and the handlers of the session, nodes,
// kinds, field descriptions, items and validation.
#include "handlers.hpp"

#include <strings.h>

#include <cstdlib>
#include <cstring>

namespace tarnweb {
namespace {

#define TARNWEB_KIND "/api/v1/nodes/([^/]+)/kinds/([^/]+)"

constexpr Route kRoutes[] = {
    {"POST", "/api/v1/session", open_session, kPublic},
    {"GET", "/api/v1/session", show_session, 0},
    {"DELETE", "/api/v1/session", close_session, kWrite},
    {"GET", "/api/v1/nodes", list_nodes, 0},
    {"GET", "/api/v1/kinds", list_kinds, 0},
    {"GET", TARNWEB_KIND "/fields", describe_kind, kNode},
    {"GET", TARNWEB_KIND "/items", list_items, kNode},
    {"POST", TARNWEB_KIND "/items", define_item, kNode | kWrite},
    {"GET", TARNWEB_KIND "/items/([^/]+)", show_item, kNode},
    {"PATCH", TARNWEB_KIND "/items/([^/]+)", alter_item, kNode | kWrite},
    {"DELETE", TARNWEB_KIND "/items/([^/]+)", delete_item, kNode | kWrite},
    {"POST", TARNWEB_KIND "/items/([^/]+)/copy", copy_item, kNode | kWrite},
    {"POST", TARNWEB_KIND "/items/([^/]+)/rename", rename_item, kNode | kWrite},
    {"POST", TARNWEB_KIND "/validate", validate_value, kNode},
    {"GET", TARNWEB_KIND "/groups", list_groups, kNode},
    {"GET", TARNWEB_KIND "/groups/([^/]+)/members", list_members, kNode},
    {"POST", TARNWEB_KIND "/groups/([^/]+)/members", add_member, kNode | kWrite},
    {"DELETE", TARNWEB_KIND "/groups/([^/]+)/members/([^/]+)", remove_member, kNode | kWrite},
    {"GET", TARNWEB_KIND "/export", export_items, kNode},
    {"POST", TARNWEB_KIND "/import", import_items, kNode | kWrite},
};

constexpr unsigned kDefaultLimit = 50, kMaxLimit = 1000, kMaxOffset = 1000000;
constexpr std::size_t kMaxNode = 64, kMaxUser = 64, kMaxPassword = 128;

// A text member of a body: false with the 400 sent when it is missing, not
// a string, empty or longer than `most`.
bool text_member(Call &call, const Json &body, const char *name, std::size_t most, std::string &value)
{
    auto found = body.find(name);
    if (found == body.end() || !found->is_string() || found->get_ref<const std::string &>().empty() ||
        found->get_ref<const std::string &>().size() > most) {
        send_error(call.res, 400,
                   std::string("\"") + name + "\" must be a text of 1 to " + std::to_string(most) + " characters");
        return false;
    }
    value = found->get<std::string>();
    return true;
}

// A number parameter of the query within [low, high]: false with the 400 sent.
bool number_param(Call &call, const char *name, unsigned low, unsigned high, unsigned &value)
{
    if (!has_query(call.req, name)) return true;
    const std::string text = query_value(call.req, name);
    char *end = nullptr;
    const unsigned long number = std::strtoul(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || text[0] == '-' || number < low || number > high) {
        send_error(call.res, 400,
                   std::string(name) + " must be a number from " + std::to_string(low) + " to " + std::to_string(high));
        return false;
    }
    value = static_cast<unsigned>(number);
    return true;
}

// FIELD=VALUE of each member of a JSON object of values: false with the 400 sent.
bool assignments_of(Call &call, const Json &values, std::vector<std::string> &assignments)
{
    if (!values.is_object()) {
        send_error(call.res, 400, "the values must be a JSON object of FIELD: value");
        return false;
    }
    for (const auto &[field, value] : values.items()) {
        std::string text;
        if (value.is_string()) text = value.get<std::string>();
        else if (value.is_number() || value.is_boolean()) text = value.dump();
        else if (!value.is_null()) {
            send_error(call.res, 400, "the value of " + field + " must be a text, a number or true/false");
            return false;
        }
        if (field.find_first_of("=!<>") != std::string::npos) {
            send_error(call.res, 400, "no field is named " + field);
            return false;
        }
        assignments.push_back(field + "=" + text);
    }
    return true;
}

bool is_secret(const std::vector<admcore::FieldDescription> &described, std::string_view field)
{
    for (const admcore::FieldDescription &d : described)
        if (admcore::same_name(d.name, field)) return d.has_flag("PASSWORD");
    return false;
}

// The criteria of the where= parameters: false with the 400 sent (a
// PASSWORD field is never a criterion: its values would leak through).
bool criteria_of(Call &call, const std::vector<admcore::FieldDescription> &described,
                 std::vector<std::string> &criteria)
{
    for (const std::string &text : query_values(call.req, "where")) {
        criteria.push_back(text);
        admcore::Criterion c;
        if (admcore::split_criterion(criteria.back(), c) && is_secret(described, c.field)) {
            send_error(call.res, 400, "the field " + c.field + " cannot be a criterion");
            return false;
        }
    }
    return true;
}

Json strings(const std::vector<std::string> &texts)
{
    Json list = Json::array();
    for (const std::string &t : texts) list.push_back(t);
    return list;
}

Json number_or_null(const std::string &text)
{
    if (text.empty()) return nullptr;
    char *end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    return *end == '\0' ? Json(value) : Json(text);
}

Json field_object(const admcore::FieldDescription &d, const admcore::FieldInfo &info)
{
    return {{"name", d.name},
            {"label", d.label},
            {"type", d.type},
            {"key", d.key},
            {"pseudo", info.pseudo},
            {"invisible", info.invisible},
            {"readonly", d.has_flag("READONLY")},
            {"password", d.has_flag("PASSWORD")},
            {"uppercase", d.has_flag("UPPERCASE")},
            {"lowercase", d.has_flag("LOWERCASE")},
            {"required", d.key || !d.required.empty()},
            {"required_for", strings(d.required)},
            {"min_length", number_or_null(d.minLength)},
            {"max_length", number_or_null(d.maxLength)},
            {"low", number_or_null(d.lowRange)},
            {"high", number_or_null(d.upperRange)},
            {"default", d.has_flag("PASSWORD") ? "" : d.defaultValue},
            {"valid_values", strings(d.validValues)},
            {"relops", strings(d.relops)},
            {"flags", strings(d.flags)}};
}

// Answers an item operation: the item that came back and the node's message.
void send_item(Call &call, admcore::Kind &kind, admcore::Result<char **> values, int status)
{
    if (!values) return send_problem(call.res, values.problem());
    Columns columns;
    if (!columns_of(call, kind.fields, &descriptions(call, kind), columns)) return;
    Json body = {{"item", *values ? item_object(kind.fields, columns, *values) : Json()},
                 {"message", node_message(kind)}};
    send_json(call.res, status, body);
}

// The Location of a new item of the path's kind.
void locate(Call &call, const std::string &key)
{
    call.res.set_header("Location", "/api/v1/nodes/" + url_segment(call.session->node) + "/kinds/" +
                                        url_segment(call.req.matches[2].str()) + "/items/" + url_segment(key));
}

}  // namespace

std::span<const Route> api_routes() { return kRoutes; }

admcore::Kind *path_kind(Call &call)
{
    const std::string name = call.req.matches[2];
    admcore::Result<admcore::Kind *> kind = call.session->kinds.open(call.session->settings, name);
    if (!kind) {
        if (kind.problem().remedy == admcore::Remedy::ListKinds) send_error(call.res, 404, "no object kind " + name);
        else send_problem(call.res, kind.problem());
        return nullptr;
    }
    if (admcore::Failure failure = admcore::route(**kind, call.session->settings)) {
        send_problem(call.res, *failure);
        return nullptr;
    }
    return *kind;
}

const std::vector<admcore::FieldDescription> &descriptions(Call &call, const admcore::Kind &kind)
{
    auto &cache = call.session->descriptions;
    auto found = cache.find(kind.name);
    if (found == cache.end()) found = cache.emplace(kind.name, admcore::describe_fields(kind)).first;
    return found->second;
}

bool columns_of(Call &call, const std::vector<admcore::FieldInfo> &fields,
                const std::vector<admcore::FieldDescription> *described, Columns &columns)
{
    const std::string wanted = query_value(call.req, "fields");
    if (wanted.empty()) {
        for (std::size_t i = 0; i < fields.size(); ++i)
            if (!fields[i].pseudo) columns.indexes.push_back(i);
    } else {
        std::string_view list = wanted;
        while (!list.empty()) {
            const std::size_t comma = list.find(',');
            const std::string_view name = admcore::trimmed(list.substr(0, comma));
            list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
            std::size_t i = 0;
            while (i < fields.size() && !admcore::same_name(fields[i].name, name)) ++i;
            if (i == fields.size()) {
                send_error(call.res, 400, "no field " + std::string(name) + " in fields=");
                return false;
            }
            columns.indexes.push_back(i);
        }
    }
    for (std::size_t i : columns.indexes) columns.secret.push_back(described && is_secret(*described, fields[i].name));
    return true;
}

Json item_object(const std::vector<admcore::FieldInfo> &fields, const Columns &columns, char **values)
{
    Json item = Json::object();
    for (std::size_t c = 0; c < columns.indexes.size(); ++c) {
        const char *value = values[columns.indexes[c]];
        if (!value) value = "";
        item[fields[columns.indexes[c]].name] = columns.secret[c] && *value ? "********" : value;
    }
    return item;
}

std::string node_message(admcore::Kind &kind)
{
    const char *message = admcore::last_message(kind);
    return message ? message : "";
}

// ------------------------------------------------------------ session

void open_session(Call &call)
{
    std::optional<Json> body = json_body(call.req, call.res);
    std::string node, user, password;
    if (!body || !text_member(call, *body, "node", kMaxNode, node) ||
        !text_member(call, *body, "user", kMaxUser, user) ||
        !text_member(call, *body, "password", kMaxPassword, password))
        return;
    admcore::Result<std::shared_ptr<WebSession>> session = call.console.sessions().open(node, user, password);
    explicit_bzero(password.data(), password.size());
    explicit_bzero((*body)["password"].get_ref<std::string &>().data(), password.size());
    if (!session) {
        // A refused or unknown user is 401; a node with no connection free (503) or
        // one the gateway cannot reach (502) is not the caller's fault.
        const admcore::Problem &problem = session.problem();
        const bool refused =
            problem.outcome == admcore::Outcome::Refused || problem.outcome == admcore::Outcome::NotFound;
        const int status = http_status(problem);
        return send_json(call.res, refused && status < 500 ? 401 : status, error_body(problem));
    }
    call.res.set_header("Set-Cookie", call.console.session_cookie((*session)->id));
    send_json(call.res, 201,
              {{"node", node},
               {"user", user},
               {"csrf", (*session)->csrf},
               {"idle_timeout", call.console.options().idleSeconds},
               {"message", "logged on to " + node + " as " + user}});
}

void show_session(Call &call)
{
    send_json(call.res, 200,
              {{"node", call.session->node},
               {"user", call.session->userId},
               {"csrf", call.session->csrf},
               {"idle_timeout", call.console.options().idleSeconds}});
}

void close_session(Call &call)
{
    call.closeSession = true;
    call.res.set_header("Set-Cookie", call.console.session_cookie(""));
    send_json(call.res, 200, {{"message", "logged off from " + call.session->node}});
}

// ------------------------------------------------------------ nodes and kinds

// The node map LOCALMAP, which routes itself to the node LOCAL.
void list_nodes(Call &call)
{
    admcore::Result<admcore::Kind *> opened = call.session->kinds.open(call.session->settings, "LOCALMAP");
    if (!opened) return send_problem(call.res, opened.problem());
    admcore::Kind &map = **opened;
    admcore::Result<unsigned> count = admcore::open_items(map, admcore::new_filter().get(), "cannot read the node map");
    if (!count) return send_problem(call.res, count.problem());
    Columns columns;
    for (std::size_t i = 0; i < map.fields.size(); ++i) columns.indexes.push_back(i), columns.secret.push_back(false);
    Json nodes = Json::array();
    admcore::Result<char **> values = nullptr;
    while ((values = admcore::next_item(map)) && *values) nodes.push_back(item_object(map.fields, columns, *values));
    if (!values) return send_problem(call.res, values.problem());
    send_json(call.res, 200, {{"nodes", nodes}, {"session_node", call.session->node}});
}

void list_kinds(Call &call) { send_json(call.res, 200, {{"kinds", strings(admcore::registry_kinds())}}); }

void describe_kind(Call &call)
{
    admcore::Kind *kind = path_kind(call);
    if (!kind) return;
    const std::vector<admcore::FieldDescription> &described = descriptions(call, *kind);
    Json fields = Json::array();
    for (std::size_t i = 0; i < described.size() && i < kind->fields.size(); ++i)
        fields.push_back(field_object(described[i], kind->fields[i]));
    Json groupFields = Json::array();
    for (const admcore::FieldInfo &f : kind->groupFields)
        groupFields.push_back({{"name", f.name}, {"label", f.label}, {"type", f.type}, {"key", f.key}});
    const admcore::FieldInfo *key = kind->key();
    send_json(call.res, 200,
              {{"kind", kind->name},
               {"key", key ? Json(key->name) : Json()},
               {"date_format", admcore::date_format(*kind)},
               {"groups", kind->has_groups()},
               {"fields", fields},
               {"group_fields", groupFields}});
}

// ------------------------------------------------------------ items

void list_items(Call &call)
{
    admcore::Kind *kind = path_kind(call);
    if (!kind) return;
    const std::vector<admcore::FieldDescription> &described = descriptions(call, *kind);
    Columns columns;
    std::vector<std::string> criteria;
    unsigned limit = kDefaultLimit, offset = 0;
    if (!columns_of(call, kind->fields, &described, columns) || !criteria_of(call, described, criteria) ||
        !number_param(call, "limit", 1, kMaxLimit, limit) || !number_param(call, "offset", 0, kMaxOffset, offset))
        return;
    const std::string after = query_value(call.req, "after");
    if (offset > 0 && !after.empty()) return send_error(call.res, 400, "give offset or after, not both");
    admcore::Result<admcore::FilterPtr> filter = admcore::criteria_filter(kind->fields, criteria);
    if (!filter) return send_problem(call.res, filter.problem());
    admcore::Result<admcore::Page> page =
        admcore::open_page(*kind, filter->get(), after, offset + limit, "cannot list " + kind->name);
    if (!page) return send_problem(call.res, page.problem());
    Json items = Json::array();
    admcore::Result<char **> values = nullptr;
    for (unsigned n = 0; (values = admcore::next_item(*kind)) && *values; ++n)
        if (n >= offset) items.push_back(item_object(kind->fields, columns, *values));
    if (!values) return send_problem(call.res, values.problem());
    const std::size_t count = items.size();
    send_json(call.res, 200,
              {{"items", std::move(items)},
               {"count", count},
               {"offset", offset},
               {"more", page->more},
               {"next", page->more ? Json(page->next) : Json()},
               {"message", page->message}});
}

void show_item(Call &call)
{
    if (admcore::Kind *kind = path_kind(call))
        send_item(call, *kind, admcore::show_item(*kind, call.req.matches[3]), 200);
}

void define_item(Call &call)
{
    std::optional<Json> body = json_body(call.req, call.res);
    std::vector<std::string> assignments;
    if (!body || !assignments_of(call, *body, assignments)) return;
    admcore::Kind *kind = path_kind(call);
    if (!kind) return;
    admcore::Result<char **> values = admcore::define_item(*kind, assignments);
    const admcore::FieldInfo *key = kind->key();
    if (values && *values && key) locate(call, (*values)[key - kind->fields.data()]);
    send_item(call, *kind, std::move(values), 201);
}

void alter_item(Call &call)
{
    std::optional<Json> body = json_body(call.req, call.res);
    std::vector<std::string> changes;
    if (!body || !assignments_of(call, *body, changes)) return;
    if (admcore::Kind *kind = path_kind(call))
        send_item(call, *kind, admcore::alter_item(*kind, call.req.matches[3], changes), 200);
}

namespace {

void copy_or_rename(Call &call, bool rename)
{
    std::optional<Json> body = json_body(call.req, call.res);
    std::string newKey;
    std::vector<std::string> changes;
    if (!body || !text_member(call, *body, "new_key", 256, newKey)) return;
    if (body->contains("values") && !assignments_of(call, (*body)["values"], changes)) return;
    admcore::Kind *kind = path_kind(call);
    if (!kind) return;
    admcore::Result<char **> values = admcore::copy_item(*kind, call.req.matches[3], newKey, changes, rename);
    if (values) locate(call, newKey);
    send_item(call, *kind, std::move(values), rename ? 200 : 201);
}

}  // namespace

void copy_item(Call &call) { copy_or_rename(call, false); }

void rename_item(Call &call) { copy_or_rename(call, true); }

void delete_item(Call &call)
{
    admcore::Kind *kind = path_kind(call);
    if (!kind) return;
    admcore::Result<admcore::FilterPtr> filter = admcore::key_filter(*kind, call.req.matches[3], {});
    if (!filter) return send_problem(call.res, filter.problem());
    if (admcore::Failure failure = admcore::delete_items(*kind, filter->get())) return send_problem(call.res, *failure);
    send_json(call.res, 200, {{"message", node_message(*kind)}});
}

void validate_value(Call &call)
{
    std::optional<Json> body = json_body(call.req, call.res);
    std::string field;
    if (!body || !text_member(call, *body, "field", 64, field)) return;
    auto value = body->find("value");
    if (value == body->end() || !value->is_string()) return send_error(call.res, 400, "\"value\" must be a text");
    admcore::Kind *kind = path_kind(call);
    if (!kind) return;
    if (admcore::Failure failure = admcore::validate_value(*kind, field, value->get<std::string>()))
        return send_problem(call.res, *failure);
    send_json(call.res, 200, {{"field", kind->field(field)->name}, {"valid", true}});
}

}  // namespace tarnweb
