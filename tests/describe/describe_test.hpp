// Helpers shared by the describe tests: an owned descriptor and field
// lists built through the public interface.
#pragma once

#include "tarn_test.hpp"

#include <cstdarg>
#include <string>
#include <type_traits>
#include <vector>

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
template <class T>
unsigned call_with_args(unsigned (*fn)(T, va_list *), std::type_identity_t<T> first, ...)
{
    va_list args;
    va_start(args, first);
    unsigned rc = fn(first, &args);
    va_end(args);
    return rc;
}

// The field names in list order.
inline std::vector<std::string> field_names(Descriptor *d)
{
    std::vector<std::string> names;
    Field *f = nullptr;
    while (ZeGetField(d, &f) == 0) {
        const char *name = nullptr;
        ZeGetAttribute(f, "NAME", &name);
        names.emplace_back(name ? name : "<null>");
    }
    return names;
}

// The texts of a NULL-terminated array, NULL entries as "<null>", up to n entries.
inline std::vector<std::string> texts(char *const *array, int n)
{
    std::vector<std::string> out;
    for (int i = 0; i < n; ++i) out.emplace_back(array[i] ? array[i] : "<null>");
    return out;
}

inline std::vector<std::string> list_of(const char *const *array, int n)
{
    return texts(const_cast<char *const *>(array), n);
}
