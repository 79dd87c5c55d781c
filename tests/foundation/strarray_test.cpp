// String pointer arrays and buffer parsing.
#include "tarn_test.hpp"

namespace {

using StrArrayTest = TarnTest;

char *dup(const char *text) { return TarnDuplicateString(text, "test", __LINE__); }

}  // namespace

TEST_F(StrArrayTest, ReleaseCountsFollowTheirRule)
{
    char **a = ZeAllocStrPtrArray(3);
    ASSERT_NE(a, nullptr);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(a[i], nullptr);
    a[0] = dup("x");
    a[1] = dup("y");
    EXPECT_EQ(ZeCountPtrArrayElements(a), 2);
    char **copy = ZeDuplicateStrPtrArray(a, 3);  // copies of the texts, NULLs kept
    EXPECT_TRUE(copy && copy[0] != a[0] && std::string(copy[1]) == "y" && !copy[2] && !copy[3]);
    ZeFreeStrPtrArray(copy, -1);
    ZeFreeStrPtrArray(a, -1);
    ZeFreeStrPtrArray(nullptr, 3);

    // -1 stops at the first NULL: the text after it is not released.
    a = ZeAllocStrPtrArray(3);
    a[0] = dup("x");
    char *late = a[2] = dup("z");
    unsigned long before = TarnBlocksInUse();
    ZeFreeStrPtrArray(a, -1);
    EXPECT_EQ(TarnBlocksInUse(), before - 2);  // "x" and the array
    // 0 releases only the array.
    char **z = ZeAllocStrPtrArray(1);
    z[0] = late;
    ZeFreeStrPtrArray(z, 0);
    EXPECT_EQ(TarnBlocksInUse(), before - 2);
    // A positive count releases exactly that many entries, skipping NULLs.
    const char **c = ZeAllocConstStrPtrArray(3);
    c[0] = dup("x");
    c[2] = late;
    ZeFreeConstStrPtrArray(c, 3);
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
    EXPECT_EQ(texts(tokens, 4), (Texts{"A", "B", "C", "<null>"}));

    char quoted[] = "\"PRINTER\" , \"lib.proc\",x\"y";
    EXPECT_EQ(ZeParseBuffer(quoted, tokens, ",", 1), 1);
    EXPECT_EQ(texts(tokens, 3), (Texts{"PRINTER", "lib.proc", "x y"}));

    char empty[] = "";
    char *untouched[1] = {text};
    EXPECT_EQ(ZeParseBuffer(empty, untouched, ",", 0), 0);
    EXPECT_EQ(untouched[0], text);
    EXPECT_EQ(ZeParseBuffer(nullptr, untouched, ",", 0), 0);

    // The bounded form stores up to its capacity and counts every token.
    char many[] = "a,b,c,d,";
    char guard[] = "guard";
    char *bounded[4] = {nullptr, nullptr, nullptr, guard};
    EXPECT_EQ(ZeParseBufferBounded(many, bounded, 3, ",", 0), 5);
    EXPECT_EQ(texts(bounded, 4), (Texts{"a", "b", "c", "guard"}));
    char one[] = "solo";
    EXPECT_EQ(ZeParseBufferBounded(one, bounded, 1, ",", 0), 1);
    EXPECT_STREQ(bounded[0], "solo");
    EXPECT_EQ(ZeParseBufferBounded(one, bounded, 0, ",", 0), 1);
}
