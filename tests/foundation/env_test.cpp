// The environment table, platform names and data file paths. The table is
// filled once per process, so each environment scenario is one suite that
// CTest runs in a process of its own (see CMakeLists.txt).
#include "tarn_test.hpp"

namespace {

using EnvFromProcess = TarnTest;
using EnvFromKvsenv = TarnTest;
using EnvWithoutKvsenv = TarnTest;
using EnvPartialKvsenv = TarnTest;
using Platform = TarnTest;
using TraceDestination = TarnTest;

std::string data_path(const char *file)
{
    char buffer[TARN_MAX_PATH];
    if (ZeBuildDataFilename(file, buffer, sizeof buffer) != 0) return "<failed>";
    return buffer;
}

}  // namespace

// KVRGLBL0000=/data/glbl DEMO_ROUTER=YES KV_KVRDEBUG=yes KV_KVRMESSAGE=" YES"
// KV_ROUTER_TIMEOUT=30 KVR_DATEFMT=dd.mm.yyyy; kvsenv loads but has no store.
TEST_F(EnvFromProcess, FillsOnceFromTheProcessWithFallbacksAndTraces)
{
    EXPECT_TRUE(ZeEnv(-1) == nullptr && ZeEnv(10) == nullptr && ZeEnvName(10) == nullptr);  // 10 variables
    EXPECT_STREQ(ZeEnvName(ZE_ENV_TARN_DATA_DIR), "TARN_DATA_DIR");

    EXPECT_STREQ(ZeEnv(ZE_ENV_TARN_DATA_DIR), "/data/glbl");  // from KVRGLBL0000
    EXPECT_STREQ(ZeEnv(ZE_ENV_KVR_DATEFMT), "dd.mm.yyyy");
    EXPECT_STREQ(ZeEnv(ZE_ENV_KV_ROUTER_TIMEOUT), "30");  // KVgetopt has none: process value
    EXPECT_STREQ(ZeEnv(ZE_ENV_KV_ROUTER_WAIT), "");       // no value: empty, never NULL
    EXPECT_EQ(ZeEnvBool(ZE_ENV_DEMO_ROUTER), 1);
    EXPECT_EQ(ZeEnvBool(ZE_ENV_KV_KVRDEBUG), 0);    // small letters
    EXPECT_EQ(ZeEnvBool(ZE_ENV_KV_KVRMESSAGE), 0);  // leading blank
    EXPECT_EQ(ZeEnvBool(ZE_ENV_KV_ROUTER_WAIT), 0);

    EXPECT_EQ(trace(), (std::vector<std::string>{
                           "*** No value for environmental KV_ROUTER_DEBUG",
                           "*** No value for environmental KV_ROUTER_AGENTS",
                           "*** No value for environmental KV_ROUTER_WAIT",
                       }));

    // Filled once: later changes of the environment are not seen.
    ::setenv("DEMO_ROUTER", "NO", 1);
    EXPECT_EQ(ZeEnvBool(ZE_ENV_DEMO_ROUTER), 1);
    ::unsetenv("DEMO_ROUTER");

    EXPECT_EQ(data_path("tarnobjs.dat"), "/data/glbl/tarnobjs.dat");
}

TEST_F(EnvFromProcess, DataPathsThatDoNotFitAreRefused)
{
    std::string longName(300, 'f');
    char buffer[TARN_MAX_PATH] = "untouched";
    EXPECT_EQ(ZeBuildDataFilename(longName.c_str(), buffer, sizeof buffer), 1u);
    EXPECT_STREQ(buffer, "");
    char small[8] = "xxxxxxx";
    EXPECT_EQ(ZeBuildDataFilename("tarnobjs.dat", small, sizeof small), 1u);
    EXPECT_STREQ(small, "");
    EXPECT_EQ(count_traced("*** ZeBuildDataFilename : path for "), 2u);
}

// KVS_CONFIG names a store with TARN_DATA_DIR=/data/kvs/, DEMO_ROUTER=ON,
// KV_ROUTER_WAIT=5 and a 300-character KV_KVRMESSAGE; the process has
// TARN_DATA_DIR=/data/process and KV_ROUTER_AGENTS=3.
TEST_F(EnvFromKvsenv, KvsenvAnswersComeBeforeTheProcessEnvironment)
{
    EXPECT_STREQ(ZeEnv(ZE_ENV_TARN_DATA_DIR), "/data/kvs/");
    EXPECT_EQ(ZeEnvBool(ZE_ENV_DEMO_ROUTER), 1);
    EXPECT_STREQ(ZeEnv(ZE_ENV_KV_ROUTER_WAIT), "5");                             // KVgetopt from the store
    EXPECT_STREQ(ZeEnv(ZE_ENV_KV_ROUTER_AGENTS), "3");                           // not in the store: process value
    EXPECT_EQ(std::string(ZeEnv(ZE_ENV_KV_KVRMESSAGE)), std::string(259, 'm'));  // cut to its buffer
    EXPECT_TRUE(traced("*** No value for environmental KVRGLBL0000"));
    EXPECT_FALSE(traced("*** No value for environmental TARN_DATA_DIR"));
    EXPECT_EQ(data_path("tarnobjs.dat"), "/data/kvs/tarnobjs.dat");  // no second separator
}

// Run against copies of the libraries in a directory without kvsenv:
// KVRGLBL0000=/data/plain TARN_DATA_DIR=/data/ignored DEMO_ROUTER=yes KV_ROUTER_WAIT=9.
// Without kvsenv nothing asks the process for TARN_DATA_DIR: it comes from KVRGLBL0000.
TEST_F(EnvWithoutKvsenv, AMissingKvsenvIsTracedAndTheTableStillFilled)
{
    EXPECT_STREQ(ZeEnv(ZE_ENV_TARN_DATA_DIR), "/data/plain");
    EXPECT_STREQ(ZeEnv(ZE_ENV_KV_ROUTER_WAIT), "9");
    EXPECT_EQ(ZeEnvBool(ZE_ENV_DEMO_ROUTER), 0);
    ASSERT_FALSE(trace().empty());
    EXPECT_EQ(trace()[0], "*** Unable to load the Dll kvsenv for KVgetenv");
    EXPECT_TRUE(traced("*** No value for environmental KV_ROUTER_DEBUG"));
    EXPECT_FALSE(traced("*** No value for environmental TARN_DATA_DIR"));
}

// A kvsenv without KVgetopt whose KVgetenv answers DEMO_ROUTER=TRUE only;
// the process has KV_ROUTER_TIMEOUT=12 and DEMO_ROUTER=NO.
TEST_F(EnvPartialKvsenv, AMissingProcedureIsTracedAndItsVariablesUseTheProcess)
{
    EXPECT_EQ(ZeEnvBool(ZE_ENV_DEMO_ROUTER), 1);
    EXPECT_STREQ(ZeEnv(ZE_ENV_KV_ROUTER_TIMEOUT), "12");
    ASSERT_FALSE(trace().empty());
    EXPECT_EQ(trace()[0], "*** Unable to locate KVgetopt in kvsenv");
    EXPECT_EQ(count_traced("*** Unable to locate KVgetenv"), 0u);
    EXPECT_TRUE(traced("*** No value for environmental TARN_DATA_DIR"));
    EXPECT_EQ(ZeBuildDataFilename("x", nullptr, 0), 1u);
    EXPECT_TRUE(traced("**** TarnBuildDataFilename : Data directory envrionmental not set"));
}

TEST_F(Platform, NamesMapToIdsAndUnixness)
{
    const struct {
        const char *name;
        int id, isUnix;
    } platforms[] = {{"hpux", 2, 1},    {"WNT", 0, 0},     {"as/400", 6, 0}, {"SINIX", 12, 1},
                     {"solaris", 1, 1}, {"NETWARE", 4, 0}, {"LINUX", -1, 0}};
    for (const auto &p : platforms) {
        EXPECT_EQ(ZePlatformID(p.name), p.id) << p.name;
        EXPECT_EQ(ZePlatformIsUnix(p.name), p.isUnix) << p.name;
    }
    EXPECT_TRUE(trace().empty());
}

// TARN_TRACE names a file: lines go there as well as to the hook.
TEST_F(TraceDestination, LinesAreAppendedToTheNamedFile)
{
    const char *path = std::getenv("TARN_TRACE");
    ASSERT_NE(path, nullptr);
    TarnTrace("marker line %d", 12345);
    TarnSetTraceHook(nullptr, nullptr);
    EXPECT_TRUE(TarnTraceActive());
    TarnTrace("after the hook");
    std::ifstream file(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);) lines.push_back(line);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[0], "TarnSrvc: process attach");
    EXPECT_EQ(lines[lines.size() - 2], "marker line 12345");
    EXPECT_EQ(lines.back(), "after the hook");
    EXPECT_EQ(trace(), std::vector<std::string>{"marker line 12345"});
}

TEST_F(TraceDestination, QuietWithoutDestinationOrHook)
{
    TarnSetTraceHook(nullptr, nullptr);
    EXPECT_EQ(TarnTraceActive(), std::getenv("TARN_TRACE") ? 1 : 0);
}
