// Attribute storage: the table of the 30 field attributes and the set/get
// protocol of each storage kind (text, list, flag, none).
#include "describe/desc.hpp"

#include "ZeStrArray.h"
#include "foundation/blocks.hpp"

#include <cctype>

ZE_SOURCE_TAG("DescUtil");

namespace ze::describe {

const char *const kTextOperators[] = {"EQ", "NE", nullptr};
const char *const kFullOperators[] = {"EQ", "NE", "LT", "LE", "GT", "GE", nullptr};

namespace {

constexpr Attribute text(const char *keyword, char *Field::*member, const char *line)
{
    return {keyword, Storage::Text, 0, member, nullptr, line};
}
constexpr Attribute list(const char *keyword, const char **Field::*member, const char *line)
{
    return {keyword, Storage::List, 0, nullptr, member, line};
}
constexpr Attribute flag(const char *keyword, unsigned bit, const char *line)
{
    return {keyword, Storage::Flag, bit, nullptr, nullptr, line};
}

// The index of each keyword is fixed; it is also the order of the dump.
// The last column is the attribute's dump line without its value and line end.
constexpr Attribute kAttributes[kAttributeCount] = {
    text("NAME", &Field::name, "     Name = "),
    text("MAX LENGTH", &Field::maxLength, "     Max Length = "),
    text("MIN LENGTH", &Field::minLength, "     Min Length = "),
    text("LABEL", &Field::label, "     Label = "),
    list("RELOPS", &Field::relops, "     Relops : "),
    text("TYPE", &Field::type, "     Type = "),
    list("VALID VALUES", &Field::validValues, "     Valid Values : "),
    list("REAL VALUES", &Field::realValues, "     Real Values : "),
    text("LOW RANGE", &Field::lowRange, "     Lower Range = "),
    text("UPPER RANGE", &Field::upperRange, "     Upper Range = "),
    text("DEF VALUE", &Field::defValue, "     Default = "),
    text("ZOOM SECTION", &Field::zoomSection, "     Zoom section = "),
    text("ZOOM KEY", &Field::zoomKey, "     Zoom key = "),
    flag("READONLY", ZE_FIELD_READONLY, "     Field is READONLY"),
    flag("UPPERCASE", ZE_FIELD_UPPERCASE, "     Field is UPPERCASE"),
    flag("LOWERCASE", ZE_FIELD_LOWERCASE, "     Field is LOWERCASE"),
    flag("PASSWORD", ZE_FIELD_PASSWORD, "     Field is a PASSWORD"),
    flag("KEY", ZE_FIELD_KEY, "     Field is a KEYFIELD"),
    list("REQUIRED", &Field::required, "     Field is Required for : "),
    text("CLASS", &Field::fieldClass, "     ZE Class = "),
    flag("CASE SENSITIVE", ZE_FIELD_CASE_SENSITIVE, "     Field is CASE SENSITIVE"),
    text("TRUE VALUE", &Field::trueValue, "     True value = "),
    text("FALSE VALUE", &Field::falseValue, "     False value = "),
    text("REAL NAME", &Field::realName, "     Real Name = "),
    flag("INVISIBLE", ZE_FIELD_INVISIBLE, "     Field is INVISIBLE"),
    flag("PSEUDO", ZE_FIELD_PSEUDO, "     Field is PSEUDO"),
    text("COPY TO", &Field::copyTo, "     Copy To Field = "),
    text("RENAME TO", &Field::renameTo, "     Rename To Field = "),
    list("MUTUALLY EXCLUSIVE", &Field::mutuallyExclusive, "     Field is Mutually Exclusive against: "),
    {"MODEL FIELD", Storage::None, 0, nullptr, nullptr, nullptr},
};

void free_text(char *&text) { ZE_FREE(text); }

void free_list(const char **&list)
{
    ZeFreeConstStrPtrArray(list, -1);
    list = nullptr;
}

unsigned get_text(const Field *field, char *Field::*member, va_list *args)
{
    auto **out = va_arg(*args, const char **);
    if (!out) return ZE_RC_INVALID_PARAMETER;
    *out = field->*member;
    return ZE_OK;
}

unsigned get_list(const Field *field, const char **Field::*member, va_list *args)
{
    auto ***outList = va_arg(*args, const char ***);
    auto *outCount = va_arg(*args, int *);
    if (!outList || !outCount) return ZE_RC_INVALID_PARAMETER;
    *outList = field->*member;
    *outCount = list_size(field->*member);
    return ZE_OK;
}

}  // namespace

int attribute_index(const char *keyword)
{
    if (!keyword) return -1;
    // Requests look attributes up for every value they carry: the first
    // letter (every keyword starts with an upper-case ASCII letter) rules
    // out most keywords before the full comparison.
    const char first = static_cast<char>(std::toupper(static_cast<unsigned char>(*keyword)));
    for (int i = 0; i < kAttributeCount; ++i)
        if (kAttributes[i].keyword[0] == first && TarnCompareNoCaseStr(kAttributes[i].keyword, keyword) == 0) return i;
    return -1;
}

const Attribute &attribute(int index) { return kAttributes[index]; }

unsigned set_text(Field *field, char *Field::*member, const char *value)
{
    if (!value) return ZE_RC_INVALID_PARAMETER;
    // Copy before releasing: the new value may be the text the field holds.
    char *before = field->*member;
    field->*member = ZE_DUP(value);
    if (member == &Field::name) field_renamed(field, before);
    free_text(before);
    return field->*member ? ZE_OK : ZE_RC_NO_MEMORY;
}

unsigned set_list(Field *field, const char **Field::*member, const char *const *values, int count)
{
    if (!values) return ZE_RC_INVALID_PARAMETER;
    if (count < 0) count = list_size(values);
    const char **copy = ZeDuplicateConstStrPtrArray(values, count);
    if (!copy) return ZE_RC_NO_MEMORY;  // the old list stays: a field must not lose VALID VALUES unnoticed
    free_list(field->*member);
    field->*member = copy;
    return ZE_OK;
}

void set_flag(Field *field, unsigned flag, bool on)
{
    if (!on) {
        field->flags &= ~flag;
        return;
    }
    field->flags |= flag;
    // A field is upper case or lower case, never both.
    if (flag == ZE_FIELD_UPPERCASE) field->flags &= ~ZE_FIELD_LOWERCASE;
    if (flag == ZE_FIELD_LOWERCASE) field->flags &= ~ZE_FIELD_UPPERCASE;
}

unsigned set_attribute(Field *field, int index, va_list *args)
{
    const Attribute &a = kAttributes[index];
    switch (a.storage) {
    case Storage::Text: return set_text(field, a.text, va_arg(*args, const char *));
    case Storage::List: {
        auto **values = va_arg(*args, const char **);
        int count = va_arg(*args, int);
        return set_list(field, a.list, values, count);
    }
    case Storage::Flag: set_flag(field, a.flag, va_arg(*args, int) != 0); return ZE_OK;
    case Storage::None: (void)va_arg(*args, const char *); return ZE_OK;
    }
    return ZE_OK;
}

unsigned get_attribute(Field *field, int index, va_list *args)
{
    const Attribute &a = kAttributes[index];
    switch (a.storage) {
    case Storage::Text: return get_text(field, a.text, args);
    case Storage::List: return get_list(field, a.list, args);
    case Storage::Flag: {
        auto *out = va_arg(*args, int *);
        if (!out) return ZE_RC_INVALID_PARAMETER;
        *out = has_flag(field, a.flag) ? 1 : 0;
        return ZE_OK;
    }
    case Storage::None: (void)va_arg(*args, void *); return ZE_OK;
    }
    return ZE_OK;
}

void free_field(Field *field)
{
    for (const Attribute &a : kAttributes) {
        if (a.storage == Storage::Text) free_text(field->*a.text);
        if (a.storage == Storage::List) free_list(field->*a.list);
    }
    ZE_FREE(field);
}

}  // namespace ze::describe
