// RDW record files: the byte layout, round trips, and every malformed file
// giving its code and trace without reading past anything.
#include "tarn_test.hpp"

#include <algorithm>

namespace {

using Bytes = std::vector<unsigned char>;
using Lines = std::vector<std::string>;

// A file opened with ZeOpenInputRdwFile; closed, with its names freed, at the end of the scope.
struct Reader {
    char **names = nullptr;
    int count = 0;
    FILE *in = nullptr;
    unsigned rc;
    explicit Reader(const std::string &path) : rc(ZeOpenInputRdwFile(path.c_str(), &names, &count, &in)) {}
    ~Reader()
    {
        ZeFreeStrPtrArray(names, count);
        if (in) TarnCloseFile(in);
    }
};

class RdwTest : public TarnTest {
protected:
    std::string file_with(const Bytes &bytes) { return temp_file(std::string(bytes.begin(), bytes.end())); }

    static Bytes contents(FILE *f)
    {
        std::fflush(f);
        std::rewind(f);
        Bytes out;
        for (int c; (c = std::fgetc(f)) != EOF;) out.push_back(static_cast<unsigned char>(c));
        return out;
    }

    // A writer's code on a fresh stream, and the bytes it wrote there.
    static std::pair<unsigned, Bytes> write_record(unsigned (*write)(FILE *, char **, int), char **values, int count)
    {
        FILE *f = std::tmpfile();
        const unsigned rc = write(f, values, count);
        std::pair<unsigned, Bytes> result{rc, contents(f)};
        std::fclose(f);
        return result;
    }
};

}  // namespace

TEST_F(RdwTest, WritersProduceTheDocumentedBytesAndRefuseOversizedRecords)
{
    using Written = std::pair<unsigned, Bytes>;
    char ab[] = "AB", c[] = "C";
    char *values[] = {ab, nullptr, c};
    std::string item(32768, 'i'), part(30000, 'p'), longest(32767, 'l');
    char *tooLong[] = {item.data()}, *tooMany[] = {part.data(), part.data(), part.data()}, *fits[] = {longest.data()};
    const Bytes abc{0x0C, 0x00, 0x02, 0x00, 'A', 'B', 0x01, 0x00, 0x00, 0x01, 0x00, 'C', 0x0C, 0x00};
    for (auto write : {ZeWriteRdwData, ZeWriteRdwDataAnsi}) {
        EXPECT_EQ(write_record(write, values, 3), Written(ZE_OK, abc));
        EXPECT_EQ(write_record(write, nullptr, 0), Written(ZE_OK, (Bytes{0x02, 0x00, 0x02, 0x00})));
        EXPECT_EQ(write_record(write, fits, 1).first, ZE_OK);
        EXPECT_EQ(write_record(write, tooLong, 1), Written(ZE_RC_RDW_FILE, {}));
        EXPECT_EQ(write_record(write, tooMany, 3), Written(ZE_RC_RDW_FILE, {}));
    }
    EXPECT_EQ(count_traced("*** RDW record too long: item of 32768 bytes"), 2u) << trace_text();
    EXPECT_EQ(count_traced("*** RDW record too long: record of 90008 bytes"), 2u);
}

TEST_F(RdwTest, FilesReadBackAsWritten)
{
    const std::string path = file_with({});
    char name[] = "NAME", type[] = "TYPE", empty[] = "";
    char *columns[] = {name, type}, *row1[] = {name, empty};
    std::string big(20000, 'z');  // larger than any read or write window
    char *row2[] = {big.data(), type};
    FILE *out = nullptr;
    ASSERT_EQ(ZeOpenOutputRdwFileAnsi(path.c_str(), columns, 2, &out), ZE_OK);  // tarnadm export uses the other
    ASSERT_EQ(ZeWriteRdwData(out, row1, 2), ZE_OK);
    ASSERT_EQ(ZeWriteRdwData(out, row2, 2), ZE_OK);
    TarnCloseFile(out);

    Reader r(path);
    ASSERT_EQ(r.rc, ZE_OK);
    EXPECT_EQ(Texts(r.names, r.names + r.count), (Texts{"NAME", "TYPE"}));
    EXPECT_EQ(r.names[2], nullptr);
    char *values[2] = {nullptr, nullptr};
    ASSERT_EQ(ZeReadRdwData(r.in, values, 2), ZE_OK);
    EXPECT_EQ(Texts(values, values + 2), (Texts{"NAME", ""}));
    ASSERT_EQ(ZeReadRdwData(r.in, values, 2), ZE_OK);  // the slots are reused
    EXPECT_EQ(Texts(values, values + 2), (Texts{big, "TYPE"}));
    EXPECT_EQ(ZeReadRdwData(r.in, values, 2), ZE_RC_NO_ENTRY);
    EXPECT_TRUE(trace().empty()) << trace_text();
    ZeFreeRdwData(values, 2);
    EXPECT_EQ(values[0], nullptr);

    // A record with more items than asked for is passed over to its end.
    FILE *f = std::tmpfile();
    ZeWriteRdwDataAnsi(f, columns, 2);
    ZeWriteRdwDataAnsi(f, row1, 1);
    std::rewind(f);
    ASSERT_EQ(ZeReadRdwData(f, values, 1), ZE_OK);
    EXPECT_TRUE(traced("*** Invalid RDW trailer length"));
    ASSERT_EQ(ZeReadRdwData(f, values, 1), ZE_OK);
    EXPECT_STREQ(values[0], "NAME");
    ZeFreeRdwData(values, 1);
    std::fclose(f);
}

// Records that fall across the edge of the stream's buffer, or a stream
// without one, read as they do from a stream that holds them whole; a
// damaged record in the middle gives the same code and trace either way.
TEST_F(RdwTest, RecordsReadTheSameWhateverTheStreamBuffers)
{
    Bytes file{0x08, 0x00, 0x01, 0x00, 'A', 0x01, 0x00, 'B', 0x08, 0x00};  // header: columns A, B
    auto add = [&](const std::string &a, const std::string &b) {
        const std::size_t total = 2 + 2 + a.size() + 2 + b.size();
        const Bytes length{static_cast<unsigned char>(total & 0xFF), static_cast<unsigned char>(total >> 8)};
        file.insert(file.end(), length.begin(), length.end());
        for (const std::string *v : {&a, &b}) {
            file.push_back(static_cast<unsigned char>(v->size() & 0xFF));
            file.push_back(static_cast<unsigned char>(v->size() >> 8));
            file.insert(file.end(), v->begin(), v->end());
        }
        file.insert(file.end(), length.begin(), length.end());
    };
    for (int i = 0; i < 40; ++i) add(std::string(static_cast<std::size_t>(i % 13), 'x'), "row" + std::to_string(i));
    const Bytes damaged{0x09, 0x00, 0x02, 0x00, 'o', 'k', 0x05, 0x00, 'Z', 0x09, 0x00};  // B runs past the record
    file.insert(file.end(), damaged.begin(), damaged.end());
    add("after", "damage");
    const std::string path = file_with(file);

    EXPECT_EQ(Reader(path).count, 2);
    // Each record's code, values and trace lines, read after the header
    // through a buffer of `size` bytes (0: none, -1: the default).
    auto read_all = [&](int size) {
        Lines seen;
        std::vector<char> buffer(static_cast<std::size_t>(std::max(size, 1)));  // outlives the stream
        FILE *in = std::fopen(path.c_str(), "rb");
        if (size == 0) setvbuf(in, nullptr, _IONBF, 0);
        if (size > 0) setvbuf(in, buffer.data(), _IOFBF, buffer.size());
        std::fseek(in, 10, SEEK_SET);
        char *values[2] = {nullptr, nullptr};
        for (unsigned rc = ZE_OK; rc != ZE_RC_NO_ENTRY && seen.size() < 400;) {
            clear_trace();
            rc = ZeReadRdwData(in, values, 2);
            seen.push_back(std::to_string(rc) + " " + (values[0] ? values[0] : "<null>") + "|" +
                           (values[1] ? values[1] : "<null>") + " " + trace_text());
        }
        ZeFreeRdwData(values, 2);
        std::fclose(in);
        return seen;
    };
    const Lines whole = read_all(-1);
    ASSERT_EQ(whole.size(), 43u);
    EXPECT_EQ(whole[1], "0 x|row1 ");
    EXPECT_EQ(whole[40], "1 ok|row39 *** Invalid RDW data item length\n");
    for (int size = 0; size <= 96; ++size) ASSERT_EQ(read_all(size), whole) << "buffer of " << size << " bytes";
}

TEST_F(RdwTest, MalformedRecordsGiveTheirCodeAndTrace)
{
    struct Case {
        Bytes data;
        unsigned rc;
        const char *line;
    };
    const Case cases[] = {
        {{}, ZE_RC_NO_ENTRY, nullptr},
        {{0x05}, ZE_RC_RDW_FILE, "*** Invalid RDW record length"},
        {{0x01, 0x00, 0x01, 0x00}, ZE_RC_RDW_FILE, "*** Invalid RDW record length"},
        {{0x05, 0x00}, ZE_RC_RDW_FILE, "*** Invalid RDW data item length"},
        {{0x05, 0x00, 0x01, 0x00}, ZE_RC_RDW_FILE, "*** Not all of RDW data item read"},
        {{0x08, 0x00, 0xFE, 0xFF, 'A', 'B', 'C', 'D', 0x08, 0x00}, ZE_RC_RDW_FILE, "*** Invalid RDW data item length"},
        {{0x05, 0x00, 0x09, 0x00, 'A', 0x05, 0x00}, ZE_RC_RDW_FILE, "*** Invalid RDW data item length"},
        {{0x00, 0x01, 0xF0, 0x00, 'A', 'B'}, ZE_RC_RDW_FILE, "*** Not all of RDW data item read"},
        {{0xFF, 0x7F, 0x00, 0x20, 'A', 'B'}, ZE_RC_RDW_FILE, "*** Not all of RDW data item read"},
        {{0x05, 0x00, 0x01, 0x00, 'A', 0x06, 0x00}, ZE_OK, "*** Invalid RDW trailer length"},
        {{0x05, 0x00, 0x01, 0x00, 'A'}, ZE_OK, "*** Invalid RDW trailer length"},
    };
    for (const Case &c : cases) {
        clear_trace();
        Bytes file{0x05, 0x00, 0x01, 0x00, 'N', 0x05, 0x00};  // the header of one column "N"
        file.insert(file.end(), c.data.begin(), c.data.end());
        const std::string path = file_with(file);
        Reader r(path);
        ASSERT_EQ(r.rc, ZE_OK);
        char *value = nullptr;
        EXPECT_EQ(ZeReadRdwData(r.in, &value, r.count), c.rc) << path;
        EXPECT_EQ(trace(), c.line ? Texts{c.line} : Texts{}) << path;
        if (c.rc == ZE_OK) {
            EXPECT_STREQ(value, "A");
        }
        ZeFreeRdwData(&value, 1);
    }
}

TEST_F(RdwTest, AWriterShortOfMemoryWritesNothing)
{
    std::string big(5000, 'b');
    char *row[] = {big.data()};
    TarnSetAllocFailure(0, 1);
    EXPECT_EQ(write_record(ZeWriteRdwData, row, 1), (std::pair<unsigned, Bytes>(ZE_RC_NO_MEMORY, {})));
    TarnSetAllocFailure(-1, 0);
    EXPECT_TRUE(traced("*** Unable to allocate temp RDW data buffer of length 5000"));
}

// A stream that refuses the first bytes: the trace names the part of the record.
TEST_F(RdwTest, AWriteTheStreamRefusesIsReportedWithItsPlace)
{
    FILE *full = std::fopen("/dev/full", "wb");
    ASSERT_NE(full, nullptr);
    std::setvbuf(full, nullptr, _IONBF, 0);
    char name[] = "NAME", *row[] = {name};
    EXPECT_EQ(ZeWriteRdwData(full, row, 1), ZE_RC_RDW_FILE);
    EXPECT_EQ(trace(), Texts{"*** RDW write error: record length"});
    std::fclose(full);
}
