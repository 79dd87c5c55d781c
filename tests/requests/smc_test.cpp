// SMC records: the exchange layout, field access in both text forms,
// copies and file loads.
#include "tarn_test.hpp"
#include "ZeSmc.h"

#include <climits>

namespace {

using SmcTest = TarnTest;

struct Record {
    SmcObject *obj = ZeNewSmcObject();
    ~Record() { ZeFreeSmcObject(obj); }
    unsigned char *bytes() const { return reinterpret_cast<unsigned char *>(obj); }
    std::string text_at(std::size_t offset) const { return reinterpret_cast<const char *>(bytes() + offset); }
    std::vector<unsigned char> snapshot() const { return {bytes(), bytes() + ZE_SMC_RECORD_SIZE}; }
};

// A number field read with the single-byte (or the wide) getter.
int get_int(const SmcObject *obj, int field, bool wide = false)
{
    int value = -12345;
    SmcObject *o = const_cast<SmcObject *>(obj);
    EXPECT_EQ(wide ? ZeGetSmcField(o, field, &value) : ZeGetSmcFieldAnsi(o, field, &value), 1) << "field " << field;
    return value;
}

}  // namespace

TEST_F(SmcTest, NewRecordHoldsOnlyItsLengthAndCopiesAreIndependentByteCopies)
{
    Record r;
    ASSERT_NE(r.obj, nullptr);
    auto expected = std::vector<unsigned char>(ZE_SMC_RECORD_SIZE, 0);
    std::memcpy(expected.data() + 8, "91256", 5);
    EXPECT_TRUE(r.snapshot() == expected);
    for (auto [field, value] : {std::pair{32, 91256}, {33, 91256}, {14, 0}, {12, 0}, {17, 0}})
        EXPECT_EQ(get_int(r.obj, field), value) << field;
    EXPECT_EQ(ZeSmcFormatIs(r.obj, 0), 1);

    ZeSetSmcFieldAnsi(r.obj, 8, "DEFINE");
    r.bytes()[ZE_SMC_RECORD_SIZE - 1] = 0x5A;
    SmcObject *copy = ZeCopySmcObject(r.obj);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(std::memcmp(copy, r.obj, ZE_SMC_RECORD_SIZE), 0);
    ZeSetSmcFieldAnsi(copy, 8, "DELETE");
    EXPECT_EQ(r.text_at(830), "DEFINE");
    ZeFreeSmcObject(copy);
    TarnSetAllocFailure(0, 1);
    EXPECT_EQ(ZeNewSmcObject(), nullptr);
    TarnSetAllocFailure(0, 1);
    EXPECT_EQ(ZeCopySmcObject(r.obj), nullptr);
}

TEST_F(SmcTest, TextFieldsSitAtTheirOffsetsAndNeverSpillIntoNeighbours)
{
    // Number, offset and room of each text field of the exchange format.
    const int fields[][3] = {{1, 899, 40},   {2, 53, 9},    {3, 62, 6},     {4, 281, 148}, {5, 216, 65},  {6, 68, 9},
                             {7, 429, 97},   {8, 830, 49},  {9, 1089, 249}, {10, 77, 65},  {11, 546, 10}, {24, 939, 9},
                             {25, 948, 140}, {26, 879, 20}, {28, 572, 258}, {29, 142, 74}};
    Record r;
    auto fill = [](const int *f) { return std::string(f[2] - 1, static_cast<char>('A' + f[0])); };
    for (const auto &f : fields) EXPECT_EQ(ZeSetSmcFieldAnsi(r.obj, f[0], fill(f).c_str()), f[2] - 1);
    for (const auto &f : fields) {  // every field still reads whole, from its own offset
        EXPECT_EQ(r.text_at(f[1]), fill(f)) << "field " << f[0];
        char *text = nullptr;
        EXPECT_EQ(ZeGetSmcFieldAnsi(r.obj, f[0], &text), f[2] - 1);
        EXPECT_EQ(text, reinterpret_cast<char *>(r.bytes() + f[1]));
    }
    EXPECT_TRUE(trace().empty()) << trace_text();

    // Too long a text is cut to the room, the cut is traced and the next field survives.
    EXPECT_EQ(ZeSetSmcFieldAnsi(r.obj, 2, std::string(200, 'z').c_str()), 8);
    EXPECT_EQ(r.text_at(53) + "|" + r.text_at(62), "zzzzzzzz|DDDDD");
    EXPECT_EQ(trace(), Texts{"+++ ZeSetSmcFieldAnsi: text for field 2 cut to 8 characters"});
    // A shorter text clears the rest of the field; NULL stores an empty text.
    EXPECT_EQ(ZeSetSmcFieldAnsi(r.obj, 8, "SELECT"), 6);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(r.bytes() + 830), 49), "SELECT" + std::string(43, '\0'));
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
    EXPECT_EQ(ZeSetSmcField(r.obj, 3, std::wstring(30, L'w').c_str()), 5);
    wchar_t small[6];
    wmemset(small, L'#', 6);
    EXPECT_EQ(ZeGetSmcField(r.obj, 3, small), 5);
    EXPECT_EQ(std::wstring(small), L"wwwww");

    // Criteria need an index: the single-argument reader serves none of them.
    for (int field : {18, 19, 20, 21, 22, 23, 35}) EXPECT_EQ(ZeGetSmcField(r.obj, field, wide), 0);
}

TEST_F(SmcTest, NumbersFlagsAndCodesMapAsTheExchangeFormatWants)
{
    struct Stored {
        int field, value;
        std::size_t offset;
        const char *text;    // the decimal text stored, or NULL for a byte field
        unsigned char byte;  // the byte stored by a byte field
        int read;
    } cases[] = {
        {13, 0, 556, "-1", 0, -1},      {13, 12345678, 556, "12345678", 0, 12345678},
        {17, 3, 1338, "3", 0, 3},       {27, INT_MIN, 526, "-2147483648", 0, INT_MIN},
        {32, 1000, 8, "1000", 0, 1000}, {12, 7, 565, nullptr, 'Y', 1},
        {12, 0, 565, nullptr, 'N', 0},  {14, 1, 33, nullptr, 0x80, 1},
        {14, 2, 33, nullptr, 0x40, 2},  {14, 3, 33, nullptr, 0x20, 3},
        {14, 4, 33, nullptr, 0x10, 4},  {14, 5, 33, nullptr, 0x01, 5},
        {14, 6, 33, nullptr, 0x02, 6},  {14, 7, 33, nullptr, 0x04, 7},
        {14, 9, 33, nullptr, 0, 0},     {15, 1, 32, nullptr, 0x80, 1},
        {15, 2, 32, nullptr, 0x40, 2},  {15, 3, 32, nullptr, 0x20, 3},
        {15, 4, 32, nullptr, 0, 0},
    };
    Record r;
    for (const Stored &s : cases) {
        for (bool wide : {false, true}) {
            SCOPED_TRACE(testing::Message() << "field " << s.field << " = " << s.value << (wide ? " (wide)" : ""));
            EXPECT_EQ(wide ? ZeSetSmcField(r.obj, s.field, s.value) : ZeSetSmcFieldAnsi(r.obj, s.field, s.value), 1);
            EXPECT_EQ(s.text ? r.text_at(s.offset) : std::string(1, char(r.bytes()[s.offset])),
                      s.text ? s.text : std::string(1, char(s.byte)));
            EXPECT_EQ(get_int(r.obj, s.field, wide), s.read);
            EXPECT_TRUE(s.field != 14 || ZeSmcFormatIs(r.obj, s.read));
        }
    }
    r.bytes()[33] = 0x08;  // no format has this byte
    EXPECT_EQ(get_int(r.obj, 14), 0);
    EXPECT_EQ(ZeSmcFormatIs(r.obj, 5), 0);

    // Nine digits do not fit in nine bytes: nothing changes.
    EXPECT_EQ(ZeSetSmcFieldAnsi(r.obj, 13, 123456789), 0);
    EXPECT_EQ(r.text_at(556), "12345678");
    EXPECT_EQ(trace(), Texts{"+++ ZeSetSmcFieldAnsi: 123456789 does not fit field 13"});

    EXPECT_EQ(ZeSetSmcFieldAnsi(r.obj, 31, 0xDEADBEEFu), 1);
    EXPECT_EQ(std::memcmp(r.bytes() + 568, "\xEF\xBE\xAD\xDE", 4), 0);
    unsigned int value = 0;
    EXPECT_EQ(ZeGetSmcField(r.obj, 31, &value), 1);
    EXPECT_EQ(value, 0xDEADBEEFu);
    EXPECT_EQ(ZeSetSmcFieldAnsi(r.obj, 30, 'x'), 1);
    EXPECT_EQ(r.bytes()[1088], 'x');
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
        EXPECT_EQ(r.text_at(2248 + 20 * i) + "|" + r.text_at(8248 + 3 * i) + "|" + r.text_at(9148 + 260 * i),
                  column + "|GE|" + value);
        char *text = nullptr;
        EXPECT_EQ(ZeGetSmcFieldAnsi(r.obj, 20, i, &text), static_cast<int>(value.size()));
        EXPECT_EQ(text, value);
    }

    EXPECT_EQ(ZeSetSmcFieldAnsi(r.obj, 21, 4, 1), 1);
    EXPECT_EQ(ZeSetSmcFieldAnsi(r.obj, 23, 4, 1), 1);
    EXPECT_EQ(r.bytes()[1348 + 4], 0xA0);
    EXPECT_EQ(ZeSetSmcFieldAnsi(r.obj, 21, 4, 0), 1);
    EXPECT_EQ(r.bytes()[1348 + 4], 0x80);
    int bit23 = -1, bit22 = -1;
    EXPECT_EQ(ZeGetSmcFieldAnsi(r.obj, 23, 4, &bit23) + ZeGetSmcFieldAnsi(r.obj, 22, 4, &bit22), 2);
    EXPECT_EQ(bit23 * 10 + bit22, 10);

    // The whole criterion is stored only behind a column.
    EXPECT_EQ(ZeSetSmcFieldAnsi(r.obj, 35, 7, "NAME", "EQ", "abc"), 3);
    char *column = nullptr, *relop = nullptr, *value = nullptr;
    EXPECT_EQ(ZeGetSmcFieldAnsi(r.obj, 35, 7, &column, &relop, &value), 3);
    EXPECT_EQ(std::string(column) + "|" + relop + "|" + value, "NAME|EQ|abc");
    EXPECT_EQ(ZeSetSmcField(r.obj, 35, 7, L"", L"NE", L"xyz"), 0);
    EXPECT_EQ(r.text_at(2248 + 20 * 7) + "|" + r.text_at(8248 + 3 * 7) + "|" + r.text_at(9148 + 260 * 7), "|EQ|abc");
}

TEST_F(SmcTest, NothingOutsideTheLayoutIsReadOrWritten)
{
    Record r;
    const auto before = r.snapshot();
    // Criterion indexes outside 0 to 299, in any criterion field.
    for (int i : {-1, 300, 100000}) {
        EXPECT_EQ(ZeSetSmcFieldAnsi(r.obj, 18, i, "X"), 0);
        EXPECT_EQ(ZeSetSmcField(r.obj, 20, i, L"X"), 0);
        EXPECT_EQ(ZeSetSmcFieldAnsi(r.obj, 22, i, 1), 0);
        EXPECT_EQ(ZeSetSmcFieldAnsi(r.obj, 35, i, "C", "EQ", "V"), 0);
        char *text = nullptr;
        EXPECT_EQ(ZeGetSmcFieldAnsi(r.obj, 19, i, &text), 0);
        EXPECT_EQ(text, nullptr);
    }
    EXPECT_EQ(count_traced("+++ ZeSetSmcFieldAnsi: criterion index 300 is outside 0 to 299"), 3u);
    clear_trace();
    // Field numbers that are not handled, read-only fields and a missing record.
    for (int field : {-1, 0, 16, 36, 1000}) {
        int out = 42;
        EXPECT_EQ(ZeSetSmcFieldAnsi(r.obj, field, 1) + ZeSetSmcField(r.obj, field, 1), 0);
        EXPECT_EQ(ZeGetSmcFieldAnsi(r.obj, field, &out) + ZeGetSmcField(r.obj, field, &out), 0);
        EXPECT_EQ(out, 42);
    }
    EXPECT_EQ(ZeSetSmcFieldAnsi(r.obj, 33, 5), 1);  // read-only fields store nothing
    EXPECT_TRUE(r.snapshot() == before);
    EXPECT_EQ(ZeSetSmcFieldAnsi(nullptr, 1, "x"), 0);
    EXPECT_TRUE(trace().empty()) << trace_text();
}

TEST_F(SmcTest, FileLoadsPutTheFileInTheDataArea)
{
    // The header comes from the source record (when given), the data area
    // from the file, and the record grows with the file.
    Record src;
    ZeSetSmcFieldAnsi(src.obj, 8, "SELECT");
    std::string big(200000, '\0');
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7);
    const std::string contents[] = {"", std::string("7\0", 2) + std::string(3000, 'd'), big};
    std::vector<std::string> paths;
    for (const std::string &content : contents) {
        paths.push_back(temp_file(content));
        SmcObject *obj = ZeCopyFileToSmcObject(content.size() == 3002 ? src.obj : nullptr, paths.back().c_str());
        ASSERT_NE(obj, nullptr);
        SmcObject *copy = ZeCopySmcObject(obj);  // a short record can still be copied whole
        char *command = nullptr, *data = nullptr;
        ZeGetSmcFieldAnsi(copy, 8, &command);
        EXPECT_STREQ(command, content.size() == 3002 ? "SELECT" : "");
        EXPECT_EQ(get_int(copy, 32), static_cast<int>(91254 + content.size()));
        EXPECT_EQ(ZeSmcFormatIs(copy, 5), 1);
        EXPECT_EQ(ZeGetSmcFieldAnsi(obj, 34, &data), 1);
        EXPECT_EQ(std::memcmp(data, content.data(), content.size()), 0);
        EXPECT_EQ(get_int(obj, 17), content.size() == 3002 ? 7 : 0);
        ZeFreeSmcObject(copy);
        ZeFreeSmcObject(obj);
    }

    // Missing and directory files give no record and keep no block.
    EXPECT_EQ(ZeCopyFileToSmcObject(nullptr, "/nonexistent/smc.dat"), nullptr);
    EXPECT_EQ(ZeCopyFileToSmcObject(nullptr, "/tmp"), nullptr);
    TarnSetAllocFailure(0, 1);
    EXPECT_EQ(ZeCopyFileToSmcObject(nullptr, paths[1].c_str()), nullptr);
}
