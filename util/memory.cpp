// Tagged memory blocks: zero-filled blocks behind a small header, counts of
// blocks kept per thread for leak checks, allocation-failure injection for tests and, with
// TARN_LEAKS=1, a live-block list that names the source line of every block
// still in use at exit.
//
// Small blocks come from per-thread free lists, one per size class of 8
// bytes, carved from slabs: a block is reused by the next allocation of its
// class without a call to the system allocator and without a lock, and
// carries 8 bytes of header. Such blocks are aligned to 8 bytes, enough for
// every structure of the suite. Larger blocks, blocks tracked for the leak
// report and every block of a sanitizer build come from calloc, aligned to
// 16 bytes, so that the sanitizers see each block on its own.
#include "TarnUtil.h"

#include <pthread.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>

#if defined(__SANITIZE_ADDRESS__)
#define TARN_POOL_BLOCKS 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TARN_POOL_BLOCKS 0
#endif
#endif
#ifndef TARN_POOL_BLOCKS
#define TARN_POOL_BLOCKS 1
#endif

namespace {

constexpr std::uint32_t kLiveMagic = 0x4B4C4254u;  // "TBLK"
constexpr std::uint32_t kDeadMagic = 0x44414554u;  // "TEAD"

// Where a block came from, kept in its header.
enum Origin : std::uint8_t { kFromSystem = 0, kFromPool = 1, kTracked = 2 };

struct BlockHeader {
    std::uint32_t magic;
    std::uint8_t origin;
    std::uint8_t sizeClass;  // pool blocks: index of the free list
    std::uint16_t spare;
};
static_assert(sizeof(BlockHeader) == 8);

// Blocks from calloc start 8 bytes before their header, so that what the
// caller gets is aligned to 16 like calloc's own blocks.
constexpr std::size_t kSystemPad = 8;

// A tracked block: source line, size and live-list links before the pad.
struct alignas(16) TrackedRecord {
    const char *file;
    TrackedRecord *prev;
    TrackedRecord *next;
    std::size_t size;
    int line;
};

BlockHeader *header_after(void *start)
{
    return reinterpret_cast<BlockHeader *>(static_cast<char *>(start) + kSystemPad);
}
char *start_before(BlockHeader *h) { return reinterpret_cast<char *>(h) - kSystemPad; }
BlockHeader *header_of(TrackedRecord *t) { return header_after(t + 1); }
TrackedRecord *record_of(BlockHeader *h) { return reinterpret_cast<TrackedRecord *>(start_before(h)) - 1; }

// ------------------------------------------------------------ counts

// Each thread counts the blocks it makes and frees in counters of its own,
// written by that thread alone with plain loads and stores: a locked add
// per allocation (a full barrier each) showed in the wall time of large
// selects. Readers sum the counters of the live threads under g_countsLock.
// A thread that ends adds its counts to the shared ones, which also take
// the counts of a thread whose counters could not be made.
struct Counts {
    std::atomic<long> inUse{0};
    std::atomic<long> allocated{0};
    Counts *prev = nullptr;
    Counts *next = nullptr;
};

std::atomic<long> g_inUse{0};
std::atomic<long> g_allocated{0};
std::mutex g_countsLock;
Counts *g_threadCounts = nullptr;

void add(std::atomic<long> &own, long n)
{
    own.store(own.load(std::memory_order_relaxed) + n, std::memory_order_relaxed);
}

void register_counts(Counts *c)
{
    std::lock_guard<std::mutex> hold(g_countsLock);
    c->next = g_threadCounts;
    if (g_threadCounts) g_threadCounts->prev = c;
    g_threadCounts = c;
}

void retire_counts(Counts *c)
{
    std::lock_guard<std::mutex> hold(g_countsLock);
    g_inUse.fetch_add(c->inUse.load(std::memory_order_relaxed), std::memory_order_relaxed);
    g_allocated.fetch_add(c->allocated.load(std::memory_order_relaxed), std::memory_order_relaxed);
    if (c->prev) c->prev->next = c->next;
    else g_threadCounts = c->next;
    if (c->next) c->next->prev = c->prev;
}

// The shared count plus every live thread's.
unsigned long sum(std::atomic<long> Counts::*counter, const std::atomic<long> &shared)
{
    std::lock_guard<std::mutex> hold(g_countsLock);
    long n = shared.load(std::memory_order_relaxed);
    for (const Counts *c = g_threadCounts; c; c = c->next) n += (c->*counter).load(std::memory_order_relaxed);
    return static_cast<unsigned long>(n);
}

unsigned long blocks_in_use() { return sum(&Counts::inUse, g_inUse); }

// ------------------------------------------------------------ failure injection

// g_failAfter < 0: injection off, and the only test on the common path.
std::atomic<long> g_failAfter{-1};
long g_failCount = 0;  // -1: fail for ever
std::mutex g_failLock;

bool injected_failure()
{
    if (g_failAfter.load(std::memory_order_relaxed) < 0) return false;
    std::lock_guard<std::mutex> hold(g_failLock);
    long after = g_failAfter.load(std::memory_order_relaxed);
    if (after < 0) return false;
    if (after > 0) {
        g_failAfter.store(after - 1, std::memory_order_relaxed);
        return false;
    }
    if (g_failCount == 0) return false;
    if (g_failCount > 0) --g_failCount;
    return true;
}

// ------------------------------------------------------------ leak report

bool g_tracking = false;  // TARN_LEAKS=1 at load
std::mutex g_liveLock;
TrackedRecord *g_live = nullptr;  // most recent block first

void link(TrackedRecord *t)
{
    std::lock_guard<std::mutex> hold(g_liveLock);
    t->prev = nullptr;
    t->next = g_live;
    if (g_live) g_live->prev = t;
    g_live = t;
}

void unlink(TrackedRecord *t)
{
    std::lock_guard<std::mutex> hold(g_liveLock);
    if (t->prev) t->prev->next = t->next;
    else g_live = t->next;
    if (t->next) t->next->prev = t->prev;
}

void report_leaks()
{
    unsigned long inUse = blocks_in_use();
    if (inUse == 0) return;
    // At exit, on stderr: nobody is left to hear that this report failed.
    (void)std::fprintf(stderr, "TarnUtil: %lu block(s) still in use at exit\n", inUse);
    std::lock_guard<std::mutex> hold(g_liveLock);
    for (TrackedRecord *t = g_live; t; t = t->next)
        (void)std::fprintf(stderr, "  %zu bytes from %s:%d\n", t->size, t->file ? t->file : "?", t->line);
}

__attribute__((constructor)) void register_leak_report()
{
    const char *flag = std::getenv("TARN_LEAKS");
    g_tracking = flag && std::strcmp(flag, "1") == 0;
    // Without the handler the report is lost, not the program: nothing else to do.
    if (g_tracking) (void)std::atexit(report_leaks);
}

// ------------------------------------------------------------ small-block pool

constexpr std::size_t kGrain = 8;
constexpr std::size_t kClasses = 64;  // blocks of 8 to 512 bytes, header included
constexpr std::size_t kSlabSize = std::size_t{64} * 1024;

struct FreeBlock {
    BlockHeader header;  // magic reads dead while the block waits here
    FreeBlock *next;
};

struct Cache {
    FreeBlock *free[kClasses]{};
    Counts counts;  // the thread's block counts
};

// The smallest class that holds `total` bytes and a free-list link.
std::size_t class_of(std::size_t total)
{
    if (total < sizeof(FreeBlock)) total = sizeof(FreeBlock);
    return (total + kGrain - 1) / kGrain - 1;
}
std::size_t class_size(std::size_t sizeClass) { return (sizeClass + 1) * kGrain; }

// Free lists of threads that have ended, taken over by the next refill.
std::mutex g_depotLock;
FreeBlock *g_depot[kClasses];

pthread_key_t g_cacheKey;
std::once_flag g_cacheKeyOnce;
__thread Cache *t_cache __attribute__((tls_model("initial-exec"))) = nullptr;

void return_to_depot(void *p)
{
    auto *cache = static_cast<Cache *>(p);
    std::lock_guard<std::mutex> hold(g_depotLock);
    for (std::size_t c = 0; c < kClasses; ++c) {
        FreeBlock *list = cache->free[c];
        while (list) {
            FreeBlock *next = list->next;
            list->next = g_depot[c];
            g_depot[c] = list;
            list = next;
        }
    }
    retire_counts(&cache->counts);
    cache->~Cache();
    std::free(cache);
    t_cache = nullptr;  // a later free on this thread makes a new cache
}

// The first use on a thread: out of line, so that every later one inlines
// to a load and a test.
[[gnu::noinline]] Cache *new_thread_cache()
{
    std::call_once(g_cacheKeyOnce, [] { pthread_key_create(&g_cacheKey, return_to_depot); });
    void *memory = std::calloc(1, sizeof(Cache));
    if (!memory) return nullptr;
    t_cache = new (memory) Cache;
    register_counts(&t_cache->counts);
    pthread_setspecific(g_cacheKey, t_cache);
    return t_cache;
}

Cache *thread_cache() { return t_cache ? t_cache : new_thread_cache(); }

// Fills an empty free list: first from the depot, else from a new slab.
// Slabs stay with the process; their blocks circulate through the lists.
// Out of line, so that taking a block from a list inlines.
[[gnu::noinline]] FreeBlock *refill(Cache *cache, std::size_t sizeClass)
{
    {
        std::lock_guard<std::mutex> hold(g_depotLock);
        if (g_depot[sizeClass]) {
            cache->free[sizeClass] = g_depot[sizeClass];
            g_depot[sizeClass] = nullptr;
            return cache->free[sizeClass];
        }
    }
    auto *slab = static_cast<char *>(std::malloc(kSlabSize));
    if (!slab) return nullptr;
    const std::size_t step = class_size(sizeClass);
    FreeBlock *list = nullptr;
    for (std::size_t at = kSlabSize / step * step; at >= step; at -= step) {
        auto *b = reinterpret_cast<FreeBlock *>(slab + at - step);
        b->header.magic = kDeadMagic;
        b->next = list;
        list = b;
    }
    // The slab lives as long as the process: its first block heads the list.
    cache->free[sizeClass] = list;  // NOLINT(clang-analyzer-unix.Malloc)
    return list;
}

BlockHeader *pool_alloc(std::size_t total, bool zeroed)
{
    const std::size_t sizeClass = class_of(total);
    Cache *cache = thread_cache();
    if (!cache) return nullptr;
    FreeBlock *b = cache->free[sizeClass];
    if (!b && !(b = refill(cache, sizeClass))) return nullptr;
    cache->free[sizeClass] = b->next;
    if (zeroed) std::memset(static_cast<void *>(b), 0, total);
    b->header.origin = kFromPool;
    b->header.sizeClass = static_cast<std::uint16_t>(sizeClass);
    return &b->header;
}

void pool_free(BlockHeader *h)
{
    Cache *cache = thread_cache();
    auto *b = reinterpret_cast<FreeBlock *>(h);
    if (!cache) return;  // no list to keep it on: the block stays unused
    b->next = cache->free[h->sizeClass];
    cache->free[h->sizeClass] = b;
}

// ------------------------------------------------------------ blocks

constexpr std::size_t kTrackedExtra = sizeof(TrackedRecord) + kSystemPad + sizeof(BlockHeader);

// The rarer kinds of block, kept out of line so that a pool block's path
// inlines whole: a block tracked for the leak report, and one from calloc
// (or malloc when it is about to be filled).
[[gnu::noinline]] BlockHeader *tracked_block(std::size_t size, const char *file, int line)
{
    auto *t = static_cast<TrackedRecord *>(std::calloc(1, kTrackedExtra + size));
    if (!t) return nullptr;
    t->file = file;
    t->line = line;
    t->size = size;
    link(t);
    header_of(t)->origin = kTracked;
    return header_of(t);
}

[[gnu::noinline]] BlockHeader *system_block(std::size_t total, bool zeroed)
{
    const std::size_t whole = kSystemPad + total;
    void *start = zeroed ? std::calloc(1, whole) : std::malloc(whole);
    if (!start) return nullptr;
    header_after(start)->origin = kFromSystem;
    return header_after(start);
}

// A block with its header, zero-filled when asked (copies fill it anyway).
BlockHeader *new_block(std::size_t size, const char *file, int line, bool zeroed)
{
    if (size > SIZE_MAX - kTrackedExtra) return nullptr;
    if (g_tracking) return tracked_block(size, file, line);
    const std::size_t total = sizeof(BlockHeader) + size;
    if (TARN_POOL_BLOCKS && total <= class_size(kClasses - 1)) return pool_alloc(total, zeroed);
    return system_block(total, zeroed);
}

void release_block(BlockHeader *h)
{
    switch (h->origin) {
    case kFromPool: pool_free(h); break;
    case kTracked:
        unlink(record_of(h));
        std::free(record_of(h));
        break;
    default: std::free(start_before(h)); break;
    }
}

// Counts a block made (1) or freed (-1) in the thread's counters, or in
// the shared ones when the thread has none.
[[gnu::noinline]] void count_shared(long n)
{
    g_inUse.fetch_add(n, std::memory_order_relaxed);
    if (n > 0) g_allocated.fetch_add(n, std::memory_order_relaxed);
}

void count_blocks(long n)
{
    Cache *cache = thread_cache();
    if (!cache) return count_shared(n);
    add(cache->counts.inUse, n);
    if (n > 0) add(cache->counts.allocated, n);
}

void *allocate(std::size_t size, const char *file, int line, bool zeroed)
{
    if (injected_failure()) return nullptr;
    BlockHeader *h = new_block(size, file, line, zeroed);
    if (!h) return nullptr;
    h->magic = kLiveMagic;
    count_blocks(1);
    return h + 1;
}

}  // namespace

extern "C" {

void *TarnAllocBlock(size_t size, const char *file, int line) { return allocate(size, file, line, true); }

void TarnFreeBlock(void **pBlock, const char *file, int line)
{
    if (!pBlock || !*pBlock) return;
    BlockHeader *h = static_cast<BlockHeader *>(*pBlock) - 1;
    if (h->magic != kLiveMagic) {
        TarnTrace("*** TarnFreeBlock: %p is not a live block (%s:%d)", *pBlock, file ? file : "?", line);
        return;
    }
    h->magic = kDeadMagic;
    count_blocks(-1);
    release_block(h);
    *pBlock = nullptr;
}

char *TarnDuplicateString(const char *text, const char *file, int line)
{
    if (!text) return nullptr;
    std::size_t n = std::strlen(text) + 1;
    auto *copy = static_cast<char *>(allocate(n, file, line, false));
    if (copy) std::memcpy(copy, text, n);
    return copy;
}

unsigned long TarnBlocksInUse(void) { return blocks_in_use(); }

unsigned long TarnBlocksAllocated(void) { return sum(&Counts::allocated, g_allocated); }

void TarnSetAllocFailure(long after, long count)
{
    std::lock_guard<std::mutex> hold(g_failLock);
    g_failCount = after < 0 ? 0 : count;
    g_failAfter.store(after, std::memory_order_relaxed);
}

void TarnSetEyeCatcher(void *block, const char *name)
{
    if (!block) return;
    // Set on every structure made: a short loop costs less than strncpy.
    char *area = static_cast<char *>(block);
    std::size_t i = 0;
    for (; name && i < TARN_EYE_CATCHER_SIZE - 1 && name[i]; ++i) area[i] = name[i];
    for (; i < TARN_EYE_CATCHER_SIZE; ++i) area[i] = '\0';
}

int TarnValidEyeCatcher(const void *block, const char *name)
{
    if (!block || !name) return 0;
    const char *area = static_cast<const char *>(block);
    // The name and its terminator must match; one pass, no strlen.
    for (std::size_t i = 0; i < TARN_EYE_CATCHER_SIZE; ++i) {
        if (area[i] != name[i]) return 0;
        if (name[i] == '\0') return 1;
    }
    return 0;
}

}  // extern "C"
