// Test fixture: trace capture, block balance and failure injection.
#include "tarn_test.hpp"

void TarnTest::SetUp()
{
    TarnSetAllocFailure(-1, 0);
    lines_.clear();
    TarnSetTraceHook(&TarnTest::capture, this);
    blocksAtStart_ = TarnBlocksInUse();
}

void TarnTest::TearDown()
{
    TarnSetAllocFailure(-1, 0);
    TarnSetTraceHook(nullptr, nullptr);
    EXPECT_EQ(TarnBlocksInUse(), blocksAtStart_) << "blocks still in use at the end of the test";
}

void TarnTest::capture(void *context, const char *line)
{
    static_cast<TarnTest *>(context)->lines_.emplace_back(line);
}

bool TarnTest::traced(std::string_view line) const
{
    for (const auto &l : lines_)
        if (l == line) return true;
    return false;
}

std::size_t TarnTest::count_traced(std::string_view prefix) const
{
    std::size_t n = 0;
    for (const auto &l : lines_)
        if (std::string_view(l).substr(0, prefix.size()) == prefix) ++n;
    return n;
}

std::string TarnTest::trace_text() const
{
    std::string all;
    for (const auto &l : lines_) all += l + "\n";
    return all;
}

void TarnTest::each_alloc_failure(const std::function<void(long failAt)> &scenario)
{
    const unsigned long start = TarnBlocksInUse();
    const unsigned long before = TarnBlocksAllocated();
    scenario(-1);
    const long total = static_cast<long>(TarnBlocksAllocated() - before);
    ASSERT_EQ(TarnBlocksInUse(), start) << "the plain run leaks";
    for (long count : {1L, -1L}) {
        for (long i = 0; i < total; ++i) {
            TarnSetAllocFailure(i, count);
            scenario(i);
            TarnSetAllocFailure(-1, 0);
            ASSERT_EQ(TarnBlocksInUse(), start)
                << "leak when allocation " << i << (count < 0 ? " and every later one" : "") << " fails";
        }
    }
}
