// text.hpp - the few text rules the core's files share: names compare
// without regard to case, blanks around a word do not count, a mistyped
// name finds its closest candidate.
#pragma once

#include <strings.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <string_view>
#include <vector>

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

// The candidate closest to a mistyped `word` (ignoring case), "" when none
// is close: at most one edit in four characters, and at least one.
inline std::string closest(std::string_view word, const std::vector<std::string> &candidates)
{
    std::string best;
    std::size_t bestDistance = std::max<std::size_t>(1, word.size() / 4) + 1;
    for (const std::string &candidate : candidates) {
        std::vector<std::size_t> row(candidate.size() + 1);
        for (std::size_t j = 0; j < row.size(); ++j) row[j] = j;
        for (std::size_t i = 1; i <= word.size(); ++i) {
            std::size_t diagonal = row[0];
            row[0] = i;
            for (std::size_t j = 1; j <= candidate.size(); ++j) {
                const bool same = std::tolower(static_cast<unsigned char>(word[i - 1])) ==
                                  std::tolower(static_cast<unsigned char>(candidate[j - 1]));
                const std::size_t next = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (same ? 0 : 1)});
                diagonal = row[j];
                row[j] = next;
            }
        }
        if (row.back() < bestDistance) bestDistance = row.back(), best = candidate;
    }
    return best;
}

inline std::string upper_case(std::string text)
{
    for (char &c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

inline std::string lower_case(std::string text)
{
    for (char &c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace admcore
