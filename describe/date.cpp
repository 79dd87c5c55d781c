// Date checks through the date service: the process-wide service state
// (module, entry point, handle), the open, set-format, validate and close
// steps, and the exported checks built from them.
#include "ZeDate.h"

#include "ZeEnv.h"
#include "contract/date_service.hpp"
#include "foundation/blocks.hpp"
#include "foundation/frame.hpp"

#include <cstring>
#include <mutex>

ZE_SOURCE_TAG("ZeDate");

namespace {

namespace ds = date_service;

constexpr const char *kDefaultFormat = "mm/dd/yyyy";
constexpr std::size_t kTextSize = 256;  // room for a text converted to 8 bits

// Held from the open to the close of one check; a failed open leaves them
// for the next check.
void *g_module = nullptr;
ds::Entry g_entry = nullptr;
void *g_handle = nullptr;
// While the service is held (ZeDateHoldService), checks leave it open for
// the next one; the last release closes it. Each check sets its format
// first (unless the service has it already), and one whose format is
// refused opens the service again, so a held check meets the service in
// the state a fresh one has.
int g_holds = 0;
bool g_keptOpen = false;  // a check left the service open for the next one
// The format the open service took last, "" when not known: a held check
// of the same format need not hand it over again.
char g_format[ds::kFormatBufferSize] = "";

// One status block, parameter block and format buffer serve all the
// operations of one check; they start zero-filled.
struct CheckBlocks {
    ds::StatusBlock status{};
    ds::ParameterBlock parameters{};
    char format[ds::kFormatBufferSize]{};

    CheckBlocks() { ds::set_format_buffer(parameters, format); }
    CheckBlocks(const CheckBlocks &) = delete;
    CheckBlocks &operator=(const CheckBlocks &) = delete;

    std::uint32_t call(std::uint32_t operation) { return g_entry(g_handle, &status, operation, &parameters); }

    // The service's message, cut at the end of the block whatever it wrote.
    const char *message()
    {
        status.message[sizeof status.message - 1] = '\0';
        return status.message;
    }
};

bool find_entry()
{
    if (g_entry) return true;
    if (!g_module) g_module = TarnLoadModule(ds::kModuleName);
    if (!g_module) {
        TarnTrace("*** ZeDate : Unable to load the Dll %s for vrndate", ds::kModuleName);
        return false;
    }
    g_entry = reinterpret_cast<ds::Entry>(TarnProcAddress(g_module, ds::kEntryName));
    if (!g_entry) {
        TarnTrace("*** ZeDate : Unable to locate vrndate in %s", ds::kModuleName);
        return false;
    }
    return true;
}

bool open_service(CheckBlocks &blocks)
{
    if (g_keptOpen) return true;  // held, and open since an earlier check
    if (!find_entry()) {
        TarnTrace("**** ZeDate : cannot open vrndate");
        return false;
    }
    if (!g_handle) {
        g_handle = ZE_ALLOC(ds::kHandleSize);
        if (!g_handle) TarnTrace("**** ZeDate : Error allocating handle.");
    }
    g_format[0] = '\0';
    if (blocks.call(ds::kOpen) != ds::kSuccess) {
        TarnTraceA("**** ZeDate Error : %s", blocks.message());
        return false;
    }
    return true;
}

void close_service(CheckBlocks &blocks)
{
    if (g_holds > 0) {
        g_keptOpen = true;
        return;
    }
    g_keptOpen = false;
    g_format[0] = '\0';
    blocks.call(ds::kClose);
    TarnFreeModule(g_module);
    g_module = nullptr;
    g_entry = nullptr;
    ZE_FREE(g_handle);
}

bool set_format(CheckBlocks &blocks, const char *format)
{
    char text[kTextSize];
    TarnConvertStrN(text, sizeof text, format ? format : "", 1);
    TarnTraceA("Format (ANSI) = >%s<", text);
    if (std::strlen(text) > ds::kMaxFormatLength) {
        TarnTrace("**** ZeDate : Invalid Date format, longer than %d characters",
                  static_cast<int>(ds::kMaxFormatLength));
        return false;
    }
    if (g_keptOpen && std::strcmp(text, g_format) == 0) return true;  // the open service has it
    TarnCopyNCharOfStr(blocks.format, text, sizeof blocks.format);
    std::uint32_t status = blocks.call(ds::kSetFormat);
    TarnCopyNCharOfStr(g_format, status == ds::kSuccess ? text : "", sizeof g_format);
    if (status == ds::kSuccess) return true;
    const char *message = blocks.message();
    TarnTrace("**** ZeDate : Invalid Date format, rc = %u", status);
    TarnTraceA("****       %s", message);
    return false;
}

bool validate_date(CheckBlocks &blocks, const char *value)
{
    const char *given = value ? value : "";
    char text[kTextSize];
    TarnConvertStrN(text, sizeof text, given, 1);
    TarnTraceA("Value (ANSI) = >%s<", text);
    if (std::strlen(text) > ds::kMaxDateLength) {
        TarnTrace("**** ZeDateValidate : invalid date, longer than %d characters, date = >%s<",
                  static_cast<int>(ds::kMaxDateLength), given);
        return false;
    }
    TarnCopyNCharOfStr(blocks.parameters.date, text, sizeof blocks.parameters.date);
    std::uint32_t status = blocks.call(ds::kValidate);
    if (status == ds::kSuccess) return true;
    const char *message = blocks.message();
    TarnTraceA("**** ZeDateValidate : invalid date, vrndate rc = %u, date = >%s<", status, given);
    TarnTraceA("****      %s", message);
    return false;
}

// Checks take turns: the routers check a request's dates while they carry
// it out, which may be while another thread validates a value.
std::mutex &checks_turn()
{
    static std::mutex turn;
    return turn;
}

}  // namespace

extern "C" {

unsigned int ZeDateHoldService(void)
{
    return ZE_FRAME({}, [] {
        const std::lock_guard<std::mutex> turn(checks_turn());
        ++g_holds;
        return ZE_OK;
    });
}

unsigned int ZeDateReleaseService(void)
{
    return ZE_FRAME({}, [] {
        const std::lock_guard<std::mutex> turn(checks_turn());
        if (g_holds == 0) return ZE_RC_NO_ENTRY;
        if (--g_holds == 0 && g_keptOpen) {
            CheckBlocks blocks;
            close_service(blocks);
        }
        return ZE_OK;
    });
}

const char *ZeDateDefaultFormat(void)
{
    return ZE_FRAME_QUIET({}, kDefaultFormat, [] {
        const char *configured = ZeEnv(ZE_ENV_KVR_DATEFMT);
        return configured && *configured ? configured : kDefaultFormat;
    });
}

unsigned int ZeDateVerifyFormat(const char *format)
{
    return ZE_FRAME({}, [&] {
        const std::lock_guard<std::mutex> turn(checks_turn());
        TarnTrace("ZeDateVerifyFormat : begin");
        CheckBlocks blocks;
        if (!open_service(blocks)) return ZE_RC_DATE_SERVICE;
        unsigned rc = set_format(blocks, format) ? ZE_OK : ZE_RC_DATE_FORMAT;
        close_service(blocks);
        TarnTrace("ZeDateVerifyFormat : complete, rc = %d", static_cast<int>(rc));
        return rc;
    });
}

unsigned int ZeDateValidate(const char *format, const char *value)
{
    return ZE_FRAME({}, [&] {
        const std::lock_guard<std::mutex> turn(checks_turn());
        TarnTrace("ZeDateValidate : begin");
        CheckBlocks blocks;
        const bool reused = g_keptOpen;
        if (!open_service(blocks)) return ZE_RC_DATE_SERVICE;
        unsigned rc = set_format(blocks, format) ? ZE_OK : ZE_RC_DATE_FORMAT;
        // A refused format leaves the service with the last one it took: back to its default.
        if (rc != ZE_OK && reused) {
            g_format[0] = '\0';
            blocks.call(ds::kOpen);
        }
        if (!validate_date(blocks, value)) rc = ZE_RC_DATE_INVALID;
        close_service(blocks);
        TarnTrace("ZeDateValidate : complete, rc = %d", static_cast<int>(rc));
        return rc;
    });
}

}  // extern "C"
