// Typed values: each request value checked against its column's kind and
// turned into the form the node keeps (dates and times in their ordered
// form), and the node's dates and times turned back into the request's
// form for the answers. Dates are checked by the library's date service,
// as VALIDATE VALUE checks them, and read and written with its grammar.
#include "core.hpp"

#include "ZeDate.h"
#include "ZeDesc.h"
#include "ZeValidate.h"
#include "contract/utf8.hpp"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace routecore {

namespace {

constexpr const char *kTimeForm = "hh:mm[:ss[.hh]]";

[[noreturn]] void refuse(const Column &column, const std::string &what)
{
    fail(TARN_ROUTER_RC_VALUE_REFUSED, column.label + ": " + what);
}

// A whole number: an optional sign, then digits.
bool is_whole(std::string_view text)
{
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) text.remove_prefix(1);
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

// A whole number that fits in 32 bits, the range of the library's INT fields.
bool fits_32_bits(std::string_view text)
{
    if (text.front() == '+') text.remove_prefix(1);
    long long value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && value >= -2147483648LL && value <= 2147483647LL;
}

// A finite decimal number: sign, digits, an optional point and exponent.
bool is_number(std::string_view text)
{
    if (text.empty() || text.find_first_not_of("0123456789+-.eE") != std::string_view::npos) return false;
    const std::string copy(text);
    char *end = nullptr;
    const double value = std::strtod(copy.c_str(), &end);
    return end == copy.c_str() + copy.size() && std::isfinite(value);
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

// ------------------------------------------------------------ dates

// The request's date format read with the service's grammar: 1003 when
// the grammar refuses it.
date_format::Format parsed_format(std::string_view text)
{
    date_format::Format format{};
    if (date_format::parse_format(std::string(text).c_str(), format).error != date_format::FormatError::None)
        fail(TARN_ROUTER_RC_BAD_REQUEST, "The request's date format \"" + std::string(text) + "\" is not valid");
    return format;
}

// A date of the request's format in the node's form, YYYY-MM-DD.
std::string node_date(const Request &request, const Column &column, std::string_view value)
{
    const std::string format(request.dateFormat), text(value);
    if (request.dates) request.dates->hold();
    switch (ZeDateValidate(format.c_str(), text.c_str())) {
    case ZE_OK: break;
    case ZE_RC_DATE_SERVICE:
        fail(TARN_ROUTER_RC_STORAGE_ERROR, "Dates cannot be checked: the date service cannot be loaded");
    case ZE_RC_DATE_FORMAT:
        fail(TARN_ROUTER_RC_BAD_REQUEST, "The request's date format \"" + format + "\" is not valid");
    default: refuse(column, text + " is not a date in the form " + format);
    }
    date_format::Date date;
    const date_format::Format parsed = request.dates ? request.dates->format(format) : parsed_format(format);
    if (date_format::read_date(parsed, text.c_str(), date).error != date_format::DateError::None)
        refuse(column, text + " is not a date in the form " + format);
    std::string iso;
    date_format::write_iso(date, iso);
    return iso;
}

// ------------------------------------------------------------ times

// Whether the library's VALIDATE VALUE takes `value` as a time of day.
bool valid_time(const std::string &value)
{
    Descriptor *descriptor = nullptr;
    if (ZeCreateDescriptor(&descriptor) != ZE_OK) fail(ZE_RC_NO_MEMORY, "Out of memory");
    unsigned rc = ZeCreateField(descriptor, "TIME", "TYPE", "TIME", static_cast<char *>(nullptr));
    if (rc == ZE_OK) rc = ZeValidateValue(descriptor, ZeDateDefaultFormat(), "TIME", value.c_str());
    ZeDestroyDescriptor(descriptor);
    if (rc == ZE_RC_NO_MEMORY) fail(ZE_RC_NO_MEMORY, "Out of memory");
    return rc == ZE_OK;
}

// The number of a time's part ("" reads as 0, as VALIDATE VALUE reads it).
int part(std::string_view text)
{
    int value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

// A time of day as VALIDATE VALUE takes it (h:m[:s[.hh]]) in the node's
// form, HH:MM:SS or HH:MM:SS.hh.
std::string node_time(const Column &column, std::string_view value)
{
    const std::string text(trimmed(value));
    if (!valid_time(text)) refuse(column, std::string(value) + " is not a time of day (" + kTimeForm + ")");
    std::string_view rest = text;
    auto next = [&](char delimiter) {
        const std::size_t at = rest.find(delimiter);
        std::string_view token = rest.substr(0, at);
        rest = at == std::string_view::npos ? std::string_view() : rest.substr(at + 1);
        return token;
    };
    const int hours = part(next(':')), minutes = part(next(':')), seconds = part(next('.'));
    std::string node;
    date_format::append_number(node, hours, 2);
    node += ':';
    date_format::append_number(node, minutes, 2);
    node += ':';
    date_format::append_number(node, seconds, 2);
    if (!rest.empty()) {
        node += '.';
        date_format::append_number(node, part(rest), 2);
    }
    return node;
}

// A node's time (HH:MM:SS with any fraction) as answers show it: the
// fraction in hundredths. Anything else is shown as it is.
bool shown_time(std::string_view node, std::string &out)
{
    if (node.size() < 8 || node[2] != ':' || node[5] != ':') return false;
    out.assign(node.substr(0, 8));
    if (node.size() == 8) return true;
    if (node[8] != '.' || node.size() == 9) return false;
    out += '.';
    out += node[9];
    out += node.size() > 10 ? node[10] : '0';
    return true;
}

// ------------------------------------------------------------ criteria

bool ordering(Relop op) { return op != Relop::EQ && op != Relop::NE; }

// The value the node takes for `c`, a criterion on a column of `kind`.
std::string bound_value(const Request &request, const Column &column, const Criterion &c, bool patterns)
{
    const std::string_view value = c.value;
    if (column.kind == ValueKind::Text) {
        if (!utf8::valid(value)) refuse(column, "the value is not valid UTF-8");
        return std::string(value);
    }
    if (value.empty()) {
        if (ordering(c.op)) refuse(column, std::string(c.relop) + " needs a value to compare with");
        return {};
    }
    const bool pattern = patterns && is_pattern(c);
    switch (column.kind) {
    case ValueKind::Integer:
        if (pattern) return std::string(value);
        if (!is_whole(value)) refuse(column, std::string(value) + " is not a whole number");
        if (!fits_32_bits(value)) refuse(column, std::string(value) + " is outside -2147483648 to 2147483647");
        return std::string(value);
    case ValueKind::Real:
        if (!pattern && !is_number(value)) refuse(column, std::string(value) + " is not a number");
        return std::string(value);
    case ValueKind::Date: return node_date(request, column, value);
    case ValueKind::Time: return node_time(column, value);
    case ValueKind::Text: break;
    }
    return std::string(value);
}

}  // namespace

RequestDates::~RequestDates()
{
    if (held_) ZeDateReleaseService();
}

void RequestDates::hold()
{
    if (!held_) held_ = ZeDateHoldService() == ZE_OK;
}

const date_format::Format &RequestDates::format(std::string_view text)
{
    if (!format_ || text != text_) {
        format_ = parsed_format(text);
        text_ = text;
    }
    return *format_;
}

void type_criteria(const Request &request, const Table &table, std::vector<Criterion> &criteria)
{
    // '*' makes a pattern only where the command selects rows.
    const bool patterns = !request.writes() || request.command == Command::Delete;
    for (Criterion &c : criteria) {
        // COPY_KEY carries a key: it is checked as the key column.
        const Column &column = c.column ? *c.column : table.keyColumn();
        c.bound = bound_value(request, column, c, patterns);
    }
}

// ------------------------------------------------------------ answers

AnswerForm::AnswerForm(const Request &request, const Table &table) : buffers_(table.columns.size())
{
    if (!table.has_kind(ValueKind::Date)) return;
    dates_.emplace(parsed_format(request.dateFormat));
    dateTexts_.resize(table.columns.size() * (dates_->length() + 1));
}

const char *AnswerForm::converted(const char *value, int at, ValueKind kind)
{
    if (kind == ValueKind::Time) {
        std::string &buffer = buffers_[static_cast<std::size_t>(at)];
        return shown_time(value, buffer) ? buffer.c_str() : value;
    }
    date_format::Date date;
    if (!dates_ || !date_format::read_iso(value, date)) return value;
    char *text = dateTexts_.data() + static_cast<std::size_t>(at) * (dates_->length() + 1);
    dates_->write(date, text);
    return text;
}

}  // namespace routecore
