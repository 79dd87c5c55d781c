// The SQLite back end of the demo router TarnRpdb: a node is the database
// file <data dir>/nodes/<node>.db; its connections are opened as requests
// need them and kept with the statements prepared on them.
#pragma once

#include "pool.hpp"
#include "routecore.hpp"

#include <sqlite3.h>

#include <map>

namespace rpdb {

using routecore::fail;

// A node's connection as the core's Store.
class SqliteStore : public routecore::Store {
public:
    explicit SqliteStore(sqlite3 *db) : db_(db) {}
    ~SqliteStore() override;
    SqliteStore(const SqliteStore &) = delete;
    SqliteStore &operator=(const SqliteStore &) = delete;

    void append_param(std::string &sql, int n, const routecore::Column *column) const override;
    void append_pattern(std::string &sql, const routecore::Column &column, bool negate, int n) const override;
    std::string pattern_value(std::string_view pattern) const override;
    std::string operand(const routecore::Column &column) const override;
    std::string quoted(std::string_view name) const override;
    std::unique_ptr<routecore::Rows> run(const std::string &sql, const std::vector<routecore::Param> &params) override;
    void begin(bool writes) override;
    void commit() override;
    void rollback() noexcept override;
    routecore::Table table(std::string_view node, std::string_view object) override;

    sqlite3 *db() const { return db_; }
    // A statement prepared for this connection (kept for reuse) or null
    // when it must be prepared for one use.
    struct Cached {
        sqlite3_stmt *stmt;
        bool inUse;
    };
    Cached *cached(const std::string &sql);

private:
    sqlite3 *db_;
    std::map<std::string, Cached, std::less<>> cache_;
};

// A connection to node `name` for one request: a free one of the node's,
// else a new one. Fails with 1007 (no data directory), 1001 (bad name, no
// node file) or 1006.
routecore::Lease node_lease(std::string_view name);

// The engine's error as the core classifies it.
routecore::StoreError store_error(sqlite3 *db);

// Runs one statement to its end.
void exec(routecore::Store &store, const std::string &sql, const std::vector<routecore::Param> &params = {});

// LOGON, LOGOFF and VERIFY on the node's USERS and SESSIONS tables.
std::string run_session(const routecore::Request &request, const routecore::Credentials &credentials,
                        SqliteStore &store);

// Fails with 1011 when the request's local user has a session on the node
// whose user may only read (ACCESS READ).
void require_write_access(SqliteStore &store, const routecore::Request &request);

// USERS and SESSIONS hold the node's logons and are no object kinds.
bool is_logon_table(std::string_view table);

}  // namespace rpdb
