// Request info: owned fields, the check before routing and filling from a
// filter.
#include "tarn_test.hpp"
#include "ZeDate.h"
#include "ZeDts.h"
#include "ZeFilter.h"

namespace {

struct Info {
    DtsInfo *info = nullptr;
    Info() { EXPECT_EQ(ZeCreateDtsInfo(&info), 0u); }
    ~Info() { EXPECT_EQ(ZeDestroyDtsInfo(info), 0u); }
    operator DtsInfo *() const { return info; }
    std::string field(unsigned n) const
    {
        const char *v = ZeDtsInfoField(info, n);
        return v ? v : "<null>";
    }
    // All nine fields joined with '|'.
    std::string fields() const
    {
        std::string all = field(1);
        for (unsigned n = 2; n <= ZE_INFO_FIELD_COUNT; ++n) all += "|" + field(n);
        return all;
    }
};

// ZeSetDtsInfoFromFilter with criteria given as text.
unsigned from_filter(DtsInfo *info, const char *criteria)
{
    Filter *f = nullptr;
    ZeCreateFilter(&f);
    ZeSetFilter(f, ZE_FILTER_TEXT, criteria);
    unsigned rc = ZeSetDtsInfoFromFilter(info, f);
    ZeDestroyFilter(f);
    return rc;
}

class InfoTest : public TarnTest {
protected:
    // ZeCheckDtsInfo on an info with these fields (NULL: not set; memory
    // failing after they are set when asked): its code and the date format.
    std::string check(const char *user, const char *node, const char *format, bool failing = false)
    {
        Info i;
        ZeSetDtsInfoField(i, ZE_INFO_USERNAME, user);
        ZeSetDtsInfoField(i, ZE_INFO_DESTNODE, node);
        ZeSetDtsInfoField(i, ZE_INFO_DATEFORMAT, format);
        if (failing) TarnSetAllocFailure(0, -1);
        const unsigned rc = ZeCheckDtsInfo(i);
        TarnSetAllocFailure(-1, 0);
        return std::to_string(rc) + "|" + i.field(ZE_INFO_DATEFORMAT);
    }
};

using InfoDateFormat = InfoTest;

}  // namespace

TEST_F(InfoTest, FieldsAreOwnedCopiesAddressedOneToNine)
{
    Info i;
    EXPECT_EQ(i.fields(), "<null>|<null>|<null>|<null>|<null>|<null>|<null>|<null>|<null>");
    std::string user = "operator";
    EXPECT_EQ(ZeSetDtsInfoField(i, ZE_INFO_USERNAME, user.c_str()), 0u);
    user[0] = 'X';
    EXPECT_EQ(ZeSetDtsInfoField(i, 9, "yyyy-mm-dd"), 0u);
    EXPECT_EQ(i.fields(), "<null>|<null>|<null>|<null>|operator|<null>|<null>|<null>|yyyy-mm-dd");
    EXPECT_EQ(ZeSetDtsInfoField(i, ZE_INFO_USERNAME, ZeDtsInfoField(i, ZE_INFO_USERNAME)), 0u);  // its own value
    EXPECT_EQ(i.field(ZE_INFO_USERNAME), "operator");
    EXPECT_EQ(ZeSetDtsInfoField(i, ZE_INFO_USERNAME, nullptr), 0u);
    EXPECT_EQ(i.field(ZE_INFO_USERNAME), "<null>");

    for (unsigned bad : {0u, 10u, 0xFFFFFFFFu}) {
        EXPECT_EQ(ZeSetDtsInfoField(i, bad, "x"), 4u);
        EXPECT_EQ(ZeDtsInfoField(i, bad), nullptr);
    }
    EXPECT_EQ(count_traced("*** ZeDtsInfoField: parameter 2 (Field) is invalid"), 3u);
    EXPECT_EQ(i.field(9), "yyyy-mm-dd");
}

TEST_F(InfoTest, CheckNeedsUserAndNodeAndFillsTheDateFormat)
{
    // The codes and lines of a missing user or node are pinned in the routing tests.
    EXPECT_EQ(check("", "NODE1", nullptr), "11|<null>");
    EXPECT_EQ(check("joe", "NODE1", ""), "0|mm/dd/yyyy");
    EXPECT_EQ(check("joe", "NODE1", "dd.mm.yy"), "0|dd.mm.yy");
    EXPECT_EQ(check("joe", "NODE1", nullptr, true), "3|<null>");
}

// Runs with KVR_DATEFMT set: the default comes from the environment.
TEST_F(InfoDateFormat, CheckTakesTheConfiguredDefaultFormat)
{
    EXPECT_EQ(check("joe", "NODE1", nullptr), "0|dd.mm.yyyy");
}

TEST_F(InfoTest, FilterCriteriaOnInfoFieldsSetThem)
{
    Info i;
    EXPECT_EQ(from_filter(i, "language EQ AMENG, VERSION eq 2.0, COLOR NE red, LANGUAGE EQ FRENCH"), 0u);
    EXPECT_EQ(from_filter(i, "SHAPE EQ round"), 0u);
    EXPECT_EQ(from_filter(i, ""), 0u);
    EXPECT_EQ(i.fields(), "<null>|<null>|2.0|AMENG|<null>|<null>|<null>|<null>|<null>");
    EXPECT_EQ(from_filter(i, "LANGUAGE NE GERMAN"), 8u);
    // Fields before the offending criterion keep their new values.
    EXPECT_EQ(from_filter(i, "DESTNODE EQ N2, OBJECT EQ USER, USERNAME GT a"), 8u);
    EXPECT_EQ(i.fields(), "USER|<null>|2.0|AMENG|<null>|<null>|<null>|<null>|<null>");
}
