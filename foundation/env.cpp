// The environment table (ten variables filled once from the kvsenv module
// and the process environment), platform names, procedure loading and data
// file paths.
#include "ZeEnv.h"

#include "foundation/frame.hpp"

#include <cstring>
#include <mutex>
#include <string_view>

namespace {

using EnvProc = const char *(*)(const char *name);

enum class Source { Getenv, Getopt };

struct Variable {
    const char *name;
    Source source;
};

constexpr Variable kVariables[ZE_ENV_COUNT] = {
    {"KVRGLBL0000", Source::Getenv},    {"DEMO_ROUTER", Source::Getenv},     {"TARN_DATA_DIR", Source::Getenv},
    {"KV_KVRDEBUG", Source::Getenv},    {"KV_ROUTER_DEBUG", Source::Getenv}, {"KV_ROUTER_TIMEOUT", Source::Getopt},
    {"KV_KVRMESSAGE", Source::Getenv},  {"KVR_DATEFMT", Source::Getenv},     {"KV_ROUTER_AGENTS", Source::Getopt},
    {"KV_ROUTER_WAIT", Source::Getopt},
};

constexpr const char *kEnvLibrary = "kvsenv";
constexpr std::size_t kNameSize = 256;

// Filled once, by the first thread that reads it; read-only afterwards.
char g_values[ZE_ENV_COUNT][ZE_ENV_VALUE_SIZE];
std::once_flag g_filled;

EnvProc find_env_proc(void *module, const char *name)
{
    TarnProc proc = TarnProcAddress(module, name);
    if (!proc) TarnTrace("*** Unable to locate %s in %s", name, kEnvLibrary);
    return reinterpret_cast<EnvProc>(proc);
}

void fill_variable(int index, EnvProc getenvProc, EnvProc getoptProc)
{
    const Variable &v = kVariables[index];
    char name[kNameSize];
    TarnConvertStrN(name, sizeof name, v.name, 1);
    EnvProc proc = v.source == Source::Getenv ? getenvProc : getoptProc;
    const char *answer = proc ? proc(name) : nullptr;
    char *value = g_values[index];
    if (answer) {
        TarnConvertStrN(value, ZE_ENV_VALUE_SIZE, answer, 0);
        return;
    }
    if (index == ZE_ENV_TARN_DATA_DIR) {
        TarnCopyNCharOfStr(value, g_values[ZE_ENV_KVRGLBL0000], ZE_ENV_VALUE_SIZE);
        if (!*value) TarnTrace("*** No value for environmental %s", v.name);
        return;
    }
    if (const char *plain = TarnGetEnv(v.name)) TarnCopyNCharOfStr(value, plain, ZE_ENV_VALUE_SIZE);
    else TarnTrace("*** No value for environmental %s", v.name);
}

void fill_table()
{
    void *module = TarnLoadModule(kEnvLibrary);
    EnvProc getenvProc = nullptr;
    EnvProc getoptProc = nullptr;
    if (!module) {
        TarnTrace("*** Unable to load the Dll %s for KVgetenv", kEnvLibrary);
    } else {
        getenvProc = find_env_proc(module, "KVgetenv");
        getoptProc = find_env_proc(module, "KVgetopt");
    }
    for (int i = 0; i < ZE_ENV_COUNT; ++i) fill_variable(i, getenvProc, getoptProc);
    TarnFreeModule(module);
}

const char *value_of(int index)
{
    if (index < 0 || index >= ZE_ENV_COUNT) return nullptr;
    std::call_once(g_filled, fill_table);
    return g_values[index];
}

constexpr const char *kPlatforms[] = {"WNT",  "SOLARIS", "HPUX",    "AIX",      "NETWARE", "TANDEM", "AS/400",
                                      "DGUX", "SVR4MP",  "DECOSF1", "MISERVER", "DYNIX",   "SINIX"};
constexpr const char *kUnixPlatforms[] = {"SOLARIS", "HPUX",     "AIX",   "DGUX",  "SVR4MP",
                                          "DECOSF1", "MISERVER", "DYNIX", "SINIX", nullptr};

}  // namespace

extern "C" {

// The index is checked where the table is read (value_of): an index outside
// the table reads as NULL, without a trace.
const char *ZeEnv(int index)
{
    return ZE_FRAME_QUIET({}, static_cast<const char *>(nullptr), [&] { return value_of(index); });
}

const char *ZeEnvName(int index)
{
    return ZE_FRAME_QUIET({{"Index", ze::in_range(index, 0, ZE_ENV_COUNT - 1)}}, static_cast<const char *>(nullptr),
                          [&] { return kVariables[index].name; });
}

int ZeEnvBool(int index)
{
    return ZE_FRAME_QUIET({}, 0, [&] {
        const char *value = value_of(index);
        if (!value) return 0;
        for (const char *word : {"1", "ON", "YES", "TRUE"})
            if (TarnCompareStr(value, word) == 0) return 1;
        return 0;
    });
}

int ZePlatformID(const char *name)
{
    return ZE_FRAME_QUIET({{"Name", ze::given(name)}}, -1, [&] {
        for (int id = 0; id < static_cast<int>(std::size(kPlatforms)); ++id)
            if (TarnCompareNoCaseStr(kPlatforms[id], name) == 0) return id;
        return -1;
    });
}

int ZePlatformIsUnix(const char *name)
{
    return ZE_FRAME_VALUE({{"Platform", ze::has_text(name)}}, 0, [&] {
        for (const char *const *p = kUnixPlatforms; *p; ++p)
            if (TarnCompareNoCaseStr(*p, name) == 0) return 1;
        return 0;
    });
}

unsigned int ZeLoadRoutine(const char *moduleName, const char *procedureName, TarnProc *pRoutine)
{
    if (pRoutine) *pRoutine = nullptr;
    return ZE_FRAME({}, [&] {
        void *module = TarnLoadModule(moduleName);
        if (!module) return ZE_RC_LOAD_FAILED;
        TarnProc routine = TarnProcAddress(module, procedureName);
        if (pRoutine) *pRoutine = routine;
        return routine ? ZE_OK : ZE_RC_PROC_NOT_FOUND;
    });
}

unsigned int ZeBuildDataFilename(const char *fileName, char *buffer, unsigned int size)
{
    if (buffer && size) buffer[0] = '\0';
    return ZE_FRAME({}, [&] {
        std::string_view dir(value_of(ZE_ENV_TARN_DATA_DIR));
        if (dir.empty()) {
            TarnTrace("**** TarnBuildDataFilename : Data directory envrionmental not set");
            return 1u;
        }
        std::string_view file = fileName ? fileName : "";
        std::size_t sep = dir.back() == '/' ? 0 : 1;
        std::size_t length = dir.size() + sep + file.size();
        if (length >= TARN_MAX_PATH || !buffer || length >= size) {
            TarnTrace("*** ZeBuildDataFilename : path for %s does not fit its buffer", fileName ? fileName : "");
            return 1u;
        }
        char path[TARN_MAX_PATH];
        TarnCopyNCharOfStr(path, value_of(ZE_ENV_TARN_DATA_DIR), sizeof path);
        if (sep) TarnAppendStr(path, "/");
        TarnAppendStr(path, fileName ? fileName : "");
        TarnCopyNCharOfStr(buffer, path, size);
        return ZE_OK;
    });
}

}  // extern "C"
