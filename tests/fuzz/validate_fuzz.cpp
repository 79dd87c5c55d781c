// Validation of values against a descriptor, value mapping both ways and
// matching a record against fuzzed criteria. The first byte picks the field.
#include "fuzz_support.hpp"

namespace {

constexpr const char *kFields[] = {"NAME", "STATE", "COUNT", "RATE", "WHEN", "AT", "FLAG", "ANY", "SECRET", "ODD"};
constexpr int kFieldCount = sizeof kFields / sizeof kFields[0];

Descriptor *make_descriptor()
{
    Descriptor *d = nullptr;
    if (ZeCreateDescriptor(&d)) std::abort();
    const auto end = static_cast<char *>(nullptr);
    const char *states[] = {"Open", "Closed", "Held", nullptr};
    const char *codes[] = {"O", "C", "H", nullptr};
    ZeCreateField(d, "NAME", "MAX LENGTH", "12", "MIN LENGTH", "1", "UPPERCASE", 1, "KEY", 1, end);
    ZeCreateField(d, "STATE", "MAX LENGTH", "8", "VALID VALUES", states, -1, "REAL VALUES", codes, -1, end);
    ZeCreateField(d, "COUNT", "TYPE", "INT", "MAX LENGTH", "6", "LOW RANGE", "1", "UPPER RANGE", "500", end);
    ZeCreateField(d, "RATE", "TYPE", "REAL", "MAX LENGTH", "8", "LOW RANGE", "0.5", "UPPER RANGE", "99.5", end);
    ZeCreateField(d, "WHEN", "TYPE", "DATE", end);
    ZeCreateField(d, "AT", "TYPE", "TIME", end);
    ZeCreateField(d, "FLAG", "TYPE", "BOOL", end);
    ZeCreateField(d, "ANY", "TYPE", "ASTORNUM", "MAX LENGTH", "4", end);
    ZeCreateField(d, "SECRET", "MAX LENGTH", "16", "PASSWORD", 1, "LOWERCASE", 1, end);
    ZeCreateField(d, "ODD", "TYPE", "TIME_T", "MAX LENGTH", "12", end);
    if (ZeBuildDescriptorHeader(d)) std::abort();
    char *order[kFieldCount];
    for (int i = 0; i < kFieldCount; ++i) order[i] = const_cast<char *>(kFields[kFieldCount - 1 - i]);
    if (ZeBuildIndexArray(d, order, kFieldCount)) std::abort();
    return d;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static Descriptor *descriptor = make_descriptor();
    fuzz::BlockGuard guard;
    if (size == 0) return 0;
    auto p = fuzz::parts(data + 1, size - 1, 3);
    const char *field = kFields[data[0] % kFieldCount];
    ZeValidateValue(descriptor, data[0] & 0x80 ? "dd.mm.yyyy" : "mm/dd/yyyy", field, p[0].c_str());
    char *mapped = nullptr;
    if (ZeGetRealValue(descriptor, field, p[0].c_str(), &mapped) == ZE_OK && mapped)
        ZeGetValue(descriptor, field, mapped, &mapped);

    Filter *filter = nullptr;
    if (ZeCreateFilter(&filter)) return 0;
    ZeSetFilter(filter, ZE_FILTER_TEXT, p[1].c_str());
    char *row[kFieldCount + 1] = {};
    for (int i = 0; i < kFieldCount; ++i) row[i] = p[2 + i % (p.size() - 2)].data();
    ZeMatchFilter(filter, descriptor, row);
    ZeDestroyFilter(filter);
    return 0;
}
