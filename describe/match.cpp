// Filter matching: a record value against the current criterion by the
// field's type, and a whole record against every criterion. It reads the
// fields' attributes, so it sits in the describe layer, above the filters
// it walks.
#include "ZeDesc.h"
#include "ZeFilter.h"

#include "foundation/frame.hpp"
#include "contract/relop.hpp"
#include "contract/text.hpp"
#include "records/records.hpp"

#include <optional>
#include <string_view>

using ze::records::is_filter;

namespace {

// The record value (left) against the criterion value (right); the
// operator is an exact upper-case word.
template <class Number> unsigned compare_numbers(std::string_view word, Number value, Number wanted)
{
    const std::optional<relop::Relop> op = relop::exact(word);
    if (!op) return ZE_RC_MATCH_NOT_POSSIBLE;
    return relop::holds(*op, value, wanted) ? ZE_RC_MATCH : ZE_RC_NO_MATCH;
}

// "*" matches everything; "abc*" compares the first three characters; a
// "*" in first place of a longer value compares literally. The operator is
// not used.
unsigned compare_text(Field *field, const char *value, const char *wanted)
{
    if (std::string_view(wanted) == "*") return ZE_RC_MATCH;
    const char *star = TarnFirstStrInStr(wanted, "*");
    const std::size_t prefix = star ? static_cast<std::size_t>(star - wanted) : 0;
    int caseSensitive = 0;
    ZeGetAttribute(field, "CASE SENSITIVE", &caseSensitive);
    int difference = 0;
    if (prefix > 0) {
        difference = caseSensitive ? TarnCompareNCharOfStr(value, wanted, prefix)
                                   : TarnCompareNoCaseNCharOfStr(value, wanted, prefix);
    } else {
        difference = caseSensitive ? TarnCompareStr(value, wanted) : TarnCompareNoCaseStr(value, wanted);
    }
    return difference == 0 ? ZE_RC_MATCH : ZE_RC_NO_MATCH;
}

unsigned compare_to_current(Filter *filter, Field *field, const char *value)
{
    const Criterion *criterion = filter->cursor;
    if (!criterion) return ZE_RC_MATCH_NOT_POSSIBLE;
    const char *type = nullptr;
    ZeGetAttribute(field, "TYPE", &type);
    const std::string_view kind = ze::view(type);
    if (kind == "TEXT") return compare_text(field, value, criterion->value);
    if (kind == "DATE" || kind == "TIME") return ZE_RC_MATCH_DATE_TIME;
    const std::string_view word = ze::view(criterion->relop);
    if (kind == "INT") return compare_numbers(word, TarnIntFromStr(value), TarnIntFromStr(criterion->value));
    if (kind == "REAL") return compare_numbers(word, TarnRealFromStr(value), TarnRealFromStr(criterion->value));
    return ZE_RC_MATCH_BAD_TYPE;
}

// The field a column names: its exact name first, else ignoring case, as
// the descriptor's header lookups do.
Field *field_named(Descriptor *descriptor, const char *column)
{
    Field *field = nullptr;
    if (ZeGetFieldByName(descriptor, &field, column) == ZE_OK) return field;
    for (field = nullptr; ZeGetField(descriptor, &field) == ZE_OK;) {
        const char *name = nullptr;
        ZeGetAttribute(field, "NAME", &name);
        if (name && ze::equal_nocase(name, column)) return field;
    }
    return nullptr;
}

unsigned match_record(Filter *filter, Descriptor *descriptor, char **data)
{
    for (ZeInitFilterQuery(filter); filter->cursor; ZeNextFilterItem(filter)) {
        const char *column = filter->cursor->column;
        int index = -1;
        if (unsigned rc = ZeGetFieldIndex(descriptor, column, &index)) return rc;
        Field *field = field_named(descriptor, column);
        if (!field) return ZE_RC_NO_ENTRY;
        if (!data[index]) return ZE_RC_MATCH_NOT_POSSIBLE;
        unsigned rc = compare_to_current(filter, field, data[index]);
        if (rc != ZE_RC_MATCH) return rc;
    }
    return ZE_RC_MATCH;
}

}  // namespace

extern "C" {

unsigned int ZeCompareFieldToCriteria(Filter *filter, Field *field, const char *Value)
{
    return ZE_FRAME({{"Filter", is_filter(filter)}, {"Field", ZeIsValidField(field) != 0}, {"Value", ze::given(Value)}},
                    [&] { return compare_to_current(filter, field, Value); });
}

unsigned int ZeMatchFilter(Filter *filter, Descriptor *descriptor, char **Data)
{
    return ZE_FRAME({{"Filter", is_filter(filter)},
                     {"Descriptor", ZeIsValidDescriptor(descriptor) != 0},
                     {"Data", ze::given(Data)}},
                    [&] { return match_record(filter, descriptor, Data); });
}

}  // extern "C"
