// Descriptors and fields: lifecycle, iteration, lookup by name and the dump.
#include "describe_test.hpp"

#include <cstdio>
#include <fstream>
#include <sstream>

namespace {

using DescriptorTest = TarnTest;

// The dump of `d` through ZeDumpFieldInfo into a temporary file.
std::string dump_of(Descriptor *d)
{
    char path[TARN_MAX_PATH] = {};
    EXPECT_NE(TarnGetTempFileName(nullptr, "desc", path), 0);
    EXPECT_EQ(call_with_args(ZeDumpFieldInfo, d, path), 0u);
    std::stringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    std::remove(path);
    return text.str();
}

const std::string kRule = "=======================================================\n";

}  // namespace

TEST_F(DescriptorTest, FieldsAreAppendedIteratedAndFoundByExactName)
{
    OwnedDescriptor d;
    Field *f = nullptr;
    EXPECT_EQ(ZeGetFieldCount(d), 0);
    EXPECT_EQ(ZeGetField(d, &f), 7u);
    EXPECT_EQ(ZeGetFieldByName(d, &f, "A"), 7u);
    EXPECT_EQ(f, nullptr);

    Field *a = d.add("STATUS");
    Field *b = d.add("DUP");
    Field *c = d.add("DUP");
    EXPECT_EQ(ZeGetFieldCount(d), 3);
    std::vector<Field *> seen;
    for (f = nullptr; ZeGetField(d, &f) == 0;) seen.push_back(f);
    EXPECT_EQ(seen, (std::vector<Field *>{a, b, c}));
    EXPECT_EQ(f, nullptr);

    // Names compare case-sensitively and the first match wins; 7 leaves the output alone.
    EXPECT_EQ(ZeGetFieldByName(d, &f, "DUP"), 0u);
    EXPECT_EQ(f, b);
    for (const char *other : {"status", "STATUs", "STATU", ""}) EXPECT_EQ(ZeGetFieldByName(d, &f, other), 7u) << other;
    EXPECT_EQ(f, b);
}

TEST_F(DescriptorTest, InvalidHandlesAreRefused)
{
    EXPECT_EQ(ZeCreateDescriptor(nullptr), 4u);
    EXPECT_TRUE(traced("*** ZeCreateDescriptor: parameter 1 (*Descriptor) is invalid"));
    EXPECT_EQ(ZeIsValidDescriptor(nullptr), 0);
    EXPECT_EQ(ZeIsValidField(nullptr), 0);
    EXPECT_EQ(ZeGetFieldCount(nullptr), -1);
    EXPECT_EQ(ZeDestroyDescriptor(nullptr), 4u);

    OwnedDescriptor d;
    Field *f = d.add("A");
    EXPECT_EQ(ZeIsValidDescriptor(d), 1);
    EXPECT_EQ(ZeIsValidField(f), 1);
    // A field is not a descriptor and the reverse.
    EXPECT_EQ(ZeIsValidDescriptor(reinterpret_cast<Descriptor *>(f)), 0);
    EXPECT_EQ(ZeIsValidField(reinterpret_cast<Field *>(static_cast<Descriptor *>(d))), 0);
    EXPECT_EQ(ZeNewField(d, nullptr), 4u);
    EXPECT_TRUE(traced("*** ZeNewField: parameter 2 (*Field) is invalid"));
    EXPECT_EQ(ZeGetFieldByName(d, &f, nullptr), 4u);
    EXPECT_EQ(ZeGetFieldCount(d), 1);
}

TEST_F(DescriptorTest, DumpListsEveryAttributeLineByteForByte)
{
    OwnedDescriptor d;
    const std::string begin = kRule + "            Dump of Data Descriptor begin\n" + kRule;
    const std::string end = kRule + "             Dump of Data Descriptor end\n" + kRule;
    EXPECT_EQ(dump_of(d), begin + end);

    d.add("PLAIN");
    Field *full = d.add("FULL");
    Words values{"Open", "Closed"}, required{"DEFINE"};
    ASSERT_EQ(ZeSetFieldAttribute(full, "VALID VALUES", static_cast<char **>(values), -1), 0u);
    ASSERT_EQ(ZeSetFieldAttribute(full, "REQUIRED", static_cast<char **>(required), -1), 0u);
    ASSERT_EQ(ZeSetFieldAttribute(full, "MUTUALLY EXCLUSIVE", static_cast<char **>(values), 0), 0u);
    for (const char *flag : {"UPPERCASE", "KEY", "PSEUDO"}) ASSERT_EQ(ZeSetFieldAttribute(full, flag, 1), 0u);
    ASSERT_EQ(ZeSetFieldAttribute(full, "REAL NAME", "FULL_COL"), 0u);
    clear_trace();
    auto field = [](const std::string &name, const std::string &realName, const std::string &flagsMid,
                    const std::string &flagsEnd, const std::string &validValues, const std::string &extra) {
        return "New Field\n---------\n     Name = " + name +
               "\n     Max Length = (nil)\n     Min Length = (nil)\n     Label = (nil)\n"
               "     Relops : \n     Type = (nil)\n     Valid Values : \n" +
               validValues +
               "     Real Values : \n     Lower Range = (nil)\n     Upper Range = (nil)\n"
               "     Default = (nil)\n     Zoom section = (nil)\n     Zoom key = (nil)\n" +
               flagsMid + extra +
               "     ZE Class = (nil)\n     True value = (nil)\n     False value = (nil)\n     Real Name = " +
               realName + "\n" + flagsEnd + "     Copy To Field = (nil)\n     Rename To Field = (nil)\n";
    };
    const std::string plain = field("PLAIN", "(nil)", "", "", "", "") + " \n";
    const std::string fullText =
        field("FULL", "FULL_COL", "     Field is UPPERCASE\n     Field is a KEYFIELD\n", "     Field is PSEUDO\n",
              "        Value[0] = Open\n        Value[1] = Closed\n",
              "     Field is Required for : \n        Value[0] = DEFINE\n") +
        "     Field is Mutually Exclusive against: \n \n";
    EXPECT_EQ(dump_of(d), begin + plain + fullText + end);
    EXPECT_EQ(trace(), Texts{"ZeDumpDescriptor : Data Descriptor info going to a file..."});

    // Without a file to write to: 1, and nothing traced.
    EXPECT_EQ(call_with_args(ZeDumpFieldInfo, d, ""), 1u);
    EXPECT_EQ(call_with_args(ZeDumpFieldInfo, d, static_cast<char *>(nullptr)), 1u);
    EXPECT_EQ(call_with_args(ZeDumpFieldInfo, d, "/nonexistent-dir/dump.txt"), 1u);
    EXPECT_EQ(trace().size(), 1u) << trace_text();
    EXPECT_EQ(ZeDumpFieldInfo(d, nullptr), 4u);
    EXPECT_EQ(ZeDumpDescriptor(d, nullptr), 4u);
    EXPECT_TRUE(traced("*** ZeDumpDescriptor: parameter 2 (pFile) is invalid"));
}

TEST_F(DescriptorTest, EveryAllocationFailureGivesThreeAndLeaksNothing)
{
    Words values{"Open", "Closed"}, row{"A", "B"};
    // The steps stop at the first failure; what was built goes with the descriptor.
    auto build_and_load = [&](Descriptor *d) {
        Field *a = nullptr, *c = nullptr;
        unsigned rc = ZeNewField(d, &a);
        if (!rc) rc = ZeSetPrimaryFieldAttributes(a, "A", "", "8", "A", nullptr);
        if (!rc) rc = ZeCreateField(d, "B", "TYPE", "DATE", "VALID VALUES", static_cast<char **>(values), -1, kEnd);
        if (!rc) rc = ZeNewField(d, &c);
        if (!rc) rc = ZeSetFieldAttribute(c, "NAME", "C");
        if (!rc) rc = ZeSetDefaultBoolFieldAttributes(c, "1", "0", 1);
        if (!rc) rc = ZeBuildDescriptorHeader(d);
        if (!rc) rc = ZeBuildIndexArray(d, row, -1);
        if (rc) return rc;
        char **loaded = reinterpret_cast<char **>(&loaded);
        rc = ZeLoadDescriptorItem(d, &loaded, row);
        if (rc) {
            EXPECT_EQ(loaded, nullptr);
        } else {
            EXPECT_EQ(texts(loaded, 3), (Texts{"A", "B", ""}));
            ZeFreeStrPtrArray(loaded, 3);
        }
        return rc;
    };
    each_alloc_failure([&](long failAt) {
        Descriptor *d = nullptr;
        unsigned rc = ZeCreateDescriptor(&d);
        EXPECT_EQ(d == nullptr, rc != 0);
        if (d) {
            rc = build_and_load(d);
            ZeDestroyDescriptor(d);
        }
        EXPECT_EQ(rc, failAt < 0 ? 0u : rc == 0 ? 0u : 3u);  // a list that cannot be copied is left out with 0
    });
}
