// Action requests: creation and release, and the numbered fields through
// which the router library reads a request and delivers its answer.
#include "requests/action.hpp"
#include "requests/batch.hpp"

#include "ZeFilter.h"
#include "ZeRecords.h"
#include "foundation/blocks.hpp"
#include "foundation/frame.hpp"
#include "requests/handles.hpp"

#include <cstdio>

ZE_SOURCE_TAG("DtsAct");

namespace {

constexpr const char *kActionEye = "DTSACTION";

bool is_info_field(unsigned field) { return field >= ZE_ACTION_OBJECT && field <= ZE_ACTION_ROUTENODE; }

bool has_setter(unsigned field)
{
    return is_info_field(field) || field == ZE_ACTION_DELTA || field == ZE_ACTION_DELTA_FIELDS ||
           (field >= ZE_ACTION_ANSWER_ITEM && field <= ZE_ACTION_LIST_NAME) || field == ZE_ACTION_BATCH_OUTCOME;
}

bool has_getter(unsigned field)
{
    return is_info_field(field) || (field >= ZE_ACTION_HAS_DELTA && field <= ZE_ACTION_REQUEST_FIELDS) ||
           (field >= ZE_ACTION_COMMAND && field <= ZE_ACTION_ROUTER_TEXT2) || field == ZE_ACTION_DATE_FORMAT ||
           field == ZE_ACTION_BATCH || field == ZE_ACTION_BATCH_ITEM;
}

// Response kinds that come with a temporary response file.
bool needs_response_file(unsigned kind) { return kind == 3 || kind == 9 || kind == 10 || kind == 11 || kind == 15; }

void free_name(void *name)
{
    char *text = static_cast<char *>(name);
    ZE_FREE(text);
}

// Replaces an owned text with a copy of value (NULL clears it).
unsigned replace_text(char *&slot, const char *value)
{
    char *copy = value ? ZE_DUP(value) : nullptr;
    ZE_FREE(slot);
    slot = copy;
    return value && !copy ? ZE_RC_NO_MEMORY : ZE_OK;
}

void remove_made_file(DtsAction *action)
{
    if (action->madeFile[0]) (void)std::remove(action->madeFile);  // best effort: the file may be gone already
    action->madeFile[0] = '\0';
}

// Stores the kind; the kinds that answer through a file get a fresh
// temporary one, and a file this action made before is deleted.
unsigned set_response_kind(DtsAction *action, unsigned kind)
{
    action->responseKind = kind;
    if (!needs_response_file(kind)) return ZE_OK;
    remove_made_file(action);
    char name[TARN_MAX_PATH] = "";
    if (!TarnGetTempFileName(nullptr, "TARN", name)) name[0] = '\0';
    TarnCopyNCharOfStr(action->madeFile, name, sizeof action->madeFile);
    TarnCopyNCharOfStr(action->responseFile, name, sizeof action->responseFile);
    return ZE_OK;
}

unsigned set_response_file(DtsAction *action, const char *name)
{
    if (!name || TarnLengthOfStr(name) >= sizeof action->responseFile)
        return ze::requests::refuse_field_argument("FileName");
    TarnCopyStr(action->responseFile, name);
    return ZE_OK;
}

unsigned add_list_name(DtsAction *action, const char *name)
{
    if (!name) return ze::requests::refuse_field_argument("Name");
    char *copy = ZE_DUP(name);
    if (!copy) return ZE_RC_NO_MEMORY;
    if (!action->nameList || !TarnListInsertEntry(action->nameList, copy, 1, nullptr, 0, 0)) {
        ZE_FREE(copy);
        return ZE_RC_NO_MEMORY;
    }
    return ZE_OK;
}

unsigned set_field(DtsAction *action, unsigned field, va_list *args)
{
    if (is_info_field(field)) return ZeSetDtsInfoField(action->info, field, va_arg(*args, const char *));
    switch (field) {
    case ZE_ACTION_DELTA: {
        DtsDelta *delta = va_arg(*args, DtsDelta *);
        action->delta = ZeIsValidDtsDelta(delta) ? delta : nullptr;
        return ZE_OK;
    }
    case ZE_ACTION_DELTA_FIELDS: {
        const char *cursor = va_arg(*args, const char *);
        unsigned count = va_arg(*args, unsigned int);
        return ZeSetDtsDeltaFields(action->delta, cursor, count);
    }
    case ZE_ACTION_ANSWER_ITEM: {
        char **columns = va_arg(*args, char **);
        char **values = va_arg(*args, char **);
        int count = va_arg(*args, int);
        return ze::requests::load_answer_item(action, columns, values, count);
    }
    case ZE_ACTION_COMMAND: return replace_text(action->command, va_arg(*args, const char *));
    case ZE_ACTION_RESPONSE_KIND: return set_response_kind(action, va_arg(*args, unsigned int));
    case ZE_ACTION_RESPONSE_FILE: return set_response_file(action, va_arg(*args, const char *));
    case ZE_ACTION_ROUTER_TEXT1: return replace_text(action->routerText1, va_arg(*args, const char *));
    case ZE_ACTION_ROUTER_TEXT2: return replace_text(action->routerText2, va_arg(*args, const char *));
    case ZE_ACTION_MESSAGE: return ZeSetDtsMsgBuffer(action->message, va_arg(*args, const char *));
    case ZE_ACTION_ANSWER_HEADER: return ze::requests::load_answer_header(action, va_arg(*args, TarnList *));
    case ZE_ACTION_ANSWER_ROW: return ze::requests::load_answer_row(action, va_arg(*args, TarnList *));
    case ZE_ACTION_LIST_NAME: return add_list_name(action, va_arg(*args, const char *));
    case ZE_ACTION_BATCH_OUTCOME: {
        const unsigned int index = va_arg(*args, unsigned int);
        const unsigned int state = va_arg(*args, unsigned int);
        const unsigned int code = va_arg(*args, unsigned int);
        return ze::requests::set_batch_outcome(action, index, state, code, va_arg(*args, const char *));
    }
    default: return ZE_RC_INVALID_PARAMETER;  // unreachable: has_setter checked the number
    }
}

// The request fields, as the filter's own arrays.
unsigned get_request_fields(DtsAction *action, char ***pColumns, char ***pRelops, char ***pValues, int *pCount)
{
    // Traced under the name ZeDts.h documents for field 11, not ZeGetDtsActionField's.
    return ze::frame("get_action_request_fields",
                     {{"Action", ze::requests::is_action(action)},
                      {"pColumns", ze::given(pColumns)},
                      {"pRelops", true},
                      {"pValues", ze::given(pValues)},
                      {"pCount", ze::given(pCount)}},
                     [&] {
                         char **relops = nullptr;
                         unsigned rc = ZeGetFilter(action->requestFilter, pColumns, &relops, pValues, pCount);
                         if (rc == ZE_OK && pRelops) *pRelops = relops;
                         return rc;
                     });
}

// Stores one value through the caller's out-pointer, refusing a NULL one.
template <class T> unsigned put(T *out, T value)
{
    if (unsigned rc = ze::check("ZeGetDtsActionField", {{"Action", true}, {"Field", true}, {"pValue", ze::given(out)}}))
        return rc;
    *out = value;
    return ZE_OK;
}

unsigned get_field(DtsAction *action, unsigned field, va_list *args)
{
    if (is_info_field(field) || field == ZE_ACTION_DATE_FORMAT) {
        const char **out = va_arg(*args, const char **);
        if (unsigned rc = put<const char *>(out, nullptr)) return rc;
        if (!ZeIsValidDtsInfo(action->info)) return ZE_RC_INVALID_PARAMETER;  // not routed yet
        *out = ZeDtsInfoField(action->info, field == ZE_ACTION_DATE_FORMAT ? ZE_INFO_DATEFORMAT : field);
        return ZE_OK;
    }
    switch (field) {
    case ZE_ACTION_HAS_DELTA: return put<unsigned int>(va_arg(*args, unsigned int *), action->delta ? 1u : 0u);
    case ZE_ACTION_DELTA_FIELDS: {
        char **pCursor = va_arg(*args, char **);
        unsigned int *pCount = va_arg(*args, unsigned int *);
        return ZeGetDtsDeltaFields(action->delta, pCursor, pCount);
    }
    case ZE_ACTION_REQUEST_FIELDS: {
        char ***pColumns = va_arg(*args, char ***);
        char ***pRelops = va_arg(*args, char ***);
        char ***pValues = va_arg(*args, char ***);
        int *pCount = va_arg(*args, int *);
        return get_request_fields(action, pColumns, pRelops, pValues, pCount);
    }
    case ZE_ACTION_COMMAND: return put<const char *>(va_arg(*args, const char **), action->command);
    case ZE_ACTION_RESPONSE_KIND: return put<unsigned int>(va_arg(*args, unsigned int *), action->responseKind);
    case ZE_ACTION_RESPONSE_FILE: return put<const char *>(va_arg(*args, const char **), action->responseFile);
    case ZE_ACTION_ROUTER_TEXT1: return put<const char *>(va_arg(*args, const char **), action->routerText1);
    case ZE_ACTION_ROUTER_TEXT2: return put<const char *>(va_arg(*args, const char **), action->routerText2);
    case ZE_ACTION_BATCH: {
        unsigned int *pCount = va_arg(*args, unsigned int *);
        return ze::requests::get_batch_size(action, pCount, va_arg(*args, unsigned int *));
    }
    case ZE_ACTION_BATCH_ITEM: {
        const unsigned int index = va_arg(*args, unsigned int);
        char ***pColumns = va_arg(*args, char ***);
        char ***pRelops = va_arg(*args, char ***);
        char ***pValues = va_arg(*args, char ***);
        return ze::requests::get_batch_item(action, index, pColumns, pRelops, pValues, va_arg(*args, int *));
    }
    default: return ZE_RC_INVALID_PARAMETER;  // unreachable: has_getter checked the number
    }
}

void release(DtsAction *action)
{
    if (action->message) ZeDestroyDtsMsg(action->message);
    if (action->requestFilter) ZeDestroyFilter(action->requestFilter);
    if (action->nameList) TarnListDelete(&action->nameList, free_name);
    ZE_FREE(action->command);
    ZE_FREE(action->routerText1);
    ZE_FREE(action->routerText2);
    remove_made_file(action);
    ZE_FREE(action);
}

}  // namespace

namespace ze::requests {

bool is_action(DtsAction *action)
{
    return valid_or_traced(action, kActionEye, "*** Invalid DTS Action Object encountered.") != 0;
}

unsigned refuse_field_argument(const char *name)
{
    return check("ZeSetDtsActionField", {{"Action", true}, {"Field", true}, {name, false}});
}

}  // namespace ze::requests

extern "C" {

unsigned int ZeCreateDtsAction(DtsAction **pAction)
{
    return ZE_FRAME({{"pAction", ze::given(pAction)}}, [&] {
        *pAction = nullptr;
        DtsAction *action = ZE_NEW(DtsAction);
        if (!action) return ZE_RC_NO_MEMORY;
        TarnSetEyeCatcher(action, kActionEye);
        set_response_kind(action, ZE_RESPONSE_ITEM);
        unsigned rc = ZeCreateDtsMsg(&action->message);
        if (ZeCreateFilter(&action->requestFilter) != ZE_OK) rc = ZE_RC_NO_MEMORY;
        if (!TarnListCreateNoDebug(&action->nameList)) rc = ZE_RC_NO_MEMORY;
        *pAction = action;
        return rc;
    });
}

unsigned int ZeDestroyDtsAction(DtsAction *action)
{
    return ZE_FRAME({{"Action", ze::requests::is_action(action)}}, [&] {
        release(action);
        return ZE_OK;
    });
}

unsigned int ZeSetDtsActionField(DtsAction *action, unsigned int field, ...)
{
    va_list args;
    va_start(args, field);
    unsigned rc = ZE_FRAME({{"Action", ze::requests::is_action(action)}, {"Field", has_setter(field)}},
                           [&] { return set_field(action, field, &args); });
    va_end(args);
    return rc;
}

unsigned int ZeGetDtsActionField(DtsAction *action, unsigned int field, ...)
{
    va_list args;
    va_start(args, field);
    unsigned rc = ZE_FRAME({{"Action", ze::requests::is_action(action)}, {"Field", has_getter(field)}},
                           [&] { return get_field(action, field, &args); });
    va_end(args);
    return rc;
}

}  // extern "C"
