// Collections: the cursor sequences, removal, field lists, append, the
// parent sort and its trace lines.
#include "tarn_test.hpp"

namespace {

class CollectionTest : public TarnTest {
protected:
    void SetUp() override
    {
        TarnTest::SetUp();
        ASSERT_EQ(ZeCreateCollection(&c_), ZE_OK);
    }
    void TearDown() override
    {
        ZeDestroyCollection(c_);
        TarnTest::TearDown();
    }

    // Appends one item per row; each row's strings are its values.
    void add(std::vector<std::vector<const char *>> rows)
    {
        for (auto &row : rows) {
            Item *item = nullptr;
            ASSERT_EQ(ZeCreateItem(&item), ZE_OK);
            ZeSetItemValues(item, row.data(), static_cast<unsigned>(row.size()));
            ASSERT_EQ(ZeInsertCollectionItem(c_, item), ZE_OK);
        }
    }

    // Field 0 of each item, in list order.
    Texts names()
    {
        Texts out;
        ZeSetCollectionPosition(c_, 1);
        for (Item *i = ZeNextCollectionItem(c_); i; i = ZeNextCollectionItem(c_)) out.emplace_back(ZeItemValue(i, 0));
        return out;
    }

    // Runs cursor moves: F first, N next, L last, R remove the current item,
    // a digit sets that position. A move that yields an item shows its
    // field 0 ("-" for none) and the position after it; the others "=" and
    // their code.
    std::string walk(const char *moves)
    {
        std::string out;
        for (const char *m = moves; *m; ++m) {
            if (*m >= '0' && *m <= '9') {
                out += "=" + std::to_string(ZeSetCollectionPosition(c_, static_cast<unsigned>(*m - '0')));
            } else if (*m == 'R') {
                out += "=" + std::to_string(ZeRemoveCurrentCollectionItem(c_));
            } else {
                Item *i = *m == 'F'   ? ZeFirstCollectionItem(c_)
                          : *m == 'L' ? ZeLastCollectionItem(c_)
                                      : ZeNextCollectionItem(c_);
                out += (i ? ZeItemValue(i, 0) : "-") + std::to_string(ZeCollectionPosition(c_));
            }
            out += m[1] ? " " : "";
        }
        return out;
    }

    Collection *c_ = nullptr;
};

}  // namespace

TEST_F(CollectionTest, CursorReproducesTheWalkAndRemovalSequences)
{
    EXPECT_EQ(walk("NRF"), "-0 =7 -1");
    add({{"A"}, {"B"}, {"C"}});
    EXPECT_EQ(ZeCollectionSize(c_), 3u);
    EXPECT_EQ(walk("FNNNN"), "A1 B2 C3 -3 A1");
    // Past the end a middle position still works; Last does not move the cursor.
    EXPECT_EQ(walk("F2NN3NN2NLN"), "A1 =0 B2 C3 =0 C3 -3 =0 B2 C2 C3");
    EXPECT_EQ(walk("04N"), "=4 =7 A1");
    ZeDumpCollection(c_, nullptr);
    ZeDumpCollection(nullptr, "x");
    EXPECT_EQ(trace(), (Texts{"*** ZeSetCollectionPosition: parameter 2 (Position) is invalid",
                              "Collection:  Size: 3  Position: 1"}));

    // Removing the current item moves on to the next; the last one goes too.
    EXPECT_EQ(walk("NRNRNR"), "B2 =0 C2 =0 -2 =7");
    EXPECT_EQ(names(), Texts{"A"});
    ASSERT_EQ(ZeResetCollection(c_), ZE_OK);
    EXPECT_EQ(ZeCollectionSize(c_), 0u);
    EXPECT_EQ(walk("1"), "=7");
}

TEST_F(CollectionTest, FieldListsAndListFilteringCompareExactly)
{
    add({{"x", "1"}, {"y", "2"}, {"x", "3"}, {"X", "4"}, {"short"}});
    Item *list = nullptr;
    ZeCreateItem(&list);
    ASSERT_EQ(ZeGetFieldListFromCollection(c_, 0, list), ZE_OK);
    EXPECT_EQ(Texts(ZeItemValues(list), ZeItemValues(list) + ZeItemCount(list)), (Texts{"x", "y", "X", "short"}));
    ASSERT_EQ(ZeGetFieldListFromCollection(c_, 1, list), ZE_OK);  // "short" has no field 1
    EXPECT_EQ(Texts(ZeItemValues(list), ZeItemValues(list) + ZeItemCount(list)), (Texts{"1", "2", "3", "4"}));
    EXPECT_EQ(ZeCollectionPosition(c_), 5u) << "the walk leaves the cursor past the end";

    const char *keep[] = {"x", "short", "y"};
    ZeSetItemValues(list, keep, 3);
    ASSERT_EQ(ZeRemoveCollectionItemsNotInList(c_, 0, list), ZE_OK);
    EXPECT_EQ(names(), (Texts{"x", "y", "short"}));
    EXPECT_STREQ(ZeItemValue(ZeFirstCollectionItem(c_), 1), "1") << "the first x is the one kept";
    ASSERT_EQ(ZeRemoveCollectionItemsNotInList(c_, 7, list), ZE_OK);  // no item has field 7
    EXPECT_EQ(ZeCollectionSize(c_), 0u);

    ASSERT_EQ(ZeGetFieldListFromCollection(c_, 0, list), ZE_RC_NO_ENTRY);
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
    ZeDestroyCollection(target);
}

TEST_F(CollectionTest, SortByParentPlacesLeavesBeforeBranches)
{
    struct Case {
        std::vector<std::vector<const char *>> rows;  // key, parent
        Texts sorted;
        Texts lines;
    } cases[] = {
        {{{"R", ""}, {"A", "r"}, {"B", "R"}, {"A1", "a"}}, {"R", "B", "A", "A1"}, {}},
        {{{"R", ""}, {"A1", "A"}, {"A", "R"}, {"B", "R"}},
         {"R", "A1", "A", "B"},
         {"*** ZeSortCollectionByParent: not all records sorted"}},
        // Runs in depth-first order of their parents are moved behind them.
        {{{"R", ""}, {"A", "R"}, {"C", "R"}, {"A1", "A"}, {"A2", "A"}, {"A1a", "A1"}, {"C1", "C"}},
         {"R", "A", "A2", "A1", "A1a", "C", "C1"},
         {}},
        {{}, {}, {"ZeSortCollectionByParent: no records to sort"}},
        {{{"R", ""}, {"lonely"}},
         {"R", "lonely"},
         {"*** ZeItemValue: parameter 2 (Index) is invalid", "*** child_of_parent: bad parent name",
          "*** ZeItemValue: parameter 2 (Index) is invalid", "*** child_of_parent: bad parent name",
          "*** ZeSortCollectionByParent: not all records sorted"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.sorted.size());
        ZeResetCollection(c_);
        add(c.rows);
        ZeNextCollectionItem(c_);
        clear_trace();
        ASSERT_EQ(ZeSortCollectionByParent(c_, 0, 1), ZE_OK);
        EXPECT_EQ(trace(), c.lines);
        EXPECT_EQ(walk("N"), c.rows.empty() ? "-0" : "R1");
        EXPECT_EQ(names(), c.sorted);
    }

    // A chain far deeper than any call stack would allow.
    ZeResetCollection(c_);
    std::vector<std::string> keys;
    for (int i = 0; i < 50000; ++i) keys.push_back("k" + std::to_string(i));
    add({{keys[0].c_str(), ""}});
    for (int i = 1; i < 50000; ++i) add({{keys[i].c_str(), keys[i - 1].c_str()}});
    ASSERT_EQ(ZeSortCollectionByParent(c_, 0, 1), ZE_OK);
    EXPECT_EQ(ZeCollectionSize(c_), 50000u);
    EXPECT_STREQ(ZeItemValue(ZeLastCollectionItem(c_), 0), "k49999");
}
