// The store-neutral core of the routers TarnRpdb (SQLite) and TarnRout
// (PostgreSQL): the request as read from the action, the object kind's
// table, the commands with their messages and codes, and the answers sent
// through the action fields. A router supplies a Backend, which opens the
// Store of a request's node; the Store is the only place that knows an SQL
// dialect. The contract both routers keep is include/TarnRouter.h.
#pragma once

#include "TarnRouter.h"
#include "ZeDts.h"
#include "ZeTypes.h"
#include "contract/relop.hpp"
#include "contract/text.hpp"

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace routecore {

// A request that cannot be carried out: the code router_client returns and
// the message that goes to the caller through field 18.
struct Failure {
    unsigned code;
    std::string message;
};

[[noreturn]] void fail(unsigned code, std::string message);

// Fails with 1001 when a request names no node or a name outside the
// node-name rule (contract/node_file.hpp), before any store is asked.
void check_node_name(std::string_view name);

// A name in standard SQL double quotes, for the stores whose engine quotes
// identifiers that way; a name holding a double quote fails with 1003.
std::string double_quoted(std::string_view name);

// ------------------------------------------------------------ store errors

// What went wrong with a statement, as the back end classifies its engine's
// error. The core turns the kind into a code and a message.
enum class StoreErrorKind {
    Duplicate,   // a taken key or UNIQUE value
    Check,       // a CHECK constraint refused a value (name: the constraint, when the engine names it)
    Required,    // NOT NULL refused a missing value (name: the column, when the engine names it)
    Reference,   // a foreign key refused a change
    Refused,     // any other value or change the table does not take (type, trigger)
    Permission,  // the node's grants refuse it
    Timeout,     // the statement ran out of time
    Conflict,    // a concurrent transaction won (serialization failure, deadlock, lock wait)
    NoMemory,
    Lost,   // the connection broke
    Stale,  // a table or column the store had kept is gone; it has read its tables anew
    Other,
};

struct StoreError {
    StoreErrorKind kind;
    std::string message;  // the engine's own text; never holds a password
    std::string name;     // Check: the constraint's name; Required: the column's; else empty
};

// ------------------------------------------------------------ tables

// What a column holds, for the core's checks and conversions: text (valid
// UTF-8), whole numbers (32 bits), numbers, and dates and times, which a
// node keeps in an ordered form (YYYY-MM-DD, HH:MM:SS[.hh]) and a request
// writes in its own date format.
enum class ValueKind { Text, Integer, Real, Date, Time };

struct Column {
    std::string name;   // the identifier in SQL
    std::string label;  // the name answers and messages show
    std::string type;   // the SQL type values are cast to, or empty (no cast)
    bool notNull = false;
    bool textual = true;         // compared and sorted as text
    bool sortsBytewise = false;  // its own collation already sorts byte by byte
    bool equalsBytewise = true;  // its own collation's equality is byte equality
    bool primaryKey = false;     // part of the table's primary key
    ValueKind kind = ValueKind::Text;
};

// A row of the node's rules table TARN_RULES (see TarnRouter.h).
struct Rule {
    std::string name;    // the constraint's name
    std::string table;   // the table it belongs to
    std::string column;  // the column it guards; for a REFERENCE, the referring column
    std::string kind;    // CHECK, DATE, TIME or REFERENCE
    std::string text;    // what a value must be; for a REFERENCE, the table referred to
};

struct Table {
    std::string name;   // the identifier in SQL
    std::string label;  // the name messages show
    std::vector<Column> columns;
    std::size_t key = 0;      // index of the primary-key column (set by require_single_key)
    std::vector<Rule> rules;  // the table's own rules and the references to it

    const Column &keyColumn() const { return columns[key]; }
    // The column whose label is `name`, else the first whose label is
    // `name` ignoring case; nullptr when none is.
    const Column *find(std::string_view name) const;
    // The column whose SQL name is `name` ignoring case, or nullptr.
    const Column *find_name(std::string_view name) const;
    bool has_kind(ValueKind kind) const;
};

// ------------------------------------------------------------ store

// A value bound to a statement parameter; a null value binds NULL.
struct Param {
    std::string text;
    bool null = false;
    const Column *column = nullptr;  // the column it is compared with or stored in
};

// The rows of a statement that ran. Values are views into the store's
// buffer, valid until the next step.
class Rows {
public:
    virtual ~Rows() = default;
    virtual bool step() = 0;  // true while a row is current
    // The current row's value in column i; NULL reads as "". text() is
    // NUL-terminated.
    virtual std::string_view value(int i) const = 0;
    virtual const char *text(int i) const = 0;
};

// One connection to one node. Every call that runs SQL throws StoreError.
class Store {
public:
    virtual ~Store() = default;

    // The text of parameter n (from 1), cast to the column's type when the
    // engine needs it.
    virtual void append_param(std::string &sql, int n, const Column *column) const = 0;
    // A condition that the column matches (or not) the pattern in parameter
    // n, where '*' matches any run and everything else itself, case counting.
    virtual void append_pattern(std::string &sql, const Column &column, bool negate, int n) const = 0;
    // The value bound for a pattern.
    virtual std::string pattern_value(std::string_view pattern) const = 0;
    // The column as an operand of a comparison or ORDER BY: text compares
    // byte by byte on every engine.
    virtual std::string operand(const Column &column) const = 0;
    // The column as an operand of = and <>: the column itself where its own
    // collation's equality is byte equality, so that its index serves key
    // lookups.
    virtual std::string equality_operand(const Column &column) const { return operand(column); }
    // An identifier as SQL writes it; a name the engine cannot quote fails with 1003.
    virtual std::string quoted(std::string_view name) const = 0;

    virtual std::unique_ptr<Rows> run(const std::string &sql, const std::vector<Param> &params) = 0;
    // A statement without parameters whose result nothing reads (a
    // savepoint set or released): a store may hold it back and send it with
    // the next statement, saving a round trip; a failure of it then fails
    // that statement. Here it runs at once.
    virtual void run_later(const std::string &sql) { run(sql, {})->step(); }
    // Inserts rows of the values of `columns`, row after row in `values`
    // (columns.size() per row), in the caller's transaction: multi-row
    // INSERTs unless the engine has a faster way in.
    virtual void insert_rows(const Table &table, const std::vector<const Column *> &columns,
                             const std::vector<Param> &values);
    // insert_rows in two steps: start_rows sends the rows, finish_rows
    // waits until the node has them and throws what insert_rows would.
    // In between the caller may prepare its next rows but runs nothing on
    // the store; rollback() ends a started insert too. Here the rows go in
    // at start_rows.
    virtual void start_rows(const Table &table, const std::vector<const Column *> &columns,
                            const std::vector<Param> &values)
    {
        insert_rows(table, columns, values);
    }
    virtual void finish_rows() {}

    // One transaction per request; a store may run a read, whose one
    // statement is a transaction of its own, without BEGIN and COMMIT.
    // rollback never throws.
    virtual void begin(bool writes) = 0;
    virtual void commit() = 0;
    virtual void rollback() noexcept = 0;

    // The table of object kind `object` with its columns, the primary-key
    // ones marked: 1002 when the name is not valid or there is no such table.
    virtual Table table(std::string_view node, std::string_view object) = 0;
};

// ------------------------------------------------------------ requests

enum class Command { Select, List, Define, Alter, Copy, Rename, Delete, Logon, Logoff, Verify, Status };
using relop::Relop;

// One request field resolved against the table; column is nullptr for COPY_KEY.
struct Criterion {
    const Column *column;
    Relop op;
    std::string_view value;  // as the request wrote it
    std::string_view name;   // the column as the request wrote it
    std::string_view relop;  // the operator as the request wrote it
    std::string bound;       // the value as the node takes it (a date in its ordered form)
};

class RequestDates;

// What the action asks for, read through ZeGetDtsActionField. The texts are
// the action's own and stay valid while router_client runs.
struct Request {
    DtsAction *action = nullptr;
    Command command = Command::Select;
    std::string_view word;  // the command word as sent
    unsigned kind = 0;      // response kind
    std::string_view node, object;
    std::string_view user;        // the info's USERNAME
    std::string_view dateFormat;  // the info's date format (field 22), else the default
    std::vector<std::string_view> columns, relops, values;
    bool batch = false;  // one item of a batch: no answer row, a taken key found by the INSERT itself
    // The date service held and the date format read while the request
    // lives; the items of a batch, copies of its request, share them.
    std::shared_ptr<RequestDates> dates;

    bool writes() const { return command != Command::Select && command != Command::List && command != Command::Status; }
};

// LOGON, LOGOFF and VERIFY name no table.
bool is_session_command(Command command);

// The user id and, for LOGON, the password of a session command.
struct Credentials {
    std::string localUser;  // the info's USERNAME
    std::string userId;
    std::string_view password;  // the action's own text
};

// ID, and for LOGON PASSWORD: each exactly once, with EQ; 1003 otherwise.
// No value but the user id ever goes into a message.
Credentials read_credentials(const Request &request);

// ------------------------------------------------------------ routers

class Lease;

// What a router module adds to the core: its connections and its logons.
// Both are called from any thread; the back end keeps its connections in
// one pool per node (pool.hpp), so that each is used by one request at a time.
class Backend {
public:
    virtual ~Backend() = default;
    // The module's name, for trace lines and messages ("TarnRpdb").
    virtual const char *name() const = 0;
    // A connection for this request alone: the local user's session on the
    // node when one is open, else one of the node's shared connections.
    // Fails with the node codes.
    virtual Lease lease(const Request &request) = 0;
    // LOGON, LOGOFF and VERIFY: the message, or a Failure.
    virtual std::string session(const Request &request, const Credentials &credentials) = 0;
    // STATUS: what the request's connection finds of its node, as the
    // message "<key>=<value>; ..." (TarnRouter.h), or a Failure.
    virtual std::string status(const Request &request) = 0;
};

// Carries out the request in field order and answers it: router_client of
// each module is this call with its back end. Requests of several threads
// run at once, each on a connection of its own. Never throws.
unsigned route(DtsAction *action, Backend &backend);

// An object kind names a table: 1 to 64 of A-Z a-z 0-9 _, not starting
// with a digit. Fails with 1002 otherwise (or when empty).
void check_object_name(std::string_view object);

// The table's one primary-key column becomes its key: 1002 when its
// primary key is not exactly one column.
void require_single_key(Table &table);

// The name of the node's rules table, and what a store calls once it knows
// the node has one: reads the rules of `table` (its own, and the
// references to it) and marks its DATE and TIME columns.
inline constexpr const char *kRulesTable = "TARN_RULES";
void read_rules(Store &store, Table &table);

// The message of STATUS: "<key>=<value>" pairs joined by "; ". A ';' in a
// value becomes ',' so that the pairs always split back apart.
using StatusPairs = std::vector<std::pair<std::string, std::string>>;
std::string status_message(const StatusPairs &pairs);

// Traces a statement as "<module> SQL: <statement>" when KV_ROUTER_DEBUG is on.
void trace_sql(const char *module, const std::string &sql);

// An unsigned setting of the environment table (ZeEnv index) in [0, max],
// else `fallback`.
int setting(int index, int fallback, int max);

// Carries out the batch an action carries (fields 23 to 25): router_batch
// of each module is this call with its back end. Never throws.
unsigned route_batch(DtsAction *action, Backend &backend);

using ze::equal_nocase;
using ze::view;

}  // namespace routecore
