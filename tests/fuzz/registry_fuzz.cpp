// The object registry file: the input is tarnobjs.dat, searched for a few
// names with and without creation criteria. Every library name is given a
// prefix that names no module, so a line that applies ends in code 5
// instead of running code picked by the input.
#include "fuzz_support.hpp"

#include <sys/stat.h>

namespace {

std::string data_dir()
{
    static const std::string dir = [] {
        std::string d = fuzz::scratch_file("data");
        mkdir(d.c_str(), 0700);
        setenv("TARN_DATA_DIR", d.c_str(), 1);
        return d;
    }();
    return dir;
}

// The input with "zzfuzz_" put after the first comma of every line.
std::string harmless(const std::uint8_t *data, std::size_t size)
{
    std::string out;
    bool named = false;
    for (std::size_t i = 0; i < size; ++i) {
        char c = static_cast<char>(data[i]);
        out += c;
        if (c == '\n') named = false;
        if (c == ',' && !named) {
            out += "zzfuzz_";
            named = true;
        }
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const std::string path = data_dir() + "/tarnobjs.dat";
    fuzz::BlockGuard guard;
    std::string registry = harmless(data, size);
    fuzz::write_file(path, reinterpret_cast<const std::uint8_t *>(registry.data()), registry.size());
    Filter *filter = nullptr;
    if (ZeCreateFilter(&filter)) return 0;
    for (const char *name : {"PRINTER", "QUEUE", "x"}) {
        void *object = nullptr;
        if (ZeCreateObject(&object, name, filter) == ZE_OK) std::abort();  // no module can be loaded
        if (object) std::abort();
        ZeSetFilter(filter, ZE_FILTER_TEXT, "LANGUAGE EQ FRENCH, VERSION EQ 2.0");
    }
    ZeDestroyFilter(filter);
    return 0;
}
