// The object registry file tarnobjs.dat: which library and init procedure
// build an object of a given name under a given filter.
#pragma once

#include "ZeTypes.h"

namespace ze::objects {

// Finds the first registry line for `name` whose criterion `filter`
// satisfies. 0 with two new texts (library, procedure) that the caller
// releases with TarnFreeBlock; 100 when no line applies or the file cannot
// be read; 3 when memory is short.
unsigned find_registry_entry(const char *name, Filter *filter, char **pLibrary, char **pProcedure);

}  // namespace ze::objects
