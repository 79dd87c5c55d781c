// Filter criteria text in every form: criteria text, one criterion text,
// an array of criterion texts, parallel arrays; then copy and compare.
#include "fuzz_support.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    fuzz::BlockGuard guard;
    auto p = fuzz::parts(data, size, 4);
    Filter *a = nullptr, *b = nullptr;
    if (ZeCreateFilter(&a) || ZeCreateFilter(&b)) {
        ZeDestroyFilter(a);
        return 0;
    }
    ZeSetFilter(a, ZE_FILTER_TEXT, p[0].c_str());
    ZeSetFilterItem(a, ZE_CRITERION_TEXT, p[1].c_str());
    char *strings[] = {p[1].data(), p[2].data(), p[3].data()};
    ZeSetFilter(b, ZE_FILTER_STRINGS, strings, 3);
    char *columns[] = {p[0].data(), p[1].data(), nullptr};
    char *relops[] = {p[2].data(), p[3].data(), nullptr};
    char *values[] = {p[3].data(), p[0].data(), nullptr};
    ZeSetFilter(b, ZE_FILTER_ARRAYS, columns, relops, values, -1);
    if (ZeCopyFilter(b, a) == ZE_OK) {
        unsigned same = ZeCompareFilters(a, b);
        if (same != ZE_OK && same != ZE_RC_CRITERIA_EQUAL) std::abort();
    }
    const char *column = nullptr, *relop = nullptr, *value = nullptr;
    ZeInitFilterQuery(a);
    while (ZeGetFilterItem(a, &column, &relop, &value)) {
        if (!column || !relop || !value) std::abort();
        ZeNextFilterItem(a);
    }
    ZeFilterItemByKey(a, p[1].c_str(), nullptr, nullptr);
    ZeDestroyFilter(a);
    ZeDestroyFilter(b);
    return 0;
}
