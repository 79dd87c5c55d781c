// Keyed tables inside the library: a version that moves on every change to
// a keyed table or to an object's chain, so that memos of lookups along a
// chain can tell when they have gone stale.
#pragma once

namespace ze {

void keyed_tables_changed() noexcept;
unsigned long keyed_tables_version() noexcept;  // never 0

}  // namespace ze
