// Field attributes through their keywords: set, get and query, ZeCreateField
// with its defaults, and the primary, type-default and zoom builders.
#include "describe/desc.hpp"

#include "foundation/blocks.hpp"
#include "foundation/frame.hpp"
#include "contract/text.hpp"

#include <bitset>

ZE_SOURCE_TAG("ZeDesc");

namespace {

using namespace ze::describe;

// Index of the keyword; an unknown one is traced under the caller's name.
int known_attribute(const char *function, const char *keyword)
{
    int index = attribute_index(keyword);
    if (index < 0) TarnTrace("*** %s: Attribute <%s> is unknown", function, keyword);
    return index;
}

unsigned traced_access(const char *function, const char *keyword, unsigned rc)
{
    if (rc == ZE_RC_INVALID_PARAMETER) TarnTrace("*** %s: NULL value for attribute <%s>", function, keyword);
    return rc;
}

unsigned get_checked(const char *function, Field *field, const char *keyword, va_list *args)
{
    int index = known_attribute(function, keyword);
    if (index < 0) return ZE_RC_NOT_IN_VALUE_TABLE;
    return traced_access(function, keyword, get_attribute(field, index, args));
}

unsigned get_field_attribute(const char *function, Field *field, const char *keyword, va_list *args)
{
    return ze::frame(function, {{"Field", is_field(field)}, {"Attrib", ze::given(keyword)}, {"pArgs", ze::given(args)}},
                     [&] { return get_checked(function, field, keyword, args); });
}

unsigned query_field_attribute(const char *function, Descriptor *d, va_list *args)
{
    const char *name = args ? va_arg(*args, const char *) : nullptr;
    const char *keyword = args ? va_arg(*args, const char *) : nullptr;
    return ze::frame(
        function, {{"Descriptor", is_descriptor(d)}, {"Name", ze::given(name)}, {"Attrib", ze::given(keyword)}}, [&] {
            Field *field = find_field(d, name);
            if (!field) return ZE_RC_NO_ENTRY;
            return get_checked(function, field, keyword, args);
        });
}

bool type_is(const Field *f, std::string_view type) { return f->type && ze::equal_nocase(f->type, type); }

unsigned set_operators(Field *f, const char *const *operators) { return set_list(f, &Field::relops, operators, -1); }

// The keyword/value pairs of ZeCreateField; marks each attribute given.
unsigned set_keyword_list(Field *f, const char *name, va_list *args, std::bitset<kAttributeCount> &given)
{
    while (const char *keyword = va_arg(*args, const char *)) {
        int index = attribute_index(keyword);
        if (index < 0) {
            TarnTrace("*** ZeCreateField: Attribute <%s> is unknown", keyword);
            return ZE_RC_NOT_IN_VALUE_TABLE;
        }
        given.set(static_cast<std::size_t>(index));
        if (unsigned rc = set_attribute(f, index, args)) {
            TarnTrace("*** ZeCreateField: Error setting attribute value: Field <%s> Attribute <%s>", name, keyword);
            return rc;
        }
    }
    return ZE_OK;
}

unsigned set_created_defaults(Field *f, const std::bitset<kAttributeCount> &given)
{
    auto was_given = [&](const char *keyword) {
        return given.test(static_cast<std::size_t>(attribute_index(keyword)));
    };
    if (!was_given("TYPE"))
        if (unsigned rc = set_text(f, &Field::type, "TEXT")) return rc;
    if (!was_given("RELOPS")) {
        bool textual = type_is(f, "TEXT") || type_is(f, "BOOL");
        if (unsigned rc = set_operators(f, textual ? kTextOperators : kFullOperators)) return rc;
    }
    if (type_is(f, "BOOL")) {
        if (!was_given("TRUE VALUE"))
            if (unsigned rc = set_text(f, &Field::trueValue, "Y")) return rc;
        if (!was_given("FALSE VALUE"))
            if (unsigned rc = set_text(f, &Field::falseValue, "N")) return rc;
    }
    if (type_is(f, "DATE") && !was_given("MAX LENGTH"))
        if (unsigned rc = set_text(f, &Field::maxLength, "11")) return rc;
    return ZE_OK;
}

unsigned set_type_defaults(const char *function, Field *f, const char *type, const char *const *operators)
{
    return ze::frame(function, {{"Field", is_field(f)}}, [&] {
        if (unsigned rc = set_text(f, &Field::type, type)) return rc;
        return set_operators(f, operators);
    });
}

}  // namespace

extern "C" {

unsigned int ZeSetFieldAttribute(Field *field, const char *Attrib, ...)
{
    va_list args;
    va_start(args, Attrib);
    unsigned rc = ZE_FRAME({{"Field", is_field(field)}, {"Attrib", ze::given(Attrib)}}, [&] {
        int index = known_attribute("ZeSetFieldAttribute", Attrib);
        if (index < 0) return ZE_RC_NOT_IN_VALUE_TABLE;
        return traced_access("ZeSetFieldAttribute", Attrib, set_attribute(field, index, &args));
    });
    va_end(args);
    return rc;
}

unsigned int ZeGetFieldAttribute(Field *field, const char *Attrib, va_list *pArgs)
{
    return get_field_attribute(__func__, field, Attrib, pArgs);
}

unsigned int ZeGetAttribute(Field *field, const char *Attrib, ...)
{
    va_list args;
    va_start(args, Attrib);
    unsigned rc = get_field_attribute(__func__, field, Attrib, &args);
    va_end(args);
    return rc;
}

unsigned int ZeQueryFieldAttribute(Descriptor *descriptor, va_list *pArgs)
{
    return query_field_attribute(__func__, descriptor, pArgs);
}

unsigned int ZeQueryAttribute(Descriptor *descriptor, ...)
{
    va_list args;
    va_start(args, descriptor);
    unsigned rc = query_field_attribute(__func__, descriptor, &args);
    va_end(args);
    return rc;
}

unsigned int ZeCreateField(Descriptor *descriptor, const char *Name, ...)
{
    va_list args;
    va_start(args, Name);
    unsigned rc = ZE_FRAME({{"Descriptor", is_descriptor(descriptor)}, {"Name", ze::given(Name)}}, [&] {
        Field *field = nullptr;
        if (unsigned code = ZeNewField(descriptor, &field)) return code;
        if (unsigned code = set_text(field, &Field::name, Name)) {
            TarnTrace("*** ZeCreateField: Error setting field name: <%s>", Name);
            return code;
        }
        std::bitset<kAttributeCount> given;
        if (unsigned code = set_keyword_list(field, Name, &args, given)) return code;
        return set_created_defaults(field, given);
    });
    va_end(args);
    return rc;
}

unsigned int ZeSetPrimaryFieldAttributes(Field *field, const char *Name, const char *RealName, const char *Maxlen,
                                         const char *Label, const char *Default)
{
    return ZE_FRAME({{"Field", is_field(field)},
                     {"Name", ze::given(Name)},
                     {"RealName", true},
                     {"Maxlen", ze::given(Maxlen)},
                     {"Label", ze::given(Label)},
                     {"Default", true}},
                    [&] {
                        if (unsigned rc = set_text(field, &Field::name, Name)) return rc;
                        // The name may now be the field's own text: take REAL NAME from the field.
                        const char *real = ze::has_text(RealName) ? RealName : field->name;
                        if (unsigned rc = set_text(field, &Field::realName, real)) return rc;
                        if (unsigned rc = set_text(field, &Field::maxLength, Maxlen)) return rc;
                        if (unsigned rc = set_text(field, &Field::label, Label)) return rc;
                        return set_text(field, &Field::defValue, Default ? Default : "");
                    });
}

unsigned int ZeSetDefaultTextFieldAttributes(Field *field)
{
    return set_type_defaults(__func__, field, "TEXT", kTextOperators);
}

unsigned int ZeSetDefaultIntFieldAttributes(Field *field)
{
    return set_type_defaults(__func__, field, "INT", kFullOperators);
}

unsigned int ZeSetDefaultAstOrNumFieldAttributes(Field *field)
{
    return set_type_defaults(__func__, field, "ASTORNUM", kFullOperators);
}

unsigned int ZeSetDefaultDateFieldAttributes(Field *field)
{
    return set_type_defaults(__func__, field, "DATE", kFullOperators);
}

unsigned int ZeSetDefaultTimeFieldAttributes(Field *field)
{
    return set_type_defaults(__func__, field, "TIME", kFullOperators);
}

unsigned int ZeSetDefaultTimeTFieldAttributes(Field *field)
{
    return set_type_defaults(__func__, field, "TIME_T", kFullOperators);
}

unsigned int ZeSetDefaultBoolFieldAttributes(Field *field, const char *TrueValue, const char *FalseValue, int Default)
{
    return ZE_FRAME({{"Field", is_field(field)},
                     {"TrueValue", ze::given(TrueValue)},
                     {"FalseValue", ze::given(FalseValue)},
                     {"Default", ze::in_range(Default, 0, 1)}},
                    [&] {
                        if (unsigned rc = set_text(field, &Field::type, "BOOL")) return rc;
                        if (unsigned rc = set_operators(field, kTextOperators)) return rc;
                        if (unsigned rc = set_text(field, &Field::defValue, Default ? "TRUE" : "FALSE")) return rc;
                        if (unsigned rc = set_text(field, &Field::trueValue, TrueValue)) return rc;
                        return set_text(field, &Field::falseValue, FalseValue);
                    });
}

unsigned int ZeSetZoomAttributes(Field *field, const char *Section, const char *Key)
{
    return ZE_FRAME({{"Field", is_field(field)}, {"Section", ze::given(Section)}, {"Key", ze::given(Key)}}, [&] {
        if (unsigned rc = set_text(field, &Field::zoomSection, Section)) return rc;
        return set_text(field, &Field::zoomKey, Key);
    });
}

}  // extern "C"
