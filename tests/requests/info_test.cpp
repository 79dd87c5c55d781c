// Request info: owned copies of nine numbered fields, and copies of a whole info.
#include "tarn_test.hpp"
#include "ZeDts.h"

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

using InfoTest = TarnTest;

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

    // A copy holds its own texts, under a new object name when one is given.
    Info copy;
    EXPECT_EQ(ZeCopyDtsInfo(copy, i, "QUEUE"), 0u);
    EXPECT_EQ(copy.fields(), "QUEUE|<null>|<null>|<null>|<null>|<null>|<null>|<null>|yyyy-mm-dd");
    EXPECT_NE(ZeDtsInfoField(copy, 9), ZeDtsInfoField(i, 9));
}
