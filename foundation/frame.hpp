// The frame of every exported function: parameter validity in order, one
// trace line for the first invalid one, its code out; exceptions never
// cross the C boundary. The function's name comes from the compiler:
//
//   unsigned ZeDestroyItem(Item *item) {
//       return ZE_FRAME({{"Item", is_item(item)}}, [&] { ...; return ZE_OK; });
//   }
//
// ZE_FRAME_VALUE serves accessors (a value, or a fallback), ZE_FRAME_QUIET
// the predicates, accessors and void functions that must not trace at all.
// A shared body that checks parameters for several exports takes the name
// as its first parameter and is called with __func__.
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

// Traces "*** <function>: parameter <n> (<name>) is invalid" for the first
// invalid parameter and returns 4.
unsigned refuse_first_invalid(const char *function, std::initializer_list<Param> params) noexcept;

// 0 when every parameter is valid; otherwise the refusal above. Inline, so
// that a call whose parameters are valid pays only for the tests.
inline unsigned check(const char *function, std::initializer_list<Param> params) noexcept
{
    for (const Param &p : params)
        if (!p.valid) return refuse_first_invalid(function, params);
    return 0;
}

// Traces "*** <function>: internal error" for an exception that is not a
// memory shortage: a fault of the library, never the caller's.
void report_internal_error(const char *function) noexcept;

// Runs `body` (returning a code) after a successful check. Allocation
// failure inside the body becomes 3, any other exception 99 with a trace
// line; no exception leaves.
template <class Body> unsigned frame(const char *function, std::initializer_list<Param> params, Body &&body) noexcept
{
    if (unsigned rc = check(function, params)) return rc;
    try {
        return body();
    } catch (const std::bad_alloc &) {
        return ZE_RC_NO_MEMORY;
    } catch (...) {
        report_internal_error(function);
        return ZE_RC_INTERNAL_ERROR;
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
    } catch (const std::bad_alloc &) {
        return fallback;
    } catch (...) {
        report_internal_error(function);
        return fallback;
    }
}

// The same without any trace line, for predicates and accessors whose
// answer to a bad parameter is the fallback itself.
template <class T, class Body> T frame_quiet(std::initializer_list<Param> params, T fallback, Body &&body) noexcept
{
    for (const Param &p : params)
        if (!p.valid) return fallback;
    try {
        return body();
    } catch (...) {
        return fallback;
    }
}

// The same for functions without a result: the body runs only when every
// parameter is valid; nothing is traced and no exception leaves.
template <class Body> void frame_quiet(std::initializer_list<Param> params, Body &&body) noexcept
{
    for (const Param &p : params)
        if (!p.valid) return;
    try {
        body();
    } catch (...) {}
}

// Validity predicates of the parameter kinds.
inline bool given(const void *p) { return p != nullptr; }
inline bool has_text(const char *s) { return s && *s; }
bool same_key_nocase(const char *key, std::string_view expected) noexcept;

// The key equals `expected` ignoring case; NULL is never equal. The key as
// written is tried inline first: that is how callers nearly always give it.
inline bool same_key(const char *key, std::string_view expected) noexcept
{
    if (!key) return false;
    std::size_t i = 0;
    while (i < expected.size() && key[i] == expected[i]) ++i;  // stops at the key's end: expected has no NUL
    return (i == expected.size() && key[i] == '\0') || same_key_nocase(key, expected);
}
inline bool in_range(long long v, long long lo, long long hi) { return v >= lo && v <= hi; }

}  // namespace ze

// The frame under the name of the exported function it stands in.
#define ZE_FRAME(...)       ::ze::frame(__func__, __VA_ARGS__)
#define ZE_FRAME_VALUE(...) ::ze::frame_value(__func__, __VA_ARGS__)
#define ZE_FRAME_QUIET(...) ::ze::frame_quiet(__VA_ARGS__)
