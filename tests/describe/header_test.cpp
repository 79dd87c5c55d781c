// Header, index array and data order; value mapping; loading rows; key
// matching; building a descriptor from field-initialisation procedures.
#include "describe_test.hpp"

namespace {

using HeaderTest = TarnTest;

std::vector<std::string> header_of(Descriptor *d)
{
    char **header = nullptr;
    EXPECT_EQ(ZeDescriptorHeader(d, &header), 0u);
    return texts(header, ZeCountPtrArrayElements(header));
}

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

unsigned init_named(void *object, Field *field)
{
    auto *calls = static_cast<int *>(object);
    const char *names[] = {"ONE", "TWO", "THREE"};
    return ZeSetFieldAttribute(field, "NAME", names[(*calls)++]);
}

unsigned init_failing(void *, Field *) { return 42; }

}  // namespace

TEST_F(HeaderTest, HeaderListsTheFieldNamesInOrderAndFollowsRenames)
{
    OwnedDescriptor d;
    char **header = reinterpret_cast<char **>(&header);
    clear_trace();
    EXPECT_EQ(ZeDescriptorHeader(d, &header), 225u);
    EXPECT_EQ(header, nullptr);
    EXPECT_EQ(trace(), std::vector<std::string>{"*** ZeDescriptorHeader : Descriptor doesn't have a header"});

    Field *a = d.add("A");
    d.add("B");
    ASSERT_EQ(ZeBuildDescriptorHeader(d), 0u);
    EXPECT_EQ(header_of(d), (std::vector<std::string>{"A", "B"}));
    d.add("C");  // not in the header until it is rebuilt
    EXPECT_EQ(header_of(d), (std::vector<std::string>{"A", "B"}));
    ASSERT_EQ(ZeSetFieldAttribute(a, "NAME", "ALPHA"), 0u);
    EXPECT_EQ(header_of(d), (std::vector<std::string>{"ALPHA", "B"}));
    int order = -1;
    EXPECT_EQ(ZeGetFieldOrder(d, "alpha", &order), 0u);
    EXPECT_EQ(order, 0);
    ASSERT_EQ(ZeBuildDescriptorHeader(d), 0u);
    EXPECT_EQ(header_of(d), (std::vector<std::string>{"ALPHA", "B", "C"}));

    int count = 0;
    header = nullptr;
    EXPECT_EQ(call_with_args(ZeQueryDescriptorHeader, d, &header, &count), 0u);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(texts(header, 3), (std::vector<std::string>{"ALPHA", "B", "C"}));
    EXPECT_EQ(call_with_args(ZeQueryDescriptorHeader, d, static_cast<char ***>(nullptr), &count), 4u);
    EXPECT_TRUE(traced("*** ZeQueryDescriptorHeader: parameter 2 (pFieldList) is invalid"));
}

TEST_F(HeaderTest, IndexArrayMatchesColumnsIgnoringCaseAndOrdersData)
{
    OwnedDescriptor d;
    add_abc(d);
    char c[] = "c", x[] = "x", a[] = "a";
    char *columns[] = {c, x, a, nullptr};
    clear_trace();
    ASSERT_EQ(ZeBuildIndexArray(d, columns, 3), 0u);
    EXPECT_EQ(trace(), std::vector<std::string>{"*** ZeBuildIndexArray : B not provided in DataOrder array"});
    EXPECT_EQ(indexes_of(d, {"A", "B", "c", "NONE"}), (std::vector<int>{2, -1, 0, -2}));
    int idx = 5;
    EXPECT_EQ(ZeGetFieldIndex(d, "B", &idx), 7u);
    EXPECT_EQ(idx, -1);
    EXPECT_EQ(ZeGetFieldIndex(d, "NONE", &idx), 7u);

    char v3[] = "3", v9[] = "9", v1[] = "1";
    char *row[] = {v3, v9, v1};
    char *ordered[3] = {};
    ASSERT_EQ(ZeOrderData(d, row, ordered), 0u);
    EXPECT_EQ(ordered[0], v1);
    EXPECT_EQ(ordered[1], nullptr);
    EXPECT_EQ(ordered[2], v3);

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
    Field *node = d.add("NODE");
    ZeSetFieldAttribute(node, "REAL NAME", "NODE_NAME");
    Field *pseudo = d.add("PSEUDO");
    ZeSetFieldAttribute(pseudo, "PSEUDO", 1);
    Field *hidden = d.add("HIDDEN");
    ZeSetFieldAttribute(hidden, "INVISIBLE", 1);
    Field *gone = d.add("GONE");
    ZeSetFieldAttribute(gone, "REAL NAME", "GONE_COL");
    ASSERT_EQ(ZeBuildDescriptorHeader(d), 0u);

    char n[] = "node_name", p[] = "PSEUDO", plain[] = "NODE";
    char *columns[] = {plain, p, n, nullptr};
    clear_trace();
    ASSERT_EQ(ZeBuildIndexArray(d, columns, -1), 0u);
    EXPECT_EQ(indexes_of(d, {"NODE", "PSEUDO", "HIDDEN", "GONE"}), (std::vector<int>{2, -1, -1, -1}));
    EXPECT_EQ(trace(), std::vector<std::string>{"*** ZeBuildIndexArray : GONE(GONE_COL) not provided in DataOrder array"});

    // Every header position is matched through the first field of its name.
    OwnedDescriptor dup;
    ZeCreateField(dup, "DUP", "REAL NAME", "FIRST", static_cast<char *>(nullptr));
    ZeCreateField(dup, "DUP", "REAL NAME", "SECOND", static_cast<char *>(nullptr));
    ASSERT_EQ(ZeBuildDescriptorHeader(dup), 0u);
    char second[] = "SECOND", first[] = "FIRST";
    char *dupColumns[] = {second, first, nullptr};
    ASSERT_EQ(ZeBuildIndexArray(dup, dupColumns, -1), 0u);
    char *row[] = {second, first};
    char *ordered[2] = {};
    ASSERT_EQ(ZeOrderData(dup, row, ordered), 0u);
    EXPECT_EQ(ordered[0], first);
    EXPECT_EQ(ordered[1], first);
}

TEST_F(HeaderTest, MissingHeaderOrIndexArrayGivesDefinedCodes)
{
    OwnedDescriptor d;
    d.add("A");
    char col[] = "A";
    char *columns[] = {col, nullptr};
    char *row[] = {col};
    char *out[1] = {};
    char **values = reinterpret_cast<char **>(&values);
    int idx = 9;
    clear_trace();
    EXPECT_EQ(ZeBuildIndexArray(d, columns, 1), 225u);
    EXPECT_EQ(ZeGetFieldOrder(d, "A", &idx), 225u);
    EXPECT_EQ(ZeGetFieldIndex(d, "A", &idx), 225u);
    EXPECT_EQ(ZeDefaultValues(d, out), 225u);
    EXPECT_EQ(ZeLoadDescriptorItem(d, &values, row), 225u);
    EXPECT_EQ(values, nullptr);
    EXPECT_EQ(idx, 9);
    EXPECT_EQ(trace(), (std::vector<std::string>{"**** ZeBuildIndexArray : Descriptor doesn't have a header",
                                                 "*** ZeGetFieldOrder : Descriptor doesn't have a header",
                                                 "*** ZeGetFieldIndex : Descriptor doesn't have a header",
                                                 "*** ZeDefaultValues : Descriptor doesn't have a header",
                                                 "*** ZeLoadDescriptorItem : Descriptor doesn't have a header"}));

    ASSERT_EQ(ZeBuildDescriptorHeader(d), 0u);
    clear_trace();
    EXPECT_EQ(ZeGetFieldIndex(d, "A", &idx), 226u);
    EXPECT_EQ(idx, -1);
    EXPECT_EQ(ZeOrderData(d, row, out), 226u);
    EXPECT_EQ(ZeLoadDescriptorItem(d, &values, row), 226u);
    EXPECT_EQ(trace(), (std::vector<std::string>{"*** ZeGetFieldIndex : Descriptor doesn't have an index array",
                                                 "*** ZeOrderData : Descriptor doesn't have an index array",
                                                 "*** ZeLoadDescriptorItem : Descriptor doesn't have an index array"}));
    EXPECT_EQ(ZeBuildIndexArray(d, nullptr, 1), 4u);
    EXPECT_TRUE(traced("*** ZeBuildIndexArray: parameter 2 (DataOrder) is invalid"));
}

TEST_F(HeaderTest, RebuildingTheHeaderReordersTheFields)
{
    OwnedDescriptor d;
    for (const char *name : {"A", "B", "C", "D"}) d.add(name);
    char c[] = "c", a[] = "a", none[] = "none";
    char *order[] = {c, a, c, none, nullptr};
    ASSERT_EQ(call_with_args(ZeRebuildDescriptorHeader, d, order, -1), 0u);
    EXPECT_EQ(field_names(d), (std::vector<std::string>{"C", "A", "B", "D"}));
    EXPECT_EQ(header_of(d), field_names(d));
    char *nothing[] = {none, nullptr};
    ASSERT_EQ(call_with_args(ZeRebuildDescriptorHeader, d, nothing, 1), 0u);
    EXPECT_EQ(field_names(d), (std::vector<std::string>{"C", "A", "B", "D"}));
    char b[] = "B";
    char *only[] = {b, a};
    ASSERT_EQ(call_with_args(ZeRebuildDescriptorHeader, d, only, 1), 0u);  // the count limits the names read
    EXPECT_EQ(field_names(d), (std::vector<std::string>{"B", "C", "A", "D"}));
    EXPECT_EQ(ZeGetFieldCount(d), 4);
    EXPECT_EQ(call_with_args(ZeRebuildDescriptorHeader, d, order, -2), 4u);
    EXPECT_EQ(call_with_args(ZeRebuildDescriptorHeader, d, static_cast<char **>(nullptr), 1), 4u);
    EXPECT_EQ(ZeRebuildDescriptorHeader(d, nullptr), 4u);
}

TEST_F(HeaderTest, BoolAndListValuesMapBothWays)
{
    OwnedDescriptor d;
    ASSERT_EQ(ZeCreateField(d, "FLAG", "TYPE", "BOOL", static_cast<char *>(nullptr)), 0u);
    const char *valid[] = {"Yes", "No", nullptr};
    const char *real[] = {"1", "0", nullptr};
    ASSERT_EQ(ZeCreateField(d, "ANSWER", "VALID VALUES", valid, -1, "REAL VALUES", real, -1,
                            static_cast<char *>(nullptr)),
              0u);
    ASSERT_EQ(ZeCreateField(d, "FREE", static_cast<char *>(nullptr)), 0u);
    Field *nobool = nullptr;
    ZeNewField(d, &nobool);
    ZeSetFieldAttribute(nobool, "NAME", "NOTRUE");
    ZeSetFieldAttribute(nobool, "TYPE", "BOOL");

    char *out = nullptr;
    EXPECT_EQ(ZeGetRealValue(d, "FLAG", "true", &out), 0u);
    EXPECT_STREQ(out, "Y");
    EXPECT_EQ(ZeGetRealValue(d, "FLAG", "maybe", &out), 0u);
    EXPECT_STREQ(out, "N");
    EXPECT_EQ(ZeGetValue(d, "FLAG", "y", &out), 0u);
    EXPECT_STREQ(out, "TRUE");
    EXPECT_EQ(ZeGetValue(d, "FLAG", "N", &out), 0u);
    EXPECT_STREQ(out, "FALSE");
    clear_trace();
    EXPECT_EQ(ZeGetValue(d, "NOTRUE", "y", &out), 0u);
    EXPECT_STREQ(out, "TRUE");
    EXPECT_EQ(trace(), std::vector<std::string>{"*** No TRUE VALUE define for field NOTRUE"});

    EXPECT_EQ(ZeGetRealValue(d, "ANSWER", "no", &out), 0u);
    EXPECT_STREQ(out, "0");
    EXPECT_EQ(ZeGetValue(d, "ANSWER", "1", &out), 0u);
    EXPECT_STREQ(out, "Yes");
    EXPECT_EQ(ZeGetRealValue(d, "FREE", "anything", &out), 0u);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(ZeGetValue(d, "FREE", "anything", &out), 0u);
    EXPECT_EQ(out, nullptr);

    char kept[] = "kept";
    out = kept;
    clear_trace();
    EXPECT_EQ(ZeGetRealValue(d, "ANSWER", "Maybe", &out), 1u);
    EXPECT_EQ(ZeGetValue(d, "ANSWER", "7", &out), 1u);
    EXPECT_EQ(out, kept);
    EXPECT_EQ(ZeGetRealValue(d, "ANSWER", "", &out), 0u);
    EXPECT_EQ(out, nullptr);
    out = kept;
    EXPECT_EQ(ZeGetValue(d, "ANSWER", "", &out), 0u);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(trace(), (std::vector<std::string>{"*** ZeGetRealValue : Value >Maybe< not on values list",
                                                 "***     Field = ANSWER",
                                                 "*** Real value <7> not registered for field ANSWER",
                                                 "ZeGetRealValue : Value is NULL and not in list",
                                                 "     Field = ANSWER, returning RealValue of NULL",
                                                 "ZeGetValue : RealValue is NULL, and not in list.",
                                                 "      Field = ANSWER, returning Value of NULL"}));
    EXPECT_EQ(ZeGetRealValue(d, "answer", "no", &out), 7u);
    EXPECT_EQ(ZeGetValue(d, "MISSING", "1", &out), 7u);
    EXPECT_EQ(ZeGetValue(d, "ANSWER", nullptr, &out), 4u);
}

TEST_F(HeaderTest, ValueListsOfUnequalLengthNeverReadPastTheShorter)
{
    OwnedDescriptor d;
    const char *valid[] = {"Yes", "No", "Maybe", nullptr};
    const char *real[] = {"1", nullptr};
    ASSERT_EQ(ZeCreateField(d, "ANSWER", "VALID VALUES", valid, -1, "REAL VALUES", real, -1,
                            static_cast<char *>(nullptr)),
              0u);
    ASSERT_EQ(ZeCreateField(d, "NOVALID", "REAL VALUES", real, -1, static_cast<char *>(nullptr)), 0u);
    char *out = nullptr;
    EXPECT_EQ(ZeGetRealValue(d, "ANSWER", "yes", &out), 0u);
    EXPECT_STREQ(out, "1");
    EXPECT_EQ(ZeGetRealValue(d, "ANSWER", "Maybe", &out), 1u);
    EXPECT_EQ(ZeGetValue(d, "NOVALID", "1", &out), 1u);
    EXPECT_EQ(ZeGetRealValue(d, "NOVALID", "1", &out), 1u);
}

TEST_F(HeaderTest, LoadingARowMapsValuesIntoFieldOrder)
{
    OwnedDescriptor d;
    const char *valid[] = {"Yes", "No", nullptr};
    const char *real[] = {"1", "0", nullptr};
    ASSERT_EQ(ZeCreateField(d, "NAME", static_cast<char *>(nullptr)), 0u);
    ASSERT_EQ(ZeCreateField(d, "ACTIVE", "TYPE", "BOOL", "REAL NAME", "ACT", static_cast<char *>(nullptr)), 0u);
    ASSERT_EQ(ZeCreateField(d, "ANSWER", "VALID VALUES", valid, -1, "REAL VALUES", real, -1,
                            static_cast<char *>(nullptr)),
              0u);
    ASSERT_EQ(ZeCreateField(d, "EXTRA", "INVISIBLE", 1, static_cast<char *>(nullptr)), 0u);
    ASSERT_EQ(ZeBuildDescriptorHeader(d), 0u);
    char c0[] = "answer", c1[] = "act", c2[] = "name";
    char *columns[] = {c0, c1, c2, nullptr};
    ASSERT_EQ(ZeBuildIndexArray(d, columns, -1), 0u);

    char r0[] = "0", r1[] = "Y", r2[] = "node1";
    char *row[] = {r0, r1, r2};
    char **values = nullptr;
    ASSERT_EQ(ZeLoadDescriptorItem(d, &values, row), 0u);
    EXPECT_EQ(texts(values, 5), (std::vector<std::string>{"node1", "TRUE", "No", "", "<null>"}));
    EXPECT_NE(values[0], r2);  // a copy
    ZeFreeStrPtrArray(values, 4);

    // A value on neither list leaves its entry NULL; the first failure's code comes back.
    char bad[] = "7";
    char *badRow[] = {bad, r1, nullptr};
    clear_trace();
    ASSERT_EQ(ZeLoadDescriptorItem(d, &values, badRow), 1u);
    EXPECT_EQ(texts(values, 4), (std::vector<std::string>{"<null>", "TRUE", "<null>", ""}));
    EXPECT_TRUE(traced("*** Real value <7> not registered for field ANSWER"));
    ZeFreeStrPtrArray(values, 4);

    std::vector<char *> defaults(4, nullptr);
    Field *name = nullptr;
    ZeGetFieldByName(d, &name, "NAME");
    ZeSetFieldAttribute(name, "DEF VALUE", "local");
    ASSERT_EQ(ZeDefaultValues(d, defaults.data()), 0u);
    EXPECT_EQ(texts(defaults.data(), 4), (std::vector<std::string>{"local", "<null>", "<null>", "<null>"}));
}

TEST_F(HeaderTest, BuildingAndLoadingSurviveAllocationFailure)
{
    char a[] = "A", b[] = "B";
    char *columns[] = {a, b, nullptr};
    // Every step either works or gives 3; whatever was built is released with the descriptor.
    auto build_and_load = [&](Descriptor *d) {
        for (const char *name : {"A", "B", "C"})
            if (unsigned rc = ZeCreateField(d, name, static_cast<char *>(nullptr))) return rc;
        if (unsigned rc = ZeBuildDescriptorHeader(d)) return rc;
        if (unsigned rc = ZeBuildIndexArray(d, columns, -1)) return rc;
        char **values = reinterpret_cast<char **>(&values);
        unsigned rc = ZeLoadDescriptorItem(d, &values, columns);
        if (rc) {
            EXPECT_EQ(values, nullptr);
            return rc;
        }
        EXPECT_EQ(texts(values, 3), (std::vector<std::string>{"A", "B", ""}));
        ZeFreeStrPtrArray(values, 3);
        return 0u;
    };
    each_alloc_failure([&](long failAt) {
        Descriptor *d = nullptr;
        if (ZeCreateDescriptor(&d)) return;
        unsigned rc = build_and_load(d);
        EXPECT_EQ(rc, failAt < 0 ? 0u : rc == 0 ? 0u : 3u);
        ZeDestroyDescriptor(d);
    });
}

TEST_F(HeaderTest, KeyFieldsDecideWhetherRecordsMatch)
{
    OwnedDescriptor d;
    ZeCreateField(d, "NODE", "KEY", 1, static_cast<char *>(nullptr));
    ZeCreateField(d, "LABEL", static_cast<char *>(nullptr));
    ZeCreateField(d, "USER", "KEY", 1, static_cast<char *>(nullptr));
    char n1[] = "N1", n1b[] = "N1", n1lower[] = "n1", l1[] = "one", l2[] = "two", u[] = "U";
    char *first[] = {n1, l1, u};
    char *second[] = {n1b, l2, u};
    char *lower[] = {n1lower, l1, u};
    char *noUser[] = {n1, l1, nullptr};
    char *noUser2[] = {n1b, l2, nullptr};
    EXPECT_EQ(ZeDescriptorKeysMatch(d, first, second), 1);
    EXPECT_EQ(ZeDescriptorKeysMatch(d, first, lower), 0);
    EXPECT_EQ(ZeDescriptorKeysMatch(d, first, noUser), 0);
    EXPECT_EQ(ZeDescriptorKeysMatch(d, noUser, noUser2), 1);
    EXPECT_EQ(ZeDescriptorKeysMatch(nullptr, first, second), 0);
    EXPECT_EQ(ZeDescriptorKeysMatch(d, first, nullptr), 0);

    OwnedDescriptor keyless;
    ZeCreateField(keyless, "A", static_cast<char *>(nullptr));
    EXPECT_EQ(ZeDescriptorKeysMatch(keyless, first, lower), 1);
}

TEST_F(HeaderTest, BuildFieldListCallsTheProceduresUpToTheLimit)
{
    ZeFieldInitProc procs[] = {init_named, init_named, init_named, nullptr};
    int calls = 0;
    OwnedDescriptor two;
    ASSERT_EQ(ZeBuildFieldList(&calls, two, procs, 2), 0u);
    EXPECT_EQ(header_of(two), (std::vector<std::string>{"ONE", "TWO"}));

    calls = 0;
    OwnedDescriptor all;
    ASSERT_EQ(ZeBuildFieldList(&calls, all, procs, -1), 0u);
    EXPECT_EQ(header_of(all), (std::vector<std::string>{"ONE", "TWO", "THREE"}));

    ZeFieldInitProc failing[] = {init_failing, init_named, nullptr};
    OwnedDescriptor failed;
    EXPECT_EQ(ZeBuildFieldList(&calls, failed, failing, -1), 42u);
    EXPECT_EQ(ZeGetFieldCount(failed), 1);
    EXPECT_EQ(ZeDescriptorHeader(failed, nullptr), 225u);
    EXPECT_EQ(ZeBuildFieldList(&calls, failed, procs, -2), 4u);
    EXPECT_EQ(ZeBuildFieldList(nullptr, failed, procs, 1), 4u);
}
