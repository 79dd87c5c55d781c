// Routing: the one place where a request leaves the library. Loads the
// router library's router_client, hands it the action and copies its return
// code and answer text into the caller's result.
#include "requests/action.hpp"

#include "ZeEnv.h"
#include "foundation/frame.hpp"
#include "requests/handles.hpp"
#include "contract/text.hpp"

namespace {

using RouterClient = unsigned int (*)(DtsAction *action);

// The info's ROUTEMODULE (an empty one too), else the demo router when
// DEMO_ROUTER is on, else the network router.
const char *router_library(DtsInfo *info)
{
    if (const char *module = ZeDtsInfoField(info, ZE_INFO_ROUTEMODULE)) return module;
    return ZeEnvBool(ZE_ENV_DEMO_ROUTER) ? "TarnRpdb" : "TarnRout";
}

unsigned route(DtsAction *action, DtsInfo *info, const char *command, DtsResult *result)
{
    action->info = info;
    if (unsigned rc = ZeSetDtsActionField(action, ZE_ACTION_COMMAND, command)) return rc;
    if (unsigned rc = ZeCheckDtsInfo(info)) return rc;

    const char *library = router_library(info);
    TarnProc entry = nullptr;
    if (unsigned rc = ZeLoadRoutine(library, "router_client", &entry)) {
        TarnTrace("*** Unable to load %s.router_client", library);
        return rc;
    }
    const ze::HandleText handle(action);
    TarnTrace("DTS Action Request %s - Routing %s command...", handle.c_str(), command);
    ZeDumpDtsInfo(info, "   ");

    action->returnCode = reinterpret_cast<RouterClient>(entry)(action);

    TarnTrace("DTS Action Response %s - Routing of %s command complete.", handle.c_str(), command);
    const unsigned kept = ZeSetDtsResultMessage(result, action->message);
    ZeSetDtsResultCode(result, action->returnCode);
    TarnTrace("   Return code: %d", static_cast<int>(action->returnCode));
    ZeDumpDtsMsg(action->message, "   ");
    if (kept != ZE_OK) {
        // The caller would read no message and take silence for success. The
        // copy fails for memory, here or when the router set its message.
        TarnTrace("*** DTS Action Response %s - the router's message could not be kept", handle.c_str());
        return ZE_RC_NO_MEMORY;
    }
    return action->returnCode ? ZE_RC_ROUTER_FAILED : ZE_OK;
}

}  // namespace

extern "C" {

unsigned int ZeRouteDtsAction(DtsAction *action, DtsInfo *info, const char *command, DtsResult *result)
{
    return ZE_FRAME({{"Action", ze::requests::is_action(action)},
                     {"Info", ze::requests::is_info(info)},
                     {"Command", ze::given(command)},
                     {"Result", ze::requests::is_result(result)}},
                    [&] { return route(action, info, command, result); });
}

}  // extern "C"
