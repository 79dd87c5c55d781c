// Shared pieces of the item, collection and list operations.
#pragma once

#include "ZeDesc.h"
#include "ZeDts.h"
#include "ZeFilter.h"
#include "ZeRecords.h"
#include "describe/desc.hpp"
#include "foundation/frame.hpp"
#include "records/records.hpp"
#include "requests/handles.hpp"
#include "requests/owned.hpp"

#include <utility>

namespace ze::requests {

using ze::describe::is_descriptor;
using ze::records::is_collection;
using ze::records::is_filter;
using ze::records::is_item;

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

// The criteria of a selection (SELECT, LIST, DELETE) checked against the
// descriptor and made ready for the node (selection.cpp): 0 with `checked`
// holding them; otherwise the code of the refusal (a code of VALIDATE
// VALUE), with its code and a message naming field and value in result.
unsigned check_selection(Descriptor *descriptor, DtsInfo *info, Filter *filter, DtsResult *result,
                         OwnedFilter &checked);

// A new action in `action` of response kind `kind`, with the descriptor
// attached and the request fields of `filter` (echoed); 0 or the first
// failing code (an action made in part is destroyed by its owner).
unsigned prepare_request(OwnedAction &action, unsigned kind, Filter *filter, Descriptor *descriptor);

}  // namespace ze::requests
