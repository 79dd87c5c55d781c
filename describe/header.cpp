// Descriptor header, index array and data order; display/database value
// mapping; loading a row; key matching; building a descriptor from
// field-initialisation procedures.
//
// The header carries a private per-slot field index (the first field of
// each name) so that loading a row costs one step per field instead of a
// walk of the field list per field.
#include "describe/desc.hpp"

#include "foundation/blocks.hpp"
#include "foundation/frame.hpp"
#include "contract/text.hpp"

#include <cstring>
#include <string_view>
#include <unordered_map>

ZE_SOURCE_TAG("ZeDesc");

namespace {

using namespace ze::describe;

void drop_header(Descriptor *d)
{
    ZE_FREE(d->header);
    ZE_FREE(d->headerFields);
    d->headerCount = 0;
}

// Per header slot, the first field whose name equals the slot's name, as a
// walk from the head would find it. NULL when memory is short: lookups then
// walk the list.
Field **index_header(const Descriptor *d)
{
    auto **fields = ZE_ALLOC_N(Field *, static_cast<std::size_t>(d->headerCount) + 1);
    if (!fields) return nullptr;
    try {
        std::unordered_map<std::string_view, Field *> first;
        first.reserve(static_cast<std::size_t>(d->headerCount));
        for (Field *f = d->firstField; f; f = f->next)
            if (f->name) first.emplace(f->name, f);
        for (int i = 0; i < d->headerCount; ++i)
            if (d->header[i]) fields[i] = first.at(d->header[i]);
    } catch (...) {
        ZE_FREE(fields);
    }
    return fields;
}

unsigned build_header(Descriptor *d)
{
    drop_header(d);
    auto **header = ZE_ALLOC_N(char *, static_cast<std::size_t>(d->fieldCount) + 1);
    if (!header) return ZE_RC_NO_MEMORY;
    int n = 0;
    for (Field *f = d->firstField; f && n < d->fieldCount; f = f->next) header[n++] = f->name;
    d->header = header;
    d->headerCount = n;
    d->headerFields = index_header(d);
    return ZE_OK;
}

unsigned no_header(const char *function)
{
    TarnTrace("*** %s : Descriptor doesn't have a header", function);
    return ZE_RC_NO_HEADER;
}

unsigned no_index_array(const char *function)
{
    TarnTrace("*** %s : Descriptor doesn't have an index array", function);
    return ZE_RC_NO_INDEX_ARRAY;
}

unsigned header_of(const char *function, Descriptor *d, char ***pHeader)
{
    if (pHeader) *pHeader = d->header;
    return d->header ? ZE_OK : no_header(function);
}

// Header position of the first name equal to `name` ignoring case, or -1.
int header_position(const Descriptor *d, const char *name)
{
    for (int i = 0; i < d->headerCount; ++i)
        if (d->header[i] && TarnCompareNoCaseStr(d->header[i], name) == 0) return i;
    return -1;
}

int data_index(const Descriptor *d, int position) { return position < d->indexCount ? d->indexArray[position] : -1; }

int data_position(const Field *f, char *const *dataOrder, int count)
{
    const char *wanted = ze::has_text(f->realName) ? f->realName : f->name;
    for (int j = 0; j < count; ++j)
        if (dataOrder[j] && TarnCompareNoCaseStr(dataOrder[j], wanted) == 0) return j;
    return -1;
}

void trace_missing_column(const Field *f)
{
    if (ze::has_text(f->realName))
        TarnTrace("*** ZeBuildIndexArray : %s(%s) not provided in DataOrder array", f->name, f->realName);
    else TarnTrace("*** ZeBuildIndexArray : %s not provided in DataOrder array", f->name);
}

unsigned build_index_array(Descriptor *d, char *const *dataOrder, int count)
{
    ZE_FREE(d->indexArray);
    d->indexCount = 0;
    auto *index = ZE_ALLOC_N(int, static_cast<std::size_t>(d->fieldCount) + 1);
    if (!index) return ZE_RC_NO_MEMORY;
    if (count < 0) count = ZeCountPtrArrayElements(dataOrder);
    for (int i = 0; i < d->fieldCount; ++i) index[i] = -1;
    for (int i = 0; i < d->headerCount; ++i) {
        const Field *f = header_field(d, i);
        if (!f || has_flag(f, ZE_FIELD_PSEUDO)) continue;
        index[i] = data_position(f, dataOrder, count);
        if (index[i] < 0 && !has_flag(f, ZE_FIELD_INVISIBLE)) trace_missing_column(f);
    }
    d->indexArray = index;
    d->indexCount = d->fieldCount;
    return ZE_OK;
}

// Moves the fields named in `order` (ignoring case, first unplaced field of
// each name) to the front, in that order; the others follow as they were.
void reorder_fields(Descriptor *d, char *const *order, int items)
{
    Field *detached = d->firstField;
    d->firstField = nullptr;
    Field **tail = &d->firstField;
    for (int k = 0; k < items && detached; ++k) {
        if (!order[k]) continue;
        for (Field **link = &detached; *link; link = &(*link)->next) {
            Field *f = *link;
            if (!f->name || TarnCompareNoCaseStr(f->name, order[k]) != 0) continue;
            *link = f->next;
            f->next = nullptr;
            *tail = f;
            tail = &f->next;
            break;
        }
    }
    *tail = detached;
}

// The `to` entry at the position of the first `from` entry equal to value
// ignoring case, or NULL. The parallel lists are walked together and the
// walk stops at the shorter one, so an entry without a partner maps nowhere.
const char *mapped(const char *const *from, const char *const *to, const char *value)
{
    for (int i = 0; from && to && from[i] && to[i]; ++i)
        if (TarnCompareNoCaseStr(from[i], value) == 0) return to[i];
    return nullptr;
}

// Asked for every value an answer loads: the first letter settles most types.
bool is_bool_field(const Field *f) { return f->type && f->type[0] == 'B' && std::strcmp(f->type, "BOOL") == 0; }

char kTrue[] = "TRUE";
char kFalse[] = "FALSE";

bool same_key_value(const char *a, const char *b)
{
    if (!a || !b) return a == b;
    return a[0] == b[0] && TarnCompareStr(a, b) == 0;
}

}  // namespace

namespace ze::describe {

unsigned real_value(const Field *f, const char *name, const char *value, char **pRealValue)
{
    if (is_bool_field(f)) {
        *pRealValue = ze::equal_nocase(value, "TRUE") ? f->trueValue : f->falseValue;
        return ZE_OK;
    }
    if (!f->realValues) {
        *pRealValue = nullptr;
        return ZE_OK;
    }
    if (const char *real = mapped(f->validValues, f->realValues, value)) {
        *pRealValue = const_cast<char *>(real);
        return ZE_OK;
    }
    if (!*value) {
        TarnTrace("ZeGetRealValue : Value is NULL and not in list");
        TarnTrace("     Field = %s, returning RealValue of NULL", name);
        *pRealValue = nullptr;
        return ZE_OK;
    }
    TarnTrace("*** ZeGetRealValue : Value >%s< not on values list",
              has_flag(f, ZE_FIELD_PASSWORD) ? "********" : value);  // a password stays out of the trace
    TarnTrace("***     Field = %s", name);
    return ZE_RC_NOT_ON_LIST;
}

Field *header_field(const Descriptor *d, int i)
{
    return d->headerFields ? d->headerFields[i] : find_field(d, d->header[i]);
}

void field_renamed(Field *field, const char *before)
{
    Descriptor *d = field->owner;
    if (!d || !d->header || !before) return;
    bool inHeader = false;
    for (int i = 0; i < d->headerCount; ++i) {
        if (d->header[i] != before) continue;
        d->header[i] = field->name;
        inHeader = true;
    }
    if (!inHeader) return;
    // Which field a name finds first may have changed: lookups walk the
    // list until the header is built again.
    ZE_FREE(d->headerFields);
    if (!field->name) drop_header(d);  // the rename ran out of memory: no text to point at
}

unsigned display_value(const Field *f, const char *name, const char *realValue, char **pValue)
{
    if (is_bool_field(f)) {
        const char *trueValue = f->trueValue;
        if (!trueValue) {
            TarnTrace("*** No TRUE VALUE define for field %s", f->name);
            trueValue = "Y";
        }
        *pValue = TarnCompareNoCaseStr(realValue, trueValue) == 0 ? kTrue : kFalse;
        return ZE_OK;
    }
    if (!f->realValues) {
        *pValue = nullptr;
        return ZE_OK;
    }
    if (const char *display = mapped(f->realValues, f->validValues, realValue)) {
        *pValue = const_cast<char *>(display);
        return ZE_OK;
    }
    if (!*realValue) {
        TarnTrace("ZeGetValue : RealValue is NULL, and not in list.");
        TarnTrace("      Field = %s, returning Value of NULL", name);
        *pValue = nullptr;
        return ZE_OK;
    }
    TarnTrace("*** Real value <%s> not registered for field %s", realValue, name);
    return ZE_RC_NOT_ON_LIST;
}

}  // namespace ze::describe

extern "C" {

unsigned int ZeBuildDescriptorHeader(Descriptor *descriptor)
{
    return ZE_FRAME({{"Descriptor", is_descriptor(descriptor)}}, [&] { return build_header(descriptor); });
}

unsigned int ZeRebuildDescriptorHeader(Descriptor *descriptor, va_list *pArgs)
{
    char **order = pArgs ? va_arg(*pArgs, char **) : nullptr;
    int items = pArgs ? va_arg(*pArgs, int) : -2;
    return ZE_FRAME({{"Descriptor", is_descriptor(descriptor)}, {"order", ze::given(order)}, {"items", items >= -1}},
                    [&] {
                        reorder_fields(descriptor, order, items < 0 ? ZeCountPtrArrayElements(order) : items);
                        return build_header(descriptor);
                    });
}

unsigned int ZeDescriptorHeader(Descriptor *descriptor, char ***pHeader)
{
    return ZE_FRAME({{"Descriptor", is_descriptor(descriptor)}},
                    [&] { return header_of("ZeDescriptorHeader", descriptor, pHeader); });
}

unsigned int ZeQueryDescriptorHeader(Descriptor *descriptor, va_list *pArgs)
{
    char ***pFieldList = pArgs ? va_arg(*pArgs, char ***) : nullptr;
    int *pFieldCount = pArgs ? va_arg(*pArgs, int *) : nullptr;
    return ZE_FRAME({{"Descriptor", is_descriptor(descriptor)},
                     {"pFieldList", ze::given(pFieldList)},
                     {"pFieldCount", ze::given(pFieldCount)}},
                    [&] {
                        *pFieldCount = descriptor->fieldCount;
                        return header_of("ZeQueryDescriptorHeader", descriptor, pFieldList);
                    });
}

unsigned int ZeBuildIndexArray(Descriptor *descriptor, char **DataOrder, int count)
{
    return ZE_FRAME({{"Descriptor", is_descriptor(descriptor)}, {"DataOrder", ze::given(DataOrder)}}, [&] {
        if (!descriptor->header) {
            TarnTrace("**** ZeBuildIndexArray : Descriptor doesn't have a header");
            return ZE_RC_NO_HEADER;
        }
        return build_index_array(descriptor, DataOrder, count);
    });
}

unsigned int ZeOrderData(Descriptor *descriptor, char **Data, char **InOrder)
{
    return ZE_FRAME(
        {{"Descriptor", is_descriptor(descriptor)}, {"Data", ze::given(Data)}, {"InOrder", ze::given(InOrder)}}, [&] {
            if (!descriptor->indexArray) return no_index_array("ZeOrderData");
            for (int i = 0; i < descriptor->fieldCount; ++i) {
                int j = data_index(descriptor, i);
                InOrder[i] = j < 0 ? nullptr : Data[j];
            }
            return ZE_OK;
        });
}

unsigned int ZeGetFieldOrder(Descriptor *descriptor, const char *Name, int *idx)
{
    return ZE_FRAME({{"Descriptor", is_descriptor(descriptor)}, {"Name", ze::given(Name)}, {"idx", ze::given(idx)}},
                    [&] {
                        if (!descriptor->header) return no_header("ZeGetFieldOrder");
                        int position = header_position(descriptor, Name);
                        if (position < 0) return ZE_RC_NO_ENTRY;
                        *idx = position;
                        return ZE_OK;
                    });
}

unsigned int ZeGetFieldIndex(Descriptor *descriptor, const char *Name, int *idx)
{
    return ZE_FRAME({{"Descriptor", is_descriptor(descriptor)}, {"Name", ze::given(Name)}, {"idx", ze::given(idx)}},
                    [&] {
                        if (!descriptor->header) return no_header("ZeGetFieldIndex");
                        int position = header_position(descriptor, Name);
                        if (position < 0) return ZE_RC_NO_ENTRY;
                        if (!descriptor->indexArray) {
                            *idx = -1;
                            return no_index_array("ZeGetFieldIndex");
                        }
                        *idx = data_index(descriptor, position);
                        return *idx < 0 ? ZE_RC_NO_ENTRY : ZE_OK;
                    });
}

unsigned int ZeDefaultValues(Descriptor *descriptor, char **Defaults)
{
    return ZE_FRAME({{"Descriptor", is_descriptor(descriptor)}, {"Defaults", ze::given(Defaults)}}, [&] {
        if (!descriptor->header) return no_header("ZeDefaultValues");
        for (int i = 0; i < descriptor->fieldCount; ++i) {
            const Field *f = i < descriptor->headerCount ? header_field(descriptor, i) : nullptr;
            Defaults[i] = f ? f->defValue : nullptr;
        }
        return ZE_OK;
    });
}

unsigned int ZeGetRealValue(Descriptor *descriptor, const char *Name, const char *Value, char **pRealValue)
{
    return ZE_FRAME({{"Descriptor", is_descriptor(descriptor)},
                     {"Name", ze::given(Name)},
                     {"Value", ze::given(Value)},
                     {"pRealValue", ze::given(pRealValue)}},
                    [&] {
                        const Field *f = find_field(descriptor, Name);
                        if (!f) return ZE_RC_NO_ENTRY;
                        return real_value(f, Name, Value, pRealValue);
                    });
}

unsigned int ZeGetValue(Descriptor *descriptor, const char *Name, const char *RealValue, char **pValue)
{
    return ZE_FRAME({{"Descriptor", is_descriptor(descriptor)},
                     {"Name", ze::given(Name)},
                     {"RealValue", ze::given(RealValue)},
                     {"pValue", ze::given(pValue)}},
                    [&] {
                        const Field *f = find_field(descriptor, Name);
                        if (!f) return ZE_RC_NO_ENTRY;
                        return display_value(f, Name, RealValue, pValue);
                    });
}

unsigned int ZeLoadDescriptorItem(Descriptor *descriptor, char ***pFieldVals, char **RealVals)
{
    return ZE_FRAME({{"Descriptor", is_descriptor(descriptor)},
                     {"pFieldVals", ze::given(pFieldVals)},
                     {"RealVals", ze::given(RealVals)}},
                    [&] {
                        *pFieldVals = nullptr;
                        if (!descriptor->header) return no_header("ZeLoadDescriptorItem");
                        if (!descriptor->indexArray) return no_index_array("ZeLoadDescriptorItem");
                        const int n = descriptor->fieldCount;
                        char **values = ZeAllocStrPtrArray(static_cast<unsigned>(n));
                        if (!values) return ZE_RC_NO_MEMORY;
                        unsigned rc = ZE_OK;
                        for (int i = 0; i < descriptor->headerCount; ++i) {
                            const char *text = "";
                            int j = data_index(descriptor, i);
                            if (j >= 0) {
                                const char *real = RealVals[j];
                                if (!real) continue;
                                const Field *f = header_field(descriptor, i);
                                char *display = nullptr;
                                unsigned code =
                                    f ? display_value(f, descriptor->header[i], real, &display) : ZE_RC_NO_ENTRY;
                                if (code) {
                                    if (!rc) rc = code;
                                    continue;
                                }
                                text = display ? display : real;
                            }
                            values[i] = ZE_DUP(text);
                            if (!values[i]) {
                                ZeFreeStrPtrArray(values, n);
                                return ZE_RC_NO_MEMORY;
                            }
                        }
                        *pFieldVals = values;
                        return rc;
                    });
}

int ZeDescriptorKeysMatch(Descriptor *descriptor, char **values1, char **values2)
{
    return ZE_FRAME_QUIET(
        {{"Descriptor", is_descriptor(descriptor)}, {"Values1", ze::given(values1)}, {"Values2", ze::given(values2)}},
        0, [&] {
            int i = 0;
            for (const Field *f = descriptor->firstField; f; f = f->next, ++i)
                if (has_flag(f, ZE_FIELD_KEY) && !same_key_value(values1[i], values2[i])) return 0;
            return 1;
        });
}

unsigned int ZeBuildFieldList(void *Object, Descriptor *descriptor, ZeFieldInitProc *FieldInitFuncs, int Count)
{
    return ZE_FRAME({{"Object", ze::given(Object)},
                     {"Descriptor", is_descriptor(descriptor)},
                     {"FieldInitFuncs", ze::given(FieldInitFuncs)},
                     {"Count", Count >= -1}},
                    [&] {
                        const int limit = Count < 0 ? 99999 : Count;
                        for (int k = 0; k < limit && FieldInitFuncs[k]; ++k) {
                            Field *field = nullptr;
                            if (unsigned rc = ZeNewField(descriptor, &field)) return rc;
                            if (unsigned rc = FieldInitFuncs[k](Object, field)) return rc;
                        }
                        return build_header(descriptor);
                    });
}

}  // extern "C"
