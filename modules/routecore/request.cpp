// Reading a request from the action (command, response kind, node, object
// and request fields), resolving its fields against the table, the
// credentials of session commands, and the settings routers read.
#include "core.hpp"
#include "contract/node_file.hpp"

#include "ZeDate.h"
#include "ZeEnv.h"
#include "TarnUtil.h"

#include <charconv>

#include <algorithm>
#include <array>
#include <utility>

namespace routecore {

namespace {

constexpr std::array<std::pair<std::string_view, Command>, 11> kCommands{{
    {"SELECT", Command::Select},
    {"LIST", Command::List},
    {"DEFINE", Command::Define},
    {"ALTER", Command::Alter},
    {"COPY", Command::Copy},
    {"RENAME", Command::Rename},
    {"DELETE", Command::Delete},
    {"LOGON", Command::Logon},
    {"LOGOFF", Command::Logoff},
    {"VERIFY", Command::Verify},
    {"STATUS", Command::Status},
}};

std::string_view text_field(DtsAction *action, unsigned field)
{
    const char *value = nullptr;
    ZeGetDtsActionField(action, field, &value);
    return view(value);
}

Command parse_command(std::string_view word)
{
    if (word.empty()) fail(TARN_ROUTER_RC_BAD_REQUEST, "The request has no command");
    for (const auto &[name, command] : kCommands)
        if (equal_nocase(word, name)) return command;
    fail(TARN_ROUTER_RC_BAD_REQUEST, "Command " + std::string(word) + " is unknown");
}

}  // namespace

void fail(unsigned code, std::string message) { throw Failure{code, std::move(message)}; }

void check_node_name(std::string_view name)
{
    if (name.empty()) fail(TARN_ROUTER_RC_UNKNOWN_NODE, "The request names no node (DESTNODE is empty)");
    if (!node_file::valid_name(name))
        fail(TARN_ROUTER_RC_UNKNOWN_NODE,
             "Node name \"" + std::string(name) + "\" is not valid (" + node_file::kNameRule + ")");
}

std::string double_quoted(std::string_view name)
{
    if (name.find('"') != std::string_view::npos)
        fail(TARN_ROUTER_RC_BAD_REQUEST, "The name " + std::string(name) + " holds a double quote and cannot be used");
    std::string text;
    text.reserve(name.size() + 2);
    text += '"';
    text += name;
    text += '"';
    return text;
}

std::string status_message(const StatusPairs &pairs)
{
    std::string text;
    for (const auto &[key, value] : pairs) {
        if (!text.empty()) text += "; ";
        text += key;
        text += '=';
        for (char c : value) text += c == ';' ? ',' : c;
    }
    return text;
}

void trace_sql(const char *module, const std::string &sql)
{
    if (ZeEnvBool(ZE_ENV_KV_ROUTER_DEBUG)) TarnTrace("%s SQL: %s", module, sql.c_str());
}

int setting(int index, int fallback, int max)
{
    std::string_view text = view(ZeEnv(index));
    int value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || value < 0 || value > max)
        return fallback;
    return value;
}

void check_object_name(std::string_view object)
{
    if (object.empty()) fail(TARN_ROUTER_RC_UNKNOWN_OBJECT, "The request names no object kind (OBJECT is empty)");
    bool valid = object.size() <= 64 && !(object.front() >= '0' && object.front() <= '9');
    for (char c : object)
        valid = valid && ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_');
    if (!valid)
        fail(TARN_ROUTER_RC_UNKNOWN_OBJECT,
             "Object kind \"" + std::string(object) +
                 "\" is not valid (1 to 64 of A-Z a-z 0-9 _, not starting with a digit)");
}

void require_single_key(Table &table)
{
    std::size_t keys = 0;
    for (std::size_t i = 0; i < table.columns.size(); ++i)
        if (table.columns[i].primaryKey) {
            table.key = i;
            ++keys;
        }
    if (keys != 1)
        fail(TARN_ROUTER_RC_UNKNOWN_OBJECT,
             "Object kind " + table.label + " cannot be used: its table has no single-column primary key");
}

bool is_session_command(Command command)
{
    return command == Command::Logon || command == Command::Logoff || command == Command::Verify;
}

bool is_pattern(const Criterion &c)
{
    return (c.op == Relop::EQ || c.op == Relop::NE) && c.value.find('*') != std::string_view::npos;
}

Request read_request(DtsAction *action)
{
    Request request;
    request.action = action;
    request.word = text_field(action, ZE_ACTION_COMMAND);
    request.command = parse_command(request.word);
    ZeGetDtsActionField(action, ZE_ACTION_RESPONSE_KIND, &request.kind);
    request.node = text_field(action, ZE_ACTION_DESTNODE);
    request.object = text_field(action, ZE_ACTION_OBJECT);
    request.user = text_field(action, ZE_ACTION_USERNAME);
    request.dateFormat = text_field(action, ZE_ACTION_DATE_FORMAT);
    if (request.dateFormat.empty()) request.dateFormat = ZeDateDefaultFormat();
    request.dates = std::make_shared<RequestDates>();

    char **columns = nullptr, **relops = nullptr, **values = nullptr;
    int count = 0;
    unsigned rc = ZeGetDtsActionField(action, ZE_ACTION_REQUEST_FIELDS, &columns, &relops, &values, &count);
    if (rc == ZE_RC_NO_ENTRY) return request;
    if (rc != ZE_OK)
        fail(rc == ZE_RC_NO_MEMORY ? ZE_RC_NO_MEMORY : TARN_ROUTER_RC_BAD_REQUEST,
             "The request fields cannot be read (code " + std::to_string(rc) + ")");
    add_fields(request, columns, relops, values, count);
    return request;
}

void add_fields(Request &request, char **columns, char **relops, char **values, int count)
{
    const std::size_t n = request.columns.size() + static_cast<std::size_t>(std::max(count, 0));
    request.columns.reserve(n);
    request.relops.reserve(n);
    request.values.reserve(n);
    for (int i = 0; i < count; ++i) {
        request.columns.push_back(view(columns[i]));
        request.relops.push_back(view(relops[i]));
        request.values.push_back(view(values[i]));
    }
}

const Column *Table::find(std::string_view wanted) const
{
    // Requests mostly spell a column as the node shows it: the exact match
    // first, at the cost of a length and a memcmp per column.
    for (const Column &column : columns)
        if (column.label == wanted) return &column;
    for (const Column &column : columns)
        if (equal_nocase(column.label, wanted)) return &column;
    return nullptr;
}

const Column *Table::find_name(std::string_view wanted) const
{
    for (const Column &column : columns)
        if (equal_nocase(column.name, wanted)) return &column;
    return nullptr;
}

bool Table::has_kind(ValueKind kind) const
{
    for (const Column &column : columns)
        if (column.kind == kind) return true;
    return false;
}

void read_rules(Store &store, Table &table)
{
    auto rows = store.run(std::string("SELECT RULE_NAME, TABLE_NAME, COLUMN_NAME, RULE_KIND, RULE_TEXT FROM ") +
                              kRulesTable + " ORDER BY RULE_NAME",
                          {});
    while (rows->step()) {
        Rule rule{rows->text(0), rows->text(1), rows->text(2), rows->text(3), rows->text(4)};
        const bool own = equal_nocase(rule.table, table.name);
        if (!own && !(rule.kind == "REFERENCE" && equal_nocase(rule.text, table.name))) continue;
        if (own && (rule.kind == "DATE" || rule.kind == "TIME"))
            for (Column &column : table.columns)
                if (equal_nocase(column.name, rule.column))
                    column.kind = rule.kind == "DATE" ? ValueKind::Date : ValueKind::Time;
        table.rules.push_back(std::move(rule));
    }
}

std::vector<Criterion> resolve(const Request &request, const Table &table)
{
    std::vector<Criterion> criteria;
    criteria.reserve(request.columns.size());
    for (std::size_t i = 0; i < request.columns.size(); ++i) {
        Criterion c{nullptr, Relop::EQ, request.values[i], request.columns[i], request.relops[i], {}};
        if (!equal_nocase(c.name, TARN_ROUTER_COPY_KEY)) {
            c.column = table.find(c.name);
            if (!c.column)
                fail(TARN_ROUTER_RC_BAD_REQUEST, "Column \"" + std::string(c.name) + "\" is unknown in " + table.label);
        }
        std::optional<Relop> op = relop::ignoring_case(c.relop);
        if (!op)
            fail(TARN_ROUTER_RC_BAD_REQUEST, "Operator \"" + std::string(c.relop) + "\" of column " +
                                                 std::string(c.name) + " is unknown (" + relop::kList + ")");
        c.op = *op;
        criteria.push_back(c);
    }
    return criteria;
}

namespace {

[[noreturn]] void bad_request(const Request &request, const std::string &problem)
{
    fail(TARN_ROUTER_RC_BAD_REQUEST, std::string(request.word) + " " + problem);
}

}  // namespace

Credentials read_credentials(const Request &request)
{
    const bool logon = request.command == Command::Logon;
    Credentials c;
    bool hasId = false, hasPassword = false;
    for (std::size_t i = 0; i < request.columns.size(); ++i) {
        std::string column(request.columns[i]);
        const bool isId = equal_nocase(column, "ID");
        if (!isId && !(logon && equal_nocase(column, "PASSWORD")))
            bad_request(request, "does not take the request field " + column);
        if (!equal_nocase(request.relops[i], "EQ")) bad_request(request, "takes " + column + " with EQ only");
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

}  // namespace routecore
