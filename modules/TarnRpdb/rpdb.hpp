// Internal interface of the TarnRpdb router: the failure type every layer
// throws, node connections, SQL statements and transactions, table schemas,
// the request as read from the action, and the commands.
// The contract the router keeps is described in include/TarnRpdb.h.
#pragma once

#include "TarnRpdb.h"
#include "ZeTypes.h"

#include <sqlite3.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace rpdb {

// A request that cannot be carried out: the code router_client returns and
// the message that goes to the caller through field 18.
struct Failure {
    unsigned code;
    std::string message;
};

[[noreturn]] void fail(unsigned code, std::string message);

// ------------------------------------------------------------ nodes

// The open connection of node `name`, opening it on first use.
// Fails with 1007 (no data directory), 1001 (bad name, no node file) or 1006.
sqlite3 *node_connection(std::string_view name);

// ------------------------------------------------------------ SQL

// A value bound to a statement parameter; a null value binds NULL.
struct Param {
    std::string text;
    bool null = false;
};

// A prepared statement with its parameters bound. Statements of a node's
// connection are prepared once and reused (reset) by later requests; errors
// throw SqlError.
class Statement {
public:
    Statement(sqlite3 *db, const std::string &sql, const std::vector<Param> &params = {});
    ~Statement();
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    bool step();  // true while a row is current
    // The current row's value in column i as text; NULL reads as "".
    const char *text(int i) const;
    std::string_view view(int i) const { return {text(i), static_cast<std::size_t>(sqlite3_column_bytes(stmt_, i))}; }

private:
    void release();

    sqlite3 *db_;
    sqlite3_stmt *stmt_ = nullptr;
    bool *inUse_ = nullptr;  // the cache's flag when the statement is a cached one
};

// SQLite refused a statement: its extended result code and message.
struct SqlError {
    int code;
    std::string message;
};

// One transaction: BEGIN IMMEDIATE for writers, BEGIN (deferred) for
// readers; rolled back unless committed.
class Transaction {
public:
    Transaction(sqlite3 *db, bool writes);
    ~Transaction();
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;
    void commit();

private:
    sqlite3 *db_;
    bool open_ = false;
};

// "name" for SQL text; names holding a double quote are refused (1003).
std::string quoted(std::string_view name);

// ------------------------------------------------------------ tables

struct Column {
    std::string name;  // as the schema spells it
    bool notNull = false;
};

struct Table {
    std::string name;  // as the schema spells it
    std::vector<Column> columns;
    std::size_t key = 0;  // index of the primary-key column

    const Column &keyColumn() const { return columns[key]; }
    // The column named `name` ignoring case, or nullptr.
    const Column *find(std::string_view name) const;
};

// The table of object kind `object` on the connection of `node`.
// Fails with 1002 when it is not a valid name, no table, or has no single-column key.
Table load_table(sqlite3 *db, std::string_view node, std::string_view object);

// ------------------------------------------------------------ requests

enum class Command { Select, List, Define, Alter, Copy, Rename, Delete, Logon, Logoff, Verify };
enum class Relop { EQ, NE, LT, LE, GT, GE };

// One request field resolved against the table; column is nullptr for COPY_KEY.
struct Criterion {
    const Column *column;
    Relop op;
    std::string_view value;
    std::string_view name;   // the column as the request wrote it
    std::string_view relop;  // the operator as the request wrote it
};

// What the action asks for, read through ZeGetDtsActionField. The texts are
// the action's own and stay valid while router_client runs.
struct Request {
    DtsAction *action = nullptr;
    Command command = Command::Select;
    std::string_view word;  // the command word as sent
    unsigned kind = 0;      // response kind
    std::string_view node, object;
    std::string_view user;  // the info's USERNAME
    std::vector<std::string_view> columns, relops, values;

    bool writes() const { return command != Command::Select && command != Command::List; }
};

// Reads command, response kind, node, object and request fields.
// Fails with 1003 for a missing or unknown command.
Request read_request(DtsAction *action);

// The request fields resolved against the table: 1003 for an unknown
// column or operator.
std::vector<Criterion> resolve(const Request &request, const Table &table);

// A value with '*' under EQ or NE is a pattern.
bool is_pattern(const Criterion &criterion);

// " WHERE <criteria ANDed>" (empty without criteria); their values are
// appended to params in order.
std::string where_clause(const std::vector<Criterion> &criteria, std::vector<Param> &params);

// Runs the request on the table inside the caller's transaction, delivers
// the answer and returns the message.
std::string run(const Request &request, sqlite3 *db, const Table &table);

// Traces a statement when KV_ROUTER_DEBUG is on.
void trace_sql(const std::string &sql);

// ------------------------------------------------------------ logons

// LOGON, LOGOFF and VERIFY: they name no table.
bool is_session_command(Command command);

// Carries out a session command on the node's USERS and SESSIONS tables.
// Each statement commits by itself, so the slow password check holds no
// lock on the node.
std::string run_session(const Request &request, sqlite3 *db);

// USERS and SESSIONS hold the node's logons and are no object kinds.
bool is_logon_table(std::string_view table);

}  // namespace rpdb
