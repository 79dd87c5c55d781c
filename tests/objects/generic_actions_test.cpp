// The generic object's actions end to end: an object created by name sends
// its requests to the test router module; each test checks what the router
// received and what the application gets back.
#include "objects_test.hpp"

namespace {

class GenericActions : public ObjectTest {
protected:
    GenericActions()
        : ObjectTest("SAMPLE, TarnTestObjs.InitSample\nADAPTED, TarnTestObjs.InitAdapted\n", SAMPLE_OBJECTS_PATH)
    {}
    void SetUp() override
    {
        ObjectTest::SetUp();
        create_routed("SAMPLE");
    }

    // Answers the next request with rows of name, description and size.
    void rows(std::vector<std::vector<const char *>> values, const char *message = nullptr) const
    {
        answer(0, message, {"obj_name", "DESCRIPTION", "SIZE"}, std::move(values));
    }

    // GET LIST under the criteria: the names, or "code <n>" after a failure
    // (which must come with no names).
    std::string list(const char *criteria)
    {
        char **values = reinterpret_cast<char **>(1);
        unsigned count = 99;
        unsigned rc = ZeSubmitAction(object, "GET LIST", static_cast<Filter *>(TestFilter(criteria)), &values, &count);
        if (rc) {
            EXPECT_TRUE(values == nullptr && count == 0);
            return "code " + std::to_string(rc);
        }
        EXPECT_EQ(values, ZeItemValues(ZeGenericObjItem(object)));
        return join(texts(values, count + 1));
    }
};

TEST_F(GenericActions, OpenCollectionLoadsTheRowsThatGetItemWalks)
{
    rows({{"A", "first", "1"}, {"B", "second", "2"}, {"C", "third", "3"}}, "3 found");
    ASSERT_EQ(ZeSubmitAction(object, "OPEN COLLECTION", static_cast<Filter *>(TestFilter("NAME EQ *"))), ZE_OK);
    EXPECT_TRUE(traced("Performing OPEN COLLECTION action using object ZEOBJECT.GENERIC")) << trace_text();
    EXPECT_EQ(sent(), Texts{"SELECT: OBJ_NAME EQ *"});
    EXPECT_EQ(texts(request(0).info, 8),
              (Texts{"<null>", "SAMPLE", "<null>", "<null>", "<null>", "tester", "NODE1", "HUB"}));
    EXPECT_EQ(last_message(), "3 found");

    unsigned count = 0;
    ASSERT_EQ(ZeSubmitAction(object, "GET ITEM COUNT", &count), ZE_OK);
    EXPECT_EQ(count, 3u);
    Texts walked;
    char **values = nullptr;
    unsigned rc;
    while ((rc = ZeSubmitAction(object, "GET ITEM", &values)) == ZE_OK) walked.push_back(join(texts(values, 5)));
    EXPECT_EQ(walked, (Texts{"A||first|1|", "B||second|2|", "C||third|3|"}));
    EXPECT_EQ(rc, ZE_RC_NO_ENTRY);
    EXPECT_EQ(values, nullptr) << "the end of the walk hands back no values";

    ASSERT_EQ(ZeSubmitAction(object, "SET POSITION", 2u), ZE_OK);
    ASSERT_EQ(ZeSubmitAction(object, "GET ITEM", &values), ZE_OK);
    EXPECT_STREQ(values[0], "B");
    EXPECT_EQ(ZeSubmitAction(object, "SET POSITION", 9u), ZE_RC_NO_ENTRY);
    ASSERT_EQ(ZeSubmitAction(object, "CLOSE COLLECTION"), ZE_OK);
    ASSERT_EQ(ZeSubmitAction(object, "GET ITEM COUNT", &count), ZE_OK);
    EXPECT_EQ(count, 0u);
}

// The request operations themselves are pinned in the request tests; here
// what the object adds: the FILTER element completed with the defaults, the
// item handed back, and the result cleared before each action.
TEST_F(GenericActions, ItemActionsSendTheirCommandsAndHandBackTheAnswerRow)
{
    rows({{"NEWQ", "none", "20"}});
    EXPECT_EQ(act("DEFINE ITEM", "NAME EQ NEWQ, SIZE EQ 20"), "NEWQ||none|20|");
    EXPECT_EQ(ZeGetFilterItemCount(static_cast<Filter *>(ZeElement(object, "FILTER"))), 3);
    rows({{"A", "altered", "6"}});
    EXPECT_EQ(act("ALTER ITEM", "NAME EQ A, SIZE EQ 6"), "A||altered|6|");
    rows({{"GONE", "x", "1"}});
    ASSERT_EQ(ZeSubmitAction(object, "DELETE ITEM", static_cast<Filter *>(TestFilter("NAME EQ A"))), ZE_OK);
    EXPECT_STREQ(ZeItemValue(ZeGenericObjItem(object), 2), "altered") << "a delete loads no item";
    rows({{"C", "renamed", "5"}});
    EXPECT_EQ(act("RENAME ITEM", "NAME EQ A, NEWNAME EQ C"), "C||renamed|5|");
    EXPECT_EQ(sent(),
              (Texts{"DEFINE: OBJ_NAME EQ NEWQ, SIZE EQ 20, DESCRIPTION EQ none", "ALTER: OBJ_NAME EQ A, SIZE EQ 6",
                     "DELETE: OBJ_NAME EQ A", "DEFINE: NEWNAME EQ A, OBJ_NAME EQ C", "DELETE: OBJ_NAME EQ A"}));

    // NEW ITEM sends nothing: the item takes the default values.
    char **values = nullptr;
    ASSERT_EQ(ZeSubmitAction(object, "NEW ITEM", &values), ZE_OK);
    EXPECT_EQ(join(texts(values, 5)), "<null>|<null>|none|10|<null>");
    EXPECT_EQ(requests(), 5);

    // A router failure: code 1, no values, the node's message; the next
    // action starts from a clear result.
    answer(7, "no such queue");
    EXPECT_EQ(act("DEFINE ITEM", "NAME EQ BAD"), "code 1");
    EXPECT_EQ(last_message(), "no such queue");
    rows({{"OK", "x", "1"}});
    EXPECT_EQ(act("OPEN ITEM", "NAME EQ OK"), "OK||x|1|");
    EXPECT_EQ(last_message(), "");
}

TEST_F(GenericActions, AnObjectLibraryCanChooseTheAlternativeHandlers)
{
    create_routed("ADAPTED");
    rows({{"B", "copy", "5"}});
    EXPECT_EQ(act("COPY ITEM", "NAME EQ A, NEWNAME EQ B"), "B||copy|5|");
    rows({{"C", "renamed", "5"}});
    EXPECT_EQ(act("RENAME ITEM", "NAME EQ B, NEWNAME EQ C"), "C||renamed|5|");
    rows({{"A", "1", "1"}, {"B", "2", "2"}, {"A", "3", "3"}});
    ASSERT_EQ(ZeSubmitAction(object, "OPEN COLLECTION", static_cast<Filter *>(TestFilter())), ZE_OK);
    EXPECT_TRUE(traced("3 items in collection"));
    EXPECT_TRUE(traced("2 items after removing duplicates"));
    EXPECT_EQ(ZeCollectionSize(ZeGenericObjCollection(object)), 2u);
    router->answer(0, nullptr);
    router->name("Q1");
    EXPECT_EQ(list(""), "Q1|<null>");
    EXPECT_EQ(sent(),
              (Texts{"COPY: OBJ_NAME EQ A, NEWNAME EQ B", "ALTER: OBJ_NAME EQ B, NEWNAME EQ C", "SELECT: ", "LIST: "}));
}

TEST_F(GenericActions, GetListHandsBackTheNamesOfTheItem)
{
    router->answer(0, nullptr);
    router->name("Q1");
    router->name("Q2");
    EXPECT_EQ(list("NAME EQ Q*"), "Q1|Q2|<null>");
    EXPECT_EQ(sent(), Texts{"SELECT: OBJ_NAME EQ Q*"});
    EXPECT_EQ(request(0).kind, 3u);
    router->answer(0, nullptr);
    EXPECT_EQ(list("NAME EQ Q*"), "<null>") << "no names: an empty array";
    router->answer(4, "list refused");
    EXPECT_EQ(list("NAME EQ Q*"), "code 1");
    EXPECT_EQ(last_message(), "list refused");

    // The collection-based form lists one column of a full select.
    const ZeKeyedProcEntry fromCollection[] = {{"GET LIST", ZeObjectGetListFromCollection}, {nullptr, nullptr}};
    ASSERT_EQ(ZeSetGenericObjActions(ZeObjectBaseObject(object), fromCollection, -1), ZE_OK);
    rows({{"A", "d", "10"}, {"B", "d", "10"}, {"A", "e", "10"}});
    EXPECT_EQ(list("NAME EQ *, SIZE EQ 10"), "A|B|<null>");
    EXPECT_EQ(sent_fields(requests() - 1), Texts{"SIZE EQ 10"});
}

}  // namespace
