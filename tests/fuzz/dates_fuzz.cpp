// Dates: a format checked alone, then a value checked against it (and
// against the default format) through the date service.
#include "fuzz_support.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    fuzz::BlockGuard guard;
    auto p = fuzz::parts(data, size, 2);
    ZeDateVerifyFormat(p[0].c_str());
    ZeDateValidate(p[0].c_str(), p[1].c_str());
    ZeDateValidate(ZeDateDefaultFormat(), p[1].c_str());
    return 0;
}
