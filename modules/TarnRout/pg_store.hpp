// The PostgreSQL back end of TarnRout: one libpq connection as the core's
// Store. Statements go out with PQexecParams, every value a text parameter;
// errors are classified by their SQLSTATE.
#pragma once

#include "node_map.hpp"
#include "routecore.hpp"

#include <libpq-fe.h>

#include <sys/types.h>

#include <map>
#include <set>

namespace rout {

class PgStore : public routecore::Store {
public:
    // Takes the open connection over: one with the node map's credentials,
    // or a session's, opened for `role`.
    PgStore(PGconn *conn, Pooling pooling, std::string role = {});
    ~PgStore() override;
    PgStore(const PgStore &) = delete;
    PgStore &operator=(const PgStore &) = delete;

    void append_param(std::string &sql, int n, const routecore::Column *column) const override;
    void append_pattern(std::string &sql, const routecore::Column &column, bool negate, int n) const override;
    std::string pattern_value(std::string_view pattern) const override;
    std::string operand(const routecore::Column &column) const override;
    std::string equality_operand(const routecore::Column &column) const override;
    std::string quoted(std::string_view name) const override;
    std::unique_ptr<routecore::Rows> run(const std::string &sql, const std::vector<routecore::Param> &params) override;
    // Held back until the next statement: in front of a COPY or a COMMIT
    // it goes in the same message, else on its own just before.
    void run_later(const std::string &sql) override;
    // COPY FROM STDIN, read by the server as psql's \copy has it read; a
    // table with INSERT rules gets multi-row INSERTs, which apply them.
    void insert_rows(const routecore::Table &table, const std::vector<const routecore::Column *> &columns,
                     const std::vector<routecore::Param> &values) override;
    // The COPY's rows sent; its result read by finish_rows.
    void start_rows(const routecore::Table &table, const std::vector<const routecore::Column *> &columns,
                    const std::vector<routecore::Param> &values) override;
    void finish_rows() override;
    void begin(bool writes) override;
    void commit() override;
    void rollback() noexcept override;
    routecore::Table table(std::string_view node, std::string_view object) override;

    PGconn *conn() const { return conn_; }
    // The role of a session's connection, "" for the node map's.
    const std::string &role() const { return role_; }
    // Reconnects with the same parameters (PQreset); the kept schemas go.
    void reset();
    bool broken() const { return PQstatus(conn_) != CONNECTION_OK; }
    // Runs a statement without parameters; throws StoreError.
    void exec(const std::string &sql);
    // What STATUS answers of this connection (TarnRouter.h); throws StoreError.
    routecore::StatusPairs status();

private:
    routecore::Table read_table(std::string_view node, std::string_view object);
    // The statements held back followed by `sql`, as one simple query.
    std::string after_held(std::string_view sql);
    // Sends the statements held back, if any; throws StoreError.
    void send_held();

    PGconn *conn_;
    pid_t owner_;  // the process that opened the connection
    Pooling pooling_;
    std::string role_;
    bool inTransaction_ = false;
    std::string held_;      // statements held back by run_later, each followed by "; "
    bool copying_ = false;  // a COPY sent whose result is not read yet
    std::map<std::string, routecore::Table, std::less<>> tables_;  // by object kind as requested
    std::set<std::string> insertRules_;                            // tables with INSERT rules, which COPY skips
};

// The error of a statement (result may be null), classified.
routecore::StoreError store_error(PGconn *conn, const PGresult *result);

}  // namespace rout
