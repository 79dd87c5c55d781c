// Descriptors and fields: lifecycle, iteration, lookup by name and the dump.
#include "describe_test.hpp"

#include <cstdio>
#include <fstream>
#include <sstream>

namespace {

using DescriptorTest = TarnTest;

std::string read_file(const char *path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// A temporary file path, removed at the end of the scope.
struct TempFile {
    char path[TARN_MAX_PATH] = {};
    TempFile() { EXPECT_NE(TarnGetTempFileName(nullptr, "desc", path), 0); }
    ~TempFile() { std::remove(path); }
};

const std::string kRule = "=======================================================\n";
const std::string kDumpBegin = kRule + "            Dump of Data Descriptor begin\n" + kRule;
const std::string kDumpEnd = kRule + "             Dump of Data Descriptor end\n" + kRule;

}  // namespace

TEST_F(DescriptorTest, FieldsAreAppendedAndIteratedInCreationOrder)
{
    OwnedDescriptor d;
    EXPECT_EQ(ZeIsValidDescriptor(d), 1);
    EXPECT_EQ(ZeGetFieldCount(d), 0);
    Field *f = nullptr;
    EXPECT_EQ(ZeGetField(d, &f), 7u);
    EXPECT_EQ(f, nullptr);

    Field *a = d.add("A");
    Field *b = d.add("B");
    Field *c = d.add("C");
    EXPECT_EQ(ZeIsValidField(b), 1);
    EXPECT_EQ(ZeGetFieldCount(d), 3);
    std::vector<Field *> seen;
    for (f = nullptr; ZeGetField(d, &f) == 0;) seen.push_back(f);
    EXPECT_EQ(seen, (std::vector<Field *>{a, b, c}));
    EXPECT_EQ(f, nullptr);
}

TEST_F(DescriptorTest, InvalidHandlesAreRefusedWithOneTraceLine)
{
    EXPECT_EQ(ZeCreateDescriptor(nullptr), 4u);
    EXPECT_TRUE(traced("*** ZeCreateDescriptor: parameter 1 (*Descriptor) is invalid"));
    EXPECT_EQ(ZeIsValidDescriptor(nullptr), 0);
    EXPECT_EQ(ZeIsValidField(nullptr), 0);
    EXPECT_EQ(ZeGetFieldCount(nullptr), -1);

    OwnedDescriptor d;
    Field *f = d.add("A");
    // A field is not a descriptor and the reverse.
    EXPECT_EQ(ZeIsValidDescriptor(reinterpret_cast<Descriptor *>(f)), 0);
    EXPECT_EQ(ZeIsValidField(reinterpret_cast<Field *>(static_cast<Descriptor *>(d))), 0);
    clear_trace();
    EXPECT_EQ(ZeNewField(d, nullptr), 4u);
    EXPECT_EQ(ZeGetField(nullptr, &f), 4u);
    EXPECT_EQ(ZeGetFieldByName(d, &f, nullptr), 4u);
    EXPECT_EQ(ZeDestroyDescriptor(nullptr), 4u);
    EXPECT_EQ(trace(), (std::vector<std::string>{"*** ZeNewField: parameter 2 (*Field) is invalid",
                                                 "*** ZeGetField: parameter 1 (Descriptor) is invalid",
                                                 "*** ZeGetFieldByName: parameter 3 (Name) is invalid",
                                                 "*** ZeDestroyDescriptor: parameter 1 (Descriptor) is invalid"}));
    EXPECT_EQ(ZeGetFieldCount(d), 1);
}

TEST_F(DescriptorTest, LookupByNameIsCaseSensitiveAndTakesTheFirstMatch)
{
    OwnedDescriptor d;
    Field *found = nullptr;
    EXPECT_EQ(ZeGetFieldByName(d, &found, "A"), 7u);
    d.add("STATUS");
    Field *first = d.add("DUP");
    d.add("DUP");
    EXPECT_EQ(ZeGetFieldByName(d, &found, "DUP"), 0u);
    EXPECT_EQ(found, first);
    Field *before = found;
    EXPECT_EQ(ZeGetFieldByName(d, &found, "status"), 7u);
    EXPECT_EQ(found, before);  // unchanged on 7
    EXPECT_EQ(ZeGetFieldByName(d, &found, "STATUs"), 7u);
    EXPECT_EQ(ZeGetFieldByName(d, &found, "STATU"), 7u);
    EXPECT_EQ(ZeGetFieldByName(d, &found, ""), 7u);
}

TEST_F(DescriptorTest, DumpListsEveryAttributeLineByteForByte)
{
    OwnedDescriptor d;
    d.add("PLAIN");
    Field *full = d.add("FULL");
    const char *values[] = {"Open", "Closed", nullptr};
    const char *required[] = {"DEFINE", nullptr};
    ASSERT_EQ(ZeSetFieldAttribute(full, "VALID VALUES", values, -1), 0u);
    ASSERT_EQ(ZeSetFieldAttribute(full, "REQUIRED", required, -1), 0u);
    ASSERT_EQ(ZeSetFieldAttribute(full, "MUTUALLY EXCLUSIVE", values, 0), 0u);
    ASSERT_EQ(ZeSetFieldAttribute(full, "UPPERCASE", 1), 0u);
    ASSERT_EQ(ZeSetFieldAttribute(full, "KEY", 1), 0u);
    ASSERT_EQ(ZeSetFieldAttribute(full, "PSEUDO", 1), 0u);
    ASSERT_EQ(ZeSetFieldAttribute(full, "REAL NAME", "FULL_COL"), 0u);

    TempFile file;
    FILE *stream = TarnOpenFile(file.path, "w+");
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(ZeDumpDescriptor(d, stream), 0u);
    TarnCloseFile(stream);
    EXPECT_TRUE(traced("ZeDumpDescriptor : Data Descriptor info going to a file..."));

    auto texts_of = [](const std::string &name, const std::string &realName, const std::string &flagsMid,
                       const std::string &flagsEnd, const std::string &validValues, const std::string &extra) {
        return "New Field\n---------\n     Name = " + name +
               "\n     Max Length = (nil)\n     Min Length = (nil)\n     Label = (nil)\n"
               "     Relops : \n     Type = (nil)\n     Valid Values : \n" +
               validValues +
               "     Real Values : \n     Lower Range = (nil)\n     Upper Range = (nil)\n"
               "     Default = (nil)\n     Zoom section = (nil)\n     Zoom key = (nil)\n" +
               flagsMid + extra +
               "     ZE Class = (nil)\n     True value = (nil)\n     False value = (nil)\n     Real Name = " +
               realName + "\n" + flagsEnd +
               "     Copy To Field = (nil)\n     Rename To Field = (nil)\n";
    };
    std::string plain = texts_of("PLAIN", "(nil)", "", "", "", "") + " \n";
    std::string full_text =
        texts_of("FULL", "FULL_COL", "     Field is UPPERCASE\n     Field is a KEYFIELD\n",
                 "     Field is PSEUDO\n", "        Value[0] = Open\n        Value[1] = Closed\n",
                 "     Field is Required for : \n        Value[0] = DEFINE\n") +
        "     Field is Mutually Exclusive against: \n \n";
    EXPECT_EQ(read_file(file.path), kDumpBegin + plain + full_text + kDumpEnd);

    EXPECT_EQ(ZeDumpDescriptor(d, nullptr), 4u);
    EXPECT_TRUE(traced("*** ZeDumpDescriptor: parameter 2 (pFile) is invalid"));
}

TEST_F(DescriptorTest, DumpFieldInfoOpensTheNamedFileOrReturnsOne)
{
    OwnedDescriptor d;
    TempFile file;
    EXPECT_EQ(call_with_args(ZeDumpFieldInfo, d, file.path), 0u);
    EXPECT_EQ(read_file(file.path), kDumpBegin + kDumpEnd);

    clear_trace();
    EXPECT_EQ(call_with_args(ZeDumpFieldInfo, d, ""), 1u);
    EXPECT_EQ(call_with_args(ZeDumpFieldInfo, d, static_cast<char *>(nullptr)), 1u);
    EXPECT_EQ(call_with_args(ZeDumpFieldInfo, d, "/nonexistent-dir/dump.txt"), 1u);
    EXPECT_TRUE(trace().empty()) << trace_text();
    EXPECT_EQ(ZeDumpFieldInfo(d, nullptr), 4u);
    EXPECT_TRUE(traced("*** ZeDumpFieldInfo: parameter 2 (pArgs) is invalid"));
}

TEST_F(DescriptorTest, CreatingDescriptorsAndFieldsSurvivesAllocationFailure)
{
    each_alloc_failure([](long) {
        Descriptor *d = nullptr;
        unsigned rc = ZeCreateDescriptor(&d);
        if (rc) {
            EXPECT_EQ(rc, 3u);
            EXPECT_EQ(d, nullptr);
            return;
        }
        for (const char *name : {"A", "B"}) {
            Field *f = nullptr;
            rc = ZeNewField(d, &f);
            if (rc) {
                EXPECT_EQ(rc, 3u);
                break;
            }
            rc = ZeSetFieldAttribute(f, "NAME", name);
            EXPECT_TRUE(rc == 0u || rc == 3u);
        }
        ZeDestroyDescriptor(d);
    });
}
