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
// The grammar of formats and dates (contract/date_format.hpp, told in
// ZeDate.h) is shared with the routers, which convert dates with it; this
// file turns its verdicts into the service's statuses and messages.
//
// The service keeps no state outside the handle and never reads beyond the
// blocks: a format without a terminator in its 32 bytes and a date without
// one in its 128 are refused.
#include "contract/date_format.hpp"
#include "contract/date_service.hpp"

#include <cstdarg>
#include <cstdio>

namespace {

namespace ds = date_service;
namespace df = date_format;

constexpr std::uint32_t kOpenMark = 0x5444564Bu;  // "KVDT"
constexpr const char *kDefaultFormat = "mm/dd/yyyy";

// The handle as the service fills it.
struct Session {
    std::uint32_t mark;  // kOpenMark between operations 9 and 3
    df::Format format;
};
static_assert(sizeof(Session) <= ds::kHandleSize);

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

std::uint32_t parse_format(const char *text, df::Format &out, Message &message)
{
    const df::FormatProblem p = df::parse_format(text, out);
    switch (p.error) {
    case df::FormatError::None: return ds::kSuccess;
    case df::FormatError::Empty: return message.set(ds::kBadFormat, "KVS-E-FMTEMPTY, empty date format");
    case df::FormatError::BadToken:
        return message.set(ds::kBadFormat, "KVS-E-BADTOKEN, unknown token \"%.*s\" at position %zu of the format",
                           static_cast<int>(p.length), text + p.position, p.position + 1);
    case df::FormatError::BadCharacter:
        return message.set(ds::kBadFormat, "KVS-E-BADTOKEN, character 0x%02X at position %zu of the format",
                           static_cast<unsigned>(static_cast<unsigned char>(text[p.position])), p.position + 1);
    case df::FormatError::DuplicateField:
        return message.set(ds::kBadFormat, "KVS-E-DUPFIELD, second %s field at position %zu of the format",
                           df::kKindNames[p.kind], p.position + 1);
    case df::FormatError::SeparatorAtEnd:
        return message.set(ds::kBadFormat, "KVS-E-BADSEP, the format must begin and end with a field");
    case df::FormatError::TooManySeparators:
        return message.set(ds::kBadFormat, "KVS-E-BADSEP, more than %zu separators between two fields",
                           df::kMaxSeparators);
    case df::FormatError::NoField:
        return message.set(ds::kBadFormat, "KVS-E-NOFIELD, the format has no %s field", df::kKindNames[p.kind]);
    }
    return ds::kBadFormat;
}

std::uint32_t check_date(const df::Format &format, const char *date, Message &message)
{
    df::Date d;
    const df::DateProblem p = df::read_date(format, date, d);
    switch (p.error) {
    case df::DateError::None: return message.set(ds::kSuccess, "KVS-S-NORMAL, valid date");
    case df::DateError::FieldExpected:
        return message.set(ds::kBadDate, "KVS-E-BADDATE, %s expected at position %zu of the date",
                           df::field_name(p.field), p.position + 1);
    case df::DateError::SeparatorExpected:
        return message.set(ds::kBadDate, "KVS-E-BADDATE, \"%c\" expected at position %zu of the date", p.separator,
                           p.position + 1);
    case df::DateError::TrailingText:
        return message.set(ds::kBadDate, "KVS-E-BADDATE, unexpected text at position %zu of the date", p.position + 1);
    default: break;
    }
    const df::Date &read = p.read;  // a range refused
    if (p.error == df::DateError::BadYear)
        return message.set(ds::kDateRange, "KVS-E-BADYEAR, year %d is not in 1 to 9999", read.year);
    if (p.error == df::DateError::BadMonth)
        return message.set(ds::kDateRange, "KVS-E-BADMONTH, month %d is not in 1 to 12", read.month);
    return message.set(ds::kDateRange, "KVS-E-BADDAY, day %d is not in 1 to %d for month %d of %04d", read.day,
                       df::days_in_month(read.month, read.year), read.month, read.year);
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
