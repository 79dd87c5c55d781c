// Parameter checks: the exported C forms and the C++ frame helper share one
// walk and one way of writing the line.
#include "foundation/frame.hpp"

#include "ZeFrame.h"
#include "contract/text.hpp"

#include <cstdarg>

namespace {

enum class Style { Assert, Report };

unsigned report_invalid(Style style, const char *function, unsigned position, const char *name)
{
    if (!TarnTraceActive()) return ZE_RC_INVALID_PARAMETER;  // a quiet trace costs nothing
    if (!function) function = "";
    if (style == Style::Assert) {
        char line[TARN_FORMAT_BUFFER_SIZE];
        TarnFormatStr(line, "*** %s: parameter %u (%s) is invalid", function, position, name ? name : " ");
        TarnTrace("%s", line);
    } else {
        TarnTrace("%s parameter %u (%s) is invalid", function, position, name ? name : " ");
    }
    return ZE_RC_INVALID_PARAMETER;
}

unsigned walk_pairs(Style style, const char *function, unsigned count, va_list *pairs)
{
    for (unsigned i = 1; i <= count; ++i) {
        const char *name = va_arg(*pairs, const char *);
        int valid = va_arg(*pairs, int);
        if (!valid) return report_invalid(style, function, i, name);
    }
    return ZE_OK;
}

}  // namespace

namespace ze {

unsigned refuse_first_invalid(const char *function, std::initializer_list<Param> params) noexcept
{
    unsigned position = 0;
    for (const Param &p : params) {
        ++position;
        if (!p.valid) return report_invalid(Style::Assert, function, position, p.name);
    }
    return ZE_OK;
}

void report_internal_error(const char *function) noexcept
{
    TarnTrace("*** %s: internal error", function ? function : "");
}

bool same_key_nocase(const char *key, std::string_view expected) noexcept { return key && equal_nocase(key, expected); }

}  // namespace ze

extern "C" {

unsigned int ZeAssertValidParameters(const char *functionName, unsigned int count, ...)
{
    va_list pairs;
    va_start(pairs, count);
    unsigned rc = ZE_FRAME({}, [&] { return walk_pairs(Style::Assert, functionName, count, &pairs); });
    va_end(pairs);
    return rc;
}

unsigned int ZeReportInvalidParameters(const char *functionName, unsigned int count, ...)
{
    va_list pairs;
    va_start(pairs, count);
    unsigned rc = ZE_FRAME({}, [&] { return walk_pairs(Style::Report, functionName, count, &pairs); });
    va_end(pairs);
    return rc;
}

}  // extern "C"
