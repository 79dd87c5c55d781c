// Runs the tarnadm binary on a scratch copy of the demo data: each test gets
// its own copy, made before the run, and reads the node back with SQLite.
#pragma once

#include "sqlite_rows.hpp"
#include "tarn_test.hpp"

#include <fcntl.h>
#include <sys/wait.h>

#include <map>
#include <set>
#include <sstream>

extern char **environ;

using Words = std::set<std::string>;

// The commands tarnadm --help lists under "Subcommands:".
inline Words listed_commands(const std::string &help)
{
    Words names;
    std::istringstream in(help.substr(help.find("Subcommands:")));
    std::string line;
    std::getline(in, line);
    while (std::getline(in, line) && !line.empty()) names.insert(line.substr(2, line.find(' ', 2) - 2));
    return names;
}

struct Result {
    int exit = -1;
    std::string out, err;
};

// Replaces the calling (child) process with `program` run with args and env.
[[noreturn]] inline void exec_program(const char *program, const std::vector<std::string> &args,
                                      std::vector<std::string> &env)
{
    std::vector<char *> argv = {const_cast<char *>(program)};
    for (const std::string &a : args) argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<char *> envp;
    for (std::string &e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    execve(program, argv.data(), envp.data());
    _exit(127);
}

[[noreturn]] inline void exec_tarnadm(const std::vector<std::string> &args, std::vector<std::string> &env)
{
    exec_program(TARNADM_BIN, args, env);
}

class TarnadmTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        namespace fs = std::filesystem;
        const auto *info = ::testing::UnitTest::GetInstance()->current_test_info();
        work_ = std::string(TARNADM_WORK) + "/" + info->test_suite_name() + "." + info->name();
        fs::remove_all(work_);
        fs::create_directories(work_);
        data_ = work_ + "/data";
        fs::copy(TARNADM_DEMO_DATA, data_, fs::copy_options::recursive);
        env_ = {"TARN_DATA_DIR=" + data_, "DEMO_ROUTER=ON", "TARN_NODE=DEMO",
                "HOME=" + work_,          "TARN_PASSWORD=", "COLUMNS=80"};
    }

    std::string node_db(const std::string &node = "DEMO") const { return data_ + "/nodes/" + node + ".db"; }
    std::string sql(const std::string &query, bool writable = false) const
    {
        return sqlite_rows(node_db(), query, writable);
    }

    // The environment of a run: this process's, with env_ and `extra` on top.
    std::vector<std::string> environment(const std::vector<std::string> &extra) const
    {
        std::map<std::string, std::string> byName;
        auto put = [&](const std::string &e) { byName[e.substr(0, e.find('='))] = e; };
        for (char **e = environ; *e; ++e) put(*e);
        for (const auto *list : {&env_, &extra})
            for (const std::string &e : *list) put(e);
        std::vector<std::string> all;
        for (auto &[name, entry] : byName) all.push_back(entry);
        return all;
    }

    Result run(const std::vector<std::string> &args, const std::string &input = "",
               const std::vector<std::string> &extraEnv = {}) const
    {
        return run_program(TARNADM_BIN, args, input, extraEnv);
    }

    Result run_program(const char *program, const std::vector<std::string> &args, const std::string &input = "",
                       const std::vector<std::string> &extraEnv = {}) const
    {
        const std::string in = work_ + "/stdin", out = work_ + "/stdout", err = work_ + "/stderr";
        write_file(in, input);
        std::vector<std::string> env = environment(extraEnv);
        const pid_t pid = fork();
        if (pid == 0) {
            dup2(open(in.c_str(), O_RDONLY), 0);
            dup2(open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 1);
            dup2(open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 2);
            setsid();  // no controlling terminal: a password prompt cannot be answered
            exec_program(program, args, env);
        }
        int status = 0;
        waitpid(pid, &status, 0);
        Result r;
        r.exit = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        r.out = read_file(out);
        r.err = read_file(err);
        return r;
    }

    std::string work_, data_;
    std::vector<std::string> env_;
};
