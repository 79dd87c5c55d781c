// logon.cpp - logon and logoff of a node user. The password is read from
// --password-file, TARN_PASSWORD or the terminal without echo (the terminal
// is restored when Ctrl-C ends the prompt), is never an argument, and is
// wiped from memory once the logon request has been sent.
#include "handlers.hpp"
#include "logon.hpp"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace tarnadm {
namespace {

int g_ttyFd = -1;
termios g_savedTty{};

void restore_tty_and_die(int sig)
{
    tcsetattr(g_ttyFd, TCSAFLUSH, &g_savedTty);
    const char newline = '\n';
    (void)!write(g_ttyFd, &newline, 1);
    signal(sig, SIG_DFL);
    raise(sig);
}

// Prompts on the controlling terminal; false when there is none.
bool prompt_password(const std::string &prompt, std::string &password)
{
    const int fd = open("/dev/tty", O_RDWR | O_CLOEXEC);
    if (fd < 0) return false;
    termios quiet{};
    if (tcgetattr(fd, &g_savedTty) != 0) {
        close(fd);
        return false;
    }
    g_ttyFd = fd;
    struct sigaction action {
    }, savedInt{}, savedTerm{};
    action.sa_handler = restore_tty_and_die;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &savedInt);
    sigaction(SIGTERM, &action, &savedTerm);
    quiet = g_savedTty;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    // Echo goes off before the prompt shows, so nothing typed after it is flushed or echoed.
    tcsetattr(fd, TCSAFLUSH, &quiet);
    (void)!write(fd, prompt.data(), prompt.size());
    char c = 0;
    bool ok = false;
    while (read(fd, &c, 1) == 1) {
        if (c == '\n' || c == '\r') {
            ok = true;
            break;
        }
        password += c;
    }
    tcsetattr(fd, TCSAFLUSH, &g_savedTty);
    (void)!write(fd, "\n", 1);
    sigaction(SIGINT, &savedInt, nullptr);
    sigaction(SIGTERM, &savedTerm, nullptr);
    g_ttyFd = -1;
    close(fd);
    return ok;
}

// The password from the first source that has one; the exit status of the report when none has.
int read_password(Session &session, const std::string &node, const std::string &userId, std::string &password)
{
    if (!session.settings.passwordFile.empty()) {
        std::ifstream file(session.settings.passwordFile);
        if (!file || !std::getline(file, password))
            return session.usage("cannot read a password from " + session.settings.passwordFile);
        if (!password.empty() && password.back() == '\r') password.pop_back();
        return kExitOk;
    }
    if (const char *fromEnv = std::getenv("TARN_PASSWORD"); fromEnv && *fromEnv) {
        password = fromEnv;
        return kExitOk;
    }
    if (prompt_password("Password of " + userId + " on " + node + ": ", password)) return kExitOk;
    return session.usage("no password: give --password-file FILE, set TARN_PASSWORD, or run on a terminal");
}

}  // namespace

int logon_user(Session &session, const std::string &node, const std::string &userId)
{
    if (node.empty() || userId.empty()) return session.usage("logon needs NODE and USERID");
    std::string password;
    if (int exit = read_password(session, node, userId, password)) return exit;
    admcore::Failure failure = admcore::logon(node, userId, password, session.settings.user);
    explicit_bzero(password.data(), password.size());
    if (failure) return session.report(*failure);
    if (!session.settings.quiet && session.settings.format == Format::Table)
        std::fprintf(stderr, "logged on to %s as %s\n", node.c_str(), userId.c_str());
    return kExitOk;
}

int logoff_user(Session &session, const std::string &node, const std::string &userId)
{
    if (node.empty() || userId.empty()) return session.usage("logoff needs NODE and USERID (or --user-id)");
    if (admcore::Failure failure = admcore::logoff(node, userId, session.settings.user))
        return session.report(*failure);
    if (!session.settings.quiet && session.settings.format == Format::Table)
        std::fprintf(stderr, "logged off from %s as %s\n", node.c_str(), userId.c_str());
    return kExitOk;
}

int logon_command(Session &session, const Command &c) { return logon_user(session, c.node, c.userId); }

int logoff_command(Session &session, const Command &c)
{
    return logoff_user(session, c.node, c.userId.empty() ? session.settings.userId : c.userId);
}

}  // namespace tarnadm
