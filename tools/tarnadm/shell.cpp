// shell.cpp - the interactive shell: line editing with libedit, history in
// ~/.tarnadm_history, completion of commands, object kinds, field names and
// keys; objects and logons stay open between commands. Ctrl-C clears the
// line being typed and never ends the shell, Ctrl-D (or quit) ends it. When standard input is
// not a terminal it runs the lines it reads as a script: its errors name
// their line, and it ends with the exit status of its last command.
#include "cli.hpp"
#include "handlers.hpp"

#include "tarnsrvc_version.h"

#include <editline/readline.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <cwchar>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>

namespace tarnadm {
namespace {

constexpr const char *kShellHelp = R"(Commands: the commands of tarnadm without "tarnadm", e.g.
  list PRINTER LOCATION=BLDG*      show PRINTER LASER1      describe PRINTER
Shell commands:
  use NODE                 send the following requests to NODE (checked first)
  set output table|csv|json, set fields F1,F2, set user USER, set lang LANG,
  set wide on|off, set quiet on|off      change a setting; "set" shows them
  help [COMMAND]           this text, or a command's options
  quit, exit               leave the shell (Ctrl-D too); Ctrl-C clears the line
)";

// Set by SIGINT in the interactive shell, which also writes a byte to the
// wake-up pipe, so that a wait for a key ends however late the signal comes.
volatile std::sig_atomic_t g_interruptedLine = 0;
int g_wake[2] = {-1, -1};

void on_line_interrupt(int)
{
    g_interruptedLine = 1;
    const char byte = 0;
    if (g_wake[1] >= 0) (void)!write(g_wake[1], &byte, 1);
}

// While it lives, SIGINT does not end the shell: it clears the line being
// typed, and is ignored while a command runs (a batched command installs
// its own handler and stops between two batches).
class LineInterrupt {
public:
    LineInterrupt()
    {
        if (pipe2(g_wake, O_CLOEXEC | O_NONBLOCK) != 0) g_wake[0] = g_wake[1] = -1;
        struct sigaction action {};
        action.sa_handler = on_line_interrupt;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, &saved_);
    }
    ~LineInterrupt()
    {
        sigaction(SIGINT, &saved_, nullptr);
        for (int &fd : g_wake) close(fd), fd = -1;
    }
    LineInterrupt(const LineInterrupt &) = delete;
    LineInterrupt &operator=(const LineInterrupt &) = delete;

private:
    struct sigaction saved_ {};
};

// libedit's key reader: one character from the terminal, decoded in the
// locale's encoding (libedit takes what this returns as one character), or
// EOF once SIGINT came. Waiting on the terminal and the wake-up pipe
// together, no signal can fall between a test of the flag and the wait.
int read_key(FILE *)
{
    std::mbstate_t state{};
    for (;;) {
        if (g_interruptedLine) return EOF;
        pollfd fds[2] = {{STDIN_FILENO, POLLIN, 0}, {g_wake[0], POLLIN, 0}};
        if (poll(fds, g_wake[0] >= 0 ? 2 : 1, -1) < 0) {
            if (errno == EINTR) continue;
            return EOF;
        }
        char drained[16];
        if (fds[1].revents & POLLIN) (void)!read(g_wake[0], drained, sizeof drained);
        if (!(fds[0].revents & (POLLIN | POLLHUP | POLLERR))) continue;
        char byte = 0;
        const ssize_t n = read(STDIN_FILENO, &byte, 1);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return EOF;
        wchar_t wide = 0;
        const std::size_t used = std::mbrtowc(&wide, &byte, 1, &state);
        if (used == static_cast<std::size_t>(-2)) continue;  // more bytes of the character to come
        if (used == static_cast<std::size_t>(-1)) return static_cast<unsigned char>(byte);
        return static_cast<int>(wide);
    }
}

Session *g_session = nullptr;  // the session completion works on

constexpr const char *kShellWords[] = {"use", "set", "help", "quit", "exit"};

const std::vector<std::string> &shell_words()
{
    static const std::vector<std::string> words = [] {
        std::vector<std::string> all = listed_commands();
        all.insert(all.end(), std::begin(kShellWords), std::end(kShellWords));
        return all;
    }();
    return words;
}

std::vector<std::string> g_candidates;

char *next_candidate(const char *text, int state)
{
    static std::size_t index;
    if (state == 0) index = 0;
    const std::size_t length = std::strlen(text);
    while (index < g_candidates.size()) {
        const std::string &c = g_candidates[index++];
        if (strncasecmp(c.c_str(), text, length) == 0) return strdup(c.c_str());
    }
    return nullptr;
}

// The candidates for an argument of a command, by what completes it.
std::vector<std::string> argument_candidates(Session &session, Complete complete, const Argument &argument,
                                             const std::string &kindName)
{
    if (complete == Complete::Kind) return admcore::registry_kinds();
    if (complete == Complete::Words) return words_of(argument.words);
    if (complete != Complete::Key && complete != Complete::Field && complete != Complete::Assignment) return {};
    Result<Kind *> kind = session.kind(kindName, complete == Complete::Key);
    if (!kind) return {};
    std::vector<std::string> out;
    if (complete == Complete::Key) {
        Result<std::vector<std::string>> names = admcore::item_names(**kind, admcore::new_filter().get());
        return names ? *names : out;
    }
    for (const FieldInfo &f : (*kind)->fields) out.push_back(complete == Complete::Field ? f.name : f.name + "=");
    return out;
}

// The candidates for the word that follows `before` on the line.
std::vector<std::string> candidates_for(const std::string &before)
{
    std::vector<std::string> words;
    if (!split_words(before, words)) return {};
    std::vector<std::string> plain;
    for (const std::string &w : words)
        if (w.empty() || w[0] != '-') plain.push_back(w);
    if (plain.empty()) return shell_words();
    const std::string &cmd = plain[0];
    if (cmd == "set" && plain.size() == 1) return {"output", "fields", "user", "lang", "wide", "quiet"};
    if (cmd == "set" && plain.size() == 2 && plain[1] == "output") return {"table", "csv", "json"};
    if (cmd == "help") return plain.size() == 1 ? listed_commands() : std::vector<std::string>{};
    const CommandRow *row = find_command(cmd);
    const std::size_t position = plain.size() - 1;
    const Argument *argument = row ? argument_at(*row, position) : nullptr;
    if (!argument || (row->traits & kHidden)) return {};
    return argument_candidates(*g_session, completion_at(*row, position), *argument, plain.size() > 1 ? plain[1] : "");
}

char **complete(const char *text, int start, int /*end*/)
{
    rl_attempted_completion_over = 1;
    g_candidates = candidates_for(std::string(rl_line_buffer, static_cast<std::size_t>(start)));
    bool field = false;
    for (const std::string &c : g_candidates) field = field || (!c.empty() && c.back() == '=');
    rl_completion_append_character = field ? '\0' : ' ';
    return rl_completion_matches(text, next_candidate);
}

std::string history_path()
{
    const char *home = std::getenv("HOME");
    return std::string(home && *home ? home : ".") + "/.tarnadm_history";
}

bool on_off(const std::string &value, bool &flag)
{
    if (value == "on" || value == "yes" || value == "true") flag = true;
    else if (value == "off" || value == "no" || value == "false") flag = false;
    else return false;
    return true;
}

int set_command(Session &session, const std::vector<std::string> &words)
{
    Settings &s = session.settings;
    if (words.size() == 1) {
        const char *formats[] = {"table", "csv", "json"};
        std::printf("node %s\nuser %s\noutput %s\nfields %s\nlang %s\nwide %s\nquiet %s\n", s.node.c_str(),
                    admcore::user_of(s).c_str(), formats[static_cast<int>(s.format)], s.fields.c_str(), s.lang.c_str(),
                    s.wide ? "on" : "off", s.quiet ? "on" : "off");
        return kExitOk;
    }
    const std::string &key = words[1];
    const std::string value = words.size() > 2 ? words[2] : "";
    if (words.size() > 3) return session.usage("set takes one value");
    if (key == "output" && parse_format(value, s.format)) return kExitOk;
    if (key == "fields") return s.fields = value, kExitOk;
    if (key == "user") return s.user = value, kExitOk;
    if (key == "node") return s.node = value, kExitOk;
    if (key == "lang") return s.lang = value, kExitOk;
    if (key == "wide" && on_off(value, s.wide)) return kExitOk;
    if (key == "quiet" && on_off(value, s.quiet)) return kExitOk;
    return session.usage("set " + key + ": unknown setting or bad value (help lists them)");
}

// Options that apply when tarnadm starts cannot change on a shell line.
int refuse_start_options(const Session &session, const Settings &line)
{
    std::vector<std::string> names;
    bool changed = false;
    for (const GlobalOption &o : global_options()) {
        if (!(o.traits & kStartOnly)) continue;
        names.push_back(names_of(o.names).back());
        changed =
            changed || (o.text ? line.*o.text != session.settings.*o.text : line.*o.flag != session.settings.*o.flag);
    }
    if (!changed) return kExitOk;
    std::string list;
    for (std::size_t i = 0; i < names.size(); ++i)
        list += (i == 0 ? "" : i + 1 == names.size() ? " and " : ", ") + names[i];
    return session.usage(list + " apply when tarnadm starts, not in the shell");
}

// `use NODE`: the node is tried first; one that does not answer is not taken.
int use_node(Session &session, const std::vector<std::string> &words)
{
    if (words.size() != 2) return session.usage("use NODE");
    admcore::NodeCheck check;
    check.node = words[1];
    Settings settings = session.settings;
    settings.node = check.node;
    admcore::check_node(settings, check);
    if (!check.answered) {
        Problem problem = admcore::node_problem(check);
        problem.what += "; still using " + (session.settings.node.empty() ? "no node" : session.settings.node);
        return session.report(problem);
    }
    session.settings.node = check.node;
    return kExitOk;
}

// Runs one line; `quit` set when the shell is to end.
int run_line(Session &session, const std::string &line, bool &quit)
{
    std::vector<std::string> words;
    if (!split_words(line, words)) return session.usage("a quote is not closed");
    if (words.empty() || words[0][0] == '#') return kExitOk;
    const std::string &first = words[0];
    if (first == "quit" || first == "exit") return quit = true, kExitOk;
    if (first == "help" && words.size() == 1) return std::fputs(kShellHelp, stdout), kExitOk;
    if (first == "help") words = {words[1], "--help"};
    if (first == "use") return use_node(session, words);
    if (first == "set") return set_command(session, words);
    if (first == "shell") return session.usage("already in the shell");

    Settings lineSettings = session.settings;
    Command command;
    const int parsed = parse_arguments(words, lineSettings, command, &session);
    if (parsed >= 0) return parsed;
    if (command.name.empty()) return kExitOk;
    if (int exit = refuse_start_options(session, lineSettings)) return exit;
    std::swap(session.settings, lineSettings);
    const int exit = execute(session, command);
    std::swap(session.settings, lineSettings);
    std::fflush(stdout);
    return exit;
}

void banner(const Session &session)
{
    const std::string &node = session.settings.node;
    std::printf("tarnadm %s (TarnSrvc): %s through %s. help lists the commands; quit or Ctrl-D ends.\n",
                TARNSRVC_VERSION_STRING, node.empty() ? "no node yet (use NODE)" : ("node " + node).c_str(),
                admcore::router_module(session.settings).c_str());
}

// The interactive shell ends with 0: the errors were seen as they came.
int interactive(Session &session)
{
    g_session = &session;
    // Line editing in the terminal's encoding (UTF-8 as a rule).
    std::setlocale(LC_CTYPE, "");
    rl_readline_name = const_cast<char *>("tarnadm");
    rl_attempted_completion_function = complete;
    rl_getc_function = read_key;
    const std::string history = history_path();
    using_history();
    read_history(history.c_str());
    banner(session);
    LineInterrupt interrupt;
    session.interactive = true;
    for (bool quit = false; !quit;) {
        const std::string prompt =
            "tarnadm" + (session.settings.node.empty() ? "" : "[" + session.settings.node + "]") + "> ";
        g_interruptedLine = 0;
        char *raw = readline(prompt.c_str());
        if (!raw && g_interruptedLine) {
            std::fputs("^C\n", stdout);
            continue;
        }
        if (!raw) {
            std::fputs("\n", stdout);
            break;
        }
        std::string line = raw;
        std::free(raw);
        if (line.find_first_not_of(" \t") == std::string::npos) continue;
        add_history(line.c_str());
        write_history(history.c_str());
        run_line(session, line, quit);
    }
    session.interactive = false;
    g_session = nullptr;
    return kExitOk;
}

// A script ends with the exit status of its last command, as sh does.
int script(Session &session)
{
    int last = kExitOk;
    bool quit = false;
    std::size_t number = 0;
    for (std::string line; !quit && std::getline(std::cin, line);) {
        session.scriptLine = ++number;
        const int exit = run_line(session, line, quit);
        if (!quit) last = exit;
    }
    session.scriptLine = 0;
    return last;
}

}  // namespace

bool split_words(const std::string &line, std::vector<std::string> &words)
{
    words.clear();
    std::string word;
    bool inWord = false;
    char quote = 0;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quote) {
            if (c == quote) quote = 0;
            else if (c == '\\' && quote == '"' && i + 1 < line.size()) word += line[++i];
            else word += c;
        } else if (c == '\'' || c == '"') {
            quote = c, inWord = true;
        } else if (c == '\\' && i + 1 < line.size()) {
            word += line[++i], inWord = true;
        } else if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            if (inWord) words.push_back(word);
            word.clear(), inWord = false;
        } else {
            word += c, inWord = true;
        }
    }
    if (inWord) words.push_back(word);
    return quote == 0;
}

int shell_command(Session &session, const Command &)
{
    return isatty(STDIN_FILENO) ? interactive(session) : script(session);
}

}  // namespace tarnadm
