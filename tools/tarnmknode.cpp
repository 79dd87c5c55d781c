// tarnmknode: creates the database of a node by running SQL files on it.
//
//   tarnmknode [--force] <data dir> <node> [sql file ...]
//   tarnmknode [--force] --pg <conninfo> <data dir> <node> [sql file ...]
//
// Without SQL files it runs <data dir>/schema.sql and then <data dir>/seed.sql.
// The files serve both engines: lines between "-- @sqlite" and "-- @end"
// run only on SQLite, lines between "-- @postgresql" and "-- @end" only on
// PostgreSQL, every other line on both.
//
// SQLite (the demo router's nodes): the node is <data dir>/nodes/<node>.db.
// It is built in a temporary file next to the target and renamed into
// place, so a failure leaves no half-made node behind.
// PostgreSQL (TarnRout's nodes): the node is the database that the libpq
// connection string <conninfo> reaches ("host=... dbname=..." or
// "service=NODE"); the files run in one transaction. A node's database is
// UTF8 with LC_CTYPE C.UTF-8, so that upper() and lower() fold as the demo
// router's SQLite nodes do: a database that is missing is created so (the
// user needs CREATEDB), with LC_COLLATE C so that the keys' indexes sort as
// TarnRout compares (byte by byte) and serve its ranges and patterns, and
// an empty one of another encoding or LC_CTYPE is made anew. A database
// whose schema already holds tables is emptied first (DROP SCHEMA public
// CASCADE; made anew when its LC_CTYPE differs) with --force, else refused.
// An existing node is only replaced with --force. Exit status: 0 done,
// 1 failed, 2 usage.
#include "contract/node_file.hpp"
#include "contract/sql_script.hpp"
#include "contract/sqlite_case.hpp"
#include "tool_options.h"

#include <libpq-fe.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Options {
    bool force = false;
    bool postgres = false;
    std::string conninfo;
    std::string directory, node;
    std::vector<std::string> sqlFiles;
};

constexpr const char *kUsage = "usage: tarnmknode [--force] [--pg <conninfo>] <data dir> <node> [sql file ...]\n"
                               "Creates the node <node> from SQL files (default: <data dir>/schema.sql,\n"
                               "then seed.sql): the SQLite database <data dir>/nodes/<node>.db, or with\n"
                               "--pg the PostgreSQL database that <conninfo> reaches.\n"
                               "  --force    replace a node that exists\n"
                               "  --pg       the libpq connection string of a PostgreSQL node\n"
                               "  --help     this text\n"
                               "  --version  the TarnSrvc version\n";

void usage() { std::fputs(kUsage, stderr); }

bool parse(int argc, char **argv, Options &options)
{
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--force") {
            options.force = true;
        } else if (arg == "--pg") {
            if (++i == argc) return false;
            options.postgres = true;
            options.conninfo = argv[i];
        } else if (arg == "--help" || arg == "-h") {
            return false;
        } else args.push_back(arg);
    }
    if (args.size() < 2) return false;
    options.directory = args[0];
    options.node = args[1];
    options.sqlFiles.assign(args.begin() + 2, args.end());
    if (options.sqlFiles.empty())
        options.sqlFiles = {options.directory + "/schema.sql", options.directory + "/seed.sql"};
    return true;
}

bool read_file(const std::string &path, std::string &text)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream content;
    content << in.rdbuf();
    text = content.str();
    return !in.bad();
}

bool read_sql(const std::string &path, std::string_view engine, std::string &sql)
{
    if (!read_file(path, sql)) {
        std::fprintf(stderr, "tarnmknode: cannot read %s: %s\n", path.c_str(), std::strerror(errno));
        return false;
    }
    sql = sql_script::for_engine(sql, engine);
    return true;
}

bool is_directory(const std::string &path)
{
    std::error_code error;
    return std::filesystem::is_directory(path, error);
}

bool exists(const std::string &path)
{
    std::error_code error;
    return std::filesystem::exists(path, error);
}

// Runs every SQL file on the database at `path` in one transaction.
bool build_database(const std::string &path, const std::vector<std::string> &sqlFiles)
{
    sqlite3 *db = nullptr;
    bool ok = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) == SQLITE_OK;
    if (!ok) std::fprintf(stderr, "tarnmknode: cannot create %s: %s\n", path.c_str(), sqlite3_errmsg(db));
    // upper() and lower() as the demo router has them, for the CHECKs the files run.
    ok = ok && sqlite_case::register_functions(db) == SQLITE_OK;
    ok = ok && sqlite3_exec(db, "PRAGMA foreign_keys = ON; BEGIN", nullptr, nullptr, nullptr) == SQLITE_OK;
    for (const std::string &file : sqlFiles) {
        if (!ok) break;
        std::string sql;
        if (!read_sql(file, "sqlite", sql)) {
            ok = false;
        } else if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) {
            std::fprintf(stderr, "tarnmknode: %s: %s\n", file.c_str(), sqlite3_errmsg(db));
            ok = false;
        }
    }
    if (ok && sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "tarnmknode: cannot commit %s: %s\n", path.c_str(), sqlite3_errmsg(db));
        ok = false;
    }
    if (sqlite3_close(db) != SQLITE_OK) ok = false;
    return ok;
}

// Runs `sql` on the connection; false (and a message naming `what`) on failure.
bool pg_exec(PGconn *conn, const std::string &sql, const std::string &what)
{
    PGresult *result = PQexec(conn, sql.c_str());
    const ExecStatusType status = PQresultStatus(result);
    const bool ok = status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
    if (!ok) std::fprintf(stderr, "tarnmknode: %s: %s", what.c_str(), PQerrorMessage(conn));
    PQclear(result);
    return ok;
}

// Whether the connection's current schema holds tables; -1 when that cannot be read.
int has_tables(PGconn *conn)
{
    PGresult *result = PQexec(conn, "SELECT count(*) FROM pg_tables WHERE schemaname = current_schema()");
    int answer = PQresultStatus(result) == PGRES_TUPLES_OK ? std::strcmp(PQgetvalue(result, 0, 0), "0") != 0 : -1;
    if (answer < 0) std::fprintf(stderr, "tarnmknode: cannot read the tables: %s", PQerrorMessage(conn));
    PQclear(result);
    return answer;
}

// Whether the connection's database is UTF8 with LC_CTYPE C.UTF-8; -1 when
// that cannot be read.
int has_node_locale(PGconn *conn)
{
    PGresult *result = PQexec(conn, "SELECT pg_encoding_to_char(encoding) = 'UTF8' AND lower(datctype) IN "
                                    "('c.utf-8', 'c.utf8') FROM pg_database WHERE datname = current_database()");
    int answer = PQresultStatus(result) == PGRES_TUPLES_OK && PQntuples(result) == 1
                     ? std::strcmp(PQgetvalue(result, 0, 0), "t") == 0
                     : -1;
    if (answer < 0) std::fprintf(stderr, "tarnmknode: cannot read the database's locale: %s", PQerrorMessage(conn));
    PQclear(result);
    return answer;
}

// The database the connection string names, "" when it names none itself.
std::string database_named(const std::string &conninfo)
{
    std::string name;
    if (PQconninfoOption *options = PQconninfoParse(conninfo.c_str(), nullptr)) {
        for (PQconninfoOption *o = options; o->keyword; ++o)
            if (std::strcmp(o->keyword, "dbname") == 0 && o->val) name = o->val;
        PQconninfoFree(options);
    }
    return name;
}

// A connection to the server's maintenance database "postgres" with the
// other parameters of the node's connection string.
PGconn *connect_maintenance(const std::string &conninfo)
{
    const char *keywords[] = {"dbname", "dbname", nullptr};
    const char *values[] = {conninfo.c_str(), "postgres", nullptr};
    return PQconnectdbParams(keywords, values, 1);
}

std::string quoted_identifier(PGconn *conn, const std::string &name)
{
    char *quoted = PQescapeIdentifier(conn, name.c_str(), name.size());
    std::string text = quoted ? quoted : "";
    PQfreemem(quoted);
    return text;
}

// (Re)creates database `name` as a node needs it, dropping it first when
// `replace`; false after a message.
bool create_database(const Options &options, const std::string &name, bool replace)
{
    PGconn *conn = connect_maintenance(options.conninfo);
    bool ok = PQstatus(conn) == CONNECTION_OK;
    if (!ok) std::fprintf(stderr, "tarnmknode: cannot reach the server's database postgres: %s", PQerrorMessage(conn));
    const std::string database = ok ? quoted_identifier(conn, name) : "";
    if (ok && replace) ok = pg_exec(conn, "DROP DATABASE " + database + " WITH (FORCE)", "cannot drop " + name);
    ok = ok && pg_exec(conn,
                       "CREATE DATABASE " + database +
                           " TEMPLATE template0 ENCODING 'UTF8' LC_COLLATE 'C' LC_CTYPE 'C.UTF-8'",
                       "cannot create " + name);
    PQfinish(conn);
    return ok;
}

// The node's database, made or made anew as UTF8 with LC_CTYPE C.UTF-8;
// NULL after a message.
PGconn *connect_node(const Options &options)
{
    PGconn *conn = PQconnectdb(options.conninfo.c_str());
    if (PQstatus(conn) != CONNECTION_OK) {
        const std::string name = database_named(options.conninfo);
        std::string problem = PQerrorMessage(conn);
        PQfinish(conn);
        if (name.empty() || !create_database(options, name, false)) {
            std::fprintf(stderr, "tarnmknode: cannot connect to node %s: %s", options.node.c_str(), problem.c_str());
            return nullptr;
        }
        std::printf("tarnmknode: created database %s\n", name.c_str());
        return connect_node(options);
    }
    const int locale = has_node_locale(conn);
    if (locale != 0) {
        if (locale > 0) return conn;
        PQfinish(conn);
        return nullptr;
    }
    const int tables = has_tables(conn);
    const std::string name = PQdb(conn);
    PQfinish(conn);
    if (tables != 0) {
        if (tables > 0 && !options.force)
            std::fprintf(stderr,
                         "tarnmknode: node %s holds tables in a database that is not UTF8 with LC_CTYPE C.UTF-8; "
                         "use --force to make it anew\n",
                         options.node.c_str());
        if (tables < 0 || !options.force) return nullptr;
    }
    if (!create_database(options, name, true)) return nullptr;
    std::printf("tarnmknode: made database %s anew as UTF8 with LC_CTYPE C.UTF-8\n", name.c_str());
    return connect_node(options);
}

// Runs every SQL file on the PostgreSQL database in one transaction.
int make_pg_node(const Options &options)
{
    PGconn *conn = connect_node(options);
    if (!conn) return 1;
    int tables = has_tables(conn);
    bool ok = tables >= 0;
    if (tables > 0 && !options.force) {
        std::fprintf(stderr, "tarnmknode: node %s already holds tables; use --force to replace them\n",
                     options.node.c_str());
        ok = false;
    }
    ok = ok && pg_exec(conn, "BEGIN", "cannot begin");
    if (ok && tables > 0)
        ok = pg_exec(conn, "DROP SCHEMA public CASCADE; CREATE SCHEMA public", "cannot empty the node");
    for (const std::string &file : options.sqlFiles) {
        std::string sql;
        ok = ok && read_sql(file, "postgresql", sql) && pg_exec(conn, sql, file);
    }
    ok = ok && pg_exec(conn, "COMMIT", "cannot commit");
    PQfinish(conn);
    if (ok) std::printf("tarnmknode: created node %s on PostgreSQL\n", options.node.c_str());
    return ok ? 0 : 1;
}

int make_node(const Options &options)
{
    if (!node_file::valid_name(options.node)) {
        std::fprintf(stderr, "tarnmknode: node name \"%s\" is not valid (%s)\n", options.node.c_str(),
                     node_file::kNameRule);
        return 1;
    }
    if (options.postgres) return make_pg_node(options);
    if (!is_directory(options.directory)) {
        std::fprintf(stderr, "tarnmknode: %s is not a directory\n", options.directory.c_str());
        return 1;
    }
    std::string nodes = node_file::directory(options.directory);
    if (!is_directory(nodes) && mkdir(nodes.c_str(), 0755) != 0) {
        std::fprintf(stderr, "tarnmknode: cannot create %s: %s\n", nodes.c_str(), std::strerror(errno));
        return 1;
    }
    std::string target = node_file::path(options.directory, options.node);
    if (exists(target) && !options.force) {
        std::fprintf(stderr, "tarnmknode: %s exists; use --force to replace it\n", target.c_str());
        return 1;
    }

    std::string temporary = nodes + "/." + options.node + ".XXXXXX";
    int fd = mkstemp(temporary.data());
    if (fd < 0) {
        std::fprintf(stderr, "tarnmknode: cannot create a file in %s: %s\n", nodes.c_str(), std::strerror(errno));
        return 1;
    }
    close(fd);
    bool ok = build_database(temporary, options.sqlFiles) && chmod(temporary.c_str(), 0644) == 0;
    if (ok && std::rename(temporary.c_str(), target.c_str()) != 0) {
        std::fprintf(stderr, "tarnmknode: cannot rename into %s: %s\n", target.c_str(), std::strerror(errno));
        ok = false;
    }
    if (!ok) {
        unlink(temporary.c_str());
        return 1;
    }
    std::printf("tarnmknode: created %s\n", target.c_str());
    return 0;
}

}  // namespace

int main(int argc, char **argv)
{
    if (tarn_tool_info(argc, argv, "tarnmknode", kUsage)) return 0;
    Options options;
    if (!parse(argc, argv, options)) {
        usage();
        return 2;
    }
    return make_node(options);
}
