// Helpers of the object framework tests: the registry file of this test
// run, filters that clean up after themselves, and the fixture of objects
// created by name.
#pragma once

#include "tarn_test.hpp"
#include "tests/requests/router_fixture.hpp"

// Rewrites tarnobjs.dat in the data directory of the test run.
inline void write_registry(const std::string &text)
{
    std::filesystem::create_directories(ZeEnv(ZE_ENV_TARN_DATA_DIR));
    write_file(std::string(ZeEnv(ZE_ENV_TARN_DATA_DIR)) + "/tarnobjs.dat", text);
}

inline void remove_registry()
{
    std::filesystem::remove(std::filesystem::path(ZeEnv(ZE_ENV_TARN_DATA_DIR)) / "tarnobjs.dat");
}

// A filter holding the criteria of `text` ("" for none); silent, so that it
// can be made while allocations are failing on purpose.
struct TestFilter : Owned<Filter, ZeDestroyFilter> {
    explicit TestFilter(const char *text = "")
    {
        if (!ZeCreateFilter(&p) && *text) ZeSetFilter(p, ZE_FILTER_TEXT, text);
    }
};

// `object` is made by name from the registry this fixture writes; its
// requests go to the test router. At the end it is destroyed, and its object
// library must then be unloaded.
class ObjectTest : public RouterTest {
protected:
    ObjectTest(const char *registry, const char *library) : registry_(registry), library_(library) {}

    void SetUp() override
    {
        RouterTest::SetUp();
        write_registry(registry_);
    }

    void TearDown() override
    {
        if (object) destroy();
        remove_registry();
        EXPECT_FALSE(module_loaded(library_)) << "the object library stayed loaded";
        RouterTest::TearDown();
    }

    // Makes `object` (after destroying the one before) under the criteria
    // text; its code. An object comes with 0, and only with 0.
    unsigned create(const char *name, const char *criteria = "")
    {
        if (object) destroy();
        void *made = reinterpret_cast<void *>(1);
        unsigned rc = ZeCreateObject(&made, name, TestFilter(criteria));
        EXPECT_EQ(made != nullptr, rc == ZE_OK) << "code " << rc;
        object = rc ? nullptr : made;
        return rc;
    }

    // An object routed to the test router for user tester, to NODE1 through
    // HUB; NULL when that fails.
    static void *make_routed(const char *name)
    {
        void *made = nullptr;
        if (ZeCreateObject(&made, name, TestFilter("ROUTEMODULE EQ TarnTestRouter"))) return nullptr;
        if (!ZeSetProperty(made, "USERNAME", "tester") && !ZeSetProperty(made, "DESTINATION", "NODE1", "HUB"))
            return made;
        ZeDestroyObject(made);
        return nullptr;
    }

    void create_routed(const char *name)
    {
        if (object) destroy();
        ASSERT_NE(object = make_routed(name), nullptr) << trace_text();
        clear_trace();
    }

    void destroy()
    {
        EXPECT_EQ(ZeDestroyObject(object), ZE_OK);
        object = nullptr;
    }

    // Submits an item action (Filter, pValues): the values handed back, which
    // must be the item's own, joined with '|'; "code <n>" after a failure,
    // which must come with no values.
    std::string act(const char *action, const char *criteria)
    {
        char **values = reinterpret_cast<char **>(1);
        unsigned rc = ZeSubmitAction(object, action, static_cast<Filter *>(TestFilter(criteria)), &values);
        Item *item = static_cast<Item *>(ZeElement(object, "ITEM"));
        EXPECT_EQ(values, rc ? nullptr : ZeItemValues(item)) << action << " code " << rc;
        return rc ? "code " + std::to_string(rc) : join(texts(values, ZeItemCount(item)));
    }

    // Every request the router received as "COMMAND: field, field".
    Texts sent() const
    {
        Texts all;
        for (int i = 0; i < requests(); ++i) {
            std::string fields;
            for (const std::string &field : sent_fields(i)) fields += (fields.empty() ? "" : ", ") + field;
            all.push_back(std::string(request(i).command) + ": " + fields);
        }
        return all;
    }

    std::string last_message()
    {
        const char *message = nullptr;
        EXPECT_EQ(ZeQueryProperty(object, "LAST MESSAGE", &message), ZE_OK);
        return message ? message : "<null>";
    }

    void *object = nullptr;

private:
    const char *registry_;
    const char *library_;
};
