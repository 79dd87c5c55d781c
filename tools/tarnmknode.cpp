// tarnmknode: creates the database of a demo-router node,
// <data dir>/nodes/<node>.db, by running SQL files on a new database.
//
//   tarnmknode [--force] <data dir> <node> [sql file ...]
//
// Without SQL files it runs <data dir>/schema.sql and then <data dir>/seed.sql.
// An existing node is only replaced with --force. The database is built in
// a temporary file next to the target and renamed into place, so a failure
// leaves no half-made node behind. Exit status: 0 done, 1 failed, 2 usage.
#include "node_name.hpp"

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Options {
    bool force = false;
    std::string directory, node;
    std::vector<std::string> sqlFiles;
};

void usage()
{
    std::fprintf(stderr, "usage: tarnmknode [--force] <data dir> <node> [sql file ...]\n");
}

bool parse(int argc, char **argv, Options &options)
{
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--force") options.force = true;
        else if (arg == "--help" || arg == "-h") return false;
        else args.push_back(arg);
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

bool is_directory(const std::string &path)
{
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool exists(const std::string &path)
{
    struct stat info {};
    return stat(path.c_str(), &info) == 0;
}

// Runs every SQL file on the database at `path` in one transaction.
bool build_database(const std::string &path, const std::vector<std::string> &sqlFiles)
{
    sqlite3 *db = nullptr;
    bool ok = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) == SQLITE_OK;
    if (!ok) std::fprintf(stderr, "tarnmknode: cannot create %s: %s\n", path.c_str(), sqlite3_errmsg(db));
    ok = ok && sqlite3_exec(db, "PRAGMA foreign_keys = ON; BEGIN", nullptr, nullptr, nullptr) == SQLITE_OK;
    for (const std::string &file : sqlFiles) {
        if (!ok) break;
        std::string sql;
        if (!read_file(file, sql)) {
            std::fprintf(stderr, "tarnmknode: cannot read %s: %s\n", file.c_str(), std::strerror(errno));
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

int make_node(const Options &options)
{
    if (!routecore::valid_node_name(options.node)) {
        std::fprintf(stderr, "tarnmknode: node name \"%s\" is not valid (%s)\n", options.node.c_str(),
                     routecore::kNodeNameRule);
        return 1;
    }
    if (!is_directory(options.directory)) {
        std::fprintf(stderr, "tarnmknode: %s is not a directory\n", options.directory.c_str());
        return 1;
    }
    std::string nodes = options.directory + "/nodes";
    if (!is_directory(nodes) && mkdir(nodes.c_str(), 0755) != 0) {
        std::fprintf(stderr, "tarnmknode: cannot create %s: %s\n", nodes.c_str(), std::strerror(errno));
        return 1;
    }
    std::string target = nodes + "/" + options.node + ".db";
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
    Options options;
    if (!parse(argc, argv, options)) {
        usage();
        return 2;
    }
    return make_node(options);
}
