// tarnenv: shows the environment table as TarnSrvc fills it and where each
// run-time module of the suite is found.
//
//   tarnenv [module ...]     (default: the suite's modules)
#include "tarnsrvc.h"
#include "tool_options.h"

#include <dlfcn.h>
#include <link.h>

#include <cstdio>
#include <initializer_list>

namespace {

void show_environment()
{
    std::printf("Environment table (filled once, kvsenv first, then the process):\n");
    for (int i = 0; i < ZE_ENV_COUNT; ++i) std::printf("  %d  %-18s = %s\n", i, ZeEnvName(i), ZeEnv(i));
    char path[TARN_MAX_PATH];
    if (ZeBuildDataFilename("tarnobjs.dat", path, sizeof path) == 0) std::printf("Object registry: %s\n", path);
    else std::printf("Object registry: (no data directory)\n");
}

void show_module(const char *name)
{
    void *module = TarnLoadModule(name);
    if (!module) {
        std::printf("  %-14s -> not found\n", name);
        return;
    }
    struct link_map *map = nullptr;
    const char *where = dlinfo(module, RTLD_DI_LINKMAP, &map) == 0 && map ? map->l_name : "?";
    std::printf("  %-14s -> %s\n", name, where);
    TarnFreeModule(module);
}

}  // namespace

constexpr const char *kUsage = "usage: tarnenv [module ...]\n"
                               "Shows the environment table as TarnSrvc fills it (kvsenv store, then the\n"
                               "process environment) and where each run-time module is found; without\n"
                               "names, the suite's modules.\n"
                               "  --help     this text\n"
                               "  --version  the TarnSrvc version\n";

int main(int argc, char **argv)
{
    if (tarn_tool_info(argc, argv, "tarnenv", kUsage)) return 0;
    show_environment();
    const char *path = TarnGetEnv("TARN_MODULE_PATH");
    std::printf("Module lookup (TARN_MODULE_PATH=%s, then the directory of libTarnUtil.so and its tarnsrvc/,"
                " then the system):\n",
                path ? path : "");
    if (argc > 1) {
        for (int i = 1; i < argc; ++i) show_module(argv[i]);
    } else {
        for (const char *name : {"kvsenv", "kvscomn", "TarnRpdb", "TarnRout", "TarnObjs", "TarnStrings"})
            show_module(name);
    }
    return 0;
}
