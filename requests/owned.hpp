// Owned<T>: holds one library object made by its Ze create function and
// destroys it on every path out of the scope that made it.
#pragma once

#include "ZeDts.h"
#include "ZeFilter.h"
#include "ZeRecords.h"

namespace ze::requests {

template <class T, unsigned int (*Destroy)(T *)> class Owned {
public:
    Owned() = default;
    ~Owned()
    {
        if (object_) Destroy(object_);
    }
    Owned(const Owned &) = delete;
    Owned &operator=(const Owned &) = delete;

    T *get() const { return object_; }
    // Where a create function stores the new object.
    T **out() { return &object_; }

private:
    T *object_ = nullptr;
};

using OwnedAction = Owned<DtsAction, ZeDestroyDtsAction>;
using OwnedFilter = Owned<Filter, ZeDestroyFilter>;
using OwnedCollection = Owned<Collection, ZeDestroyCollection>;

}  // namespace ze::requests
