// Tagged blocks under reuse: zero fill and alignment of recycled blocks, and
// counts across threads.
#include "tarn_test.hpp"

#include <array>
#include <cstdint>
#include <thread>

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
    for (int i = 0; i < 200; ++i)
        EXPECT_EQ(std::count(blocks[i], blocks[i] + 24, static_cast<unsigned char>(i)), 24) << i;
    for (unsigned char *b : blocks) release(b);
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
