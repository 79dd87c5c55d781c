// The SQLite side of the router: one connection per node, kept for the life
// of the module; prepared statements with bound parameters; transactions;
// quoting of identifiers; and the schema of the table an object kind names.
#include "rpdb.hpp"

#include "ZeEnv.h"
#include "foundation/text.hpp"
#include "node_name.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <charconv>
#include <chrono>
#include <map>

namespace rpdb {

namespace {

constexpr int kDefaultBusySeconds = 5;
constexpr int kMaxBusySeconds = 3600;

// Connections of the nodes used so far, by file path, each with the
// statements prepared on it; all closed when the module is unloaded.
class Connections {
public:
    struct Cached {
        sqlite3_stmt *stmt;
        bool inUse;
    };
    using Cache = std::map<std::string, Cached, std::less<>>;

    Connections() = default;
    Connections(const Connections &) = delete;
    Connections &operator=(const Connections &) = delete;
    ~Connections()
    {
        for (auto &[path, node] : open_) {
            for (auto &entry : node.cache) sqlite3_finalize(entry.second.stmt);
            sqlite3_close_v2(node.db);
        }
    }

    sqlite3 *find(const std::string &path) const
    {
        auto it = open_.find(path);
        return it == open_.end() ? nullptr : it->second.db;
    }
    void keep(const std::string &path, sqlite3 *db) { open_.emplace(path, Node{db, {}}); }

    // The statement cache of a kept connection, else nullptr.
    Cache *cache_of(sqlite3 *db)
    {
        for (auto &entry : open_)
            if (entry.second.db == db) return &entry.second.cache;
        return nullptr;
    }

private:
    struct Node {
        sqlite3 *db;
        Cache cache;
    };
    std::map<std::string, Node> open_;
};

// Statements kept per connection; more distinct texts are prepared for one use.
constexpr std::size_t kMaxCachedStatements = 64;

Connections &connections()
{
    static Connections all;
    return all;
}

// KV_ROUTER_TIMEOUT in seconds, else the default.
int busy_timeout_ms()
{
    std::string_view text = ze::view(ZeEnv(ZE_ENV_KV_ROUTER_TIMEOUT));
    int seconds = kDefaultBusySeconds;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), seconds);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || seconds < 0 ||
        seconds > kMaxBusySeconds)
        seconds = kDefaultBusySeconds;
    return seconds * 1000;
}

std::string node_path(std::string_view directory, std::string_view node)
{
    std::string path(directory);
    if (path.back() != '/') path += '/';
    path += "nodes/";
    path += node;
    path += ".db";
    return path;
}

void exec(sqlite3 *db, const char *sql) { Statement(db, sql).step(); }

// Waits for a lock held by another process in short, jittered naps up to
// the busy timeout. SQLite's own handler sleeps longer and longer, so under
// steady load a writer that has waited a while keeps losing the lock to
// newcomers; polling every millisecond or two gives each waiter its turn.
int wait_for_lock(void *timeoutMs, int attempt)
{
    using Clock = std::chrono::steady_clock;
    thread_local Clock::time_point started;
    if (attempt == 0) started = Clock::now();
    const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started).count();
    if (waited >= *static_cast<int *>(timeoutMs)) return 0;
    thread_local unsigned seed = static_cast<unsigned>(getpid());
    seed = seed * 1103515245u + 12345u;
    usleep(1000 + (seed >> 16) % 1000);
    return 1;
}

// Opens an existing node file read-write and makes sure it is a database.
sqlite3 *open_node(const std::string &path, std::string_view node)
{
    sqlite3 *db = nullptr;
    int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    std::string problem;
    if (rc != SQLITE_OK) {
        problem = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    } else {
        static int timeoutMs = busy_timeout_ms();
        sqlite3_busy_handler(db, wait_for_lock, &timeoutMs);
        try {
            // Write-ahead logging: readers never block the writer nor the reverse.
            try {
                exec(db, "PRAGMA journal_mode = WAL");
            } catch (const SqlError &) {
                // another process is converting the file; its mode applies
            }
            exec(db, "PRAGMA foreign_keys = ON");
            Statement probe(db, "SELECT count(*) FROM sqlite_schema");
            probe.step();
        } catch (const SqlError &e) {
            problem = e.message;
        }
    }
    if (problem.empty()) return db;
    sqlite3_close_v2(db);
    fail(TARN_RPDB_RC_STORAGE_ERROR, "Node " + std::string(node) + " cannot be opened: " + problem);
}

bool valid_object_name(std::string_view name)
{
    if (name.empty() || name.size() > 64 || (name.front() >= '0' && name.front() <= '9')) return false;
    for (char c : name)
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_'))
            return false;
    return true;
}

}  // namespace

void fail(unsigned code, std::string message) { throw Failure{code, std::move(message)}; }

sqlite3 *node_connection(std::string_view name)
{
    std::string_view directory = ze::view(ZeEnv(ZE_ENV_TARN_DATA_DIR));
    if (directory.empty())
        fail(TARN_RPDB_RC_NO_DATA_DIR, "No data directory: set TARN_DATA_DIR to the directory that holds nodes/");
    if (name.empty()) fail(TARN_RPDB_RC_UNKNOWN_NODE, "The request names no node (DESTNODE is empty)");
    if (!valid_node_name(name))
        fail(TARN_RPDB_RC_UNKNOWN_NODE,
             "Node name \"" + std::string(name) + "\" is not valid (" + kNodeNameRule + ")");

    std::string path = node_path(directory, name);
    if (sqlite3 *db = connections().find(path)) return db;
    struct stat info {};
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        fail(TARN_RPDB_RC_UNKNOWN_NODE, "Node " + std::string(name) + " is unknown: there is no " + path);
    sqlite3 *db = open_node(path, name);
    try {
        connections().keep(path, db);
    } catch (...) {
        sqlite3_close_v2(db);
        throw;
    }
    return db;
}

// ------------------------------------------------------------ statements

Statement::Statement(sqlite3 *db, const std::string &sql, const std::vector<Param> &params) : db_(db)
{
    trace_sql(sql);
    Connections::Cache *cache = connections().cache_of(db);
    Connections::Cached *entry = nullptr;
    if (cache) {
        auto it = cache->find(sql);
        if (it != cache->end()) entry = &it->second;
    }
    if (entry && !entry->inUse) {
        stmt_ = entry->stmt;
    } else {
        bool keep = cache && !entry && cache->size() < kMaxCachedStatements;
        if (sqlite3_prepare_v3(db, sql.c_str(), static_cast<int>(sql.size()) + 1, keep ? SQLITE_PREPARE_PERSISTENT : 0,
                               &stmt_, nullptr) != SQLITE_OK)
            throw SqlError{sqlite3_extended_errcode(db), sqlite3_errmsg(db)};
        entry = keep ? &cache->emplace(sql, Connections::Cached{stmt_, false}).first->second : nullptr;
    }
    if (entry) {
        inUse_ = &entry->inUse;
        *inUse_ = true;
    }
    int index = 1;
    for (const Param &p : params) {
        int rc = p.null ? sqlite3_bind_null(stmt_, index)
                        : sqlite3_bind_text(stmt_, index, p.text.data(), static_cast<int>(p.text.size()),
                                            SQLITE_TRANSIENT);
        if (rc != SQLITE_OK) {
            SqlError error{sqlite3_extended_errcode(db), sqlite3_errmsg(db)};
            release();
            throw error;
        }
        ++index;
    }
}

Statement::~Statement() { release(); }

// A cached statement goes back to its cache reset; any other is finalized.
void Statement::release()
{
    if (inUse_) {
        sqlite3_reset(stmt_);
        sqlite3_clear_bindings(stmt_);
        *inUse_ = false;
    } else {
        sqlite3_finalize(stmt_);
    }
    stmt_ = nullptr;
}

bool Statement::step()
{
    int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    throw SqlError{sqlite3_extended_errcode(db_), sqlite3_errmsg(db_)};
}

const char *Statement::text(int i) const
{
    const unsigned char *value = sqlite3_column_text(stmt_, i);
    return value ? reinterpret_cast<const char *>(value) : "";
}

Transaction::Transaction(sqlite3 *db, bool writes) : db_(db)
{
    exec(db, writes ? "BEGIN IMMEDIATE" : "BEGIN");
    open_ = true;
}

Transaction::~Transaction()
{
    if (open_) {
        trace_sql("ROLLBACK");
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    }
}

void Transaction::commit()
{
    exec(db_, "COMMIT");
    open_ = false;
}

std::string quoted(std::string_view name)
{
    if (name.find('"') != std::string_view::npos)
        fail(TARN_RPDB_RC_BAD_REQUEST, "The name " + std::string(name) + " holds a double quote and cannot be used");
    std::string text;
    text.reserve(name.size() + 2);
    text += '"';
    text += name;
    text += '"';
    return text;
}

// ------------------------------------------------------------ tables

const Column *Table::find(std::string_view wanted) const
{
    for (const Column &column : columns)
        if (ze::equal_nocase(column.name, wanted)) return &column;
    return nullptr;
}

Table load_table(sqlite3 *db, std::string_view node, std::string_view object)
{
    if (object.empty()) fail(TARN_RPDB_RC_UNKNOWN_OBJECT, "The request names no object kind (OBJECT is empty)");
    std::string name(object);
    if (!valid_object_name(object))
        fail(TARN_RPDB_RC_UNKNOWN_OBJECT,
             "Object kind \"" + name + "\" is not valid (1 to 64 of A-Z a-z 0-9 _, not starting with a digit)");

    Table table;
    {
        Statement find(db,
                       "SELECT name FROM sqlite_schema WHERE type = 'table' AND name = ? COLLATE NOCASE"
                       " AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\'",
                       {{name}});
        if (!find.step())
            fail(TARN_RPDB_RC_UNKNOWN_OBJECT,
                 "Object kind " + name + " is unknown: node " + std::string(node) + " has no such table");
        table.name = find.text(0);
    }
    if (is_logon_table(table.name))
        fail(TARN_RPDB_RC_UNKNOWN_OBJECT, "Object kind " + table.name + " is not available: it holds the node's logons");
    Statement info(db, "SELECT name, \"notnull\", pk FROM pragma_table_info(?)", {{table.name}});
    int keys = 0;
    while (info.step()) {
        if (std::string_view(info.text(2)) != "0") {
            table.key = table.columns.size();
            ++keys;
        }
        table.columns.push_back({info.text(0), std::string_view(info.text(1)) != "0"});
    }
    if (keys != 1)
        fail(TARN_RPDB_RC_UNKNOWN_OBJECT,
             "Object kind " + table.name + " cannot be used: its table has no single-column primary key");
    return table;
}

}  // namespace rpdb
