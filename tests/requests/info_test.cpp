// Request info: owned fields, checks before routing, copies, filling from
// a filter, dumps and allocation failures.
#include "tarn_test.hpp"
#include "ZeDate.h"
#include "ZeDts.h"
#include "ZeFilter.h"

#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

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

    // A foreign handle is refused by the info's own check; dumps skip it.
    DtsResult *result = nullptr;
    ASSERT_EQ(ZeCreateDtsResult(&result), 0u);
    auto *notInfo = reinterpret_cast<DtsInfo *>(result);
    clear_trace();
    EXPECT_EQ(ZeIsValidDtsInfo(nullptr), 0);
    EXPECT_EQ(ZeDestroyDtsInfo(notInfo), 4u);
    EXPECT_EQ(ZeCopyDtsInfo(i, notInfo, "X"), 4u);
    ZeDumpDtsInfo(notInfo, "x");
    ZeDumpDtsInfo(nullptr, "x");
    EXPECT_EQ(trace(), (Lines{"*** Invalid DTS Info Object encountered", "*** Invalid DTS Info Object encountered",
                              "*** ZeDestroyDtsInfo: parameter 1 (Info) is invalid",
                              "*** Invalid DTS Info Object encountered",
                              "*** ZeCopyDtsInfo: parameter 2 (SrcInfo) is invalid"}));
    EXPECT_EQ(ZeDestroyDtsResult(result), 0u);

    // The dump without a prefix; routing shows the one with three blanks.
    ZeSetDtsInfoField(i, ZE_INFO_OBJECT, "USER");
    clear_trace();
    ZeDumpDtsInfo(i, nullptr);
    ASSERT_EQ(trace().size(), 10u);
    EXPECT_EQ(Lines(trace().begin(), trace().begin() + 3), (Lines{"Info:", "         OBJECT : USER",
                                                                   "       PLATFORM : <None>"}));
}

TEST_F(InfoTest, CheckNeedsUserAndNodeAndFillsTheDateFormat)
{
    EXPECT_EQ(check("", "NODE1", nullptr), "11|<null>");
    EXPECT_EQ(check("joe", nullptr, nullptr), "12|<null>");
    EXPECT_EQ(trace(), (Lines{"ZeCheckDtsInfo: Info Object is missing the Username",
                              "ZeCheckDtsInfo: Info Object is missing the Destination Node"}));
    EXPECT_EQ(check("joe", "NODE1", ""), "0|mm/dd/yyyy");
    EXPECT_EQ(check("joe", "NODE1", "dd.mm.yy"), "0|dd.mm.yy");
    EXPECT_EQ(check("joe", "NODE1", nullptr, true), "3|<null>");
}

// Runs with KVR_DATEFMT set: the default comes from the environment.
TEST_F(InfoDateFormat, CheckTakesTheConfiguredDefaultFormat)
{
    EXPECT_EQ(check("joe", "NODE1", nullptr), "0|dd.mm.yyyy");
}

TEST_F(InfoTest, CopyReplacesEveryFieldAndMayRenameTheObject)
{
    Info src, dest;
    ZeSetDtsInfoField(src, ZE_INFO_OBJECT, "USER");
    ZeSetDtsInfoField(src, ZE_INFO_LANGUAGE, "AMENG");
    ZeSetDtsInfoField(src, ZE_INFO_DATEFORMAT, "mm/dd/yy");
    for (unsigned n = 1; n <= 9; ++n) ZeSetDtsInfoField(dest, n, "old");

    EXPECT_EQ(ZeCopyDtsInfo(dest, src, nullptr), 0u);
    EXPECT_EQ(dest.fields(), "USER|<null>|<null>|AMENG|<null>|<null>|<null>|<null>|mm/dd/yy");
    EXPECT_NE(ZeDtsInfoField(dest, ZE_INFO_OBJECT), ZeDtsInfoField(src, ZE_INFO_OBJECT));
    EXPECT_EQ(ZeCopyDtsInfo(dest, src, "GROUP"), 0u);
    EXPECT_EQ(dest.fields(), "GROUP|<null>|<null>|AMENG|<null>|<null>|<null>|<null>|mm/dd/yy");
    EXPECT_EQ(src.field(ZE_INFO_OBJECT), "USER");

    // Onto itself, with or without a new name.
    EXPECT_EQ(ZeCopyDtsInfo(src, src, nullptr), 0u);
    EXPECT_EQ(ZeCopyDtsInfo(src, src, "ROLE"), 0u);
    EXPECT_EQ(src.fields(), "ROLE|<null>|<null>|AMENG|<null>|<null>|<null>|<null>|mm/dd/yy");

    // A failing copy stops there: earlier fields are copied, that one is NULL.
    TarnSetAllocFailure(1, 1);
    EXPECT_EQ(ZeCopyDtsInfo(dest, src, nullptr), 3u);
    TarnSetAllocFailure(-1, 0);
    EXPECT_EQ(dest.fields(), "ROLE|<null>|<null>|<null>|<null>|<null>|<null>|<null>|mm/dd/yy");
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

TEST_F(InfoTest, AllocationFailuresGiveThreeAndLoseNothing)
{
    each_alloc_failure([&](long) {
        DtsInfo *info = reinterpret_cast<DtsInfo *>(this), *copy = nullptr;
        unsigned rc = ZeCreateDtsInfo(&info);
        if (rc) {
            EXPECT_TRUE(rc == 3 && !info) << rc;
            return;
        }
        rc = ZeSetDtsInfoField(info, ZE_INFO_OBJECT, "USER");
        EXPECT_TRUE(rc == 0 || rc == 3) << rc;
        EXPECT_EQ(ZeDtsInfoField(info, ZE_INFO_OBJECT) != nullptr, rc == 0);
        if (ZeCreateDtsInfo(&copy) == 0) {
            rc = ZeCopyDtsInfo(copy, info, "GROUP");
            EXPECT_EQ(ZeDtsInfoField(copy, ZE_INFO_OBJECT) != nullptr, rc == 0);
            ZeDestroyDtsInfo(copy);
        }
        EXPECT_EQ(ZeDestroyDtsInfo(info), 0u);
    });
}
