// The four verbs: lookup along the chain, the traces for unknown and
// disabled keys, the handler's arguments, replaced dispatch procedures, and
// the "ACTIONS" and "IS VALID ACTION" query properties.
#include "objects_test.hpp"

#include <vector>

namespace {

// A hand-made object with an item and a result of its own.
struct Holder {
    ZeInterface *interface;
    Item *item;
    DtsResult *result;
};

struct Call {
    void *object;
    std::string key;
    int number;
    std::string text;
    unsigned resultCode;
};
std::vector<Call> calls;

// Takes an int and a text, and notes the result's code at the time of the call.
unsigned record_call(void *object, const char *key, va_list *pArgs)
{
    int number = va_arg(*pArgs, int);
    const char *text = va_arg(*pArgs, const char *);
    unsigned code = 99;
    const char *message = nullptr;
    if (auto *result = static_cast<DtsResult *>(ZeElement(object, "RESULT"))) ZeGetDtsResultFields(result, &code, &message);
    calls.push_back({object, key, number, text, code});
    return 17;
}

unsigned get_item(void *object, const char *, va_list *pArgs)
{
    *va_arg(*pArgs, void **) = static_cast<Holder *>(object)->item;
    return 0;
}

unsigned get_result(void *object, const char *, va_list *pArgs)
{
    *va_arg(*pArgs, void **) = static_cast<Holder *>(object)->result;
    return 0;
}

unsigned release_holder(void *object)
{
    auto *holder = static_cast<Holder *>(object);
    unsigned rc = ZeObjectDestroyInterface(holder->interface);
    if (holder->item) ZeDestroyItem(holder->item);
    if (holder->result) ZeDestroyDtsResult(holder->result);
    delete holder;
    return rc;
}

Holder *make_holder(const char *kind, bool withComponents)
{
    auto *holder = new Holder{};
    EXPECT_EQ(ZeObjectCreateInterface(&holder->interface, kind), ZE_OK);
    if (withComponents) {
        ZeCreateItem(&holder->item);
        ZeCreateDtsResult(&holder->result);
        const ZeKeyedProcEntry elements[] = {{"ITEM", get_item}, {"RESULT", get_result}, {nullptr, nullptr}};
        EXPECT_EQ(ZeObjectSetTableValues(holder, ZE_TABLE_ELEMENTS, elements, -1), ZE_OK);
    }
    return holder;
}

void set_table(void *object, int tableId, std::initializer_list<ZeKeyedProcEntry> entries)
{
    EXPECT_EQ(ZeObjectSetTableValues(object, tableId, entries.begin(), static_cast<int>(entries.size())), ZE_OK);
}

std::vector<std::string> texts(char **values, unsigned count)
{
    return values ? std::vector<std::string>(values, values + count) : std::vector<std::string>{};
}

class Dispatch : public TarnTest {
protected:
    void SetUp() override
    {
        TarnTest::SetUp();
        calls.clear();
        top = make_holder("TOP", false);
        bottom = make_holder("BOTTOM", true);
        ASSERT_EQ(ZeObjectSetBaseObject(top, bottom, release_holder), ZE_OK);
    }
    void TearDown() override
    {
        release_holder(top);
        TarnTest::TearDown();
    }
    Holder *top = nullptr;
    Holder *bottom = nullptr;
};

TEST_F(Dispatch, HandlersRunOnTheObjectHoldingTheKeyWithTheCallersArguments)
{
    set_table(bottom, ZE_TABLE_ACTIONS, {{"RUN", record_call}});
    set_table(bottom, ZE_TABLE_QUERY_PROPERTIES, {{"SIZE", record_call}});
    set_table(top, ZE_TABLE_SET_PROPERTIES, {{"SIZE", record_call}});

    EXPECT_EQ(ZeSubmitAction(top, "run", -5, "first"), 17u);
    EXPECT_TRUE(traced("Performing run action using object TOP.BOTTOM")) << trace_text();
    EXPECT_EQ(ZeQueryProperty(top, "SIZE", 7, "second"), 17u);
    EXPECT_EQ(ZeSetProperty(top, "Size", 8, "third"), 17u);
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].object, bottom);
    EXPECT_EQ(calls[0].key, "run") << "the key as the caller gave it";
    EXPECT_EQ(calls[0].number, -5);
    EXPECT_EQ(calls[0].text, "first");
    EXPECT_EQ(calls[1].object, bottom);
    EXPECT_EQ(calls[1].text, "second");
    EXPECT_EQ(calls[2].object, top);
    EXPECT_EQ(calls[2].number, 8);
    EXPECT_EQ(count_traced("Performing"), 1u) << "only actions announce themselves";
    EXPECT_EQ(ZeElement(top, "ITEM"), bottom->item);
}

TEST_F(Dispatch, UnknownAndDisabledKeysAreTracedWithTheChainsName)
{
    set_table(bottom, ZE_TABLE_ACTIONS, {{"RUN", record_call}, {"STOP", record_call}});
    set_table(top, ZE_TABLE_ACTIONS, {{"STOP", nullptr}});
    set_table(top, ZE_TABLE_ELEMENTS, {{"HIDDEN", nullptr}});

    EXPECT_EQ(ZeSubmitAction(top, "STOP", 0, ""), ZE_RC_DISABLED);
    EXPECT_TRUE(traced("*** Action STOP not supported (disabled) for object TOP")) << trace_text();
    EXPECT_EQ(ZeSubmitAction(top, "JUMP"), ZE_RC_NOT_IN_PROC_TABLE);
    EXPECT_TRUE(traced("*** Action JUMP not supported (unknown) for object TOP.BOTTOM"));
    EXPECT_EQ(ZeQueryProperty(top, "COLOUR"), ZE_RC_NOT_IN_PROC_TABLE);
    EXPECT_TRUE(traced("*** Query of property COLOUR not supported (unknown) for object TOP.BOTTOM"));
    EXPECT_EQ(ZeSetProperty(bottom, "COLOUR"), ZE_RC_NOT_IN_PROC_TABLE);
    EXPECT_TRUE(traced("*** Set of property COLOUR not supported (unknown) for object BOTTOM"));
    EXPECT_EQ(ZeElement(top, "FILTER"), nullptr);
    EXPECT_TRUE(traced("*** Element FILTER not supported (unknown) for object TOP.BOTTOM"));
    EXPECT_EQ(ZeElement(top, "HIDDEN"), nullptr);
    EXPECT_TRUE(traced("*** Element HIDDEN not supported (disabled) for object TOP"));
    EXPECT_TRUE(calls.empty());

    // A failed lookup behind a direct dispatcher call.
    EXPECT_EQ(ZeGetElement(nullptr, "ITEM", nullptr), ZE_RC_INVALID_PARAMETER);
    EXPECT_TRUE(traced("*** lookup_keyed_table_routine: parameter 1 (Object) is invalid"));
    EXPECT_TRUE(traced("*** Get of element ITEM failed for object "));
}

TEST_F(Dispatch, SubmittingAnActionClearsTheResultFirst)
{
    set_table(bottom, ZE_TABLE_ACTIONS, {{"RUN", record_call}});
    ZeSetDtsResultFields(bottom->result, 9, "earlier failure");
    EXPECT_EQ(ZeSubmitAction(top, "RUN", 1, "x"), 17u);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].resultCode, 0u);
    unsigned code = 99;
    const char *message = nullptr;
    ZeGetDtsResultFields(bottom->result, &code, &message);
    EXPECT_STREQ(message, "");

    // Without a RESULT element the action runs all the same.
    Holder *bare = make_holder("BARE", false);
    set_table(bare, ZE_TABLE_ACTIONS, {{"RUN", record_call}});
    EXPECT_EQ(ZeSubmitAction(bare, "RUN", 2, "y"), 17u);
    EXPECT_TRUE(traced("*** Element RESULT not supported (unknown) for object BARE"));
    EXPECT_EQ(calls.size(), 2u);
    release_holder(bare);
}

TEST_F(Dispatch, ActionsListsTheEnabledActionsOfTheChainDeepestFirst)
{
    set_table(bottom, ZE_TABLE_ACTIONS, {{"OPEN", record_call}, {"CLOSE", record_call}, {"LIST", record_call}});
    set_table(top, ZE_TABLE_ACTIONS, {{"EXTRA", record_call}, {"close", nullptr}, {"LIST", record_call}});
    set_table(top, ZE_TABLE_QUERY_PROPERTIES, {{"ACTIONS", ZeQueryActions}, {"IS VALID ACTION", ZeQueryValidAction}});
    const char *earlier[] = {"old", nullptr};
    ZeSetItemValues(bottom->item, earlier, ZE_COUNT_VALUES);

    char **actions = nullptr;
    unsigned count = 0;
    ASSERT_EQ(ZeQueryProperty(top, "ACTIONS", &actions, &count), ZE_OK);
    EXPECT_EQ(texts(actions, count), (std::vector<std::string>{"OPEN", "LIST", "EXTRA"}));
    EXPECT_EQ(actions, ZeItemValues(bottom->item)) << "the names are the item's values";
    EXPECT_EQ(ZeItemCount(bottom->item), 3u);

    int response = -1;
    EXPECT_EQ(ZeQueryProperty(top, "IS VALID ACTION", "open", &response), ZE_OK);
    EXPECT_EQ(response, 1);
    EXPECT_EQ(ZeQueryProperty(top, "IS VALID ACTION", "CLOSE", &response), ZE_RC_DISABLED);
    EXPECT_EQ(response, 0);
    clear_trace();
    response = -1;
    EXPECT_EQ(ZeQueryProperty(top, "IS VALID ACTION", "JUMP", &response), ZE_RC_NOT_IN_PROC_TABLE);
    EXPECT_EQ(response, 0);
    EXPECT_TRUE(trace().empty()) << trace_text();

    actions = reinterpret_cast<char **>(1);
    EXPECT_EQ(ZeQueryProperty(top, "ACTIONS", &actions, nullptr), ZE_RC_INVALID_PARAMETER);
    EXPECT_EQ(actions, nullptr) << "a failed check still clears the outputs";
}

TEST_F(Dispatch, ExtractingActionsKeepsEnabledEntriesInTableOrder)
{
    const ZeKeyedProcEntry table[] = {{"A", record_call}, {"B", nullptr}, {"C", record_call}, {nullptr, nullptr}};
    char **values = nullptr;
    unsigned count = 0;
    ASSERT_EQ(ZeExtractKeyedEntryActions(bottom->item, table, &values, &count), ZE_OK);
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(texts(values, count), (std::vector<std::string>{"A", "C"}));
    EXPECT_EQ(values[2], nullptr);

    const ZeKeyedProcEntry empty[] = {{nullptr, nullptr}};
    ASSERT_EQ(ZeExtractKeyedEntryActions(bottom->item, empty, &values, &count), ZE_OK);
    EXPECT_EQ(count, 0u);
    ASSERT_NE(values, nullptr);
    EXPECT_EQ(values[0], nullptr);

    EXPECT_EQ(ZeExtractKeyedEntryActions(bottom->item, nullptr, &values, &count), ZE_RC_INVALID_PARAMETER);
    EXPECT_EQ(ZeExtractKeyedEntryActions(nullptr, table, &values, &count), ZE_RC_INVALID_PARAMETER);
    EXPECT_EQ(values, nullptr);
    EXPECT_EQ(count, 0u);

    ZeSetItemValues(bottom->item, nullptr, 0);
    each_alloc_failure([&](long) {
        unsigned rc = ZeExtractKeyedEntryActions(bottom->item, table, &values, &count);
        if (rc) {
            EXPECT_EQ(rc, ZE_RC_NO_MEMORY);
            EXPECT_EQ(ZeItemCount(bottom->item), 0u) << "the item is unchanged";
        }
        ZeSetItemValues(bottom->item, nullptr, 0);
    });
}

// Front objects come from the registry: the counted object library.
class FrontDispatch : public TarnTest {
protected:
    void SetUp() override
    {
        TarnTest::SetUp();
        write_registry("COUNTED, TarnCountObjs.InitCounted\nREPLACING, TarnCountObjs.InitReplacing\n");
    }
    void TearDown() override
    {
        remove_registry();
        TarnTest::TearDown();
    }
};

TEST_F(FrontDispatch, ActionsReachTheRealObjectThroughTheFront)
{
    TestFilter filter;
    void *object = nullptr;
    ASSERT_EQ(ZeCreateObject(&object, "counted", filter), ZE_OK);
    EXPECT_EQ(ZeSubmitAction(object, "PING"), ZE_OK);
    EXPECT_TRUE(traced("Performing PING action using object ZEOBJECT.COUNTED")) << trace_text();
    EXPECT_TRUE(traced("PING on COUNTED"));
    EXPECT_EQ(ZeObjectNamedObject(object, "COUNTED"), ZeObjectBaseObject(object));

    // The front object's own entries: its name and the two standard queries.
    char **actions = nullptr;
    unsigned count = 0;
    EXPECT_EQ(ZeQueryProperty(object, "ACTIONS", &actions, &count), ZE_RC_INVALID_PARAMETER)
        << "the counted object has no ITEM element to hold the names";
    EXPECT_TRUE(traced("*** Element ITEM not supported (unknown) for object ZEOBJECT.COUNTED"));
    int response = 0;
    EXPECT_EQ(ZeQueryProperty(object, "IS VALID ACTION", "ping", &response), ZE_OK);
    EXPECT_EQ(response, 1);
    EXPECT_EQ(ZeDestroyObject(object), ZE_OK);
}

TEST_F(FrontDispatch, AReplacedQueryProcedureGetsTheRealObjectAndNothingIsLookedUp)
{
    TestFilter filter;
    void *object = nullptr;
    ASSERT_EQ(ZeCreateObject(&object, "REPLACING", filter), ZE_OK);
    clear_trace();
    void *seen = nullptr;
    EXPECT_EQ(ZeQueryProperty(object, "NO SUCH PROPERTY", &seen), 42u);
    EXPECT_EQ(seen, ZeObjectBaseObject(object));
    EXPECT_TRUE(trace().empty()) << trace_text();

    // Setting the procedure back to the default restores the table lookup.
    ASSERT_EQ(ZeSetQueryPropertyProc(object, ZeGetProperty), ZE_OK);
    EXPECT_EQ(ZeQueryProperty(object, "NO SUCH PROPERTY", &seen), ZE_RC_NOT_IN_PROC_TABLE);
    EXPECT_EQ(ZeSetQueryPropertyProc(object, nullptr), ZE_RC_INVALID_PARAMETER);
    EXPECT_TRUE(traced("*** ZeSetQueryPropertyProc: parameter 2 (pfnProp) is invalid"));
    EXPECT_EQ(ZeDestroyObject(object), ZE_OK);
}

}  // namespace
