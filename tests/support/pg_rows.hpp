// Reads a PostgreSQL node the way a person checking it would, in the form
// of sqlite_rows: columns joined with '|', rows with ';', NULL as
// "<null>"; an SQL error gives the server's message instead.
#pragma once

#include <libpq-fe.h>

#include <string>

inline std::string pg_rows(const std::string &conninfo, const std::string &query)
{
    PGconn *conn = PQconnectdb(conninfo.c_str());
    std::string text;
    if (PQstatus(conn) != CONNECTION_OK) {
        text = PQerrorMessage(conn);
        PQfinish(conn);
        return text;
    }
    PQsetNoticeProcessor(conn, [](void *, const char *) {}, nullptr);  // "does not exist, skipping"
    PGresult *result = PQexec(conn, query.c_str());
    const ExecStatusType status = PQresultStatus(result);
    if (status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK) text = PQresultErrorMessage(result);
    for (int row = 0; status == PGRES_TUPLES_OK && row < PQntuples(result); ++row) {
        text += row ? ";" : "";
        for (int i = 0; i < PQnfields(result); ++i)
            text += (i ? "|" : "") + std::string(PQgetisnull(result, row, i) ? "<null>" : PQgetvalue(result, row, i));
    }
    PQclear(result);
    PQfinish(conn);
    return text;
}
