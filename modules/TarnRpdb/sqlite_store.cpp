// The SQLite side of the demo router: the connections of each node, each
// used by one request at a time and kept for the next, with upper() and
// lower() that fold as a PostgreSQL node does; prepared statements with
// bound parameters, cached per connection; transactions; quoting of
// identifiers; GLOB patterns; and the schema of the table an object kind
// names, with the node's rules about it.
#include "rpdb.hpp"

#include "ZeEnv.h"
#include "contract/node_file.hpp"
#include "contract/sqlite_case.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <mutex>

namespace rpdb {

using routecore::Column;
using routecore::Param;
using routecore::StoreError;
using routecore::StoreErrorKind;
using routecore::Table;

namespace {

constexpr int kDefaultBusySeconds = 5;
constexpr int kMaxBusySeconds = 3600;
// Statements kept per connection; more distinct texts are prepared for one use.
constexpr std::size_t kMaxCachedStatements = 64;
// A connection unused this long is closed (another is opened when needed).
constexpr int kIdleSeconds = 300;

// The connections of the nodes used so far, by file path; all closed when
// the module is unloaded.
class Pools {
public:
    routecore::NodePool &of(const std::string &path, std::string_view node)
    {
        std::lock_guard<std::mutex> hold(lock_);
        auto found = pools_.find(path);
        if (found != pools_.end()) return *found->second;
        routecore::NodePool::Limits limits;
        limits.idle = std::chrono::seconds(kIdleSeconds);
        return *pools_.emplace(path, std::make_unique<routecore::NodePool>(std::string(node), limits)).first->second;
    }

private:
    std::mutex lock_;
    std::map<std::string, std::unique_ptr<routecore::NodePool>, std::less<>> pools_;
};

Pools &pools()
{
    static Pools all;
    return all;
}

// Opens an existing node file read-write and makes sure it is a database.
// Waits for a lock held by another process in short, jittered naps up to
// the busy timeout. SQLite's own handler sleeps longer and longer, so under
// steady load a writer that has waited a while keeps losing the lock to
// newcomers; polling every millisecond or two gives each waiter its turn.
// How long this thread waited for a lock before it gave up, for the
// message of the refusal that follows.
thread_local long lastLockWaitMs = 0;

int wait_for_lock(void *timeoutMs, int attempt)
{
    using Clock = std::chrono::steady_clock;
    thread_local Clock::time_point started;
    if (attempt == 0) started = Clock::now();
    const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started).count();
    if (waited >= *static_cast<int *>(timeoutMs)) {
        lastLockWaitMs = static_cast<long>(waited);
        return 0;
    }
    thread_local unsigned seed = static_cast<unsigned>(getpid());
    seed = seed * 1103515245u + 12345u;
    // Under CPU load, waking every millisecond or two would preempt the
    // holder again and again; past the first 50 ms, naps are longer.
    const unsigned nap = waited < 50 ? 1000 : 5000;
    usleep(nap + (seed >> 16) % nap);
    return 1;
}

sqlite3 *open_node(const std::string &path, std::string_view node)
{
    sqlite3 *db = nullptr;
    // No mutex of SQLite's own: a connection is used by the one request that
    // holds it (see routecore::NodePool), and each SQLite call would
    // otherwise take one.
    int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    std::string problem;
    if (rc != SQLITE_OK) {
        problem = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    } else {
        static int timeoutMs =
            routecore::setting(ZE_ENV_KV_ROUTER_TIMEOUT, kDefaultBusySeconds, kMaxBusySeconds) * 1000;
        sqlite3_busy_handler(db, wait_for_lock, &timeoutMs);
        // Write-ahead logging: readers never block the writer nor the
        // reverse. When another process is converting the file its mode applies.
        sqlite3_exec(db, "PRAGMA journal_mode = WAL", nullptr, nullptr, nullptr);
        if (sqlite3_exec(db, "PRAGMA foreign_keys = ON; SELECT count(*) FROM sqlite_schema", nullptr, nullptr,
                         nullptr) != SQLITE_OK ||
            sqlite_case::register_functions(db) != SQLITE_OK)
            problem = sqlite3_errmsg(db);
    }
    if (problem.empty()) return db;
    sqlite3_close_v2(db);
    fail(TARN_ROUTER_RC_STORAGE_ERROR, "Node " + std::string(node) + " cannot be opened: " + problem);
}

// The rows of one statement; a cached statement goes back to its cache
// reset, any other is finalized.
class SqliteRows : public routecore::Rows {
public:
    SqliteRows(SqliteStore &store, const std::string &sql, const std::vector<Param> &params) : db_(store.db())
    {
        routecore::trace_sql("TarnRpdb", sql);
        SqliteStore::Cached *entry = store.cached(sql);
        if (entry) {
            stmt_ = entry->stmt;
            inUse_ = &entry->inUse;
            *inUse_ = true;
        } else if (sqlite3_prepare_v2(db_, sql.c_str(), static_cast<int>(sql.size()) + 1, &stmt_, nullptr) !=
                   SQLITE_OK) {
            throw store_error(db_);
        }
        int index = 1;
        for (const Param &p : params) {
            int rc = p.null ? sqlite3_bind_null(stmt_, index)
                            : sqlite3_bind_text(stmt_, index, p.text.data(), static_cast<int>(p.text.size()),
                                                SQLITE_TRANSIENT);
            if (rc != SQLITE_OK) {
                StoreError error = store_error(db_);
                release();
                // Named: the error is read before release() resets the statement.
                throw error;  // NOLINT(cert-err09-cpp,cert-err61-cpp)
            }
            ++index;
        }
    }
    ~SqliteRows() override { release(); }

    bool step() override
    {
        int rc = sqlite3_step(stmt_);
        if (rc == SQLITE_ROW) return true;
        if (rc == SQLITE_DONE) return false;
        throw store_error(db_);
    }
    const char *text(int i) const override
    {
        const unsigned char *value = sqlite3_column_text(stmt_, i);
        return value ? reinterpret_cast<const char *>(value) : "";
    }
    std::string_view value(int i) const override
    {
        const char *start = text(i);
        return {start, static_cast<std::size_t>(sqlite3_column_bytes(stmt_, i))};
    }

private:
    void release()
    {
        if (!stmt_) return;
        if (inUse_) {
            sqlite3_reset(stmt_);
            sqlite3_clear_bindings(stmt_);
            *inUse_ = false;
        } else {
            sqlite3_finalize(stmt_);
        }
        stmt_ = nullptr;
    }

    sqlite3 *db_;
    sqlite3_stmt *stmt_ = nullptr;
    bool *inUse_ = nullptr;  // the cache's flag when the statement is a cached one
};

}  // namespace

namespace {

// What follows `prefix` in an engine message ("CHECK constraint failed:
// <constraint>"), after its last '.' when `unqualified` ("NOT NULL
// constraint failed: <table>.<column>"); empty when the message differs.
std::string named_in(const std::string &message, std::string_view prefix, bool unqualified)
{
    if (message.rfind(prefix, 0) != 0) return {};
    std::string name = message.substr(prefix.size());
    const std::size_t dot = unqualified ? name.rfind('.') : std::string::npos;
    return dot == std::string::npos ? name : name.substr(dot + 1);
}

}  // namespace

StoreError store_error(sqlite3 *db)
{
    const int code = sqlite3_extended_errcode(db);
    std::string message = sqlite3_errmsg(db);
    switch (code) {
    case SQLITE_CONSTRAINT_PRIMARYKEY:
    case SQLITE_CONSTRAINT_UNIQUE: return {StoreErrorKind::Duplicate, std::move(message), {}};
    case SQLITE_CONSTRAINT_CHECK: {
        std::string name = named_in(message, "CHECK constraint failed: ", false);
        return {StoreErrorKind::Check, std::move(message), std::move(name)};
    }
    case SQLITE_CONSTRAINT_NOTNULL: {
        std::string name = named_in(message, "NOT NULL constraint failed: ", true);
        return {StoreErrorKind::Required, std::move(message), std::move(name)};
    }
    case SQLITE_CONSTRAINT_FOREIGNKEY: return {StoreErrorKind::Reference, std::move(message), {}};
    default: break;
    }
    // ON DELETE RESTRICT is carried out as a trigger, which reports the
    // foreign key under the trigger's code.
    if (code == SQLITE_CONSTRAINT_TRIGGER && message == "FOREIGN KEY constraint failed")
        return {StoreErrorKind::Reference, std::move(message), {}};
    switch (code & 0xff) {
    case SQLITE_CONSTRAINT:
    case SQLITE_MISMATCH:
    case SQLITE_TOOBIG: return {StoreErrorKind::Refused, std::move(message), {}};
    case SQLITE_NOMEM: return {StoreErrorKind::NoMemory, std::move(message), {}};
    case SQLITE_BUSY: {
        const long ms = lastLockWaitMs;
        lastLockWaitMs = 0;
        return {StoreErrorKind::Other,
                "another process held the node's lock; waited " + std::to_string(ms / 1000) + "." +
                    std::to_string(ms % 1000 / 100) + " s for it (KV_ROUTER_TIMEOUT): " + message,
                {}};
    }
    default: return {StoreErrorKind::Other, std::move(message), {}};
    }
}

void exec(routecore::Store &store, const std::string &sql, const std::vector<Param> &params)
{
    store.run(sql, params)->step();
}

namespace {

bool is_node_file(const std::string &path)
{
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

[[noreturn]] void unknown_node(std::string_view name, const std::string &path)
{
    fail(TARN_ROUTER_RC_UNKNOWN_NODE, "Node " + std::string(name) + " is unknown: there is no " + path);
}

}  // namespace

routecore::Lease node_lease(std::string_view name)
{
    std::string_view directory = routecore::view(ZeEnv(ZE_ENV_TARN_DATA_DIR));
    if (directory.empty())
        fail(TARN_ROUTER_RC_NO_DATA_DIR, "No data directory: set TARN_DATA_DIR to the directory that holds nodes/");
    routecore::check_node_name(name);
    const std::string path = node_file::path(directory, name);
    if (!is_node_file(path)) unknown_node(name, path);
    return pools().of(path, name).lease({}, [&]() -> std::unique_ptr<routecore::Store> {
        if (!is_node_file(path)) unknown_node(name, path);
        sqlite3 *db = open_node(path, name);
        try {
            return std::make_unique<SqliteStore>(db);
        } catch (...) {
            sqlite3_close_v2(db);
            throw;
        }
    });
}

// ------------------------------------------------------------ store

SqliteStore::~SqliteStore()
{
    for (auto &entry : cache_) sqlite3_finalize(entry.second.stmt);
    sqlite3_close_v2(db_);
}

SqliteStore::Cached *SqliteStore::cached(const std::string &sql)
{
    auto it = cache_.find(sql);
    if (it != cache_.end()) return it->second.inUse ? nullptr : &it->second;
    if (cache_.size() >= kMaxCachedStatements) return nullptr;
    sqlite3_stmt *stmt = nullptr;
    if (sqlite3_prepare_v3(db_, sql.c_str(), static_cast<int>(sql.size()) + 1, SQLITE_PREPARE_PERSISTENT, &stmt,
                           nullptr) != SQLITE_OK)
        throw store_error(db_);
    try {
        return &cache_.emplace(sql, Cached{stmt, false}).first->second;
    } catch (...) {
        sqlite3_finalize(stmt);
        throw;
    }
}

void SqliteStore::append_param(std::string &sql, int, const Column *) const { sql += '?'; }

void SqliteStore::append_pattern(std::string &sql, const Column &column, bool negate, int) const
{
    sql += quoted(column.name);
    sql += negate ? " NOT GLOB ?" : " GLOB ?";
}

// GLOB pattern of a value in which only '*' is special.
std::string SqliteStore::pattern_value(std::string_view value) const
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

// SQLite compares text byte by byte already.
std::string SqliteStore::operand(const Column &column) const { return quoted(column.name); }

std::string SqliteStore::quoted(std::string_view name) const { return routecore::double_quoted(name); }

std::unique_ptr<routecore::Rows> SqliteStore::run(const std::string &sql, const std::vector<Param> &params)
{
    return std::make_unique<SqliteRows>(*this, sql, params);
}

// Writers take the write lock at once, so two writers never deadlock halfway.
void SqliteStore::begin(bool writes) { exec(*this, writes ? "BEGIN IMMEDIATE" : "BEGIN"); }

void SqliteStore::commit() { exec(*this, "COMMIT"); }

void SqliteStore::rollback() noexcept
{
    routecore::trace_sql("TarnRpdb", "ROLLBACK");
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
}

namespace {

// The kind of a column of a STRICT table by its declared type; dates and
// times are TEXT that the node's rules table marks.
routecore::ValueKind kind_of(std::string_view type)
{
    if (type == "INTEGER" || type == "INT") return routecore::ValueKind::Integer;
    if (type == "REAL") return routecore::ValueKind::Real;
    return routecore::ValueKind::Text;
}

}  // namespace

Table SqliteStore::table(std::string_view node, std::string_view object)
{
    routecore::check_object_name(object);
    std::string name(object);

    Table table;
    {
        auto find = run("SELECT name FROM sqlite_schema WHERE type = 'table' AND name = ? COLLATE NOCASE"
                        " AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\'",
                        {{name}});
        if (!find->step())
            fail(TARN_ROUTER_RC_UNKNOWN_OBJECT,
                 "Object kind " + name + " is unknown: node " + std::string(node) + " has no such table");
        table.name = table.label = find->text(0);
    }
    if (is_logon_table(table.name))
        fail(TARN_ROUTER_RC_UNKNOWN_OBJECT,
             "Object kind " + table.name + " is not available: it holds the node's logons");
    auto info = run("SELECT name, \"notnull\", pk, upper(type) FROM pragma_table_info(?)", {{table.name}});
    while (info->step()) {
        Column column;
        column.name = column.label = info->text(0);
        column.notNull = info->value(1) != "0";
        column.primaryKey = info->value(2) != "0";
        column.kind = kind_of(info->value(3));
        table.columns.push_back(std::move(column));
    }
    auto rules =
        run("SELECT 1 FROM sqlite_schema WHERE type = 'table' AND name = ? COLLATE NOCASE", {{routecore::kRulesTable}});
    if (rules->step()) routecore::read_rules(*this, table);
    return table;
}

}  // namespace rpdb
