// progress.cpp - draws "what [#####.....] done/total rate/s 0:12 left",
// at most ten times a second, after the first half second.
#include "progress.hpp"

#include <unistd.h>

#include <cstdio>

namespace tarnadm {

Progress::Progress(std::string what, std::size_t total, bool enabled)
    : what_(std::move(what)), total_(total), enabled_(enabled && isatty(STDERR_FILENO)), start_(Clock::now()),
      last_(start_)
{}

Progress::~Progress() { finish(); }

void Progress::update(std::size_t done)
{
    if (!enabled_) return;
    const auto now = Clock::now();
    if (now - start_ < std::chrono::milliseconds(500) || now - last_ < std::chrono::milliseconds(100)) return;
    last_ = now;
    draw(done);
}

void Progress::draw(std::size_t done)
{
    const double seconds = std::chrono::duration<double>(Clock::now() - start_).count();
    const double rate = seconds > 0 ? static_cast<double>(done) / seconds : 0;
    char line[160];
    if (total_ > 0) {
        constexpr int kBar = 24;
        const int filled = static_cast<int>(kBar * static_cast<double>(done) / static_cast<double>(total_));
        char bar[kBar + 1];
        for (int i = 0; i < kBar; ++i) bar[i] = i < filled ? '#' : '.';
        bar[kBar] = '\0';
        const long left = rate > 0 ? static_cast<long>(static_cast<double>(total_ - done) / rate) : 0;
        std::snprintf(line, sizeof line, "\r%s [%s] %zu/%zu  %.0f/s  %ld:%02ld left ", what_.c_str(), bar, done, total_,
                      rate, left / 60, left % 60);
    } else {
        std::snprintf(line, sizeof line, "\r%s %zu  %.0f/s ", what_.c_str(), done, rate);
    }
    std::fputs(line, stderr);
    drawn_ = true;
}

void Progress::finish()
{
    if (drawn_) std::fputs("\r\033[K", stderr);
    drawn_ = false;
    enabled_ = false;
}

}  // namespace tarnadm
