// Trace: one line per call to the TARN_TRACE destination and to an
// in-process hook. With neither, a call costs one test. Lines of several
// threads go out whole, one after the other.
#include "TarnUtil.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <atomic>
#include <mutex>

namespace {

constexpr std::size_t kLineSize = 4096;

FILE *g_sink = nullptr;  // set at load, before any thread can trace
bool g_ownsSink = false;
std::atomic<TarnTraceHook> g_hook{nullptr};
void *g_hookContext = nullptr;  // under g_emitting
// Held while a line goes out, so that lines do not interleave and the hook
// is not replaced while it runs; recursive, for a hook that traces.
std::recursive_mutex g_emitting;

__attribute__((constructor)) void open_trace_destination()
{
    const char *dest = std::getenv("TARN_TRACE");
    if (!dest || !*dest) return;
    if (std::strcmp(dest, "stderr") == 0) {
        g_sink = stderr;
    } else if (std::strcmp(dest, "stdout") == 0) {
        g_sink = stdout;
    } else {
        g_sink = std::fopen(dest, "a");
        g_ownsSink = g_sink != nullptr;
        if (!g_sink)
            (void)std::fprintf(stderr, "TarnUtil: cannot write the TARN_TRACE file %s: %s; trace is off\n", dest,
                               std::strerror(errno));
    }
}

__attribute__((destructor)) void close_trace_destination()
{
    if (g_ownsSink) (void)std::fclose(g_sink);  // at exit: nobody is left to tell
    g_sink = nullptr;
    g_ownsSink = false;
}

void emit(const char *format, va_list args)
{
    char line[kLineSize];
    int n = std::vsnprintf(line, sizeof line, format ? format : "", args);
    if (n < 0) line[0] = '\0';
    std::lock_guard<std::recursive_mutex> hold(g_emitting);
    // Best effort: a line the sink cannot take is dropped; tracing never fails a call.
    if (g_sink) {
        (void)std::fputs(line, g_sink);
        (void)std::fputc('\n', g_sink);
        (void)std::fflush(g_sink);
    }
    if (TarnTraceHook hook = g_hook.load(std::memory_order_relaxed)) hook(g_hookContext, line);
}

}  // namespace

extern "C" {

void TarnTrace(const char *format, ...)
{
    if (!g_sink && !g_hook.load(std::memory_order_relaxed)) return;
    va_list args;
    va_start(args, format);
    emit(format, args);
    va_end(args);
}

void TarnTraceA(const char *format, ...)
{
    if (!g_sink && !g_hook.load(std::memory_order_relaxed)) return;
    va_list args;
    va_start(args, format);
    emit(format, args);
    va_end(args);
}

int TarnTraceActive(void) { return g_sink || g_hook.load(std::memory_order_relaxed); }

void TarnTraceDllInitTerm(const char *module, unsigned long reason, void * /*reserved*/)
{
    static const char *const kReasons[] = {"process detach", "process attach", "thread attach", "thread detach"};
    const char *what = reason < 4 ? kReasons[reason] : "unknown reason";
    TarnTrace("%s: %s", module ? module : "?", what);
}

void TarnSetTraceHook(TarnTraceHook hook, void *context)
{
    std::lock_guard<std::recursive_mutex> hold(g_emitting);
    g_hookContext = hook ? context : nullptr;
    g_hook.store(hook, std::memory_order_relaxed);
}

}  // extern "C"
