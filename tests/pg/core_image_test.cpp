// No password in a core image: a separate process logs on to a node with a
// role's password, checks its session and logs off; an image of it made
// with gcore must not hold the password. While a session is open
// libpq keeps its password to reconnect, so the image is taken after LOGOFF.
#include "tests/rpdb/rpdb_test.hpp"

#include <signal.h>
#include <sys/wait.h>

#include <random>

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

// The child process reading the secrets from a file, with a pipe from its
// stdout; killed and reaped when the test ends, whatever happened.
struct Child {
    FILE *out = nullptr;
    pid_t pid = -1;
    ~Child()
    {
        if (pid > 0) kill(pid, SIGKILL);
        if (out) pclose(out);
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
    // only through its stdin.
    const std::string password = kReaderPassword, canary = fresh_secret("canary");
    Child child;
    const std::string command = std::string("exec ") + LOGON_CORE_CHILD + " " + node_ + " tarn_reader core-user < " +
                                temp_file(password + "\n" + canary + "\n");
    ASSERT_NE(child.out = popen(command.c_str(), "r"), nullptr);
    // Logon, verify and logoff all answered 0: the password was used.
    char line[128] = {};
    ASSERT_NE(std::fgets(line, sizeof line, child.out), nullptr);
    unsigned logon = 9, verify = 9, logoff = 9;
    std::size_t size = 0;
    ASSERT_EQ(std::sscanf(line, "%u %u %u %zu %d", &logon, &verify, &logoff, &size, &child.pid), 5) << line;
    ASSERT_EQ(std::to_string(logon) + std::to_string(verify) + std::to_string(logoff), "000");
    ASSERT_EQ(size, canary.size());
    const std::string prefix = temp_file(), image = prefix + "." + std::to_string(child.pid);
    const std::string gcore = "timeout 120 gcore -o " + prefix + " " + std::to_string(child.pid) + " >/dev/null 2>&1";
    const bool imaged = std::system(gcore.c_str()) == 0;
    const std::string bytes = read_file(image);
    std::remove(image.c_str());
    if (!imaged || bytes.empty()) GTEST_SKIP() << "gcore cannot image a process on this machine (ptrace refused?)";

    EXPECT_TRUE(contains(bytes, canary)) << "the scan does not find a text the process holds";
    EXPECT_FALSE(contains(bytes, password)) << "the password is in the image after LOGOFF";
}
