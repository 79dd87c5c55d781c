// A kvscomn module that fills the whole message area without a terminator:
// the first open after each load fails, later opens and closes succeed,
// formats and dates are always refused.
#include "contract/date_service.hpp"

namespace {

bool g_openedBefore = false;

std::uint32_t refuse(void *statusBlock, char fill)
{
    std::memset(static_cast<date_service::StatusBlock *>(statusBlock)->message, fill, 80);
    return date_service::kBadFormat;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) std::uint32_t vrndate(void *, void *statusBlock,
                                                                        std::uint32_t operation, void *)
{
    switch (operation) {
    case date_service::kOpen:
        if (g_openedBefore) return date_service::kSuccess;
        g_openedBefore = true;
        return refuse(statusBlock, 'O');
    case date_service::kSetFormat: return refuse(statusBlock, 'F');
    case date_service::kValidate: return refuse(statusBlock, 'D');
    default: return date_service::kSuccess;
    }
}
