// Helpers shared by the describe tests: an owned descriptor and field
// lists built through the public interface.
#pragma once

#include "tarn_test.hpp"

#include <cstdarg>
#include <type_traits>

// Ends the keyword list of ZeCreateField.
constexpr char *kEnd = nullptr;

// A descriptor that is destroyed at the end of the scope.
class OwnedDescriptor {
public:
    OwnedDescriptor() { EXPECT_EQ(ZeCreateDescriptor(&d_), 0u); }
    ~OwnedDescriptor()
    {
        if (d_) ZeDestroyDescriptor(d_);
    }
    OwnedDescriptor(const OwnedDescriptor &) = delete;
    OwnedDescriptor &operator=(const OwnedDescriptor &) = delete;
    operator Descriptor *() const { return d_; }

    // A field with only NAME set.
    Field *add(const char *name)
    {
        Field *f = nullptr;
        EXPECT_EQ(ZeNewField(d_, &f), 0u);
        EXPECT_EQ(ZeSetFieldAttribute(f, "NAME", name), 0u);
        return f;
    }

private:
    Descriptor *d_ = nullptr;
};

// Calls fn(first, &args) with the arguments after `first` as its argument list.
template <class T> unsigned call_with_args(unsigned (*fn)(T, va_list *), std::type_identity_t<T> first, ...)
{
    va_list args;
    va_start(args, first);
    unsigned rc = fn(first, &args);
    va_end(args);
    return rc;
}

// Texts for the functions that take char **: copies that live as long as
// the object, closed by a NULL; a NULL word stays NULL.
class Words {
public:
    Words(std::initializer_list<const char *> words) : texts_(words.size())
    {
        for (const char *word : words) {
            if (word) texts_[pointers_.size()] = word;
            pointers_.push_back(word ? texts_[pointers_.size()].data() : nullptr);
        }
        pointers_.push_back(nullptr);
    }
    Words(const Words &) = delete;
    operator char **() { return pointers_.data(); }
    char *operator[](std::size_t i) const { return pointers_[i]; }

private:
    std::vector<std::string> texts_;
    std::vector<char *> pointers_;
};

// The field names in list order.
inline Texts field_names(Descriptor *d)
{
    Texts names;
    Field *f = nullptr;
    while (ZeGetField(d, &f) == 0) {
        const char *name = nullptr;
        ZeGetAttribute(f, "NAME", &name);
        names.emplace_back(name ? name : "<null>");
    }
    return names;
}
