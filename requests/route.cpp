// Routing: the one place where a request leaves the library. Loads the
// router library's router_client, hands it the action and copies its return
// code and answer text into the caller's result.
#include "requests/action.hpp"

#include "TarnRouter.h"
#include "ZeDesc.h"
#include "ZeEnv.h"
#include "foundation/frame.hpp"
#include "requests/handles.hpp"
#include "contract/text.hpp"

#include <string>

namespace {

using RouterClient = unsigned int (*)(DtsAction *action);

// The field of the descriptor whose column (REAL NAME, else NAME) is
// `column` ignoring case; NULL when there is none.
const char *field_of_column(Descriptor *descriptor, std::string_view column)
{
    for (Field *field = nullptr; ZeGetField(descriptor, &field) == ZE_OK;) {
        const char *name = nullptr, *realName = nullptr;
        ZeGetAttribute(field, "NAME", &name);
        ZeGetAttribute(field, "REAL NAME", &realName);
        if (name && ze::equal_nocase(ze::has_text(realName) ? realName : name, column)) return name;
    }
    return nullptr;
}

// A refused value is told as "<COLUMN>: <what is wrong>"; the user knows
// the column by its field name, which the answer then carries instead.
unsigned name_refused_field(DtsAction *action)
{
    const char *text = nullptr;
    if (action->returnCode != TARN_ROUTER_RC_VALUE_REFUSED || !action->descriptor ||
        ZeGetDtsMsgBuffer(action->message, &text) != ZE_OK || !text)
        return ZE_OK;
    const std::string named = ze::requests::with_field_name(action->descriptor, text);
    return named.empty() ? ZE_OK : ZeSetDtsMsgBuffer(action->message, named.c_str());
}

}  // namespace

namespace ze::requests {

const char *router_library(DtsInfo *info)
{
    if (const char *module = ZeDtsInfoField(info, ZE_INFO_ROUTEMODULE)) return module;
    return ZeEnvBool(ZE_ENV_DEMO_ROUTER) ? "TarnRpdb" : "TarnRout";
}

std::string with_field_name(Descriptor *descriptor, std::string_view text)
{
    const std::size_t colon = text.find(": ");
    const char *field = colon == std::string_view::npos ? nullptr : field_of_column(descriptor, text.substr(0, colon));
    return field ? field + std::string(text.substr(colon)) : std::string();
}

unsigned route_through(DtsAction *action, DtsInfo *info, const char *command, DtsResult *result, const char *name)
{
    action->info = info;
    if (unsigned rc = ZeSetDtsActionField(action, ZE_ACTION_COMMAND, command)) return rc;
    if (unsigned rc = ZeCheckDtsInfo(info)) return rc;

    const char *library = router_library(info);
    TarnProc entry = nullptr;
    if (unsigned rc = ZeLoadRoutine(library, name, &entry)) {
        TarnTrace("*** Unable to load %s.%s", library, name);
        return rc;
    }
    const ze::HandleText handle(action);
    TarnTrace("DTS Action Request %s - Routing %s command...", handle.c_str(), command);
    ZeDumpDtsInfo(info, "   ");

    action->returnCode = reinterpret_cast<RouterClient>(entry)(action);

    TarnTrace("DTS Action Response %s - Routing of %s command complete.", handle.c_str(), command);
    unsigned kept = name_refused_field(action);
    if (kept == ZE_OK) kept = ZeSetDtsResultMessage(result, action->message);
    ZeSetDtsResultCode(result, action->returnCode);
    TarnTrace("   Return code: %d", static_cast<int>(action->returnCode));
    ZeDumpDtsMsg(action->message, "   ");
    if (kept != ZE_OK) {
        // The copy fails for memory, here or when the router set its
        // message. A request the node carried out must not read as refused.
        TarnTrace("*** DTS Action Response %s - the router's message could not be kept", handle.c_str());
        return action->returnCode ? ZE_RC_ROUTER_FAILED : ZE_RC_ANSWER_LOST;
    }
    return action->returnCode ? ZE_RC_ROUTER_FAILED : ZE_OK;
}

}  // namespace ze::requests

extern "C" {

unsigned int ZeRouteDtsAction(DtsAction *action, DtsInfo *info, const char *command, DtsResult *result)
{
    return ZE_FRAME({{"Action", ze::requests::is_action(action)},
                     {"Info", ze::requests::is_info(info)},
                     {"Command", ze::given(command)},
                     {"Result", ze::requests::is_result(result)}},
                    [&] { return ze::requests::route_through(action, info, command, result, "router_client"); });
}

}  // extern "C"
