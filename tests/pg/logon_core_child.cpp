// A process for the core image test: reads a password and a canary from
// stdin, logs on to a node with the password, checks the session, logs off
// and wipes its own copy; then reports the three return codes, the canary's
// length and its process id on stdout and waits to be imaged and killed. The canary stays in its memory, so that a
// scan of the image can show it finds a text that is there.
//   logon_core_child NODE ROLE LOCAL_USER
#include "ZeLogon.h"

#include <string.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// One line from fd 0 into `line`, without stdio's buffer.
bool read_line(char *line, std::size_t size)
{
    std::size_t n = 0;
    char c;
    while (n + 1 < size && read(0, &c, 1) == 1) {
        if (c == '\n') {
            line[n] = '\0';
            return true;
        }
        line[n++] = c;
    }
    return false;
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc != 4) return 2;
    char password[128];
    char canary_line[128];
    if (!read_line(password, sizeof password) || !read_line(canary_line, sizeof canary_line)) return 2;
    auto *canary = new std::string(canary_line);  // kept until the process dies
    explicit_bzero(canary_line, sizeof canary_line);

    const unsigned logon = ZeLogonUser(argv[1], argv[2], password, argv[3]);
    explicit_bzero(password, sizeof password);
    const unsigned verify = ZeLogonIsValidUser(argv[1], argv[2], argv[3]);
    const unsigned logoff = ZeLogoffUser(argv[1], argv[2], argv[3]);

    char report[80];
    const int length = std::snprintf(report, sizeof report, "%u %u %u %zu %d\n", logon, verify, logoff, canary->size(),
                                     static_cast<int>(getpid()));
    if (write(1, report, static_cast<std::size_t>(length)) != length) return 2;
    pause();
    return 0;
}
