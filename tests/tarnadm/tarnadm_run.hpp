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
        // Sessions in a private runtime directory of the test's own; no
        // configuration file and no defaults from the caller's environment.
        fs::create_directory(work_ + "/run");
        fs::permissions(work_ + "/run", fs::perms::owner_all);
        env_ = {"TARN_DATA_DIR=" + data_,
                "DEMO_ROUTER=ON",
                "TARN_NODE=DEMO",
                "HOME=" + work_,
                "TARN_PASSWORD=",
                "COLUMNS=80",
                "XDG_RUNTIME_DIR=" + work_ + "/run",
                "XDG_CONFIG_HOME=" + work_ + "/config",
                "TARN_ROUTER=",
                "TARN_USER=",
                "TARN_LANG=",
                "TARN_OUTPUT=",
                "TARN_SESSION_LIFETIME="};
    }

    // The session store of the runs, and the one session file in it ("" when none).
    std::string store() const { return work_ + "/run/tarnadm"; }
    std::string session_file() const
    {
        std::error_code error;
        for (const auto &entry : std::filesystem::directory_iterator(store(), error)) return entry.path().string();
        return {};
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

    // Runs tarnadm on a script fed through a pipe, with TARN_PASSWORD set.
    // Once `ready` shows in its output (it then waits for more lines),
    // neither its environment and arguments in /proc nor a core image of it
    // may hold `password`; the image must hold `canary`, or the scan proves
    // nothing. The core image is left out under AddressSanitizer, whose
    // shadow memory is too large to image, and without gdb's gcore.
    void expect_password_kept_out(const std::vector<std::string> &args, const std::string &script,
                                  const std::string &ready, const std::string &password, const std::string &canary)
    {
        const std::string out = work_ + "/examined.out";
        int input[2];
        ASSERT_EQ(pipe(input), 0);
        std::vector<std::string> env = environment({"TARN_PASSWORD=" + password});
        const pid_t pid = fork();
        if (pid == 0) {
            dup2(input[0], 0);
            close(input[1]);
            dup2(open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 1);
            exec_tarnadm(args, env);
        }
        close(input[0]);
        ASSERT_EQ(write(input[1], script.data(), script.size()), static_cast<ssize_t>(script.size()));
        for (int i = 0; i < 400 && read_file(out).find(ready) == std::string::npos; ++i) usleep(25000);
        usleep(100000);  // the script's last line read
        const std::string proc = "/proc/" + std::to_string(pid), image = work_ + "/core." + std::to_string(pid);
        EXPECT_NE(read_file(out).find(ready), std::string::npos) << read_file(out);
        EXPECT_EQ(read_file(proc + "/environ").find(password), std::string::npos);
        EXPECT_EQ(read_file(proc + "/cmdline").find(password), std::string::npos);
        const std::string gcore = "command -v gcore >/dev/null && timeout 120 gcore -o " + work_ + "/core " +
                                  std::to_string(pid) + " >/dev/null 2>&1";
        if (kImageable && std::system(gcore.c_str()) == 0) {
            const std::string bytes = read_file(image);
            std::remove(image.c_str());
            EXPECT_NE(bytes.find(canary), std::string::npos) << "the scan does not find a text the process holds";
            EXPECT_EQ(bytes.find(password), std::string::npos) << "the password is in the core image";
        }
        close(input[1]);
        waitpid(pid, nullptr, 0);
    }

    // A sanitizer's shadow memory would make the core image tens of gigabytes.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    static constexpr bool kImageable = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
    static constexpr bool kImageable = false;
#else
    static constexpr bool kImageable = true;
#endif
#else
    static constexpr bool kImageable = true;
#endif

    std::string work_, data_;
    std::vector<std::string> env_;
};
