// Items: one record, an ordered array of value strings the item owns.
#include "ZeRecords.h"
#include "ZeStrArray.h"

#include "foundation/blocks.hpp"
#include "foundation/frame.hpp"
#include "records/records.hpp"

#include <utility>

ZE_SOURCE_TAG("ZeItem");

using ze::records::is_item;

namespace {

bool index_in(const Item *item, int index)
{
    return is_item(item) && index >= 0 && static_cast<unsigned>(index) < item->count;
}

// The array and count after the count rule: ZE_COUNT_VALUES counts the
// entries before the first NULL one.
unsigned resolve_count(const void *values, unsigned count)
{
    return count == ZE_COUNT_VALUES ? static_cast<unsigned>(ZeCountPtrArrayElements(values)) : count;
}

void release_values(Item *item)
{
    ZeFreeStrPtrArray(item->values, static_cast<int>(item->count));
    item->values = nullptr;
    item->count = 0;
}

// Values NULL with Count 0 empties; otherwise both must be given.
bool values_valid(const void *values, unsigned count) { return values || count == 0; }
bool count_valid(const void *values, unsigned count) { return count != 0 || !values; }

// Copies first, releases after: the source may be the item's own array.
unsigned copy_values(Item *item, const char *const *values, unsigned count)
{
    char **copy = nullptr;
    if (values) {
        count = resolve_count(values, count);
        copy = const_cast<char **>(ZeDuplicateConstStrPtrArray(values, static_cast<int>(count)));
    }
    release_values(item);
    if (!values) return ZE_OK;
    if (!copy) return ZE_RC_NO_MEMORY;
    item->values = copy;
    item->count = count;
    return ZE_OK;
}

}  // namespace

namespace ze::records {

unsigned copy_item(Item **copy, const Item *source)
{
    *copy = ZE_NEW(Item);
    if (!*copy) return ZE_RC_NO_MEMORY;
    TarnSetEyeCatcher(*copy, kItemEyeCatcher);
    if (!source->values) return ZE_OK;
    if (copy_values(*copy, source->values, source->count) != ZE_OK) {
        ZE_FREE(*copy);
        return ZE_RC_NO_MEMORY;
    }
    return ZE_OK;
}

}  // namespace ze::records

extern "C" {

int ZeIsValidItem(Item *item)
{
    return ZE_FRAME_QUIET({{"Item", is_item(item)}}, 0, [] { return 1; });
}

unsigned int ZeCreateItem(Item **pItem)
{
    return ZE_FRAME({{"pItem", ze::given(pItem)}}, [&] {
        *pItem = ZE_NEW(Item);
        if (!*pItem) return ZE_RC_NO_MEMORY;
        TarnSetEyeCatcher(*pItem, ze::records::kItemEyeCatcher);
        return ZE_OK;
    });
}

unsigned int ZeDestroyItem(Item *item)
{
    return ZE_FRAME({{"Item", is_item(item)}}, [&] {
        release_values(item);
        TarnSetEyeCatcher(item, "");
        ZE_FREE(item);
        return ZE_OK;
    });
}

unsigned int ZeDuplicateItem(Item **NewItem, Item *item)
{
    return ZE_FRAME({{"NewItem", ze::given(NewItem)}, {"Item", ze::given(item)}}, [&] {
        if (unsigned rc = ZeCreateItem(NewItem)) return rc;
        char **values = nullptr;
        unsigned count = 0;
        ZeGetItemValues(item, &values, &count);
        // A copy without values would pass for an item that has none.
        if (values && copy_values(*NewItem, values, count) != ZE_OK) {
            ZeDestroyItem(*NewItem);
            *NewItem = nullptr;
            return ZE_RC_NO_MEMORY;
        }
        return ZE_OK;
    });
}

unsigned int ZeSetItemValue(Item *item, int Index, const char *Value)
{
    return ZE_FRAME({{"Item", is_item(item)}, {"Index", index_in(item, Index)}, {"Value", true}}, [&] {
        char *copy = Value ? ZE_DUP(Value) : nullptr;
        ZE_FREE(item->values[Index]);
        item->values[Index] = copy;
        return Value && !copy ? ZE_RC_NO_MEMORY : ZE_OK;
    });
}

unsigned int ZeGetItemValue(Item *item, int Index, char **pValue)
{
    return ZE_FRAME({{"Item", is_item(item)}, {"Index", index_in(item, Index)}, {"pValue", ze::given(pValue)}}, [&] {
        *pValue = item->values[Index];
        return ZE_OK;
    });
}

char *ZeItemValue(Item *item, int Index)
{
    return ZE_FRAME_VALUE({{"Item", is_item(item)}, {"Index", index_in(item, Index)}}, static_cast<char *>(nullptr),
                          [&] { return item->values[Index]; });
}

unsigned int ZeSetItemValues(Item *item, const char *const *Values, unsigned int Count)
{
    return ZE_FRAME(
        {{"Item", is_item(item)}, {"Values", values_valid(Values, Count)}, {"Count", count_valid(Values, Count)}},
        [&] { return copy_values(item, Values, Count); });
}

unsigned int ZeAttachItemValues(Item *item, char **Values, unsigned int Count)
{
    return ZE_FRAME(
        {{"Item", is_item(item)}, {"Values", values_valid(Values, Count)}, {"Count", count_valid(Values, Count)}}, [&] {
            if (Values && Values == item->values) return ZE_OK;
            release_values(item);
            if (Values) {
                item->values = Values;
                item->count = resolve_count(Values, Count);
            }
            return ZE_OK;
        });
}

unsigned int ZeGetItemValues(Item *item, char ***pValues, unsigned int *pCount)
{
    return ZE_FRAME({{"Item", is_item(item)}, {"pValues", ze::given(pValues)}, {"pCount", true}}, [&] {
        *pValues = item->values;
        if (pCount) *pCount = item->count;
        return ZE_OK;
    });
}

char **ZeItemValues(Item *item)
{
    return ZE_FRAME_VALUE({{"Item", is_item(item)}}, static_cast<char **>(nullptr), [&] { return item->values; });
}

unsigned int ZeItemCount(Item *item)
{
    return ZE_FRAME_VALUE({{"Item", is_item(item)}}, 0u, [&] { return item->count; });
}

unsigned int ZeSwapItemValues(Item *item, int Index1, int Index2)
{
    return ZE_FRAME({{"Item", is_item(item)}, {"Index1", index_in(item, Index1)}, {"Index2", index_in(item, Index2)}},
                    [&] {
                        std::swap(item->values[Index1], item->values[Index2]);
                        return ZE_OK;
                    });
}

}  // extern "C"
