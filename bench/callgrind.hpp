// The callgrind modes of the benchmark programs: one warm pass of the work,
// then one pass that valgrind --tool=callgrind --instr-atstart=no counts.
// Without valgrind's header the counted region is simply not marked.
#pragma once

#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#else
#define CALLGRIND_START_INSTRUMENTATION
#define CALLGRIND_STOP_INSTRUMENTATION
#endif

namespace bench {

// Runs `work` once, then once more counted; what the counted pass returned.
template <class Work> auto warm_then_counted(Work work)
{
    work();
    CALLGRIND_START_INSTRUMENTATION;
    auto result = work();
    CALLGRIND_STOP_INSTRUMENTATION;
    return result;
}

}  // namespace bench
