// UTF-8 text as the nodes keep it: the validity check, and upper and lower
// case as a PostgreSQL node whose database has LC_CTYPE C.UTF-8 folds it
// (glibc's towupper_l and towlower_l in that locale, code point by code
// point). The demo router gives its SQLite nodes these upper() and lower(),
// and the library folds criteria on UPPERCASE and LOWERCASE fields with
// them, so that all of them agree on what is in capitals.
#pragma once

#include <locale.h>
#include <wctype.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace utf8 {

// Decodes the code point at text[pos] and moves pos past it; false (pos
// unchanged) for a malformed, overlong or surrogate sequence.
inline bool decode(std::string_view text, std::size_t &pos, char32_t &out)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char first = byte(pos);
    std::size_t length = 0;
    char32_t cp = 0, min = 0;
    if (first < 0x80) {
        out = first;
        ++pos;
        return true;
    }
    if ((first & 0xE0) == 0xC0) length = 2, cp = first & 0x1F, min = 0x80;
    else if ((first & 0xF0) == 0xE0) length = 3, cp = first & 0x0F, min = 0x800;
    else if ((first & 0xF8) == 0xF0) length = 4, cp = first & 0x07, min = 0x10000;
    else return false;
    if (pos + length > text.size()) return false;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(pos + i) & 0xC0) != 0x80) return false;
        cp = (cp << 6) | (byte(pos + i) & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    out = cp;
    pos += length;
    return true;
}

inline void encode(char32_t cp, std::string &out)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

inline bool valid(std::string_view text)
{
    char32_t cp = 0;
    for (std::size_t pos = 0; pos < text.size();)
        if (!decode(text, pos, cp)) return false;
    return true;
}

// The C.UTF-8 locale, made once and kept for the life of the process;
// (locale_t)0 when the system has none (then only ASCII letters fold).
inline locale_t folding_locale()
{
    static const locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    return locale;
}

// `text` in upper (or lower) case, code point by code point; false when
// the text is not valid UTF-8 (out is then unspecified).
inline bool fold(std::string_view text, bool upper, std::string &out)
{
    out.clear();
    out.reserve(text.size());
    const locale_t locale = folding_locale();
    char32_t cp = 0;
    for (std::size_t pos = 0; pos < text.size();) {
        if (!decode(text, pos, cp)) return false;
        if (locale) {
            cp = static_cast<char32_t>(upper ? towupper_l(static_cast<wint_t>(cp), locale)
                                             : towlower_l(static_cast<wint_t>(cp), locale));
        } else if (upper && cp >= 'a' && cp <= 'z') {
            cp -= 'a' - 'A';
        } else if (!upper && cp >= 'A' && cp <= 'Z') {
            cp += 'a' - 'A';
        }
        encode(cp, out);
    }
    return true;
}

}  // namespace utf8
