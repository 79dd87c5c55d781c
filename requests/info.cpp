// Request info: the nine routing and context strings that go with every
// request, their checks before routing, copies, filling from a filter and
// the trace dump.
#include "ZeDts.h"

#include "ZeDate.h"
#include "ZeFilter.h"
#include "foundation/blocks.hpp"
#include "foundation/frame.hpp"
#include "records/records.hpp"
#include "requests/handles.hpp"

struct DtsInfo {
    char eyeCatcher[TARN_EYE_CATCHER_SIZE];
    char *fields[ZE_INFO_FIELD_COUNT];  // owned; NULL when not set
};

ZE_SOURCE_TAG("DtsInfo");

namespace {

constexpr const char *kInfoEye = "DTSINFO";

// Names of the fields, in field-number order: dumped, and looked up in filters.
constexpr const char *kFieldNames[ZE_INFO_FIELD_COUNT] = {
    "OBJECT", "PLATFORM", "VERSION", "LANGUAGE", "USERNAME", "DESTNODE", "ROUTENODE", "ROUTEMODULE", "DATEFORMAT",
};

bool valid_field(unsigned int field) { return ze::in_range(field, 1, ZE_INFO_FIELD_COUNT); }

char *&slot(DtsInfo *info, unsigned int field) { return info->fields[field - 1]; }

// Replaces a field with a copy of value (NULL clears it). The copy is made
// before the old text goes, so value may be the field's own text.
unsigned store(DtsInfo *info, unsigned int field, const char *value)
{
    char *copy = value ? ZE_DUP(value) : nullptr;
    ZE_FREE(slot(info, field));
    if (value && !copy) return ZE_RC_NO_MEMORY;
    slot(info, field) = copy;
    return ZE_OK;
}

}  // namespace

extern "C" {

unsigned int ZeCreateDtsInfo(DtsInfo **pInfo)
{
    return ZE_FRAME({{"pInfo", ze::given(pInfo)}}, [&] {
        *pInfo = ZE_NEW(DtsInfo);
        if (!*pInfo) return ZE_RC_NO_MEMORY;
        TarnSetEyeCatcher(*pInfo, kInfoEye);
        return ZE_OK;
    });
}

unsigned int ZeDestroyDtsInfo(DtsInfo *info)
{
    return ZE_FRAME({{"Info", ze::requests::is_info(info)}}, [&] {
        for (char *&field : info->fields) ZE_FREE(field);
        ZE_FREE(info);
        return ZE_OK;
    });
}

int ZeIsValidDtsInfo(DtsInfo *info)
{
    // An invalid handle is reported by its own line rather than the frame's.
    return ZE_FRAME_QUIET({}, 0, [&] {
        return ze::requests::valid_or_traced(info, kInfoEye, "*** Invalid DTS Info Object encountered");
    });
}

unsigned int ZeSetDtsInfoField(DtsInfo *info, unsigned int field, const char *value)
{
    return ZE_FRAME({{"Info", ze::requests::is_info(info)}, {"Field", valid_field(field)}},
                    [&] { return store(info, field, value); });
}

const char *ZeDtsInfoField(DtsInfo *info, unsigned int field)
{
    return ZE_FRAME_VALUE({{"Info", ze::requests::is_info(info)}, {"Field", valid_field(field)}},
                          static_cast<const char *>(nullptr), [&] { return slot(info, field); });
}

unsigned int ZeCheckDtsInfo(DtsInfo *info)
{
    return ZE_FRAME({{"Info", ze::requests::is_info(info)}}, [&] {
        if (!ze::has_text(slot(info, ZE_INFO_USERNAME))) {
            TarnTrace("ZeCheckDtsInfo: Info Object is missing the Username");
            return ZE_RC_INFO_NO_USERNAME;
        }
        if (!ze::has_text(slot(info, ZE_INFO_DESTNODE))) {
            TarnTrace("ZeCheckDtsInfo: Info Object is missing the Destination Node");
            return ZE_RC_INFO_NO_DESTNODE;
        }
        if (!ze::has_text(slot(info, ZE_INFO_DATEFORMAT)))
            return store(info, ZE_INFO_DATEFORMAT, ZeDateDefaultFormat());
        return ZE_OK;
    });
}

unsigned int ZeCopyDtsInfo(DtsInfo *dest, DtsInfo *src, const char *newObjectName)
{
    return ZE_FRAME({{"Info", ze::requests::is_info(dest)}, {"SrcInfo", ze::requests::is_info(src)}, {"NewName", true}},
                    [&] {
                        for (unsigned field = 1; field <= ZE_INFO_FIELD_COUNT; ++field) {
                            const char *value = slot(src, field);
                            if (field == ZE_INFO_OBJECT && newObjectName) value = newObjectName;
                            if (unsigned rc = store(dest, field, value)) return rc;
                        }
                        return ZE_OK;
                    });
}

unsigned int ZeSetDtsInfoFromFilter(DtsInfo *info, Filter *filter)
{
    return ZE_FRAME({{"Info", ze::requests::is_info(info)}, {"Filter", ze::records::is_filter(filter)}}, [&] {
        for (unsigned field = 1; field <= ZE_INFO_FIELD_COUNT; ++field) {
            const char *relop = nullptr, *value = nullptr;
            unsigned rc = ZeFilterItemByKey(filter, kFieldNames[field - 1], &relop, &value);
            if (rc == ZE_RC_NO_ENTRY) continue;
            if (rc) return rc;
            if (!ze::same_key(relop, "EQ")) return ZE_RC_INFO_CRITERION_NOT_EQ;
            if ((rc = store(info, field, value))) return rc;
        }
        return ZE_OK;
    });
}

void ZeDumpDtsInfo(DtsInfo *info, const char *prefix)
{
    ZE_FRAME_QUIET({{"Info", ze::requests::has_eye_catcher(info, kInfoEye)}}, [&] {
        if (!prefix) prefix = "";
        TarnTrace("%sInfo:", prefix);
        for (unsigned field = 1; field <= ZE_INFO_FIELD_COUNT; ++field) {
            const char *value = slot(info, field);
            TarnTrace("%s   %12s : %s", prefix, kFieldNames[field - 1], value ? value : "<None>");
        }
    });
}

}  // extern "C"
