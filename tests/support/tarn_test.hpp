// Test fixture shared by every suite: captures trace lines through the
// trace hook so tests can assert exact texts, and checks that each test
// leaves as many blocks in use as it found. Also the small helpers that
// show the library's arrays as texts.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "tarnsrvc.h"

using Texts = std::vector<std::string>;
// Criteria as (column, operator, value) triples.
using Criteria = std::initializer_list<std::initializer_list<const char *>>;

struct FilterDeleter {
    void operator()(Filter *f) const { ZeDestroyFilter(f); }
};
using FilterPtr = std::unique_ptr<Filter, FilterDeleter>;
// A filter holding the criteria.
FilterPtr filter(Criteria criteria);

// The first `count` texts of an array, NULL shown as "<null>"; none for a NULL array.
Texts texts(const char *const *values, long count);
// The texts joined with `separator`.
std::string join(const Texts &values, const char *separator = "|");
// The values of an item, NULL shown as "<null>".
Texts values_of(Item *item);
// A handle as trace lines print it: upper-case hexadecimal, at least 8 digits.
std::string handle_text(const void *handle);
// True while the library at `path` is loaded in the process.
bool module_loaded(const char *path);
// A file's whole content ("" when it cannot be read), and a file made of `text`.
std::string read_file(const std::string &path);
void write_file(const std::string &path, const std::string &text);

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
    // A new temporary file holding `content`, removed when the test ends.
    std::string temp_file(const std::string &content = "");

private:
    static void capture(void *context, const char *line);
    std::vector<std::string> lines_;
    std::vector<std::string> tempFiles_;
    unsigned long blocksAtStart_ = 0;
};
