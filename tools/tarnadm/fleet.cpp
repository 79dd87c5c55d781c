// fleet.cpp - one command across many nodes. Each node is asked by a
// tarnadm process of its own, started with the same settings, one node and
// JSON output: the nodes answer at the same time whatever the library does
// with threads, and a node that hangs or a process that fails touches no
// other node's answer. The answers are merged here once all are in.
#include "fleet.hpp"

#include "admcore.hpp"
#include "batches.hpp"
#include "handlers.hpp"
#include "text.hpp"

#include <fcntl.h>
#include <fnmatch.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <functional>
#include <optional>

extern char **environ;

namespace tarnadm {
namespace {

using Json = nlohmann::ordered_json;

constexpr unsigned kDefaultParallel = 16;
constexpr unsigned kMostParallel = 256;

bool is_pattern(std::string_view name) { return name.find_first_of("*?[") != std::string_view::npos; }

// What one node's process gave back.
struct NodeRun {
    std::string node;
    pid_t pid = -1;
    int out = -1, err = -1;  // read ends of its stdout and stderr, -1 once closed
    std::string stdoutText, stderrText;
    int exit = kExitOk;
    bool summarized = false;  // its summary named its failures
};

Result<unsigned> parallel_of(const Settings &settings)
{
    if (settings.parallel.empty()) return kDefaultParallel;
    char *end = nullptr;
    errno = 0;
    const unsigned long n = std::strtoul(settings.parallel.c_str(), &end, 10);
    if (errno || *end || n == 0 || n > kMostParallel || settings.parallel[0] == '-')
        return admcore::usage_problem("--parallel \"" + settings.parallel + "\" is no number from 1 to " +
                                      std::to_string(kMostParallel));
    return static_cast<unsigned>(n);
}

// The command line of one node's process: every option set, then the
// command and its arguments as parsed.
std::vector<std::string> node_arguments(const Session &session, const Command &c, const CommandRow &row,
                                        const std::string &node)
{
    const Settings &s = session.settings;
    std::vector<std::string> args = {"tarnadm"};
    for (const GlobalOption &o : global_options()) {
        const std::string name = names_of(o.names).back();
        if (o.text == &Settings::node || o.text == &Settings::parallel || o.flag == &Settings::allNodes || o.form)
            continue;
        if (o.flag && s.*o.flag) args.push_back(name);
        if (o.text && !(s.*o.text).empty()) args.push_back(name + "=" + s.*o.text);
    }
    args.insert(args.end(), {"--node=" + node, "--output=json", row.name});
    for (const CommandFlag &f : row.flags)
        if (s.*f.flag) args.push_back(names_of(f.names).back());
    for (const Argument &a : row.arguments) {
        if (!a.one) args.insert(args.end(), c.args.begin(), c.args.end());
        else if (!(c.*a.one).empty()) args.push_back(c.*a.one);
    }
    return args;
}

// Starts the node's process with its stdout and stderr on pipes; false
// with the reason in `run` when it cannot.
bool start(NodeRun &run, const std::string &program, const std::vector<std::string> &args)
{
    auto fail = [&run](int error) {
        run.exit = kExitInternal;
        run.stderrText = "cannot start tarnadm for the node: " + std::string(std::strerror(error)) + "\n";
        return false;
    };
    int out[2], err[2];
    if (pipe2(out, O_CLOEXEC) != 0) return fail(errno);
    if (pipe2(err, O_CLOEXEC) != 0) {
        const int error = errno;
        close(out[0]), close(out[1]);
        return fail(error);
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    std::vector<char *> argv;
    for (const std::string &a : args) argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    const int rc = posix_spawn(&run.pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]), close(err[1]);
    if (rc != 0) {
        close(out[0]), close(err[0]);
        run.pid = -1;
        return fail(rc);
    }
    run.out = out[0], run.err = err[0];
    return true;
}

// Reads what is there on one pipe; closes it at its end.
void drain(int &fd, std::string &into)
{
    char buffer[65536];
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n > 0) into.append(buffer, static_cast<std::size_t>(n));
    else if (n == 0 || (errno != EINTR && errno != EAGAIN)) close(fd), fd = -1;
}

void finish(NodeRun &run)
{
    int status = 0;
    while (waitpid(run.pid, &status, 0) < 0 && errno == EINTR) {}
    if (WIFEXITED(status)) run.exit = WEXITSTATUS(status);
    else {
        run.exit = WIFSIGNALED(status) && WTERMSIG(status) == SIGINT ? kExitInterrupted : kExitInternal;
        run.stderrText += "tarnadm for the node ended by signal " + std::to_string(WTERMSIG(status)) + "\n";
    }
    run.pid = -1;
}

// Runs every node's process, at most `parallel` at once, until all ended.
void run_all(std::vector<NodeRun> &runs, unsigned parallel, const std::string &program,
             const std::function<std::vector<std::string>(const std::string &)> &arguments)
{
    std::size_t next = 0, running = 0;
    while (next < runs.size() || running > 0) {
        while (running < parallel && next < runs.size()) {
            NodeRun &run = runs[next++];
            if (start(run, program, arguments(run.node))) ++running;
        }
        std::vector<pollfd> fds;
        std::vector<NodeRun *> owners;
        for (NodeRun &run : runs)
            for (int fd : {run.out, run.err})
                if (fd >= 0) fds.push_back({fd, POLLIN, 0}), owners.push_back(&run);
        if (fds.empty()) break;
        if (poll(fds.data(), fds.size(), -1) < 0 && errno != EINTR) break;
        for (std::size_t i = 0; i < fds.size(); ++i) {
            if (!fds[i].revents) continue;
            NodeRun &run = *owners[i];
            if (fds[i].fd == run.out) drain(run.out, run.stdoutText);
            else drain(run.err, run.stderrText);
            if (run.out < 0 && run.err < 0 && run.pid > 0) finish(run), --running;
        }
    }
    // Only when poll itself failed: what is still running is waited for unread.
    for (NodeRun &run : runs) {
        for (int *fd : {&run.out, &run.err})
            if (*fd >= 0) close(*fd), *fd = -1;
        if (run.pid > 0) finish(run);
    }
}

std::string value_text(const Json &value) { return value.is_string() ? value.get<std::string>() : value.dump(); }

// The rows of every node (list, names, show), with a NODE column first;
// an answer that is not JSON is passed on as text lines.
void write_rows(Session &session, const std::string &kindName, std::vector<NodeRun> &runs)
{
    std::vector<std::string> names;
    std::vector<std::vector<std::optional<std::string>>> rows;
    auto column = [&names](const std::string &name) {
        auto at = std::find(names.begin(), names.end(), name);
        if (at != names.end()) return static_cast<std::size_t>(at - names.begin());
        names.push_back(name);
        return names.size() - 1;
    };
    for (NodeRun &run : runs) {
        Json answer = Json::parse(run.stdoutText, nullptr, false);
        if (answer.is_discarded()) continue;
        run.stdoutText.clear();
        if (answer.is_object()) answer = Json::array({answer});
        if (!answer.is_array()) continue;
        for (const Json &item : answer) {
            if (!item.is_object()) continue;
            std::vector<std::optional<std::string>> row{run.node};
            for (const auto &[name, value] : item.items()) {
                const std::size_t at = column(name) + 1;
                if (row.size() <= at) row.resize(at + 1);
                if (!value.is_null()) row[at] = value_text(value);
            }
            rows.push_back(std::move(row));
        }
    }
    std::vector<Column> columns = {{"NODE", "Node"}};
    Result<Kind *> kind = session.kind(kindName, false);
    for (const std::string &name : names) {
        std::string label = name;
        if (kind)
            for (const FieldInfo &f : (*kind)->fields)
                if (f.name == name) label = f.label;
        columns.push_back({name, label});
    }
    auto out = make_output(stdout, columns, session.style());
    std::vector<const char *> texts(columns.size());
    for (std::vector<std::optional<std::string>> &row : rows) {
        row.resize(columns.size());
        for (std::size_t i = 0; i < row.size(); ++i) texts[i] = row[i] ? row[i]->c_str() : nullptr;
        out->row(texts.data());
    }
    out->finish();
}

std::vector<std::string> lines_of(std::string_view text)
{
    std::vector<std::string> lines;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        lines.emplace_back(text.substr(0, end));
        text.remove_prefix(std::min(end + 1, text.size()));
    }
    return lines;
}

// Text a node's process printed (confirmations, summaries), each line
// named with its node; under JSON output one object per line.
void write_lines(const Session &session, const NodeRun &run)
{
    for (const std::string &line : lines_of(run.stdoutText)) {
        if (session.settings.format != Format::Json) {
            std::printf("%s: %s\n", run.node.c_str(), line.c_str());
            continue;
        }
        Json parsed = Json::parse(line, nullptr, false);
        Json entry = {{"node", run.node}};
        if (parsed.is_object()) entry.update(parsed);
        else entry["message"] = line;
        std::printf("%s\n", entry.dump(-1, ' ', false, Json::error_handler_t::replace).c_str());
    }
}

// The summaries of a batched command (define or delete of several items),
// when every node that answered gave one: printed together, each named
// with its node, and taken out of the nodes' output.
void write_summaries(Session &session, std::vector<NodeRun> &runs)
{
    std::vector<std::pair<std::string, BatchSummary>> summaries;
    for (const NodeRun &run : runs) {
        if (run.stdoutText.empty()) continue;
        std::optional<BatchSummary> summary = summary_from_json(run.stdoutText);
        if (!summary) return;
        summaries.emplace_back(run.node, std::move(*summary));
    }
    if (summaries.empty()) return;
    print_summaries(session, summaries);
    for (NodeRun &run : runs) {
        run.summarized = !run.stdoutText.empty();
        run.stdoutText.clear();
    }
}

admcore::Outcome outcome_of_exit(int exit)
{
    for (const ExitRow &row : exit_table())
        if (row.exit == exit && row.outcome) return *row.outcome;
    return admcore::Outcome::Internal;
}

// Every problem of a node's process, reported as this process reports
// its own with the node named first.
void report_problems(const Session &session, const NodeRun &run)
{
    bool reported = false;
    for (const std::string &line : lines_of(run.stderrText)) {
        const Json error = Json::parse(line, nullptr, false);
        if (!error.is_object() || !error.contains("error")) {
            std::fprintf(stderr, "tarnadm: node %s: %s\n", run.node.c_str(), line.c_str());
            continue;
        }
        Problem problem("node " + run.node + ": " + value_text(error["error"]),
                        outcome_of_exit(error.value("exit", static_cast<int>(kExitInternal))), error.value("code", 0u));
        problem.routerCode = error.value("node_code", 0u);
        problem.nodeMessage = error.value("node_message", "");
        session.report(problem);
        reported = true;
    }
    if (run.exit != kExitOk && !reported && !run.summarized)
        session.report(Problem("node " + run.node + ": tarnadm ended with status " + std::to_string(run.exit),
                               outcome_of_exit(run.exit)));
}

bool lists_rows(const CommandRow &row)
{
    return row.handler == list_command || row.handler == names_command || row.handler == show_command;
}

// define and alter of one item answer with the item as the node holds it.
bool answers_an_item(const CommandRow &row) { return row.handler == define_command || row.handler == alter_command; }

bool any_json_object(const std::vector<NodeRun> &runs)
{
    for (const NodeRun &run : runs)
        if (Json::parse(run.stdoutText, nullptr, false).is_object()) return true;
    return false;
}

}  // namespace

bool selects_many_nodes(const Settings &settings)
{
    return settings.allNodes || settings.node.find(',') != std::string::npos || is_pattern(settings.node);
}

Result<std::vector<std::string>> selected_nodes(const Settings &settings)
{
    std::vector<std::string> map;
    for (const admcore::NodeCheck &n : admcore::map_nodes(settings)) map.push_back(n.node);
    std::vector<std::string> nodes;
    auto add = [&nodes](const std::string &node) {
        if (std::find(nodes.begin(), nodes.end(), node) == nodes.end()) nodes.push_back(node);
    };
    if (settings.allNodes) {
        if (map.empty()) return admcore::usage_problem("--all-nodes: the router's map holds no node (tarnadm env)");
        for (const std::string &node : map) add(node);
    }
    std::string_view text = settings.allNodes ? std::string_view() : std::string_view(settings.node);
    while (!text.empty()) {
        const std::size_t comma = text.find(',');
        const std::string name(admcore::trimmed(text.substr(0, comma)));
        text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
        if (name.empty()) return admcore::usage_problem("--node \"" + settings.node + "\" holds an empty node name");
        if (!is_pattern(name)) {
            add(name);
            continue;
        }
        bool matched = false;
        for (const std::string &node : map)
            if (fnmatch(name.c_str(), node.c_str(), 0) == 0) add(node), matched = true;
        if (!matched) return admcore::usage_problem("no node of the router's map matches " + name + " (tarnadm env)");
    }
    return nodes;
}

std::string node_file_name(const std::string &file, const std::string &node)
{
    static constexpr std::string_view kMark = "{node}";
    std::string name = file;
    for (std::size_t at = name.find(kMark); at != std::string::npos; at = name.find(kMark, at + node.size()))
        name.replace(at, kMark.size(), node);
    return name;
}

int run_on_nodes(Session &session, const Command &command, const CommandRow &row)
{
    const Settings &s = session.settings;
    unsigned parallel = 0;
    std::vector<std::string> nodes;
    if (int exit = session.take(parallel_of(s), parallel)) return exit;
    if (int exit = session.take(selected_nodes(s), nodes)) return exit;
    if (!s.userId.empty() && s.passwordFile.empty())
        return session.usage("--user-id on several nodes needs --password-file (one password for every node)");
    if (row.handler == export_command && command.file.find("{node}") == std::string::npos)
        return session.usage("export on several nodes writes one file per node: put {node} in FILE (nodes-{node}.dat)");
    char self[4096];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0) return session.report(Problem("cannot find tarnadm's own program", admcore::Outcome::Internal));
    const std::string program(self, static_cast<std::size_t>(length));

    std::vector<NodeRun> runs(nodes.size());
    for (std::size_t i = 0; i < nodes.size(); ++i) runs[i].node = nodes[i];
    run_all(runs, parallel, program,
            [&](const std::string &node) { return node_arguments(session, command, row, node); });

    if (lists_rows(row)) {
        write_rows(session, command.kind, runs);
    } else {
        write_summaries(session, runs);
        // What the summaries left is the item each node answered with.
        if (answers_an_item(row) && any_json_object(runs)) write_rows(session, command.kind, runs);
    }
    int worst = kExitOk;
    for (const NodeRun &run : runs) {
        write_lines(session, run);
        report_problems(session, run);
        worst = std::max(worst, run.exit);
    }
    return worst;
}

}  // namespace tarnadm
