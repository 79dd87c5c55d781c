// Helpers of the object framework tests: the registry file of this test
// run, filters that clean up after themselves, and whether a library is
// still loaded.
#pragma once

#include "tarn_test.hpp"

#include <dlfcn.h>

#include <filesystem>
#include <fstream>
#include <string>

// Rewrites tarnobjs.dat in the data directory of the test run.
inline void write_registry(const std::string &text)
{
    std::filesystem::path dir = ZeEnv(ZE_ENV_TARN_DATA_DIR);
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "tarnobjs.dat", std::ios::trunc) << text;
}

inline void remove_registry()
{
    std::filesystem::remove(std::filesystem::path(ZeEnv(ZE_ENV_TARN_DATA_DIR)) / "tarnobjs.dat");
}

// True while the library at `path` is loaded in the process.
inline bool module_loaded(const char *path)
{
    void *handle = dlopen(path, RTLD_NOW | RTLD_NOLOAD);
    if (handle) dlclose(handle);
    return handle != nullptr;
}

// A filter holding the criteria of `text` ("" for none).
class TestFilter {
public:
    explicit TestFilter(const char *text = "")
    {
        ZeCreateFilter(&filter_);
        if (*text) ZeSetFilter(filter_, ZE_FILTER_TEXT, text);
    }
    ~TestFilter() { ZeDestroyFilter(filter_); }
    TestFilter(const TestFilter &) = delete;
    TestFilter &operator=(const TestFilter &) = delete;
    operator Filter *() const { return filter_; }

private:
    Filter *filter_ = nullptr;
};
