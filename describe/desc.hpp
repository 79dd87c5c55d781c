// Descriptor and field structures as they cross the boundary, the attribute
// table, and the internal attribute storage shared by the describe sources.
#pragma once

#include "ZeDesc.h"
#include "ZeStrArray.h"
#include "foundation/blocks.hpp"

#include <cstdarg>
#include <string_view>

struct Field {
    char eyeCatcher[16];  // "DFLD1.0"
    char *name;
    char *realName;
    char *maxLength;
    char *minLength;
    char *label;
    const char **relops;
    char *type;
    const char **validValues;
    const char **realValues;
    char *lowRange;
    char *upperRange;
    char *defValue;
    unsigned int flags;
    char *zoomSection;
    char *zoomKey;
    char *fieldClass;
    char *trueValue;
    char *falseValue;
    char *copyTo;
    char *renameTo;
    const char **mutuallyExclusive;
    const char **required;
    Field *next;
    // Private: the descriptor that holds the field, so that a rename can
    // keep that descriptor's header pointing at live text.
    Descriptor *owner;
};

struct Descriptor {
    char eyeCatcher[16];  // "DESC1.0"
    int fieldCount;
    Field *firstField;
    char **header;
    int *indexArray;
    // Private, built with the header and the index array.
    int headerCount;       // slots of `header` before its terminator slot
    Field **headerFields;  // per header slot, the first field of that name; NULL when stale
    int indexCount;        // entries of `indexArray`
};

namespace ze::describe {

enum class Storage { Text, List, Flag, None };

struct Attribute {
    const char *keyword;
    Storage storage;
    unsigned flag;
    char *Field::*text;
    const char **Field::*list;
    const char *dumpLine;  // the dump line without its value and line end
};

inline constexpr int kAttributeCount = 30;

// Index of a keyword in the attribute table (case ignored), or -1.
int attribute_index(const char *keyword);
const Attribute &attribute(int index);

// The access protocol on one attribute; the index must be valid.
unsigned set_attribute(Field *field, int index, va_list *args);
unsigned get_attribute(Field *field, int index, va_list *args);

// Direct forms for code that has the values at hand.
unsigned set_text(Field *field, char *Field::*member, const char *value);
unsigned set_list(Field *field, const char **Field::*member, const char *const *values, int count);
void set_flag(Field *field, unsigned flag, bool on);

// Releases every text and list of the field, then the field.
void free_field(Field *field);

// Operator lists used as defaults.
extern const char *const kTextOperators[];
extern const char *const kFullOperators[];

inline constexpr const char *kDescriptorEyeCatcher = "DESC1.0";
inline constexpr const char *kFieldEyeCatcher = "DFLD1.0";

inline bool is_descriptor(const Descriptor *d) { return eye_catcher_is(d, kDescriptorEyeCatcher); }
inline bool is_field(const Field *f) { return eye_catcher_is(f, kFieldEyeCatcher); }

// First field whose name equals `name` exactly, or NULL.
Field *find_field(const Descriptor *d, const char *name);

// The field at header position i as a lookup by its name would find it.
Field *header_field(const Descriptor *d, int i);

// A criterion's value on `field` checked as ZeValidateValue checks a value
// of it, except for MIN LENGTH and MAX LENGTH, which bound what the field
// holds, not what a criterion compares it with: 0 or ZeValidateValue's code.
unsigned validate_criterion(const Field *field, const char *dateFormat, const char *value);

// Display value to database value for one field (ZeGetRealValue once the
// field is found); `name` is for traces.
unsigned real_value(const Field *field, const char *name, const char *value, char **pRealValue);

// Database value to display value for one field; `name` is for traces.
unsigned display_value(const Field *field, const char *name, const char *realValue, char **pValue);

// Called when a field's NAME text changes from `before` to the field's current name.
void field_renamed(Field *field, const char *before);

inline bool has_flag(const Field *f, unsigned flag) { return (f->flags & flag) != 0; }
inline int list_size(const char *const *list) { return ZeCountPtrArrayElements(list); }

}  // namespace ze::describe
