// Reads a PostgreSQL node the way a person checking it would, in the form
// of sqlite_rows: columns joined with '|', rows with ';', NULL as
// "<null>"; an SQL error gives the server's message instead. Connections
// are kept per connection string and process, and reset once when the
// server dropped them (tests restart it).
#pragma once

#include <libpq-fe.h>
#include <unistd.h>

#include <map>
#include <string>
#include <utility>

// The kept connections, closed at exit by the process that opened them.
struct PgTestConnections {
    std::map<std::pair<std::string, pid_t>, PGconn *> open;
    ~PgTestConnections()
    {
        for (auto &[key, conn] : open)
            if (key.second == getpid()) PQfinish(conn);
    }
};

inline PGconn *pg_test_connection(const std::string &conninfo)
{
    static PgTestConnections connections;
    PGconn *&conn = connections.open[{conninfo, getpid()}];
    if (!conn) {
        conn = PQconnectdb(conninfo.c_str());
        PQsetNoticeProcessor(
            conn, [](void *, const char *) {}, nullptr);  // "does not exist, skipping"
    }
    if (PQstatus(conn) != CONNECTION_OK) PQreset(conn);
    return conn;
}

inline std::string pg_rows(const std::string &conninfo, const std::string &query)
{
    PGconn *conn = pg_test_connection(conninfo);
    PGresult *result = PQexec(conn, query.c_str());
    const bool clientError =
        PQresultStatus(result) == PGRES_FATAL_ERROR && !PQresultErrorField(result, PG_DIAG_SQLSTATE);
    if (PQstatus(conn) != CONNECTION_OK || clientError) {  // dropped since the last query: once more
        PQclear(result);
        PQreset(conn);
        result = PQexec(conn, query.c_str());
    }
    std::string text;
    const ExecStatusType status = PQresultStatus(result);
    if (status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK) text = PQerrorMessage(conn);
    for (int row = 0; status == PGRES_TUPLES_OK && row < PQntuples(result); ++row) {
        text += row ? ";" : "";
        for (int i = 0; i < PQnfields(result); ++i)
            text += (i ? "|" : "") + std::string(PQgetisnull(result, row, i) ? "<null>" : PQgetvalue(result, row, i));
    }
    PQclear(result);
    return text;
}
