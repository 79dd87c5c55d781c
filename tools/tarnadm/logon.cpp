// logon.cpp - logon, logoff and the session listing. The password comes
// from --password-file (a file others cannot read), --password-stdin,
// TARN_PASSWORD or the terminal without echo (the terminal is restored when
// Ctrl-C ends the prompt); it is never an argument, and is read into a
// wiped buffer only. A logon is kept in the session store until logoff or
// expiry, so that later runs act as the same user; --user-id logs on
// around one command only.
#include "handlers.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>

namespace tarnadm {
namespace {

volatile std::sig_atomic_t g_promptSignal = 0;

// Ends the prompt's read (installed without SA_RESTART).
void on_prompt_signal(int sig) { g_promptSignal = sig; }

// TARN_PASSWORD, taken out of the environment when tarnadm starts; it
// serves the run's first logon.
admcore::Secret &environment_password()
{
    static admcore::Secret secret;
    return secret;
}

// Reads one line from `fd` into `password`; false at end of input before
// a line end or when the line is too long.
bool read_line(int fd, admcore::Secret &password)
{
    char c = 0;
    ssize_t n = 0;
    while ((n = read(fd, &c, 1)) == 1 || (n < 0 && errno == EINTR)) {
        if (n < 0) continue;
        if (c == '\n') return true;
        if (!password.push(c)) return password.clear(), false;
    }
    return !password.empty();
}

enum class Prompt { Read, NoTerminal, Interrupted };

// Prompts on the controlling terminal without echo. Ctrl-C (or SIGTERM)
// ends the prompt with the terminal echoing again, then the process with
// that signal, unless `keepRunning` (the interactive shell).
Prompt prompt_password(const std::string &prompt, admcore::Secret &password, bool keepRunning)
{
    const int fd = open("/dev/tty", O_RDWR | O_CLOEXEC);
    if (fd < 0) return Prompt::NoTerminal;
    termios saved{};
    if (tcgetattr(fd, &saved) != 0) {
        close(fd);
        return Prompt::NoTerminal;
    }
    g_promptSignal = 0;
    struct sigaction action {
    }, savedInt{}, savedTerm{};
    action.sa_handler = on_prompt_signal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &savedInt);
    sigaction(SIGTERM, &action, &savedTerm);
    termios quiet = saved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    // Echo goes off before the prompt shows, so nothing typed after it is flushed or echoed.
    tcsetattr(fd, TCSAFLUSH, &quiet);
    (void)!write(fd, prompt.data(), prompt.size());
    char c = 0;
    bool ok = false;
    while (!g_promptSignal && read(fd, &c, 1) == 1) {
        if (c == '\n' || c == '\r') {
            ok = true;
            break;
        }
        if (!password.push(c)) break;
    }
    tcsetattr(fd, TCSAFLUSH, &saved);
    (void)!write(fd, "\n", 1);
    sigaction(SIGINT, &savedInt, nullptr);
    sigaction(SIGTERM, &savedTerm, nullptr);
    close(fd);
    if (!g_promptSignal) return ok ? Prompt::Read : Prompt::Interrupted;
    password.clear();
    if (!keepRunning) {
        signal(g_promptSignal, SIG_DFL);
        raise(g_promptSignal);
    }
    return Prompt::Interrupted;
}

// The first line of a password file that only its owner can read, as ssh
// wants of a key.
int read_password_file(Session &session, admcore::Secret &password)
{
    const std::string &path = session.settings.passwordFile;
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return session.usage("cannot read the password file " + path + ": " + std::strerror(errno));
    struct stat st {};
    const bool statted = fstat(fd, &st) == 0;
    if (statted && (st.st_mode & 077)) {
        close(fd);
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(st.st_mode & 07777));
        return session.usage("the password file " + path + " has mode " + mode +
                             ": group and others can reach it, so it is refused (chmod 600 " + path + ")");
    }
    const bool read = statted && read_line(fd, password);
    close(fd);
    if (!read) return session.usage("cannot read a password from " + path);
    if (!password.empty() && password.view().back() == '\r') password.pop();
    return kExitOk;
}

// The password from the first source that has one; the exit status of the report when none has.
int read_password(Session &session, const std::string &node, const std::string &userId, admcore::Secret &password)
{
    admcore::protect_process_memory();
    if (!session.settings.passwordFile.empty()) return read_password_file(session, password);
    if (session.settings.passwordStdin) {
        if (session.scriptLine) return session.usage("--password-stdin cannot be used in a script on stdin");
        if (!read_line(STDIN_FILENO, password)) return session.usage("no password on standard input");
        if (!password.empty() && password.view().back() == '\r') password.pop();
        return kExitOk;
    }
    if (!environment_password().empty()) {
        // Kept no longer than its first logon needs it.
        password.assign(environment_password().view());
        environment_password().clear();
        return kExitOk;
    }
    switch (prompt_password("Password of " + userId + " on " + node + ": ", password, session.interactive)) {
    case Prompt::Read: return kExitOk;
    case Prompt::Interrupted: return session.report(Problem("logon interrupted", admcore::Outcome::Usage));
    case Prompt::NoTerminal: break;
    }
    return session.usage(
        "no password: give --password-file FILE or --password-stdin, set TARN_PASSWORD, or run on a terminal");
}

bool for_people(const Session &session) { return session.settings.format == Format::Table; }

// A one-row report of a logon or logoff in the output form.
void write_outcome(const Session &session, const std::vector<Column> &columns, const std::vector<std::string> &values)
{
    auto out = make_output(stdout, columns, session.style(true));
    std::vector<const char *> texts;
    for (const std::string &v : values) texts.push_back(v.c_str());
    out->row(texts.data());
    out->finish();
}

long session_lifetime(const Session &session)
{
    long seconds = admcore::kDefaultSessionLifetime;
    if (!session.settings.sessionLifetime.empty()) admcore::parse_duration(session.settings.sessionLifetime, seconds);
    return seconds;
}

}  // namespace

void take_environment_password()
{
    char *value = std::getenv("TARN_PASSWORD");
    if (!value) return;
    environment_password().assign(value);
    // Cleared where it lies: /proc/<pid>/environ shows the original block.
    explicit_bzero(value, std::strlen(value));
    unsetenv("TARN_PASSWORD");
}

int logon_user(Session &session, const std::string &node, const std::string &userId)
{
    if (node.empty() || userId.empty()) return session.usage("logon needs NODE and USERID");
    admcore::Secret password;
    if (int exit = read_password(session, node, userId, password)) return exit;
    Settings settings = session.settings;
    settings.node = node;
    Result<admcore::StoredSession> done = session.logons().logon(settings, userId, password, 0);
    if (!done) return session.report(done.problem());
    if (!session.settings.quiet && for_people(session))
        std::fprintf(stderr, "logged on to %s as %s\n", node.c_str(), userId.c_str());
    return kExitOk;
}

int logoff_user(Session &session, const std::string &node, const std::string &userId)
{
    if (node.empty() || userId.empty()) return session.usage("logoff needs NODE and USERID (or --user-id)");
    Settings settings = session.settings;
    settings.node = node;
    if (admcore::Failure failure = session.logons().logoff_node(settings, userId)) return session.report(*failure);
    if (!session.settings.quiet && for_people(session))
        std::fprintf(stderr, "logged off from %s as %s\n", node.c_str(), userId.c_str());
    return kExitOk;
}

int logon_command(Session &session, const Command &c)
{
    long seconds = 0;
    const std::string &lifetime = session.settings.sessionLifetime;
    if (!lifetime.empty() && !admcore::parse_duration(lifetime, seconds))
        return session.usage("--session-lifetime " + lifetime + " is no duration (90s, 30m, 8h, 2d)");
    admcore::Secret password;
    if (int exit = read_password(session, c.node, c.userId, password)) return exit;
    Settings settings = session.settings;
    settings.node = c.node;
    Result<admcore::StoredSession> done =
        session.logons().logon(settings, c.userId, password, session_lifetime(session));
    password.clear();
    if (!done) return session.report(done.problem());
    const std::string until = admcore::format_time(done->expires);
    if (for_people(session)) {
        if (!session.settings.quiet)
            std::printf("logged on to %s as %s until %s (session kept in %s)\n", c.node.c_str(), c.userId.c_str(),
                        until.c_str(), done->path.c_str());
        return kExitOk;
    }
    write_outcome(
        session,
        {{"NODE", "Node"}, {"USER", "User"}, {"LOCAL_USER", "Local user"}, {"EXPIRES", "Expires"}, {"FILE", "File"}},
        {c.node, c.userId, done->key.localUser, until, done->path});
    return kExitOk;
}

int logoff_command(Session &session, const Command &c)
{
    Settings settings = session.settings;
    settings.node = c.node;
    const std::string userId = c.userId.empty() ? session.settings.userId : c.userId;
    Result<std::string> done = session.logons().logoff(settings, userId);
    if (!done) return session.report(done.problem());
    if (for_people(session)) {
        if (!session.settings.quiet) std::printf("logged off from %s as %s\n", c.node.c_str(), done->c_str());
        return kExitOk;
    }
    write_outcome(session, {{"NODE", "Node"}, {"USER", "User"}}, {c.node, *done});
    return kExitOk;
}

int sessions_command(Session &session, const Command &)
{
    Result<admcore::SessionStore> store = session.logons().store(false);
    if (!store) return session.report(store.problem());
    const std::time_t now = std::time(nullptr);
    auto out = make_output(stdout,
                           {{"NODE", "Node"},
                            {"USER", "User"},
                            {"LOCAL_USER", "Local user"},
                            {"ROUTER", "Router"},
                            {"STARTED", "Started"},
                            {"EXPIRES", "Expires"},
                            {"STATE", "State"},
                            {"FILE", "File"}},
                           session.style());
    for (const admcore::StoreEntry &e : store->list()) {
        const admcore::StoredSession &s = e.session;
        const std::string started = e.problem.empty() ? admcore::format_time(s.started) : "";
        const std::string expires = e.problem.empty() ? admcore::format_time(s.expires) : "";
        const std::string state = !e.problem.empty() ? e.problem : s.expired(now) ? "expired" : "active";
        const char *row[] = {s.key.node.c_str(), s.userId.c_str(), s.key.localUser.c_str(), s.key.router.c_str(),
                             started.c_str(),    expires.c_str(),  state.c_str(),           s.path.c_str()};
        out->row(row);
    }
    out->finish();
    return kExitOk;
}

}  // namespace tarnadm
