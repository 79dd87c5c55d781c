// Reading a request from the action (command, response kind, node, object
// and request fields), resolving its fields against the table, and turning
// criteria into SQL conditions whose values are bound, never spliced.
#include "rpdb.hpp"

#include "ZeDts.h"
#include "ZeEnv.h"
#include "contract/text.hpp"

#include <algorithm>
#include <array>
#include <utility>

namespace rpdb {

namespace {

constexpr std::array<std::pair<std::string_view, Command>, 10> kCommands{{
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
}};

constexpr std::array<std::pair<std::string_view, Relop>, 6> kRelops{{
    {"EQ", Relop::EQ},
    {"NE", Relop::NE},
    {"LT", Relop::LT},
    {"LE", Relop::LE},
    {"GT", Relop::GT},
    {"GE", Relop::GE},
}};

const char *sql_operator(Relop op)
{
    switch (op) {
    case Relop::EQ: return " = ?";
    case Relop::NE: return " <> ?";
    case Relop::LT: return " < ?";
    case Relop::LE: return " <= ?";
    case Relop::GT: return " > ?";
    case Relop::GE: return " >= ?";
    }
    return " = ?";
}

std::string_view text_field(DtsAction *action, unsigned field)
{
    const char *value = nullptr;
    ZeGetDtsActionField(action, field, &value);
    return ze::view(value);
}

Command parse_command(std::string_view word)
{
    if (word.empty()) fail(TARN_RPDB_RC_BAD_REQUEST, "The request has no command");
    for (const auto &[name, command] : kCommands)
        if (ze::equal_nocase(word, name)) return command;
    fail(TARN_RPDB_RC_BAD_REQUEST, "Command " + std::string(word) + " is unknown");
}

// GLOB pattern of a value in which only '*' is special.
std::string glob_pattern(std::string_view value)
{
    std::string pattern;
    pattern.reserve(value.size() + 8);
    for (char c : value) {
        if (c == '?') pattern += "[?]";
        else if (c == '[') pattern += "[[]";
        else pattern += c;
    }
    return pattern;
}

// Whether a NULL column (read as "") satisfies the criterion.
bool empty_satisfies(const Criterion &c)
{
    bool matchesEmpty = c.value.find_first_not_of('*') == std::string_view::npos;
    if (c.op == Relop::EQ) return matchesEmpty;
    if (c.op == Relop::NE) return !matchesEmpty;
    return false;
}

std::string condition(const Criterion &c, std::vector<Param> &params)
{
    std::string column = quoted(c.column->name);
    std::string sql = column;
    if (is_pattern(c)) {
        sql += c.op == Relop::EQ ? " GLOB ?" : " NOT GLOB ?";
        params.push_back({glob_pattern(c.value)});
    } else {
        sql += sql_operator(c.op);
        params.push_back({std::string(c.value)});
    }
    if (!c.column->notNull && empty_satisfies(c)) sql = "(" + column + " IS NULL OR " + sql + ")";
    return sql;
}

}  // namespace

bool is_pattern(const Criterion &c)
{
    return (c.op == Relop::EQ || c.op == Relop::NE) && c.value.find('*') != std::string_view::npos;
}

void trace_sql(const std::string &sql)
{
    if (ZeEnvBool(ZE_ENV_KV_ROUTER_DEBUG)) TarnTrace("TarnRpdb SQL: %s", sql.c_str());
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

    char **columns = nullptr, **relops = nullptr, **values = nullptr;
    int count = 0;
    unsigned rc = ZeGetDtsActionField(action, ZE_ACTION_REQUEST_FIELDS, &columns, &relops, &values, &count);
    if (rc == ZE_RC_NO_ENTRY) return request;
    if (rc != ZE_OK)
        fail(rc == ZE_RC_NO_MEMORY ? ZE_RC_NO_MEMORY : TARN_RPDB_RC_BAD_REQUEST,
             "The request fields cannot be read (code " + std::to_string(rc) + ")");
    for (int i = 0; i < count; ++i) {
        request.columns.push_back(ze::view(columns[i]));
        request.relops.push_back(ze::view(relops[i]));
        request.values.push_back(ze::view(values[i]));
    }
    return request;
}

std::vector<Criterion> resolve(const Request &request, const Table &table)
{
    std::vector<Criterion> criteria;
    for (std::size_t i = 0; i < request.columns.size(); ++i) {
        Criterion c{nullptr, Relop::EQ, request.values[i], request.columns[i], request.relops[i]};
        if (!ze::equal_nocase(c.name, TARN_RPDB_COPY_KEY)) {
            c.column = table.find(c.name);
            if (!c.column)
                fail(TARN_RPDB_RC_BAD_REQUEST,
                     "Column \"" + std::string(c.name) + "\" is unknown in " + table.name);
        }
        auto op = std::find_if(kRelops.begin(), kRelops.end(),
                               [&](const auto &entry) { return ze::equal_nocase(c.relop, entry.first); });
        if (op == kRelops.end())
            fail(TARN_RPDB_RC_BAD_REQUEST, "Operator \"" + std::string(c.relop) + "\" of column " +
                                               std::string(c.name) + " is unknown (EQ, NE, LT, LE, GT, GE)");
        c.op = op->second;
        criteria.push_back(c);
    }
    return criteria;
}

std::string where_clause(const std::vector<Criterion> &criteria, std::vector<Param> &params)
{
    std::string sql;
    for (const Criterion &c : criteria) {
        sql += sql.empty() ? " WHERE " : " AND ";
        sql += condition(c, params);
    }
    return sql;
}

}  // namespace rpdb
