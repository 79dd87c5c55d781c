// trace.cpp - the process's one trace hook: the tool's file and the calling
// thread's capture.
#include "trace.hpp"

#include "TarnUtil.h"

#include <atomic>
#include <mutex>

namespace admcore {
namespace {

std::mutex g_fileLock;  // held while a line is written
std::atomic<std::FILE *> g_file{nullptr};
thread_local std::vector<std::string> *t_capture = nullptr;

// The hook is installed only while someone takes the lines (a capture, a
// file, or a tool that asked for it for good): with no hook, the library
// does not format its trace lines at all, which matters in long runs.
std::mutex g_hookLock;
int g_users = 0;
bool g_forGood = false;

void on_line(void *, const char *line)
{
    if (t_capture) t_capture->emplace_back(line);
    if (!g_file.load()) return;  // no lock taken by threads whose lines go nowhere
    std::lock_guard<std::mutex> hold(g_fileLock);
    if (std::FILE *file = g_file.load()) {
        std::fprintf(file, "%s\n", line);
        std::fflush(file);
    }
}

void take_lines()
{
    std::lock_guard<std::mutex> hold(g_hookLock);
    if (g_users++ == 0) TarnSetTraceHook(on_line, nullptr);
}

void leave_lines()
{
    std::lock_guard<std::mutex> hold(g_hookLock);
    if (--g_users == 0) TarnSetTraceHook(nullptr, nullptr);
}

}  // namespace

void install_trace_hook()
{
    {
        std::lock_guard<std::mutex> hold(g_hookLock);
        if (g_forGood) return;
        g_forGood = true;
    }
    take_lines();
}

void trace_to(std::FILE *file)
{
    std::FILE *before = nullptr;
    {
        std::lock_guard<std::mutex> hold(g_fileLock);
        before = g_file.exchange(file);
    }
    if (file && !before) take_lines();
    if (!file && before) leave_lines();
}

TraceCapture::TraceCapture()
{
    take_lines();
    t_capture = &lines_;
}

TraceCapture::~TraceCapture()
{
    t_capture = nullptr;
    leave_lines();
}

}  // namespace admcore
