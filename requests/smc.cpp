// SMC records: the fixed record layout, one table of field numbers that
// drives both setters and both getters, record copies, file loads and the
// two trace dumps.
#include "ZeSmc.h"

#include "contract/text.hpp"
#include "foundation/blocks.hpp"
#include "foundation/frame.hpp"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string_view>

ZE_SOURCE_TAG("SmcObj");

// The record as it is exchanged. Every member is a byte array, so there is
// no padding and offsetof gives the exchange offsets.
struct SmcObject {
    unsigned char unused0[8];
    char recordLength[24];         // ZE_SMC_RECORD_LENGTH
    unsigned char codeByte;        // ZE_SMC_CODE_BYTE
    unsigned char formatCode[20];  // ZE_SMC_FORMAT_CODE
    char string53[9];              // ZE_SMC_STRING_AT_53
    char string62[6];              // ZE_SMC_STRING_AT_62
    char string68[9];              // ZE_SMC_STRING_AT_68
    char string77[65];             // ZE_SMC_STRING_AT_77
    char node[74];                 // ZE_SMC_NODE
    char string216[65];            // ZE_SMC_STRING_AT_216
    char destNode[148];            // ZE_SMC_DEST_NODE
    char string429[97];            // ZE_SMC_STRING_AT_429
    char number526[20];            // ZE_SMC_NUMBER_AT_526
    char cursorId[10];             // ZE_SMC_CURSOR_ID
    char deltaRecCount[9];         // ZE_SMC_DELTA_REC_COUNT
    char deltaFlag;                // ZE_SMC_DELTA_FLAG
    unsigned char unused566[2];
    unsigned char unsigned568[4];       // ZE_SMC_UNSIGNED_AT_568
    char string572[258];                // ZE_SMC_STRING_AT_572
    char command[49];                   // ZE_SMC_COMMAND
    char string879[20];                 // ZE_SMC_STRING_AT_879
    char objectName[40];                // ZE_SMC_OBJECT_NAME
    char reportName[9];                 // ZE_SMC_REPORT_NAME
    char reportOptions[140];            // ZE_SMC_REPORT_OPTIONS
    char char1088;                      // ZE_SMC_CHAR_AT_1088
    char string1089[249];               // ZE_SMC_STRING_AT_1089
    char criteriaCount[10];             // ZE_SMC_CRITERIA_COUNT, start of the data area (ZE_SMC_DATA_AREA)
    unsigned char criterionFlags[300];  // ZE_SMC_CRITERION_BIT_20, _40, _80
    unsigned char unused1648[600];
    char columns[300][20];  // ZE_SMC_CRITERION_COLUMN
    char relops[300][3];    // ZE_SMC_CRITERION_RELOP
    char values[300][260];  // ZE_SMC_CRITERION_VALUE
    unsigned char unused87148[4108];
};

static_assert(sizeof(SmcObject) == ZE_SMC_RECORD_SIZE);
static_assert(offsetof(SmcObject, criteriaCount) == ZE_SMC_DATA_OFFSET);
static_assert(offsetof(SmcObject, criterionFlags) == 1348);
static_assert(offsetof(SmcObject, columns) == 2248 && sizeof(SmcObject::columns[0]) == 20);
static_assert(offsetof(SmcObject, relops) == 8248 && sizeof(SmcObject::relops[0]) == 3);
static_assert(offsetof(SmcObject, values) == 9148 && sizeof(SmcObject::values[0]) == 260);
static_assert(sizeof(SmcObject::columns) / sizeof(SmcObject::columns[0]) == ZE_SMC_MAX_CRITERIA);

namespace {

// A record loaded from a file holds the file after this many bytes of header.
constexpr std::size_t kFileHeaderSize = 91254;

enum class Kind : unsigned char {
    None,           // not handled: nothing read or written, result 0
    Text,           // zero-terminated text within its room
    Flag,           // 'Y' or 'N'
    DeltaCount,     // "%i", 0 stored as -1
    Number,         // "%d"
    FormatCode,     // one byte of kFormatBytes
    CodeByte,       // one byte of kCodeBytes
    Char,           // one character
    Unsigned32,     // four bytes as given
    Size,           // read only: the record size
    DataArea,       // read only: address of the data area
    CriterionText,  // index, then text at offset + index * stride
    CriterionBit,   // index, then a bit of the criterion's flag byte
    Criterion,      // index, column, operator, value
};

struct FieldSpec {
    Kind kind = Kind::None;
    std::size_t offset = 0;
    std::size_t room = 0;
    std::size_t stride = 0;
    unsigned char bit = 0;
};

constexpr int kFieldCount = ZE_SMC_CRITERION + 1;

#define SMC_AT(member) offsetof(SmcObject, member), sizeof(SmcObject::member)

constexpr std::array<FieldSpec, kFieldCount> kFields = [] {
    std::array<FieldSpec, kFieldCount> t{};
    auto at = [&](int field, Kind kind, std::size_t offset, std::size_t room) {
        t[field] = {kind, offset, room, 0, 0};
    };
    at(ZE_SMC_OBJECT_NAME, Kind::Text, SMC_AT(objectName));
    at(ZE_SMC_STRING_AT_53, Kind::Text, SMC_AT(string53));
    at(ZE_SMC_STRING_AT_62, Kind::Text, SMC_AT(string62));
    at(ZE_SMC_DEST_NODE, Kind::Text, SMC_AT(destNode));
    at(ZE_SMC_STRING_AT_216, Kind::Text, SMC_AT(string216));
    at(ZE_SMC_STRING_AT_68, Kind::Text, SMC_AT(string68));
    at(ZE_SMC_STRING_AT_429, Kind::Text, SMC_AT(string429));
    at(ZE_SMC_COMMAND, Kind::Text, SMC_AT(command));
    at(ZE_SMC_STRING_AT_1089, Kind::Text, SMC_AT(string1089));
    at(ZE_SMC_STRING_AT_77, Kind::Text, SMC_AT(string77));
    at(ZE_SMC_CURSOR_ID, Kind::Text, SMC_AT(cursorId));
    at(ZE_SMC_DELTA_FLAG, Kind::Flag, SMC_AT(deltaFlag));
    at(ZE_SMC_DELTA_REC_COUNT, Kind::DeltaCount, SMC_AT(deltaRecCount));
    at(ZE_SMC_FORMAT_CODE, Kind::FormatCode, SMC_AT(formatCode));
    at(ZE_SMC_CODE_BYTE, Kind::CodeByte, SMC_AT(codeByte));
    at(ZE_SMC_CRITERIA_COUNT, Kind::Number, SMC_AT(criteriaCount));
    t[ZE_SMC_CRITERION_COLUMN] = {Kind::CriterionText, offsetof(SmcObject, columns), sizeof(SmcObject::columns[0]),
                                  sizeof(SmcObject::columns[0]), 0};
    t[ZE_SMC_CRITERION_RELOP] = {Kind::CriterionText, offsetof(SmcObject, relops), sizeof(SmcObject::relops[0]),
                                 sizeof(SmcObject::relops[0]), 0};
    t[ZE_SMC_CRITERION_VALUE] = {Kind::CriterionText, offsetof(SmcObject, values), sizeof(SmcObject::values[0]),
                                 sizeof(SmcObject::values[0]), 0};
    t[ZE_SMC_CRITERION_BIT_20] = {Kind::CriterionBit, offsetof(SmcObject, criterionFlags), 1, 1, 0x20};
    t[ZE_SMC_CRITERION_BIT_40] = {Kind::CriterionBit, offsetof(SmcObject, criterionFlags), 1, 1, 0x40};
    t[ZE_SMC_CRITERION_BIT_80] = {Kind::CriterionBit, offsetof(SmcObject, criterionFlags), 1, 1, 0x80};
    at(ZE_SMC_REPORT_NAME, Kind::Text, SMC_AT(reportName));
    at(ZE_SMC_REPORT_OPTIONS, Kind::Text, SMC_AT(reportOptions));
    at(ZE_SMC_STRING_AT_879, Kind::Text, SMC_AT(string879));
    at(ZE_SMC_NUMBER_AT_526, Kind::Number, SMC_AT(number526));
    at(ZE_SMC_STRING_AT_572, Kind::Text, SMC_AT(string572));
    at(ZE_SMC_NODE, Kind::Text, SMC_AT(node));
    at(ZE_SMC_CHAR_AT_1088, Kind::Char, SMC_AT(char1088));
    at(ZE_SMC_UNSIGNED_AT_568, Kind::Unsigned32, SMC_AT(unsigned568));
    at(ZE_SMC_RECORD_LENGTH, Kind::Number, SMC_AT(recordLength));
    at(ZE_SMC_SIZE, Kind::Size, 0, 0);
    at(ZE_SMC_DATA_AREA, Kind::DataArea, offsetof(SmcObject, criteriaCount), 0);
    at(ZE_SMC_CRITERION, Kind::Criterion, 0, 0);
    return t;
}();

#undef SMC_AT

// Byte codes of the format code (numbers 1 to 7) and the code byte (1 to 3).
constexpr unsigned char kFormatBytes[] = {0x80, 0x40, 0x20, 0x10, 0x01, 0x02, 0x04};
constexpr unsigned char kCodeBytes[] = {0x80, 0x40, 0x20};

template <std::size_t N> unsigned char encode(const unsigned char (&bytes)[N], int number)
{
    return number >= 1 && number <= static_cast<int>(N) ? bytes[number - 1] : 0;
}

template <std::size_t N> int decode(const unsigned char (&bytes)[N], unsigned char byte)
{
    for (std::size_t i = 0; i < N; ++i)
        if (byte && bytes[i] == byte) return static_cast<int>(i) + 1;
    return 0;
}

const FieldSpec *spec_of(int field)
{
    if (field < 0 || field >= kFieldCount || kFields[field].kind == Kind::None) return nullptr;
    return &kFields[field];
}

unsigned char *bytes_of(SmcObject *obj) { return reinterpret_cast<unsigned char *>(obj); }
const unsigned char *bytes_of(const SmcObject *obj) { return reinterpret_cast<const unsigned char *>(obj); }

// A text field as stored, counted up to its room.
std::string_view text_at(const unsigned char *at, std::size_t room)
{
    const char *text = reinterpret_cast<const char *>(at);
    return {text, strnlen(text, room - 1)};
}

std::string_view field_text(const SmcObject *obj, int field, int index = 0)
{
    const FieldSpec &f = kFields[field];
    return text_at(bytes_of(obj) + f.offset + f.stride * static_cast<std::size_t>(index), f.room);
}

int field_number(const SmcObject *obj, int field)
{
    char digits[32] = {};
    std::string_view text = field_text(obj, field);
    std::memcpy(digits, text.data(), std::min(text.size(), sizeof digits - 1));
    return TarnIntFromStr(digits);
}

bool criterion_in_range(int index, const char *function)
{
    if (index >= 0 && index < ZE_SMC_MAX_CRITERIA) return true;
    TarnTrace("+++ %s: criterion index %d is outside 0 to %d", function, index, ZE_SMC_MAX_CRITERIA - 1);
    return false;
}

// Single bytes from the callers' characters: wide code points above 255 become '?'.
char narrow(char c) { return c; }
char narrow(wchar_t c)
{
    // wchar_t is a 32-bit int here, not a char: a negative value wraps above 0xFF and becomes '?'.
    auto code = static_cast<std::uint32_t>(c);  // NOLINT(bugprone-signed-char-misuse,cert-str34-c)
    return code <= 0xFF ? static_cast<char>(static_cast<unsigned char>(code)) : '?';
}

// Stores text (NULL: empty) into a field, cut to room - 1 characters; the
// rest of the field is cleared. Returns the length stored.
template <class Ch> int store_text(unsigned char *at, std::size_t room, const Ch *text, const char *function, int field)
{
    char *to = reinterpret_cast<char *>(at);
    std::size_t n = 0;
    for (; text && text[n] && n < room - 1; ++n) to[n] = narrow(text[n]);
    std::memset(to + n, 0, room - n);
    if (text && text[n]) TarnTrace("+++ %s: text for field %d cut to %zu characters", function, field, n);
    return static_cast<int>(n);
}

int store_number(unsigned char *at, std::size_t room, int value, const char *function, int field)
{
    char digits[32];
    int n = std::snprintf(digits, sizeof digits, "%d", value);
    if (n < 0 || static_cast<std::size_t>(n) >= room) {
        TarnTrace("+++ %s: %d does not fit field %d", function, value, field);
        return 0;
    }
    store_text(at, room, digits, function, field);
    return 1;
}

template <class Ch> int set_field(SmcObject *obj, int field, va_list *args, const char *function)
{
    const FieldSpec *f = spec_of(field);
    if (!obj || !f) return 0;
    unsigned char *at = bytes_of(obj) + f->offset;
    switch (f->kind) {
    case Kind::Text: return store_text(at, f->room, va_arg(*args, const Ch *), function, field);
    case Kind::Flag: *at = va_arg(*args, int) ? 'Y' : 'N'; return 1;
    case Kind::DeltaCount: {
        int value = va_arg(*args, int);
        return store_number(at, f->room, value == 0 ? -1 : value, function, field);
    }
    case Kind::Number: return store_number(at, f->room, va_arg(*args, int), function, field);
    case Kind::FormatCode: *at = encode(kFormatBytes, va_arg(*args, int)); return 1;
    case Kind::CodeByte: *at = encode(kCodeBytes, va_arg(*args, int)); return 1;
    case Kind::Char: *at = static_cast<unsigned char>(narrow(static_cast<Ch>(va_arg(*args, int)))); return 1;
    case Kind::Unsigned32: {
        std::uint32_t value = va_arg(*args, unsigned int);
        std::memcpy(at, &value, sizeof value);
        return 1;
    }
    case Kind::Size:
    case Kind::DataArea: return 1;
    case Kind::CriterionText: {
        int index = va_arg(*args, int);
        const Ch *text = va_arg(*args, const Ch *);
        if (!criterion_in_range(index, function)) return 0;
        return store_text(at + f->stride * static_cast<std::size_t>(index), f->room, text, function, field);
    }
    case Kind::CriterionBit: {
        int index = va_arg(*args, int);
        bool on = va_arg(*args, int) != 0;
        if (!criterion_in_range(index, function)) return 0;
        unsigned char &flags = at[index];
        flags = static_cast<unsigned char>(on ? flags | f->bit : flags & ~f->bit);
        return 1;
    }
    case Kind::Criterion: {
        int index = va_arg(*args, int);
        const Ch *column = va_arg(*args, const Ch *);
        const Ch *relop = va_arg(*args, const Ch *);
        const Ch *value = va_arg(*args, const Ch *);
        if (!criterion_in_range(index, function)) return 0;
        auto store = [&](int part, const Ch *text) {
            const FieldSpec &p = kFields[part];
            return store_text(bytes_of(obj) + p.offset + p.stride * static_cast<std::size_t>(index), p.room, text,
                              function, part);
        };
        if (!store(ZE_SMC_CRITERION_COLUMN, column)) return 0;
        store(ZE_SMC_CRITERION_RELOP, relop);
        return store(ZE_SMC_CRITERION_VALUE, value);
    }
    case Kind::None: break;
    }
    return 0;
}

// Where a getter's out-pointers come from: the caller's argument list, or
// the single out-pointer of the wide getter (which hands out wide text).
struct ArgumentOuts {
    static constexpr bool wide = false;
    va_list *args;
    template <class T> T take() { return va_arg(*args, T); }
};

struct SingleOut {
    static constexpr bool wide = true;
    void *out;
    template <class T> T take() { return static_cast<T>(out); }
};

template <class T> int put(T *out, T value)
{
    if (out) *out = value;
    return 1;
}

int read_text(ArgumentOuts &outs, unsigned char *at, std::size_t room)
{
    char **out = outs.take<char **>();
    std::string_view text = text_at(at, room);
    if (out) *out = reinterpret_cast<char *>(at);
    return static_cast<int>(text.size());
}

int read_text(SingleOut &outs, unsigned char *at, std::size_t room)
{
    wchar_t *out = outs.take<wchar_t *>();
    std::string_view text = text_at(at, room);
    if (out) {
        for (std::size_t i = 0; i < text.size(); ++i) out[i] = static_cast<unsigned char>(text[i]);
        out[text.size()] = L'\0';
    }
    return static_cast<int>(text.size());
}

template <class Outs> int get_field(SmcObject *obj, int field, Outs outs, const char *function)
{
    const FieldSpec *f = spec_of(field);
    if (!obj || !f) return 0;
    unsigned char *at = bytes_of(obj) + f->offset;
    switch (f->kind) {
    case Kind::Text: return read_text(outs, at, f->room);
    case Kind::Flag: return put(outs.template take<int *>(), *at == 'Y' ? 1 : 0);
    case Kind::DeltaCount:
    case Kind::Number: return put(outs.template take<int *>(), field_number(obj, field));
    case Kind::FormatCode: return put(outs.template take<int *>(), decode(kFormatBytes, *at));
    case Kind::CodeByte: return put(outs.template take<int *>(), decode(kCodeBytes, *at));
    case Kind::Char: return put(outs.template take<char *>(), static_cast<char>(*at));
    case Kind::Unsigned32: {
        unsigned int value;
        std::memcpy(&value, at, sizeof value);
        return put(outs.template take<unsigned int *>(), value);
    }
    case Kind::Size: return put(outs.template take<int *>(), static_cast<int>(ZE_SMC_RECORD_SIZE));
    case Kind::DataArea: return put(outs.template take<char **>(), reinterpret_cast<char *>(at));
    case Kind::CriterionText:
    case Kind::CriterionBit:
    case Kind::Criterion:
        if constexpr (Outs::wide) {
            return 0;  // these take an index as well: the single-argument reader cannot serve them
        } else {
            int index = outs.template take<int>();
            if (!criterion_in_range(index, function)) return 0;
            if (f->kind == Kind::CriterionBit) return put(outs.template take<int *>(), (at[index] & f->bit) ? 1 : 0);
            auto read = [&](int part) {
                const FieldSpec &p = kFields[part];
                return read_text(outs, bytes_of(obj) + p.offset + p.stride * static_cast<std::size_t>(index), p.room);
            };
            if (f->kind == Kind::CriterionText) return read(field);
            if (!read(ZE_SMC_CRITERION_COLUMN)) return 0;
            read(ZE_SMC_CRITERION_RELOP);
            return read(ZE_SMC_CRITERION_VALUE);
        }
    case Kind::None: break;
    }
    return 0;
}

int view_size(std::string_view text) { return static_cast<int>(text.size()); }

std::string_view or_default(std::string_view text, std::string_view fallback) { return text.empty() ? fallback : text; }

SmcObject *load_file(const SmcObject *src, const char *fileName)
{
    TarnFileInfo info;
    if (!TarnGetFileInfo(fileName, &info) || info.isDirectory) return nullptr;
    if (info.size > SIZE_MAX - kFileHeaderSize) return nullptr;
    const std::size_t fileSize = static_cast<std::size_t>(info.size);
    const std::size_t recordSize = fileSize + kFileHeaderSize;

    // At least a whole record, so that every field and a copy stay inside the block.
    auto *obj = static_cast<SmcObject *>(ZE_ALLOC(std::max(recordSize, sizeof(SmcObject))));
    if (!obj) return nullptr;
    if (src) std::memcpy(obj, src, kFileHeaderSize);
    (void)std::snprintf(obj->recordLength, sizeof obj->recordLength, "%zu", recordSize);

    FILE *file = TarnOpenFile(fileName, "rb");
    if (!file) {
        ZE_FREE(obj);
        return nullptr;
    }
    unsigned char *dataArea = bytes_of(obj) + ZE_SMC_DATA_OFFSET;
    std::size_t read = fileSize ? std::fread(dataArea, 1, fileSize, file) : 0;
    TarnCloseFile(file);
    if (read < fileSize) {
        ZE_FREE(obj);
        return nullptr;
    }
    obj->formatCode[0] = encode(kFormatBytes, ZE_SMC_FORMAT_FILE);
    return obj;
}

void dump_csl(const SmcObject *obj, const char *prefix)
{
    const int count = field_number(obj, ZE_SMC_CRITERIA_COUNT);
    std::string_view command = field_text(obj, ZE_SMC_COMMAND), object = field_text(obj, ZE_SMC_OBJECT_NAME);
    TarnTrace("%s SMCDAT %s - command: %.*s  object: %.*s  count: %d", prefix ? prefix : "",
              ze::HandleText(obj).c_str(), view_size(command), command.data(), view_size(object), object.data(), count);

    std::string_view cursor = field_text(obj, ZE_SMC_CURSOR_ID), deltaCount = field_text(obj, ZE_SMC_DELTA_REC_COUNT);
    TarnTrace("Delta: %c  CursorId: %.*s  DeltaRecCnt: %.*s", obj->deltaFlag ? obj->deltaFlag : '0', view_size(cursor),
              cursor.data(), view_size(deltaCount), deltaCount.data());

    if (count < 1) return;
    TarnTrace("   Item  Column        RelOp Value");
    for (int i = 0; i < std::min(count, ZE_SMC_MAX_CRITERIA); ++i) {
        std::string_view column = field_text(obj, ZE_SMC_CRITERION_COLUMN, i);
        std::string_view relop = or_default(field_text(obj, ZE_SMC_CRITERION_RELOP, i), "NULL");
        std::string_view value = or_default(field_text(obj, ZE_SMC_CRITERION_VALUE, i), "NULL");
        TarnTrace("   %4d  %-15.*s %-4.*s <%.*s>", i + 1, view_size(column), column.data(), view_size(relop),
                  relop.data(), view_size(value), value.data());
    }
}

void dump_print_request(const SmcObject *obj)
{
    auto shown = [&](int field) { return or_default(field_text(obj, field), "<NULLSTRING>"); };
    std::string_view command = shown(ZE_SMC_COMMAND), reportName = shown(ZE_SMC_REPORT_NAME),
                     options = shown(ZE_SMC_REPORT_OPTIONS);
    TarnTrace("Print request %.*s - reportname %.*s  reportoptions %.*s", view_size(command), command.data(),
              view_size(reportName), reportName.data(), view_size(options), options.data());
    std::string_view node = shown(ZE_SMC_NODE), destNode = shown(ZE_SMC_DEST_NODE);
    TarnTrace("  node %.*s  destnode %.*s", view_size(node), node.data(), view_size(destNode), destNode.data());
}

}  // namespace

extern "C" {

// SMC records never trace a refused parameter: a NULL record gives 0 or NULL.

SmcObject *ZeNewSmcObject(void)
{
    return ZE_FRAME_QUIET({}, static_cast<SmcObject *>(nullptr), [] {
        auto *obj = ZE_NEW(SmcObject);
        if (obj) (void)std::snprintf(obj->recordLength, sizeof obj->recordLength, "%u", ZE_SMC_RECORD_SIZE);
        return obj;
    });
}

SmcObject *ZeCopySmcObject(const SmcObject *src)
{
    return ZE_FRAME_QUIET({{"Source", ze::given(src)}}, static_cast<SmcObject *>(nullptr), [&] {
        auto *copy = ZE_NEW(SmcObject);
        if (copy) std::memcpy(copy, src, sizeof *copy);
        return copy;
    });
}

void ZeFreeSmcObject(SmcObject *obj)
{
    ZE_FRAME_QUIET({{"Object", ze::given(obj)}}, [&] { ZE_FREE(obj); });
}

SmcObject *ZeCopyFileToSmcObject(const SmcObject *src, const char *fileName)
{
    return ZE_FRAME_QUIET({{"FileName", ze::given(fileName)}}, static_cast<SmcObject *>(nullptr),
                          [&] { return load_file(src, fileName); });
}

int ZeSetSmcField(SmcObject *obj, int field, ...)
{
    va_list args;
    va_start(args, field);
    int result = ZE_FRAME_QUIET({{"Object", ze::given(obj)}}, 0,
                                [&] { return set_field<wchar_t>(obj, field, &args, "ZeSetSmcField"); });
    va_end(args);
    return result;
}

int ZeSetSmcFieldAnsi(SmcObject *obj, int field, ...)
{
    va_list args;
    va_start(args, field);
    int result = ZE_FRAME_QUIET({{"Object", ze::given(obj)}}, 0,
                                [&] { return set_field<char>(obj, field, &args, "ZeSetSmcFieldAnsi"); });
    va_end(args);
    return result;
}

int ZeGetSmcFieldAnsi(SmcObject *obj, int field, ...)
{
    va_list args;
    va_start(args, field);
    int result = ZE_FRAME_QUIET({{"Object", ze::given(obj)}}, 0,
                                [&] { return get_field(obj, field, ArgumentOuts{&args}, "ZeGetSmcFieldAnsi"); });
    va_end(args);
    return result;
}

int ZeGetSmcField(SmcObject *obj, int field, void *out)
{
    return ZE_FRAME_QUIET({{"Object", ze::given(obj)}}, 0,
                          [&] { return get_field(obj, field, SingleOut{out}, "ZeGetSmcField"); });
}

int ZeSmcFormatIs(const SmcObject *obj, int format)
{
    return ZE_FRAME_QUIET({{"Object", ze::given(obj)}}, 0,
                          [&] { return decode(kFormatBytes, obj->formatCode[0]) == format ? 1 : 0; });
}

void ZeDumpSmcCsl(const SmcObject *obj, const char *prefix)
{
    ZE_FRAME_QUIET({{"Object", ze::given(obj)}}, [&] { dump_csl(obj, prefix); });
}

void ZeDumpSmcPrintRequest(const SmcObject *obj)
{
    ZE_FRAME_QUIET({{"Object", ze::given(obj)}}, [&] { dump_print_request(obj); });
}

}  // extern "C"
