// String pointer arrays and buffer parsing.
#include "tarn_test.hpp"

#include <string>
#include <vector>

namespace {

using StrArrayTest = TarnTest;

std::vector<std::string> tokens_of(char **tokens, int n)
{
    std::vector<std::string> out;
    for (int i = 0; i < n; ++i) out.emplace_back(tokens[i] ? tokens[i] : "<null>");
    return out;
}

}  // namespace

TEST_F(StrArrayTest, AllocatedArraysAreTerminatedAndCounted)
{
    char **a = ZeAllocStrPtrArray(3);
    ASSERT_NE(a, nullptr);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(a[i], nullptr);
    EXPECT_EQ(ZeCountPtrArrayElements(a), 0);
    a[0] = TarnDuplicateString("x", "test", __LINE__);
    a[1] = TarnDuplicateString("y", "test", __LINE__);
    EXPECT_EQ(ZeCountPtrArrayElements(a), 2);
    ZeFreeStrPtrArray(a, -1);
    ZeFreeStrPtrArray(nullptr, 3);
}

TEST_F(StrArrayTest, ReleaseCountsFollowTheirRule)
{
    // -1 stops at the first NULL: the text after it must be released separately.
    char **a = ZeAllocStrPtrArray(3);
    a[0] = TarnDuplicateString("x", "test", __LINE__);
    char *late = TarnDuplicateString("z", "test", __LINE__);
    a[2] = late;
    unsigned long before = TarnBlocksInUse();
    ZeFreeStrPtrArray(a, -1);
    EXPECT_EQ(TarnBlocksInUse(), before - 2);  // "x" and the array
    void *p = late;
    TarnFreeBlock(&p, "test", __LINE__);

    // A positive count releases exactly that many entries, skipping NULLs.
    const char **c = ZeAllocConstStrPtrArray(3);
    c[0] = TarnDuplicateString("x", "test", __LINE__);
    c[2] = TarnDuplicateString("z", "test", __LINE__);
    ZeFreeConstStrPtrArray(c, 3);

    // 0 releases only the array.
    char **z = ZeAllocStrPtrArray(1);
    char *kept = TarnDuplicateString("k", "test", __LINE__);
    z[0] = kept;
    ZeFreeStrPtrArray(z, 0);
    p = kept;
    TarnFreeBlock(&p, "test", __LINE__);
}

TEST_F(StrArrayTest, DuplicatesKeepNullHolesAndOwnTheirTexts)
{
    char a[] = "A", c[] = "C";
    char *source[] = {a, nullptr, c, nullptr};
    char **copy = ZeDuplicateStrPtrArray(source, 3);
    ASSERT_NE(copy, nullptr);
    EXPECT_STREQ(copy[0], "A");
    EXPECT_EQ(copy[1], nullptr);
    EXPECT_STREQ(copy[2], "C");
    EXPECT_EQ(copy[3], nullptr);
    EXPECT_NE(copy[0], a);
    EXPECT_EQ(ZeCountPtrArrayElements(copy), 1);
    ZeFreeStrPtrArray(copy, 3);

    const char **empty = ZeDuplicateConstStrPtrArray(nullptr, 0);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty[0], nullptr);
    ZeFreeConstStrPtrArray(empty, 0);
}

TEST_F(StrArrayTest, DuplicationUnderMemoryFailureLeavesNothing)
{
    TarnSetAllocFailure(0, 2);
    EXPECT_EQ(ZeAllocStrPtrArray(2), nullptr);
    EXPECT_EQ(ZeAllocConstStrPtrArray(2), nullptr);

    const char *source[] = {"one", "two", "three", nullptr};
    each_alloc_failure([&](long failAt) {
        const char **copy = ZeDuplicateConstStrPtrArray(source, 3);
        if (failAt < 0) {
            ASSERT_NE(copy, nullptr);
        } else {
            EXPECT_EQ(copy, nullptr);
        }
        ZeFreeConstStrPtrArray(copy, 3);
    });
}

TEST_F(StrArrayTest, StringInListMatchesByCaseRule)
{
    const char *list[] = {"ABC", "def", "abc", nullptr};
    EXPECT_EQ(ZeStringInList("abc", list, -1), 2);
    EXPECT_EQ(ZeStringInList("xyz", list, 0), -1);
    EXPECT_EQ(ZeStringInListNoCase("abc", list, -1), 0);
    EXPECT_EQ(ZeStringInList("abc", list, 2), -1);  // only two entries compared
    EXPECT_EQ(ZeStringInList("def", list, 2), 1);
    const char *empty[] = {nullptr};
    EXPECT_EQ(ZeStringInList("a", empty, -1), -1);
}

TEST_F(StrArrayTest, ParseBufferTrimsTokensAndStripsQuotes)
{
    char text[] = "A, B ,C";
    char *tokens[4] = {};
    EXPECT_EQ(ZeParseBuffer(text, tokens, ",", 0), 1);
    EXPECT_EQ(tokens_of(tokens, 4), (std::vector<std::string>{"A", "B", "C", "<null>"}));

    char quoted[] = "\"PRINTER\" , \"lib.proc\",x\"y";
    char *q[3] = {};
    EXPECT_EQ(ZeParseBuffer(quoted, q, ",", 1), 1);
    EXPECT_EQ(tokens_of(q, 3), (std::vector<std::string>{"PRINTER", "lib.proc", "x y"}));

    char empty[] = "";
    char *untouched[1] = {text};
    EXPECT_EQ(ZeParseBuffer(empty, untouched, ",", 0), 0);
    EXPECT_EQ(untouched[0], text);
    EXPECT_EQ(ZeParseBuffer(nullptr, untouched, ",", 0), 0);
}

TEST_F(StrArrayTest, BoundedParseStoresUpToCapacityAndCountsEveryToken)
{
    char text[] = "a,b,c,d,";
    char *tokens[3] = {};
    char guard[] = "guard";
    char *after[1] = {guard};
    (void)after;
    EXPECT_EQ(ZeParseBufferBounded(text, tokens, 3, ",", 0), 5);
    EXPECT_EQ(tokens_of(tokens, 3), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_STREQ(guard, "guard");

    char one[] = "solo";
    char *slot[1] = {};
    EXPECT_EQ(ZeParseBufferBounded(one, slot, 1, ",", 0), 1);
    EXPECT_STREQ(slot[0], "solo");
    EXPECT_EQ(ZeParseBufferBounded(one, slot, 0, ",", 0), 1);
}
