// The call contract of the date service (vrndate in the kvscomn module):
// block sizes and offsets, operations and statuses. Both the caller
// (describe/date.cpp) and the service (modules/kvscomn) build on this one
// definition so the two sides cannot drift apart.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace date_service {

// vrndate(handle, statusBlock, operation, parameterBlock) -> status
using Entry = std::uint32_t (*)(void *handle, void *statusBlock, std::uint32_t operation, void *parameterBlock);

constexpr const char *kModuleName = "kvscomn";
constexpr const char *kEntryName = "vrndate";

enum Operation : std::uint32_t {
    kOpen = 9,
    kSetFormat = 12,
    kValidate = 4,
    kClose = 3,
};

// The service's own session state; the caller allocates it zero-filled.
constexpr std::size_t kHandleSize = 16;

// 8 bytes the service may use, then its message text.
struct StatusBlock {
    unsigned char reserved[8];
    char message[80];  // the caller terminates it at its last byte
};
static_assert(sizeof(StatusBlock) == 88);
static_assert(offsetof(StatusBlock, message) == 8);

constexpr std::size_t kFormatBufferSize = 32;  // at most 31 characters and the terminator
constexpr std::size_t kMaxFormatLength = kFormatBufferSize - 1;

// The date text inline, then a native pointer to the format buffer. The
// pointer is kept as bytes so the block keeps its size of 212 with no padding.
struct ParameterBlock {
    unsigned char reserved[64];
    char date[128];  // at most 127 characters and the terminator
    unsigned char formatPointer[sizeof(char *)];
    unsigned char tail[212 - 192 - sizeof(char *)];
};
static_assert(sizeof(ParameterBlock) == 212);
static_assert(offsetof(ParameterBlock, date) == 64);
static_assert(offsetof(ParameterBlock, formatPointer) == 192);

constexpr std::size_t kMaxDateLength = sizeof(ParameterBlock::date) - 1;

inline char *format_buffer(const ParameterBlock &block)
{
    char *buffer;
    std::memcpy(&buffer, block.formatPointer, sizeof buffer);
    return buffer;
}

inline void set_format_buffer(ParameterBlock &block, char *buffer)
{
    std::memcpy(block.formatPointer, &buffer, sizeof buffer);
}

// Statuses: the success value, then one failure status per kind of refusal.
// Each failure comes with a message in the status block.
enum Status : std::uint32_t {
    kSuccess = 0x08028011u,
    kNoHandle = 0x0802801Au,      // no handle, or a handle not opened by operation 9
    kBadOperation = 0x08028022u,  // an operation other than 9, 12, 4 and 3
    kBadFormat = 0x0802802Au,     // the date format is refused
    kBadDate = 0x08028032u,       // the date does not follow the format
    kDateRange = 0x0802803Au,     // a day, month or year out of its range
    kNoBlock = 0x08028042u,       // a status or parameter block is missing
};

}  // namespace date_service
