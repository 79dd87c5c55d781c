// Library entry: load and unload are reported to the trace, nothing else
// happens (the environment table is filled on first use). Also the
// library's version.
#include "TarnUtil.h"
#include "foundation/frame.hpp"
#include "tarnsrvc_version.h"

#include <dlfcn.h>

namespace {

constexpr unsigned long kProcessDetach = 0;
constexpr unsigned long kProcessAttach = 1;

void *g_moduleInstance = nullptr;  // load address of this library: its module handle

__attribute__((constructor)) void tarnsrvc_attach()
{
    Dl_info info{};
    if (dladdr(reinterpret_cast<void *>(&tarnsrvc_attach), &info)) g_moduleInstance = info.dli_fbase;
    TarnTraceDllInitTerm("TarnSrvc", kProcessAttach, nullptr);
}

__attribute__((destructor)) void tarnsrvc_detach()
{
    TarnTraceDllInitTerm("TarnSrvc", kProcessDetach, nullptr);
    (void)g_moduleInstance;
}

}  // namespace

extern "C" const char *TarnSrvcVersion(void)
{
    return ZE_FRAME_QUIET({}, TARNSRVC_VERSION_STRING, [] { return TARNSRVC_VERSION_STRING; });
}
