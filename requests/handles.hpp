// Validity predicates of the request objects: a handle is valid when it is
// not NULL and carries its kind's eye-catcher.
#pragma once

#include "TarnUtil.h"
#include "ZeDts.h"
#include "foundation/blocks.hpp"

namespace ze::requests {

inline bool has_eye_catcher(const void *handle, const char *eyeCatcher) { return eye_catcher_is(handle, eyeCatcher); }

// 1 for a valid handle; otherwise traces `complaint` and gives 0.
inline int valid_or_traced(const void *handle, const char *eyeCatcher, const char *complaint)
{
    if (has_eye_catcher(handle, eyeCatcher)) return 1;
    TarnTrace("%s", complaint);
    return 0;
}

// The request objects as the exported checks judge them: an invalid one is
// traced by its own complaint line.
inline bool is_info(DtsInfo *info) { return ZeIsValidDtsInfo(info) != 0; }
inline bool is_result(DtsResult *result) { return ZeIsValidDtsResult(result) != 0; }
inline bool is_message(DtsMessage *msg) { return ZeIsValidDtsMsg(msg) != 0; }

}  // namespace ze::requests
