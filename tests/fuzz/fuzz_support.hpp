// Shared by the fuzz targets: the input as texts, a scratch file, and the
// check that an input leaves no block in use.
#pragma once

#include "tarnsrvc.h"

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace fuzz {

// Counts the blocks in use around one input; aborts when the input leaks.
class BlockGuard {
public:
    BlockGuard() : start_(TarnBlocksInUse()) {}
    ~BlockGuard()
    {
        if (TarnBlocksInUse() != start_) {
            std::fprintf(stderr, "%lu block(s) left in use by this input\n", TarnBlocksInUse() - start_);
            std::abort();
        }
    }

private:
    unsigned long start_;
};

inline std::string text(const std::uint8_t *data, std::size_t size)
{
    return std::string(reinterpret_cast<const char *>(data), size);
}

// The input cut at NUL bytes into at least `n` texts (missing ones empty).
inline std::vector<std::string> parts(const std::uint8_t *data, std::size_t size, std::size_t n)
{
    std::vector<std::string> out(1);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0) out.emplace_back();
        else out.back() += static_cast<char>(data[i]);
    }
    if (out.size() < n) out.resize(n);
    return out;
}

// A file of this process for inputs that are read from files.
inline std::string scratch_file(const char *name)
{
    const char *dir = std::getenv("TMPDIR");
    return std::string(dir && *dir ? dir : "/tmp") + "/tarnfuzz-" + std::to_string(getpid()) + "-" + name;
}

inline void write_file(const std::string &path, const std::uint8_t *data, std::size_t size)
{
    FILE *f = std::fopen(path.c_str(), "wb");
    if (!f) std::abort();
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);
}

}  // namespace fuzz
