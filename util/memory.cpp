// Tagged memory blocks: calloc with a header that records the allocating
// source line, a live-block list for the TARN_LEAKS report, a running count
// for leak checks and allocation-failure injection for tests.
#include "TarnUtil.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr std::uint64_t kLiveMagic = 0x4B4F4C424E524154ull;  // "TARNBLOK"
constexpr std::uint64_t kDeadMagic = 0x444145444E524154ull;  // "TARNDEAD"

struct alignas(16) BlockHeader {
    std::uint64_t magic;
    const char *file;
    BlockHeader *prev;
    BlockHeader *next;
    std::size_t size;
    int line;
};

BlockHeader *g_live = nullptr;  // most recent block first
unsigned long g_inUse = 0;
unsigned long g_allocated = 0;
long g_failAfter = -1;  // < 0: injection off
long g_failCount = 0;   // -1: fail for ever

bool injected_failure()
{
    if (g_failAfter < 0) return false;
    if (g_failAfter > 0) {
        --g_failAfter;
        return false;
    }
    if (g_failCount == 0) return false;
    if (g_failCount > 0) --g_failCount;
    return true;
}

void link(BlockHeader *h)
{
    h->prev = nullptr;
    h->next = g_live;
    if (g_live) g_live->prev = h;
    g_live = h;
}

void unlink(BlockHeader *h)
{
    if (h->prev) h->prev->next = h->next;
    else g_live = h->next;
    if (h->next) h->next->prev = h->prev;
}

void report_leaks()
{
    if (!g_live) return;
    std::fprintf(stderr, "TarnUtil: %lu block(s) still in use at exit\n", g_inUse);
    for (BlockHeader *h = g_live; h; h = h->next)
        std::fprintf(stderr, "  %zu bytes from %s:%d\n", h->size, h->file ? h->file : "?", h->line);
}

__attribute__((constructor)) void register_leak_report()
{
    const char *flag = std::getenv("TARN_LEAKS");
    if (flag && std::strcmp(flag, "1") == 0) std::atexit(report_leaks);
}

}  // namespace

extern "C" {

void *TarnAllocBlock(size_t size, const char *file, int line)
{
    if (injected_failure()) return nullptr;
    auto *h = static_cast<BlockHeader *>(std::calloc(1, sizeof(BlockHeader) + size));
    if (!h) return nullptr;
    h->magic = kLiveMagic;
    h->file = file;
    h->line = line;
    h->size = size;
    link(h);
    ++g_inUse;
    ++g_allocated;
    return h + 1;
}

void TarnFreeBlock(void **pBlock, const char *file, int line)
{
    if (!pBlock || !*pBlock) return;
    BlockHeader *h = static_cast<BlockHeader *>(*pBlock) - 1;
    if (h->magic != kLiveMagic) {
        TarnTrace("*** TarnFreeBlock: %p is not a live block (%s:%d)", *pBlock, file ? file : "?", line);
        return;
    }
    h->magic = kDeadMagic;
    unlink(h);
    --g_inUse;
    std::free(h);
    *pBlock = nullptr;
}

char *TarnDuplicateString(const char *text, const char *file, int line)
{
    if (!text) return nullptr;
    std::size_t n = std::strlen(text);
    auto *copy = static_cast<char *>(TarnAllocBlock(n + 1, file, line));
    if (copy) std::memcpy(copy, text, n);
    return copy;
}

unsigned long TarnBlocksInUse(void) { return g_inUse; }

unsigned long TarnBlocksAllocated(void) { return g_allocated; }

void TarnSetAllocFailure(long after, long count)
{
    g_failAfter = after;
    g_failCount = after < 0 ? 0 : count;
}

void TarnSetEyeCatcher(void *block, const char *name)
{
    if (!block) return;
    char *area = static_cast<char *>(block);
    std::memset(area, 0, TARN_EYE_CATCHER_SIZE);
    if (name) std::strncpy(area, name, TARN_EYE_CATCHER_SIZE - 1);
}

int TarnValidEyeCatcher(const void *block, const char *name)
{
    if (!block || !name) return 0;
    const char *area = static_cast<const char *>(block);
    std::size_t n = std::strlen(name);
    if (n >= TARN_EYE_CATCHER_SIZE) return 0;
    return std::memcmp(area, name, n) == 0 && area[n] == '\0';
}

}  // extern "C"
