// assets.hpp - the page and the OpenAPI document, built into the program
// from tools/tarnweb/assets (embed.cmake): tarnweb reads no file to serve
// them.
#pragma once

#include <cstddef>
#include <span>
#include <string_view>

namespace tarnweb {

struct Asset {
    const char *path;  // "/index.html", "/openapi.json", ...
    const char *type;  // media type
    const unsigned char *data;
    std::size_t size;
};

std::span<const Asset> assets();

// The asset served at `path`, NULL when none is.
inline const Asset *find_asset(std::string_view path)
{
    for (const Asset &a : assets())
        if (path == a.path) return &a;
    return nullptr;
}

}  // namespace tarnweb
