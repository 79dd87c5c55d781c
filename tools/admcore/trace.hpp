// trace.hpp - the library's trace lines as the tools take them. One hook
// serves the whole process: it writes each line to the tool's trace file,
// when there is one, and hands it to the capture of the thread whose call
// made it, so a tool that serves several threads reads its own call's lines
// only (a logon's refusal, a record file's damage).
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace admcore {

// Installs the process's trace hook for good. Otherwise the hook is in
// place only while a TraceCapture lives or trace_to has a file, so that the
// library does not format trace lines that nobody reads.
void install_trace_hook();

// Writes every trace line to `file` from now on (NULL: to no file). The
// file stays the caller's; lines from several threads do not interleave.
void trace_to(std::FILE *file);

// The trace lines the calling thread makes while the capture lives. One
// capture per thread at a time.
class TraceCapture {
public:
    TraceCapture();
    ~TraceCapture();
    TraceCapture(const TraceCapture &) = delete;
    TraceCapture &operator=(const TraceCapture &) = delete;

    const std::vector<std::string> &lines() const { return lines_; }

private:
    std::vector<std::string> lines_;
};

}  // namespace admcore
