// Collections: the cursor sequences, removal, field lists, append, the
// parent sort and its trace lines.
#include "tarn_test.hpp"

#include <string>
#include <vector>

namespace {

class CollectionTest : public TarnTest {
protected:
    void TearDown() override
    {
        if (c_) ZeDestroyCollection(c_);
        TarnTest::TearDown();
    }

    // Appends one item per row; each row's strings are its values.
    void add(std::vector<std::vector<const char *>> rows)
    {
        if (!c_) { ASSERT_EQ(ZeCreateCollection(&c_), ZE_OK); }
        for (auto &row : rows) {
            Item *item = nullptr;
            ASSERT_EQ(ZeCreateItem(&item), ZE_OK);
            ZeSetItemValues(item, row.data(), static_cast<unsigned>(row.size()));
            ASSERT_EQ(ZeInsertCollectionItem(c_, item), ZE_OK);
        }
    }

    // Field 0 of each item, in list order.
    std::vector<std::string> names()
    {
        std::vector<std::string> out;
        ZeSetCollectionPosition(c_, 1);
        for (Item *i = ZeNextCollectionItem(c_); i; i = ZeNextCollectionItem(c_)) out.emplace_back(ZeItemValue(i, 0));
        return out;
    }

    static std::string name(Item *item) { return item ? ZeItemValue(item, 0) : "null"; }

    Collection *c_ = nullptr;
};

using Names = std::vector<std::string>;

}  // namespace

TEST_F(CollectionTest, CursorReproducesTheWalkSequences)
{
    ASSERT_EQ(ZeCreateCollection(&c_), ZE_OK);
    EXPECT_EQ(ZeNextCollectionItem(c_), nullptr);
    EXPECT_EQ(ZeCollectionPosition(c_), 0u);
    EXPECT_EQ(ZeFirstCollectionItem(c_), nullptr);
    EXPECT_EQ(ZeRemoveCurrentCollectionItem(c_), ZE_RC_NO_ENTRY);

    add({{"A"}, {"B"}, {"C"}});
    EXPECT_EQ(ZeCollectionSize(c_), 3u);
    std::string walk;
    std::vector<unsigned> positions;
    walk += name(ZeFirstCollectionItem(c_));
    positions.push_back(ZeCollectionPosition(c_));
    for (int i = 0; i < 3; ++i) {
        walk += name(ZeNextCollectionItem(c_));
        positions.push_back(ZeCollectionPosition(c_));
    }
    EXPECT_EQ(walk, "ABCnull");
    EXPECT_EQ(positions, (std::vector<unsigned>{1, 2, 3, 3}));
    EXPECT_EQ(name(ZeNextCollectionItem(c_)), "A");  // starts again
    EXPECT_EQ(ZeCollectionPosition(c_), 1u);

    ZeFirstCollectionItem(c_);
    ASSERT_EQ(ZeSetCollectionPosition(c_, 2), ZE_OK);
    EXPECT_EQ(name(ZeNextCollectionItem(c_)), "B");
    EXPECT_EQ(name(ZeNextCollectionItem(c_)), "C");
    ASSERT_EQ(ZeSetCollectionPosition(c_, 3), ZE_OK);
    EXPECT_EQ(name(ZeNextCollectionItem(c_)), "C");
    EXPECT_EQ(ZeNextCollectionItem(c_), nullptr);  // past the end: a middle position still works
    ASSERT_EQ(ZeSetCollectionPosition(c_, 2), ZE_OK);
    EXPECT_EQ(name(ZeNextCollectionItem(c_)), "B");
    EXPECT_EQ(name(ZeLastCollectionItem(c_)), "C");
    EXPECT_EQ(name(ZeNextCollectionItem(c_)), "C");  // Last did not move the cursor

    EXPECT_EQ(ZeSetCollectionPosition(c_, 0), ZE_RC_INVALID_PARAMETER);
    EXPECT_TRUE(traced("*** ZeSetCollectionPosition: parameter 2 (Position) is invalid"));
    EXPECT_EQ(ZeSetCollectionPosition(c_, 4), ZE_RC_NO_ENTRY);
    EXPECT_EQ(name(ZeNextCollectionItem(c_)), "A");

    ZeDumpCollection(c_, nullptr);
    EXPECT_TRUE(traced("Collection:  Size: 3  Position: 1")) << trace_text();
    ZeDumpCollection(nullptr, "x");
    EXPECT_EQ(count_traced("x"), 0u);
}

TEST_F(CollectionTest, RemovingTheCurrentItemMovesOnToTheNext)
{
    add({{"A"}, {"B"}, {"C"}});
    ZeFirstCollectionItem(c_);
    ZeNextCollectionItem(c_);  // B
    ASSERT_EQ(ZeRemoveCurrentCollectionItem(c_), ZE_OK);
    EXPECT_EQ(ZeCollectionSize(c_), 2u);
    EXPECT_EQ(ZeCollectionPosition(c_), 2u);
    EXPECT_EQ(name(ZeNextCollectionItem(c_)), "C");
    ASSERT_EQ(ZeRemoveCurrentCollectionItem(c_), ZE_OK);  // the last one
    EXPECT_EQ(ZeNextCollectionItem(c_), nullptr);
    EXPECT_EQ(ZeRemoveCurrentCollectionItem(c_), ZE_RC_NO_ENTRY);
    EXPECT_EQ(names(), Names{"A"});
    ASSERT_EQ(ZeResetCollection(c_), ZE_OK);
    EXPECT_EQ(ZeCollectionSize(c_), 0u);
    EXPECT_EQ(ZeSetCollectionPosition(c_, 1), ZE_RC_NO_ENTRY);
}

TEST_F(CollectionTest, FieldListsAndListFilteringCompareExactly)
{
    add({{"x", "1"}, {"y", "2"}, {"x", "3"}, {"X", "4"}, {"short"}});
    Item *list = nullptr;
    ZeCreateItem(&list);
    ASSERT_EQ(ZeGetFieldListFromCollection(c_, 0, list), ZE_OK);
    ASSERT_EQ(ZeItemCount(list), 4u);
    EXPECT_STREQ(ZeItemValue(list, 2), "X");
    ASSERT_EQ(ZeGetFieldListFromCollection(c_, 1, list), ZE_OK);  // "short" has no field 1
    EXPECT_EQ(ZeItemCount(list), 4u);
    EXPECT_STREQ(ZeItemValue(list, 3), "4");
    EXPECT_EQ(ZeCollectionPosition(c_), 5u) << "the walk leaves the cursor past the end";

    const char *keep[] = {"x", "short", "y"};
    ZeSetItemValues(list, keep, 3);
    ASSERT_EQ(ZeRemoveCollectionItemsNotInList(c_, 0, list), ZE_OK);
    EXPECT_EQ(names(), (Names{"x", "y", "short"}));
    EXPECT_STREQ(ZeItemValue(ZeFirstCollectionItem(c_), 1), "1") << "the first x is the one kept";
    ASSERT_EQ(ZeRemoveCollectionItemsNotInList(c_, 7, list), ZE_OK);  // no item has field 7
    EXPECT_EQ(ZeCollectionSize(c_), 0u);

    ASSERT_EQ(ZeGetFieldListFromCollection(c_, 0, list), ZE_RC_NO_ENTRY);
    EXPECT_EQ(ZeItemCount(list), 0u);
    EXPECT_EQ(ZeItemValues(list), nullptr);
    ZeDestroyItem(list);
}

TEST_F(CollectionTest, AppendCopiesItemsAndCanEmptyTheSource)
{
    add({{"A"}, {"B"}});
    Collection *target = nullptr;
    ZeCreateCollection(&target);
    ASSERT_EQ(ZeAppendCollection(target, c_, 0), ZE_OK);
    EXPECT_EQ(ZeCollectionSize(c_), 2u);
    EXPECT_NE(ZeFirstCollectionItem(target), ZeFirstCollectionItem(c_));
    ASSERT_EQ(ZeAppendCollection(target, c_, 1), ZE_OK);
    EXPECT_EQ(ZeCollectionSize(target), 4u);
    EXPECT_EQ(ZeCollectionSize(c_), 0u);
    ASSERT_EQ(ZeAppendCollection(target, target, 0), ZE_OK);  // doubled once, no endless walk
    EXPECT_EQ(ZeCollectionSize(target), 8u);
    EXPECT_EQ(ZeAppendCollection(target, nullptr, 0), ZE_RC_INVALID_PARAMETER);
    EXPECT_TRUE(traced("*** ZeAppendCollection: parameter 2 (Source) is invalid"));
    ZeDestroyCollection(target);
}

TEST_F(CollectionTest, SortByParentPlacesLeavesBeforeBranches)
{
    // key, parent
    add({{"R", ""}, {"A", "r"}, {"B", "R"}, {"A1", "a"}});
    ZeNextCollectionItem(c_);
    ASSERT_EQ(ZeSortCollectionByParent(c_, 0, 1), ZE_OK);
    EXPECT_EQ(ZeCollectionPosition(c_), 1u);
    EXPECT_EQ(name(ZeNextCollectionItem(c_)), "R");
    EXPECT_EQ(names(), (Names{"R", "B", "A", "A1"}));
    EXPECT_EQ(count_traced("***"), 0u) << trace_text();
    ZeResetCollection(c_);

    add({{"R", ""}, {"A1", "A"}, {"A", "R"}, {"B", "R"}});
    ASSERT_EQ(ZeSortCollectionByParent(c_, 0, 1), ZE_OK);
    EXPECT_EQ(names(), (Names{"R", "A1", "A", "B"}));
    EXPECT_TRUE(traced("*** ZeSortCollectionByParent: not all records sorted"));
    ZeResetCollection(c_);

    // Runs in depth-first order of their parents are moved behind them.
    clear_trace();
    add({{"R", ""}, {"A", "R"}, {"C", "R"}, {"A1", "A"}, {"A2", "A"}, {"A1a", "A1"}, {"C1", "C"}});
    ASSERT_EQ(ZeSortCollectionByParent(c_, 0, 1), ZE_OK);
    EXPECT_EQ(names(), (Names{"R", "A", "A2", "A1", "A1a", "C", "C1"}));
    EXPECT_EQ(count_traced("***"), 0u) << trace_text();
    ZeResetCollection(c_);

    clear_trace();
    ASSERT_EQ(ZeSortCollectionByParent(c_, 0, 1), ZE_OK);
    EXPECT_TRUE(traced("ZeSortCollectionByParent: no records to sort"));
    add({{"R", ""}, {"lonely"}});
    ASSERT_EQ(ZeSortCollectionByParent(c_, 0, 1), ZE_OK);
    EXPECT_TRUE(traced("*** child_of_parent: bad parent name"));
    EXPECT_TRUE(traced("*** ZeItemValue: parameter 2 (Index) is invalid"));
    ZeResetCollection(c_);

    // A chain far deeper than any call stack would allow.
    std::vector<std::string> keys;
    for (int i = 0; i < 50000; ++i) keys.push_back("k" + std::to_string(i));
    add({{keys[0].c_str(), ""}});
    for (int i = 1; i < 50000; ++i) add({{keys[i].c_str(), keys[i - 1].c_str()}});
    ASSERT_EQ(ZeSortCollectionByParent(c_, 0, 1), ZE_OK);
    EXPECT_EQ(ZeCollectionSize(c_), 50000u);
    EXPECT_EQ(name(ZeLastCollectionItem(c_)), "k49999");
}

TEST_F(CollectionTest, MemoryShortageIsReportedAndLeaksNothing)
{
    each_alloc_failure([](long) {
        Collection *c = nullptr;
        if (ZeCreateCollection(&c) != ZE_OK) {
            EXPECT_EQ(c, nullptr);
            return;
        }
        for (const char *v : {"p", "q", "p"}) {
            Item *item = nullptr;
            if (ZeCreateItem(&item) != ZE_OK) continue;
            ZeSetItemValues(item, &v, 1);
            if (ZeInsertCollectionItem(c, item) != ZE_OK) ZeDestroyItem(item);
        }
        Item *list = nullptr;
        if (ZeCreateItem(&list) == ZE_OK) {
            unsigned rc = ZeGetFieldListFromCollection(c, 0, list);
            if (rc != ZE_OK) { EXPECT_EQ(ZeItemCount(list), 0u); }
            ZeRemoveCollectionItemsNotInList(c, 0, list);
            ZeDestroyItem(list);
        }
        Collection *copy = nullptr;
        if (ZeCreateCollection(&copy) == ZE_OK) {
            unsigned before = ZeCollectionSize(c);
            unsigned rc = ZeAppendCollection(copy, c, 1);
            EXPECT_EQ(ZeCollectionSize(c), rc == ZE_OK ? 0u : before) << "the source is kept when a copy failed";
            ZeSortCollectionByParent(copy, 0, 0);
            ZeDestroyCollection(copy);
        }
        ZeDestroyCollection(c);
    });
}
