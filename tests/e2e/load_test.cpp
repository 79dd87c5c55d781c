// Load on one node: several processes write to the same demo node at once,
// each altering one shared printer and defining printers of its own. The
// router must carry every write out: none may be refused as locked.
#include "e2e_test.hpp"

#include <sys/wait.h>

namespace {

constexpr int kProcesses = 8;
constexpr int kRounds = 60;  // each round: one ALTER of the shared item, one DEFINE

// One writer process: the number of refused writes (the first reason on stderr).
int write_rounds(int writer, const std::string &node)
{
    void *printer = nullptr;
    Filter *filter = nullptr;
    ZeCreateFilter(&filter);
    ZeSetFilter(filter, ZE_FILTER_TEXT, "LANGUAGE EQ AMENG");
    if (ZeCreateObject(&printer, "PRINTER", filter) || ZeSetProperty(printer, "USERNAME", "loader") ||
        ZeSetProperty(printer, "DESTINATION", node.c_str(), node.c_str()))
        return kRounds * 2;
    int refused = 0;
    for (int round = 0; round < kRounds; ++round) {
        const std::string copies = std::to_string((writer * kRounds + round) % 99 + 1);
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
    return refused;
}

}  // namespace

TEST_F(E2e, EightWritersOnOneNodeAreAllServed)
{
    const std::string node = own_node("LOAD");
    pid_t writers[kProcesses];
    for (int w = 0; w < kProcesses; ++w) {
        writers[w] = fork();
        ASSERT_GE(writers[w], 0);
        if (writers[w] == 0) _exit(std::min(write_rounds(w, node), 255));
    }
    for (int w = 0; w < kProcesses; ++w) {
        int status = 0;
        ASSERT_EQ(waitpid(writers[w], &status, 0), writers[w]);
        ASSERT_TRUE(WIFEXITED(status)) << "writer " << w;
        EXPECT_EQ(WEXITSTATUS(status), 0) << "writes refused in writer " << w;
    }
    EXPECT_EQ(sql(node, "SELECT count(*) FROM PRINTER WHERE PRN_NAME LIKE 'W%'"), std::to_string(kProcesses * kRounds));
    EXPECT_EQ(sql(node, "SELECT PRN_COPIES BETWEEN 1 AND 99 FROM PRINTER WHERE PRN_NAME = 'LASER1'"), "1");
}
