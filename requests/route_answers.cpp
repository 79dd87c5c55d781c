// Loading a router's answer, the receiving half of the router conversation:
// a single answer row into the action's item (field 12), and the header and
// rows of a collection answer into the action's collection (fields 19, 20).
#include "requests/action.hpp"

#include "ZeDesc.h"
#include "ZeRecords.h"
#include "ZeStrArray.h"
#include "foundation/blocks.hpp"
#include "foundation/frame.hpp"
#include "contract/text.hpp"

#include <algorithm>
#include <vector>

ZE_SOURCE_TAG("DtsAct");

namespace {

const char *shown(const char *text) { return text ? text : "<NULL>"; }

bool same_name(const char *a, const char *b) { return a && b && ze::equal_nocase(a, b); }

void release_array(char **array) { ZeFreeStrPtrArray(array, 0); }

// The strings of an answer row in list order, NULL for the columns the row
// lacks up to `slots`. The array is kept per thread and reused row after
// row: rows come one call each, and a block made and freed per row showed
// up in every profile of a large select.
char **row_array(TarnList *list, unsigned slots)
{
    thread_local std::vector<char *> scratch;
    std::vector<char *> &array = scratch;  // the thread's own, looked up once
    const unsigned size = static_cast<unsigned>(TarnListSize(list));
    array.assign(std::max(size, slots) + 1, nullptr);
    char **out = array.data();
    void *entry = nullptr;
    for (TarnListPos pos = TarnListFirst(list, &entry); pos; pos = TarnListNext(pos, &entry))
        *out++ = static_cast<char *>(entry);
    return array.data();
}

// One descriptor field as field 12 matches it against the answer columns.
struct AnswerField {
    const char *name = nullptr;
    const char *key = nullptr;  // the answer column it takes: REAL NAME when it differs from NAME
    char label[TARN_FORMAT_BUFFER_SIZE] = "";
    int secret = 0;  // a PASSWORD field: its value stays out of the trace

    explicit AnswerField(Field *field)
    {
        const char *realName = nullptr;
        ZeGetAttribute(field, "NAME", &name);
        ZeGetAttribute(field, "REAL NAME", &realName);
        ZeGetAttribute(field, "PASSWORD", &secret);
        if (realName && (!name || TarnCompareStr(realName, name) != 0)) {
            TarnFormatStr(label, "%s(%s)", shown(name), realName);
            key = realName;
        } else {
            TarnCopyNCharOfStr(label, shown(name), sizeof label);
            key = name;
        }
    }
};

struct AnswerRow {
    char **columns;
    char **values;
    int count;
    ze::Block<char> found;  // one flag per answer column
};

// Takes the answer value of column j for `field` into every header position
// of the field's name.
void take_column(Descriptor *descriptor, const AnswerField &field, const AnswerRow &row, int j, char **header,
                 const char **values, int n)
{
    const char *answer = row.values[j];
    char *display = nullptr;
    if (answer && ZeGetValue(descriptor, field.name, answer, &display) != ZE_OK) return;
    if (field.secret) TarnTrace("   %-18s  %-4s  \"%s\"", field.label, "EQ", "********");
    else if (display) TarnTrace("   %-18s  %-4s  \"%s\"(\"%s\")", field.label, "EQ", display, answer);
    else TarnTrace("   %-18s  %-4s  \"%s\"", field.label, "EQ", shown(answer));
    const char *kept = display ? display : answer;
    for (int k = 0; k < n; ++k)
        if (same_name(header[k], field.name)) values[k] = kept;
}

unsigned load_item(DtsAction *action, AnswerRow &row)
{
    Descriptor *descriptor = action->descriptor;
    char **header = nullptr;
    if (unsigned rc = ZeDescriptorHeader(descriptor, &header)) {
        TarnTrace("*** load_action_response_item : Descriptor doesn't have a header (field order) specified.");
        return rc;
    }
    const int n = ZeGetFieldCount(descriptor);
    ze::Block<const char *> values(ZE_ALLOC_N(const char *, n + 1));
    row.found.reset(ZE_ALLOC_N(char, row.count + 1));
    if (!values || !row.found) return ZE_RC_NO_MEMORY;
    std::fill_n(values.get(), n, "");

    TarnTrace("DTS Action Response %s - Fields", ze::HandleText(action).c_str());
    if (row.count > 0) {
        TarnTrace("   Field(Column)      RelOp  Value(DB Value)");
        TarnTrace("   -----------------  -----  ------------------------------");
    }
    for (Field *f = nullptr; ZeGetField(descriptor, &f) == ZE_OK;) {
        const AnswerField field(f);
        for (int j = 0; j < row.count; ++j) {
            if (!same_name(field.key, row.columns[j])) continue;
            row.found.get()[j] = 1;
            take_column(descriptor, field, row, j, header, values.get(), n);
        }
    }
    for (int j = 0; j < row.count; ++j)
        if (!row.found.get()[j])
            TarnTrace("+++ Column <%s> ignored; not defined in descriptor.", shown(row.columns[j]));
    TarnTrace("   Total of %d fields in response", row.count);
    TarnTrace("%s", "");
    if (n == 0) return ZeSetItemValues(action->item, nullptr, 0);
    return ZeSetItemValues(action->item, values.get(), static_cast<unsigned>(n));
}

}  // namespace

namespace ze::requests {

char **list_array(TarnList *list, unsigned slots)
{
    const unsigned size = static_cast<unsigned>(TarnListSize(list));
    char **array = ZeAllocStrPtrArray(std::max(size, slots));
    if (!array) return nullptr;
    void *entry = nullptr;
    unsigned i = 0;
    for (TarnListPos pos = TarnListFirst(list, &entry); pos; pos = TarnListNext(pos, &entry))
        array[i++] = static_cast<char *>(entry);
    return array;
}

unsigned load_answer_item(DtsAction *action, char **columns, char **values, int count)
{
    if (!action->item) return ZE_OK;  // a request that loads no item (DELETE)
    if (count < 0) return ze::requests::refuse_field_argument("Count");
    if (count > 0 && !columns) return ze::requests::refuse_field_argument("Columns");
    if (count > 0 && !values) return ze::requests::refuse_field_argument("Values");
    AnswerRow row{columns, values, count, nullptr};
    return load_item(action, row);
}

unsigned load_answer_header(DtsAction *action, TarnList *columns)
{
    if (!columns) return ze::requests::refuse_field_argument("Columns");
    char **array = ze::requests::list_array(columns, 0);
    if (!array) return ZE_RC_NO_MEMORY;
    const unsigned count = static_cast<unsigned>(TarnListSize(columns));
    unsigned rc = ZeBuildIndexArray(action->descriptor, array, static_cast<int>(count));
    release_array(array);
    action->headerLoaded = rc == ZE_OK;
    action->answerColumns = rc == ZE_OK ? count : 0;
    return rc;
}

unsigned load_answer_row(DtsAction *action, TarnList *values)
{
    if (!values) return ze::requests::refuse_field_argument("Values");
    unsigned rc = ZE_RC_NO_INDEX_ARRAY;  // rows are placed by the columns of this answer's header
    char **fieldValues = nullptr;
    if (action->headerLoaded) {
        // A row shorter than its header reads NULL for the missing columns.
        rc = ZeLoadDescriptorItem(action->descriptor, &fieldValues, row_array(values, action->answerColumns));
    }
    const int n = ZeGetFieldCount(action->descriptor);
    if (rc) {
        TarnTrace("*** add_item_to_collection : Error loading descriptor item, rc = %d", static_cast<int>(rc));
        ZeFreeStrPtrArray(fieldValues, n);
        return rc;
    }
    Item *item = nullptr;
    if ((rc = ZeCreateItem(&item))) {
        ZeFreeStrPtrArray(fieldValues, n);
        return rc;
    }
    if (n == 0) {  // a descriptor without fields gives an empty item
        ZeFreeStrPtrArray(fieldValues, 0);
        fieldValues = nullptr;
    }
    if ((rc = ZeAttachItemValues(item, fieldValues, static_cast<unsigned>(n)))) ZeFreeStrPtrArray(fieldValues, n);
    if (!rc) rc = ZeInsertCollectionItem(action->collection, item);
    if (rc) ZeDestroyItem(item);
    return rc;
}

}  // namespace ze::requests
