// Inside the object framework: the interface and front object records, and
// the table and chain helpers that objects, dispatch and the generic object
// share.
#pragma once

#include "ZeObject.h"
#include "foundation/blocks.hpp"

#include <cstdarg>
#include <string_view>

// One table of an interface: a keyed procedure array closed by a NULL key
// (NULL while empty) and the number of entries before the terminator.
struct ZeTableHeader {
    ZeKeyedProcEntry *entries;
    int count;
};

struct ZeInterface {
    char eyeCatcher[TARN_EYE_CATCHER_SIZE];  // "ZEOBJINTER"
    char name[TARN_EYE_CATCHER_SIZE];        // the object's kind
    ZeTableHeader *tables[ZE_TABLE_COUNT];
    void *base;
    ZeReleaseProc baseRelease;
    // Private to this library.
    const void *user;  // the thread using the object (ObjectUse), else NULL
};

// What ZeCreateObject makes: the object an application holds.
struct ZeFrontObject {
    ZeInterface *interface;
    char *name;  // upper case, owned
    void *module;
    ZeHandler queryProperty;
    ZeHandler performAction;
    ZeHandler setProperty;
};

namespace ze::objects {

constexpr const char *kFrontKind = "ZEOBJECT";

constexpr const char *kInterfaceEyeCatcher = "ZEOBJINTER";

// The interface of a valid object, else NULL. Inline: every call and every
// step along a chain asks it.
inline ZeInterface *interface_of(void *object)
{
    ZeInterface *iface = object ? *static_cast<ZeInterface **>(object) : nullptr;
    return eye_catcher_is(iface, kInterfaceEyeCatcher) ? iface : nullptr;
}

inline bool is_object(void *object) { return interface_of(object) != nullptr; }

// ZeObjectIsNamed for a name known here.
inline bool is_named(void *object, std::string_view kind)
{
    ZeInterface *iface = interface_of(object);
    return iface && eye_catcher_is(iface->name, kind);
}

// The next object of the chain when it is a valid object, else NULL.
inline void *base_of(void *object)
{
    ZeInterface *iface = interface_of(object);
    return iface && is_object(iface->base) ? iface->base : nullptr;
}

// The use of an object by the calling thread, for the length of a verb:
// taken on the first generic object of the chain (else the object itself)
// unless this thread holds it already; refused() when another thread does,
// after tracing "*** <function>: object <handle> is in use by another
// thread". `keep` leaves it taken (an object being destroyed).
class ObjectUse {
public:
    ObjectUse(const char *function, void *object, bool keep = false);
    ~ObjectUse();
    ObjectUse(const ObjectUse &) = delete;
    ObjectUse &operator=(const ObjectUse &) = delete;
    bool refused() const { return refused_; }

private:
    const void **taken_ = nullptr;  // to give back; NULL when not taken here
    bool refused_ = false;
};

// Merges entries into a table (see ZeObjectSetTableValues): 0, or 3 with
// the table unchanged.
unsigned merge_entries(ZeTableHeader &table, const ZeKeyedProcEntry *values, int count);

// Releases a table's array (the header itself stays).
void clear_entries(ZeTableHeader &table);

// The element `key` of `object` exactly as ZeElement gives it; `key` is a
// literal of the library (its address is remembered). When the
// handler the lookup chooses is a getter that reads a field of its object,
// the field is read here without the exported frames around the getter;
// any other handler, and every failure with its trace lines, goes through
// ZeElement. The choice of handler is remembered like any other lookup.
void *element(void *object, const char *key);

// Reads the element that `routine` (an element handler found in the table
// of `active`) would hand out, when it is a plain field getter: true with
// *element set, or false when the handler has to be called.
bool read_element_directly(ZeHandler routine, void *active, void **element);

// Takes the next handler argument; a NULL list yields a zero value, which
// the handler's parameter check then refuses.
template <class T> T arg(va_list *pArgs) { return pArgs ? va_arg(*pArgs, T) : T{}; }

}  // namespace ze::objects
