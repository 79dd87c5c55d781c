// String pointer arrays (n + 1 slots, the last NULL, each text owned) and
// the in-place buffer parser.
#include "ZeStrArray.h"

#include "foundation/blocks.hpp"
#include "foundation/frame.hpp"

#include <cstring>

ZE_SOURCE_TAG("ZeParse");

namespace {

void *alloc_slots(unsigned n, int line)
{
    return (TarnAllocBlock(sizeof(void *) * (static_cast<std::size_t>(n) + 1), ze_source_tag, line));
}

void free_text(const char *text)
{
    void *block = const_cast<char *>(text);
    TarnFreeBlock(&block, ze_source_tag, __LINE__);
}

template <class Text> Text **duplicate(const char *const *source, int n, int line)
{
    if (n < 0) return nullptr;  // outside the contract
    auto **copy = static_cast<Text **>(alloc_slots(static_cast<unsigned>(n), line));
    if (!copy) return nullptr;
    for (int i = 0; i < n; ++i) {
        if (!source[i]) continue;
        copy[i] = ZE_DUP(source[i]);
        if (!copy[i]) {
            free_ptr_array(reinterpret_cast<void **>(const_cast<char **>(copy)), i);
            return nullptr;
        }
    }
    return copy;
}

int find_in_list(const char *text, const char *const *list, int count, bool ignoreCase)
{
    auto matches = [&](const char *entry) {
        if (ignoreCase) return TarnCompareNoCaseStr(entry, text) == 0;
        return entry[0] == text[0] && TarnCompareStr(entry, text) == 0;
    };
    if (count < 1) {
        for (int i = 0; list[i]; ++i)
            if (matches(list[i])) return i;
        return -1;
    }
    for (int i = 0; i < count; ++i)
        if (list[i] && matches(list[i])) return i;
    return -1;
}

}  // namespace

extern "C" {

// String arrays never trace: a NULL array or text is answered with the
// empty result (NULL, 0 or -1).

char **ZeAllocStrPtrArray(unsigned int n)
{
    return ZE_FRAME_QUIET({}, static_cast<char **>(nullptr),
                          [&] { return static_cast<char **>(alloc_slots(n, __LINE__)); });
}

const char **ZeAllocConstStrPtrArray(unsigned int n)
{
    return ZE_FRAME_QUIET({}, static_cast<const char **>(nullptr),
                          [&] { return static_cast<const char **>(alloc_slots(n, __LINE__)); });
}

int ZeCountPtrArrayElements(const void *array)
{
    return ZE_FRAME_QUIET({{"Array", ze::given(array)}}, 0, [&] {
        auto *slots = static_cast<const void *const *>(array);
        int n = 0;
        while (slots && slots[n]) ++n;
        return n;
    });
}

char **ZeDuplicateStrPtrArray(char *const *array, int n)
{
    return ZE_FRAME_QUIET({}, static_cast<char **>(nullptr), [&] { return duplicate<char>(array, n, __LINE__); });
}

const char **ZeDuplicateConstStrPtrArray(const char *const *array, int n)
{
    return ZE_FRAME_QUIET({}, static_cast<const char **>(nullptr),
                          [&] { return duplicate<const char>(array, n, __LINE__); });
}

void free_ptr_array(void **array, int count)
{
    ZE_FRAME_QUIET({{"Array", ze::given(array)}}, [&] {
        if (count < 0) {
            for (int i = 0; array[i]; ++i) free_text(static_cast<const char *>(array[i]));
        } else {
            for (int i = 0; i < count; ++i)
                if (array[i]) free_text(static_cast<const char *>(array[i]));
        }
        void *block = array;
        TarnFreeBlock(&block, ze_source_tag, __LINE__);
    });
}

void ZeFreeStrPtrArray(char **array, int count) { free_ptr_array(reinterpret_cast<void **>(array), count); }

void ZeFreeConstStrPtrArray(const char **array, int count)
{
    free_ptr_array(reinterpret_cast<void **>(const_cast<char **>(array)), count);
}

int ZeStringInList(const char *text, const char *const *list, int count)
{
    return ZE_FRAME_QUIET({{"Text", ze::given(text)}, {"List", ze::given(list)}}, -1,
                          [&] { return find_in_list(text, list, count, false); });
}

int ZeStringInListNoCase(const char *text, const char *const *list, int count)
{
    return ZE_FRAME_QUIET({{"Text", ze::given(text)}, {"List", ze::given(list)}}, -1,
                          [&] { return find_in_list(text, list, count, true); });
}

int ZeParseBufferBounded(char *buffer, char **tokens, int capacity, const char *separators, int stripQuotes)
{
    return ZE_FRAME_QUIET({{"Buffer", ze::has_text(buffer)}, {"Tokens", ze::given(tokens)}}, 0, [&] {
        int found = 0;
        char *cursor = buffer;
        while (cursor) {
            char *token = TarnNextTokenInStr(&cursor, separators);
            if (stripQuotes) TarnReplaceCharInStr(token, '"', ' ');
            TarnTrimStr(token);
            if (found < capacity) tokens[found] = token;
            ++found;
        }
        return found;
    });
}

int ZeParseBuffer(char *buffer, char **tokens, const char *separators, int stripQuotes)
{
    // Unbounded by contract: the caller sized `tokens` for every token.
    return ZeParseBufferBounded(buffer, tokens, 0x7fffffff, separators, stripQuotes) > 0 ? 1 : 0;
}

}  // extern "C"
