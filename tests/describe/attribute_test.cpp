// Field attributes: the access protocol per storage kind, ZeCreateField and
// its defaults, the builders and the query forms.
#include "describe_test.hpp"

namespace {

using AttributeTest = TarnTest;

std::string text_attribute(Field *f, const char *keyword)
{
    const char *value = nullptr;
    EXPECT_EQ(ZeGetAttribute(f, keyword, &value), 0u) << keyword;
    return value ? value : "<null>";
}

std::vector<std::string> list_attribute(Field *f, const char *keyword)
{
    const char **values = nullptr;
    int count = -1;
    EXPECT_EQ(ZeGetAttribute(f, keyword, &values, &count), 0u) << keyword;
    if (!values) return {"<absent>"};
    return list_of(values, count);
}

int flag_attribute(Field *f, const char *keyword)
{
    int on = -1;
    EXPECT_EQ(ZeGetAttribute(f, keyword, &on), 0u) << keyword;
    return on;
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

const std::vector<std::string> kTextOps = {"EQ", "NE"};
const std::vector<std::string> kFullOps = {"EQ", "NE", "LT", "LE", "GT", "GE"};

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
    EXPECT_EQ(text_attribute(f, "LABEL"), "First");
    EXPECT_EQ(text_attribute(f, "MIN LENGTH"), "<null>");

    // List: the counted entries are copied; the field's own list can be set again.
    EXPECT_EQ(list_attribute(f, "VALID VALUES"), std::vector<std::string>{"<absent>"});
    const char *four[] = {"a", "b", "c", "d", nullptr};
    ASSERT_EQ(ZeSetFieldAttribute(f, "VALID VALUES", four, 2), 0u);
    EXPECT_EQ(list_attribute(f, "VALID VALUES"), (std::vector<std::string>{"a", "b"}));
    ASSERT_EQ(ZeSetFieldAttribute(f, "VALID VALUES", four, -1), 0u);
    const char **ownList = nullptr;
    int n = 0;
    ZeGetAttribute(f, "VALID VALUES", &ownList, &n);
    ASSERT_EQ(ZeSetFieldAttribute(f, "VALID VALUES", ownList, 3), 0u);
    EXPECT_EQ(list_attribute(f, "VALID VALUES"), (std::vector<std::string>{"a", "b", "c"}));

    // Flags: UPPERCASE and LOWERCASE exclude each other only when set.
    ASSERT_EQ(ZeSetFieldAttribute(f, "KEY", 7), 0u);
    EXPECT_EQ(flag_attribute(f, "KEY"), 1);
    ZeSetFieldAttribute(f, "UPPERCASE", 1);
    ZeSetFieldAttribute(f, "LOWERCASE", 1);
    EXPECT_EQ(flag_attribute(f, "UPPERCASE"), 0);
    EXPECT_EQ(flag_attribute(f, "LOWERCASE"), 1);
    ZeSetFieldAttribute(f, "UPPERCASE", 0);
    EXPECT_EQ(flag_attribute(f, "LOWERCASE"), 1);
    ZeSetFieldAttribute(f, "UPPERCASE", 1);
    EXPECT_EQ(flag_attribute(f, "LOWERCASE"), 0);
    ZeSetFieldAttribute(f, "UPPERCASE", 0);
    EXPECT_EQ(flag_attribute(f, "UPPERCASE"), 0);
    EXPECT_EQ(flag_attribute(f, "KEY"), 1);

    // MODEL FIELD is accepted and stores nothing.
    EXPECT_EQ(ZeSetFieldAttribute(f, "MODEL FIELD", "OTHER"), 0u);
    int untouched = 42;
    EXPECT_EQ(ZeGetAttribute(f, "MODEL FIELD", &untouched), 0u);
    EXPECT_EQ(untouched, 42);
}

TEST_F(AttributeTest, BadKeywordsValuesAndHandlesChangeNothing)
{
    OwnedDescriptor d;
    Field *f = d.add("A");
    ZeSetFieldAttribute(f, "LABEL", "First");
    clear_trace();
    EXPECT_EQ(ZeSetFieldAttribute(f, "COLOUR", "red"), 101u);
    EXPECT_EQ(ZeGetAttribute(f, "NAMES", nullptr), 101u);
    EXPECT_EQ(ZeSetFieldAttribute(f, "LABEL", static_cast<char *>(nullptr)), 4u);
    EXPECT_EQ(ZeSetFieldAttribute(f, "RELOPS", static_cast<char **>(nullptr), 2), 4u);
    const char **values = nullptr;
    EXPECT_EQ(ZeGetAttribute(f, "RELOPS", &values, static_cast<int *>(nullptr)), 4u);
    EXPECT_EQ(trace(), (std::vector<std::string>{"*** ZeSetFieldAttribute: Attribute <COLOUR> is unknown",
                                                 "*** ZeGetAttribute: Attribute <NAMES> is unknown",
                                                 "*** ZeSetFieldAttribute: NULL value for attribute <LABEL>",
                                                 "*** ZeSetFieldAttribute: NULL value for attribute <RELOPS>",
                                                 "*** ZeGetAttribute: NULL value for attribute <RELOPS>"}));
    EXPECT_EQ(text_attribute(f, "LABEL"), "First");
    EXPECT_EQ(list_attribute(f, "RELOPS"), std::vector<std::string>{"<absent>"});

    const char *name = nullptr;
    EXPECT_EQ(ZeGetAttribute(reinterpret_cast<Field *>(static_cast<Descriptor *>(d)), "NAME", &name), 4u);
    EXPECT_EQ(ZeSetFieldAttribute(f, nullptr, "x"), 4u);
    EXPECT_TRUE(traced("*** ZeSetFieldAttribute: parameter 2 (Attrib) is invalid"));
    EXPECT_EQ(get_through_list(f, "NAME", &name), 0u);
    EXPECT_STREQ(name, "A");
    EXPECT_EQ(ZeGetFieldAttribute(f, "NAME", nullptr), 4u);
}

TEST_F(AttributeTest, CreateFieldSetsTheGivenKeywordsAndTheTypeDefaults)
{
    OwnedDescriptor d;
    const char *values[] = {"Open", "Closed", nullptr};
    ASSERT_EQ(ZeCreateField(d, "PLAIN", static_cast<char *>(nullptr)), 0u);
    ASSERT_EQ(ZeCreateField(d, "FLAG", "TYPE", "BOOL", "LABEL", "Flag", static_cast<char *>(nullptr)), 0u);
    ASSERT_EQ(ZeCreateField(d, "WHEN", "TYPE", "date", static_cast<char *>(nullptr)), 0u);
    ASSERT_EQ(ZeCreateField(d, "DAY", "TYPE", "DATE", "MAX LENGTH", "10", "KEY", 1, "VALID VALUES", values, -1,
                            static_cast<char *>(nullptr)),
              0u);
    ASSERT_EQ(ZeCreateField(d, "YES", "TYPE", "BOOL", "TRUE VALUE", "J", "RELOPS", values, 1,
                            static_cast<char *>(nullptr)),
              0u);
    EXPECT_EQ(ZeGetFieldCount(d), 5);

    Field *plain = field_named(d, "PLAIN");
    EXPECT_EQ(text_attribute(plain, "TYPE"), "TEXT");
    EXPECT_EQ(list_attribute(plain, "RELOPS"), kTextOps);
    EXPECT_EQ(text_attribute(plain, "TRUE VALUE"), "<null>");
    EXPECT_EQ(text_attribute(plain, "MAX LENGTH"), "<null>");

    Field *flag = field_named(d, "FLAG");
    EXPECT_EQ(list_attribute(flag, "RELOPS"), kTextOps);
    EXPECT_EQ(text_attribute(flag, "TRUE VALUE"), "Y");
    EXPECT_EQ(text_attribute(flag, "FALSE VALUE"), "N");
    EXPECT_EQ(text_attribute(flag, "LABEL"), "Flag");

    Field *when = field_named(d, "WHEN");
    EXPECT_EQ(list_attribute(when, "RELOPS"), kFullOps);
    EXPECT_EQ(text_attribute(when, "MAX LENGTH"), "11");

    Field *day = field_named(d, "DAY");
    EXPECT_EQ(text_attribute(day, "MAX LENGTH"), "10");
    EXPECT_EQ(flag_attribute(day, "KEY"), 1);
    EXPECT_EQ(list_attribute(day, "VALID VALUES"), (std::vector<std::string>{"Open", "Closed"}));

    Field *yes = field_named(d, "YES");
    EXPECT_EQ(text_attribute(yes, "TRUE VALUE"), "J");
    EXPECT_EQ(text_attribute(yes, "FALSE VALUE"), "N");
    EXPECT_EQ(list_attribute(yes, "RELOPS"), std::vector<std::string>{"Open"});
}

TEST_F(AttributeTest, CreateFieldStopsAtTheFirstBadKeywordWithoutDefaults)
{
    OwnedDescriptor d;
    clear_trace();
    EXPECT_EQ(ZeCreateField(d, "ODD", "LABEL", "Odd", "COLOUR", "red", "TYPE", "INT", static_cast<char *>(nullptr)),
              101u);
    EXPECT_EQ(trace(), std::vector<std::string>{"*** ZeCreateField: Attribute <COLOUR> is unknown"});
    Field *odd = field_named(d, "ODD");
    EXPECT_EQ(text_attribute(odd, "LABEL"), "Odd");
    EXPECT_EQ(text_attribute(odd, "TYPE"), "<null>");
    EXPECT_EQ(list_attribute(odd, "RELOPS"), std::vector<std::string>{"<absent>"});

    clear_trace();
    EXPECT_EQ(ZeCreateField(d, "BAD", "LABEL", static_cast<char *>(nullptr), static_cast<char *>(nullptr)), 4u);
    EXPECT_EQ(trace(), std::vector<std::string>{
                           "*** ZeCreateField: Error setting attribute value: Field <BAD> Attribute <LABEL>"});
    EXPECT_EQ(ZeGetFieldCount(d), 2);
    EXPECT_EQ(ZeCreateField(d, nullptr, static_cast<char *>(nullptr)), 4u);
    EXPECT_EQ(ZeGetFieldCount(d), 2);
}

TEST_F(AttributeTest, BuildersSetPrimaryTypeAndZoomAttributes)
{
    OwnedDescriptor d;
    Field *f = d.add("X");
    ASSERT_EQ(ZeSetPrimaryFieldAttributes(f, "NODE", "", "8", "Node", nullptr), 0u);
    EXPECT_EQ(text_attribute(f, "NAME"), "NODE");
    EXPECT_EQ(text_attribute(f, "REAL NAME"), "NODE");
    EXPECT_EQ(text_attribute(f, "MAX LENGTH"), "8");
    EXPECT_EQ(text_attribute(f, "LABEL"), "Node");
    EXPECT_EQ(text_attribute(f, "DEF VALUE"), "");
    ASSERT_EQ(ZeSetPrimaryFieldAttributes(f, "NODE", "NODE_NAME", "8", "Node", "LOCAL"), 0u);
    EXPECT_EQ(text_attribute(f, "REAL NAME"), "NODE_NAME");
    EXPECT_EQ(text_attribute(f, "DEF VALUE"), "LOCAL");
    EXPECT_EQ(ZeSetPrimaryFieldAttributes(f, "NODE", nullptr, nullptr, "Node", nullptr), 4u);
    EXPECT_TRUE(traced("*** ZeSetPrimaryFieldAttributes: parameter 4 (Maxlen) is invalid"));

    ASSERT_EQ(ZeSetDefaultTimeTFieldAttributes(f), 0u);
    EXPECT_EQ(text_attribute(f, "TYPE"), "TIME_T");
    EXPECT_EQ(list_attribute(f, "RELOPS"), kFullOps);
    ASSERT_EQ(ZeSetDefaultTextFieldAttributes(f), 0u);
    EXPECT_EQ(text_attribute(f, "TYPE"), "TEXT");
    EXPECT_EQ(list_attribute(f, "RELOPS"), kTextOps);
    EXPECT_EQ(ZeSetDefaultIntFieldAttributes(nullptr), 4u);
    EXPECT_TRUE(traced("*** ZeSetDefaultIntFieldAttributes: parameter 1 (Field) is invalid"));

    ASSERT_EQ(ZeSetDefaultBoolFieldAttributes(f, "1", "0", 1), 0u);
    EXPECT_EQ(text_attribute(f, "TYPE"), "BOOL");
    EXPECT_EQ(list_attribute(f, "RELOPS"), kTextOps);
    EXPECT_EQ(text_attribute(f, "DEF VALUE"), "TRUE");
    EXPECT_EQ(text_attribute(f, "TRUE VALUE"), "1");
    EXPECT_EQ(text_attribute(f, "FALSE VALUE"), "0");
    ASSERT_EQ(ZeSetDefaultBoolFieldAttributes(f, "1", "0", 0), 0u);
    EXPECT_EQ(text_attribute(f, "DEF VALUE"), "FALSE");
    EXPECT_EQ(ZeSetDefaultBoolFieldAttributes(f, "1", "0", 2), 4u);
    EXPECT_TRUE(traced("*** ZeSetDefaultBoolFieldAttributes: parameter 4 (Default) is invalid"));

    ASSERT_EQ(ZeSetZoomAttributes(f, "NODES", "NODE"), 0u);
    EXPECT_EQ(text_attribute(f, "ZOOM SECTION"), "NODES");
    EXPECT_EQ(text_attribute(f, "ZOOM KEY"), "NODE");
    EXPECT_EQ(ZeSetZoomAttributes(f, "NODES", nullptr), 4u);
}

TEST_F(AttributeTest, QueriesFindTheFieldByNameThenReadTheAttribute)
{
    OwnedDescriptor d;
    ASSERT_EQ(ZeCreateField(d, "STATUS", "TYPE", "BOOL", "KEY", 1, static_cast<char *>(nullptr)), 0u);
    const char *type = nullptr;
    EXPECT_EQ(ZeQueryAttribute(d, "STATUS", "TYPE", &type), 0u);
    EXPECT_STREQ(type, "BOOL");
    int key = 0;
    EXPECT_EQ(call_with_args(ZeQueryFieldAttribute, d, "STATUS", "KEY", &key), 0u);
    EXPECT_EQ(key, 1);
    const char **ops = nullptr;
    int count = 0;
    EXPECT_EQ(ZeQueryAttribute(d, "STATUS", "RELOPS", &ops, &count), 0u);
    EXPECT_EQ(list_of(ops, count), kTextOps);

    type = nullptr;
    EXPECT_EQ(ZeQueryAttribute(d, "status", "TYPE", &type), 7u);
    EXPECT_EQ(type, nullptr);
    EXPECT_EQ(ZeQueryAttribute(d, "STATUS", "SHADE", &type), 101u);
    EXPECT_EQ(ZeQueryAttribute(d, static_cast<char *>(nullptr), "TYPE", &type), 4u);
    EXPECT_TRUE(traced("*** ZeQueryAttribute: parameter 2 (Name) is invalid"));
    EXPECT_EQ(ZeQueryFieldAttribute(d, nullptr), 4u);
}

TEST_F(AttributeTest, SettingPathsSurviveAllocationFailure)
{
    const char *values[] = {"Open", "Closed", nullptr};
    each_alloc_failure([&](long failAt) {
        Descriptor *d = nullptr;
        if (ZeCreateDescriptor(&d)) return;
        unsigned rc = ZeCreateField(d, "DAY", "TYPE", "DATE", "VALID VALUES", values, -1, "LABEL", "Day",
                                    static_cast<char *>(nullptr));
        if (failAt < 0) EXPECT_EQ(rc, 0u);
        else EXPECT_TRUE(rc == 0u || rc == 3u) << rc;
        Field *f = nullptr;
        if (ZeGetField(d, &f) == 0) {
            rc = ZeSetDefaultBoolFieldAttributes(f, "1", "0", 1);
            EXPECT_TRUE(rc == 0u || rc == 3u) << rc;
            rc = ZeSetPrimaryFieldAttributes(f, "DAY", "DAY_COL", "8", "Day", nullptr);
            EXPECT_TRUE(rc == 0u || rc == 3u) << rc;
        }
        ZeDestroyDescriptor(d);
    });

    // A text copy that cannot be made leaves the attribute absent with 3.
    OwnedDescriptor d;
    Field *f = d.add("A");
    ZeSetFieldAttribute(f, "LABEL", "Old");
    TarnSetAllocFailure(0, 1);
    EXPECT_EQ(ZeSetFieldAttribute(f, "LABEL", "New"), 3u);
    TarnSetAllocFailure(-1, 0);
    EXPECT_EQ(text_attribute(f, "LABEL"), "<null>");
}
