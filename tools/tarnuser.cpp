// tarnuser: adds a user to a demo-router node, or gives a user a new
// password and access.
//
//   tarnuser [--read-only] <data dir> <node> <user id>
//
// With --read-only the user's sessions may only read (ACCESS READ: the
// router refuses their writes); without it they may read and change.
// The password is the first line of standard input, read without echo when
// that is a terminal. The node's USERS table (data/logon.sql) gets the user
// id with a fresh random salt and the slow salted hash that the router
// checks at LOGON (the same code, modules/password/password.cpp); the
// password itself is stored nowhere. Open sessions of the user are kept.
// Exit status: 0 done, 1 failed, 2 usage.
#include "ZeLogon.h"
#include "tool_options.h"
#include "contract/node_file.hpp"
#include "password.hpp"

#include <openssl/crypto.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <string>

namespace {

constexpr std::size_t kMaxUserId = 64;

struct Options {
    std::string directory, node, userId;
    bool readOnly = false;
};

bool valid_user_id(const std::string &id)
{
    if (id.empty() || id.size() > kMaxUserId) return false;
    for (unsigned char c : id)
        if (c < 0x20 || c == 0x7f) return false;
    return true;
}

// The terminal settings to put back if a signal ends the program while
// echo is off (Ctrl-C at the password prompt, kill).
termios g_savedTerminal{};
volatile sig_atomic_t g_echoOff = 0;

void restore_echo_and_die(int signo)
{
    if (g_echoOff) tcsetattr(STDIN_FILENO, TCSANOW, &g_savedTerminal);
    signal(signo, SIG_DFL);
    raise(signo);
}

void echo_off()
{
    for (int signo : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGTSTP}) signal(signo, restore_echo_and_die);
    termios quiet = g_savedTerminal;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    g_echoOff = 1;
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
}

void echo_on()
{
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &g_savedTerminal);
    g_echoOff = 0;
    for (int signo : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGTSTP}) signal(signo, SIG_DFL);
}

// The first line of stdin without its line end; no echo on a terminal.
bool read_password(const Options &options, std::string &password)
{
    const bool terminal = isatty(STDIN_FILENO) && tcgetattr(STDIN_FILENO, &g_savedTerminal) == 0;
    if (terminal) {
        std::fprintf(stderr, "Password of %s on %s: ", options.userId.c_str(), options.node.c_str());
        echo_off();
    }
    const bool read = static_cast<bool>(std::getline(std::cin, password));
    if (terminal) {
        echo_on();
        std::fprintf(stderr, "\n");
    }
    if (read && !password.empty() && password.back() == '\r') password.pop_back();
    return read;
}

bool check_password(const Options &options, const std::string &password)
{
    if (password.empty()) {
        std::fprintf(stderr, "tarnuser: an empty password is refused\n");
        return false;
    }
    if (options.userId.size() + password.size() > ZE_LOGON_MAX_CREDENTIALS) {
        std::fprintf(stderr, "tarnuser: user id and password together exceed %u characters; ZeLogon refuses them\n",
                     ZE_LOGON_MAX_CREDENTIALS);
        return false;
    }
    return true;
}

enum class Users { Kept, Missing, NotADatabase };

// Whether the node has a USERS table; a file SQLite cannot read as a
// database is told apart, so that it is not taken for a node without users.
Users users_table(sqlite3 *db)
{
    sqlite3_stmt *st = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT 1 FROM sqlite_schema WHERE type = 'table' AND name = 'USERS'", -1, &st,
                           nullptr) != SQLITE_OK) {
        sqlite3_finalize(st);
        return Users::NotADatabase;
    }
    int rc = sqlite3_step(st);
    sqlite3_finalize(st);
    if (rc == SQLITE_ROW) return Users::Kept;
    return rc == SQLITE_DONE ? Users::Missing : Users::NotADatabase;
}

// Inserts the user or replaces its salt, hash, iteration count and access.
bool store_user(sqlite3 *db, const Options &options, const tarn::password::Record &record)
{
    sqlite3_stmt *st = nullptr;
    const std::string &userId = options.userId;
    bool ok = sqlite3_prepare_v2(db,
                                 "INSERT INTO USERS (USER_ID, SALT, HASH, ITERATIONS, ACCESS) VALUES (?, ?, ?, ?, ?)"
                                 " ON CONFLICT (USER_ID) DO UPDATE SET SALT = excluded.SALT,"
                                 " HASH = excluded.HASH, ITERATIONS = excluded.ITERATIONS, ACCESS = excluded.ACCESS",
                                 -1, &st, nullptr) == SQLITE_OK;
    ok = ok && sqlite3_bind_text(st, 1, userId.data(), static_cast<int>(userId.size()), SQLITE_TRANSIENT) == SQLITE_OK;
    ok = ok && sqlite3_bind_blob(st, 2, record.salt.data(), static_cast<int>(record.salt.size()), SQLITE_TRANSIENT) ==
                   SQLITE_OK;
    ok = ok && sqlite3_bind_blob(st, 3, record.hash.data(), static_cast<int>(record.hash.size()), SQLITE_TRANSIENT) ==
                   SQLITE_OK;
    ok = ok && sqlite3_bind_int(st, 4, record.iterations) == SQLITE_OK;
    ok = ok && sqlite3_bind_text(st, 5, options.readOnly ? "READ" : "WRITE", -1, SQLITE_STATIC) == SQLITE_OK;
    ok = ok && sqlite3_step(st) == SQLITE_DONE;
    if (!ok) std::fprintf(stderr, "tarnuser: cannot store the user: %s\n", sqlite3_errmsg(db));
    sqlite3_finalize(st);
    return ok;
}

int add_user(const Options &options)
{
    if (!node_file::valid_name(options.node)) {
        std::fprintf(stderr, "tarnuser: node name \"%s\" is not valid (%s)\n", options.node.c_str(),
                     node_file::kNameRule);
        return 1;
    }
    if (!valid_user_id(options.userId)) {
        std::fprintf(stderr, "tarnuser: a user id is 1 to %zu characters, none of them a control character\n",
                     kMaxUserId);
        return 1;
    }
    const std::string path = node_file::path(options.directory, options.node);
    struct stat info {};
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        std::fprintf(stderr, "tarnuser: node %s is unknown: there is no %s\n", options.node.c_str(), path.c_str());
        return 1;
    }

    std::string password;
    tarn::password::Record record;
    bool ok = read_password(options, password) ? check_password(options, password)
                                               : (std::fprintf(stderr, "tarnuser: no password on stdin\n"), false);
    if (ok && !tarn::password::make_record(password, record)) {
        std::fprintf(stderr, "tarnuser: the password hash cannot be computed\n");
        ok = false;
    }
    OPENSSL_cleanse(password.data(), password.size());
    if (!ok) return 1;

    sqlite3 *db = nullptr;
    ok = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK;
    if (!ok) std::fprintf(stderr, "tarnuser: cannot open %s: %s\n", path.c_str(), sqlite3_errmsg(db));
    if (ok) sqlite3_busy_timeout(db, 5000);
    const Users users = ok ? users_table(db) : Users::NotADatabase;
    if (ok && users == Users::NotADatabase) {
        std::fprintf(stderr, "tarnuser: %s is not a valid node database: %s\n", path.c_str(), sqlite3_errmsg(db));
        ok = false;
    } else if (ok && users == Users::Missing) {
        std::fprintf(stderr, "tarnuser: node %s keeps no users: run logon.sql on it (tarnmknode)\n",
                     options.node.c_str());
        ok = false;
    }
    ok = ok && store_user(db, options, record);
    sqlite3_close(db);
    if (ok)
        std::printf("tarnuser: user %s stored on node %s%s\n", options.userId.c_str(), options.node.c_str(),
                    options.readOnly ? " (read only)" : "");
    return ok ? 0 : 1;
}

}  // namespace

constexpr const char *kUsage = "usage: tarnuser [--read-only] <data dir> <node> <user id>   (the password on stdin)\n"
                               "Stores a user of a demo-router node: a salted hash of the password read\n"
                               "from standard input (prompted for without echo on a terminal).\n"
                               "  --read-only  the user's sessions may only read\n"
                               "  --help       this text\n"
                               "  --version    the TarnSrvc version\n";

int main(int argc, char **argv)
{
    if (tarn_tool_info(argc, argv, "tarnuser", kUsage)) return 0;
    const bool readOnly = argc > 1 && std::string(argv[1]) == "--read-only";
    if (argc != (readOnly ? 5 : 4)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    char **words = argv + (readOnly ? 2 : 1);
    return add_user({words[0], words[1], words[2], readOnly});
}
