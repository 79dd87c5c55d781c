// Text helpers shared by TarnSrvc and its modules: comparisons on string_view and the
// upper-case hexadecimal form in which trace lines print handles.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string_view>

namespace ze {

inline char ascii_upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// Equal ignoring ASCII case.
inline bool equal_nocase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (ascii_upper(a[i]) != ascii_upper(b[i])) return false;
    return true;
}

// A NULL text views as empty.
inline std::string_view view(const char *s) { return s ? std::string_view(s) : std::string_view(); }

// A handle as trace lines print it: the whole pointer in upper-case
// hexadecimal, at least eight digits (what "%08X" prints on 32 bits).
class HandleText {
public:
    explicit HandleText(const void *p)
    {
        // Cannot fail or truncate: the buffer holds the widest pointer.
        (void)std::snprintf(text_, sizeof text_, "%08llX",
                            static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(p)));
    }
    const char *c_str() const { return text_; }

private:
    char text_[20];
};

}  // namespace ze
