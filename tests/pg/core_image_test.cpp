// No password in a core image: a separate process logs on to a node with a
// role's password, checks its session and logs off; an image of it made
// with gcore must not hold the password. While a session is open
// libpq keeps its password to reconnect, so the image is taken after LOGOFF.
#include "tests/rpdb/rpdb_test.hpp"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

extern char **environ;

namespace {

constexpr const char *kReaderPassword = "tarn-reader-pw";

class RoutPgCoreImage : public Rpdb {};

// A text no binary or earlier run holds.
std::string fresh_secret(const char *prefix)
{
    std::random_device random;
    char text[40];
    std::snprintf(text, sizeof text, "%s-%08x%08x%08x", prefix, random(), random(), random());
    return text;
}

// The child process with a pipe to its stdin and one from its stdout;
// killed and reaped when the test ends, whatever happened.
struct Child {
    pid_t pid = -1;
    int in = -1, out = -1;

    bool start(const std::vector<std::string> &args)
    {
        int toChild[2], fromChild[2];
        if (pipe(toChild) != 0) return false;
        if (pipe(fromChild) != 0) {
            close(toChild[0]);
            close(toChild[1]);
            return false;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, toChild[0], 0);
        posix_spawn_file_actions_adddup2(&actions, fromChild[1], 1);
        posix_spawn_file_actions_addclose(&actions, toChild[1]);
        posix_spawn_file_actions_addclose(&actions, fromChild[0]);
        std::vector<char *> argv;
        for (const std::string &arg : args) argv.push_back(const_cast<char *>(arg.c_str()));
        argv.push_back(nullptr);
        const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(toChild[0]);
        close(fromChild[1]);
        in = toChild[1];
        out = fromChild[0];
        if (rc != 0) pid = -1;
        return rc == 0;
    }
    std::string read_line() const
    {
        std::string line;
        char c;
        while (read(out, &c, 1) == 1 && c != '\n') line += c;
        return line;
    }
    ~Child()
    {
        if (in >= 0) close(in);
        if (out >= 0) close(out);
        if (pid > 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    }
};

bool contains(const std::string &haystack, const std::string &needle)
{
    return haystack.find(needle) != std::string::npos;
}

}  // namespace

TEST_F(RoutPgCoreImage, AProcessThatLoggedOffHoldsNoPassword)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "an address-sanitized process maps terabytes of shadow memory, too much for a core image";
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    GTEST_SKIP() << "an address-sanitized process maps terabytes of shadow memory, too much for a core image";
#endif
#endif
    if (std::system("command -v gcore >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "gcore (from gdb) is not installed, so no core image can be made";
    // The child's program and libraries hold neither text: they reach it
    // only through the pipe.
    const std::string password = kReaderPassword, canary = fresh_secret("canary");
    Child child;
    ASSERT_TRUE(child.start({LOGON_CORE_CHILD, node_, "tarn_reader", "core-user"}));
    const std::string secrets = password + "\n" + canary + "\n";
    ASSERT_EQ(write(child.in, secrets.data(), secrets.size()), static_cast<ssize_t>(secrets.size()));
    // Logon, verify and logoff all answered 0: the password was used.
    ASSERT_EQ(child.read_line(), "0 0 0 " + std::to_string(canary.size()));

    const std::filesystem::path scratch =
        std::filesystem::temp_directory_path() / ("tarn_core_image." + std::to_string(getpid()));
    std::filesystem::create_directories(scratch);
    const std::string prefix = (scratch / "core").string();
    const std::string gcore = "timeout 120 gcore -o " + prefix + " " + std::to_string(child.pid) + " >/dev/null 2>&1";
    const std::string image = prefix + "." + std::to_string(child.pid);
    if (std::system(gcore.c_str()) != 0 || !std::filesystem::exists(image)) {
        std::filesystem::remove_all(scratch);
        GTEST_SKIP() << "gcore cannot image a process on this machine (ptrace refused?)";
    }
    std::ifstream file(image, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::filesystem::remove_all(scratch);

    EXPECT_TRUE(contains(bytes, canary)) << "the scan does not find a text the process holds";
    EXPECT_FALSE(contains(bytes, password)) << "the password is in the image after LOGOFF";
}
