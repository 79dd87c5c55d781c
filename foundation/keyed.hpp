// Keyed tables inside the library: a version that moves on every change to
// a keyed table or to an object's chain, so that memos of lookups along a
// chain can tell when they have gone stale.
#pragma once

#include <atomic>

namespace ze {

extern std::atomic<unsigned long> g_keyedTablesVersion;

void keyed_tables_changed() noexcept;

// Never 0. Inline: every dispatch reads it.
inline unsigned long keyed_tables_version() noexcept { return g_keyedTablesVersion.load(std::memory_order_relaxed); }

}  // namespace ze
