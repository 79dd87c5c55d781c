// Items and deltas: take-over of values, index checks, duplicates, and the
// delta's cursor and count.
#include "tarn_test.hpp"

namespace {

using ItemTest = TarnTest;
using DeltaTest = TarnTest;

Item *new_item(std::vector<const char *> values = {})
{
    Item *item = nullptr;
    EXPECT_EQ(ZeCreateItem(&item), ZE_OK);
    if (!values.empty()) {
        EXPECT_EQ(ZeSetItemValues(item, values.data(), static_cast<unsigned>(values.size())), ZE_OK);
    }
    return item;
}

}  // namespace

TEST_F(ItemTest, IndexesOutsideTheItemAreRejectedAndSwapsAndClearsStayInside)
{
    Item *item = new_item({"x", "y", "z"});
    char *out = nullptr;
    for (int bad : {3, -1}) {
        EXPECT_EQ(ZeSetItemValue(item, bad, "v"), ZE_RC_INVALID_PARAMETER);
        EXPECT_EQ(ZeGetItemValue(item, bad, &out), ZE_RC_INVALID_PARAMETER);
        EXPECT_EQ(ZeItemValue(item, bad), nullptr);
        EXPECT_EQ(ZeSwapItemValues(item, 0, bad), ZE_RC_INVALID_PARAMETER);
    }
    EXPECT_EQ(count_traced("*** ZeSwapItemValues: parameter 3 (Index2) is invalid"), 2u);

    EXPECT_EQ(ZeSwapItemValues(item, 2, 2), ZE_OK);
    EXPECT_EQ(ZeSwapItemValues(item, 0, 2), ZE_OK);
    EXPECT_EQ(ZeSetItemValue(item, 1, nullptr), ZE_OK);
    EXPECT_EQ(ZeGetItemValue(item, 1, &out), ZE_OK);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(ZeSetItemValue(item, 0, ZeItemValue(item, 0)), ZE_OK);  // its own string
    EXPECT_EQ(values_of(item), (Texts{"z", "<null>", "x"}));
    ZeDestroyItem(item);
}

TEST_F(ItemTest, AttachTakesOverAndDuplicatesShareNothing)
{
    Item *item = new_item();
    char **owned = ZeAllocStrPtrArray(2);
    owned[0] = TarnDuplicateString("one", "test", __LINE__);
    owned[1] = TarnDuplicateString("two", "test", __LINE__);
    ASSERT_EQ(ZeAttachItemValues(item, owned, ZE_COUNT_VALUES), ZE_OK);
    EXPECT_EQ(ZeItemValues(item), owned);
    EXPECT_EQ(ZeAttachItemValues(item, owned, 2), ZE_OK);  // its own array: nothing changes

    Item *copy = nullptr, *empty = new_item(), *emptyCopy = nullptr;
    ASSERT_EQ(ZeDuplicateItem(&copy, item), ZE_OK);
    EXPECT_NE(ZeItemValue(copy, 1), owned[1]);
    ZeDestroyItem(item);  // frees the attached strings (the fixture counts them)
    EXPECT_EQ(values_of(copy), (Texts{"one", "two"}));
    ASSERT_EQ(ZeDuplicateItem(&emptyCopy, empty), ZE_OK);
    EXPECT_EQ(ZeItemValues(emptyCopy), nullptr);
    EXPECT_EQ(ZeItemCount(emptyCopy), 0u);
    for (Item *i : {copy, empty, emptyCopy}) ZeDestroyItem(i);
}

// The delta reports its parameters under names of its own.
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
    EXPECT_EQ(ZeSetDtsDeltaFields(delta, nullptr, 5), ZE_RC_INVALID_PARAMETER);
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
    EXPECT_EQ(ZeDestroyDtsDelta(delta), ZE_OK);
    EXPECT_EQ(trace(), (Texts{"DeltaMode: Yes  Cursor: <None>  Count:  0",
                              "*** ZeSetDtsDeltaField: parameter 2 (Cursor) is invalid",
                              "> DeltaMode: Yes  Cursor: row-17  Count:  43"}));
}
