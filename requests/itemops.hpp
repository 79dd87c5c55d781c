// Shared pieces of the item, collection and list operations.
#pragma once

#include "ZeDesc.h"
#include "ZeDts.h"
#include "ZeFilter.h"
#include "ZeRecords.h"
#include "requests/owned.hpp"

namespace ze::itemops {

inline bool is_descriptor(Descriptor *d) { return ZeIsValidDescriptor(d) != 0; }
inline bool is_info(DtsInfo *info) { return ZeIsValidDtsInfo(info) != 0; }
inline bool is_filter(Filter *filter) { return ZeIsValidFilter(filter) != 0; }
inline bool is_result(DtsResult *result) { return ZeIsValidDtsResult(result) != 0; }
inline bool is_item(Item *item) { return ZeIsValidItem(item) != 0; }
inline bool is_collection(Collection *c) { return ZeIsValidCollection(c) != 0; }

// A new action in `action` with the request fields of `filter` (echoed);
// 0 or the first failing code (an action made in part is destroyed by its owner).
unsigned prepare_request(OwnedAction &action, Filter *filter, Descriptor *descriptor);

}  // namespace ze::itemops
