// logon.cpp - logon and logoff of a node user. The password is read from
// --password-file, TARN_PASSWORD or the terminal without echo (the terminal
// is restored when Ctrl-C ends the prompt), is never an argument, and is
// wiped from memory once the logon request has been sent.
#include "handlers.hpp"

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

// The node's refusal from the logon trace lines: "rc = <n>" and the message line after it.
Problem logon_problem(const std::string &what, unsigned rc, const std::vector<std::string> &trace)
{
    Problem problem(what, admcore::outcome_of(rc, 0), rc, admcore::Family::Logon);
    for (std::size_t i = 0; i < trace.size(); ++i) {
        const std::size_t at = trace[i].find("failure, rc = ");
        if (at == std::string::npos) continue;
        problem.routerCode = static_cast<unsigned>(std::strtoul(trace[i].c_str() + at + 14, nullptr, 10));
        if (i + 1 < trace.size() && trace[i + 1].rfind("***", 0) == 0) {
            std::string message = trace[i + 1].substr(3);
            message.erase(0, message.find_first_not_of(' '));
            problem.nodeMessage = message;
        }
    }
    problem.outcome = admcore::outcome_of(problem.routerCode ? ZE_RC_ROUTER_FAILED : rc, problem.routerCode);
    if (problem.routerCode && problem.routerCode < 1000) problem.outcome = admcore::outcome_of(problem.routerCode, 0);
    return problem;
}

const char *local_user_arg(const Session &session)
{
    return session.settings.user.empty() ? nullptr : session.settings.user.c_str();
}

}  // namespace

int logon_user(Session &session, const std::string &node, const std::string &userId)
{
    if (node.empty() || userId.empty()) return session.usage("logon needs NODE and USERID");
    std::string password;
    if (int exit = read_password(session, node, userId, password)) return exit;
    std::vector<std::string> trace;
    session.capture_trace(&trace);
    const unsigned rc = ZeLogonUser(node.c_str(), userId.c_str(), password.c_str(), local_user_arg(session));
    session.capture_trace(nullptr);
    explicit_bzero(password.data(), password.size());
    if (rc != ZE_OK) return session.report(logon_problem("logon of " + userId + " to " + node + " failed", rc, trace));
    if (!session.settings.quiet && session.settings.format == Format::Table)
        std::fprintf(stderr, "logged on to %s as %s\n", node.c_str(), userId.c_str());
    return kExitOk;
}

int logoff_user(Session &session, const std::string &node, const std::string &userId)
{
    if (node.empty() || userId.empty()) return session.usage("logoff needs NODE and USERID (or --user-id)");
    std::vector<std::string> trace;
    session.capture_trace(&trace);
    const unsigned rc = ZeLogoffUser(node.c_str(), userId.c_str(), local_user_arg(session));
    session.capture_trace(nullptr);
    if (rc != ZE_OK)
        return session.report(logon_problem("logoff of " + userId + " from " + node + " failed", rc, trace));
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
