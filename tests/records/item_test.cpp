// Items and deltas: copy and take-over of values, the count rule, index
// checks, duplicates, and the delta's cursor and count.
#include "tarn_test.hpp"

#include <string>

namespace {

using ItemTest = TarnTest;
using DeltaTest = TarnTest;

char *dup(const char *s) { return TarnDuplicateString(s, "test", __LINE__); }

Item *new_item()
{
    Item *item = nullptr;
    EXPECT_EQ(ZeCreateItem(&item), ZE_OK);
    return item;
}

}  // namespace

TEST_F(ItemTest, SetValuesCopiesAndCountsToTheFirstNull)
{
    Item *item = new_item();
    const char *source[] = {"a", "b", "c", nullptr, "late"};
    ASSERT_EQ(ZeSetItemValues(item, source, ZE_COUNT_VALUES), ZE_OK);
    EXPECT_EQ(ZeItemCount(item), 3u);
    EXPECT_STREQ(ZeItemValue(item, 2), "c");
    EXPECT_NE(ZeItemValue(item, 0), source[0]);  // a copy
    EXPECT_EQ(ZeItemValues(item)[3], nullptr);   // terminated

    // The item's own array as the source survives the replacement.
    ASSERT_EQ(ZeSetItemValues(item, ZeItemValues(item), 2), ZE_OK);
    EXPECT_EQ(ZeItemCount(item), 2u);
    EXPECT_STREQ(ZeItemValue(item, 1), "b");

    const char *leadingNull[] = {nullptr, "x", nullptr};
    ASSERT_EQ(ZeSetItemValues(item, leadingNull, ZE_COUNT_VALUES), ZE_OK);
    EXPECT_EQ(ZeItemCount(item), 0u);

    EXPECT_EQ(ZeSetItemValues(item, nullptr, 0), ZE_OK);
    EXPECT_EQ(ZeItemValues(item), nullptr);

    EXPECT_EQ(ZeSetItemValues(item, nullptr, 5), ZE_RC_INVALID_PARAMETER);
    EXPECT_TRUE(traced("*** ZeSetItemValues: parameter 2 (Values) is invalid"));
    EXPECT_EQ(ZeSetItemValues(item, source, 0), ZE_RC_INVALID_PARAMETER);
    EXPECT_TRUE(traced("*** ZeSetItemValues: parameter 3 (Count) is invalid"));
    EXPECT_EQ(ZeDestroyItem(item), ZE_OK);
}

TEST_F(ItemTest, IndexesOutsideTheItemAreRejected)
{
    Item *item = new_item();
    const char *values[] = {"x", "y", "z"};
    ZeSetItemValues(item, values, 3);
    char *out = nullptr;
    for (int bad : {3, -1}) {
        EXPECT_EQ(ZeSetItemValue(item, bad, "v"), ZE_RC_INVALID_PARAMETER);
        EXPECT_EQ(ZeGetItemValue(item, bad, &out), ZE_RC_INVALID_PARAMETER);
        EXPECT_EQ(ZeItemValue(item, bad), nullptr);
        EXPECT_EQ(ZeSwapItemValues(item, 0, bad), ZE_RC_INVALID_PARAMETER);
    }
    EXPECT_EQ(count_traced("*** ZeItemValue: parameter 2 (Index) is invalid"), 2u);
    EXPECT_EQ(count_traced("*** ZeSwapItemValues: parameter 3 (Index2) is invalid"), 2u);

    EXPECT_EQ(ZeSwapItemValues(item, 2, 2), ZE_OK);
    EXPECT_STREQ(ZeItemValue(item, 2), "z");
    EXPECT_EQ(ZeSwapItemValues(item, 0, 2), ZE_OK);
    EXPECT_STREQ(ZeItemValue(item, 0), "z");
    EXPECT_STREQ(ZeItemValue(item, 2), "x");

    EXPECT_EQ(ZeSetItemValue(item, 1, nullptr), ZE_OK);
    EXPECT_EQ(ZeGetItemValue(item, 1, &out), ZE_OK);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(ZeItemCount(item), 3u);
    EXPECT_EQ(ZeSetItemValue(item, 0, ZeItemValue(item, 0)), ZE_OK);  // its own string
    EXPECT_STREQ(ZeItemValue(item, 0), "z");
    ZeDestroyItem(item);
}

TEST_F(ItemTest, AttachTakesOverAndDuplicatesShareNothing)
{
    Item *item = new_item();
    char **owned = ZeAllocStrPtrArray(2);
    owned[0] = dup("one");
    owned[1] = dup("two");
    ASSERT_EQ(ZeAttachItemValues(item, owned, ZE_COUNT_VALUES), ZE_OK);
    EXPECT_EQ(ZeItemValues(item), owned);
    EXPECT_EQ(ZeAttachItemValues(item, owned, 2), ZE_OK);  // its own array: nothing changes

    Item *copy = nullptr;
    ASSERT_EQ(ZeDuplicateItem(&copy, item), ZE_OK);
    EXPECT_EQ(ZeItemCount(copy), 2u);
    EXPECT_STREQ(ZeItemValue(copy, 1), "two");
    EXPECT_NE(ZeItemValue(copy, 1), owned[1]);
    ZeDestroyItem(item);  // frees the attached strings (the fixture counts them)
    EXPECT_STREQ(ZeItemValue(copy, 0), "one");

    Item *empty = new_item();
    Item *emptyCopy = nullptr;
    ASSERT_EQ(ZeDuplicateItem(&emptyCopy, empty), ZE_OK);
    EXPECT_EQ(ZeItemValues(emptyCopy), nullptr);
    EXPECT_EQ(ZeItemCount(emptyCopy), 0u);

    EXPECT_EQ(ZeIsValidItem(nullptr), 0);
    EXPECT_TRUE(trace().empty());
    EXPECT_EQ(ZeDuplicateItem(nullptr, empty), ZE_RC_INVALID_PARAMETER);
    EXPECT_TRUE(traced("*** ZeDuplicateItem: parameter 1 (NewItem) is invalid"));
    char notAnItem[32] = "DTSCOLLECT";
    EXPECT_EQ(ZeDestroyItem(reinterpret_cast<Item *>(notAnItem)), ZE_RC_INVALID_PARAMETER);
    for (Item *i : {copy, empty, emptyCopy}) ZeDestroyItem(i);
}

TEST_F(ItemTest, MemoryShortageLeavesItemsEmptyAndLeaksNothing)
{
    const char *values[] = {"alpha", "beta", nullptr, "delta"};
    each_alloc_failure([&](long failAt) {
        Item *item = nullptr;
        unsigned rc = ZeCreateItem(&item);
        if (rc != ZE_OK) {
            EXPECT_EQ(rc, ZE_RC_NO_MEMORY);
            EXPECT_EQ(item, nullptr);
            return;
        }
        rc = ZeSetItemValues(item, values, 4);
        if (rc != ZE_OK) {
            EXPECT_EQ(rc, ZE_RC_NO_MEMORY);
            EXPECT_EQ(ZeItemValues(item), nullptr);
            EXPECT_EQ(ZeItemCount(item), 0u);
        }
        rc = ZeItemCount(item) ? ZeSetItemValue(item, 0, "gamma") : ZE_OK;
        if (rc != ZE_OK) { EXPECT_EQ(ZeItemValue(item, 0), nullptr); }
        Item *copy = nullptr;
        rc = ZeDuplicateItem(&copy, item);
        if (rc == ZE_OK) {
            EXPECT_TRUE(ZeItemCount(copy) == ZeItemCount(item) || ZeItemValues(copy) == nullptr);
            ZeDestroyItem(copy);
        } else {
            EXPECT_EQ(rc, ZE_RC_NO_MEMORY);
            EXPECT_EQ(copy, nullptr);
        }
        if (failAt < 0) { EXPECT_STREQ(ZeItemValue(item, 0), "gamma"); }
        ZeDestroyItem(item);
    });
}

TEST_F(DeltaTest, HoldsACopyOfTheCursorAndTheCount)
{
    DtsDelta *delta = nullptr;
    ASSERT_EQ(ZeCreateDtsDelta(&delta), ZE_OK);
    EXPECT_EQ(ZeIsValidDtsDelta(delta), 1);
    char *cursor = reinterpret_cast<char *>(1);
    unsigned count = 99;
    ASSERT_EQ(ZeGetDtsDeltaFields(delta, &cursor, &count), ZE_OK);
    EXPECT_EQ(cursor, nullptr);
    EXPECT_EQ(count, 0u);
    ZeDumpDtsDelta(delta, nullptr);
    EXPECT_TRUE(traced("DeltaMode: Yes  Cursor: <None>  Count:  0")) << trace_text();

    EXPECT_EQ(ZeSetDtsDeltaFields(delta, nullptr, 5), ZE_RC_INVALID_PARAMETER);
    EXPECT_TRUE(traced("*** ZeSetDtsDeltaField: parameter 2 (Cursor) is invalid"));
    ZeGetDtsDeltaFields(delta, &cursor, &count);
    EXPECT_EQ(count, 0u);

    std::string mine = "row-17";
    ASSERT_EQ(ZeSetDtsDeltaFields(delta, mine.c_str(), 17), ZE_OK);
    mine[4] = '9';  // the caller's string is not kept
    ZeGetDtsDeltaFields(delta, &cursor, &count);
    EXPECT_STREQ(cursor, "row-17");
    EXPECT_EQ(count, 17u);
    ASSERT_EQ(ZeSetDtsDeltaFields(delta, cursor, 43), ZE_OK);  // its own cursor; the old copy is freed
    ZeDumpDtsDelta(delta, "> ");
    EXPECT_TRUE(traced("> DeltaMode: Yes  Cursor: row-17  Count:  43"));

    EXPECT_EQ(ZeCreateDtsDelta(nullptr), ZE_RC_INVALID_PARAMETER);
    EXPECT_TRUE(traced("*** ZeCreateDtsDeltaObject: parameter 1 (pDelta) is invalid"));
    EXPECT_EQ(ZeGetDtsDeltaFields(delta, &cursor, nullptr), ZE_RC_INVALID_PARAMETER);
    EXPECT_TRUE(traced("*** ZeGetDtsDeltaField: parameter 3 (pCount) is invalid"));
    EXPECT_EQ(ZeDestroyDtsDelta(delta), ZE_OK);
    EXPECT_EQ(ZeDestroyDtsDelta(nullptr), ZE_RC_INVALID_PARAMETER);
    EXPECT_TRUE(traced("*** ZeDestroyDtsDeltaObject: parameter 1 (Delta) is invalid"));

    each_alloc_failure([](long) {
        DtsDelta *d = nullptr;
        if (ZeCreateDtsDelta(&d) != ZE_OK) {
            EXPECT_EQ(d, nullptr);
            return;
        }
        char *c = nullptr;
        unsigned n = 0;
        if (ZeSetDtsDeltaFields(d, "abc", 7) != ZE_OK) {
            ZeGetDtsDeltaFields(d, &c, &n);
            EXPECT_EQ(c, nullptr);
            EXPECT_EQ(n, 7u);
        }
        ZeDestroyDtsDelta(d);
    });
}
