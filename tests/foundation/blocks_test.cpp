// Tagged blocks under reuse: zero fill and alignment of recycled blocks,
// counts and release checks across threads, failure injection counting
// copies, and the TARN_LEAKS report of a process that leaks.
#include "tarn_test.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#define BLOCKS_FROM_SYSTEM 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define BLOCKS_FROM_SYSTEM 1
#endif
#endif

namespace {

using Blocks = TarnTest;

void release(void *block) { TarnFreeBlock(&block, "test", __LINE__); }

bool all_zero(const void *block, std::size_t size)
{
    const auto *p = static_cast<const unsigned char *>(block);
    return std::all_of(p, p + size, [](unsigned char c) { return c == 0; });
}

}  // namespace

TEST_F(Blocks, RecycledBlocksComeBackZeroFilledAndAligned)
{
    for (std::size_t size : {0, 1, 7, 8, 9, 15, 16, 17, 24, 40, 63, 100, 255, 496, 503, 504, 505, 1000, 70000}) {
        SCOPED_TRACE("size " + std::to_string(size));
        void *dirty = TarnAllocBlock(size, "test", __LINE__);
        ASSERT_NE(dirty, nullptr);
        std::memset(dirty, 0xAB, size);
        release(dirty);
        void *again = TarnAllocBlock(size, "test", __LINE__);
        ASSERT_NE(again, nullptr);
        EXPECT_TRUE(all_zero(again, size));
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(again) % 8, 0u);

        // A copy of a shorter text in a dirty block of its class ends where the text ends.
        std::memset(again, 0xCD, size);
        release(again);
        std::string text(size > 0 ? size - 1 : 0, 'x');
        char *copy = TarnDuplicateString(text.c_str(), "test", __LINE__);
        ASSERT_NE(copy, nullptr);
        EXPECT_EQ(std::string(copy), text);
        release(copy);
    }

    // Neighbouring blocks do not overlap.
    std::vector<unsigned char *> blocks;
    for (int i = 0; i < 200; ++i) {
        auto *b = static_cast<unsigned char *>(TarnAllocBlock(24, "test", __LINE__));
        ASSERT_NE(b, nullptr);
        std::memset(b, i, 24);
        blocks.push_back(b);
    }
    for (int i = 0; i < 200; ++i) EXPECT_EQ(std::count(blocks[i], blocks[i] + 24, static_cast<unsigned char>(i)), 24) << i;
    for (unsigned char *b : blocks) release(b);
}

TEST_F(Blocks, ARecycledBlockFreedAgainIsTracedAndNotCounted)
{
#ifdef BLOCKS_FROM_SYSTEM
    GTEST_SKIP() << "with the address sanitizer every block goes back to the system, which reports a second free itself";
#endif
    const unsigned long start = TarnBlocksInUse();
    void *block = TarnAllocBlock(32, "test", __LINE__);
    void *stale = block;
    release(block);
    EXPECT_EQ(TarnBlocksInUse(), start);
    TarnFreeBlock(&stale, "test", 11);
    EXPECT_EQ(stale, block) << "a pointer that is not a live block is left as it was";
    EXPECT_EQ(TarnBlocksInUse(), start);
    EXPECT_EQ(count_traced("*** TarnFreeBlock: "), 1u) << trace_text();

    // The block is whole for its next user.
    void *next = TarnAllocBlock(32, "test", __LINE__);
    EXPECT_TRUE(all_zero(next, 32));
    release(next);
}

TEST_F(Blocks, ThreadsAllocateAndFreeEachOthersBlocksWithExactCounts)
{
    constexpr int kThreads = 4;
    constexpr int kBlocks = 5000;
    const unsigned long inUse = TarnBlocksInUse();
    const unsigned long allocated = TarnBlocksAllocated();
    std::array<std::vector<void *>, kThreads> handedOver;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([t, &handedOver] {
            for (int i = 0; i < kBlocks; ++i) {
                void *b = TarnAllocBlock(static_cast<std::size_t>(i % 300), "thread", __LINE__);
                if (!b) continue;
                if (i % 2) handedOver[t].push_back(b);  // freed by the main thread
                else release(b);
            }
        });
    for (std::thread &t : threads) t.join();
    EXPECT_EQ(TarnBlocksAllocated(), allocated + kThreads * kBlocks);
    EXPECT_EQ(TarnBlocksInUse(), inUse + kThreads * kBlocks / 2);
    for (auto &blocks : handedOver)
        for (void *b : blocks) release(b);
    EXPECT_EQ(TarnBlocksInUse(), inUse);

    // Blocks the ended threads left for reuse come back clean.
    for (int i = 0; i < 1000; ++i) {
        void *b = TarnAllocBlock(static_cast<std::size_t>(i % 300), "test", __LINE__);
        ASSERT_TRUE(all_zero(b, static_cast<std::size_t>(i % 300))) << i;
        release(b);
    }
}

TEST_F(Blocks, FailureInjectionCountsACopyAsOneAllocation)
{
    TarnSetAllocFailure(1, 1);
    char *first = TarnDuplicateString("first", "test", __LINE__);
    char *second = TarnDuplicateString("second", "test", __LINE__);
    char *third = TarnDuplicateString("third", "test", __LINE__);
    TarnSetAllocFailure(-1, 0);
    EXPECT_STREQ(first, "first");
    EXPECT_EQ(second, nullptr);
    EXPECT_STREQ(third, "third");
    release(first);
    release(third);
}

// Runs in a process of its own with TARN_LEAKS=1 (see below): leaks one block.
TEST(BlocksLeakingChild, LeaksOneBlock)
{
    if (!std::getenv("TARN_LEAK_CHILD")) GTEST_SKIP() << "runs only as the child of the leak report test";
    ASSERT_NE(TarnAllocBlock(40, "leaky.cpp", 42), nullptr);
}

TEST(BlocksLeakReport, AProcessThatLeaksNamesTheSourceLineOfEachBlock)
{
    const std::string command = "TARN_LEAKS=1 TARN_LEAK_CHILD=1 ASAN_OPTIONS=detect_leaks=0 /proc/" +
                                std::to_string(getpid()) +
                                "/exe --gtest_filter=BlocksLeakingChild.LeaksOneBlock 2>&1";
    FILE *child = popen(command.c_str(), "r");
    ASSERT_NE(child, nullptr);
    std::string output;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, child)) output += buffer;
    pclose(child);
    EXPECT_NE(output.find(" block(s) still in use at exit"), std::string::npos) << output;
    EXPECT_NE(output.find("  40 bytes from leaky.cpp:42"), std::string::npos) << output;
}
