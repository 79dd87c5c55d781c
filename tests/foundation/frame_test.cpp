// Parameter checks: which parameter is reported, with which line, and what
// a failed check returns.
#include "tarn_test.hpp"

namespace {

using FrameTest = TarnTest;

}  // namespace

TEST_F(FrameTest, AssertReportsOnlyTheFirstInvalidParameter)
{
    EXPECT_EQ(ZeAssertValidParameters("ZeSomething", 2, "pObject", 0, "Name", 0), 4u);
    EXPECT_EQ(ZeAssertValidParameters("ZeSomething", 3, "pObject", 1, "Name", 0, "Filter", 0), 4u);
    EXPECT_EQ(ZeAssertValidParameters("ZeSomething", 2, "a", 1, "b", 7), 0u);
    EXPECT_EQ(ZeAssertValidParameters("ZeSomething", 0), 0u);
    EXPECT_EQ(trace(), (Texts{"*** ZeSomething: parameter 1 (pObject) is invalid",
                              "*** ZeSomething: parameter 2 (Name) is invalid"}));
}

TEST_F(FrameTest, ReportUsesTheOutsideCallersLineAndABlankForNullNames)
{
    EXPECT_EQ(ZeReportInvalidParameters("AppFunction", 2, "First", 1, static_cast<const char *>(nullptr), 0), 4u);
    EXPECT_EQ(ZeReportInvalidParameters("AppFunction", 1, "First", 1), 0u);
    EXPECT_EQ(trace(), Texts{"AppFunction parameter 2 ( ) is invalid"});
}
