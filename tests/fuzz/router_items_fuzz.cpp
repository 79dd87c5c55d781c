// The demo router's item operations with hostile field names and values:
// the object PRINTER on a copy of the demo data, one action per input with
// criteria taken from the input (column, operator, value, ...).
#include "fuzz_support.hpp"

#include <filesystem>

namespace {

// The object PRINTER sending its requests to node DEMO, or NULL.
void *new_printer()
{
    Filter *filter = nullptr;
    void *made = nullptr;
    if (ZeCreateFilter(&filter) == ZE_OK && ZeSetFilter(filter, ZE_FILTER_TEXT, "LANGUAGE EQ AMENG") == ZE_OK &&
        ZeCreateObject(&made, "PRINTER", filter) == ZE_OK &&
        (ZeSetProperty(made, "USERNAME", "fuzz") || ZeSetProperty(made, "DESTINATION", "DEMO", "DEMO"))) {
        ZeDestroyObject(made);
        made = nullptr;
    }
    ZeDestroyFilter(filter);
    return made;
}

// Copies the demo data once and makes one object, so that what stays
// loaded for the process (router, environment) is there before the first
// input is counted.
void set_up()
{
    static const bool done = [] {
        namespace fs = std::filesystem;
        const fs::path data = fuzz::scratch_file("demo");
        fs::remove_all(data);
        fs::copy(FUZZ_DEMO_DATA, data, fs::copy_options::recursive);
        setenv("TARN_DATA_DIR", data.c_str(), 1);
        setenv("DEMO_ROUTER", "ON", 1);
        void *object = new_printer();
        if (!object) std::abort();
        ZeSubmitAction(object, "OPEN COLLECTION", nullptr);
        ZeDestroyObject(object);
        return true;
    }();
    (void)done;
}

constexpr const char *kActions[] = {"DEFINE ITEM", "ALTER ITEM",  "DELETE ITEM",     "OPEN ITEM",
                                    "COPY ITEM",   "RENAME ITEM", "OPEN COLLECTION", "VALIDATE VALUE"};

// One action on a fresh object with the input's criteria.
void act(void *object, const std::uint8_t *data, std::size_t size)
{
    auto p = fuzz::parts(data + 1, size - 1, 3);
    const int kind = data[0] % 8;
    if (kind == 7) {
        ZeSubmitAction(object, kActions[kind], p[0].c_str(), p[1].c_str());
        return;
    }
    Filter *filter = nullptr;
    if (ZeCreateFilter(&filter)) return;
    for (std::size_t i = 0; i + 2 < p.size() && i < 12; i += 3)
        ZeAddFilterItem(filter, p[i].c_str(), p[i + 1].c_str(), p[i + 2].c_str());
    char **values = nullptr;
    if (kind == 2 || kind == 6) ZeSubmitAction(object, kActions[kind], filter);
    else ZeSubmitAction(object, kActions[kind], filter, &values);
    ZeDestroyFilter(filter);
    if (kind == 6)
        for (int i = 0; i < 50 && ZeSubmitAction(object, "GET ITEM", &values) == ZE_OK; ++i) {}
    const char *message = nullptr;
    ZeQueryProperty(object, "LAST MESSAGE", &message);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    set_up();
    fuzz::BlockGuard guard;
    if (size == 0) return 0;
    void *object = new_printer();
    if (!object) std::abort();
    act(object, data, size);
    ZeDestroyObject(object);
    return 0;
}
