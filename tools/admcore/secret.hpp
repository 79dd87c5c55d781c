// secret.hpp - a password held in memory: a fixed buffer that never moves
// or grows (so no copy is left behind in freed memory) and is wiped when it
// goes. Secrets are never formatted into messages or traces.
#pragma once

#include <string.h>

#include <cstddef>
#include <string_view>

namespace admcore {

class Secret {
public:
    // The longest secret kept; longer input is refused by its reader.
    static constexpr std::size_t kCapacity = 1024;

    Secret() = default;
    ~Secret() { clear(); }
    Secret(const Secret &) = delete;
    Secret &operator=(const Secret &) = delete;

    // Appends one character; false when the buffer is full.
    bool push(char c)
    {
        if (size_ + 1 >= kCapacity) return false;
        text_[size_++] = c;
        text_[size_] = '\0';
        return true;
    }
    bool assign(std::string_view text)
    {
        clear();
        for (char c : text)
            if (!push(c)) return clear(), false;
        return true;
    }
    void pop() { text_[size_ ? --size_ : 0] = '\0'; }
    void clear()
    {
        explicit_bzero(text_, sizeof text_);
        size_ = 0;
    }

    const char *c_str() const { return text_; }
    std::string_view view() const { return {text_, size_}; }
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }

private:
    char text_[kCapacity] = {};
    std::size_t size_ = 0;
};

}  // namespace admcore
