// The frame of every exported function: parameter validity in order, one
// trace line for the first invalid one, its code out; exceptions never
// cross the C boundary.
//
//   unsigned ZeDestroyItem(Item *item) {
//       return ze::frame("ZeDestroyItem", {{"Item", is_item(item)}}, [&] { ...; return ZE_OK; });
//   }
#pragma once

#include "ZeTypes.h"

#include <initializer_list>
#include <new>
#include <string_view>

namespace ze {

struct Param {
    const char *name;
    bool valid;
};

// 0 when every parameter is valid; otherwise traces
// "*** <function>: parameter <n> (<name>) is invalid" for the first invalid one and returns 4.
unsigned check(const char *function, std::initializer_list<Param> params) noexcept;

// Runs `body` (returning a code) after a successful check. Allocation
// failure inside the body becomes 3; no exception leaves.
template <class Body>
unsigned frame(const char *function, std::initializer_list<Param> params, Body &&body) noexcept
{
    if (unsigned rc = check(function, params)) return rc;
    try {
        return body();
    } catch (const std::bad_alloc &) {
        return ZE_RC_NO_MEMORY;
    } catch (...) {
        return ZE_RC_INVALID_PARAMETER;
    }
}

// The same for accessors: the body's value, or `fallback` when a parameter
// is invalid or the body throws.
template <class T, class Body>
T frame_value(const char *function, std::initializer_list<Param> params, T fallback, Body &&body) noexcept
{
    if (check(function, params)) return fallback;
    try {
        return body();
    } catch (...) {
        return fallback;
    }
}

// Validity predicates of the parameter kinds.
inline bool given(const void *p) { return p != nullptr; }
inline bool has_text(const char *s) { return s && *s; }
bool same_key(const char *key, std::string_view expected) noexcept;  // ignoring case; NULL is never equal
inline bool in_range(long long v, long long lo, long long hi) { return v >= lo && v <= hi; }

}  // namespace ze
