// Request fields of an action: a filter turned into database column names
// and database values, with the request echo; and the filter of a DEFINE,
// completed with the descriptor's default values.
#include "requests/action.hpp"

#include "ZeDesc.h"
#include "ZeFilter.h"
#include "foundation/frame.hpp"
#include "describe/desc.hpp"
#include "records/records.hpp"
#include "contract/text.hpp"

using ze::records::is_filter;

namespace {

// One criterion as the router is to see it.
struct RequestField {
    const char *column;
    const char *relop;
    const char *value;
    const char *realName = nullptr;   // the column's REAL NAME, if any
    const char *realValue = nullptr;  // the value as the database stores it, if any
    bool secret = false;              // a PASSWORD field: its value is never echoed
};

constexpr const char *kMasked = "********";

void map_to_database(Descriptor *descriptor, RequestField &f)
{
    if (!descriptor) return;
    const char *realName = nullptr;
    char *realValue = nullptr;
    if (ZeQueryAttribute(descriptor, f.column, "REAL NAME", &realName) == ZE_OK && ze::has_text(realName))
        f.realName = realName;
    if (ZeGetRealValue(descriptor, f.column, f.value, &realValue) == ZE_OK) f.realValue = realValue;
}

// A PASSWORD field of the descriptor, or the logon credential column PASSWORD.
bool is_secret(Descriptor *descriptor, const char *column)
{
    int password = 0;
    if (ze::equal_nocase(column, "PASSWORD")) return true;
    return descriptor && ZeQueryAttribute(descriptor, column, "PASSWORD", &password) == ZE_OK && password;
}

void echo(const RequestField &f)
{
    char label[TARN_FORMAT_BUFFER_SIZE];
    if (f.realName) TarnFormatStr(label, "%s(%s)", f.column, f.realName);
    else TarnCopyNCharOfStr(label, f.column, sizeof label);
    const char *value = f.secret ? kMasked : f.value;
    if (f.realValue)
        TarnTrace("   %-18s  %-4s  \"%s\"(\"%s\")", label, f.relop, value, f.secret ? kMasked : f.realValue);
    else TarnTrace("   %-18s  %-4s  \"%s\"", label, f.relop, value);
}

void trace_field_headings()
{
    TarnTrace("   Field(Column)      RelOp  Value(DB Value)");
    TarnTrace("   -----------------  -----  ------------------------------");
}

unsigned build_request_fields(DtsAction *action, Filter *filter, Descriptor *descriptor, bool echoed)
{
    ZeResetFilter(action->requestFilter);
    TarnTrace("%s", "");
    if (echoed) {
        TarnTrace("DTS Action Request %s - Fields", ze::HandleText(action).c_str());
        trace_field_headings();
    } else {
        TarnTrace("DTS Action filter echo suppressed...");
    }
    int count = 0;
    ZeInitFilterQuery(filter);
    RequestField f{};
    while (ZeGetFilterItem(filter, &f.column, &f.relop, &f.value)) {
        if (!f.value) f.value = "";
        map_to_database(descriptor, f);
        f.secret = is_secret(descriptor, f.column);
        if (echoed) echo(f);
        // A request without one of its criteria would act on the wrong items.
        if (unsigned rc =
                ZeSetFilterItem(action->requestFilter, ZE_CRITERION_STRINGS, f.realName ? f.realName : f.column,
                                f.relop, f.realValue ? f.realValue : f.value)) {
            ZeResetFilter(action->requestFilter);
            TarnTrace("*** Request field %s could not be added: request abandoned", f.column);
            return rc == ZE_RC_INVALID_PARAMETER ? rc : ZE_RC_NO_MEMORY;
        }
        ++count;
        f = RequestField{};
        ZeNextFilterItem(filter);
    }
    TarnTrace("   Total of %d fields in request", count);
    return ZE_OK;
}

// Appends (NAME, "EQ", DEF VALUE) for each non-PSEUDO field that has a
// default and that `given` does not name.
unsigned append_defaults(Filter *to, Filter *given, Descriptor *descriptor)
{
    for (Field *field = nullptr; ZeGetField(descriptor, &field) == ZE_OK;) {
        int pseudo = 0;
        const char *name = nullptr, *defValue = nullptr;
        ZeGetAttribute(field, "PSEUDO", &pseudo);
        ZeGetAttribute(field, "NAME", &name);
        ZeGetAttribute(field, "DEF VALUE", &defValue);
        if (pseudo || !name || !defValue) continue;
        if (ZeFilterItemByKey(given, name, nullptr, nullptr) != ZE_RC_NO_ENTRY) continue;
        if (ZeSetFilterItem(to, ZE_CRITERION_STRINGS, name, "EQ", defValue)) return ZE_RC_NO_MEMORY;
    }
    return ZE_OK;
}

unsigned copy_criteria(Filter *to, Filter *from)
{
    ZeResetFilter(to);
    const char *column = nullptr, *relop = nullptr, *value = nullptr;
    ZeInitFilterQuery(from);
    for (; ZeGetFilterItem(from, &column, &relop, &value); ZeNextFilterItem(from))
        if (ZeSetFilterItem(to, ZE_CRITERION_STRINGS, column, relop, value)) return ZE_RC_NO_MEMORY;
    return ZE_OK;
}

}  // namespace

extern "C" {

unsigned int ZeSetDtsActionRequestFilter(DtsAction *action, Filter *filter, Descriptor *descriptor,
                                         unsigned int suppressEcho)
{
    return ZE_FRAME({{"Action", ze::requests::is_action(action)},
                     {"Filter", is_filter(filter)},
                     {"Descriptor", !descriptor || ZeIsValidDescriptor(descriptor)}},
                    [&] { return build_request_fields(action, filter, descriptor, suppressEcho == 0); });
}

unsigned int ZeSetupDtsDefineFilter(Filter *toFilter, Filter *fromFilter, Descriptor *descriptor)
{
    return ZE_FRAME({{"ToFilter", is_filter(toFilter)},
                     {"FromFilter", is_filter(fromFilter)},
                     {"Descriptor", ze::describe::is_descriptor(descriptor)}},
                    [&] {
                        // Defining a filter onto itself keeps its criteria and only adds the defaults.
                        if (toFilter != fromFilter)
                            if (unsigned rc = copy_criteria(toFilter, fromFilter)) return rc;
                        return append_defaults(toFilter, fromFilter, descriptor);
                    });
}

}  // extern "C"
