// The demo router's item operations with hostile field names and values:
// the object PRINTER on a copy of the demo data, one action per input with
// criteria taken from the input (column, operator, value, ...).
#include "fuzz_support.hpp"

#include <filesystem>

namespace {

void *printer()
{
    static void *object = [] {
        namespace fs = std::filesystem;
        const fs::path data = fuzz::scratch_file("demo");
        fs::remove_all(data);
        fs::copy(FUZZ_DEMO_DATA, data, fs::copy_options::recursive);
        setenv("TARN_DATA_DIR", data.c_str(), 1);
        setenv("DEMO_ROUTER", "ON", 1);
        Filter *filter = nullptr;
        void *made = nullptr;
        if (ZeCreateFilter(&filter) || ZeSetFilter(filter, ZE_FILTER_TEXT, "LANGUAGE EQ AMENG") ||
            ZeCreateObject(&made, "PRINTER", filter) || ZeSetProperty(made, "USERNAME", "fuzz") ||
            ZeSetProperty(made, "DESTINATION", "DEMO", "DEMO"))
            std::abort();
        ZeDestroyFilter(filter);
        return made;
    }();
    return object;
}

constexpr const char *kActions[] = {"DEFINE ITEM", "ALTER ITEM", "DELETE ITEM", "OPEN ITEM",
                                    "COPY ITEM",   "RENAME ITEM", "OPEN COLLECTION", "VALIDATE VALUE"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    void *object = printer();
    fuzz::BlockGuard guard;
    if (size == 0) return 0;
    auto p = fuzz::parts(data + 1, size - 1, 3);
    const char *action = kActions[data[0] % 8];
    if (data[0] % 8 == 7) {
        ZeSubmitAction(object, action, p[0].c_str(), p[1].c_str());
        return 0;
    }
    Filter *filter = nullptr;
    if (ZeCreateFilter(&filter)) return 0;
    for (std::size_t i = 0; i + 2 < p.size() && i < 12; i += 3)
        ZeAddFilterItem(filter, p[i].c_str(), p[i + 1].c_str(), p[i + 2].c_str());
    char **values = nullptr;
    if (data[0] % 8 == 2 || data[0] % 8 == 6) ZeSubmitAction(object, action, filter);
    else ZeSubmitAction(object, action, filter, &values);
    ZeDestroyFilter(filter);
    if (data[0] % 8 == 6)
        for (int i = 0; i < 50 && ZeSubmitAction(object, "GET ITEM", &values) == ZE_OK; ++i) {
        }
    const char *message = nullptr;
    ZeQueryProperty(object, "LAST MESSAGE", &message);
    return 0;
}
