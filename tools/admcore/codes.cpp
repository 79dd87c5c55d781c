// codes.cpp - one table per family of the codes documented in the public
// headers, and the one mapping from codes to outcomes.
#include "problem.hpp"

#include "TarnRout.h"
#include "tarnsrvc.h"

namespace admcore {
namespace {

struct CodeText {
    unsigned code;
    std::string_view text;
};

constexpr CodeText kShared[] = {
    {ZE_RC_DISABLED, "the object does not support this"},
    {ZE_RC_NO_MEMORY, "memory could not be allocated"},
    {ZE_RC_INVALID_PARAMETER, "a parameter is invalid"},
    {ZE_RC_LOAD_FAILED, "a library could not be loaded"},
    {ZE_RC_PROC_NOT_FOUND, "a procedure is missing from a loaded library"},
    {ZE_RC_NO_ENTRY, "no such entry"},
    {ZE_RC_NO_REGISTRY_LINE, "no line of the object registry names the object"},
    {ZE_RC_NOT_IN_VALUE_TABLE, "unknown keyword"},
    {ZE_RC_NOT_IN_PROC_TABLE, "the object does not know this"},
};

constexpr CodeText kObject[] = {
    {ZE_RC_ROUTER_FAILED, "the request failed at the router or the node"},
    {ZE_RC_INFO_CRITERION_NOT_EQ, "a criterion on a request setting must use EQ"},
    {ZE_RC_EMPTY_NODE, "the node name is empty"},
    {ZE_RC_EMPTY_USERNAME, "the user name is empty"},
    {ZE_RC_INFO_NO_USERNAME, "no user name for the request"},
    {ZE_RC_INFO_NO_DESTNODE, "no destination node for the request"},
    {ZE_RC_NO_HEADER, "the descriptor has no header"},
    {ZE_RC_NO_INDEX_ARRAY, "the descriptor has no index array"},
    {ZE_RC_ANSWER_LOST, "the node carried the request out, but its answer was lost (memory short)"},
    {ZE_RC_PARTLY_DONE, "the item was copied to its new key, but the old one was not deleted"},
    {ZE_RC_OBJECT_IN_USE, "the object is in use by another thread"},
};

constexpr CodeText kValidate[] = {
    {ZE_RC_NO_ENTRY, "no field has this name"},
    {ZE_RC_TOO_SHORT, "shorter than the field's minimum length"},
    {ZE_RC_TOO_LONG, "longer than the field's maximum length"},
    {ZE_RC_NOT_VALID_VALUE, "not one of the field's valid values"},
    {ZE_RC_NOT_UPPERCASE, "not all upper case"},
    {ZE_RC_NOT_LOWERCASE, "not all lower case"},
    {ZE_RC_TIME_FORMAT, "a time needs at least hours and minutes"},
    {ZE_RC_BAD_HOUR, "hour out of range"},
    {ZE_RC_BAD_MINUTE, "minute out of range"},
    {ZE_RC_BAD_SECONDS, "seconds or hundredths out of range"},
    {ZE_RC_NOT_IN_RANGE, "not a number in the field's range"},
    {ZE_RC_NOT_REAL, "not a real number"},
    {ZE_RC_NOT_BOOLEAN, "neither TRUE nor FALSE"},
    {ZE_RC_DATE_SERVICE, "the date service could not be opened"},
    {ZE_RC_DATE_FORMAT, "the date format is refused"},
    {ZE_RC_DATE_INVALID, "not a valid date"},
};

constexpr CodeText kFilter[] = {
    {ZE_RC_CRITERION_NOT_ADDED, "a criterion is malformed"},
    {ZE_RC_FILTER_FORMAT, "unknown criteria format"},
    {ZE_RC_FILTER_NULL_TEXT, "no criteria text"},
};

constexpr CodeText kRecords[] = {
    {ZE_RC_RDW_FILE, "record file error (cannot open, malformed, short read or write failure)"},
    {ZE_RC_NO_ENTRY, "end of the record file"},
};

constexpr CodeText kLogon[] = {
    {1u, "logon or logoff failed"},
};

// Every router code of TarnRouter.h and TarnRout.h, with the outcome it
// means for a tool: the node could not be reached (down, unknown, its map
// entry or storage unusable) or did not answer in time, the item is not
// there, the key is taken or a concurrent change won, it refused the
// request, or it refused a value its rules do not take.
struct RouterCode {
    unsigned code;
    std::string_view text;
    Outcome outcome;
};

constexpr RouterCode kRouter[] = {
    {TARN_ROUTER_RC_UNKNOWN_NODE, "no such node", Outcome::Unreachable},
    {TARN_ROUTER_RC_UNKNOWN_OBJECT, "the node keeps no such object kind", Outcome::Refused},
    {TARN_ROUTER_RC_BAD_REQUEST, "bad request or a value the node refuses", Outcome::Refused},
    {TARN_ROUTER_RC_NOT_FOUND, "not found", Outcome::NotFound},
    {TARN_ROUTER_RC_ALREADY_EXISTS, "already exists", Outcome::Conflict},
    {TARN_ROUTER_RC_STORAGE_ERROR, "the node's storage failed", Outcome::Unreachable},
    {TARN_ROUTER_RC_NO_DATA_DIR, "the data directory is not set", Outcome::Unreachable},
    {TARN_ROUTER_RC_ANSWER_REFUSED, "the answer was refused; nothing was changed", Outcome::Internal},
    {TARN_ROUTER_RC_LOGON_REFUSED, "logon refused", Outcome::Refused},
    {TARN_ROUTER_RC_NOT_LOGGED_ON, "not logged on", Outcome::Refused},
    {TARN_ROUTER_RC_PERMISSION_DENIED, "the node refuses it to this user", Outcome::Refused},
    {TARN_ROUT_RC_NODE_UNREACHABLE, "the node cannot be reached", Outcome::Unreachable},
    {TARN_ROUT_RC_TIMEOUT, "timed out; nothing was changed", Outcome::TimedOut},
    {TARN_ROUT_RC_CONNECTION_LOST, "the connection to the node broke", Outcome::Unreachable},
    {TARN_ROUT_RC_CONFLICT, "a concurrent change won; nothing was changed", Outcome::Conflict},
    {TARN_ROUT_RC_BAD_NODE_MAP, "the node's map entry is unusable", Outcome::Unreachable},
    {TARN_ROUT_RC_TOO_MANY_SESSIONS, "every connection to the node is in use", Outcome::Refused},
    {TARN_ROUTER_RC_VALUE_REFUSED, "a value the node's rules refuse", Outcome::Invalid},
    {TARN_ROUTER_RC_OUTCOME_UNKNOWN, "the connection broke during the commit: whether the change was made is unknown",
     Outcome::Unreachable},
    {TARN_ROUT_RC_TLS_FAILED, "no TLS connection could be made to the node", Outcome::Unreachable},
    {TARN_ROUT_RC_CREDENTIALS_REFUSED, "the node no longer accepts the password (log on again)", Outcome::Refused},
    {TARN_ROUT_RC_POOLED_SESSION, "a pooler in transaction mode keeps no logon session", Outcome::Refused},
};

const RouterCode *router_code(unsigned code)
{
    for (const RouterCode &entry : kRouter)
        if (entry.code == code) return &entry;
    return nullptr;
}

template <std::size_t N> std::string_view find(const CodeText (&table)[N], unsigned code)
{
    for (const CodeText &entry : table)
        if (entry.code == code) return entry.text;
    return {};
}

}  // namespace

std::string_view library_code_meaning(unsigned code, Family family)
{
    std::string_view text;
    switch (family) {
    case Family::Validate: text = find(kValidate, code); break;
    case Family::Filter: text = find(kFilter, code); break;
    case Family::Records: text = find(kRecords, code); break;
    case Family::Logon: text = find(kLogon, code); break;
    case Family::Object: break;
    }
    if (text.empty()) text = find(kObject, code);
    if (text.empty()) text = find(kValidate, code);
    if (text.empty()) text = find(kShared, code);
    return text;
}

std::string_view router_code_meaning(unsigned code)
{
    const RouterCode *entry = router_code(code);
    return entry ? entry->text : std::string_view();
}

Outcome outcome_of(unsigned code, unsigned routerCode)
{
    if (code == ZE_RC_ROUTER_FAILED) {
        if (const RouterCode *entry = router_code(routerCode)) return entry->outcome;
        return routerCode == ZE_RC_NO_MEMORY ? Outcome::Internal : Outcome::Refused;
    }
    if (code == ZE_RC_NO_ENTRY) return Outcome::NotFound;
    if ((code >= ZE_RC_TOO_SHORT && code <= ZE_RC_NOT_BOOLEAN) ||
        (code >= ZE_RC_DATE_SERVICE && code <= ZE_RC_DATE_INVALID))
        return Outcome::Invalid;
    switch (code) {
    case ZE_RC_LOAD_FAILED:
    case ZE_RC_PROC_NOT_FOUND:
    case ZE_RC_NO_REGISTRY_LINE:
    case ZE_RC_INFO_NO_USERNAME:
    case ZE_RC_INFO_NO_DESTNODE: return Outcome::Unreachable;
    case ZE_RC_DISABLED:
    case ZE_RC_NOT_IN_PROC_TABLE:
    case ZE_RC_EMPTY_NODE:
    case ZE_RC_EMPTY_USERNAME:
    case ZE_RC_INFO_CRITERION_NOT_EQ: return Outcome::Usage;
    default: return Outcome::Internal;
    }
}

}  // namespace admcore
