// Tagged blocks from the utility library for code inside TarnSrvc.
// Each source file names its memory tag once:
//
//   ZE_SOURCE_TAG("ZeParse");
//   auto *p = ZE_NEW(Thing);           // zero-filled, tagged with file and line
//   ze::Block<char> scratch(ZE_ALLOC_N(char, 64));  // released on every path
#pragma once

#include "TarnUtil.h"

#include <cstddef>
#include <cstring>
#include <memory>
#include <string_view>
#include <strings.h>

// NOLINTNEXTLINE(bugprone-macro-parentheses): expands to a declaration, which parentheses would break
#define ZE_SOURCE_TAG(tag) [[maybe_unused]] static constexpr const char *ze_source_tag = tag
#define ZE_ALLOC(size)     TarnAllocBlock((size), ze_source_tag, __LINE__)
// NOLINTBEGIN(bugprone-macro-parentheses): T is a type name, which cannot stand in parentheses
#define ZE_NEW(T)        (static_cast<T *>(TarnAllocBlock(sizeof(T), ze_source_tag, __LINE__)))
#define ZE_ALLOC_N(T, n) (static_cast<T *>(TarnAllocBlock(sizeof(T) * (n), ze_source_tag, __LINE__)))
// NOLINTEND(bugprone-macro-parentheses)
#define ZE_DUP(text)      TarnDuplicateString((text), ze_source_tag, __LINE__)
#define ZE_FREE(p)        ::ze::free_block((p), ze_source_tag, __LINE__)
#define ZE_FREE_SECRET(p) ::ze::free_secret((p), ze_source_tag, __LINE__)

namespace ze {

// Releases the block p points to and nulls p.
template <class T> inline void free_block(T *&p, const char *file, int line)
{
    void *block = const_cast<void *>(static_cast<const void *>(p));
    TarnFreeBlock(&block, file, line);
    p = nullptr;
}

struct BlockDeleter {
    void operator()(const void *p) const
    {
        void *block = const_cast<void *>(p);
        TarnFreeBlock(&block, "ze::Block", 0);
    }
};

// TarnValidEyeCatcher inlined: for a constant name the compare is a few
// instructions, which matters on checks made for every row and call.
inline bool eye_catcher_is(const void *block, std::string_view name)
{
    return block && name.size() < TARN_EYE_CATCHER_SIZE && std::memcmp(block, name.data(), name.size()) == 0 &&
           static_cast<const char *>(block)[name.size()] == '\0';
}

// Owns one tagged block (a temporary, a copy of a text, a scratch array).
template <class T> using Block = std::unique_ptr<T, BlockDeleter>;

// Clears a text that may hold a secret; the compiler may not drop the store.
inline void wipe_text(char *text)
{
    if (text) explicit_bzero(text, std::strlen(text));
}

// Releases the block like ZE_FREE after clearing the text it holds.
inline void free_secret(char *&text, const char *file, int line)
{
    wipe_text(text);
    free_block(text, file, line);
}

// Owns a copy of a text that may hold a password: the whole copy is cleared
// before release, even after it was cut in place.
class SecretText {
public:
    explicit SecretText(char *text) : text_(text), size_(text ? std::strlen(text) : 0) {}
    ~SecretText()
    {
        if (text_) explicit_bzero(text_, size_);
        BlockDeleter()(text_);
    }
    SecretText(const SecretText &) = delete;
    SecretText &operator=(const SecretText &) = delete;
    char *get() const { return text_; }
    explicit operator bool() const { return text_ != nullptr; }

private:
    char *text_;
    std::size_t size_;
};

}  // namespace ze
