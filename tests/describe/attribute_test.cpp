// Field attributes: the access protocol per storage kind, ZeCreateField and
// its defaults, the builders and the query forms.
#include "describe_test.hpp"

namespace {

using AttributeTest = TarnTest;

// An attribute read back by the protocol of its kind: a list as its entries
// joined with ',' ("<absent>" without a list), a flag as 0 or 1, a text as
// itself ("<null>" when absent).
std::string show(Field *f, const char *keyword)
{
    const std::string_view key = keyword;
    if (key == "RELOPS" || key == "VALID VALUES" || key == "REAL VALUES" || key == "REQUIRED") {
        const char **values = nullptr;
        int count = -1;
        EXPECT_EQ(ZeGetAttribute(f, keyword, &values, &count), 0u) << keyword;
        std::string joined;
        for (const std::string &value : texts(values, count)) joined += (joined.empty() ? "" : ",") + value;
        return values ? joined : "<absent>";
    }
    if (key == "KEY" || key == "UPPERCASE" || key == "LOWERCASE") {
        int on = -1;
        EXPECT_EQ(ZeGetAttribute(f, keyword, &on), 0u) << keyword;
        return std::to_string(on);
    }
    const char *value = nullptr;
    EXPECT_EQ(ZeGetAttribute(f, keyword, &value), 0u) << keyword;
    return value ? value : "<null>";
}

Field *field_named(Descriptor *d, const char *name)
{
    Field *f = nullptr;
    EXPECT_EQ(ZeGetFieldByName(d, &f, name), 0u) << name;
    return f;
}

unsigned get_through_list(Field *f, const char *keyword, ...)
{
    va_list args;
    va_start(args, keyword);
    unsigned rc = ZeGetFieldAttribute(f, keyword, &args);
    va_end(args);
    return rc;
}

}  // namespace

TEST_F(AttributeTest, AccessFollowsTheStorageKindOfEachKeyword)
{
    OwnedDescriptor d;
    Field *f = d.add("A");
    // Text: a private copy; setting the text the field itself holds keeps it.
    char label[] = "First";
    ASSERT_EQ(ZeSetFieldAttribute(f, "label", label), 0u);
    label[0] = 'X';
    const char *own = nullptr;
    ZeGetAttribute(f, "LABEL", &own);
    EXPECT_EQ(ZeSetFieldAttribute(f, "LABEL", own), 0u);
    EXPECT_EQ(show(f, "LABEL"), "First");
    EXPECT_EQ(show(f, "MIN LENGTH"), "<null>");
    EXPECT_EQ(get_through_list(f, "NAME", &own), 0u);
    EXPECT_STREQ(own, "A");

    // List: the counted entries are copied; the field's own list can be set again.
    EXPECT_EQ(show(f, "VALID VALUES"), "<absent>");
    const char *four[] = {"a", "b", "c", "d", nullptr};
    ASSERT_EQ(ZeSetFieldAttribute(f, "VALID VALUES", four, 2), 0u);
    EXPECT_EQ(show(f, "VALID VALUES"), "a,b");
    ASSERT_EQ(ZeSetFieldAttribute(f, "VALID VALUES", four, -1), 0u);
    const char **ownList = nullptr;
    int n = 0;
    ZeGetAttribute(f, "VALID VALUES", &ownList, &n);
    ASSERT_EQ(ZeSetFieldAttribute(f, "VALID VALUES", ownList, 3), 0u);
    EXPECT_EQ(show(f, "VALID VALUES"), "a,b,c");

    // Flags: UPPERCASE and LOWERCASE exclude each other only when set.
    ASSERT_EQ(ZeSetFieldAttribute(f, "KEY", 7), 0u);
    const struct {
        const char *keyword;
        int on;
        const char *upperLowerKey;
    } flags[] = {{"UPPERCASE", 1, "101"}, {"LOWERCASE", 1, "011"}, {"UPPERCASE", 0, "011"},
                 {"UPPERCASE", 1, "101"}, {"UPPERCASE", 0, "001"}, {"KEY", 0, "000"}};
    for (const auto &flag : flags) {
        ASSERT_EQ(ZeSetFieldAttribute(f, flag.keyword, flag.on), 0u);
        EXPECT_EQ(show(f, "UPPERCASE") + show(f, "LOWERCASE") + show(f, "KEY"), flag.upperLowerKey)
            << flag.keyword << " " << flag.on;
    }

    // An unknown keyword or a NULL value changes nothing and says why.
    clear_trace();
    EXPECT_EQ(ZeSetFieldAttribute(f, "COLOUR", "red") + ZeGetAttribute(f, "NAMES", nullptr), 202u);
    EXPECT_EQ(ZeSetFieldAttribute(f, "LABEL", static_cast<char *>(nullptr)), 4u);
    EXPECT_EQ(trace(), (Texts{"*** ZeSetFieldAttribute: Attribute <COLOUR> is unknown",
                              "*** ZeGetAttribute: Attribute <NAMES> is unknown",
                              "*** ZeSetFieldAttribute: NULL value for attribute <LABEL>"}));
    EXPECT_EQ(show(f, "LABEL"), "First");
}

TEST_F(AttributeTest, CreateFieldSetsTheGivenKeywordsAndTheTypeDefaultsThatQueriesRead)
{
    OwnedDescriptor d;
    Words values{"Open", "Closed"};
    ASSERT_EQ(ZeCreateField(d, "PLAIN", kEnd), 0u);
    ASSERT_EQ(ZeCreateField(d, "FLAG", "TYPE", "BOOL", "LABEL", "Flag", kEnd), 0u);
    ASSERT_EQ(ZeCreateField(d, "WHEN", "TYPE", "date", kEnd), 0u);
    ASSERT_EQ(ZeCreateField(d, "DAY", "TYPE", "DATE", "MAX LENGTH", "10", "KEY", 1, "VALID VALUES",
                            static_cast<char **>(values), -1, kEnd),
              0u);
    ASSERT_EQ(
        ZeCreateField(d, "YES", "TYPE", "BOOL", "TRUE VALUE", "J", "RELOPS", static_cast<char **>(values), 1, kEnd),
        0u);
    EXPECT_EQ(ZeGetFieldCount(d), 5);
    const struct {
        const char *field, *keyword, *value;
    } expected[] = {
        {"PLAIN", "TYPE", "TEXT"},
        {"PLAIN", "RELOPS", "EQ,NE"},
        {"PLAIN", "TRUE VALUE", "<null>"},
        {"PLAIN", "MAX LENGTH", "<null>"},
        {"PLAIN", "LABEL", "<null>"},
        {"FLAG", "RELOPS", "EQ,NE"},
        {"FLAG", "TRUE VALUE", "Y"},
        {"FLAG", "FALSE VALUE", "N"},
        {"FLAG", "LABEL", "Flag"},
        {"WHEN", "RELOPS", "EQ,NE,LT,LE,GT,GE"},
        {"WHEN", "MAX LENGTH", "11"},
        {"DAY", "MAX LENGTH", "10"},
        {"DAY", "KEY", "1"},
        {"DAY", "VALID VALUES", "Open,Closed"},
        {"YES", "TRUE VALUE", "J"},
        {"YES", "FALSE VALUE", "N"},
        {"YES", "RELOPS", "Open"},
    };
    for (const auto &e : expected)
        EXPECT_EQ(show(field_named(d, e.field), e.keyword), e.value) << e.field << " " << e.keyword;

    // Queries find the field by its exact name, then read the attribute.
    const char *type = nullptr;
    EXPECT_EQ(ZeQueryAttribute(d, "FLAG", "TYPE", &type), 0u);
    EXPECT_STREQ(type, "BOOL");
    int key = 0;
    EXPECT_EQ(call_with_args(ZeQueryFieldAttribute, d, "DAY", "KEY", &key), 0u);
    EXPECT_EQ(key, 1);
    type = nullptr;
    EXPECT_EQ(ZeQueryAttribute(d, "flag", "TYPE", &type), 7u);
    EXPECT_EQ(type, nullptr);
    EXPECT_EQ(ZeQueryAttribute(d, "FLAG", "SHADE", &type), 101u);
}

TEST_F(AttributeTest, BuildersSetPrimaryTypeAndZoomAttributes)
{
    OwnedDescriptor d;
    Field *f = d.add("X");
    auto shown = [&](std::initializer_list<const char *> keywords) {
        std::string text;
        for (const char *keyword : keywords) text += (text.empty() ? "" : "|") + show(f, keyword);
        return text;
    };
    ASSERT_EQ(ZeSetPrimaryFieldAttributes(f, "NODE", "", "8", "Node", nullptr), 0u);
    EXPECT_EQ(shown({"NAME", "REAL NAME", "MAX LENGTH", "LABEL", "DEF VALUE"}), "NODE|NODE|8|Node|");
    ASSERT_EQ(ZeSetPrimaryFieldAttributes(f, "NODE", "NODE_NAME", "8", "Node", "LOCAL"), 0u);
    EXPECT_EQ(shown({"REAL NAME", "DEF VALUE"}), "NODE_NAME|LOCAL");

    ASSERT_EQ(ZeSetDefaultTimeTFieldAttributes(f), 0u);
    EXPECT_EQ(shown({"TYPE", "RELOPS"}), "TIME_T|EQ,NE,LT,LE,GT,GE");
    ASSERT_EQ(ZeSetDefaultTextFieldAttributes(f), 0u);
    EXPECT_EQ(shown({"TYPE", "RELOPS"}), "TEXT|EQ,NE");

    ASSERT_EQ(ZeSetDefaultBoolFieldAttributes(f, "1", "0", 1), 0u);
    EXPECT_EQ(shown({"TYPE", "RELOPS", "DEF VALUE", "TRUE VALUE", "FALSE VALUE"}), "BOOL|EQ,NE|TRUE|1|0");
    ASSERT_EQ(ZeSetDefaultBoolFieldAttributes(f, "1", "0", 0), 0u);
    EXPECT_EQ(show(f, "DEF VALUE"), "FALSE");

    ASSERT_EQ(ZeSetZoomAttributes(f, "NODES", "NODE"), 0u);
    EXPECT_EQ(shown({"ZOOM SECTION", "ZOOM KEY"}), "NODES|NODE");
}
