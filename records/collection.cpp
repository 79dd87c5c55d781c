// Collections: an ordered list of items with a cursor, plus the operations
// built on walking it (field lists, removal by list, append, dump).
#include "ZeRecords.h"
#include "ZeStrArray.h"

#include "foundation/blocks.hpp"
#include "foundation/frame.hpp"
#include "records/records.hpp"

#include <new>
#include <string_view>
#include <unordered_set>

ZE_SOURCE_TAG("ZeColl");

using ze::records::is_collection;
using ze::records::is_item;
using ze::records::next_item;
using ze::records::set_position;
using ze::records::value_at;

namespace {

void destroy_item(void *entry) { ZeDestroyItem(static_cast<Item *>(entry)); }

// No current item, position 0: the next read returns the first item.
void rewind(Collection *c)
{
    c->current = nullptr;
    c->position = 0;
    c->advance = 1;
}

// Leaves the cursor past the end, as a finished walk does.
void park_past_end(Collection *c)
{
    c->current = nullptr;
    c->advance = 1;
}

unsigned remove_current(Collection *c)
{
    if (!c->current) return ZE_RC_NO_ENTRY;
    c->current = TarnListRemove(c->list, nullptr, c->current, destroy_item);
    --c->size;
    c->advance = 0;
    return ZE_OK;
}

// A string array being filled; released unless handed on.
struct Gathered {
    char **array = nullptr;
    unsigned count = 0;
    ~Gathered() { discard(); }
    void discard()
    {
        ZeFreeStrPtrArray(array, static_cast<int>(count));
        array = nullptr;
        count = 0;
    }
    char **release()
    {
        char **out = array;
        array = nullptr;
        return out;
    }
};

// Gives item the gathered values, or empties it when there are none.
void hand_to_item(Item *item, Gathered &gathered)
{
    if (gathered.count == 0) {
        ZeSetItemValues(item, nullptr, 0);
        return;
    }
    unsigned count = gathered.count;
    ZeAttachItemValues(item, gathered.release(), count);
}

unsigned gather_field_values(Collection *c, int fieldIndex, Gathered &gathered)
{
    if (c->size == 0) return ZE_RC_NO_ENTRY;
    gathered.array = ZeAllocStrPtrArray(c->size);
    if (!gathered.array) return ZE_RC_NO_MEMORY;
    try {
        std::unordered_set<std::string_view> seen;  // lookups only; the array keeps the order
        rewind(c);
        for (Item *item = next_item(c); item; item = next_item(c)) {
            const char *value = value_at(item, fieldIndex);
            if (!value || seen.count(value)) continue;
            char *copy = ZE_DUP(value);
            if (!copy) return ZE_RC_NO_MEMORY;
            gathered.array[gathered.count++] = copy;
            seen.insert(copy);
        }
    } catch (const std::bad_alloc &) {
        return ZE_RC_NO_MEMORY;
    }
    return ZE_OK;
}

unsigned keep_listed(Collection *c, int fieldIndex, const Item *list)
{
    unsigned remaining = list->count;
    ze::Block<const char *> scratch(ZE_ALLOC_N(const char *, remaining + 1));
    if (!scratch) return ZE_RC_NO_MEMORY;
    const char **slots = scratch.get();
    for (unsigned i = 0; i < remaining; ++i) slots[i] = list->values[i];

    rewind(c);
    for (Item *item = next_item(c); item; item = next_item(c)) {
        const char *value = value_at(item, fieldIndex);
        unsigned i = 0;
        while (value && i < remaining && !(slots[i] && TarnCompareStr(slots[i], value) == 0)) ++i;
        if (value && i < remaining) {
            slots[i] = slots[--remaining];  // each listed value keeps one item
        } else {
            remove_current(c);
        }
    }
    return ZE_OK;
}

unsigned append_copies(Collection *destination, Collection *source)
{
    const unsigned count = source->size;  // the source may be the destination
    unsigned rc = ZE_OK;
    rewind(source);
    for (unsigned i = 0; i < count && rc == ZE_OK; ++i) {
        Item *copy = nullptr;
        rc = ze::records::copy_item(&copy, next_item(source));
        if (rc == ZE_OK && !TarnListInsertEntry(destination->list, copy, 1, nullptr, 0, 0)) {
            ZeDestroyItem(copy);
            rc = ZE_RC_NO_MEMORY;
        }
        if (rc == ZE_OK) ++destination->size;
    }
    park_past_end(source);
    return rc;
}

}  // namespace

namespace ze::records {

Item *next_item(Collection *c)
{
    void *entry = nullptr;
    if (!c->advance) {
        TarnListGet(c->current, &entry);
    } else if (c->current) {
        c->current = TarnListNext(c->current, &entry);
        if (c->current) ++c->position;
    } else {
        c->current = TarnListFirst(c->list, &entry);
        if (c->current) c->position = 1;
    }
    c->advance = 1;
    return c->current ? static_cast<Item *>(entry) : nullptr;
}

unsigned set_position(Collection *c, unsigned position)
{
    if (position > c->size) {
        park_past_end(c);
        c->position = position;
        return ZE_RC_NO_ENTRY;
    }
    if (position == 1) {
        c->current = TarnListFirst(c->list, nullptr);
    } else if (position == c->size) {
        c->current = TarnListLast(c->list, nullptr);
    } else if (!c->current) {
        c->current = TarnListReposition(c->list, nullptr, static_cast<long>(position), 0);
    } else {
        long move = static_cast<long>(position) - static_cast<long>(c->position);
        c->current = TarnListReposition(c->list, c->current, move, 0);
    }
    c->position = position;
    c->advance = 0;
    return ZE_OK;
}

}  // namespace ze::records

extern "C" {

int ZeIsValidCollection(Collection *collection)
{
    return ZE_FRAME_QUIET({{"Collection", is_collection(collection)}}, 0, [] { return 1; });
}

unsigned int ZeCreateCollection(Collection **pCollection)
{
    return ZE_FRAME({{"pCollection", ze::given(pCollection)}}, [&] {
        Collection *c = ZE_NEW(Collection);
        *pCollection = nullptr;
        if (!c) return ZE_RC_NO_MEMORY;
        if (!TarnListCreateNoDebug(&c->list)) {
            ZE_FREE(c);
            return ZE_RC_NO_MEMORY;
        }
        TarnSetEyeCatcher(c, ze::records::kCollectionEyeCatcher);
        rewind(c);
        *pCollection = c;
        return ZE_OK;
    });
}

unsigned int ZeDestroyCollection(Collection *collection)
{
    return ZE_FRAME({{"Collection", is_collection(collection)}}, [&] {
        TarnListDelete(&collection->list, destroy_item);
        TarnSetEyeCatcher(collection, "");
        ZE_FREE(collection);
        return ZE_OK;
    });
}

unsigned int ZeResetCollection(Collection *collection)
{
    return ZE_FRAME({{"Collection", is_collection(collection)}}, [&] {
        TarnListReset(collection->list, destroy_item);
        collection->size = 0;
        rewind(collection);
        return ZE_OK;
    });
}

unsigned int ZeInsertCollectionItem(Collection *collection, Item *item)
{
    return ZE_FRAME({{"Collection", is_collection(collection)}, {"Item", is_item(item)}}, [&] {
        if (!TarnListInsertEntry(collection->list, item, 1, nullptr, 0, 0)) return ZE_RC_NO_MEMORY;
        ++collection->size;
        return ZE_OK;
    });
}

unsigned int ZeSetCollectionPosition(Collection *collection, unsigned int Position)
{
    return ZE_FRAME({{"Collection", is_collection(collection)}, {"Position", Position != 0}},
                    [&] { return set_position(collection, Position); });
}

unsigned int ZeCollectionSize(Collection *collection)
{
    return ZE_FRAME_VALUE({{"Collection", is_collection(collection)}}, 0u, [&] { return collection->size; });
}

unsigned int ZeCollectionPosition(Collection *collection)
{
    return ZE_FRAME_VALUE({{"Collection", is_collection(collection)}}, 0u, [&] { return collection->position; });
}

Item *ZeNextCollectionItem(Collection *collection)
{
    return ZE_FRAME_VALUE({{"Collection", is_collection(collection)}}, static_cast<Item *>(nullptr),
                          [&] { return next_item(collection); });
}

Item *ZeFirstCollectionItem(Collection *collection)
{
    return ZE_FRAME_VALUE({{"Collection", is_collection(collection)}}, static_cast<Item *>(nullptr),
                          [&] { return set_position(collection, 1) == ZE_OK ? next_item(collection) : nullptr; });
}

Item *ZeLastCollectionItem(Collection *collection)
{
    return ZE_FRAME_VALUE({{"Collection", is_collection(collection)}}, static_cast<Item *>(nullptr), [&] {
        void *entry = nullptr;
        TarnListLast(collection->list, &entry);
        return static_cast<Item *>(entry);
    });
}

unsigned int ZeRemoveCurrentCollectionItem(Collection *collection)
{
    return ZE_FRAME({{"Collection", is_collection(collection)}}, [&] { return remove_current(collection); });
}

unsigned int ZeGetFieldListFromCollection(Collection *collection, int FieldIndex, Item *item)
{
    return ZE_FRAME({{"Collection", is_collection(collection)}, {"FieldIndex", true}, {"Item", is_item(item)}}, [&] {
        Gathered gathered;
        unsigned rc = gather_field_values(collection, FieldIndex, gathered);
        if (rc != ZE_OK) gathered.discard();
        hand_to_item(item, gathered);
        return rc;
    });
}

unsigned int ZeRemoveCollectionItemsNotInList(Collection *collection, int FieldIndex, Item *item)
{
    return ZE_FRAME({{"Collection", is_collection(collection)}, {"FieldIndex", true}, {"Item", is_item(item)}},
                    [&] { return keep_listed(collection, FieldIndex, item); });
}

unsigned int ZeAppendCollection(Collection *Destination, Collection *Source, int ResetSource)
{
    return ZE_FRAME({{"Destination", is_collection(Destination)}, {"Source", is_collection(Source)}}, [&] {
        unsigned rc = append_copies(Destination, Source);
        if (rc == ZE_OK && ResetSource) ZeResetCollection(Source);
        return rc;
    });
}

void ZeDumpCollection(Collection *collection, const char *Prefix)
{
    ZE_FRAME_QUIET({{"Collection", is_collection(collection)}}, [&] {
        TarnTrace("%sCollection:  Size: %d  Position: %d", Prefix ? Prefix : "", static_cast<int>(collection->size),
                  static_cast<int>(collection->position));
    });
}

}  // extern "C"
