// Structures of the records subsystem shared between its source files:
// items, filters and their criteria. Applications see them only as opaque
// pointers (ZeTypes.h).
#pragma once

#include "ZeTypes.h"
#include "foundation/blocks.hpp"

struct Item {
    char eyeCatcher[TARN_EYE_CATCHER_SIZE];  // "ZE_ITEM"
    char **values;                           // count strings (NULL entries allowed), or NULL
    unsigned int count;
};

struct Collection {
    char eyeCatcher[TARN_EYE_CATCHER_SIZE];  // "DTSCOLLECT"
    TarnList *list;                          // one entry per item
    TarnListPos current;                     // the cursor; NULL: none
    unsigned int size;
    unsigned int position;  // 1-based ordinal of current; 0 before the first walk
    int advance;            // 1: the next read moves on first; 0: it reads current
};

struct Criterion {
    char *column;
    char *relop;
    char *value;
    Criterion *next;
};

struct Filter {
    char eyeCatcher[TARN_EYE_CATCHER_SIZE];  // "FLTR1.0"
    int count;
    Criterion *last;
    Criterion *first;
    Criterion *cursor;  // walk position
    char **columns;     // built on demand; the criteria's own strings
    char **relops;
    char **values;
    int built;  // 1 when the arrays reflect the criteria
};

namespace ze::records {

inline constexpr const char *kItemEyeCatcher = "ZE_ITEM";
inline constexpr const char *kCollectionEyeCatcher = "DTSCOLLECT";
inline constexpr const char *kFilterEyeCatcher = "FLTR1.0";

inline bool is_item(const Item *item) { return eye_catcher_is(item, kItemEyeCatcher); }
inline bool is_collection(const Collection *collection) { return eye_catcher_is(collection, kCollectionEyeCatcher); }
inline bool is_filter(const Filter *filter) { return eye_catcher_is(filter, kFilterEyeCatcher); }

// The value at index, or NULL when the item has none there (NULL entry or
// index outside the item). For callers that tolerate a broken contract.
inline const char *value_at(const Item *item, long long index)
{
    if (!is_item(item) || index < 0 || index >= item->count || !item->values) return nullptr;
    return item->values[index];
}

// Cursor moves shared by the collection operations (no parameter checks).
Item *next_item(Collection *collection);
unsigned set_position(Collection *collection, unsigned position);

// Appends a criterion holding copies of the three strings: 0, or 1 when a
// string is NULL or memory is short (nothing is added then).
unsigned add_criterion(Filter *filter, const char *column, const char *relop, const char *value);

// A new item holding copies of source's values: 0, or 3 when the item or
// a copy cannot be made (*copy is then NULL and nothing is left allocated).
unsigned copy_item(Item **copy, const Item *source);

}  // namespace ze::records
