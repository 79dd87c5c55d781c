// Results and messages: the message object (one text and its length) and
// the result object (a code and a message of its own) that carry the
// outcome of a routed request.
#include "ZeDts.h"

#include "foundation/blocks.hpp"
#include "foundation/frame.hpp"
#include "requests/handles.hpp"

#include <cstring>

struct DtsMessage {
    char eyeCatcher[TARN_EYE_CATCHER_SIZE];
    char *buffer;         // owned; NULL only after a failed set
    unsigned int length;  // length of the last text set successfully
};

struct DtsResult {
    char eyeCatcher[TARN_EYE_CATCHER_SIZE];
    unsigned int code;
    DtsMessage *message;  // owned
};

ZE_SOURCE_TAG("DtsReslt");

namespace {

constexpr const char *kMessageEye = "DTSMESSAGE";
constexpr const char *kResultEye = "DTSRESULT";

// Messages carry a tag of their own.
namespace message_blocks {
ZE_SOURCE_TAG("DtsMsg");
DtsMessage *allocate() { return ZE_NEW(DtsMessage); }
char *copy(const char *text) { return ZE_DUP(text); }
void release(char *&text) { ZE_FREE(text); }
void release(DtsMessage *&msg) { ZE_FREE(msg); }
}  // namespace message_blocks

void release_message(DtsMessage *msg)
{
    message_blocks::release(msg->buffer);
    message_blocks::release(msg);
}

// The next out-pointer of a caller's argument list; taken before the
// parameters are checked, so the list always moves on by one.
template <class T> T *take_out(va_list *pArgs) { return pArgs ? va_arg(*pArgs, T *) : nullptr; }

}  // namespace

extern "C" {

unsigned int ZeCreateDtsMsg(DtsMessage **pMsg)
{
    return ZE_FRAME({{"pMsg", ze::given(pMsg)}}, [&] {
        *pMsg = nullptr;
        DtsMessage *msg = message_blocks::allocate();
        if (!msg) return ZE_RC_NO_MEMORY;
        TarnSetEyeCatcher(msg, kMessageEye);
        msg->buffer = message_blocks::copy("");
        if (!msg->buffer) {
            release_message(msg);
            return ZE_RC_NO_MEMORY;
        }
        *pMsg = msg;
        return ZE_OK;
    });
}

unsigned int ZeDestroyDtsMsg(DtsMessage *msg)
{
    return ZE_FRAME({{"Msg", ze::requests::is_message(msg)}}, [&] {
        release_message(msg);
        return ZE_OK;
    });
}

int ZeIsValidDtsMsg(DtsMessage *msg)
{
    // An invalid handle is reported by its own line rather than the frame's.
    return ZE_FRAME_QUIET({}, 0, [&] {
        return ze::requests::valid_or_traced(msg, kMessageEye, "*** Invalid DTS Msg Object encountered");
    });
}

unsigned int ZeSetDtsMsgBuffer(DtsMessage *msg, const char *buffer)
{
    return ZE_FRAME({{"Msg", ze::requests::is_message(msg)}, {"Buffer", ze::given(buffer)}}, [&] {
        // Copy before releasing: buffer may be the message's own text.
        char *copy = message_blocks::copy(buffer);
        message_blocks::release(msg->buffer);
        if (!copy) return ZE_RC_NO_MEMORY;
        msg->buffer = copy;
        msg->length = static_cast<unsigned int>(TarnLengthOfStr(copy));
        return ZE_OK;
    });
}

unsigned int ZeGetDtsMsgBuffer(DtsMessage *msg, const char **pBuffer)
{
    return ZE_FRAME({{"Msg", ze::requests::is_message(msg)}, {"pBuffer", ze::given(pBuffer)}}, [&] {
        *pBuffer = msg->buffer;
        return ZE_OK;
    });
}

unsigned int ZeQueryDtsMsgBuffer(DtsMessage *msg, va_list *pArgs)
{
    const char **pBuffer = take_out<const char *>(pArgs);
    return ZE_FRAME({{"Msg", ze::requests::is_message(msg)}, {"pArgs", ze::given(pArgs)}},
                    [&] { return ZeGetDtsMsgBuffer(msg, pBuffer); });
}

unsigned int ZeDuplicateDtsMsg(DtsMessage *dest, DtsMessage *src)
{
    return ZE_FRAME({{"DestMsg", ze::requests::is_message(dest)}, {"SrcMsg", ze::requests::is_message(src)}}, [&] {
        const char *text = nullptr;
        if (unsigned rc = ZeGetDtsMsgBuffer(src, &text)) return rc;
        return ZeSetDtsMsgBuffer(dest, text);
    });
}

void ZeDumpDtsMsg(DtsMessage *msg, const char *prefix)
{
    ZE_FRAME_QUIET({{"Msg", ze::requests::has_eye_catcher(msg, kMessageEye)}}, [&] {
        TarnTrace("%sMessage Length: %u Message Buffer: %s", prefix ? prefix : "", msg->length,
                  msg->buffer ? msg->buffer : "<None>");
    });
}

unsigned int ZeCreateDtsResult(DtsResult **pResult)
{
    return ZE_FRAME({{"pResult", ze::given(pResult)}}, [&] {
        *pResult = nullptr;
        DtsResult *result = ZE_NEW(DtsResult);
        if (!result) return ZE_RC_NO_MEMORY;
        TarnSetEyeCatcher(result, kResultEye);
        if (ZeCreateDtsMsg(&result->message) != ZE_OK) {
            ZE_FREE(result);
            return ZE_RC_NO_MEMORY;
        }
        *pResult = result;
        return ZE_OK;
    });
}

unsigned int ZeDestroyDtsResult(DtsResult *result)
{
    return ZE_FRAME({{"pResult", ze::requests::is_result(result)}}, [&] {
        unsigned rc = ZeDestroyDtsMsg(result->message);
        ZE_FREE(result);
        return rc;
    });
}

int ZeIsValidDtsResult(DtsResult *result)
{
    // An invalid handle is reported by its own line rather than the frame's.
    return ZE_FRAME_QUIET({}, 0, [&] {
        return ze::requests::valid_or_traced(result, kResultEye, "*** Invalid DTS Result Object encountered.");
    });
}

unsigned int ZeSetDtsResultFields(DtsResult *result, unsigned int code, const char *text)
{
    return ZE_FRAME({{"Result", ze::requests::is_result(result)}}, [&] {
        result->code = code;
        const char *wanted = text ? text : "";
        const char *held =
            ze::requests::has_eye_catcher(result->message, kMessageEye) ? result->message->buffer : nullptr;
        if (held && TarnCompareStr(held, wanted) == 0) return ZE_OK;  // cleared before every action: no copy
        return ZeSetDtsMsgBuffer(result->message, wanted);
    });
}

unsigned int ZeGetDtsResultFields(DtsResult *result, unsigned int *pCode, const char **pMessage)
{
    return ZE_FRAME(
        {{"Result", ze::requests::is_result(result)}, {"pCode", ze::given(pCode)}, {"pMessage", ze::given(pMessage)}},
        [&] {
            *pCode = result->code;
            const char *text = result->message->buffer;
            *pMessage = text ? text : "";
            return ZE_OK;
        });
}

unsigned int ZeSetDtsResultCode(DtsResult *result, unsigned int code)
{
    return ZE_FRAME({{"Result", ze::requests::is_result(result)}}, [&] {
        result->code = code;
        return ZE_OK;
    });
}

unsigned int ZeSetDtsResultMessage(DtsResult *result, DtsMessage *msg)
{
    return ZE_FRAME({{"Result", ze::requests::is_result(result)}, {"Message", ze::requests::is_message(msg)}},
                    [&] { return ZeDuplicateDtsMsg(result->message, msg); });
}

unsigned int ZeGetDtsResultCode(DtsResult *result, va_list *pArgs)
{
    unsigned int *pCode = take_out<unsigned int>(pArgs);
    return ZE_FRAME({{"Result", ze::requests::is_result(result)}, {"pArgs", ze::given(pArgs)}}, [&] {
        const char *message = nullptr;
        return ZeGetDtsResultFields(result, pCode, &message);
    });
}

unsigned int ZeGetDtsResultMessage(DtsResult *result, va_list *pArgs)
{
    const char **pMessage = take_out<const char *>(pArgs);
    return ZE_FRAME({{"Result", ze::requests::is_result(result)}, {"pArgs", ze::given(pArgs)}}, [&] {
        unsigned int code = 0;
        return ZeGetDtsResultFields(result, &code, pMessage);
    });
}

}  // extern "C"
