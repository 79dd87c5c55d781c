// Logon and logoff: ZeLogon, ZeLogoff and ZeLogonIsValid. Each builds a
// request info of its own for the node from the local node map (the
// LOCALMAP object) and routes LOGON, LOGOFF or VERIFY with the user id, and
// for LOGON the password, as request fields that are never echoed.
#include "ZeLogon.h"

#include "ZeDts.h"
#include "ZeFilter.h"
#include "ZeObject.h"
#include "foundation/blocks.hpp"
#include "foundation/frame.hpp"
#include "contract/text.hpp"
#include "requests/owned.hpp"

#include <pwd.h>
#include <string.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

ZE_SOURCE_TAG("ZeLogCl");

namespace {

constexpr const char *kLanguage = "AMENG";
constexpr const char *kVersion = "2.0";
constexpr const char *kLocalMapFilter = "LANGUAGE EQ AMENG, VERSION EQ 2.0";
constexpr const char *kFieldOrder[] = {"NODE", "ROUTENODE", "APPNAME", "APPTITLE", "PLATFORM", "VERSION", "LANGUAGE"};
constexpr int kFieldCount = sizeof kFieldOrder / sizeof kFieldOrder[0];

// Route node, platform and logon text each live in a buffer of this size.
constexpr std::size_t kTextSize = 256;
constexpr const char *kLogonText = "ID EQ %s, PASSWORD EQ %s";
static_assert(sizeof "ID EQ , PASSWORD EQ " - 1 + ZE_LOGON_MAX_CREDENTIALS + 1 == kTextSize);

using OwnedInfo = ze::requests::Owned<DtsInfo, ZeDestroyDtsInfo>;
using OwnedResult = ze::requests::Owned<DtsResult, ZeDestroyDtsResult>;
using OwnedObject = ze::requests::Owned<void, ZeDestroyObject>;

// ------------------------------------------------------------ local user

// The user this process runs as: the effective user's name from the
// password database, else $USER, else "".
std::string process_user()
{
    long hint = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(hint > 0 ? static_cast<std::size_t>(hint) : 1024);
    passwd entry{};
    passwd *found = nullptr;
    int rc;
    while ((rc = getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found)) == ERANGE &&
           buffer.size() < (1u << 20))
        buffer.resize(buffer.size() * 2);
    if (rc == 0 && found && found->pw_name && *found->pw_name) return found->pw_name;
    const char *user = TarnGetEnv("USER");
    return user ? user : "";
}

const char *next_text(va_list *pArgs) { return pArgs ? va_arg(*pArgs, const char *) : nullptr; }

// ------------------------------------------------------------ local node map

struct NodeRoute {
    char routeNode[kTextSize] = "";
    char platform[kTextSize] = "";
};

// A map value goes into its buffer whole or not at all: a cut name would
// name a different node or platform.
void keep_value(const char *value, char (&buffer)[kTextSize], const char *field, const char *node)
{
    if (!value) return;
    if (strlen(value) >= kTextSize) {
        TarnTrace("+++ ZeLogCl : LOCALMAP %s of node %s ignored: longer than 255 characters", field, node);
        return;
    }
    TarnCopyNCharOfStr(buffer, value, kTextSize);
}

// Takes ROUTENODE and PLATFORM from the item values by their place in the
// map's field order, so a map without one of them yields nothing for it.
void read_map_item(void *map, char **values, const char *node, NodeRoute &route)
{
    char **order = nullptr;
    int count = 0;
    if (ZeQueryProperty(map, "FIELD ORDER", &order, &count) != ZE_OK || !order) return;
    for (int i = 0; i < count; ++i) {
        if (ze::equal_nocase(ze::view(order[i]), "ROUTENODE"))
            keep_value(values[i], route.routeNode, "ROUTENODE", node);
        if (ze::equal_nocase(ze::view(order[i]), "PLATFORM")) keep_value(values[i], route.platform, "PLATFORM", node);
    }
}

// The node's route node and platform from the local node map; both stay
// empty when the map cannot be read or has no entry for the node.
NodeRoute look_up_node(const char *node)
{
    NodeRoute route;
    ze::requests::OwnedFilter filter;
    OwnedObject map;
    if (ZeCreateFilter(filter.out()) || ZeSetFilter(filter.get(), ZE_FILTER_TEXT, kLocalMapFilter)) return route;
    if (ZeCreateObject(map.out(), "LOCALMAP", filter.get())) return route;
    if (unsigned rc = ZeSetProperty(map.get(), "FIELD ORDER", const_cast<char **>(kFieldOrder), kFieldCount)) {
        TarnTrace("*** ZeLogCl : Error setting LOCALMAP field order, rc = %d", static_cast<int>(rc));
        return route;
    }
    ZeResetFilter(filter.get());
    if (ZeSetFilterItem(filter.get(), ZE_CRITERION_STRINGS, "NODE", "EQ", node)) return route;
    if (unsigned rc = ZeSubmitAction(map.get(), "OPEN COLLECTION", filter.get())) {
        TarnTrace("*** ZeLogCl : Error opening LOCALMAP collection, rc = %d", static_cast<int>(rc));
        return route;
    }
    char **values = nullptr;
    if (unsigned rc = ZeSubmitAction(map.get(), "GET ITEM", &values)) {
        TarnTrace("*** ZeLogCl : No LOCALMAP items found, rc = %d", static_cast<int>(rc));
        return route;
    }
    if (values) read_map_item(map.get(), values, node, route);
    return route;
}

// ------------------------------------------------------------ request

unsigned build_info(OwnedInfo &info, const char *node, const char *object, const char *user, const NodeRoute &route)
{
    if (unsigned rc = ZeCreateDtsInfo(info.out())) return rc;
    const struct {
        unsigned field;
        const char *value;
    } fields[] = {
        {ZE_INFO_DESTNODE, node},
        {ZE_INFO_OBJECT, object},
        {ZE_INFO_LANGUAGE, kLanguage},
        {ZE_INFO_VERSION, kVersion},
        {ZE_INFO_USERNAME, user},
        {ZE_INFO_ROUTENODE, *route.routeNode ? route.routeNode : node},
        {ZE_INFO_PLATFORM, *route.platform ? route.platform : nullptr},
    };
    for (const auto &f : fields)
        if (unsigned rc = ZeSetDtsInfoField(info.get(), f.field, f.value)) return rc;
    return ZE_OK;
}

// True when the filter holds exactly (ID EQ userId) and (PASSWORD EQ password).
bool holds_credentials(Filter *fields, const char *userId, const char *password)
{
    if (ZeGetFilterItemCount(fields) != 2) return false;
    const struct {
        const char *column, *value;
    } expected[] = {{"ID", userId}, {"PASSWORD", password}};
    ZeInitFilterQuery(fields);
    for (const auto &e : expected) {
        const char *column = nullptr, *relop = nullptr, *value = nullptr;
        if (!ZeGetFilterItem(fields, &column, &relop, &value)) return false;
        if (ze::view(column) != e.column || ze::view(relop) != "EQ" || ze::view(value) != e.value) return false;
        ZeNextFilterItem(fields);
    }
    return true;
}

// The request fields of a logon: the logon text, unless it would not carry
// both values unchanged (a comma splits the criteria, outer blanks are
// trimmed); then the two criteria as strings. The text is wiped after use.
unsigned logon_fields(Filter *fields, const char *userId, const char *password)
{
    char text[kTextSize];
    TarnFormatStrN(text, sizeof text, kLogonText, userId, password);
    unsigned rc = ZeSetFilter(fields, ZE_FILTER_TEXT, text);
    explicit_bzero(text, sizeof text);
    if (rc == ZE_OK && holds_credentials(fields, userId, password)) return ZE_OK;
    ZeResetFilter(fields);
    rc = ZeSetFilterItem(fields, ZE_CRITERION_STRINGS, "ID", "EQ", userId);
    if (!rc) rc = ZeSetFilterItem(fields, ZE_CRITERION_STRINGS, "PASSWORD", "EQ", password);
    return rc ? ZE_RC_NO_MEMORY : ZE_OK;
}

unsigned id_field(Filter *fields, const char *userId)
{
    return ZeSetFilterItem(fields, ZE_CRITERION_STRINGS, "ID", "EQ", userId) ? ZE_RC_NO_MEMORY : ZE_OK;
}

// Traces a failed logon or logoff with the router's code and message, or,
// when the request never reached the router, the code of the step that
// stopped it.
void report_failure(DtsResult *result, unsigned routeCode, const char *what)
{
    if (routeCode != ZE_RC_ROUTER_FAILED) ZeSetDtsResultFields(result, routeCode, "");
    unsigned code = 0;
    const char *message = nullptr;
    ZeGetDtsResultFields(result, &code, &message);
    TarnTrace("*** ZeLogCl : %s failure, rc = %d", what, static_cast<int>(code));
    TarnTrace("***     %s", message ? message : "");
}

struct Request {
    const char *node;
    const char *object;   // info OBJECT
    const char *command;  // command word
    const char *failure;  // "Logon" / "Logoff": report failures as 1; NULL: return the routing code
};

// Builds the info, sends the request fields without echo and routes them.
unsigned send(const Request &r, const char *user, const NodeRoute &route, Filter *fields)
{
    OwnedInfo info;
    if (unsigned rc = build_info(info, r.node, r.object, user, route)) {
        if (r.failure) TarnTrace("*** ZeLogCl : Error creating info object, rc = %d", static_cast<int>(rc));
        return rc;
    }
    ze::requests::OwnedAction action;
    OwnedResult result;
    if (unsigned rc = ZeCreateDtsAction(action.out())) return rc;
    if (unsigned rc = ZeCreateDtsResult(result.out())) return rc;
    if (unsigned rc = ZeSetDtsActionRequestFilter(action.get(), fields, nullptr, 1)) return rc;
    unsigned rc = ZeRouteDtsAction(action.get(), info.get(), r.command, result.get());
    // Carried out, though its answer was lost: not a failure to report as one.
    if (rc == ZE_OK || rc == ZE_RC_ANSWER_LOST || !r.failure) return rc;
    report_failure(result.get(), rc, r.failure);
    return ZE_RC_ROUTER_FAILED;
}

// The copy of the local user name the functions work on: NULL when memory is short.
char *local_user_copy(const char *given) { return ZE_DUP(given ? given : process_user().c_str()); }

// The frame shared by the three functions once parameters are checked:
// the user name copy, the node's route, the request fields, the request.
template <class Fields>
unsigned logon_request(const Request &r, const char *localUser, bool skipWithoutLogon, Fields &&makeFields)
{
    ze::Block<char> user(local_user_copy(localUser));
    if (!user) return ZE_RC_NO_MEMORY;
    const NodeRoute route = look_up_node(r.node);
    if (skipWithoutLogon && ze::equal_nocase(route.platform, ZE_LOGON_PLATFORM_WITHOUT_LOGON)) return ZE_OK;
    ze::requests::OwnedFilter fields;
    if (unsigned rc = ZeCreateFilter(fields.out())) return rc;
    if (unsigned rc = makeFields(fields.get())) return rc;
    return send(r, user.get(), route, fields.get());
}

unsigned logon_with(const char *node, const char *userId, const char *password, ...)
{
    va_list args;
    va_start(args, password);
    unsigned rc = ZeLogon(node, userId, password, &args);
    va_end(args);
    return rc;
}

unsigned with_local_user(unsigned (*function)(const char *, const char *, va_list *), const char *node,
                         const char *userId, ...)
{
    va_list args;
    va_start(args, userId);
    unsigned rc = function(node, userId, &args);
    va_end(args);
    return rc;
}

}  // namespace

extern "C" {

unsigned int ZeLogon(const char *node, const char *userId, const char *password, va_list *pArgs)
{
    const char *localUser = next_text(pArgs);
    const std::size_t idLength = ze::has_text(userId) ? strlen(userId) : 0;
    return ZE_FRAME({{"Node", ze::has_text(node)},
                     {"UserId", ze::has_text(userId) && idLength < ZE_LOGON_MAX_CREDENTIALS},
                     {"Password", ze::has_text(password) && idLength + strlen(password) <= ZE_LOGON_MAX_CREDENTIALS},
                     {"pArgs", ze::given(pArgs)}},
                    [&] {
                        return logon_request({node, "STARLOGON", "LOGON", "Logon"}, localUser, true,
                                             [&](Filter *f) { return logon_fields(f, userId, password); });
                    });
}

unsigned int ZeLogoff(const char *node, const char *userId, va_list *pArgs)
{
    const char *localUser = next_text(pArgs);
    return ZE_FRAME({{"Node", ze::has_text(node)}, {"UserId", ze::has_text(userId)}, {"pArgs", ze::given(pArgs)}}, [&] {
        return logon_request({node, "STARLOGOFF", "LOGOFF", "Logoff"}, localUser, false,
                             [&](Filter *f) { return id_field(f, userId); });
    });
}

unsigned int ZeLogonIsValid(const char *node, const char *userId, va_list *pArgs)
{
    const char *localUser = next_text(pArgs);
    return ZE_FRAME({{"Node", ze::has_text(node)}, {"UserId", ze::has_text(userId)}, {"pArgs", ze::given(pArgs)}}, [&] {
        return logon_request({node, "STARLOGON", "VERIFY", nullptr}, localUser, false,
                             [&](Filter *f) { return id_field(f, userId); });
    });
}

unsigned int ZeLogonUser(const char *node, const char *userId, const char *password, const char *localUser)
{
    return logon_with(node, userId, password, localUser);
}

unsigned int ZeLogoffUser(const char *node, const char *userId, const char *localUser)
{
    return ZE_FRAME({}, [&] { return with_local_user(ZeLogoff, node, userId, localUser); });
}

unsigned int ZeLogonIsValidUser(const char *node, const char *userId, const char *localUser)
{
    return ZE_FRAME({}, [&] { return with_local_user(ZeLogonIsValid, node, userId, localUser); });
}

}  // extern "C"
