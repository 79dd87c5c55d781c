// Date formats and dates as the suite's date service reads them (the rules
// are told in ZeDate.h): the service kvscomn checks dates with this
// grammar, and the routers, which turn a request's dates into a node's
// ordered form and back, read and write dates with it, so that every date
// they accept or show is one the service accepts.
#pragma once

#include <cstddef>
#include <cstdint>
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

// The date written in `format`: days and months with two digits, month
// names as "Jan", two-digit years as the last two digits of the year.
inline void write_date(const Format &format, const Date &d, std::string &out)
{
    out.clear();
    for (std::size_t k = 0; k < kFieldCount; ++k) {
        switch (Field(format.fields[k])) {
        case kDay: append_number(out, d.day, 2); break;
        case kMonth: append_number(out, d.month, 2); break;
        case kMonthName:
            out += static_cast<char>(kMonthNames[d.month - 1][0] - 'a' + 'A');
            out.append(kMonthNames[d.month - 1] + 1, 2);
            break;
        case kYear2: append_number(out, d.year % 100, 2); break;
        default: append_number(out, d.year, 4); break;
        }
        for (std::size_t s = 0; k + 1 < kFieldCount && s < kMaxSeparators && format.separators[k][s]; ++s)
            out += format.separators[k][s];
    }
}

// ------------------------------------------------------------ ISO 8601

// "YYYY-MM-DD", the ordered form a node keeps; false for anything else.
inline bool read_iso(std::string_view text, Date &out)
{
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') return false;
    for (std::size_t i : {0, 1, 2, 3, 5, 6, 8, 9})
        if (!is_digit(text[i])) return false;
    auto number = [&](std::size_t at, std::size_t n) {
        int v = 0;
        for (std::size_t i = at; i < at + n; ++i) v = v * 10 + (text[i] - '0');
        return v;
    };
    Date d{number(0, 4), number(5, 2), number(8, 2)};
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
