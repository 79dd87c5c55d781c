// trace.cpp - the process's one trace hook: the tool's file and the calling
// thread's capture.
#include "trace.hpp"

#include "TarnUtil.h"

#include <atomic>
#include <mutex>

namespace admcore {
namespace {

std::mutex g_fileLock;
std::FILE *g_file = nullptr;
std::atomic<bool> g_installed{false};
thread_local std::vector<std::string> *t_capture = nullptr;

void on_line(void *, const char *line)
{
    if (t_capture) t_capture->emplace_back(line);
    std::lock_guard<std::mutex> hold(g_fileLock);
    if (!g_file) return;
    std::fprintf(g_file, "%s\n", line);
    std::fflush(g_file);
}

}  // namespace

void install_trace_hook()
{
    if (!g_installed.exchange(true)) TarnSetTraceHook(on_line, nullptr);
}

void trace_to(std::FILE *file)
{
    if (file) install_trace_hook();
    std::lock_guard<std::mutex> hold(g_fileLock);
    g_file = file;
}

TraceCapture::TraceCapture()
{
    install_trace_hook();
    t_capture = &lines_;
}

TraceCapture::~TraceCapture() { t_capture = nullptr; }

}  // namespace admcore
