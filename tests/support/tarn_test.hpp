// Test fixture shared by every suite: captures trace lines through the
// trace hook so tests can assert exact texts, and checks that each test
// leaves as many blocks in use as it found.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "tarnsrvc.h"

class TarnTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Every line traced since the test started (or since clear_trace).
    const std::vector<std::string> &trace() const { return lines_; }
    // True when a traced line equals `line` exactly.
    bool traced(std::string_view line) const;
    // Number of traced lines that start with `prefix`.
    std::size_t count_traced(std::string_view prefix) const;
    // All lines joined with '\n', for failure messages.
    std::string trace_text() const;
    void clear_trace() { lines_.clear(); }

    // Runs `scenario` once to count its allocations, then once per allocation
    // with that one failing, then once with it and every later one failing.
    // The scenario receives the index of the failing allocation (-1 for the
    // plain run) and must clean up whatever its path; after every run the
    // blocks in use must be back at their start.
    void each_alloc_failure(const std::function<void(long failAt)> &scenario);

private:
    static void capture(void *context, const char *line);
    std::vector<std::string> lines_;
    unsigned long blocksAtStart_ = 0;
};
