// SMC records read from files: the input is the file, loaded after a
// source record and copied again.
#include "fuzz_support.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const std::string path = fuzz::scratch_file("record.smc");
    fuzz::BlockGuard guard;
    fuzz::write_file(path, data, size);
    SmcObject *source = ZeNewSmcObject();
    SmcObject *loaded = ZeCopyFileToSmcObject(size & 1 ? source : nullptr, path.c_str());
    SmcObject *copy = ZeCopySmcObject(loaded);
    if (loaded && !ZeSmcFormatIs(loaded, 5)) std::abort();
    ZeFreeSmcObject(copy);
    ZeFreeSmcObject(loaded);
    ZeFreeSmcObject(source);
    return 0;
}
