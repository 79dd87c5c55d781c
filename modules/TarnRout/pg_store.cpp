// Statements, transactions, patterns, quoting and the catalog queries of the
// PostgreSQL back end.
#include "pg_store.hpp"

#include "connect.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace rout {

using routecore::Column;
using routecore::fail;
using routecore::Param;
using routecore::StoreError;
using routecore::StoreErrorKind;
using routecore::Table;

namespace {

struct ResultDeleter {
    void operator()(PGresult *result) const { PQclear(result); }
};
using Result = std::unique_ptr<PGresult, ResultDeleter>;

// Statements without parameters as one simple query, whose last result
// must be `expected`. Of several statements PQexec gives the last result,
// or the first failure, as the server runs none after it.
Result simple_query(PGconn *conn, const std::string &sql, ExecStatusType expected)
{
    routecore::trace_sql("TarnRout", sql);
    Result result(PQexec(conn, sql.c_str()));
    if (!result || PQresultStatus(result.get()) != expected) throw store_error(conn, result.get());
    return result;
}

// The rows of one statement, all received (libpq keeps them in one result).
class PgRows : public routecore::Rows {
public:
    explicit PgRows(Result result) : result_(std::move(result)), count_(PQntuples(result_.get())) {}

    bool step() override { return ++row_ < count_; }
    std::string_view value(int i) const override
    {
        return {PQgetvalue(result_.get(), row_, i), static_cast<std::size_t>(PQgetlength(result_.get(), row_, i))};
    }
    const char *text(int i) const override { return PQgetvalue(result_.get(), row_, i); }

private:
    Result result_;
    int count_;
    int row_ = -1;
};

StoreErrorKind kind_of(std::string_view state)
{
    if (state == "23505") return StoreErrorKind::Duplicate;
    if (state == "23514") return StoreErrorKind::Check;
    if (state == "23502") return StoreErrorKind::Required;
    if (state == "23503") return StoreErrorKind::Reference;
    if (state == "42501") return StoreErrorKind::Permission;
    if (state == "57014") return StoreErrorKind::Timeout;
    if (state == "40001" || state == "40P01") return StoreErrorKind::Conflict;
    if (state == "55P03") return StoreErrorKind::Timeout;  // lock_timeout
    if (state == "53200") return StoreErrorKind::NoMemory;
    // Statements name only tables and columns read from the catalog: one
    // that is gone means the table changed since.
    if (state == "42P01" || state == "42703") return StoreErrorKind::Stale;
    const std::string_view cls = state.substr(0, 2);
    if (cls == "23" || cls == "22") return StoreErrorKind::Refused;
    if (cls == "08" || state == "57P01" || state == "57P02" || state == "57P03") return StoreErrorKind::Lost;
    return StoreErrorKind::Other;
}

// libpq's own text without its line end.
std::string connection_message(PGconn *conn)
{
    std::string message(routecore::view(PQerrorMessage(conn)));
    while (!message.empty() && (message.back() == '\n' || message.back() == ' ')) message.pop_back();
    return message;
}

}  // namespace

StoreError store_error(PGconn *conn, const PGresult *result)
{
    const char *state = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
    const char *primary = result ? PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
    std::string message = primary ? primary : connection_message(conn);
    if (PQstatus(conn) != CONNECTION_OK) return {StoreErrorKind::Lost, std::move(message), {}};
    // An error without SQLSTATE is libpq's own: the connection failed.
    if (!state) return {result ? StoreErrorKind::Lost : StoreErrorKind::NoMemory, std::move(message), {}};
    const StoreErrorKind kind = kind_of(state);
    // The constraint a CHECK names, the column NOT NULL names.
    const char *name = nullptr;
    if (kind == StoreErrorKind::Check) name = PQresultErrorField(result, PG_DIAG_CONSTRAINT_NAME);
    if (kind == StoreErrorKind::Required) name = PQresultErrorField(result, PG_DIAG_COLUMN_NAME);
    return {kind, std::move(message), name ? name : ""};
}

PgStore::PgStore(PGconn *conn, Pooling pooling, std::string role)
    : conn_(conn), owner_(getpid()), pooling_(pooling), role_(std::move(role))
{}

// A connection inherited through fork() belongs to the parent: its
// goodbye goes to /dev/null so that the parent's session lives on.
PgStore::~PgStore()
{
    if (owner_ != getpid()) {
        int devnull = open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (devnull >= 0 && PQsocket(conn_) >= 0) dup2(devnull, PQsocket(conn_));
        if (devnull >= 0) close(devnull);
    }
    PQfinish(conn_);
}

void PgStore::append_param(std::string &sql, int n, const Column *column) const
{
    const bool cast = column && !column->type.empty();
    if (cast) sql += "CAST(";
    sql += '$';
    sql += std::to_string(n);
    if (cast) sql += " AS " + column->type + ")";
}

void PgStore::append_pattern(std::string &sql, const Column &column, bool negate, int n) const
{
    sql += "CAST(" + quoted(column.name) + " AS text)";
    if (!column.sortsBytewise) sql += " COLLATE \"C\"";
    sql += negate ? " NOT LIKE $" : " LIKE $";
    sql += std::to_string(n);
}

// LIKE pattern of a value in which only '*' is special: '%', '_' and the
// escape character match themselves.
std::string PgStore::pattern_value(std::string_view value) const
{
    std::string pattern;
    pattern.reserve(value.size() + 8);
    for (char c : value) {
        if (c == '*') pattern += '%';
        else if (c == '%' || c == '_' || c == '\\') (pattern += '\\') += c;
        else pattern += c;
    }
    return pattern;
}

// Text compares and sorts byte by byte, as on SQLite, whatever the
// database's collation. A column whose own collation is C needs no COLLATE,
// so its index serves ranges, ORDER BY and patterns with a fixed prefix.
std::string PgStore::operand(const Column &column) const
{
    return column.textual && !column.sortsBytewise ? quoted(column.name) + " COLLATE \"C\"" : quoted(column.name);
}

// Equality of a deterministic collation is byte equality already: compared
// in the column's own collation, the key's index serves the lookup.
std::string PgStore::equality_operand(const Column &column) const
{
    return column.textual && !column.equalsBytewise ? quoted(column.name) + " COLLATE \"C\"" : quoted(column.name);
}

std::string PgStore::quoted(std::string_view name) const { return routecore::double_quoted(name); }

void PgStore::run_later(const std::string &sql)
{
    held_ += sql;
    held_ += "; ";
}

std::string PgStore::after_held(std::string_view sql)
{
    std::string text = std::move(held_);
    held_.clear();
    text += sql;
    return text;
}

void PgStore::send_held()
{
    if (held_.empty()) return;
    std::string sql = after_held({});
    sql.resize(sql.size() - 2);  // the last "; "
    simple_query(conn_, sql, PGRES_COMMAND_OK);
}

std::unique_ptr<routecore::Rows> PgStore::run(const std::string &sql, const std::vector<Param> &params)
{
    finish_rows();  // a COPY still open ends first
    send_held();
    routecore::trace_sql("TarnRout", sql);
    std::vector<const char *> values;
    values.reserve(params.size());
    for (const Param &p : params) values.push_back(p.null ? nullptr : p.text.c_str());
    Result result(
        PQexecParams(conn_, sql.c_str(), static_cast<int>(values.size()), nullptr, values.data(), nullptr, nullptr, 0));
    const ExecStatusType status = result ? PQresultStatus(result.get()) : PGRES_FATAL_ERROR;
    if (status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK) {
        StoreError error = store_error(conn_, result.get());
        if (error.kind == StoreErrorKind::Stale) tables_.clear();
        // Named: the error's kind is read before it is thrown.
        throw error;  // NOLINT(cert-err09-cpp,cert-err61-cpp)
    }
    return std::make_unique<PgRows>(std::move(result));
}

namespace {

// A value in COPY's text format: backslash escapes for the characters that
// end a value or a row; \N is NULL.
void append_copy_value(std::string &data, const Param &value)
{
    if (value.null) {
        data += "\\N";
        return;
    }
    for (char c : value.text) {
        switch (c) {
        case '\\': data += "\\\\"; break;
        case '\t': data += "\\t"; break;
        case '\n': data += "\\n"; break;
        case '\r': data += "\\r"; break;
        default: data += c;
        }
    }
}

}  // namespace

void PgStore::insert_rows(const Table &table, const std::vector<const Column *> &columns,
                          const std::vector<Param> &values)
{
    start_rows(table, columns, values);
    finish_rows();
}

void PgStore::start_rows(const Table &table, const std::vector<const Column *> &columns,
                         const std::vector<Param> &values)
{
    finish_rows();
    if (insertRules_.count(table.name)) return Store::insert_rows(table, columns, values);  // COPY skips rules
    std::string sql = "COPY " + quoted(table.name) + " (";
    for (std::size_t c = 0; c < columns.size(); ++c) sql += (c ? ", " : "") + quoted(columns[c]->name);
    sql += ") FROM STDIN";
    std::string data;
    for (std::size_t i = 0; i < values.size(); ++i) {
        append_copy_value(data, values[i]);
        data += (i + 1) % columns.size() ? '\t' : '\n';
    }
    Result start = simple_query(conn_, after_held(sql), PGRES_COPY_IN);
    // Sent in pieces: libpq takes at most INT_MAX bytes at once.
    constexpr std::size_t kPiece = 1 << 20;
    bool sent = true;
    for (std::size_t at = 0; sent && at < data.size(); at += kPiece)
        sent = PQputCopyData(conn_, data.data() + at, static_cast<int>(std::min(kPiece, data.size() - at))) == 1;
    // On a blocking connection the end goes out at once: the server takes
    // the rows while the caller goes on.
    PQputCopyEnd(conn_, sent ? nullptr : "the rows could not be sent");
    copying_ = true;
}

void PgStore::finish_rows()
{
    if (!copying_) return;
    copying_ = false;
    // The COPY's result, then the end of the results.
    Result end(PQgetResult(conn_));
    while (PGresult *more = PQgetResult(conn_)) PQclear(more);
    if (!end || PQresultStatus(end.get()) != PGRES_COMMAND_OK) throw store_error(conn_, end.get());
}

void PgStore::exec(const std::string &sql) { run(sql, {}); }

// The server reports in_hot_standby itself; a pooler may not pass it on,
// and then the server is asked.
routecore::StatusPairs PgStore::status()
{
    std::string role(routecore::view(PQparameterStatus(conn_, "in_hot_standby")));
    if (role.empty()) {
        auto rows = run("SELECT pg_is_in_recovery()", {});
        role = rows->step() && rows->value(0) == "t" ? "on" : "off";
    }
    std::string sslmode;
    if (PQconninfoOption *options = PQconninfo(conn_)) {
        for (const PQconninfoOption *o = options; o->keyword; ++o)
            if (std::string_view(o->keyword) == "sslmode" && o->val) sslmode = o->val;
        PQconninfoFree(options);
    }
    const bool tls = PQsslInUse(conn_) != 0;
    routecore::StatusPairs pairs{
        {"version", "PostgreSQL " + std::string(routecore::view(PQparameterStatus(conn_, "server_version")))},
        {"role", role == "on" ? "standby" : "primary"},
        {"tls", tls ? "yes" : "no"},
    };
    if (tls) pairs.emplace_back("tls_protocol", routecore::view(PQsslAttribute(conn_, "protocol")));
    pairs.emplace_back("sslmode", sslmode);
    pairs.emplace_back("host", routecore::view(PQhost(conn_)));
    pairs.emplace_back("port", routecore::view(PQport(conn_)));
    pairs.emplace_back("user", routecore::view(PQuser(conn_)));
    return pairs;
}

// A write runs in one explicit transaction. A read is one SELECT, which the
// server runs as a transaction of its own, so it needs no BEGIN and COMMIT;
// through a pooler a read runs in a transaction too, which sets its limits
// and date style.
void PgStore::begin(bool writes)
{
    if (pooling_ != Pooling::None) {
        const std::string begin = pooled_begin(writes);
        routecore::trace_sql("TarnRout", begin);
        Result result(PQexec(conn_, begin.c_str()));
        inTransaction_ = true;  // a failed SET leaves the transaction open: it is rolled back
        if (!result || PQresultStatus(result.get()) != PGRES_COMMAND_OK) throw store_error(conn_, result.get());
        return;
    }
    if (!writes) return;
    exec("BEGIN");
    inTransaction_ = true;
}

void PgStore::commit()
{
    finish_rows();
    if (!inTransaction_) return;
    inTransaction_ = false;
    simple_query(conn_, after_held("COMMIT"), PGRES_COMMAND_OK);
}

void PgStore::rollback() noexcept
{
    held_.clear();   // undone with the rest
    if (copying_) {  // a started COPY's result is read and dropped
        copying_ = false;
        while (PGresult *result = PQgetResult(conn_)) PQclear(result);
    }
    if (!inTransaction_) return;
    inTransaction_ = false;
    if (broken()) return;  // the server has rolled back already
    routecore::trace_sql("TarnRout", "ROLLBACK");
    PQclear(PQexec(conn_, "ROLLBACK"));
}

void PgStore::reset()
{
    tables_.clear();
    insertRules_.clear();
    inTransaction_ = false;
    held_.clear();
    copying_ = false;
    PQreset(conn_);
}

namespace {

// A name folded to lower case by an unquoted CREATE shows in upper case,
// the case SQL folds to, so messages and answers read as on SQLite.
std::string label_of(const char *name)
{
    std::string label(name);
    for (char c : label)
        if (c >= 'A' && c <= 'Z') return label;
    for (char &c : label) c = ze::ascii_upper(c);
    return label;
}

// The kind of a column by its type (format_type's text).
routecore::ValueKind value_kind(std::string_view type)
{
    using routecore::ValueKind;
    if (type == "integer" || type == "smallint" || type == "bigint") return ValueKind::Integer;
    if (type == "real" || type == "double precision" || type.rfind("numeric", 0) == 0) return ValueKind::Real;
    if (type == "date") return ValueKind::Date;
    if (type.rfind("time", 0) == 0 && type.rfind("timestamp", 0) != 0 &&
        type.find("without time zone") != std::string_view::npos)
        return ValueKind::Time;
    return ValueKind::Text;
}

}  // namespace

// The table as read before on this connection, else read now and kept.
Table PgStore::table(std::string_view node, std::string_view object)
{
    auto kept = tables_.find(object);
    if (kept != tables_.end()) return kept->second;
    Table table = read_table(node, object);
    tables_.emplace(std::string(object), table);
    return table;
}

// Tables of the connection's current schema, matched ignoring case (an
// exact match first), with their primary-key columns marked.
Table PgStore::read_table(std::string_view node, std::string_view object)
{
    routecore::check_object_name(object);
    std::string name(object);
    Table table;
    std::string oid;
    {
        auto find = run("SELECT c.oid, c.relname FROM pg_class c JOIN pg_namespace n ON n.oid = c.relnamespace"
                        " WHERE c.relkind IN ('r', 'p') AND n.nspname = current_schema()"
                        " AND lower(c.relname) = lower($1) ORDER BY c.relname = $1 DESC LIMIT 1",
                        {{name}});
        if (!find->step())
            fail(TARN_ROUTER_RC_UNKNOWN_OBJECT,
                 "Object kind " + name + " is unknown: node " + std::string(node) + " has no such table");
        oid = find->text(0);
        table.name = find->text(1);
        table.label = label_of(find->text(1));
    }
    // A column sorts byte by byte when its collation is C or POSIX, or the
    // database default when the database's own is (libc provider).
    auto columns = run("SELECT a.attname, a.attnotnull, coalesce(a.attnum = ANY (i.indkey), false),"
                       " format_type(a.atttypid, a.atttypmod), a.attcollation <> 0,"
                       " a.attcollation IN (950, 951) OR (a.attcollation = 100 AND EXISTS (SELECT 1 FROM pg_database d"
                       "  WHERE d.datname = current_database() AND d.datlocprovider = 'c'"
                       "  AND d.datcollate IN ('C', 'POSIX'))),"
                       " coalesce(co.collisdeterministic, true)"
                       " FROM pg_attribute a LEFT JOIN pg_index i ON i.indrelid = a.attrelid AND i.indisprimary"
                       " LEFT JOIN pg_collation co ON co.oid = a.attcollation"
                       " WHERE a.attrelid = $1 AND a.attnum > 0 AND NOT a.attisdropped ORDER BY a.attnum",
                       {{oid}});
    while (columns->step()) {
        Column column;
        column.name = columns->text(0);
        column.label = label_of(columns->text(0));
        column.notNull = columns->value(1) == "t";
        column.primaryKey = columns->value(2) == "t";
        column.type = columns->text(3);
        column.textual = columns->value(4) == "t";
        column.sortsBytewise = columns->value(5) == "t";
        column.equalsBytewise = columns->value(6) == "t";
        column.kind = value_kind(column.type);
        table.columns.push_back(std::move(column));
    }
    auto insertRules = run("SELECT EXISTS (SELECT 1 FROM pg_rewrite WHERE ev_class = $1 AND ev_type = '3')", {{oid}});
    if (insertRules->step() && insertRules->value(0) == "t") insertRules_.insert(table.name);
    else insertRules_.erase(table.name);
    auto rules = run(std::string("SELECT to_regclass('") + routecore::kRulesTable + "') IS NOT NULL", {});
    if (rules->step() && rules->value(0) == "t") routecore::read_rules(*this, table);
    return table;
}

}  // namespace rout
