// The generic object's actions end to end: an object created by name sends
// its requests to the test router module; each test checks what the router
// received and what the application gets back.
#include "objects_test.hpp"
#include "tests/requests/test_router.h"

#include <cstdlib>
#include <vector>

namespace {

using Texts = std::vector<std::string>;

// The first `count` values, NULL shown as "<null>".
Texts texts(char **values, unsigned count)
{
    Texts out;
    for (unsigned i = 0; values && i < count; ++i) out.emplace_back(values[i] ? values[i] : "<null>");
    return out;
}

class GenericActions : public TarnTest {
protected:
    void SetUp() override
    {
        TarnTest::SetUp();
        char pattern[] = "/tmp/tarn-objects-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        tempDir = pattern;
        setenv("TMPDIR", pattern, 1);
        TarnProc proc = nullptr;
        ASSERT_EQ(ZeLoadRoutine("TarnTestRouter", "test_router_api", &proc), ZE_OK);
        router = reinterpret_cast<TestRouterApiProc>(proc)();
        router->reset();
        write_registry("SAMPLE, TarnTestObjs.InitSample\nADAPTED, TarnTestObjs.InitAdapted\n");
        create("SAMPLE");
    }

    void TearDown() override
    {
        if (object) {
            EXPECT_EQ(ZeDestroyObject(object), ZE_OK);
        }
        router->reset();
        remove_registry();
        std::filesystem::remove_all(tempDir);
        unsetenv("TMPDIR");
        EXPECT_FALSE(module_loaded(SAMPLE_OBJECTS_PATH));
        TarnTest::TearDown();
    }

    // Creates the object routed to the test router, with user and destination set.
    void create(const char *name)
    {
        if (object) ZeDestroyObject(object);
        TestFilter filter("ROUTEMODULE EQ TarnTestRouter");
        ASSERT_EQ(ZeCreateObject(&object, name, filter), ZE_OK) << trace_text();
        ASSERT_EQ(ZeSetProperty(object, "USERNAME", "tester"), ZE_OK);
        ASSERT_EQ(ZeSetProperty(object, "DESTINATION", "NODE1", "HUB"), ZE_OK);
        generic = ZeObjectBaseObject(object);
        clear_trace();
    }

    void answer(unsigned code, const char *message, std::vector<const char *> columns = {},
                std::vector<std::vector<const char *>> rows = {})
    {
        router->answer(code, message);
        if (!columns.empty()) router->columns(columns.data(), static_cast<int>(columns.size()));
        for (auto &row : rows) router->row(row.data(), static_cast<int>(row.size()));
    }

    int requests() const { return router->request_count(); }
    const TestRouterRequest &request(int i) const { return *router->request(i); }

    // The request fields the router received, as "COLUMN RELOP VALUE".
    Texts sent(int i) const
    {
        const TestRouterRequest &r = request(i);
        Texts fields;
        for (int k = 0; k < r.fieldCount; ++k) fields.push_back(std::string(r.columns[k]) + " " + r.relops[k] + " " + r.values[k]);
        return fields;
    }

    std::string last_message()
    {
        const char *message = nullptr;
        EXPECT_EQ(ZeQueryProperty(object, "LAST MESSAGE", &message), ZE_OK);
        return message ? message : "<null>";
    }

    // Submits an item action that takes (Filter, pValues).
    unsigned item_action(const char *action, const char *criteria, char ***pValues)
    {
        TestFilter filter(criteria);
        return ZeSubmitAction(object, action, static_cast<Filter *>(filter), pValues);
    }

    std::string tempDir;
    const TestRouterApi *router = nullptr;
    void *object = nullptr;
    void *generic = nullptr;
};

const std::vector<const char *> kColumns = {"obj_name", "DESCRIPTION", "SIZE"};

TEST_F(GenericActions, OpenCollectionLoadsTheRowsThatGetItemWalks)
{
    answer(0, "3 found", kColumns, {{"A", "first", "1"}, {"B", "second", "2"}, {"C", "third", "3"}});
    TestFilter filter("NAME EQ *");
    ASSERT_EQ(ZeSubmitAction(object, "OPEN COLLECTION", static_cast<Filter *>(filter)), ZE_OK) << trace_text();
    EXPECT_TRUE(traced("Performing OPEN COLLECTION action using object ZEOBJECT.GENERIC"));
    ASSERT_EQ(requests(), 1);
    EXPECT_STREQ(request(0).command, "SELECT");
    EXPECT_EQ(request(0).kind, 15u);
    EXPECT_EQ(sent(0), Texts{"OBJ_NAME EQ *"});
    EXPECT_STREQ(request(0).info[ZE_INFO_OBJECT], "SAMPLE");
    EXPECT_STREQ(request(0).info[ZE_INFO_USERNAME], "tester");
    EXPECT_STREQ(request(0).info[ZE_INFO_DESTNODE], "NODE1");
    EXPECT_STREQ(request(0).info[ZE_INFO_ROUTENODE], "HUB");
    EXPECT_EQ(last_message(), "3 found");

    unsigned count = 0;
    ASSERT_EQ(ZeSubmitAction(object, "GET ITEM COUNT", &count), ZE_OK);
    EXPECT_EQ(count, 3u);
    Texts names;
    char **values = nullptr;
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(ZeSubmitAction(object, "GET ITEM", &values), ZE_OK);
        names.push_back(std::string(values[0]) + "/" + values[2] + "/" + values[3]);
    }
    EXPECT_EQ(names, (Texts{"A/first/1", "B/second/2", "C/third/3"}));
    values = reinterpret_cast<char **>(1);
    EXPECT_EQ(ZeSubmitAction(object, "GET ITEM", &values), ZE_RC_NO_ENTRY);
    EXPECT_EQ(values, nullptr);

    ASSERT_EQ(ZeSubmitAction(object, "SET POSITION", 2u), ZE_OK);
    ASSERT_EQ(ZeSubmitAction(object, "GET ITEM", &values), ZE_OK);
    EXPECT_STREQ(values[0], "B");
    EXPECT_EQ(ZeSubmitAction(object, "SET POSITION", 9u), ZE_RC_NO_ENTRY);

    ASSERT_EQ(ZeSubmitAction(object, "CLOSE COLLECTION"), ZE_OK);
    ASSERT_EQ(ZeSubmitAction(object, "GET ITEM COUNT", &count), ZE_OK);
    EXPECT_EQ(count, 0u);

    // Bad arguments are refused before anything is sent.
    EXPECT_EQ(ZeSubmitAction(object, "OPEN COLLECTION", (Filter *)nullptr), ZE_RC_INVALID_PARAMETER);
    EXPECT_TRUE(traced("*** ZeOpenGenericObjCollection: parameter 3 (Filter) is invalid"));
    EXPECT_EQ(requests(), 1);
}

TEST_F(GenericActions, DefineItemSendsTheDefaultsOfTheFieldsLeftOut)
{
    answer(0, "defined", kColumns, {{"NEWQ", "none", "20"}});
    char **values = nullptr;
    ASSERT_EQ(item_action("DEFINE ITEM", "NAME EQ NEWQ, SIZE EQ 20", &values), ZE_OK) << trace_text();
    ASSERT_EQ(requests(), 1);
    EXPECT_STREQ(request(0).command, "DEFINE");
    EXPECT_EQ(sent(0), (Texts{"OBJ_NAME EQ NEWQ", "SIZE EQ 20", "DESCRIPTION EQ none"}));
    EXPECT_EQ(values, ZeItemValues(ZeGenericObjItem(object)));
    EXPECT_EQ(texts(values, 4), (Texts{"NEWQ", "", "none", "20"}));
    EXPECT_EQ(ZeGetFilterItemCount(static_cast<Filter *>(ZeElement(object, "FILTER"))), 3)
        << "the FILTER element holds what was sent";

    // A router failure: code 1, no values, the node's message; the next
    // action starts from a clear result.
    answer(7, "no such queue");
    values = reinterpret_cast<char **>(1);
    EXPECT_EQ(item_action("DEFINE ITEM", "NAME EQ BAD", &values), ZE_RC_ROUTER_FAILED);
    EXPECT_EQ(values, nullptr);
    EXPECT_EQ(last_message(), "no such queue");
    unsigned code = 0;
    const char *message = nullptr;
    ZeGetDtsResultFields(ZeGenericObjResult(object), &code, &message);
    EXPECT_EQ(code, 7u);
    answer(0, nullptr, kColumns, {{"OK", "x", "1"}});
    ASSERT_EQ(item_action("OPEN ITEM", "NAME EQ OK", &values), ZE_OK);
    EXPECT_EQ(last_message(), "");
}

TEST_F(GenericActions, ItemActionsSendTheirCommandsAndHandBackTheAnswerRow)
{
    char **values = nullptr;
    answer(0, nullptr, kColumns, {{"A", "read", "5"}});
    ASSERT_EQ(item_action("OPEN ITEM", "NAME EQ A", &values), ZE_OK);
    EXPECT_EQ(texts(values, 4), (Texts{"A", "", "read", "5"}));
    answer(0, nullptr, kColumns, {{"A", "altered", "6"}});
    ASSERT_EQ(item_action("ALTER ITEM", "NAME EQ A, SIZE EQ 6", &values), ZE_OK);
    EXPECT_EQ(texts(values, 4), (Texts{"A", "", "altered", "6"}));
    answer(0, nullptr, kColumns, {{"GONE", "x", "1"}});
    ASSERT_EQ(ZeSubmitAction(object, "DELETE ITEM", static_cast<Filter *>(TestFilter("NAME EQ A"))), ZE_OK);
    EXPECT_EQ(texts(ZeItemValues(ZeGenericObjItem(object)), 1), Texts{"A"}) << "a delete loads no item";

    // The define-based copy and rename: the new key through NEWNAME.
    answer(0, nullptr, kColumns, {{"B", "copy", "5"}});
    ASSERT_EQ(item_action("COPY ITEM", "NAME EQ A, NEWNAME EQ B, SIZE EQ 9", &values), ZE_OK);
    EXPECT_EQ(texts(values, 1), Texts{"B"});
    answer(0, nullptr, kColumns, {{"C", "renamed", "5"}});
    ASSERT_EQ(item_action("RENAME ITEM", "NAME EQ A, NEWNAME EQ C", &values), ZE_OK);
    EXPECT_EQ(texts(values, 1), Texts{"C"});

    Texts commands;
    for (int i = 0; i < requests(); ++i) commands.push_back(request(i).command);
    EXPECT_EQ(commands, (Texts{"SELECT", "ALTER", "DELETE", "DEFINE", "DEFINE", "DELETE"}));
    EXPECT_EQ(request(1).kind, 1u);
    EXPECT_EQ(sent(1), (Texts{"OBJ_NAME EQ A", "SIZE EQ 6"}));
    EXPECT_EQ(sent(3), (Texts{"NEWNAME EQ A", "OBJ_NAME EQ B"}));
    EXPECT_EQ(sent(5), Texts{"OBJ_NAME EQ A"});

    // NEW ITEM sends nothing: the item takes the default values.
    ASSERT_EQ(ZeSubmitAction(object, "NEW ITEM", &values), ZE_OK);
    EXPECT_EQ(texts(values, 4), (Texts{"<null>", "<null>", "none", "10"}));
    EXPECT_EQ(requests(), 6);

    EXPECT_EQ(item_action("ALTER ITEM", "NAME EQ A", nullptr), ZE_RC_INVALID_PARAMETER);
    EXPECT_TRUE(traced("*** ZeAlterGenericObjItem: parameter 4 (pValues) is invalid"));
    EXPECT_EQ(requests(), 6);
}

TEST_F(GenericActions, AnObjectLibraryCanChooseTheAlternativeHandlers)
{
    create("ADAPTED");
    char **values = nullptr;
    answer(0, nullptr, kColumns, {{"B", "copy", "5"}});
    ASSERT_EQ(item_action("COPY ITEM", "NAME EQ A, NEWNAME EQ B", &values), ZE_OK);
    answer(0, nullptr, kColumns, {{"C", "renamed", "5"}});
    ASSERT_EQ(item_action("RENAME ITEM", "NAME EQ B, NEWNAME EQ C", &values), ZE_OK);
    EXPECT_EQ(texts(values, 1), Texts{"C"});
    ASSERT_EQ(requests(), 2);
    EXPECT_STREQ(request(0).command, "COPY");
    EXPECT_EQ(sent(0), (Texts{"OBJ_NAME EQ A", "NEWNAME EQ B"}));
    EXPECT_STREQ(request(1).command, "ALTER");

    EXPECT_EQ(item_action("OPEN ITEM", "NAME EQ A", &values), ZE_RC_DISABLED);

    answer(0, nullptr, kColumns, {{"A", "1", "1"}, {"B", "2", "2"}, {"A", "3", "3"}});
    ASSERT_EQ(ZeSubmitAction(object, "OPEN COLLECTION", static_cast<Filter *>(TestFilter())), ZE_OK);
    EXPECT_TRUE(traced("3 items in collection"));
    EXPECT_TRUE(traced("2 items after removing duplicates"));
    EXPECT_EQ(ZeCollectionSize(ZeGenericObjCollection(object)), 2u);

    router->answer(0, nullptr);
    router->name("Q1");
    unsigned count = 0;
    ASSERT_EQ(ZeSubmitAction(object, "GET LIST", static_cast<Filter *>(TestFilter()), &values, &count), ZE_OK);
    EXPECT_STREQ(request(requests() - 1).command, "LIST");
    EXPECT_EQ(texts(values, count), Texts{"Q1"});
}

TEST_F(GenericActions, GetListHandsBackTheNamesOfTheItem)
{
    router->answer(0, nullptr);
    router->name("Q1");
    router->name("Q2");
    char **values = nullptr;
    unsigned count = 0;
    TestFilter filter("NAME EQ Q*");
    ASSERT_EQ(ZeSubmitAction(object, "GET LIST", static_cast<Filter *>(filter), &values, &count), ZE_OK);
    EXPECT_STREQ(request(0).command, "SELECT");
    EXPECT_EQ(request(0).kind, 3u);
    EXPECT_EQ(texts(values, count), (Texts{"Q1", "Q2"}));
    EXPECT_EQ(values, ZeItemValues(ZeGenericObjItem(object)));

    router->answer(0, nullptr);
    ASSERT_EQ(ZeSubmitAction(object, "GET LIST", static_cast<Filter *>(filter), &values, &count), ZE_OK);
    ASSERT_NE(values, nullptr) << "no names: an empty array";
    EXPECT_EQ(values[0], nullptr);
    EXPECT_EQ(count, 0u);

    router->answer(4, "list refused");
    count = 9;
    EXPECT_EQ(ZeSubmitAction(object, "GET LIST", static_cast<Filter *>(filter), &values, &count), ZE_RC_ROUTER_FAILED);
    EXPECT_EQ(values, nullptr);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(last_message(), "list refused");

    // The collection-based form lists one column of a full select.
    const ZeKeyedProcEntry fromCollection[] = {{"GET LIST", ZeObjectGetListFromCollection}, {nullptr, nullptr}};
    ASSERT_EQ(ZeSetGenericObjActions(generic, fromCollection, -1), ZE_OK);
    answer(0, nullptr, kColumns, {{"A", "d", "10"}, {"B", "d", "10"}, {"A", "e", "10"}});
    TestFilter byColumn("NAME EQ *, SIZE EQ 10");
    ASSERT_EQ(ZeSubmitAction(object, "GET LIST", static_cast<Filter *>(byColumn), &values, &count), ZE_OK);
    EXPECT_EQ(texts(values, count), (Texts{"A", "B"}));
    EXPECT_EQ(sent(requests() - 1), Texts{"SIZE EQ 10"});
}

TEST_F(GenericActions, ACreateUseDestroyCycleLeavesNothingBehind)
{
    // Every action family once, then destroyed with the collection still open.
    answer(0, nullptr, kColumns, {{"A", "a", "1"}, {"B", "b", "2"}});
    ASSERT_EQ(ZeSubmitAction(object, "OPEN COLLECTION", static_cast<Filter *>(TestFilter("NAME EQ *"))), ZE_OK);
    char **values = nullptr;
    ASSERT_EQ(ZeSubmitAction(object, "GET ITEM", &values), ZE_OK);
    answer(0, nullptr, kColumns, {{"N", "none", "10"}});
    ASSERT_EQ(item_action("DEFINE ITEM", "NAME EQ N", &values), ZE_OK);
    router->answer(0, nullptr);
    router->name("N");
    unsigned count = 0;
    ASSERT_EQ(ZeSubmitAction(object, "GET LIST", static_cast<Filter *>(TestFilter()), &values, &count), ZE_OK);
    ASSERT_EQ(ZeSubmitAction(object, "VALIDATE VALUE", "SIZE", "12"), ZE_OK);
    char **actions = nullptr;
    ASSERT_EQ(ZeQueryProperty(object, "ACTIONS", &actions, &count), ZE_OK);
    EXPECT_EQ(count, 16u);
    ASSERT_EQ(ZeSetProperty(object, "DATE FORMAT", "dd.mm.yyyy"), ZE_OK);
    EXPECT_NE(ZeGenericObjStringTable(object), nullptr);
    EXPECT_TRUE(module_loaded(SAMPLE_OBJECTS_PATH));

    ASSERT_EQ(ZeDestroyObject(object), ZE_OK);
    object = nullptr;
    EXPECT_FALSE(module_loaded(SAMPLE_OBJECTS_PATH));
    // The fixture checks that the blocks in use are back where they started.
}

}  // namespace
