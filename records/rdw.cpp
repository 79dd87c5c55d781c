// RDW record files: records of 16-bit little-endian length-prefixed items,
// framed by the record length and a trailer repeating it.
//
// Reading takes an ordinary record that the stream holds whole in its
// buffer straight from there; any other goes through a window over the
// current record: one fread brings a whole ordinary record, and nothing
// beyond the length the record announces is ever asked for. Either way the
// items are copied straight from memory into their slots. Writing
// builds an ordinary record whole and hands it to the stream in one
// fwrite; a larger one goes out through a window, and items that do not
// fit the window through a scratch block of their own size.
#include "ZeRdw.h"
#include "ZeStrArray.h"

#include "foundation/blocks.hpp"
#include "foundation/frame.hpp"

#include <algorithm>
#include <cstdint>
#include <cstring>

ZE_SOURCE_TAG("ZeRdw");

namespace {

constexpr std::size_t kWindow = 4096;

unsigned get_word(const unsigned char *p) { return static_cast<unsigned>(p[0]) | static_cast<unsigned>(p[1]) << 8; }

// ------------------------------------------------------------------ reading

class RecordReader {
public:
    enum class Start { Ok, End, Bad };

    // window_ stays uninitialised: only bytes fill() has read are looked at.
    // cppcheck-suppress uninitMemberVar
    explicit RecordReader(FILE *stream) : stream_(stream) {}

    // Reads the record length: End when the stream has no byte left, Bad
    // for a lone byte or a length below 2.
    Start begin()
    {
        // Two bytes straight from the stream's buffer: cheaper than fread.
        // The stream is the caller's, used by one thread at a time, so the
        // calls take no lock.
        int low = getc_unlocked(stream_);
        if (low == EOF) return Start::End;
        int high = getc_unlocked(stream_);
        if (high == EOF) return Start::Bad;
        length_ = static_cast<unsigned>(low) | static_cast<unsigned>(high) << 8;
        if (length_ < 2) return Start::Bad;
        unread_ = length_;  // the items (length - 2) and the trailer (2)
        consumed_ = 2;
        return Start::Ok;
    }

    unsigned length() const { return length_; }

    // The items and the trailer of an ordinary record, all fetched into the
    // window and taken at once; NULL when the record is longer than the
    // window or the stream ends inside it (nothing is taken then).
    const unsigned char *whole()
    {
        if (length_ > kWindow || !fill(length_)) return nullptr;
        const unsigned char *p = window_ + pos_;
        take(length_);
        return p;
    }
    std::size_t left_in_record() const { return length_ - std::min<std::size_t>(consumed_, length_); }

    bool word(unsigned &value)
    {
        if (!fill(2)) return false;
        value = get_word(window_ + pos_);
        take(2);
        return true;
    }

    // n (< kWindow) contiguous bytes, with room for a terminator after
    // them; NULL when the stream ends first.
    char *bytes(std::size_t n)
    {
        if (!fill(n)) return nullptr;
        char *p = reinterpret_cast<char *>(window_ + pos_);
        take(n);
        return p;
    }

    // Copies n bytes of any size into target; the number copied.
    std::size_t read_into(char *target, std::size_t n)
    {
        std::size_t done = std::min(n, end_ - pos_);
        std::memcpy(target, window_ + pos_, done);
        take(done);
        std::size_t direct = fread_unlocked(target + done, 1, std::min(n - done, unread_), stream_);
        unread_ -= direct;
        consumed_ += direct;
        return done + direct;
    }

    // Passes over n bytes; false when the stream ends first.
    bool skip(std::size_t n)
    {
        while (n > 0) {
            std::size_t step = std::min(n, kWindow);
            if (!fill(step)) return false;
            take(step);
            n -= step;
        }
        return true;
    }

private:
    void take(std::size_t n)
    {
        pos_ += n;
        consumed_ += n;
    }

    // Makes n bytes available in the window, fetching at most what is left
    // of the record.
    bool fill(std::size_t n)
    {
        std::size_t have = end_ - pos_;
        if (have >= n) return true;
        if (have > 0) std::memmove(window_, window_ + pos_, have);
        pos_ = 0;
        end_ = have;
        std::size_t want = std::min(unread_, kWindow - have);
        std::size_t got = want ? fread_unlocked(window_ + end_, 1, want, stream_) : 0;
        end_ += got;
        unread_ = got < want ? 0 : unread_ - got;
        return end_ >= n;
    }

    FILE *stream_;
    unsigned char window_[kWindow + 1];  // + 1: a terminator after any item
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
    std::size_t unread_ = 0;  // bytes of the record not yet fetched
    std::size_t consumed_ = 0;
    unsigned length_ = 0;
};

enum class ItemStatus { Ok, BadLength, Short, NoSlotMemory, NoScratchMemory };

// Copies n bytes. Items are mostly a few bytes long: up to 16 are moved in
// two overlapping fixed-size copies, which compile to plain loads and
// stores, instead of a call.
void copy_bytes(char *to, const char *from, std::size_t n)
{
    if (n >= 8 && n <= 16) {
        std::memcpy(to, from, 8);
        std::memcpy(to + n - 8, from + n - 8, 8);
    } else if (n >= 4 && n < 8) {
        std::memcpy(to, from, 4);
        std::memcpy(to + n - 4, from + n - 4, 4);
    } else if (n > 0 && n < 4) {
        to[0] = from[0];
        to[n / 2] = from[n / 2];
        to[n - 1] = from[n - 1];
    } else if (n > 16) {
        std::memcpy(to, from, n);
    }
}

// Converts n bytes into slot, where the value reads as a C string: its text
// ends at the first NUL among them. The slot's block is reused when it held
// a text of at least n characters (the values array is reused from record
// to record, and rows of similar values then need no allocation); otherwise
// it is replaced by a new block of n + 1 bytes. False, with slot NULL, when
// memory is short.
bool store(char *&slot, const char *bytes, std::size_t n)
{
    if (!slot || strnlen(slot, n) < n) {
        ZE_FREE(slot);
        slot = ZE_ALLOC_N(char, n + 1);
        if (!slot) return false;
    }
    // Text conversion is the identity on this platform: the bytes go
    // straight into the slot. A NUL among them ends the text there, as it
    // would in a copy cut at that NUL, with no pass to look for it.
    copy_bytes(slot, bytes, n);
    slot[n] = '\0';
    return true;
}

// Reads the next item of the record into slot. The length must be a signed
// 16-bit value that fits the rest of the record (slot untouched otherwise).
// After a short read or a memory failure slot is NULL; after a memory
// failure the item's bytes have been passed over.
ItemStatus read_item(RecordReader &reader, char *&slot, int &length)
{
    unsigned word = 0;
    length = 0;
    if (reader.left_in_record() < 2 || !reader.word(word)) return ItemStatus::BadLength;
    length = static_cast<std::int16_t>(word);
    if (length < 0 || static_cast<std::size_t>(length) > reader.left_in_record()) return ItemStatus::BadLength;
    const std::size_t n = static_cast<std::size_t>(length);

    char *bytes = nullptr;
    ze::Block<char> scratch;
    ItemStatus failure = ItemStatus::Short;
    if (n < kWindow) {
        bytes = reader.bytes(n);
    } else {
        scratch.reset(ZE_ALLOC_N(char, n + 1));
        if (scratch && reader.read_into(scratch.get(), n) == n) bytes = scratch.get();
        if (!scratch && reader.skip(n)) failure = ItemStatus::NoScratchMemory;
    }
    if (!bytes) {
        ZE_FREE(slot);
        return failure;
    }
    return store(slot, bytes, n) ? ItemStatus::Ok : ItemStatus::NoSlotMemory;
}

// Traces an item that could not be read: the record's code when reading
// has to stop, 0 when the next item can still be read.
unsigned report_item(ItemStatus status, int length)
{
    switch (status) {
    case ItemStatus::Ok: return ZE_OK;
    case ItemStatus::BadLength: TarnTrace("*** Invalid RDW data item length"); return ZE_RC_RDW_FILE;
    case ItemStatus::Short: TarnTrace("*** Not all of RDW data item read"); return ZE_RC_RDW_FILE;
    case ItemStatus::NoSlotMemory:
        TarnTrace("*** Unable to allocate RDW data buffer of length %d", length);
        return ZE_OK;
    case ItemStatus::NoScratchMemory:
        TarnTrace("*** Unable to allocate temp RDW data buffer of length %d", length);
        return ZE_OK;
    }
    return ZE_OK;
}

void check_trailer(bool extra, bool found, unsigned trailer, unsigned length)
{
    if (extra || !found || trailer != length) TarnTrace("*** Invalid RDW trailer length");
}

// The items of a record that lies whole in memory (length - 2 bytes of
// items, then the trailer): the same checks and traces as read_item, with
// no read that could fall short.
unsigned read_whole_record(const unsigned char *record, unsigned length, char **values, int count)
{
    const unsigned char *p = record;
    std::size_t left = length - 2;
    for (int i = 0; i < count; ++i) {
        if (left < 2) return report_item(ItemStatus::BadLength, 0);
        const int itemLength = static_cast<std::int16_t>(get_word(p));
        p += 2;
        left -= 2;
        if (itemLength < 0 || static_cast<std::size_t>(itemLength) > left)
            return report_item(ItemStatus::BadLength, itemLength);
        const std::size_t n = static_cast<std::size_t>(itemLength);
        if (!store(values[i], reinterpret_cast<const char *>(p), n)) report_item(ItemStatus::NoSlotMemory, itemLength);
        p += n;
        left -= n;
    }
    // Items beyond Count are passed over; the record still counts as not
    // matching its trailer.
    check_trailer(left > 0, true, get_word(p + left), length);
    return ZE_OK;
}

// An ordinary record (a length of 2 to kWindow) that lies whole in the
// stream's buffer, taken from the stream: its items and trailer, with its
// length in `length`. NULL, with nothing taken, for any other record or
// where the stream's buffer cannot be seen. glibc keeps the bytes read
// ahead between _IO_read_ptr and _IO_read_end, where getc_unlocked takes
// them from; taking them by moving that pointer reads exactly what getc
// would, without a call or a copy.
const unsigned char *buffered_record(FILE *stream, unsigned &length)
{
#if defined(__GLIBC__)
    const auto *p = reinterpret_cast<const unsigned char *>(stream->_IO_read_ptr);
    const std::size_t have = static_cast<std::size_t>(stream->_IO_read_end - stream->_IO_read_ptr);
    if (!p || have < 2) return nullptr;
    length = get_word(p);
    if (length < 2 || length > kWindow || length > have - 2) return nullptr;
    stream->_IO_read_ptr += 2 + length;
    return p + 2;
#else
    (void)stream;
    (void)length;
    return nullptr;
#endif
}

// A record read through the reader's window. Out of line, so that the
// window is set up only for the records that need it.
[[gnu::noinline]] unsigned read_streamed_record(FILE *stream, char **values, int count)
{
    RecordReader reader(stream);
    switch (reader.begin()) {
    case RecordReader::Start::End: return ZE_RC_NO_ENTRY;
    case RecordReader::Start::Bad: TarnTrace("*** Invalid RDW record length"); return ZE_RC_RDW_FILE;
    case RecordReader::Start::Ok: break;
    }
    if (const unsigned char *record = reader.whole()) return read_whole_record(record, reader.length(), values, count);
    for (int i = 0; i < count; ++i) {
        int length = 0;
        if (unsigned rc = report_item(read_item(reader, values[i], length), length)) return rc;
    }
    // Items beyond Count are passed over so that the next read starts at the
    // next record; the record still counts as not matching its trailer.
    const bool extra = reader.left_in_record() > 0;
    unsigned trailer = 0;
    bool found = reader.skip(reader.left_in_record()) && reader.word(trailer);
    check_trailer(extra, found, trailer, reader.length());
    return ZE_OK;
}

unsigned read_record(FILE *stream, char **values, int count)
{
    unsigned length = 0;
    if (const unsigned char *record = buffered_record(stream, length))
        return read_whole_record(record, length, values, count);
    return read_streamed_record(stream, values, count);
}

// Column names gathered while the header is read.
struct Names {
    TarnList *list = nullptr;
    ~Names()
    {
        TarnListDelete(&list, [](void *name) { ZE_FREE(name); });
    }
};

unsigned read_header(FILE *stream, const char *filename, char ***pColumns, int *pCount)
{
    RecordReader reader(stream);
    Names names;
    if (!TarnListCreateNoDebug(&names.list)) return ZE_RC_NO_MEMORY;
    bool valid = reader.begin() == RecordReader::Start::Ok;
    while (valid && reader.left_in_record() > 0) {
        char *name = nullptr;
        int length = 0;
        ItemStatus status = read_item(reader, name, length);
        if (status == ItemStatus::NoSlotMemory || status == ItemStatus::NoScratchMemory) return ZE_RC_NO_MEMORY;
        valid = status == ItemStatus::Ok;
        if (valid && !TarnListInsertEntry(names.list, name, 1, nullptr, 0, 0)) {
            ZE_FREE(name);
            return ZE_RC_NO_MEMORY;
        }
    }
    unsigned trailer = 0;
    if (!valid || !reader.word(trailer) || trailer != reader.length()) {
        TarnTrace("*** Invalid RDW header record in file %s.", filename);
        return ZE_RC_RDW_FILE;
    }
    const int count = static_cast<int>(TarnListSize(names.list));
    char **columns = ZeAllocStrPtrArray(static_cast<unsigned>(count));
    if (!columns) {
        *pCount = count;
        return ZE_RC_NO_MEMORY;
    }
    void *name = nullptr;
    int i = 0;
    for (TarnListPos p = TarnListFirst(names.list, &name); p; p = TarnListNext(p, &name))
        columns[i++] = static_cast<char *>(name);
    TarnListReset(names.list, nullptr);  // the names belong to the array now
    *pColumns = columns;
    *pCount = count;
    return ZE_OK;
}

// ------------------------------------------------------------------ writing

enum class WriteStep { RecordLength, ItemLength, Item, Trailer };

std::size_t item_length(const char *value)
{
    std::size_t n = TarnLengthOfStr(value);
    return n ? n : 1;  // an empty item is one zero byte
}

// Where in a record of these values the byte at offset lies.
WriteStep step_at(std::size_t offset, char **values, int count)
{
    if (offset < 2) return WriteStep::RecordLength;
    std::size_t pos = 2;
    for (int i = 0; i < count; ++i) {
        if (offset < pos + 2) return WriteStep::ItemLength;
        pos += 2 + item_length(values[i]);
        if (offset < pos) return WriteStep::Item;
    }
    return WriteStep::Trailer;
}

void trace_write_error(WriteStep step)
{
    switch (step) {
    case WriteStep::RecordLength: TarnTrace("*** RDW write error: record length"); break;
    case WriteStep::ItemLength: TarnTrace("*** RDW write error: item length"); break;
    case WriteStep::Item: TarnTrace("*** RDW write error: item"); break;
    case WriteStep::Trailer: TarnTrace("*** RDW write error: record length trailer"); break;
    }
}

// A length word: low byte first.
char *put_word(char *p, std::size_t value)
{
    p[0] = static_cast<char>(value & 0xFF);
    p[1] = static_cast<char>((value >> 8) & 0xFF);
    return p + 2;
}

class RecordWriter {
public:
    // The stream stays locked while the record is written, so the calls on
    // it inside are the unlocked ones. window_ stays uninitialised: only the
    // used_ bytes written so far are emitted.
    // cppcheck-suppress uninitMemberVar
    RecordWriter(FILE *stream, char *scratch) : stream_(stream), scratch_(scratch)
    {
        flockfile(stream_);
        errorBefore_ = ferror_unlocked(stream_) != 0;
    }
    ~RecordWriter() { funlockfile(stream_); }
    RecordWriter(const RecordWriter &) = delete;
    RecordWriter &operator=(const RecordWriter &) = delete;

    void word(std::size_t value)
    {
        if (char *p = room(2)) {
            put_word(p, value);
            used_ += 2;
        }
    }

    // n bytes of text: converted from the library's text, or as they are.
    void text(const char *value, std::size_t n, bool convert)
    {
        if (!value) value = "";
        if (char *p = room(n)) {
            if (convert) TarnConvertMem(p, value, n, 1);
            else std::memcpy(p, value, n);
            used_ += n;
        } else if (!failed_) {  // larger than the window: straight to the stream
            flush();
            if (convert) TarnConvertMem(scratch_, value, n, 1);
            emit(convert ? scratch_ : value, n);
        }
    }

    // A record built whole by the caller: one call on the stream.
    void bytes(const char *record, std::size_t n)
    {
        flush();
        emit(record, n);
    }

    // True when every byte reached the stream; written() tells how many did.
    bool finish()
    {
        flush();
        return !failed_;
    }
    std::size_t written() const { return written_; }

private:
    // Room for n bytes in the window, flushing it first when needed; NULL
    // when n can never fit or a write failed.
    char *room(std::size_t n)
    {
        if (failed_ || n > kWindow) return nullptr;
        if (used_ + n > kWindow) flush();
        return failed_ ? nullptr : window_ + used_;
    }

    void flush()
    {
        if (used_ > 0) emit(window_, used_);
        used_ = 0;
    }

    // A stream may set its error flag yet count every byte as written; the
    // failure is then placed at the start of the chunk.
    void emit(const char *bytes, std::size_t n)
    {
        if (failed_) return;
        std::size_t done = fwrite_unlocked(bytes, 1, n, stream_);
        failed_ = done < n || (!errorBefore_ && ferror_unlocked(stream_));
        written_ += failed_ && done == n ? 0 : done;
    }

    FILE *stream_;
    char *scratch_;  // for converting values larger than the window
    bool errorBefore_ = false;
    char window_[kWindow];
    std::size_t used_ = 0;
    std::size_t written_ = 0;
    bool failed_ = false;
};

// A record that fits the window is built in one buffer, each value copied
// once at its known length, and handed to the stream in one call.
void write_whole(RecordWriter &writer, char **values, int count, const std::size_t *lengths, std::size_t total,
                 bool convert)
{
    char record[kWindow];
    char *p = put_word(record, total);
    for (int i = 0; i < count; ++i) {
        const char *value = values[i] ? values[i] : "";  // an empty item is its terminator
        p = put_word(p, lengths[i]);
        if (convert) TarnConvertMem(p, value, lengths[i], 1);
        else std::memcpy(p, value, lengths[i]);
        p += lengths[i];
    }
    p = put_word(p, total);
    writer.bytes(record, static_cast<std::size_t>(p - record));
}

unsigned write_record(FILE *stream, char **values, int count, bool convert)
{
    // The lengths of an ordinary record are kept for the second pass.
    constexpr int kKeptLengths = 64;
    std::size_t lengths[kKeptLengths];
    std::size_t total = 2;
    std::size_t longest = 0;
    for (int i = 0; i < count; ++i) {
        std::size_t n = item_length(values[i]);
        if (i < kKeptLengths) lengths[i] = n;
        if (n > ZE_RDW_MAX_ITEM) {
            TarnTrace("*** RDW record too long: item of %zu bytes", n);
            return ZE_RC_RDW_FILE;
        }
        total += 2 + n;
        longest = std::max(longest, n);
    }
    if (total > ZE_RDW_MAX_RECORD) {
        TarnTrace("*** RDW record too long: record of %zu bytes", total);
        return ZE_RC_RDW_FILE;
    }
    ze::Block<char> scratch;
    if (convert && longest > kWindow) {  // an item that cannot go through the window
        scratch.reset(ZE_ALLOC_N(char, longest));
        if (!scratch) {
            TarnTrace("*** Unable to allocate temp RDW data buffer of length %d", static_cast<int>(longest));
            return ZE_RC_NO_MEMORY;
        }
    }
    RecordWriter writer(stream, scratch.get());
    if (count <= kKeptLengths && total + 2 <= kWindow) {
        write_whole(writer, values, count, lengths, total, convert);
    } else {
        writer.word(total);
        for (int i = 0; i < count; ++i) {
            std::size_t n = i < kKeptLengths ? lengths[i] : item_length(values[i]);
            writer.word(n);
            writer.text(values[i], n, convert);
        }
        writer.word(total);
    }
    if (!writer.finish()) {
        trace_write_error(step_at(writer.written(), values, count));
        return ZE_RC_RDW_FILE;
    }
    return ZE_OK;
}

bool record_arguments_valid(FILE *stream, char **values, int count)
{
    return stream && count >= 0 && (values || count == 0);
}

// Both header writers: the same checks under their own names.
unsigned open_output(const char *function, const char *filename, char **columns, int count, FILE **pFile, bool convert)
{
    return ze::frame(function,
                     {{"Filename", ze::given(filename)},
                      {"Columns", ze::given(columns)},
                      {"Count", count > 0},
                      {"pFile", ze::given(pFile)}},
                     [&] {
                         *pFile = nullptr;
                         FILE *stream = TarnOpenFile(filename, "wb+");
                         if (!stream) {
                             TarnTrace("*** Unable to open output Rdw File %s.", filename);
                             return ZE_RC_RDW_FILE;
                         }
                         if (unsigned rc = write_record(stream, columns, count, convert)) {
                             TarnCloseFile(stream);
                             return rc;
                         }
                         *pFile = stream;
                         return ZE_OK;
                     });
}

}  // namespace

extern "C" {

unsigned int ZeOpenInputRdwFile(const char *Filename, char ***pColumns, int *pCount, FILE **pFile)
{
    return ZE_FRAME({{"Filename", ze::given(Filename)},
                     {"pColumns", ze::given(pColumns)},
                     {"pCount", ze::given(pCount)},
                     {"pFile", ze::given(pFile)}},
                    [&] {
                        *pColumns = nullptr;
                        *pCount = 0;
                        *pFile = nullptr;
                        unsigned long long size = 0;
                        if (TarnGetFileSize(Filename, &size) && size == 0) {
                            TarnTrace("*** Rdw File %s has length 0.", Filename);
                            return ZE_RC_RDW_FILE;
                        }
                        FILE *stream = TarnOpenFile(Filename, "rb");
                        if (!stream) {
                            TarnTrace("*** Unable to open input Rdw File %s.", Filename);
                            return ZE_RC_RDW_FILE;
                        }
                        if (unsigned rc = read_header(stream, Filename, pColumns, pCount)) {
                            TarnCloseFile(stream);
                            return rc;
                        }
                        *pFile = stream;
                        return ZE_OK;
                    });
}

unsigned int ZeReadRdwData(FILE *File, char **Values, int Count)
{
    return ZE_FRAME_QUIET({{"Record", record_arguments_valid(File, Values, Count)}}, ZE_RC_INVALID_PARAMETER,
                          [&] { return read_record(File, Values, Count); });
}

unsigned int ZeFreeRdwData(char **Values, int Count)
{
    return ZE_FRAME_QUIET({}, ZE_OK, [&] {
        for (int i = 0; Values && i < Count; ++i) ZE_FREE(Values[i]);
        return ZE_OK;
    });
}

unsigned int ZeOpenOutputRdwFile(const char *Filename, char **Columns, int Count, FILE **pFile)
{
    return open_output(__func__, Filename, Columns, Count, pFile, true);
}

unsigned int ZeOpenOutputRdwFileAnsi(const char *Filename, char **Columns, int Count, FILE **pFile)
{
    return open_output(__func__, Filename, Columns, Count, pFile, false);
}

unsigned int ZeWriteRdwData(FILE *File, char **Values, int Count)
{
    return ZE_FRAME_QUIET({{"Record", record_arguments_valid(File, Values, Count)}}, ZE_RC_INVALID_PARAMETER,
                          [&] { return write_record(File, Values, Count, true); });
}

unsigned int ZeWriteRdwDataAnsi(FILE *File, char **Values, int Count)
{
    return ZE_FRAME_QUIET({{"Record", record_arguments_valid(File, Values, Count)}}, ZE_RC_INVALID_PARAMETER,
                          [&] { return write_record(File, Values, Count, false); });
}

}  // extern "C"
