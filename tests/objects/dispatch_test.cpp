// The four verbs: the traces for unknown and disabled keys, lookups that
// follow changed tables, and the "ACTIONS" and "IS VALID ACTION" query
// properties.
#include "objects_test.hpp"

namespace {

// Each call as "<kind of the active object> <key> <number> <text> rc=<result code at the time>".
Texts calls;

unsigned record_call(void *object, const char *key, va_list *pArgs)
{
    int number = va_arg(*pArgs, int);
    const char *text = va_arg(*pArgs, const char *);
    unsigned code = 99;
    const char *message = nullptr;
    ZeGetDtsResultFields(ZeGenericObjResult(object), &code, &message);
    calls.push_back(std::string(ZeObjectInterfaceName(object)) + " " + key + " " + std::to_string(number) + " " + text +
                    " rc=" + std::to_string(code));
    return 17;
}

void set_table(void *object, int tableId, std::initializer_list<ZeKeyedProcEntry> entries)
{
    EXPECT_EQ(ZeObjectSetTableValues(object, tableId, entries.begin(), static_cast<int>(entries.size())), ZE_OK);
}

Texts actions_of(void *object)
{
    char **actions = nullptr;
    unsigned count = 0;
    EXPECT_EQ(ZeQueryProperty(object, "ACTIONS", &actions, &count), ZE_OK);
    EXPECT_EQ(actions, ZeItemValues(ZeGenericObjItem(object))) << "the names are the item's values";
    return texts(actions, count);
}

// A hand-made object of kind TOP in front of a generic object.
class Dispatch : public TarnTest {
protected:
    void SetUp() override
    {
        TarnTest::SetUp();
        calls.clear();
        ASSERT_EQ(ZeObjectCreateInterface(&top.interface, "TOP"), ZE_OK);
        ASSERT_EQ(ZeCreateGenericObject(&bottom), ZE_OK);
        ASSERT_EQ(ZeObjectSetBaseObject(&top, bottom, ZeDestroyGenericObject), ZE_OK);
        clear_trace();
    }
    void TearDown() override
    {
        ZeObjectDestroyInterface(top.interface);
        TarnTest::TearDown();
    }
    struct {
        ZeInterface *interface;
    } top{};
    void *bottom = nullptr;
};

TEST_F(Dispatch, UnknownAndDisabledKeysAreTracedWithTheChainsName)
{
    set_table(bottom, ZE_TABLE_ACTIONS, {{"STOP", record_call}});
    set_table(&top, ZE_TABLE_ACTIONS, {{"STOP", nullptr}});
    set_table(&top, ZE_TABLE_ELEMENTS, {{"ITEM", nullptr}});

    EXPECT_EQ(ZeSubmitAction(&top, "STOP", 0, ""), ZE_RC_DISABLED);
    EXPECT_EQ(ZeSubmitAction(&top, "JUMP"), ZE_RC_NOT_IN_PROC_TABLE);
    EXPECT_EQ(ZeQueryProperty(&top, "COLOUR"), ZE_RC_NOT_IN_PROC_TABLE);
    EXPECT_EQ(ZeSetProperty(bottom, "COLOUR"), ZE_RC_NOT_IN_PROC_TABLE);
    EXPECT_EQ(ZeElement(&top, "NONE"), nullptr);
    EXPECT_EQ(ZeElement(&top, "ITEM"), nullptr);
    EXPECT_EQ(trace(), (Texts{"*** Action STOP not supported (disabled) for object TOP",
                              "*** Action JUMP not supported (unknown) for object TOP.GENERIC",
                              "*** Query of property COLOUR not supported (unknown) for object TOP.GENERIC",
                              "*** Set of property COLOUR not supported (unknown) for object GENERIC",
                              "*** Element NONE not supported (unknown) for object TOP.GENERIC",
                              "*** Element ITEM not supported (disabled) for object TOP"}));
    EXPECT_TRUE(calls.empty());
}

unsigned answer_18(void *, const char *, va_list *) { return 18; }

TEST_F(Dispatch, ARepeatedKeyFollowsEveryChangeOfTheTables)
{
    set_table(bottom, ZE_TABLE_ACTIONS, {{"RUN", record_call}, {"WALK", record_call}});
    EXPECT_EQ(ZeSubmitAction(&top, "RUN", 1, "a"), 17u);
    EXPECT_EQ(ZeSubmitAction(&top, "RUN", 2, "b"), 17u);
    EXPECT_EQ(ZeSubmitAction(&top, "Run", 3, "c"), 17u) << "another spelling of a known key";
    EXPECT_EQ(calls, (Texts{"GENERIC RUN 1 a rc=0", "GENERIC RUN 2 b rc=0", "GENERIC Run 3 c rc=0"}));
    EXPECT_EQ(count_traced("Performing RUN action using object TOP.GENERIC"), 2u) << "the same lines on every call";

    set_table(&top, ZE_TABLE_ACTIONS, {{"run", answer_18}});
    EXPECT_EQ(ZeSubmitAction(&top, "RUN"), 18u) << "a nearer table now holds the key";

    // A table array written through the pointer the object handed out.
    ZeKeyedProcEntry *entries = nullptr;
    ASSERT_EQ(ZeObjectGetTableValues(&top, ZE_TABLE_ACTIONS, &entries), ZE_OK);
    ASSERT_EQ(ZeUpdateKeyedEntryProc(entries, "RUN", nullptr), ZE_OK);
    clear_trace();
    EXPECT_EQ(ZeSubmitAction(&top, "RUN"), ZE_RC_DISABLED);
    EXPECT_EQ(ZeSubmitAction(&top, "RUN"), ZE_RC_DISABLED);
    EXPECT_EQ(trace(), (Texts{"*** Action RUN not supported (disabled) for object TOP",
                              "*** Action RUN not supported (disabled) for object TOP"}));
}

TEST_F(Dispatch, ActionsListsTheEnabledActionsOfTheChainDeepestFirst)
{
    Texts expected = {"OPEN COLLECTION",  "SET POSITION",     "GET ITEM COUNT", "GET ITEM",
                      "GET CHANGE STAMP", "CLOSE COLLECTION", "ANY CHANGE",     "OPEN ITEM",
                      "NEW ITEM",         "DEFINE ITEM",      "ALTER ITEM",     "DELETE ITEM",
                      "COPY ITEM",        "RENAME ITEM",      "VALIDATE VALUE", "GET LIST"};
    EXPECT_EQ(actions_of(bottom), expected);
    std::erase(expected, "CLOSE COLLECTION");
    expected.push_back("EXTRA");
    set_table(&top, ZE_TABLE_ACTIONS,
              {{"EXTRA", record_call}, {"close collection", nullptr}, {"GET ITEM", record_call}});
    set_table(&top, ZE_TABLE_QUERY_PROPERTIES, {{"ACTIONS", ZeQueryActions}, {"IS VALID ACTION", ZeQueryValidAction}});
    EXPECT_EQ(actions_of(&top), expected);

    int response = -1;
    EXPECT_EQ(ZeQueryProperty(&top, "IS VALID ACTION", "extra", &response), ZE_OK);
    EXPECT_EQ(response, 1);
    EXPECT_EQ(ZeQueryProperty(&top, "IS VALID ACTION", "CLOSE COLLECTION", &response), ZE_RC_DISABLED);
    EXPECT_EQ(response, 0);
    clear_trace();
    response = -1;
    EXPECT_EQ(ZeQueryProperty(&top, "IS VALID ACTION", "JUMP", &response), ZE_RC_NOT_IN_PROC_TABLE);
    EXPECT_EQ(response, 0);
    EXPECT_TRUE(trace().empty()) << trace_text();
}

}  // namespace
