// Request info: owned fields, checks before routing, copies, filling from
// a filter, dumps and allocation failures.
#include "tarn_test.hpp"
#include "ZeDate.h"
#include "ZeDts.h"
#include "ZeFilter.h"

#include <cstdlib>
#include <string>
#include <vector>

namespace {

using InfoTest = TarnTest;
using InfoDateFormat = TarnTest;

struct Info {
    DtsInfo *info = nullptr;
    Info() { EXPECT_EQ(ZeCreateDtsInfo(&info), 0u); }
    ~Info() { EXPECT_EQ(ZeDestroyDtsInfo(info), 0u); }
    std::string field(unsigned n) const
    {
        const char *v = ZeDtsInfoField(info, n);
        return v ? v : "<null>";
    }
};

struct FilterOf {
    Filter *filter = nullptr;
    explicit FilterOf(std::vector<std::vector<const char *>> criteria)
    {
        EXPECT_EQ(ZeCreateFilter(&filter), 0u);
        for (auto &c : criteria) EXPECT_EQ(ZeAddFilterItem(filter, c[0], c[1], c[2]), 0u);
    }
    ~FilterOf() { ZeDestroyFilter(filter); }
};

}  // namespace

TEST_F(InfoTest, FieldsAreOwnedCopiesAddressedOneToNine)
{
    Info i;
    for (unsigned n = 1; n <= 9; ++n) EXPECT_EQ(ZeDtsInfoField(i.info, n), nullptr);

    std::string user = "operator";
    EXPECT_EQ(ZeSetDtsInfoField(i.info, ZE_INFO_USERNAME, user.c_str()), 0u);
    user[0] = 'X';
    EXPECT_EQ(i.field(ZE_INFO_USERNAME), "operator");
    EXPECT_NE(ZeDtsInfoField(i.info, ZE_INFO_USERNAME), user.c_str());

    // Setting a field to its own value, then clearing it.
    EXPECT_EQ(ZeSetDtsInfoField(i.info, ZE_INFO_USERNAME, ZeDtsInfoField(i.info, ZE_INFO_USERNAME)), 0u);
    EXPECT_EQ(i.field(ZE_INFO_USERNAME), "operator");
    EXPECT_EQ(ZeSetDtsInfoField(i.info, ZE_INFO_USERNAME, nullptr), 0u);
    EXPECT_EQ(ZeDtsInfoField(i.info, ZE_INFO_USERNAME), nullptr);

    EXPECT_EQ(ZeSetDtsInfoField(i.info, 9, "yyyy-mm-dd"), 0u);
    for (unsigned bad : {0u, 10u, 0xFFFFFFFFu}) {
        clear_trace();
        EXPECT_EQ(ZeSetDtsInfoField(i.info, bad, "x"), 4u);
        EXPECT_TRUE(traced("*** ZeSetDtsInfoField: parameter 2 (Field) is invalid")) << trace_text();
        EXPECT_EQ(ZeDtsInfoField(i.info, bad), nullptr);
        EXPECT_TRUE(traced("*** ZeDtsInfoField: parameter 2 (Field) is invalid"));
    }
    EXPECT_EQ(i.field(9), "yyyy-mm-dd");
}

TEST_F(InfoTest, ForeignHandlesAreRefusedWithTheirTraces)
{
    DtsResult *result = nullptr;
    ASSERT_EQ(ZeCreateDtsResult(&result), 0u);
    auto *notInfo = reinterpret_cast<DtsInfo *>(result);
    clear_trace();

    EXPECT_EQ(ZeIsValidDtsInfo(nullptr), 0);
    EXPECT_EQ(ZeIsValidDtsInfo(notInfo), 0);
    EXPECT_EQ(count_traced("*** Invalid DTS Info Object encountered"), 2u);
    EXPECT_EQ(ZeDestroyDtsInfo(notInfo), 4u);
    EXPECT_TRUE(traced("*** ZeDestroyDtsInfo: parameter 1 (Info) is invalid"));
    EXPECT_EQ(ZeDtsInfoField(notInfo, 1), nullptr);
    EXPECT_EQ(ZeCreateDtsInfo(nullptr), 4u);

    Info i;
    EXPECT_EQ(ZeCopyDtsInfo(i.info, notInfo, "X"), 4u);
    EXPECT_TRUE(traced("*** ZeCopyDtsInfo: parameter 2 (SrcInfo) is invalid"));
    EXPECT_EQ(ZeDtsInfoField(i.info, 1), nullptr);
    EXPECT_EQ(ZeSetDtsInfoFromFilter(i.info, reinterpret_cast<Filter *>(result)), 4u);
    EXPECT_TRUE(traced("*** ZeSetDtsInfoFromFilter: parameter 2 (Filter) is invalid"));

    clear_trace();
    ZeDumpDtsInfo(notInfo, "x");
    ZeDumpDtsInfo(nullptr, "x");
    EXPECT_TRUE(trace().empty()) << trace_text();
    EXPECT_EQ(ZeDestroyDtsResult(result), 0u);
}

TEST_F(InfoTest, DumpShowsEveryFieldUnderItsName)
{
    Info i;
    ZeSetDtsInfoField(i.info, ZE_INFO_OBJECT, "USER");
    ZeSetDtsInfoField(i.info, ZE_INFO_ROUTEMODULE, "TarnRpdb");
    ZeDumpDtsInfo(i.info, "   ");
    const std::vector<std::string> expected = {
        "   Info:",
        "            OBJECT : USER",
        "          PLATFORM : <None>",
        "           VERSION : <None>",
        "          LANGUAGE : <None>",
        "          USERNAME : <None>",
        "          DESTNODE : <None>",
        "         ROUTENODE : <None>",
        "       ROUTEMODULE : TarnRpdb",
        "        DATEFORMAT : <None>",
    };
    EXPECT_EQ(trace(), expected);

    clear_trace();
    ZeDumpDtsInfo(i.info, nullptr);
    ASSERT_EQ(trace().size(), 10u);
    EXPECT_EQ(trace()[0], "Info:");
    EXPECT_EQ(trace()[1], "         OBJECT : USER");
}

TEST_F(InfoTest, CheckNeedsUserAndNodeAndFillsTheDateFormat)
{
    Info i;
    ZeSetDtsInfoField(i.info, ZE_INFO_USERNAME, "");
    ZeSetDtsInfoField(i.info, ZE_INFO_DESTNODE, "NODE1");
    EXPECT_EQ(ZeCheckDtsInfo(i.info), 11u);
    EXPECT_TRUE(traced("ZeCheckDtsInfo: Info Object is missing the Username"));

    ZeSetDtsInfoField(i.info, ZE_INFO_USERNAME, "joe");
    ZeSetDtsInfoField(i.info, ZE_INFO_DESTNODE, nullptr);
    EXPECT_EQ(ZeCheckDtsInfo(i.info), 12u);
    EXPECT_TRUE(traced("ZeCheckDtsInfo: Info Object is missing the Destination Node"));
    EXPECT_EQ(ZeDtsInfoField(i.info, ZE_INFO_DATEFORMAT), nullptr);

    ZeSetDtsInfoField(i.info, ZE_INFO_DESTNODE, "NODE1");
    ZeSetDtsInfoField(i.info, ZE_INFO_DATEFORMAT, "");
    EXPECT_EQ(ZeCheckDtsInfo(i.info), 0u);
    EXPECT_EQ(i.field(ZE_INFO_DATEFORMAT), "mm/dd/yyyy");

    ZeSetDtsInfoField(i.info, ZE_INFO_DATEFORMAT, "dd.mm.yy");
    EXPECT_EQ(ZeCheckDtsInfo(i.info), 0u);
    EXPECT_EQ(i.field(ZE_INFO_DATEFORMAT), "dd.mm.yy");

    ZeSetDtsInfoField(i.info, ZE_INFO_DATEFORMAT, nullptr);
    TarnSetAllocFailure(0, -1);
    EXPECT_EQ(ZeCheckDtsInfo(i.info), 3u);
    TarnSetAllocFailure(-1, 0);
    EXPECT_EQ(ZeDtsInfoField(i.info, ZE_INFO_DATEFORMAT), nullptr);
}

// Runs with KVR_DATEFMT set: the default comes from the environment.
TEST_F(InfoDateFormat, CheckTakesTheConfiguredDefaultFormat)
{
    Info i;
    ZeSetDtsInfoField(i.info, ZE_INFO_USERNAME, "joe");
    ZeSetDtsInfoField(i.info, ZE_INFO_DESTNODE, "NODE1");
    EXPECT_EQ(ZeCheckDtsInfo(i.info), 0u);
    EXPECT_EQ(i.field(ZE_INFO_DATEFORMAT), "dd.mm.yyyy");
}

TEST_F(InfoTest, CopyReplacesEveryFieldAndMayRenameTheObject)
{
    Info src, dest;
    ZeSetDtsInfoField(src.info, ZE_INFO_OBJECT, "USER");
    ZeSetDtsInfoField(src.info, ZE_INFO_LANGUAGE, "AMENG");
    ZeSetDtsInfoField(src.info, ZE_INFO_DATEFORMAT, "mm/dd/yy");
    for (unsigned n = 1; n <= 9; ++n) ZeSetDtsInfoField(dest.info, n, "old");

    EXPECT_EQ(ZeCopyDtsInfo(dest.info, src.info, nullptr), 0u);
    for (unsigned n = 1; n <= 9; ++n) EXPECT_EQ(dest.field(n), src.field(n)) << "field " << n;
    EXPECT_NE(ZeDtsInfoField(dest.info, ZE_INFO_OBJECT), ZeDtsInfoField(src.info, ZE_INFO_OBJECT));

    EXPECT_EQ(ZeCopyDtsInfo(dest.info, src.info, "GROUP"), 0u);
    EXPECT_EQ(dest.field(ZE_INFO_OBJECT), "GROUP");
    EXPECT_EQ(dest.field(ZE_INFO_LANGUAGE), "AMENG");
    EXPECT_EQ(src.field(ZE_INFO_OBJECT), "USER");

    // Onto itself, with or without a new name.
    EXPECT_EQ(ZeCopyDtsInfo(src.info, src.info, nullptr), 0u);
    EXPECT_EQ(src.field(ZE_INFO_LANGUAGE), "AMENG");
    EXPECT_EQ(ZeCopyDtsInfo(src.info, src.info, "ROLE"), 0u);
    EXPECT_EQ(src.field(ZE_INFO_OBJECT), "ROLE");

    // A failing copy stops there: earlier fields are copied, that one is NULL.
    TarnSetAllocFailure(1, 1);
    EXPECT_EQ(ZeCopyDtsInfo(dest.info, src.info, nullptr), 3u);
    TarnSetAllocFailure(-1, 0);
    EXPECT_EQ(dest.field(ZE_INFO_OBJECT), "ROLE");
    EXPECT_EQ(dest.field(ZE_INFO_LANGUAGE), "<null>");
}

TEST_F(InfoTest, FilterCriteriaOnInfoFieldsSetThem)
{
    Info i;
    {
        FilterOf f({{"language", "EQ", "AMENG"}, {"VERSION", "eq", "2.0"}, {"COLOR", "NE", "red"},
                    {"LANGUAGE", "EQ", "FRENCH"}});
        EXPECT_EQ(ZeSetDtsInfoFromFilter(i.info, f.filter), 0u);
    }
    EXPECT_EQ(i.field(ZE_INFO_LANGUAGE), "AMENG");
    EXPECT_EQ(i.field(ZE_INFO_VERSION), "2.0");
    EXPECT_EQ(i.field(ZE_INFO_OBJECT), "<null>");

    {
        FilterOf f({{"SHAPE", "EQ", "round"}});
        EXPECT_EQ(ZeSetDtsInfoFromFilter(i.info, f.filter), 0u);
        FilterOf empty({});
        EXPECT_EQ(ZeSetDtsInfoFromFilter(i.info, empty.filter), 0u);
    }
    {
        FilterOf f({{"LANGUAGE", "NE", "GERMAN"}});
        EXPECT_EQ(ZeSetDtsInfoFromFilter(i.info, f.filter), 8u);
        EXPECT_EQ(i.field(ZE_INFO_LANGUAGE), "AMENG");
    }
    {
        // Fields before the offending criterion keep their new values.
        FilterOf f({{"DESTNODE", "EQ", "N2"}, {"OBJECT", "EQ", "USER"}, {"USERNAME", "GT", "a"}});
        EXPECT_EQ(ZeSetDtsInfoFromFilter(i.info, f.filter), 8u);
        EXPECT_EQ(i.field(ZE_INFO_OBJECT), "USER");
        EXPECT_EQ(i.field(ZE_INFO_DESTNODE), "<null>");
    }
}

TEST_F(InfoTest, AllocationFailuresGiveThreeAndLoseNothing)
{
    each_alloc_failure([&](long) {
        DtsInfo *info = reinterpret_cast<DtsInfo *>(this);
        unsigned rc = ZeCreateDtsInfo(&info);
        if (rc) {
            EXPECT_EQ(rc, 3u);
            EXPECT_EQ(info, nullptr);
            return;
        }
        rc = ZeSetDtsInfoField(info, ZE_INFO_OBJECT, "USER");
        EXPECT_TRUE(rc == 0 || rc == 3);
        EXPECT_EQ(ZeDtsInfoField(info, ZE_INFO_OBJECT) != nullptr, rc == 0);
        DtsInfo *copy = nullptr;
        if (ZeCreateDtsInfo(&copy) == 0) {
            rc = ZeCopyDtsInfo(copy, info, "GROUP");
            EXPECT_EQ(ZeDtsInfoField(copy, ZE_INFO_OBJECT) != nullptr, rc == 0);
            ZeDestroyDtsInfo(copy);
        }
        EXPECT_EQ(ZeDestroyDtsInfo(info), 0u);
    });
}
