// The criteria of a selection (SELECT, LIST, DELETE), checked against the
// descriptor before anything is sent and made ready for the node: a value
// on a typed field must pass VALIDATE VALUE's check of its type (with the
// info's date format; the length bounds do not apply to criteria),
// a value on a field with VALID VALUES must be one of them, a pattern on
// such a field becomes the display values it matches, and a value on an
// UPPERCASE (LOWERCASE) field is folded to that case as the nodes fold.
#include "requests/itemops.hpp"

#include "ZeDate.h"
#include "ZeValidate.h"
#include "contract/relop.hpp"
#include "contract/utf8.hpp"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

// One criterion as the caller gave it.
struct Given {
    const char *column;
    const char *relop;
    std::string value;
};

// '*' matches any run of characters; letters compare ignoring case.
bool matches(std::string_view pattern, std::string_view text)
{
    const std::size_t star = pattern.find('*');
    if (star == std::string_view::npos) return ze::equal_nocase(pattern, text);
    if (text.size() < star || !ze::equal_nocase(pattern.substr(0, star), text.substr(0, star))) return false;
    const std::string_view rest = pattern.substr(star + 1);
    for (std::size_t from = star; from <= text.size(); ++from)
        if (matches(rest, text.substr(from))) return true;
    return false;
}

std::string joined(const char **values, int count)
{
    std::string text;
    for (int i = 0; i < count && values[i]; ++i) text += (i ? ", " : "") + std::string(values[i]);
    return text;
}

// What a refusal code of VALIDATE VALUE says of a value on `field`.
std::string reason(unsigned code, Field *field, const char *dateFormat)
{
    const char *low = nullptr, *high = nullptr;
    switch (code) {
    case ZE_RC_TIME_FORMAT:
    case ZE_RC_BAD_HOUR:
    case ZE_RC_BAD_MINUTE:
    case ZE_RC_BAD_SECONDS: return "is not a time of day (hh:mm[:ss[.hh]])";
    case ZE_RC_NOT_IN_RANGE:
        ZeGetAttribute(field, "LOW RANGE", &low);
        ZeGetAttribute(field, "UPPER RANGE", &high);
        if (ze::has_text(low) && ze::has_text(high))
            return "is not a number from " + std::string(low) + " to " + std::string(high);
        return "is not a number";
    case ZE_RC_NOT_REAL: return "is not a number";
    case ZE_RC_NOT_BOOLEAN: return "is neither TRUE nor FALSE";
    case ZE_RC_DATE_SERVICE: return "cannot be checked: the date service cannot be loaded";
    case ZE_RC_DATE_FORMAT: return "cannot be checked: the date format " + std::string(dateFormat) + " is refused";
    case ZE_RC_DATE_INVALID: return "is not a date in the form " + std::string(dateFormat);
    default: return "is refused (code " + std::to_string(code) + ")";
    }
}

class Selection {
public:
    Selection(Descriptor *descriptor, DtsInfo *info, DtsResult *result)
        : descriptor_(descriptor), result_(result), dateFormat_(ZeDtsInfoField(info, ZE_INFO_DATEFORMAT))
    {
        if (!ze::has_text(dateFormat_)) dateFormat_ = ZeDateDefaultFormat();
    }

    // Appends `c` to `out` as the node is to see it: 0, or the refusal's code.
    unsigned add(const Given &c, Filter *out)
    {
        Field *field = nullptr;
        const std::string_view value = c.value;
        if (value.empty() || ZeGetFieldByName(descriptor_, &field, c.column) != ZE_OK) return append(out, c);
        const char *type = nullptr;
        ZeGetAttribute(field, "TYPE", &type);
        const char **valid = nullptr;
        int count = 0;
        ZeGetAttribute(field, "VALID VALUES", &valid, &count);
        if (valid) return add_listed(c, valid, count, out);
        if (!type || ze::equal_nocase(type, "TEXT")) return add_text(c, field, out);
        const unsigned rc = ze::describe::validate_criterion(field, dateFormat_, c.value.c_str());
        if (rc == ZE_OK) return append(out, c);
        return refuse(c, rc,
                      value.find('*') != std::string_view::npos ? "is a pattern; patterns apply to text fields only"
                                                                : reason(rc, field, dateFormat_));
    }

private:
    static unsigned append(Filter *out, const Given &c, const char *value = nullptr)
    {
        return ZeSetFilterItem(out, ZE_CRITERION_STRINGS, c.column, c.relop, value ? value : c.value.c_str())
                   ? ZE_RC_NO_MEMORY
                   : ZE_OK;
    }

    // A field with VALID VALUES takes one of them; a pattern under EQ or NE
    // stands for the values it matches.
    unsigned add_listed(const Given &c, const char **valid, int count, Filter *out)
    {
        const std::optional<relop::Relop> op = relop::ignoring_case(c.relop);
        const bool pattern =
            c.value.find('*') != std::string::npos && op && (*op == relop::Relop::EQ || *op == relop::Relop::NE);
        std::vector<const char *> chosen;
        for (int i = 0; i < count && valid[i]; ++i)
            if (pattern ? matches(c.value, valid[i]) : ze::equal_nocase(c.value, valid[i])) chosen.push_back(valid[i]);
        if (chosen.empty())
            return refuse(c, ZE_RC_NOT_VALID_VALUE,
                          std::string(pattern ? "matches none of " : "is not one of ") + joined(valid, count));
        if (!pattern) return append(out, c);
        // EQ: the field holds one of them (the nodes OR them); NE: none of them.
        for (const char *value : chosen)
            if (unsigned rc = append(out, c, value)) return rc;
        return ZE_OK;
    }

    // Text: folded to the case an UPPERCASE or LOWERCASE field keeps.
    unsigned add_text(const Given &c, Field *field, Filter *out)
    {
        int upper = 0, lower = 0;
        ZeGetAttribute(field, "UPPERCASE", &upper);
        ZeGetAttribute(field, "LOWERCASE", &lower);
        std::string folded;
        if ((!upper && !lower) || !utf8::fold(c.value, upper != 0, folded)) return append(out, c);
        return append(out, c, folded.c_str());
    }

    unsigned refuse(const Given &c, unsigned code, const std::string &why)
    {
        const std::string message = std::string(c.column) + ": " + c.value + " " + why;
        TarnTrace("*** Criterion %s %s refused: %s", c.column, c.relop, message.c_str());
        ZeSetDtsResultFields(result_, code, message.c_str());
        return code;
    }

    Descriptor *descriptor_;
    DtsResult *result_;
    const char *dateFormat_;
};

}  // namespace

namespace ze::requests {

unsigned check_selection(Descriptor *descriptor, DtsInfo *info, Filter *filter, DtsResult *result, OwnedFilter &checked)
{
    if (unsigned rc = ZeCreateFilter(checked.out())) return rc;
    Selection selection(descriptor, info, result);
    std::vector<Given> criteria;
    const char *column = nullptr, *relop = nullptr, *value = nullptr;
    ZeInitFilterQuery(filter);
    for (; ZeGetFilterItem(filter, &column, &relop, &value); ZeNextFilterItem(filter))
        criteria.push_back({column, relop, value ? value : ""});
    for (const Given &c : criteria)
        if (unsigned rc = selection.add(c, checked.get())) return rc;
    return ZE_OK;
}

}  // namespace ze::requests
