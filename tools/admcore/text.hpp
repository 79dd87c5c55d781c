// text.hpp - the few text rules the core's files share: names compare
// without regard to case, blanks around a word do not count.
#pragma once

#include <strings.h>

#include <cctype>
#include <string>
#include <string_view>

namespace admcore {

// Field and kind names compare without regard to case.
inline bool same_name(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

// `text` without the blanks and tabs around it (and a CR at its end).
inline std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) text.remove_suffix(1);
    return text;
}

inline std::string upper_case(std::string text)
{
    for (char &c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace admcore
