// Deltas: the cursor string and count that mark an action request as a
// delta request, under the names the request layer reports them with.
#include "ZeRecords.h"

#include "foundation/blocks.hpp"
#include "foundation/frame.hpp"

ZE_SOURCE_TAG("DtsDelta");

struct DtsDelta {
    char eyeCatcher[TARN_EYE_CATCHER_SIZE];  // "DTSDELTA"
    unsigned int count;
    char *cursor;  // owned; NULL when none
};

namespace {

constexpr const char *kEyeCatcher = "DTSDELTA";

bool is_delta(const DtsDelta *delta) { return delta && TarnValidEyeCatcher(delta, kEyeCatcher); }

}  // namespace

// The frames below trace under the names ZeRecords.h documents for the delta
// functions (ZeCreateDtsDeltaObject, ZeSetDtsDeltaField ...), not under the
// exported names: callers match trace lines on them.

extern "C" {

int ZeIsValidDtsDelta(DtsDelta *delta)
{
    return ZE_FRAME_QUIET({{"Delta", is_delta(delta)}}, 0, [] { return 1; });
}

unsigned int ZeCreateDtsDelta(DtsDelta **pDelta)
{
    return ze::frame("ZeCreateDtsDeltaObject", {{"pDelta", ze::given(pDelta)}}, [&] {
        *pDelta = ZE_NEW(DtsDelta);
        if (!*pDelta) return ZE_RC_NO_MEMORY;
        TarnSetEyeCatcher(*pDelta, kEyeCatcher);
        return ZE_OK;
    });
}

unsigned int ZeDestroyDtsDelta(DtsDelta *delta)
{
    return ze::frame("ZeDestroyDtsDeltaObject", {{"Delta", is_delta(delta)}}, [&] {
        ZE_FREE(delta->cursor);
        TarnSetEyeCatcher(delta, "");
        ZE_FREE(delta);
        return ZE_OK;
    });
}

unsigned int ZeSetDtsDeltaFields(DtsDelta *delta, const char *Cursor, unsigned int Count)
{
    return ze::frame("ZeSetDtsDeltaField", {{"Delta", is_delta(delta)}, {"Cursor", ze::given(Cursor)}, {"Count", true}},
                     [&] {
                         char *copy = ZE_DUP(Cursor);  // before the release: Cursor may be the delta's own
                         ZE_FREE(delta->cursor);
                         delta->cursor = copy;
                         delta->count = Count;
                         return copy ? ZE_OK : ZE_RC_NO_MEMORY;
                     });
}

unsigned int ZeGetDtsDeltaFields(DtsDelta *delta, char **pCursor, unsigned int *pCount)
{
    return ze::frame("ZeGetDtsDeltaField",
                     {{"Delta", is_delta(delta)}, {"pCursor", ze::given(pCursor)}, {"pCount", ze::given(pCount)}}, [&] {
                         *pCursor = delta->cursor;
                         *pCount = delta->count;
                         return ZE_OK;
                     });
}

void ZeDumpDtsDelta(DtsDelta *delta, const char *Prefix)
{
    ZE_FRAME_QUIET({{"Delta", is_delta(delta)}}, [&] {
        TarnTrace("%sDeltaMode: Yes  Cursor: %s  Count:  %d", Prefix ? Prefix : "",
                  delta->cursor ? delta->cursor : "<None>", static_cast<int>(delta->count));
    });
}

}  // extern "C"
