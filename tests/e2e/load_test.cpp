// Load on one node: several processes write to the same demo node at once,
// each altering one shared printer and defining printers of its own, for
// E2E_LOAD_SECONDS (default 10; scripts/load.sh runs a minute) while other
// processes keep three times the machine's cores busy. The router must
// carry every write out: none may be refused as locked.
#include "e2e_test.hpp"

#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <thread>

namespace {

constexpr int kProcesses = 8;

std::chrono::steady_clock::time_point deadline()
{
    const char *seconds = std::getenv("E2E_LOAD_SECONDS");
    return std::chrono::steady_clock::now() + std::chrono::seconds(seconds ? std::atoi(seconds) : 10);
}

// One writer process, rounds of one ALTER of the shared item and one
// DEFINE until `until`: the number of refused writes (the first reason on
// stderr); the number of rounds goes to `rounds`.
int write_rounds(int writer, const std::string &node, std::chrono::steady_clock::time_point until, int rounds)
{
    void *printer = nullptr;
    Filter *filter = nullptr;
    ZeCreateFilter(&filter);
    ZeSetFilter(filter, ZE_FILTER_TEXT, "LANGUAGE EQ AMENG");
    if (ZeCreateObject(&printer, "PRINTER", filter) || ZeSetProperty(printer, "USERNAME", "loader") ||
        ZeSetProperty(printer, "DESTINATION", node.c_str(), node.c_str()))
        return 255;
    int refused = 0, round = 0;
    for (; std::chrono::steady_clock::now() < until; ++round) {
        const std::string copies = std::to_string((writer + round) % 99 + 1);
        const std::string name = "W" + std::to_string(writer) + "_" + std::to_string(round);
        for (const std::string &text : {std::string("NAME EQ LASER1, COPIES EQ ") + copies, "NAME EQ " + name}) {
            ZeResetFilter(filter);
            ZeSetFilter(filter, ZE_FILTER_TEXT, text.c_str());
            char **values = nullptr;
            const char *action = text.find("COPIES") == std::string::npos ? "DEFINE ITEM" : "ALTER ITEM";
            if (ZeSubmitAction(printer, action, filter, &values) == ZE_OK) continue;
            const char *message = nullptr;
            ZeQueryProperty(printer, "LAST MESSAGE", &message);
            if (refused++ == 0) std::fprintf(stderr, "writer %d: %s %s: %s\n", writer, action, text.c_str(), message);
        }
    }
    ZeDestroyObject(printer);
    ZeDestroyFilter(filter);
    if (write(rounds, &round, sizeof round) != sizeof round) ++refused;
    return refused;
}

// A process that keeps one core busy until it is killed.
pid_t burner()
{
    const pid_t pid = fork();
    if (pid != 0) return pid;
    volatile unsigned long spin = 0;
    for (;;) spin = spin + 1u;
}

}  // namespace

TEST_F(E2e, EightWritersOnOneNodeAreAllServed)
{
    const std::string node = own_node("LOAD");
    int rounds[2];
    ASSERT_EQ(pipe(rounds), 0);
    std::vector<pid_t> burners;
    for (unsigned c = 0; c < 3 * std::max(1u, std::thread::hardware_concurrency()); ++c) burners.push_back(burner());
    const auto until = deadline();
    pid_t writers[kProcesses];
    for (int w = 0; w < kProcesses; ++w) {
        writers[w] = fork();
        ASSERT_GE(writers[w], 0);
        if (writers[w] == 0) _exit(std::min(write_rounds(w, node, until, rounds[1]), 255));
    }
    for (int w = 0; w < kProcesses; ++w) {
        int status = 0;
        ASSERT_EQ(waitpid(writers[w], &status, 0), writers[w]);
        ASSERT_TRUE(WIFEXITED(status)) << "writer " << w;
        EXPECT_EQ(WEXITSTATUS(status), 0) << "writes refused in writer " << w;
    }
    for (pid_t pid : burners) kill(pid, SIGKILL);
    for (pid_t pid : burners) waitpid(pid, nullptr, 0);
    close(rounds[1]);
    int total = 0;
    for (int got = 0; read(rounds[0], &got, sizeof got) == sizeof got;) total += got;
    close(rounds[0]);
    EXPECT_GT(total, kProcesses) << "the writers made progress";
    EXPECT_EQ(sql(node, "SELECT count(*) FROM PRINTER WHERE PRN_NAME LIKE 'W%'"), std::to_string(total));
    EXPECT_EQ(sql(node, "SELECT PRN_COPIES BETWEEN 1 AND 99 FROM PRINTER WHERE PRN_NAME = 'LASER1'"), "1");
}
