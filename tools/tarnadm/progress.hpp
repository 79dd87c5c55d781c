// progress.hpp - a progress bar on stderr for long work: count, rate and
// time left. It draws only when stderr is a terminal, so piped or
// redirected output never holds it.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>

namespace tarnadm {

class Progress {
public:
    // total 0: unknown. Nothing is drawn when `enabled` is false or stderr
    // is not a terminal, nor before the work has run for a moment.
    Progress(std::string what, std::size_t total, bool enabled);
    ~Progress();
    void update(std::size_t done);
    void finish();

private:
    using Clock = std::chrono::steady_clock;
    std::string what_;
    std::size_t total_;
    bool enabled_, drawn_ = false;
    Clock::time_point start_, last_;
    void draw(std::size_t done);
};

}  // namespace tarnadm
