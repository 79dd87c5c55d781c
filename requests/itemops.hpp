// Shared pieces of the item, collection and list operations.
#pragma once

#include "ZeDesc.h"
#include "ZeDts.h"
#include "ZeFilter.h"
#include "ZeRecords.h"
#include "foundation/frame.hpp"
#include "requests/owned.hpp"

#include <utility>

namespace ze::itemops {

inline bool is_descriptor(Descriptor *d) { return ZeIsValidDescriptor(d) != 0; }
inline bool is_info(DtsInfo *info) { return ZeIsValidDtsInfo(info) != 0; }
inline bool is_filter(Filter *filter) { return ZeIsValidFilter(filter) != 0; }
inline bool is_result(DtsResult *result) { return ZeIsValidDtsResult(result) != 0; }
inline bool is_item(Item *item) { return ZeIsValidItem(item) != 0; }
inline bool is_collection(Collection *c) { return ZeIsValidCollection(c) != 0; }

// The frame of the operations on (descriptor, info, filter, target, result);
// the target is an item, a collection or a list item, checked by the caller.
template <class Body>
unsigned operation(const char *function, Descriptor *descriptor, DtsInfo *info, Filter *filter, Param target,
                   DtsResult *result, Body &&body)
{
    return frame(function,
                 {{"Descriptor", is_descriptor(descriptor)},
                  {"Info", is_info(info)},
                  {"Filter", is_filter(filter)},
                  target,
                  {"Result", is_result(result)}},
                 std::forward<Body>(body));
}

// A new action in `action` of response kind `kind`, with the descriptor
// attached and the request fields of `filter` (echoed); 0 or the first
// failing code (an action made in part is destroyed by its owner).
unsigned prepare_request(OwnedAction &action, unsigned kind, Filter *filter, Descriptor *descriptor);

}  // namespace ze::itemops
