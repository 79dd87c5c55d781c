// Date formats and dates as the suite's date service reads them (the rules
// are told in ZeDate.h): the service kvscomn checks dates with this
// grammar, and the routers, which turn a request's dates into a node's
// ordered form and back, read and write dates with it, so that every date
// they accept or show is one the service accepts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace date_format {

enum Field : std::uint8_t { kNoField, kDay, kMonth, kMonthName, kYear2, kYear4 };

constexpr std::size_t kFieldCount = 3;
constexpr std::size_t kMaxSeparators = 4;
constexpr const char *kKindNames[kFieldCount] = {"day", "month", "year"};
constexpr const char *kMonthNames[12] = {"jan", "feb", "mar", "apr", "may", "jun",
                                         "jul", "aug", "sep", "oct", "nov", "dec"};

// A parsed format: the fields in order and the separators after the first two.
struct Format {
    std::uint8_t fields[kFieldCount];
    char separators[kFieldCount - 1][kMaxSeparators];  // zero-padded
};

struct Date {
    int year = 0, month = 0, day = 0;
};

inline bool is_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
inline bool is_digit(char c) { return c >= '0' && c <= '9'; }
inline char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
inline bool is_separator(char c) { return c >= ' ' && c <= '~' && !is_letter(c) && !is_digit(c); }

inline Field field_of(char letter, std::size_t length)
{
    if (letter == 'd' && length == 2) return kDay;
    if (letter == 'm' && length == 2) return kMonth;
    if (letter == 'm' && length == 3) return kMonthName;
    if (letter == 'y' && length == 2) return kYear2;
    if (letter == 'y' && length == 4) return kYear4;
    return kNoField;
}

// 0 day, 1 month, 2 year: each kind appears once in a format.
inline int kind_of(Field field)
{
    switch (field) {
    case kDay: return 0;
    case kMonth:
    case kMonthName: return 1;
    default: return 2;
    }
}

inline const char *field_name(Field field) { return field == kMonthName ? "month name" : kKindNames[kind_of(field)]; }

// ------------------------------------------------------------ formats

enum class FormatError {
    None,
    Empty,
    BadToken,
    BadCharacter,
    DuplicateField,
    SeparatorAtEnd,
    TooManySeparators,
    NoField
};

// What was wrong with a format, and where (positions from 0).
struct FormatProblem {
    FormatError error = FormatError::None;
    std::size_t position = 0;
    std::size_t length = 0;  // of a bad token
    int kind = 0;            // of a duplicate or missing field

    FormatProblem() = default;
    FormatProblem(FormatError e, std::size_t at, std::size_t n = 0, int k = 0)
        : error(e), position(at), length(n), kind(k)
    {}
};

inline FormatProblem parse_format(const char *text, Format &out)
{
    if (!*text) return {FormatError::Empty, 0};
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
            if (field == kNoField) return {FormatError::BadToken, i, end - i};
            const int kind = kind_of(field);
            if (seen[kind]) return {FormatError::DuplicateField, i, 0, kind};
            seen[kind] = true;
            format.fields[count++] = field;
            separators = 0;
            i = end;
            continue;
        }
        if (!is_separator(c)) return {FormatError::BadCharacter, i};
        if (count == 0 || count == kFieldCount) return {FormatError::SeparatorAtEnd, i};
        if (separators == kMaxSeparators) return {FormatError::TooManySeparators, i};
        format.separators[count - 1][separators++] = c;
        ++i;
    }
    for (std::size_t kind = 0; kind < kFieldCount; ++kind)
        if (!seen[kind]) return {FormatError::NoField, 0, 0, static_cast<int>(kind)};
    out = format;
    return {};
}

// ------------------------------------------------------------ dates

inline bool is_leap(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

inline int days_in_month(int month, int year)
{
    constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && is_leap(year) ? 29 : kDays[month - 1];
}

enum class DateError { None, FieldExpected, SeparatorExpected, TrailingText, BadYear, BadMonth, BadDay };

// What was wrong with a date, and where (positions from 0).
struct DateProblem {
    DateError error = DateError::None;
    std::size_t position = 0;
    Field field = kNoField;  // the field expected
    char separator = 0;      // the separator expected
    Date read;               // the fields as read, when a range is refused

    DateProblem() = default;
    DateProblem(DateError e, std::size_t at, Field f = kNoField, char sep = 0, Date d = {})
        : error(e), position(at), field(f), separator(sep), read(d)
    {}
};

// Reads min to max digits at date[pos]; false when fewer than min are there.
inline bool read_number(const char *date, std::size_t &pos, std::size_t min, std::size_t max, int &value)
{
    std::size_t n = 0;
    value = 0;
    while (n < max && is_digit(date[pos + n])) value = value * 10 + (date[pos + n++] - '0');
    pos += n;
    return n >= min;
}

inline bool read_month_name(const char *date, std::size_t &pos, int &month)
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

// Year 1 to 9999, month 1 to 12, a day its month has.
inline DateError check_ranges(const Date &d)
{
    if (d.year < 1 || d.year > 9999) return DateError::BadYear;
    if (d.month < 1 || d.month > 12) return DateError::BadMonth;
    if (d.day < 1 || d.day > days_in_month(d.month, d.year)) return DateError::BadDay;
    return DateError::None;
}

// The date `text` of `format`: the fields in the format's order, the
// separators exactly as written, nothing after, a day its month has.
inline DateProblem read_date(const Format &format, const char *text, Date &out)
{
    Date d;
    std::size_t pos = 0;
    for (std::size_t k = 0; k < kFieldCount; ++k) {
        // Without a separator after it, a day or month must fill both digits.
        const bool fieldFollows = k + 1 < kFieldCount && format.separators[k][0] == '\0';
        const std::size_t start = pos;
        const Field field = Field(format.fields[k]);
        bool ok = false;
        switch (field) {
        case kDay: ok = read_number(text, pos, fieldFollows ? 2 : 1, 2, d.day); break;
        case kMonth: ok = read_number(text, pos, fieldFollows ? 2 : 1, 2, d.month); break;
        case kMonthName: ok = read_month_name(text, pos, d.month); break;
        case kYear2:
            ok = read_number(text, pos, 2, 2, d.year);
            d.year += d.year < 69 ? 2000 : 1900;
            break;
        default: ok = read_number(text, pos, 4, 4, d.year); break;
        }
        if (!ok) return {DateError::FieldExpected, start, field};
        for (std::size_t s = 0; k + 1 < kFieldCount && s < kMaxSeparators && format.separators[k][s]; ++s, ++pos)
            if (text[pos] != format.separators[k][s])
                return {DateError::SeparatorExpected, pos, kNoField, format.separators[k][s]};
    }
    if (text[pos]) return {DateError::TrailingText, pos};
    if (DateError error = check_ranges(d); error != DateError::None) return {error, pos, kNoField, 0, d};
    out = d;
    return {};
}

// Appends `value` in `digits` digits, with leading zeros.
inline void append_number(std::string &out, int value, int digits)
{
    char text[8];
    for (int i = digits - 1; i >= 0; --i, value /= 10) text[i] = static_cast<char>('0' + value % 10);
    out.append(text, static_cast<std::size_t>(digits));
}

// Writes dates in one format: days and months with two digits, month names
// as "Jan", two-digit years as the last two digits of the year. Every field
// has a fixed width, so a date is its format's template with the fields put
// in place.
class Writer {
public:
    explicit Writer(const Format &format)
    {
        for (std::size_t k = 0; k < kFieldCount; ++k) {
            const Field field = Field(format.fields[k]);
            slots_[k] = {field, static_cast<std::uint8_t>(template_.size())};
            template_.append(width(field), '0');
            for (std::size_t s = 0; k + 1 < kFieldCount && s < kMaxSeparators && format.separators[k][s]; ++s)
                template_ += format.separators[k][s];
        }
    }

    // Characters of every date's text, without the terminator.
    std::size_t length() const { return template_.size(); }

    // The date's text, terminated, into `out` (length() + 1 characters).
    void write(const Date &d, char *out) const
    {
        std::memcpy(out, template_.c_str(), template_.size() + 1);
        for (const Slot &slot : slots_) {
            char *at = out + slot.offset;
            switch (slot.field) {
            case kDay: put(at, d.day, 2); break;
            case kMonth: put(at, d.month, 2); break;
            case kMonthName:
                at[0] = static_cast<char>(kMonthNames[d.month - 1][0] - 'a' + 'A');
                at[1] = kMonthNames[d.month - 1][1];
                at[2] = kMonthNames[d.month - 1][2];
                break;
            case kYear2: put(at, d.year % 100, 2); break;
            default: put(at, d.year, 4); break;
            }
        }
    }

private:
    struct Slot {
        Field field;
        std::uint8_t offset;
    };

    static std::size_t width(Field field) { return field == kYear4 ? 4 : field == kMonthName ? 3 : 2; }

    static void put(char *at, int value, int digits)
    {
        for (int i = digits - 1; i >= 0; --i, value /= 10) at[i] = static_cast<char>('0' + value % 10);
    }

    std::string template_;
    Slot slots_[kFieldCount]{};
};

// ------------------------------------------------------------ ISO 8601

// "YYYY-MM-DD", the ordered form a node keeps (terminated); false for
// anything else.
inline bool read_iso(const char *text, Date &out)
{
    int digits[8];
    std::size_t n = 0;
    for (std::size_t i = 0; i < 10; ++i) {
        if (i == 4 || i == 7) {
            if (text[i] != '-') return false;
        } else if (is_digit(text[i])) {
            digits[n++] = text[i] - '0';
        } else {
            return false;
        }
    }
    if (text[10]) return false;
    const Date d{digits[0] * 1000 + digits[1] * 100 + digits[2] * 10 + digits[3], digits[4] * 10 + digits[5],
                 digits[6] * 10 + digits[7]};
    if (check_ranges(d) != DateError::None) return false;
    out = d;
    return true;
}

inline void write_iso(const Date &d, std::string &out)
{
    out.clear();
    append_number(out, d.year, 4);
    out += '-';
    append_number(out, d.month, 2);
    out += '-';
    append_number(out, d.day, 2);
}

}  // namespace date_format
