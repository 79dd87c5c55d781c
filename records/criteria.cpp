// Filter criteria: the three argument formats of the setters, the criterion
// text language, and the comparison of criteria and of whole filters.
#include "ZeFilter.h"
#include "ZeStrArray.h"

#include "foundation/blocks.hpp"
#include "foundation/frame.hpp"
#include "records/records.hpp"

ZE_SOURCE_TAG("ZeCrit");

using ze::records::add_criterion;
using ze::records::is_filter;

namespace {

constexpr const char *kBlankSeparators = " \t";
constexpr const char *kCommaSeparator = ",";

char *skip_blanks(char *p)
{
    while (p && (*p == ' ' || *p == '\t')) ++p;
    return p;
}

// Cuts the next part at a separator, dropping the blanks around it.
char *cut_part(char **cursor, const char *separators)
{
    *cursor = skip_blanks(*cursor);
    char *part = TarnNextTokenInStr(cursor, separators);
    return part ? TarnTrimStr(part) : nullptr;
}

// Splits "column<sep>operator<sep>value" in place and adds it; the value is
// the rest of the text. Column and operator must be there; nothing after
// the operator is the empty value ("DESCRIPTION EQ" clears a field).
unsigned add_split(Filter *filter, char *text, const char *separators)
{
    char *cursor = text;
    char *column = cut_part(&cursor, separators);
    char *relop = cut_part(&cursor, separators);
    const char *value = skip_blanks(cursor);
    if (!ze::has_text(column) || !ze::has_text(relop)) return ZE_RC_CRITERION_NOT_ADDED;
    return add_criterion(filter, column, relop, value ? value : "");
}

// The same on a private copy: the caller's text is never changed.
unsigned add_text(Filter *filter, const char *text, const char *separators)
{
    if (!text) return ZE_RC_CRITERION_NOT_ADDED;
    ze::SecretText copy(ZE_DUP(text));  // may hold a password
    if (!copy) return ZE_RC_CRITERION_NOT_ADDED;
    return add_split(filter, copy.get(), separators);
}

// "LANGUAGE EQ AMENG, VERSION EQ 2.0": pieces separated by commas, each
// trimmed; empty pieces are skipped.
unsigned add_criteria_text(Filter *filter, const char *text)
{
    ze::SecretText copy(ZE_DUP(text));  // may hold a password
    if (!copy) return ZE_RC_CRITERION_NOT_ADDED;
    unsigned rc = ZE_OK;
    for (char *cursor = copy.get(); cursor && rc == ZE_OK;) {
        char *piece = TarnTrimStr(TarnNextTokenInStr(&cursor, kCommaSeparator));
        if (*piece) rc = add_split(filter, piece, kBlankSeparators);
    }
    return rc;
}

unsigned add_strings(Filter *filter, char **strings, int count)
{
    if (count < 1) return ZE_OK;
    if (!strings) return ZE_RC_CRITERION_NOT_ADDED;
    unsigned rc = ZE_OK;
    for (int i = 0; i < count && rc == ZE_OK; ++i) rc = add_text(filter, strings[i], kBlankSeparators);
    return rc;
}

unsigned add_arrays(Filter *filter, char **columns, char **relops, char **values, int count)
{
    if (count == 0) return ZE_RC_CRITERION_NOT_ADDED;
    if (count < 0) count = ZeCountPtrArrayElements(columns);
    if (count == 0) return ZE_OK;
    if (!columns || !relops || !values) return ZE_RC_CRITERION_NOT_ADDED;
    unsigned rc = ZE_OK;
    for (int i = 0; i < count && rc == ZE_OK; ++i) rc = add_criterion(filter, columns[i], relops[i], values[i]);
    return rc;
}

unsigned set_criteria(Filter *filter, int format, va_list *pArgs)
{
    switch (format) {
    case ZE_FILTER_STRINGS: {
        char **strings = va_arg(*pArgs, char **);
        int count = va_arg(*pArgs, int);
        return add_strings(filter, strings, count);
    }
    case ZE_FILTER_ARRAYS: {
        char **columns = va_arg(*pArgs, char **);
        char **relops = va_arg(*pArgs, char **);
        char **values = va_arg(*pArgs, char **);
        int count = va_arg(*pArgs, int);
        return add_arrays(filter, columns, relops, values, count);
    }
    case ZE_FILTER_TEXT: {
        const char *text = va_arg(*pArgs, const char *);
        return text ? add_criteria_text(filter, text) : ZE_RC_FILTER_NULL_TEXT;
    }
    default: return ZE_RC_FILTER_FORMAT;
    }
}

unsigned set_criterion(Filter *filter, int format, va_list *pArgs)
{
    if (format == ZE_CRITERION_STRINGS) {
        const char *column = va_arg(*pArgs, const char *);
        const char *relop = va_arg(*pArgs, const char *);
        const char *value = va_arg(*pArgs, const char *);
        return add_criterion(filter, column, relop, value);
    }
    const char *text = va_arg(*pArgs, const char *);
    return add_text(filter, text, format == ZE_CRITERION_TEXT ? kBlankSeparators : kCommaSeparator);
}

unsigned compare_current(const Filter *a, const Filter *b)
{
    if (!is_filter(a) || !is_filter(b) || !a->cursor || !b->cursor) return ZE_RC_NO_CURRENT_CRITERION;
    const Criterion *x = a->cursor;
    const Criterion *y = b->cursor;
    if (TarnCompareNoCaseStr(x->column, y->column) != 0) return ZE_RC_CRITERIA_DIFFER;
    if (TarnCompareNoCaseStr(x->relop, y->relop) != 0) return ZE_RC_CRITERIA_DIFFER;
    return TarnCompareNoCaseStr(x->value, y->value) == 0 ? ZE_RC_CRITERIA_EQUAL : ZE_RC_CRITERIA_DIFFER;
}

// Searches b from its cursor for a criterion equal to a's current one, for
// at most b's count of attempts.
unsigned find_equal(const Filter *a, Filter *b)
{
    unsigned rc = ZE_RC_CRITERIA_DIFFER;
    for (int attempt = 0; attempt < b->count; ++attempt) {
        rc = compare_current(a, b);
        if (rc != ZE_RC_CRITERIA_DIFFER) break;
        if (b->cursor) b->cursor = b->cursor->next;
    }
    return rc;
}

unsigned compare_filters(Filter *a, Filter *b)
{
    if (a->count != b->count) return ZE_RC_CRITERIA_DIFFER;
    a->cursor = a->first;
    b->cursor = b->first;
    if (a->count <= 0) return ZE_OK;
    for (; a->cursor; a->cursor = a->cursor->next) {
        unsigned rc = find_equal(a, b);
        if (rc != ZE_RC_CRITERIA_EQUAL) return rc;
        b->cursor = b->first;
    }
    return ZE_RC_CRITERIA_EQUAL;
}

}  // namespace

extern "C" {

unsigned int ZeSetFilterCriteria(Filter *filter, int Format, va_list *pArgs)
{
    return ZE_FRAME({{"Filter", is_filter(filter)}, {"pArgs", ze::given(pArgs)}},
                    [&] { return set_criteria(filter, Format, pArgs); });
}

unsigned int ZeSetFilterCriteriaItem(Filter *filter, int Format, va_list *pArgs)
{
    return ZE_FRAME({{"Filter", is_filter(filter)},
                     {"Format", ze::in_range(Format, ZE_CRITERION_TEXT, ZE_CRITERION_COMMA_TEXT)},
                     {"pArgs", ze::given(pArgs)}},
                    [&] { return set_criterion(filter, Format, pArgs); });
}

unsigned int ZeSetFilter(Filter *filter, int Format, ...)
{
    va_list args;
    va_start(args, Format);
    unsigned rc = ZeSetFilterCriteria(filter, Format, &args);
    va_end(args);
    return rc;
}

unsigned int ZeSetFilterItem(Filter *filter, int Format, ...)
{
    va_list args;
    va_start(args, Format);
    unsigned rc = ZeSetFilterCriteriaItem(filter, Format, &args);
    va_end(args);
    return rc;
}

unsigned int ZeCompareFilterItems(Filter *filter1, Filter *filter2)
{
    return ZE_FRAME_QUIET({}, ZE_RC_NO_CURRENT_CRITERION, [&] { return compare_current(filter1, filter2); });
}

unsigned int ZeCompareFilters(Filter *filter1, Filter *filter2)
{
    // Traced as "ZeCompareFilter", the name ZeFilter.h gives for its refusals.
    return ze::frame("ZeCompareFilter", {{"Filter1", is_filter(filter1)}, {"Filter2", is_filter(filter2)}},
                     [&] { return compare_filters(filter1, filter2); });
}

}  // extern "C"
