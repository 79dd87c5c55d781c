// kvscomn: the suite's date service, one entry point
//
//   vrndate(handle, statusBlock, operation, parameterBlock) -> status
//
// Operations: 9 opens the 16-byte handle (its format becomes "mm/dd/yyyy"),
// 12 sets the format held in the buffer that the parameter block points to,
// 4 checks the date held inline in the parameter block against the handle's
// format, 3 closes the handle. A refused format leaves the handle's format
// as it was. Every call writes a message into the status block (bytes 8 to
// 87): a success note or the reason for a refusal.
//
// Format grammar: the fields dd (day), mm (month number), mmm (English month
// name), yy and yyyy (year), letters in any case, each of day, month and year
// exactly once; 0 to 4 separator characters (printable, neither letter nor
// digit) between fields, none before the first or after the last.
//
// Dates: separators exactly as in the format; dd and mm take 1 or 2 digits
// where a separator or the end follows, exactly 2 where a field follows
// directly; mmm takes three letters (any case); yy two digits (00-68 are
// 2000-2068, 69-99 are 1969-1999); yyyy four digits, 0001-9999. The day must
// exist in its month, with Gregorian leap years.
//
// The service keeps no state outside the handle and never reads beyond the
// blocks: a format without a terminator in its 32 bytes and a date without
// one in its 128 are refused.
#include "contract/date_service.hpp"

#include <cstdarg>
#include <cstdio>

namespace {

namespace ds = date_service;

enum Field : std::uint8_t { kNoField, kDay, kMonth, kMonthName, kYear2, kYear4 };

constexpr std::size_t kFieldCount = 3;
constexpr std::size_t kMaxSeparators = 4;
constexpr std::uint32_t kOpenMark = 0x5444564Bu;  // "KVDT"
constexpr const char *kDefaultFormat = "mm/dd/yyyy";

// A parsed format: the fields in order and the separators after the first two.
struct Format {
    std::uint8_t fields[kFieldCount];
    char separators[kFieldCount - 1][kMaxSeparators];  // zero-padded
};

// The handle as the service fills it.
struct Session {
    std::uint32_t mark;  // kOpenMark between operations 9 and 3
    Format format;
};
static_assert(sizeof(Session) <= ds::kHandleSize);

constexpr const char *kMonthNames[12] = {"jan", "feb", "mar", "apr", "may", "jun",
                                         "jul", "aug", "sep", "oct", "nov", "dec"};

// The message area of the status block (or a scratch area without one).
class Message {
public:
    explicit Message(char *area) : area_(area) {}

    __attribute__((format(printf, 3, 4))) std::uint32_t set(std::uint32_t status, const char *format, ...)
    {
        va_list args;
        va_start(args, format);
        (void)std::vsnprintf(area_, sizeof(ds::StatusBlock::message), format, args);  // a long message is cut
        va_end(args);
        return status;
    }

private:
    char *area_;
};

bool is_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool is_digit(char c) { return c >= '0' && c <= '9'; }
char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
bool is_separator(char c) { return c >= ' ' && c <= '~' && !is_letter(c) && !is_digit(c); }

Field field_of(char letter, std::size_t length)
{
    if (letter == 'd' && length == 2) return kDay;
    if (letter == 'm' && length == 2) return kMonth;
    if (letter == 'm' && length == 3) return kMonthName;
    if (letter == 'y' && length == 2) return kYear2;
    if (letter == 'y' && length == 4) return kYear4;
    return kNoField;
}

// 0 day, 1 month, 2 year: each kind appears once in a format.
int kind_of(Field field)
{
    switch (field) {
    case kDay: return 0;
    case kMonth:
    case kMonthName: return 1;
    default: return 2;
    }
}

constexpr const char *kKindNames[kFieldCount] = {"day", "month", "year"};

const char *field_name(Field field) { return field == kMonthName ? "month name" : kKindNames[kind_of(field)]; }

std::uint32_t parse_format(const char *text, Format &out, Message &message)
{
    if (!*text) return message.set(ds::kBadFormat, "KVS-E-FMTEMPTY, empty date format");
    Format format{};
    bool seen[kFieldCount] = {};
    std::size_t count = 0;
    std::size_t separators = 0;
    for (std::size_t i = 0; text[i];) {
        const char c = text[i];
        if (is_letter(c)) {
            std::size_t end = i;
            while (lower(text[end]) == lower(c)) ++end;
            const Field field = field_of(lower(c), end - i);
            if (field == kNoField)
                return message.set(ds::kBadFormat,
                                   "KVS-E-BADTOKEN, unknown token \"%.*s\" at position %zu of the format",
                                   static_cast<int>(end - i), text + i, i + 1);
            const int kind = kind_of(field);
            if (seen[kind])
                return message.set(ds::kBadFormat, "KVS-E-DUPFIELD, second %s field at position %zu of the format",
                                   kKindNames[kind], i + 1);
            seen[kind] = true;
            format.fields[count++] = field;
            separators = 0;
            i = end;
            continue;
        }
        if (!is_separator(c))
            return message.set(ds::kBadFormat, "KVS-E-BADTOKEN, character 0x%02X at position %zu of the format",
                               static_cast<unsigned>(static_cast<unsigned char>(c)), i + 1);
        if (count == 0 || count == kFieldCount)
            return message.set(ds::kBadFormat, "KVS-E-BADSEP, the format must begin and end with a field");
        if (separators == kMaxSeparators)
            return message.set(ds::kBadFormat, "KVS-E-BADSEP, more than %zu separators between two fields",
                               kMaxSeparators);
        format.separators[count - 1][separators++] = c;
        ++i;
    }
    for (std::size_t kind = 0; kind < kFieldCount; ++kind)
        if (!seen[kind])
            return message.set(ds::kBadFormat, "KVS-E-NOFIELD, the format has no %s field", kKindNames[kind]);
    out = format;
    return ds::kSuccess;
}

// Reads min to max digits at date[pos]; false when fewer than min are there.
bool read_number(const char *date, std::size_t &pos, std::size_t min, std::size_t max, int &value)
{
    std::size_t n = 0;
    value = 0;
    while (n < max && is_digit(date[pos + n])) value = value * 10 + (date[pos + n++] - '0');
    pos += n;
    return n >= min;
}

bool read_month_name(const char *date, std::size_t &pos, int &month)
{
    for (int m = 0; m < 12; ++m) {
        const char *name = kMonthNames[m];
        if (lower(date[pos]) == name[0] && lower(date[pos + 1]) == name[1] && lower(date[pos + 2]) == name[2]) {
            month = m + 1;
            pos += 3;
            return true;
        }
    }
    return false;
}

bool is_leap(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int days_in_month(int month, int year)
{
    constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && is_leap(year) ? 29 : kDays[month - 1];
}

std::uint32_t check_ranges(int day, int month, int year, Message &message)
{
    if (year < 1 || year > 9999) return message.set(ds::kDateRange, "KVS-E-BADYEAR, year %d is not in 1 to 9999", year);
    if (month < 1 || month > 12)
        return message.set(ds::kDateRange, "KVS-E-BADMONTH, month %d is not in 1 to 12", month);
    const int last = days_in_month(month, year);
    if (day < 1 || day > last)
        return message.set(ds::kDateRange, "KVS-E-BADDAY, day %d is not in 1 to %d for month %d of %04d", day, last,
                           month, year);
    return message.set(ds::kSuccess, "KVS-S-NORMAL, valid date");
}

std::uint32_t check_date(const Format &format, const char *date, Message &message)
{
    int day = 0, month = 0, year = 0;
    std::size_t pos = 0;
    for (std::size_t k = 0; k < kFieldCount; ++k) {
        // Without a separator after it, a day or month must fill both digits.
        const bool fieldFollows = k + 1 < kFieldCount && format.separators[k][0] == '\0';
        const std::size_t start = pos;
        bool ok = false;
        switch (format.fields[k]) {
        case kDay: ok = read_number(date, pos, fieldFollows ? 2 : 1, 2, day); break;
        case kMonth: ok = read_number(date, pos, fieldFollows ? 2 : 1, 2, month); break;
        case kMonthName: ok = read_month_name(date, pos, month); break;
        case kYear2:
            ok = read_number(date, pos, 2, 2, year);
            year += year < 69 ? 2000 : 1900;
            break;
        default: ok = read_number(date, pos, 4, 4, year); break;
        }
        if (!ok)
            return message.set(ds::kBadDate, "KVS-E-BADDATE, %s expected at position %zu of the date",
                               field_name(Field(format.fields[k])), start + 1);
        for (std::size_t s = 0; k + 1 < kFieldCount && s < kMaxSeparators && format.separators[k][s]; ++s, ++pos)
            if (date[pos] != format.separators[k][s])
                return message.set(ds::kBadDate, "KVS-E-BADDATE, \"%c\" expected at position %zu of the date",
                                   format.separators[k][s], pos + 1);
    }
    if (date[pos])
        return message.set(ds::kBadDate, "KVS-E-BADDATE, unexpected text at position %zu of the date", pos + 1);
    return check_ranges(day, month, year, message);
}

bool has_terminator(const char *text, std::size_t size) { return std::memchr(text, '\0', size) != nullptr; }

std::uint32_t set_format(Session &session, const ds::ParameterBlock &parameters, Message &message)
{
    const char *text = ds::format_buffer(parameters);
    if (!text) return message.set(ds::kBadFormat, "KVS-E-NOFORMAT, no date format buffer");
    if (!has_terminator(text, ds::kFormatBufferSize))
        return message.set(ds::kBadFormat, "KVS-E-FMTLONG, date format longer than %zu characters",
                           ds::kMaxFormatLength);
    if (std::uint32_t status = parse_format(text, session.format, message); status != ds::kSuccess) return status;
    return message.set(ds::kSuccess, "KVS-S-NORMAL, date format set");
}

std::uint32_t validate(const Session &session, const ds::ParameterBlock &parameters, Message &message)
{
    if (!has_terminator(parameters.date, sizeof parameters.date))
        return message.set(ds::kBadDate, "KVS-E-DATELONG, date longer than %zu characters", ds::kMaxDateLength);
    return check_date(session.format, parameters.date, message);
}

std::uint32_t run(void *handle, std::uint32_t operation, const ds::ParameterBlock *parameters, Message &message)
{
    if (operation != ds::kOpen && operation != ds::kSetFormat && operation != ds::kValidate && operation != ds::kClose)
        return message.set(ds::kBadOperation, "KVS-E-BADOPER, unknown operation %u", operation);
    if (!handle) return message.set(ds::kNoHandle, "KVS-E-NOHANDLE, no date service handle");
    Session session;
    std::memcpy(&session, handle, sizeof session);
    if (operation == ds::kOpen) {
        session = Session{kOpenMark, {}};
        parse_format(kDefaultFormat, session.format, message);
        std::memcpy(handle, &session, sizeof session);
        return message.set(ds::kSuccess, "KVS-S-NORMAL, date service open");
    }
    if (session.mark != kOpenMark) return message.set(ds::kNoHandle, "KVS-E-NOTOPEN, the date service is not open");
    if (operation == ds::kClose) {
        std::memset(handle, 0, ds::kHandleSize);
        return message.set(ds::kSuccess, "KVS-S-NORMAL, date service closed");
    }
    if (!parameters) return message.set(ds::kNoBlock, "KVS-E-NOBLOCK, no parameter block");
    if (operation == ds::kValidate) return validate(session, *parameters, message);
    const std::uint32_t status = set_format(session, *parameters, message);
    if (status == ds::kSuccess) std::memcpy(handle, &session, sizeof session);
    return status;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) std::uint32_t vrndate(void *handle, void *statusBlock,
                                                                        std::uint32_t operation, void *parameterBlock)
{
    if (!statusBlock) return ds::kNoBlock;
    Message message(static_cast<ds::StatusBlock *>(statusBlock)->message);
    return run(handle, operation, static_cast<const ds::ParameterBlock *>(parameterBlock), message);
}
