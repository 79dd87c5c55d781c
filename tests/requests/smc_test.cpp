// SMC records: the exchange layout, field access in both text forms,
// copies, file loads and dumps.
#include "tarn_test.hpp"
#include "ZeSmc.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

using SmcTest = TarnTest;

// Text fields of the exchange format: number, offset, room.
struct TextField {
    int field;
    std::size_t offset, room;
};
const TextField kTextFields[] = {
    {1, 899, 40},  {2, 53, 9},    {3, 62, 6},    {4, 281, 148}, {5, 216, 65}, {6, 68, 9},
    {7, 429, 97},  {8, 830, 49},  {9, 1089, 249}, {10, 77, 65}, {11, 546, 10}, {24, 939, 9},
    {25, 948, 140}, {26, 879, 20}, {28, 572, 258}, {29, 142, 74},
};

struct Record {
    SmcObject *obj = ZeNewSmcObject();
    ~Record() { ZeFreeSmcObject(obj); }
    unsigned char *bytes() const { return reinterpret_cast<unsigned char *>(obj); }
    std::string text_at(std::size_t offset) const { return reinterpret_cast<const char *>(bytes() + offset); }
    std::vector<unsigned char> snapshot() const { return {bytes(), bytes() + ZE_SMC_RECORD_SIZE}; }
};

int get_int(SmcObject *obj, int field)
{
    int value = -12345;
    EXPECT_EQ(ZeGetSmcFieldAnsi(obj, field, &value), 1) << "field " << field;
    return value;
}

std::string write_file(const std::string &content)
{
    char path[TARN_MAX_PATH];
    EXPECT_TRUE(TarnGetTempFileName(nullptr, "smc", path));
    std::ofstream(path, std::ios::binary) << content;
    return path;
}

std::string handle_text(const void *p)
{
    char text[32];
    std::snprintf(text, sizeof text, "%08llX", static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(p)));
    return text;
}

}  // namespace

TEST_F(SmcTest, NewRecordHoldsOnlyItsLengthAndReadsItsDefaults)
{
    Record r;
    ASSERT_NE(r.obj, nullptr);
    EXPECT_EQ(r.text_at(8), "91256");
    for (std::size_t i = 0; i < ZE_SMC_RECORD_SIZE; ++i)
        if (i < 8 || i >= 13) {
            ASSERT_EQ(r.bytes()[i], 0) << "byte " << i;
        }

    EXPECT_EQ(get_int(r.obj, 32), 91256);
    EXPECT_EQ(get_int(r.obj, 33), 91256);
    EXPECT_EQ(get_int(r.obj, 14), 0);
    EXPECT_EQ(get_int(r.obj, 12), 0);
    EXPECT_EQ(get_int(r.obj, 17), 0);
    EXPECT_EQ(ZeSmcFormatIs(r.obj, 0), 1);
    char *data = nullptr;
    EXPECT_EQ(ZeGetSmcFieldAnsi(r.obj, 34, &data), 1);
    EXPECT_EQ(data, reinterpret_cast<char *>(r.bytes() + 1338));

    TarnSetAllocFailure(0, 1);
    EXPECT_EQ(ZeNewSmcObject(), nullptr);
}

TEST_F(SmcTest, TextFieldsSitAtTheirOffsetsAndNeverSpillIntoNeighbours)
{
    Record r;
    // Fill every field to its room, then check that each still reads whole.
    for (const auto &f : kTextFields) {
        std::string text(f.room - 1, static_cast<char>('A' + f.field));
        EXPECT_EQ(ZeSetSmcFieldAnsi(r.obj, f.field, text.c_str()), static_cast<int>(f.room - 1));
    }
    for (const auto &f : kTextFields) {
        std::string expected(f.room - 1, static_cast<char>('A' + f.field));
        EXPECT_EQ(r.text_at(f.offset), expected) << "field " << f.field;
        char *text = nullptr;
        EXPECT_EQ(ZeGetSmcFieldAnsi(r.obj, f.field, &text), static_cast<int>(f.room - 1));
        EXPECT_EQ(text, reinterpret_cast<char *>(r.bytes() + f.offset));
    }
    EXPECT_TRUE(trace().empty()) << trace_text();

    // Too long a text is cut to the room, the cut is traced and the next field survives.
    std::string tooLong(200, 'z');
    EXPECT_EQ(ZeSetSmcFieldAnsi(r.obj, 2, tooLong.c_str()), 8);
    EXPECT_EQ(r.text_at(53), std::string(8, 'z'));
    EXPECT_EQ(r.text_at(62), std::string(5, 'A' + 3));
    EXPECT_TRUE(traced("+++ ZeSetSmcFieldAnsi: text for field 2 cut to 8 characters")) << trace_text();

    // A shorter text clears the rest of the field; NULL stores an empty text.
    EXPECT_EQ(ZeSetSmcFieldAnsi(r.obj, 8, "SELECT"), 6);
    for (std::size_t i = 830 + 6; i < 830 + 49; ++i) EXPECT_EQ(r.bytes()[i], 0);
    EXPECT_EQ(ZeSetSmcFieldAnsi(r.obj, 8, static_cast<const char *>(nullptr)), 0);
    EXPECT_EQ(r.text_at(830), "");
}

TEST_F(SmcTest, WideTextIsNarrowedToSingleBytesAndWidenedBack)
{
    Record r;
    EXPECT_EQ(ZeSetSmcField(r.obj, 1, L"Caf\u00e9 \u20ac1"), 7);
    EXPECT_EQ(r.text_at(899), "Caf\xe9 ?1");

    wchar_t wide[40];
    EXPECT_EQ(ZeGetSmcField(r.obj, 1, wide), 7);
    EXPECT_EQ(std::wstring(wide), L"Caf\u00e9 ?1");
    EXPECT_EQ(ZeGetSmcField(r.obj, 1, nullptr), 7);

    // The wide setter is bounded like the single-byte one; the wide getter
    // writes no more than the field's room.
    std::wstring tooLong(30, L'w');
    EXPECT_EQ(ZeSetSmcField(r.obj, 3, tooLong.c_str()), 5);
    wchar_t small[6];
    wmemset(small, L'#', 6);
    EXPECT_EQ(ZeGetSmcField(r.obj, 3, small), 5);
    EXPECT_EQ(std::wstring(small), L"wwwww");

    EXPECT_EQ(ZeSetSmcField(r.obj, 30, static_cast<int>(L'\u0101')), 1);
    char c = 0;
    EXPECT_EQ(ZeGetSmcField(r.obj, 30, &c), 1);
    EXPECT_EQ(c, '?');
    EXPECT_EQ(ZeSetSmcField(r.obj, 1, static_cast<const wchar_t *>(nullptr)), 0);
    EXPECT_EQ(r.text_at(899), "");

    // Criteria need an index: the single-argument reader serves none of them.
    for (int field : {18, 19, 20, 21, 22, 23, 35}) EXPECT_EQ(ZeGetSmcField(r.obj, field, wide), 0);
}

TEST_F(SmcTest, NumbersFlagsAndCodesMapAsTheExchangeFormatWants)
{
    Record r;
    EXPECT_EQ(ZeSetSmcFieldAnsi(r.obj, 13, 0), 1);
    EXPECT_EQ(r.text_at(556), "-1");
    EXPECT_EQ(get_int(r.obj, 13), -1);
    EXPECT_EQ(ZeSetSmcFieldAnsi(r.obj, 13, 12345678), 1);
    EXPECT_EQ(get_int(r.obj, 13), 12345678);
    // Nine digits do not fit in nine bytes: nothing changes.
    EXPECT_EQ(ZeSetSmcFieldAnsi(r.obj, 13, 123456789), 0);
    EXPECT_EQ(r.text_at(556), "12345678");
    EXPECT_EQ(count_traced("+++ ZeSetSmcFieldAnsi: 123456789 does not fit field 13"), 1u);

    EXPECT_EQ(ZeSetSmcFieldAnsi(r.obj, 17, 3), 1);
    EXPECT_EQ(r.text_at(1338), "3");
    EXPECT_EQ(ZeSetSmcField(r.obj, 27, -2147483647 - 1), 1);
    EXPECT_EQ(r.text_at(526), "-2147483648");
    EXPECT_EQ(get_int(r.obj, 27), -2147483647 - 1);
    EXPECT_EQ(ZeSetSmcFieldAnsi(r.obj, 32, 1000), 1);
    EXPECT_EQ(get_int(r.obj, 32), 1000);

    EXPECT_EQ(ZeSetSmcFieldAnsi(r.obj, 12, 7), 1);
    EXPECT_EQ(r.bytes()[565], 'Y');
    EXPECT_EQ(get_int(r.obj, 12), 1);
    EXPECT_EQ(ZeSetSmcFieldAnsi(r.obj, 12, 0), 1);
    EXPECT_EQ(r.bytes()[565], 'N');
    EXPECT_EQ(get_int(r.obj, 12), 0);

    const unsigned char formatBytes[] = {0x80, 0x40, 0x20, 0x10, 0x01, 0x02, 0x04};
    for (int format = 1; format <= 7; ++format) {
        EXPECT_EQ(ZeSetSmcFieldAnsi(r.obj, 14, format), 1);
        EXPECT_EQ(r.bytes()[33], formatBytes[format - 1]);
        EXPECT_EQ(get_int(r.obj, 14), format);
        EXPECT_EQ(ZeSmcFormatIs(r.obj, format), 1);
    }
    EXPECT_EQ(ZeSetSmcFieldAnsi(r.obj, 14, 9), 1);
    EXPECT_EQ(r.bytes()[33], 0);
    EXPECT_EQ(get_int(r.obj, 14), 0);
    r.bytes()[33] = 0x08;  // no format has this byte
    EXPECT_EQ(get_int(r.obj, 14), 0);
    EXPECT_EQ(ZeSmcFormatIs(r.obj, 5), 0);

    const unsigned char codeBytes[] = {0x80, 0x40, 0x20};
    for (int code = 1; code <= 3; ++code) {
        EXPECT_EQ(ZeSetSmcFieldAnsi(r.obj, 15, code), 1);
        EXPECT_EQ(r.bytes()[32], codeBytes[code - 1]);
        EXPECT_EQ(get_int(r.obj, 15), code);
    }
    EXPECT_EQ(ZeSetSmcFieldAnsi(r.obj, 15, 4), 1);
    EXPECT_EQ(r.bytes()[32], 0);

    EXPECT_EQ(ZeSetSmcFieldAnsi(r.obj, 31, 0xDEADBEEFu), 1);
    const unsigned char le[] = {0xEF, 0xBE, 0xAD, 0xDE};
    EXPECT_EQ(std::memcmp(r.bytes() + 568, le, 4), 0);
    unsigned int value = 0;
    EXPECT_EQ(ZeGetSmcField(r.obj, 31, &value), 1);
    EXPECT_EQ(value, 0xDEADBEEFu);

    EXPECT_EQ(ZeSetSmcFieldAnsi(r.obj, 30, 'x'), 1);
    EXPECT_EQ(r.bytes()[1088], 'x');
    int number = 0;
    EXPECT_EQ(ZeGetSmcField(r.obj, 17, &number), 1);
    EXPECT_EQ(number, 3);
}

TEST_F(SmcTest, CriteriaAreAddressedByIndexWithinTheirAreas)
{
    Record r;
    for (int i : {0, 1, 299}) {
        std::string column = "COL" + std::to_string(i), value = "value " + std::to_string(i);
        EXPECT_EQ(ZeSetSmcFieldAnsi(r.obj, 18, i, column.c_str()), static_cast<int>(column.size()));
        EXPECT_EQ(ZeSetSmcFieldAnsi(r.obj, 19, i, "GE"), 2);
        EXPECT_EQ(ZeSetSmcField(r.obj, 20, i, std::wstring(value.begin(), value.end()).c_str()),
                  static_cast<int>(value.size()));
        EXPECT_EQ(r.text_at(2248 + 20 * i), column);
        EXPECT_EQ(r.text_at(8248 + 3 * i), "GE");
        EXPECT_EQ(r.text_at(9148 + 260 * i), value);
        char *text = nullptr;
        EXPECT_EQ(ZeGetSmcFieldAnsi(r.obj, 20, i, &text), static_cast<int>(value.size()));
        EXPECT_EQ(text, value);
    }

    EXPECT_EQ(ZeSetSmcFieldAnsi(r.obj, 21, 4, 1), 1);
    EXPECT_EQ(ZeSetSmcFieldAnsi(r.obj, 23, 4, 1), 1);
    EXPECT_EQ(r.bytes()[1348 + 4], 0xA0);
    EXPECT_EQ(ZeSetSmcFieldAnsi(r.obj, 21, 4, 0), 1);
    EXPECT_EQ(r.bytes()[1348 + 4], 0x80);
    int bit = -1;
    EXPECT_EQ(ZeGetSmcFieldAnsi(r.obj, 23, 4, &bit), 1);
    EXPECT_EQ(bit, 1);
    EXPECT_EQ(ZeGetSmcFieldAnsi(r.obj, 22, 4, &bit), 1);
    EXPECT_EQ(bit, 0);

    // Indexes outside 0 to 299 touch nothing, in any criterion field.
    const auto before = r.snapshot();
    clear_trace();
    for (int i : {-1, 300, 100000}) {
        EXPECT_EQ(ZeSetSmcFieldAnsi(r.obj, 18, i, "X"), 0);
        EXPECT_EQ(ZeSetSmcField(r.obj, 20, i, L"X"), 0);
        EXPECT_EQ(ZeSetSmcFieldAnsi(r.obj, 22, i, 1), 0);
        EXPECT_EQ(ZeSetSmcFieldAnsi(r.obj, 35, i, "C", "EQ", "V"), 0);
        char *text = nullptr;
        EXPECT_EQ(ZeGetSmcFieldAnsi(r.obj, 19, i, &text), 0);
        EXPECT_EQ(text, nullptr);
    }
    EXPECT_TRUE(r.snapshot() == before);
    EXPECT_EQ(count_traced("+++ ZeSetSmcFieldAnsi: criterion index 300 is outside 0 to 299"), 3u);
}

TEST_F(SmcTest, WholeCriterionIsStoredOnlyBehindAColumn)
{
    Record r;
    EXPECT_EQ(ZeSetSmcFieldAnsi(r.obj, 35, 7, "NAME", "EQ", "abc"), 3);
    char *column = nullptr, *relop = nullptr, *value = nullptr;
    EXPECT_EQ(ZeGetSmcFieldAnsi(r.obj, 35, 7, &column, &relop, &value), 3);
    EXPECT_STREQ(column, "NAME");
    EXPECT_STREQ(relop, "EQ");
    EXPECT_STREQ(value, "abc");

    // An empty column is stored; operator and value stay as they were.
    EXPECT_EQ(ZeSetSmcField(r.obj, 35, 7, L"", L"NE", L"xyz"), 0);
    EXPECT_EQ(r.text_at(2248 + 20 * 7), "");
    EXPECT_EQ(r.text_at(8248 + 3 * 7), "EQ");
    EXPECT_EQ(r.text_at(9148 + 260 * 7), "abc");
    char *untouched = nullptr;
    EXPECT_EQ(ZeGetSmcFieldAnsi(r.obj, 35, 7, &column, &untouched, &untouched), 0);
    EXPECT_EQ(untouched, nullptr);
}

TEST_F(SmcTest, UnhandledFieldNumbersReadAndWriteNothing)
{
    Record r;
    const auto before = r.snapshot();
    for (int field : {-1, 0, 16, 36, 1000}) {
        int out = 42;
        EXPECT_EQ(ZeSetSmcFieldAnsi(r.obj, field, 1), 0);
        EXPECT_EQ(ZeSetSmcField(r.obj, field, 1), 0);
        EXPECT_EQ(ZeGetSmcFieldAnsi(r.obj, field, &out), 0);
        EXPECT_EQ(ZeGetSmcField(r.obj, field, &out), 0);
        EXPECT_EQ(out, 42);
    }
    EXPECT_EQ(ZeSetSmcFieldAnsi(r.obj, 33, 5), 1);  // read-only fields store nothing
    EXPECT_TRUE(r.snapshot() == before);
    EXPECT_EQ(ZeSetSmcFieldAnsi(nullptr, 1, "x"), 0);
    int size = 0;
    EXPECT_EQ(ZeGetSmcFieldAnsi(nullptr, 33, &size), 0);
    EXPECT_EQ(size, 0);
}

TEST_F(SmcTest, CopiesAreIndependentByteCopies)
{
    Record r;
    ZeSetSmcFieldAnsi(r.obj, 8, "DEFINE");
    ZeSetSmcFieldAnsi(r.obj, 35, 299, "LAST", "LT", "end");
    r.bytes()[ZE_SMC_RECORD_SIZE - 1] = 0x5A;
    SmcObject *copy = ZeCopySmcObject(r.obj);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(std::memcmp(copy, r.obj, ZE_SMC_RECORD_SIZE), 0);
    ZeSetSmcFieldAnsi(copy, 8, "DELETE");
    EXPECT_EQ(r.text_at(830), "DEFINE");
    ZeFreeSmcObject(copy);
    ZeFreeSmcObject(nullptr);

    EXPECT_EQ(ZeCopySmcObject(nullptr), nullptr);
    TarnSetAllocFailure(0, 1);
    EXPECT_EQ(ZeCopySmcObject(r.obj), nullptr);
}

TEST_F(SmcTest, FileLoadsPutTheFileInTheDataArea)
{
    // An empty file gives the short record, which can still be copied whole.
    std::string empty = write_file("");
    SmcObject *obj = ZeCopyFileToSmcObject(nullptr, empty.c_str());
    ASSERT_NE(obj, nullptr);
    EXPECT_EQ(get_int(obj, 32), 91254);
    EXPECT_EQ(ZeSmcFormatIs(obj, 5), 1);
    SmcObject *copy = ZeCopySmcObject(obj);
    EXPECT_EQ(get_int(copy, 32), 91254);
    ZeFreeSmcObject(copy);
    ZeFreeSmcObject(obj);

    // The header comes from the source record, the data area from the file.
    Record src;
    ZeSetSmcFieldAnsi(src.obj, 8, "SELECT");
    ZeSetSmcFieldAnsi(src.obj, 18, 0, "OLD");
    const std::string content = std::string("7\0", 2) + std::string(3000, 'd');
    std::string small = write_file(content);
    obj = ZeCopyFileToSmcObject(src.obj, small.c_str());
    ASSERT_NE(obj, nullptr);
    char *command = nullptr, *data = nullptr;
    ZeGetSmcFieldAnsi(obj, 8, &command);
    EXPECT_STREQ(command, "SELECT");
    EXPECT_EQ(get_int(obj, 32), static_cast<int>(91254 + content.size()));
    ZeGetSmcFieldAnsi(obj, 34, &data);
    EXPECT_EQ(std::memcmp(data, content.data(), content.size()), 0);
    EXPECT_EQ(get_int(obj, 17), 7);
    ZeFreeSmcObject(obj);

    // A file larger than the whole record fits: the record grows with it.
    std::string big(200000, '\0');
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7);
    std::string large = write_file(big);
    obj = ZeCopyFileToSmcObject(nullptr, large.c_str());
    ASSERT_NE(obj, nullptr);
    ZeGetSmcFieldAnsi(obj, 34, &data);
    EXPECT_EQ(std::memcmp(data, big.data(), big.size()), 0);
    EXPECT_EQ(get_int(obj, 32), static_cast<int>(91254 + big.size()));
    ZeFreeSmcObject(obj);

    // Missing, directory and short-reading files give no record and keep no block.
    EXPECT_EQ(ZeCopyFileToSmcObject(nullptr, "/nonexistent/smc.dat"), nullptr);
    EXPECT_EQ(ZeCopyFileToSmcObject(nullptr, "/tmp"), nullptr);
    EXPECT_EQ(ZeCopyFileToSmcObject(nullptr, nullptr), nullptr);
    struct stat st;
    const char *shortReader = "/sys/devices/system/cpu/online";  // claims 4096 bytes, holds a few
    if (stat(shortReader, &st) == 0 && st.st_size > 64) {
        EXPECT_EQ(ZeCopyFileToSmcObject(nullptr, shortReader), nullptr);
    }

    TarnSetAllocFailure(0, 1);
    EXPECT_EQ(ZeCopyFileToSmcObject(nullptr, small.c_str()), nullptr);
    TarnSetAllocFailure(-1, 0);
    for (const auto &path : {empty, small, large}) std::remove(path.c_str());
}

TEST_F(SmcTest, CslDumpListsTheCriteria)
{
    Record r;
    ZeSetSmcFieldAnsi(r.obj, 8, "SELECT");
    ZeSetSmcFieldAnsi(r.obj, 1, "USERS");
    ZeDumpSmcCsl(r.obj, "pre");
    ASSERT_EQ(trace().size(), 2u) << trace_text();
    EXPECT_EQ(trace()[0], "pre SMCDAT " + handle_text(r.obj) + " - command: SELECT  object: USERS  count: 0");
    EXPECT_EQ(trace()[1], "Delta: 0  CursorId:   DeltaRecCnt: ");

    clear_trace();
    ZeSetSmcFieldAnsi(r.obj, 17, 2);
    ZeSetSmcFieldAnsi(r.obj, 12, 1);
    ZeSetSmcFieldAnsi(r.obj, 11, "C42");
    ZeSetSmcFieldAnsi(r.obj, 13, 5);
    ZeSetSmcFieldAnsi(r.obj, 35, 0, "NAME", "EQ", "joe");
    ZeSetSmcFieldAnsi(r.obj, 18, 1, "AGE");
    ZeDumpSmcCsl(r.obj, nullptr);
    const std::vector<std::string> expected = {
        " SMCDAT " + handle_text(r.obj) + " - command: SELECT  object: USERS  count: 2",
        "Delta: Y  CursorId: C42  DeltaRecCnt: 5",
        "   Item  Column        RelOp Value",
        "      1  NAME            EQ   <joe>",
        "      2  AGE             NULL <NULL>",
    };
    EXPECT_EQ(trace(), expected);

    clear_trace();
    ZeSetSmcFieldAnsi(r.obj, 17, 5000);  // more than the record holds: 300 lines at most
    ZeDumpSmcCsl(r.obj, "");
    EXPECT_EQ(trace().size(), 3u + 300u);
}

TEST_F(SmcTest, PrintRequestDumpMarksEmptyFields)
{
    Record r;
    ZeSetSmcFieldAnsi(r.obj, 8, "PRINT");
    ZeSetSmcFieldAnsi(r.obj, 24, "RPT01");
    ZeSetSmcFieldAnsi(r.obj, 29, "NODEA");
    ZeDumpSmcPrintRequest(r.obj);
    const std::vector<std::string> expected = {
        "Print request PRINT - reportname RPT01  reportoptions <NULLSTRING>",
        "  node NODEA  destnode <NULLSTRING>",
    };
    EXPECT_EQ(trace(), expected);
    ZeDumpSmcPrintRequest(nullptr);
    ZeDumpSmcCsl(nullptr, "x");
    EXPECT_EQ(trace().size(), 2u);
}
