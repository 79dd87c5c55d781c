// Filter matching through a descriptor: text with wildcard and case, INT
// and REAL relations, the codes of unmatchable types and missing values.
#include "tarn_test.hpp"

namespace {

class MatchTest : public TarnTest {
protected:
    void SetUp() override
    {
        TarnTest::SetUp();
        ASSERT_EQ(ZeCreateDescriptor(&d_), ZE_OK);
        ZeCreateField(d_, "COUNT", "TYPE", "INT", (char *)0);
        ZeCreateField(d_, "NAME", "TYPE", "TEXT", (char *)0);
        ZeCreateField(d_, "CODE", "TYPE", "TEXT", "CASE SENSITIVE", 1, (char *)0);
        ZeCreateField(d_, "RATIO", "TYPE", "REAL", (char *)0);
        ZeCreateField(d_, "WHEN", "TYPE", "DATE", (char *)0);
        ZeCreateField(d_, "FLAG", "TYPE", "BOOL", (char *)0);
        ASSERT_EQ(ZeBuildDescriptorHeader(d_), ZE_OK);
        // The data comes in another order than the fields.
        char *order[] = {cols_[0], cols_[1], cols_[2], cols_[3], cols_[4], cols_[5]};
        ASSERT_EQ(ZeBuildIndexArray(d_, order, 6), ZE_OK);
        ASSERT_EQ(ZeCreateFilter(&f_), ZE_OK);
    }
    void TearDown() override
    {
        ZeDestroyFilter(f_);
        ZeDestroyDescriptor(d_);
        TarnTest::TearDown();
    }

    // Matches the record against one criterion given as text.
    unsigned match(const char *criterion)
    {
        ZeResetFilter(f_);
        EXPECT_EQ(ZeSetFilterItem(f_, ZE_CRITERION_TEXT, criterion), ZE_OK) << criterion;
        return ZeMatchFilter(f_, d_, row_);
    }

    char cols_[6][8] = {"FLAG", "NAME", "WHEN", "COUNT", "RATIO", "CODE"};
    char flag_[2] = "Y", name_[10] = "Printer01", when_[11] = "01/02/2024", count_[3] = "10", ratio_[5] = "2.50",
         code_[5] = "AbCd";
    char *row_[6] = {flag_, name_, when_, count_, ratio_, code_};
    Descriptor *d_ = nullptr;
    Filter *f_ = nullptr;
};

}  // namespace

TEST_F(MatchTest, EachFieldTypeComparesInItsOwnWay)
{
    const std::pair<const char *, unsigned> cases[] = {
        {"COUNT GT 9", ZE_RC_MATCH},
        {"COUNT LT 9", ZE_RC_NO_MATCH},
        {"COUNT gt 9", ZE_RC_MATCH_NOT_POSSIBLE},
        {"COUNT LE 10", ZE_RC_MATCH},
        {"COUNT LT 10", ZE_RC_NO_MATCH},
        {"COUNT GT 10", ZE_RC_NO_MATCH},
        {"COUNT NE 10", ZE_RC_NO_MATCH},
        {"COUNT EQ 100", ZE_RC_NO_MATCH},  // compared as numbers, not as text
        {"RATIO GE 2.5", ZE_RC_MATCH},
        {"RATIO LT 2.49", ZE_RC_NO_MATCH},
        {"count EQ 10", ZE_RC_MATCH},  // columns name fields ignoring case
        {"NAME EQ print*", ZE_RC_MATCH},
        {"NAME EQ *", ZE_RC_MATCH},
        {"NAME EQ *01", ZE_RC_NO_MATCH},
        {"NAME EQ PRINTER01", ZE_RC_MATCH},
        {"NAME NE PRINTER01", ZE_RC_MATCH},  // the operator is not used for text
        {"NAME EQ Printer0", ZE_RC_NO_MATCH},
        {"CODE EQ AbCd", ZE_RC_MATCH},
        {"CODE EQ abcd", ZE_RC_NO_MATCH},
        {"CODE EQ Ab*", ZE_RC_MATCH},
        {"CODE EQ ab*", ZE_RC_NO_MATCH},
        {"WHEN EQ 01/02/2024", ZE_RC_MATCH_DATE_TIME},
        {"FLAG EQ Y", ZE_RC_MATCH_BAD_TYPE},
        {"MISSING EQ 1", ZE_RC_NO_ENTRY},
    };
    for (const auto &[criterion, rc] : cases) EXPECT_EQ(match(criterion), rc) << criterion;
}

TEST_F(MatchTest, EveryCriterionMustHoldAndTheFirstFailureDecides)
{
    ZeSetFilter(f_, ZE_FILTER_TEXT, "NAME EQ print*, COUNT GE 10, RATIO LT 3");
    EXPECT_EQ(ZeMatchFilter(f_, d_, row_), ZE_RC_MATCH);
    ZeSetFilter(f_, ZE_FILTER_TEXT, "WHEN EQ 01/02/2024, FLAG EQ Y");
    EXPECT_EQ(ZeMatchFilter(f_, d_, row_), ZE_RC_MATCH_DATE_TIME);
    row_[1] = nullptr;
    EXPECT_EQ(match("NAME EQ x"), ZE_RC_MATCH_NOT_POSSIBLE);
    ZeResetFilter(f_);
    EXPECT_EQ(ZeMatchFilter(f_, d_, row_), ZE_RC_MATCH) << "no criteria: nothing fails";

    Field *count = nullptr;
    ASSERT_EQ(ZeGetFieldByName(d_, &count, "COUNT"), ZE_OK);
    EXPECT_EQ(ZeCompareFieldToCriteria(f_, count, "1"), ZE_RC_MATCH_NOT_POSSIBLE) << "no current criterion";
    ZeSetFilterItem(f_, ZE_CRITERION_TEXT, "ANY LT 5");
    ZeInitFilterQuery(f_);
    EXPECT_EQ(ZeCompareFieldToCriteria(f_, count, "4"), ZE_RC_MATCH) << "the column is not looked at";
}
