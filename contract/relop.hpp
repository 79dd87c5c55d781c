// The relational operators of filter criteria and request fields, in their
// fixed order, and what each means. The library's record matching reads
// them as exact upper-case words; the routers ignore case. Both take the
// words and the relation from this one table.
#pragma once

#include "contract/text.hpp"

#include <array>
#include <optional>
#include <string_view>

namespace relop {

enum class Relop { EQ, NE, LT, LE, GT, GE };

inline constexpr std::array<std::string_view, 6> kWords = {"EQ", "NE", "LT", "LE", "GT", "GE"};

// The words as messages list them.
inline constexpr const char *kList = "EQ, NE, LT, LE, GT, GE";

// The operator written exactly as in the table.
inline std::optional<Relop> exact(std::string_view word)
{
    for (std::size_t i = 0; i < kWords.size(); ++i)
        if (word == kWords[i]) return static_cast<Relop>(i);
    return std::nullopt;
}

// The operator written in any case.
inline std::optional<Relop> ignoring_case(std::string_view word)
{
    for (std::size_t i = 0; i < kWords.size(); ++i)
        if (ze::equal_nocase(word, kWords[i])) return static_cast<Relop>(i);
    return std::nullopt;
}

// Whether `left <op> right` holds: the record (or column) value on the left.
template <class T> bool holds(Relop op, const T &left, const T &right)
{
    switch (op) {
    case Relop::EQ: return left == right;
    case Relop::NE: return left != right;
    case Relop::LT: return left < right;
    case Relop::LE: return left <= right;
    case Relop::GT: return left > right;
    case Relop::GE: return left >= right;
    }
    return false;
}

}  // namespace relop
