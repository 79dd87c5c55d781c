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

#include <cstring>

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

// The descriptor's field of the column, looked up once for all it gives
// the request: the column's REAL NAME, the value the database stores and
// whether the value is a password.
void map_to_database(Descriptor *descriptor, RequestField &f)
{
    // The logon credential column PASSWORD is secret whatever the descriptor says.
    f.secret = ze::equal_nocase(f.column, "PASSWORD");
    const Field *field = descriptor ? ze::describe::find_field(descriptor, f.column) : nullptr;
    if (!field) return;
    if (ze::has_text(field->realName)) f.realName = field->realName;
    char *realValue = nullptr;
    if (ze::describe::real_value(field, f.column, f.value, &realValue) == ZE_OK) f.realValue = realValue;
    f.secret = f.secret || ze::describe::has_flag(field, ZE_FIELD_PASSWORD);
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

// The criteria of a filter, one after the other.
class FilterCriteria {
public:
    explicit FilterCriteria(Filter *filter) : filter_(filter), next_(filter->first) {}
    ~FilterCriteria() { filter_->cursor = nullptr; }  // where a walk with ZeGetFilterItem leaves it
    FilterCriteria(const FilterCriteria &) = delete;
    FilterCriteria &operator=(const FilterCriteria &) = delete;

    bool next(RequestField &f)
    {
        if (!next_) return false;
        f = RequestField{next_->column, next_->relop, next_->value ? next_->value : ""};
        next_ = next_->next;
        return true;
    }

private:
    Filter *filter_;
    const Criterion *next_;
};

// Criteria packed in one block (a batch item's copy).
class PackedCriteria {
public:
    PackedCriteria(const char *packed, unsigned count) : at_(packed), left_(count) {}

    bool next(RequestField &f)
    {
        if (left_ == 0) return false;
        --left_;
        f = RequestField{take(), take(), take()};
        return true;
    }

private:
    const char *take()
    {
        const char *text = at_;
        at_ += std::strlen(at_) + 1;
        return text;
    }

    const char *at_;
    unsigned left_;
};

template <class Criteria>
unsigned build_request_fields(DtsAction *action, Criteria &&criteria, Descriptor *descriptor, bool echoed)
{
    ZeResetFilter(action->requestFilter);
    if (!is_filter(action->requestFilter)) return ZE_RC_INVALID_PARAMETER;
    // The echo is formatted only for a trace that takes it.
    echoed = echoed && TarnTraceActive();
    TarnTrace("%s", "");
    if (echoed) {
        TarnTrace("DTS Action Request %s - Fields", ze::HandleText(action).c_str());
        trace_field_headings();
    } else {
        TarnTrace("DTS Action filter echo suppressed...");
    }
    int count = 0;
    for (RequestField f{}; criteria.next(f);) {
        map_to_database(descriptor, f);
        if (echoed) echo(f);
        // A request without one of its criteria would act on the wrong items.
        if (unsigned rc = ze::records::add_criterion(action->requestFilter, f.realName ? f.realName : f.column, f.relop,
                                                     f.realValue ? f.realValue : f.value)) {
            ZeResetFilter(action->requestFilter);
            TarnTrace("*** Request field %s could not be added: request abandoned", f.column);
            return rc == ZE_RC_INVALID_PARAMETER ? rc : ZE_RC_NO_MEMORY;
        }
        ++count;
    }
    TarnTrace("   Total of %d fields in request", count);
    return ZE_OK;
}

// Appends (NAME, "EQ", DEF VALUE) for each non-PSEUDO field that has a
// default and that `given` does not name.
unsigned append_defaults(Filter *to, Filter *given, Descriptor *descriptor)
{
    for (const Field *field = descriptor->firstField; field; field = field->next) {
        if (ze::describe::has_flag(field, ZE_FIELD_PSEUDO) || !field->name || !field->defValue) continue;
        if (ZeFilterItemByKey(given, field->name, nullptr, nullptr) != ZE_RC_NO_ENTRY) continue;
        if (ze::records::add_criterion(to, field->name, "EQ", field->defValue)) return ZE_RC_NO_MEMORY;
    }
    return ZE_OK;
}

unsigned copy_criteria(Filter *to, Filter *from)
{
    ZeResetFilter(to);
    for (const Criterion *c = from->first; c; c = c->next)
        if (ze::records::add_criterion(to, c->column, c->relop, c->value)) return ZE_RC_NO_MEMORY;
    from->cursor = nullptr;
    return ZE_OK;
}

}  // namespace

namespace ze::requests {

unsigned set_packed_request_fields(DtsAction *action, const char *packed, unsigned count, Descriptor *descriptor)
{
    return build_request_fields(action, PackedCriteria(packed, count), descriptor, true);
}

}  // namespace ze::requests

extern "C" {

unsigned int ZeSetDtsActionRequestFilter(DtsAction *action, Filter *filter, Descriptor *descriptor,
                                         unsigned int suppressEcho)
{
    return ZE_FRAME(
        {{"Action", ze::requests::is_action(action)},
         {"Filter", is_filter(filter)},
         {"Descriptor", !descriptor || ZeIsValidDescriptor(descriptor)}},
        [&] { return build_request_fields(action, FilterCriteria(filter), descriptor, suppressEcho == 0); });
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
