// Buffer parsing into string arrays: cut at separators (the first byte of
// the input chooses them and quote stripping), copy and free the array.
#include "fuzz_support.hpp"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    fuzz::BlockGuard guard;
    if (size == 0) return 0;
    static const char *const kSeparators[] = {",", " \t", ",;=", "\n"};
    const char *separators = kSeparators[data[0] % 4];
    const int strip = data[0] & 4;
    std::string buffer = fuzz::text(data + 1, size - 1);
    constexpr int kCapacity = 16;
    char *tokens[kCapacity + 1] = {};
    int found = ZeParseBufferBounded(buffer.data(), tokens, kCapacity, separators, strip);
    const int stored = found < kCapacity ? found : kCapacity;
    for (int i = 0; i < stored; ++i)
        if (!tokens[i]) std::abort();
    char **copy = ZeDuplicateStrPtrArray(tokens, stored);
    if (copy) {
        if (ZeCountPtrArrayElements(copy) > stored) std::abort();
        for (int i = 0; i < stored; ++i)
            if (copy[i] && std::strcmp(copy[i], tokens[i]) != 0) std::abort();
        ZeStringInListNoCase(stored ? tokens[0] : "", copy, stored);
        ZeFreeStrPtrArray(copy, stored);
    }
    return 0;
}
