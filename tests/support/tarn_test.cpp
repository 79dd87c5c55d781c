// Test fixture: trace capture, block balance and failure injection; text helpers.
#include "tarn_test.hpp"

#include <dlfcn.h>

#include <cstdint>
#include <cstdio>
#include <iterator>

Texts texts(const char *const *values, long count)
{
    Texts out;
    for (long i = 0; values && i < count; ++i) out.emplace_back(values[i] ? values[i] : "<null>");
    return out;
}

std::string join(const Texts &values, const char *separator)
{
    std::string text;
    for (std::size_t i = 0; i < values.size(); ++i) text += (i ? separator : "") + values[i];
    return text;
}

FilterPtr filter(Criteria criteria)
{
    Filter *f = nullptr;
    ZeCreateFilter(&f);
    for (auto c : criteria) ZeAddFilterItem(f, c.begin()[0], c.begin()[1], c.begin()[2]);
    return FilterPtr(f);
}

Texts values_of(Item *item) { return texts(ZeItemValues(item), ZeItemCount(item)); }

std::string handle_text(const void *handle)
{
    char text[20];
    std::snprintf(text, sizeof text, "%08llX",
                  static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(handle)));
    return text;
}

std::string read_file(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void write_file(const std::string &path, const std::string &text) { std::ofstream(path, std::ios::binary) << text; }

bool module_loaded(const char *path)
{
    void *handle = dlopen(path, RTLD_NOW | RTLD_NOLOAD);
    if (handle) dlclose(handle);
    return handle != nullptr;
}

void TarnTest::SetUp()
{
    TarnSetAllocFailure(-1, 0);
    lines_.clear();
    TarnSetTraceHook(&TarnTest::capture, this);
    blocksAtStart_ = TarnBlocksInUse();
}

void TarnTest::TearDown()
{
    for (const std::string &path : tempFiles_) std::remove(path.c_str());
    TarnSetAllocFailure(-1, 0);
    TarnSetTraceHook(nullptr, nullptr);
    EXPECT_EQ(TarnBlocksInUse(), blocksAtStart_) << "blocks still in use at the end of the test";
}

void TarnTest::capture(void *context, const char *line) { static_cast<TarnTest *>(context)->lines_.emplace_back(line); }

std::string TarnTest::temp_file(const std::string &content)
{
    char path[TARN_MAX_PATH];
    EXPECT_TRUE(TarnGetTempFileName(nullptr, "test", path));
    write_file(path, content);
    return tempFiles_.emplace_back(path);
}

bool TarnTest::traced(std::string_view line) const
{
    for (const auto &l : lines_)
        if (l == line) return true;
    return false;
}

std::size_t TarnTest::count_traced(std::string_view prefix) const
{
    std::size_t n = 0;
    for (const auto &l : lines_)
        if (std::string_view(l).substr(0, prefix.size()) == prefix) ++n;
    return n;
}

std::string TarnTest::trace_text() const
{
    std::string all;
    for (const auto &l : lines_) all += l + "\n";
    return all;
}
