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
std::atomic<bool> g_installed{false};
thread_local std::vector<std::string> *t_capture = nullptr;

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

}  // namespace

void install_trace_hook()
{
    if (!g_installed.exchange(true)) TarnSetTraceHook(on_line, nullptr);
}

void trace_to(std::FILE *file)
{
    if (file) install_trace_hook();
    std::lock_guard<std::mutex> hold(g_fileLock);
    g_file.store(file);
}

TraceCapture::TraceCapture()
{
    install_trace_hook();
    t_capture = &lines_;
}

TraceCapture::~TraceCapture() { t_capture = nullptr; }

}  // namespace admcore
