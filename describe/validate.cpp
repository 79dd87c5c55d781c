// Value validation: one check procedure per field type, found by TYPE in a
// keyed table, each explaining a refusal in the trace.
#include "ZeValidate.h"

#include "ZeDate.h"
#include "ZeKeyed.h"
#include "describe/desc.hpp"
#include "foundation/blocks.hpp"
#include "foundation/frame.hpp"
#include "contract/text.hpp"

#include <string>

ZE_SOURCE_TAG("ZeValDat");

namespace {

using namespace ze::describe;

// What every check procedure sees: the field, its name for the traces, the
// trimmed value and the date format.
struct Check {
    const char *name;
    const Field *field;
    const char *value;
    const char *dateFormat;
    const char *shown;    // the value as traces show it: masked for a PASSWORD field
    bool lengths = true;  // MIN LENGTH and MAX LENGTH apply
};

constexpr const char *kMasked = "********";

// Only zeros, and with `point` at most one '.'; the empty text is a zero text.
bool is_zero_text(const char *s, bool point)
{
    bool pointSeen = false;
    for (; *s; ++s) {
        if (*s == '0') continue;
        if (point && *s == '.' && !pointSeen) {
            pointSeen = true;
            continue;
        }
        return false;
    }
    return true;
}

bool is_unsigned_number(const char *s)
{
    if (is_zero_text(s, false)) return true;
    for (const char *p = s; *p; ++p)
        if (*p < '0' || *p > '9') return false;
    return TarnIntFromStr(s) != 0;
}

int int_bound(const char *bound) { return is_zero_text(bound, false) ? 0 : TarnIntFromStr(bound); }
double real_bound(const char *bound) { return is_zero_text(bound, true) ? 0.0 : TarnRealFromStr(bound); }

// A range with an absent or empty bound is not checked.
bool in_int_range(const char *value, const char *low, const char *upper)
{
    if (!ze::has_text(low) || !ze::has_text(upper)) return true;
    int v = TarnIntFromStr(value);
    return int_bound(low) <= v && v <= int_bound(upper);
}

bool in_real_range(const char *value, const char *low, const char *upper)
{
    if (!ze::has_text(low) || !ze::has_text(upper)) return true;
    double v = TarnRealFromStr(value);
    return real_bound(low) <= v && v <= real_bound(upper);
}

int length_bound(const char *bound) { return bound ? TarnIntFromStr(bound) : 0; }

unsigned check_length(const Check &c)
{
    if (!c.lengths) return ZE_OK;
    int length = static_cast<int>(TarnLengthOfStr(c.value));
    int min = length_bound(c.field->minLength);
    int max = length_bound(c.field->maxLength);
    if (length < min) {
        TarnTrace("**** Field (%s) MIN length = %d, value length = %d", c.name, min, length);
        return ZE_RC_TOO_SHORT;
    }
    if (length > max) {
        TarnTrace("**** Field (%s) MAX length = %d, value length = %d", c.name, max, length);
        return ZE_RC_TOO_LONG;
    }
    return ZE_OK;
}

unsigned check_valid_values(const Check &c)
{
    const char *const *valid = c.field->validValues;
    if (!valid) return ZE_OK;
    for (int i = 0; valid[i]; ++i)
        if (TarnCompareNoCaseStr(valid[i], c.value) == 0) return ZE_OK;
    TarnTrace("**** Value >%s< not valid for this field", c.shown);
    return ZE_RC_NOT_VALID_VALUE;
}

unsigned out_of_range(const Check &c)
{
    TarnTrace("**** Value = %s, not in range of %s to %s", c.shown, c.field->lowRange, c.field->upperRange);
    return ZE_RC_NOT_IN_RANGE;
}

// The value with every letter converted by `convert` equals the value.
bool unchanged_by(const char *value, char *(*convert)(char *))
{
    std::string copy(value);
    convert(copy.data());
    bool same = copy == value;
    explicit_bzero(copy.data(), copy.size());  // the value may be a password
    return same;
}

unsigned validate_text(const Check &c)
{
    TarnTrace("    Field (%s) is type TEXT", c.name);
    if (unsigned rc = check_length(c)) return rc;
    if (has_flag(c.field, ZE_FIELD_UPPERCASE)) {
        if (!unchanged_by(c.value, TarnUpperCaseStr)) {
            TarnTrace("**** Data must be uppercase, Value = >%s<", c.shown);
            return ZE_RC_NOT_UPPERCASE;
        }
    } else if (has_flag(c.field, ZE_FIELD_LOWERCASE) && !unchanged_by(c.value, TarnLowerCaseStr)) {
        TarnTrace("**** Data must be lowercase, Value = >%s<", c.shown);
        return ZE_RC_NOT_LOWERCASE;
    }
    return check_valid_values(c);
}

unsigned validate_date(const Check &c)
{
    TarnTrace("    Field (%s) is type DATE", c.name);
    if (unsigned rc = ze::check("validate_date_field", {{"Format", ze::has_text(c.dateFormat)}})) return rc;
    return ZeDateValidate(c.dateFormat, c.value);
}

unsigned time_format_error(const Check &c)
{
    TarnTrace("**** Invalid format : time = >%s<", c.shown);
    TarnTrace("**** Must be at least hh:mm");
    return ZE_RC_TIME_FORMAT;
}

bool time_part_ok(const char *part, const char *low, const char *upper)
{
    return is_unsigned_number(part) && in_int_range(part, low, upper);
}

// hh:mm[:ss[.hh]]. An empty hour or minute counts as missing.
unsigned validate_time(const Check &c)
{
    TarnTrace("    Field (%s) is type TIME", c.name);
    std::string copy(c.value);
    char *cursor = copy.data();
    const char *hours = TarnNextTokenInStr(&cursor, ":");
    if (!ze::has_text(hours)) return time_format_error(c);
    if (!time_part_ok(hours, "00", "23")) {
        TarnTrace("**** Error : Invalid hour specification.  Hour = >%s<", hours);
        return ZE_RC_BAD_HOUR;
    }
    const char *minutes = TarnNextTokenInStr(&cursor, ":");
    if (!ze::has_text(minutes)) return time_format_error(c);
    if (!time_part_ok(minutes, "00", "59")) {
        TarnTrace("**** Error : Invalid minute specification.  Minute = >%s<", minutes);
        return ZE_RC_BAD_MINUTE;
    }
    const char *seconds = TarnNextTokenInStr(&cursor, ".");
    if (!seconds) return ZE_OK;
    if (!time_part_ok(seconds, "00", "59")) {
        TarnTrace("**** Error : Invalid second specification.  Seconds = >%s<", seconds);
        return ZE_RC_BAD_SECONDS;
    }
    if (cursor && *cursor && !time_part_ok(cursor, "00", "99")) {
        TarnTrace("**** Error : Invalid hundredths of seconds specification, spec = >%s<", cursor);
        return ZE_RC_BAD_SECONDS;
    }
    return ZE_OK;
}

unsigned validate_integer(const Check &c)
{
    TarnTrace("   Field (%s) type is INTEGER", c.name);
    if (!is_zero_text(c.value, false)) {
        if (unsigned rc = check_length(c)) return rc;
        if (!is_unsigned_number(c.value)) {
            TarnTrace("****  Value = >%s< integer conversion failed", c.shown);
            return ZE_RC_NOT_IN_RANGE;
        }
    }
    return in_int_range(c.value, c.field->lowRange, c.field->upperRange) ? ZE_OK : out_of_range(c);
}

unsigned validate_real(const Check &c)
{
    TarnTrace("    Field (%s) type is REAL", c.name);
    if (!is_zero_text(c.value, true)) {
        if (unsigned rc = check_length(c)) return rc;
        if (TarnRealFromStr(c.value) == 0.0) {
            TarnTrace("****    Value = >%s< conversion failed", c.shown);
            return ZE_RC_NOT_REAL;
        }
    }
    return in_real_range(c.value, c.field->lowRange, c.field->upperRange) ? ZE_OK : out_of_range(c);
}

unsigned validate_bool(const Check &c)
{
    TarnTrace("    Field (%s), type is BOOLEAN", c.name);
    if (ze::equal_nocase(c.value, "TRUE") || ze::equal_nocase(c.value, "FALSE")) return ZE_OK;
    TarnTrace("**** Value must be 'TRUE' or 'FALSE'");
    return ZE_RC_NOT_BOOLEAN;
}

unsigned validate_ast_or_num(const Check &c)
{
    TarnTrace("    Field (%s), type is ASTORNUM", c.name);
    if (TarnCompareStr(c.value, "*") == 0) return ZE_OK;
    return validate_integer(c);
}

unsigned validate_general(const Check &c)
{
    TarnTrace("    Field (%s) is of unknown type", c.name);
    if (unsigned rc = check_length(c)) return rc;
    return check_valid_values(c);
}

template <unsigned (*Procedure)(const Check &)> unsigned handler(void *check, const char *, va_list *)
{
    return Procedure(*static_cast<const Check *>(check));
}

const ZeKeyedProcEntry kValidators[] = {
    {"TEXT", handler<validate_text>},      {"DATE", handler<validate_date>},           {"TIME", handler<validate_time>},
    {"INT", handler<validate_integer>},    {"REAL", handler<validate_real>},           {"BOOL", handler<validate_bool>},
    {"TIME_T", handler<validate_integer>}, {"ASTORNUM", handler<validate_ast_or_num>}, {nullptr, nullptr},
};

unsigned validate_by_type(Check &check)
{
    const char *type = check.field->type;
    ZeHandler procedure = nullptr;
    if (type && ZeLookupKeyedEntryProc(kValidators, type, &procedure) == ZE_OK) return procedure(&check, type, nullptr);
    if (type) TarnTrace("**** ZeValidateValue : Warning, no validation function for type %s", type);
    else TarnTrace("**** ZeValidateValue : Warning, no TYPE property for field %s", check.name);
    TarnTrace("****                   Calling the general validation function");
    return validate_general(check);
}

}  // namespace

namespace ze::describe {

unsigned validate_criterion(const Field *field, const char *dateFormat, const char *value)
{
    std::string copy(value);
    const char *trimmed = TarnTrimStr(copy.data());
    if (!*trimmed) return ZE_OK;
    Check check{field->name, field, trimmed, dateFormat, trimmed, false};
    return validate_by_type(check);
}

}  // namespace ze::describe

extern "C" {

unsigned int ZeValidateValue(Descriptor *descriptor, const char *dateFormat, const char *fieldName, const char *Value)
{
    return ZE_FRAME(
        {{"Descriptor", is_descriptor(descriptor)}, {"Field", ze::has_text(fieldName)}, {"Value", ze::given(Value)}},
        [&] {
            const Field *field = find_field(descriptor, fieldName);
            const bool secret = field && has_flag(field, ZE_FIELD_PASSWORD);
            TarnTrace("ZeValidateValue : Begin.  Field = >%s<, Value = >%s<", fieldName, secret ? kMasked : Value);
            if (!*Value) {
                TarnTrace("ZeValidateField : NULL value accepted, rc = %d", 0);
                return ZE_OK;
            }
            if (!field) {
                TarnTrace("**** ZeValidateField : Error, field (%s) not found in descriptor", fieldName);
                return ZE_RC_NO_ENTRY;
            }
            ze::SecretText copy(ZE_DUP(Value));
            unsigned rc = ZE_RC_NO_MEMORY;
            if (copy) {
                const char *trimmed = TarnTrimStr(copy.get());
                Check check{fieldName, field, trimmed, dateFormat, secret ? kMasked : trimmed};
                rc = validate_by_type(check);
            }
            TarnTrace("ZeValidateValue : Complete, rc = %d", static_cast<int>(rc));
            return rc;
        });
}

}  // extern "C"
