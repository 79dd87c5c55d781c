// Descriptors and fields: lifecycle, the field iterator, lookup by name and
// the text dump of a descriptor.
#include "describe/desc.hpp"

#include "foundation/blocks.hpp"
#include "foundation/frame.hpp"

ZE_SOURCE_TAG("ZeDesc");

namespace ze::describe {

Field *find_field(const Descriptor *d, const char *name)
{
    if (!name) return nullptr;
    for (Field *f = d->firstField; f; f = f->next)
        if (f->name && f->name[0] == name[0] && TarnCompareStr(f->name, name) == 0) return f;
    return nullptr;
}

}  // namespace ze::describe

namespace {

using namespace ze::describe;

constexpr const char *kRule = "=======================================================\n";

void dump_list(FILE *stream, const char *title, const char *const *list)
{
    TarnFormatStrToFile(stream, "%s\n", title);
    for (int i = 0; list && list[i]; ++i) TarnFormatStrToFile(stream, "        Value[%d] = %s\n", i, list[i]);
}

void dump_attribute(FILE *stream, const Field *f, const Attribute &a)
{
    switch (a.storage) {
    case Storage::Text: {
        const char *value = f->*a.text;
        TarnFormatStrToFile(stream, "%s%s\n", a.dumpLine, value ? value : "(nil)");
        break;
    }
    case Storage::List: {
        const char *const *list = f->*a.list;
        // REQUIRED and MUTUALLY EXCLUSIVE show only when the field has them.
        bool always = a.list != &Field::required && a.list != &Field::mutuallyExclusive;
        if (always || list) dump_list(stream, a.dumpLine, list);
        break;
    }
    case Storage::Flag:
        if (has_flag(f, a.flag)) TarnFormatStrToFile(stream, "%s\n", a.dumpLine);
        break;
    case Storage::None: break;
    }
}

void dump(Descriptor *d, FILE *stream)
{
    TarnTrace("ZeDumpDescriptor : Data Descriptor info going to a file...");
    TarnFormatStrToFile(stream, "%s", kRule);
    TarnFormatStrToFile(stream, "            Dump of Data Descriptor begin\n");
    TarnFormatStrToFile(stream, "%s", kRule);
    for (const Field *f = d->firstField; f; f = f->next) {
        TarnFormatStrToFile(stream, "New Field\n");
        TarnFormatStrToFile(stream, "---------\n");
        for (int i = 0; i < kAttributeCount; ++i) dump_attribute(stream, f, attribute(i));
        TarnFormatStrToFile(stream, " \n");
    }
    TarnFormatStrToFile(stream, "%s", kRule);
    TarnFormatStrToFile(stream, "             Dump of Data Descriptor end\n");
    TarnFormatStrToFile(stream, "%s", kRule);
}

}  // namespace

extern "C" {

int ZeIsValidDescriptor(Descriptor *descriptor)
{
    return ZE_FRAME_QUIET({{"Descriptor", is_descriptor(descriptor)}}, 0, [] { return 1; });
}

int ZeIsValidField(Field *field)
{
    return ZE_FRAME_QUIET({{"Field", is_field(field)}}, 0, [] { return 1; });
}

unsigned int ZeCreateDescriptor(Descriptor **pDescriptor)
{
    return ZE_FRAME({{"*Descriptor", ze::given(pDescriptor)}}, [&] {
        auto *d = ZE_NEW(Descriptor);
        if (!d) return ZE_RC_NO_MEMORY;
        TarnSetEyeCatcher(d, kDescriptorEyeCatcher);
        *pDescriptor = d;
        return ZE_OK;
    });
}

unsigned int ZeDestroyDescriptor(Descriptor *descriptor)
{
    return ZE_FRAME({{"Descriptor", is_descriptor(descriptor)}}, [&] {
        while (Field *f = descriptor->firstField) {
            descriptor->firstField = f->next;
            free_field(f);
        }
        ZE_FREE(descriptor->header);
        ZE_FREE(descriptor->headerFields);
        ZE_FREE(descriptor->indexArray);
        TarnSetEyeCatcher(descriptor, "");  // a stale handle no longer passes the check
        ZE_FREE(descriptor);
        return ZE_OK;
    });
}

unsigned int ZeNewField(Descriptor *descriptor, Field **pField)
{
    return ZE_FRAME({{"Descriptor", is_descriptor(descriptor)}, {"*Field", ze::given(pField)}}, [&] {
        auto *f = ZE_NEW(Field);
        if (!f) return ZE_RC_NO_MEMORY;
        TarnSetEyeCatcher(f, kFieldEyeCatcher);
        f->owner = descriptor;
        Field **tail = &descriptor->firstField;
        while (*tail) tail = &(*tail)->next;
        *tail = f;
        ++descriptor->fieldCount;
        *pField = f;
        return ZE_OK;
    });
}

unsigned int ZeGetField(Descriptor *descriptor, Field **pField)
{
    return ZE_FRAME({{"Descriptor", is_descriptor(descriptor)}, {"pField", ze::given(pField)}}, [&] {
        *pField = *pField ? (*pField)->next : descriptor->firstField;
        return *pField ? ZE_OK : ZE_RC_NO_ENTRY;
    });
}

unsigned int ZeGetFieldByName(Descriptor *descriptor, Field **pField, const char *name)
{
    return ZE_FRAME(
        {{"Descriptor", is_descriptor(descriptor)}, {"*Field", ze::given(pField)}, {"Name", ze::given(name)}}, [&] {
            Field *f = find_field(descriptor, name);
            if (!f) return ZE_RC_NO_ENTRY;
            *pField = f;
            return ZE_OK;
        });
}

int ZeGetFieldCount(Descriptor *descriptor)
{
    return ZE_FRAME_VALUE({{"Descriptor", is_descriptor(descriptor)}}, -1, [&] { return descriptor->fieldCount; });
}

unsigned int ZeDumpDescriptor(Descriptor *descriptor, FILE *stream)
{
    return ZE_FRAME({{"Descriptor", is_descriptor(descriptor)}, {"pFile", ze::given(stream)}}, [&] {
        dump(descriptor, stream);
        return ZE_OK;
    });
}

unsigned int ZeDumpFieldInfo(Descriptor *descriptor, va_list *pArgs)
{
    return ZE_FRAME({{"Descriptor", is_descriptor(descriptor)}, {"pArgs", ze::given(pArgs)}}, [&] {
        const char *name = va_arg(*pArgs, const char *);
        FILE *stream = ze::has_text(name) ? TarnOpenFile(name, "w+") : nullptr;
        if (!stream) return ZE_RC_DUMP_NOT_OPENED;
        dump(descriptor, stream);
        TarnCloseFile(stream);
        return ZE_OK;
    });
}

}  // extern "C"
