// Filters and criteria: walks, arrays, lookups, copies, the argument
// formats, and the comparisons with their codes.
#include "tarn_test.hpp"

namespace {

using Items = std::vector<std::string>;

class FilterTest : public TarnTest {
protected:
    void SetUp() override
    {
        TarnTest::SetUp();
        ASSERT_EQ(ZeCreateFilter(&f_), ZE_OK);
        ASSERT_EQ(ZeCreateFilter(&g_), ZE_OK);
    }
    void TearDown() override
    {
        ZeDestroyFilter(f_);
        ZeDestroyFilter(g_);
        TarnTest::TearDown();
    }

    // "column|relop|value" for each criterion, by a walk.
    static Items walk(Filter *f)
    {
        Items out;
        const char *c = nullptr, *r = nullptr, *v = nullptr;
        for (ZeInitFilterQuery(f); ZeGetFilterItem(f, &c, &r, &v); ZeNextFilterItem(f))
            out.push_back(std::string(c) + "|" + r + "|" + v);
        return out;
    }

    // The same through ZeGetFilter's arrays, or "rc <code>".
    static Items arrays(Filter *f)
    {
        char **c = nullptr, **r = nullptr, **v = nullptr;
        int n = -1;
        if (unsigned rc = ZeGetFilter(f, &c, &r, &v, &n)) return {"rc " + std::to_string(rc)};
        Items out;
        for (int i = 0; i < n; ++i) out.push_back(std::string(c[i]) + "|" + r[i] + "|" + v[i]);
        if (c[n] || r[n] || v[n]) out.emplace_back("unterminated");
        return out;
    }

    Filter *f_ = nullptr;
    Filter *g_ = nullptr;
};

}  // namespace

TEST_F(FilterTest, WalksArraysAndLookupsSeeCriteriaInOrder)
{
    EXPECT_EQ(ZeGetFilterItemCount(f_), 0);
    EXPECT_TRUE(walk(f_).empty());
    EXPECT_EQ(arrays(f_), Items{"rc 7"});
    EXPECT_EQ(ZeFilterItemByKey(f_, "NAME", nullptr, nullptr), ZE_RC_NO_ENTRY);

    ZeAddFilterItem(f_, "NAME", "EQ", "A");
    ZeAddFilterItem(f_, "VERSION", "EQ", "2.0");
    EXPECT_EQ(walk(f_), (Items{"NAME|EQ|A", "VERSION|EQ|2.0"}));
    EXPECT_EQ(arrays(f_), walk(f_));
    ZeAddFilterItem(f_, "name", "NE", "B");  // the arrays are stale now
    EXPECT_EQ(arrays(f_), (Items{"NAME|EQ|A", "VERSION|EQ|2.0", "name|NE|B"}));

    const char *relop = nullptr, *value = nullptr;
    ASSERT_EQ(ZeFilterItemByKey(f_, "Name", &relop, &value), ZE_OK);
    EXPECT_STREQ(value, "A");  // the first of the two
    EXPECT_EQ(ZeFilterItemByKey(f_, "LANGUAGE", &relop, &value), ZE_RC_NO_ENTRY);
    char *dupRelop = nullptr, *dupValue = nullptr;
    ASSERT_EQ(ZeFilterItemByKey(f_, "VERSION", &relop, &value), ZE_OK);
    ASSERT_EQ(ZeDupFilterItemByKey(f_, "VERSION", &dupRelop, &dupValue), ZE_OK);
    EXPECT_STREQ(dupValue, "2.0");
    EXPECT_NE(dupValue, value);
    TarnFreeBlock(reinterpret_cast<void **>(&dupRelop), "test", __LINE__);
    TarnFreeBlock(reinterpret_cast<void **>(&dupValue), "test", __LINE__);

    EXPECT_EQ(ZeAddFilterItem(f_, "X", nullptr, "1"), ZE_RC_CRITERION_NOT_ADDED);
    ASSERT_EQ(ZeResetFilter(f_), ZE_OK);
    EXPECT_EQ(ZeGetFilterItemCount(f_), 0);
    EXPECT_EQ(arrays(f_), Items{"rc 7"});
}

TEST_F(FilterTest, CopiesReplaceTheDestinationAndCanLeaveAColumnOut)
{
    ZeSetFilter(f_, ZE_FILTER_TEXT, "NAME EQ A, LANGUAGE EQ B, name EQ C");
    ZeSetFilter(g_, ZE_FILTER_TEXT, "OLD EQ 1");
    ASSERT_EQ(ZeCopyFilterWithoutItem(g_, f_, "NAME"), ZE_OK);
    EXPECT_EQ(walk(g_), Items{"LANGUAGE|EQ|B"});
    EXPECT_EQ(ZeCopyFilterWithoutItem(g_, f_, ""), ZE_RC_INVALID_PARAMETER);
    ASSERT_EQ(ZeCopyFilter(g_, f_), ZE_OK);
    EXPECT_EQ(walk(g_), walk(f_));
    ASSERT_EQ(ZeCopyFilter(f_, f_), ZE_OK);
    EXPECT_EQ(ZeGetFilterItemCount(f_), 3);
    ASSERT_EQ(ZeCopyFilterWithoutItem(f_, f_, "language"), ZE_OK);
    EXPECT_EQ(walk(f_), (Items{"NAME|EQ|A", "name|EQ|C"}));
}

TEST_F(FilterTest, ArgumentFormatsAddCriteria)
{
    EXPECT_EQ(ZeSetFilter(f_, ZE_FILTER_TEXT, "LANGUAGE EQ AMENG, VERSION EQ 2.0"), ZE_OK);
    EXPECT_EQ(ZeSetFilterItem(f_, ZE_CRITERION_TEXT, "NAME EQ my value"), ZE_OK);
    EXPECT_EQ(ZeSetFilterItem(f_, ZE_CRITERION_COMMA_TEXT, "NAME,EQ,a,b"), ZE_OK);
    EXPECT_EQ(ZeSetFilterItem(f_, ZE_CRITERION_STRINGS, "NAME", "EQ", "x"), ZE_OK);
    EXPECT_EQ(walk(f_), (Items{"LANGUAGE|EQ|AMENG", "VERSION|EQ|2.0", "NAME|EQ|my value", "NAME|EQ|a,b", "NAME|EQ|x"}));
    ZeResetFilter(f_);
    // Nothing after the operator is the empty value; no operator adds nothing.
    EXPECT_EQ(ZeSetFilter(f_, ZE_FILTER_TEXT, "NAME EQ X, DESCRIPTION EQ "), ZE_OK);
    EXPECT_EQ(ZeSetFilterItem(f_, ZE_CRITERION_COMMA_TEXT, "OWNER,NE"), ZE_OK);
    EXPECT_EQ(ZeSetFilterItem(f_, ZE_CRITERION_TEXT, "NAME"), ZE_RC_CRITERION_NOT_ADDED);
    EXPECT_EQ(walk(f_), (Items{"NAME|EQ|X", "DESCRIPTION|EQ|", "OWNER|NE|"}));
    ZeResetFilter(f_);

    char a[] = "A", b[] = "B", eq[] = "EQ", one[] = "1", two[] = "2";
    char *cols[] = {a, b, nullptr}, *relops[] = {eq, eq, nullptr}, *vals[] = {one, two, nullptr};
    EXPECT_EQ(ZeSetFilter(f_, ZE_FILTER_ARRAYS, cols, relops, vals, 0), ZE_RC_CRITERION_NOT_ADDED);
    EXPECT_EQ(ZeGetFilterItemCount(f_), 0);
    char *none[] = {nullptr};
    EXPECT_EQ(ZeSetFilter(f_, ZE_FILTER_ARRAYS, none, none, none, -1), ZE_OK) << "counted arrays may be empty";
    EXPECT_EQ(ZeSetFilter(f_, ZE_FILTER_ARRAYS, cols, relops, vals, -1), ZE_OK);
    EXPECT_EQ(walk(f_), (Items{"A|EQ|1", "B|EQ|2"}));
    EXPECT_EQ(ZeSetFilter(f_, ZE_FILTER_ARRAYS, cols, relops, vals, 3), ZE_RC_CRITERION_NOT_ADDED);
    EXPECT_EQ(ZeGetFilterItemCount(f_), 4) << "criteria before the NULL stay";
    ZeResetFilter(f_);

    char s1[] = "X  GT   5", s2[] = "Y LT 9";
    char *strings[] = {s1, s2, nullptr};
    EXPECT_EQ(ZeSetFilter(f_, ZE_FILTER_STRINGS, strings, 2), ZE_OK);
    EXPECT_STREQ(s1, "X  GT   5") << "the caller's text is not cut";
    EXPECT_EQ(ZeSetFilter(f_, ZE_FILTER_STRINGS, strings, 0), ZE_OK);
    EXPECT_EQ(ZeSetFilter(f_, ZE_FILTER_STRINGS, strings, 3), ZE_RC_CRITERION_NOT_ADDED);
    EXPECT_EQ(walk(f_), (Items{"X|GT|5", "Y|LT|9", "X|GT|5", "Y|LT|9"}));
    EXPECT_EQ(ZeSetFilter(f_, 4, "x"), ZE_RC_FILTER_FORMAT);
    EXPECT_EQ(ZeSetFilter(f_, ZE_FILTER_TEXT, (char *)nullptr), ZE_RC_FILTER_NULL_TEXT);
}

TEST_F(FilterTest, ComparisonsIgnoreCaseAndOrder)
{
    ZeSetFilterItem(f_, ZE_CRITERION_STRINGS, "name", "eq", "X");
    ZeSetFilterItem(g_, ZE_CRITERION_STRINGS, "NAME", "EQ", "x");
    EXPECT_EQ(ZeCompareFilterItems(f_, g_), ZE_RC_NO_CURRENT_CRITERION);
    ZeInitFilterQuery(f_);
    ZeInitFilterQuery(g_);
    EXPECT_EQ(ZeCompareFilterItems(f_, g_), ZE_RC_CRITERIA_EQUAL);
    ZeResetFilter(g_);
    ZeSetFilterItem(g_, ZE_CRITERION_STRINGS, "NAME", "NE", "x");
    ZeInitFilterQuery(g_);
    EXPECT_EQ(ZeCompareFilterItems(f_, g_), ZE_RC_CRITERIA_DIFFER);

    struct Case {
        const char *one, *two;
        unsigned rc;
    } cases[] = {
        {"", "", ZE_OK},
        {"A EQ 1, B EQ 2", "b eq 2, a eq 1", ZE_RC_CRITERIA_EQUAL},
        {"A EQ 1, B EQ 2", "A EQ 1, B EQ 2, C EQ 3", ZE_RC_CRITERIA_DIFFER},
        {"A EQ 1, A EQ 1", "A EQ 1, B EQ 2", ZE_RC_CRITERIA_EQUAL},
        {"A EQ 1, B EQ 2", "A EQ 1, A EQ 1", ZE_RC_CRITERIA_DIFFER},
    };
    for (const Case &c : cases) {
        ZeResetFilter(f_);
        ZeResetFilter(g_);
        ZeSetFilter(f_, ZE_FILTER_TEXT, c.one);
        ZeSetFilter(g_, ZE_FILTER_TEXT, c.two);
        EXPECT_EQ(ZeCompareFilters(f_, g_), c.rc) << c.one << " / " << c.two;
    }
}
