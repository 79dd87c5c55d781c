// A string library for the tests: CreateStringTable installs the entries
// passed as argument2 (when given) and returns the code argument1 points to
// (0 without one), so tests see both arguments arrive unchanged.
#include "ZeString.h"

extern "C" __attribute__((visibility("default"))) unsigned int CreateStringTable(StringTable *table, void *argument1,
                                                                                 void *argument2)
{
    if (argument2) ZeSetStringTableEntries(table, static_cast<StringEntry *>(argument2));
    return argument1 ? *static_cast<unsigned int *>(argument1) : 0;
}
