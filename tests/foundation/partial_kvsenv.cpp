// A kvsenv module that lacks KVgetopt, for the environment tests.
#include <cstring>

extern "C" __attribute__((visibility("default"))) const char *KVgetenv(const char *name)
{
    return name && std::strcmp(name, "DEMO_ROUTER") == 0 ? "TRUE" : nullptr;
}
