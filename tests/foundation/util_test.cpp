// libTarnUtil: block accounting and failure injection, strings, lists and
// files.
#include "tarn_test.hpp"

namespace {

using UtilTest = TarnTest;

void release(void *block) { TarnFreeBlock(&block, "test", __LINE__); }

int value_at(TarnListPos position)
{
    void *entry = nullptr;
    return TarnListGet(position, &entry) ? *static_cast<int *>(entry) : -1;
}

}  // namespace

TEST_F(UtilTest, BlocksAreCountedAndAnythingElseIsLeftAlone)
{
    const unsigned long start = TarnBlocksInUse();
    void *p = TarnAllocBlock(64, "test", __LINE__);
    EXPECT_EQ(TarnBlocksInUse(), start + 1);
    TarnFreeBlock(&p, "test", __LINE__);
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(TarnBlocksInUse(), start);
    char stack[64] = {};
    p = stack + 48;
    TarnFreeBlock(&p, "test", 7);
    EXPECT_EQ(p, static_cast<void *>(stack + 48));
    EXPECT_EQ(count_traced("*** TarnFreeBlock: "), 1u);
}

// A copy counts as one allocation.
TEST_F(UtilTest, FailureInjectionFailsExactlyTheChosenAllocations)
{
    TarnSetAllocFailure(1, 2);
    char *a = TarnDuplicateString("a", "test", __LINE__);
    void *b = TarnAllocBlock(8, "test", __LINE__);
    void *c = TarnAllocBlock(8, "test", __LINE__);
    void *d = TarnAllocBlock(8, "test", __LINE__);
    EXPECT_TRUE(a && !b && !c && d);
    TarnSetAllocFailure(0, -1);
    EXPECT_EQ(TarnAllocBlock(1, "test", __LINE__), nullptr);
    EXPECT_EQ(TarnAllocBlock(1, "test", __LINE__), nullptr);
    TarnSetAllocFailure(-1, 0);
    void *e = TarnAllocBlock(1, "test", __LINE__);
    EXPECT_NE(e, nullptr);
    for (void *p : {static_cast<void *>(a), d, e}) release(p);
}

TEST_F(UtilTest, StringHelpersTokensAndNumbers)
{
    char text[] = "  \tHello World \r\n";
    EXPECT_STREQ(TarnTrimStr(text), "Hello World");
    char small[4];
    EXPECT_STREQ(TarnCopyNCharOfStr(small, "abcdef", sizeof small), "abc");
    EXPECT_EQ(TarnCompareStr(nullptr, ""), -1);
    EXPECT_NE(TarnCompareNCharOfStr("abX", "abY", 3), 0);
    EXPECT_EQ(TarnCompareNoCaseNCharOfStr("PRINTER01", "print*", 5), 0);
    EXPECT_EQ(TarnCountStrInStr("aaaa", "aa"), 2);
    char quoted[] = "\"x\"";
    EXPECT_EQ(TarnReplaceCharInStr(quoted, '"', ' '), 2);
    EXPECT_STREQ(quoted, " x ");
    EXPECT_EQ(TarnLengthOfStr(nullptr), 0u);

    // Every separator ends a token; the cursor is NULL after the last.
    char line[] = "A,,B,";
    char *cursor = line;
    std::vector<std::string> tokens;
    while (char *t = TarnNextTokenInStr(&cursor, ",")) tokens.emplace_back(t);
    EXPECT_EQ(tokens, (std::vector<std::string>{"A", "", "B", ""}));
    EXPECT_EQ(cursor, nullptr);

    EXPECT_EQ(TarnIntFromStr(" 42abc"), 42);
    EXPECT_EQ(TarnIntFromStr("-7"), -7);
    EXPECT_EQ(TarnIntFromStr("x"), 0);
    EXPECT_EQ(TarnIntFromStr("99999999999999999999"), 2147483647);
    EXPECT_EQ(TarnIntFromStr("-99999999999"), -2147483647 - 1);
    EXPECT_DOUBLE_EQ(TarnRealFromStr("1.5"), 1.5);
    EXPECT_DOUBLE_EQ(TarnRealFromStr(nullptr), 0.0);
    char buffer[72];
    EXPECT_STREQ(TarnUlongToStr(255, buffer, 16), "FF");
    EXPECT_STREQ(TarnUlongToStr(0, buffer, 10), "0");
    EXPECT_STREQ(TarnUlongToStr(5, buffer, 2), "101");
}

TEST_F(UtilTest, FormattingNeverOverrunsItsBuffer)
{
    struct {
        char buffer[TARN_FORMAT_BUFFER_SIZE];
        char guard[8];
    } area;
    std::memset(area.guard, 'G', sizeof area.guard);
    std::string long_text(1000, 'z');
    EXPECT_EQ(TarnFormatStr(area.buffer, "%s", long_text.c_str()), TARN_FORMAT_BUFFER_SIZE - 1);
    EXPECT_EQ(std::strlen(area.buffer), static_cast<size_t>(TARN_FORMAT_BUFFER_SIZE - 1));
    EXPECT_EQ(std::string(area.guard, 8), "GGGGGGGG");

    char small[6];
    EXPECT_EQ(TarnFormatStrN(small, sizeof small, "%d-%s", 12, "abcdef"), 5);
    EXPECT_STREQ(small, "12-ab");
    char converted[4];
    EXPECT_STREQ(TarnConvertStrN(converted, sizeof converted, "VALUE", 0), "VAL");
    char exact[] = "xxxxx";
    TarnConvertMem(exact, "AB\0CD", 4, 1);  // bytes as they are, no terminator added
    EXPECT_EQ(std::string(exact, 5), std::string("AB\0Cx", 5));
}

TEST_F(UtilTest, ListsInsertRemoveAndRepositionByPosition)
{
    TarnList *list = reinterpret_cast<TarnList *>(this);
    TarnSetAllocFailure(0, 1);
    EXPECT_EQ(TarnListCreateNoDebug(&list), nullptr);
    EXPECT_EQ(list, nullptr);
    ASSERT_NE(TarnListCreateNoDebug(&list), nullptr);
    int a = 1, b = 2, c = 3, d = 4;
    TarnSetAllocFailure(0, 1);
    EXPECT_EQ(TarnListInsertEntry(list, &a, 1, nullptr, 0, 0), nullptr);
    EXPECT_EQ(TarnListSize(list), 0u);

    TarnListPos pa = TarnListInsertEntry(list, &a, 1, nullptr, 0, 0);
    TarnListPos pc = TarnListInsertEntry(list, &c, 1, nullptr, 0, 0);
    TarnListInsertEntry(list, &b, 0, pc, 0, 0);  // before c
    TarnListInsertEntry(list, &d, 1, pc, 0, 0);  // after c, at the end
    std::vector<int> order;
    void *entry = nullptr;
    for (TarnListPos p = TarnListFirst(list, &entry); p; p = TarnListNext(p, &entry))
        order.push_back(*static_cast<int *>(entry));
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(TarnListSize(list), 4u);

    TarnListPos p = TarnListReposition(list, pa, 2, 0);
    EXPECT_EQ(value_at(p), 3);
    EXPECT_EQ(TarnListReposition(list, p, -2, 0), pa);
    EXPECT_EQ(TarnListReposition(list, p, 5, 0), nullptr);
    EXPECT_EQ(TarnListReposition(list, nullptr, 1, 0), pa);
    EXPECT_EQ(value_at(TarnListReposition(list, nullptr, -1, 0)), 4);

    void *removed = nullptr;
    EXPECT_EQ(value_at(TarnListRemove(list, &removed, pa, nullptr)), 2);
    EXPECT_EQ(removed, &a);
    EXPECT_EQ(TarnListSize(list), 3u);
    TarnListLast(list, &entry);
    EXPECT_EQ(entry, &d);

    static int destroyed;
    destroyed = 0;
    TarnListReset(list, [](void *) { ++destroyed; });
    EXPECT_EQ(destroyed, 3);
    EXPECT_EQ(TarnListFirst(list, nullptr), nullptr);
    TarnListDelete(&list, nullptr);
    EXPECT_EQ(list, nullptr);
}

TEST_F(UtilTest, FilesReadLineByLineInUniqueTemporaryNames)
{
    char dir[] = "/tmp/tarnutilXXXXXX";
    ASSERT_NE(::mkdtemp(dir), nullptr);
    char path[TARN_MAX_PATH], other[TARN_MAX_PATH];
    ASSERT_TRUE(TarnGetTempFileName(dir, "TARN", path));
    ASSERT_TRUE(TarnGetTempFileName(dir, "TARN", other));
    EXPECT_STRNE(path, other);
    EXPECT_EQ(std::string(path).rfind(std::string(dir) + "/TARN", 0), 0u);

    // Line ends are dropped, and so is the rest of an over-long line.
    write_file(path, "first line\r\n" + std::string(300, 'x') + "\nlast");
    FILE *f = TarnOpenFile(path, "r");
    ASSERT_NE(f, nullptr);
    std::vector<std::string> lines;
    char line[16];
    while (TarnReadString(line, sizeof line, f)) lines.emplace_back(line);
    TarnCloseFile(f);
    EXPECT_EQ(lines, (std::vector<std::string>{"first line", std::string(15, 'x'), "last"}));

    unsigned long long size = 99;
    EXPECT_TRUE(TarnGetFileSize(path, &size));
    EXPECT_EQ(size, 12u + 301u + 4u);
    ::unlink(path);
    EXPECT_FALSE(TarnGetFileSize(path, &size));
    EXPECT_EQ(size, 0u);
    ::unlink(other);
    ::rmdir(dir);
}
