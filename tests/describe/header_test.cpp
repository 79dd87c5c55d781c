// Header, index array and data order; value mapping.
#include "describe_test.hpp"

namespace {

using HeaderTest = TarnTest;
using Pointers = std::vector<char *>;

Texts header_of(Descriptor *d)
{
    char **header = nullptr;
    EXPECT_EQ(ZeDescriptorHeader(d, &header), 0u);
    return texts(header, ZeCountPtrArrayElements(header));
}

// ZeGetFieldIndex of each name; -2 where it leaves the index alone.
std::vector<int> indexes_of(Descriptor *d, std::initializer_list<const char *> names)
{
    std::vector<int> out;
    for (const char *name : names) {
        int idx = -2;
        ZeGetFieldIndex(d, name, &idx);
        out.push_back(idx);
    }
    return out;
}

// Fields A, B, C with the header built.
void add_abc(OwnedDescriptor &d)
{
    for (const char *name : {"A", "B", "C"}) d.add(name);
    ASSERT_EQ(ZeBuildDescriptorHeader(d), 0u);
}

}  // namespace

TEST_F(HeaderTest, HeaderListsTheFieldNamesInOrderFollowsRenamesAndReorders)
{
    OwnedDescriptor d;
    Field *a = d.add("A");
    d.add("B");
    ASSERT_EQ(ZeBuildDescriptorHeader(d), 0u);
    d.add("C");  // not in the header until it is rebuilt
    EXPECT_EQ(header_of(d), (Texts{"A", "B"}));
    ASSERT_EQ(ZeSetFieldAttribute(a, "NAME", "ALPHA"), 0u);
    EXPECT_EQ(header_of(d), (Texts{"ALPHA", "B"}));
    int order = -1;
    EXPECT_EQ(ZeGetFieldOrder(d, "alpha", &order), 0u);
    EXPECT_EQ(order, 0);
    ASSERT_EQ(ZeBuildDescriptorHeader(d), 0u);

    char **header = nullptr;
    int count = 0;
    EXPECT_EQ(call_with_args(ZeQueryDescriptorHeader, d, &header, &count), 0u);
    EXPECT_EQ(texts(header, count + 1), (Texts{"ALPHA", "B", "C", "<null>"}));

    // Rebuilding reorders the fields.
    d.add("D");
    ASSERT_EQ(call_with_args(ZeRebuildDescriptorHeader, d, static_cast<char **>(Words{"c", "alpha", "c", "none"}), -1),
              0u);
    EXPECT_EQ(field_names(d), (Texts{"C", "ALPHA", "B", "D"}));
    EXPECT_EQ(header_of(d), field_names(d));
    // The count limits the names read.
    ASSERT_EQ(call_with_args(ZeRebuildDescriptorHeader, d, static_cast<char **>(Words{"B", "alpha"}), 1), 0u);
    EXPECT_EQ(field_names(d), (Texts{"B", "C", "ALPHA", "D"}));
    EXPECT_EQ(ZeGetFieldCount(d), 4);
}

TEST_F(HeaderTest, IndexArrayMatchesColumnsIgnoringCaseAndOrdersData)
{
    OwnedDescriptor d;
    add_abc(d);
    Words columns{"c", "x", "a"};
    ASSERT_EQ(ZeBuildIndexArray(d, columns, 3), 0u);
    EXPECT_EQ(trace(), Texts{"*** ZeBuildIndexArray : B not provided in DataOrder array"});
    EXPECT_EQ(indexes_of(d, {"A", "B", "c", "NONE"}), (std::vector<int>{2, -1, 0, -2}));
    int idx = 5;
    EXPECT_EQ(ZeGetFieldIndex(d, "B", &idx), 7u);
    EXPECT_EQ(ZeGetFieldIndex(d, "NONE", &idx), 7u);

    Words row{"3", "9", "1"};
    Pointers ordered(3);
    ASSERT_EQ(ZeOrderData(d, row, ordered.data()), 0u);
    EXPECT_EQ(ordered, (Pointers{row[2], nullptr, row[0]}));

    // The count limits the columns searched; -1 counts them.
    clear_trace();
    ASSERT_EQ(ZeBuildIndexArray(d, columns, 1), 0u);
    EXPECT_EQ(count_traced("*** ZeBuildIndexArray : "), 2u);
    EXPECT_EQ(indexes_of(d, {"A", "C"}), (std::vector<int>{-1, 0}));
    ASSERT_EQ(ZeBuildIndexArray(d, columns, -1), 0u);
    EXPECT_EQ(indexes_of(d, {"A", "C"}), (std::vector<int>{2, 0}));
}

TEST_F(HeaderTest, RealNamesPseudoAndInvisibleFieldsInTheIndexArray)
{
    OwnedDescriptor d;
    ZeCreateField(d, "NODE", "REAL NAME", "NODE_NAME", kEnd);
    ZeCreateField(d, "PSEUDO", "PSEUDO", 1, kEnd);
    ZeCreateField(d, "HIDDEN", "INVISIBLE", 1, kEnd);
    ZeCreateField(d, "GONE", "REAL NAME", "GONE_COL", kEnd);
    ASSERT_EQ(ZeBuildDescriptorHeader(d), 0u);
    ASSERT_EQ(ZeBuildIndexArray(d, Words{"NODE", "PSEUDO", "node_name"}, -1), 0u);
    EXPECT_EQ(indexes_of(d, {"NODE", "PSEUDO", "HIDDEN", "GONE"}), (std::vector<int>{2, -1, -1, -1}));
    EXPECT_EQ(trace(), Texts{"*** ZeBuildIndexArray : GONE(GONE_COL) not provided in DataOrder array"});
}

TEST_F(HeaderTest, DisplayAndDatabaseValuesMapBothWays)
{
    OwnedDescriptor d;
    Words yesNo{"Yes", "No"}, oneZero{"1", "0"}, three{"Yes", "No", "Maybe"}, one{"1"};
    ZeCreateField(d, "FLAG", "TYPE", "BOOL", kEnd);
    ZeCreateField(d, "ANSWER", "VALID VALUES", static_cast<char **>(yesNo), -1, "REAL VALUES",
                  static_cast<char **>(oneZero), -1, kEnd);
    ZeCreateField(d, "FREE", kEnd);
    // Lists of unequal length are never read past the shorter.
    ZeCreateField(d, "UNEVEN", "VALID VALUES", static_cast<char **>(three), -1, "REAL VALUES",
                  static_cast<char **>(one), -1, kEnd);
    ZeCreateField(d, "NOVALID", "REAL VALUES", static_cast<char **>(one), -1, kEnd);
    Field *noTrue = d.add("NOTRUE");
    ZeSetFieldAttribute(noTrue, "TYPE", "BOOL");

    const struct {
        bool toDatabase;
        const char *field, *value;
        unsigned rc;
        const char *out;  // "kept" where the output is left alone
        Texts lines;
    } cases[] = {
        {true, "FLAG", "true", 0, "Y", {}},
        {true, "FLAG", "maybe", 0, "N", {}},
        {false, "FLAG", "y", 0, "TRUE", {}},
        {false, "FLAG", "N", 0, "FALSE", {}},
        {false, "NOTRUE", "y", 0, "TRUE", {"*** No TRUE VALUE define for field NOTRUE"}},
        {true, "ANSWER", "no", 0, "0", {}},
        {false, "ANSWER", "1", 0, "Yes", {}},
        {true, "FREE", "anything", 0, nullptr, {}},
        {false, "FREE", "anything", 0, nullptr, {}},
        {true,
         "ANSWER",
         "Maybe",
         1,
         "kept",
         {"*** ZeGetRealValue : Value >Maybe< not on values list", "***     Field = ANSWER"}},
        {false, "ANSWER", "7", 1, "kept", {"*** Real value <7> not registered for field ANSWER"}},
        {true,
         "ANSWER",
         "",
         0,
         nullptr,
         {"ZeGetRealValue : Value is NULL and not in list", "     Field = ANSWER, returning RealValue of NULL"}},
        {false,
         "ANSWER",
         "",
         0,
         nullptr,
         {"ZeGetValue : RealValue is NULL, and not in list.", "      Field = ANSWER, returning Value of NULL"}},
        {true, "UNEVEN", "yes", 0, "1", {}},
        {true, "UNEVEN", "Maybe", 1, "kept", {}},
        {false, "NOVALID", "1", 1, "kept", {}},
        {true, "NOVALID", "1", 1, "kept", {}},
        {true, "answer", "no", 7, "kept", {}},
        {false, "MISSING", "1", 7, "kept", {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.toDatabase ? "real value of " : "display value of ") + c.field + " " + c.value);
        clear_trace();
        char kept[] = "kept";
        char *out = kept;
        EXPECT_EQ(c.toDatabase ? ZeGetRealValue(d, c.field, c.value, &out) : ZeGetValue(d, c.field, c.value, &out),
                  c.rc);
        EXPECT_STREQ(out, c.out);
        if (!c.lines.empty() || c.rc == 0) {
            EXPECT_EQ(trace(), c.lines);
        }
    }
}
