// Run-time modules: lookup of lib<name>.so along TARN_MODULE_PATH, the
// directory of libTarnUtil.so and its tarnsrvc/ subdirectory (where an
// installed copy keeps its modules), then the system search; procedures by
// name.
#include "TarnUtil.h"

#include <dlfcn.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace {

constexpr int kOpenFlags = RTLD_NOW | RTLD_LOCAL;

// Directory of this library, found once from one of its own symbols.
const std::string &own_directory()
{
    static const std::string dir = [] {
        Dl_info info{};
        if (!dladdr(reinterpret_cast<void *>(&TarnLoadModule), &info) || !info.dli_fname) return std::string();
        // Canonical, so that modules show as <prefix>/lib/... rather than <prefix>/bin/../lib/...
        char *canonical = realpath(info.dli_fname, nullptr);
        std::string resolved = canonical ? canonical : info.dli_fname;
        std::free(canonical);
        std::string_view path(resolved);
        auto slash = path.rfind('/');
        return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash));
    }();
    return dir;
}

void *open_in(std::string_view dir, const char *name)
{
    if (dir.empty()) return nullptr;
    std::string base(dir);
    if (base.back() != '/') base += '/';
    for (const char *prefix : {"lib", ""}) {
        std::string file = base + prefix + name + ".so";
        if (void *h = dlopen(file.c_str(), kOpenFlags)) return h;
    }
    return nullptr;
}

}  // namespace

extern "C" {

void *TarnLoadModule(const char *name)
{
    if (!name || !*name) return nullptr;
    if (std::strchr(name, '/')) return dlopen(name, kOpenFlags);
    try {
        if (const char *path = std::getenv("TARN_MODULE_PATH")) {
            std::string_view rest(path);
            while (true) {
                auto colon = rest.find(':');
                if (void *h = open_in(rest.substr(0, colon), name)) return h;
                if (colon == std::string_view::npos) break;
                rest.remove_prefix(colon + 1);
            }
        }
        if (void *h = open_in(own_directory(), name)) return h;
        if (!own_directory().empty())
            if (void *h = open_in(own_directory() + "/tarnsrvc", name)) return h;
        std::string system = "lib" + std::string(name) + ".so";
        return dlopen(system.c_str(), kOpenFlags);
    } catch (...) {
        return nullptr;
    }
}

TarnProc TarnProcAddress(void *module, const char *name)
{
    if (!module || !name) return nullptr;
    return reinterpret_cast<TarnProc>(dlsym(module, name));
}

int TarnGetProcAddress(void *module, const char *name, TarnProc *pProcedure)
{
    TarnProc proc = TarnProcAddress(module, name);
    if (pProcedure) *pProcedure = proc;
    return proc != nullptr;
}

void TarnFreeModule(void *module)
{
    if (module) dlclose(module);
}

const char *TarnGetEnv(const char *name) { return name ? std::getenv(name) : nullptr; }

}  // extern "C"
