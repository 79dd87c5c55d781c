// Group objects end to end: a PRINTER object of TarnTestGroupObjs (front ->
// group -> generic) sends its requests to the test router module; each test
// checks what the router received and how the answers come back typed.
#include "tests/objects/objects_test.hpp"

namespace {

constexpr int kItemTypeField = 3;  // position of ITEM_TYPE in the item descriptor
const std::string kLongest(ZE_GROUP_MAX_NAME, 'P');

class GroupObjects : public ObjectTest {
protected:
    GroupObjects() : ObjectTest("PRINTER, TarnTestGroupObjs.InitPrinter\n", GROUP_OBJECTS_PATH) {}
    void SetUp() override
    {
        ObjectTest::SetUp();
        create_routed("PRINTER");
    }

    // Rows that suit both descriptors (items: PRT_ID and NAME; group
    // records: GRP_ID and MEMBER); the first two share their ID.
    void answer_rows(unsigned code = 0, const char *message = "done") const
    {
        answer(code, message, {"PRT_ID", "NAME", "GRP_ID", "MEMBER"},
               {{"5", "laser", "G1", "5"}, {"5", "laser", "G1", "6"}, {"6", "ink", "G2", "7"}});
    }

    std::string sent_object(int i) const { return request(i).info[ZE_INFO_OBJECT]; }

    // The ITEM_TYPE of every record of the collection ("-" for a group record).
    Texts collection_types() const
    {
        Texts types;
        Collection *collection = ZeGenericObjCollection(object);
        for (Item *item = ZeFirstCollectionItem(collection); item; item = ZeNextCollectionItem(collection))
            types.push_back(ZeItemCount(item) > kItemTypeField ? ZeItemValue(item, kItemTypeField) : "-");
        return types;
    }

    std::string object_name() const { return ZeGenericObjName(object) ? ZeGenericObjName(object) : "<null>"; }
};

TEST_F(GroupObjects, InitBuildsTheChainAndTheSettersFindTheGroupObject)
{
    void *group = ZeObjectBaseObject(object);
    EXPECT_STREQ(ZeObjectInterfaceName(group), "GROUP");
    EXPECT_STREQ(ZeObjectInterfaceName(ZeObjectBaseObject(group)), "GENERIC");
    EXPECT_STREQ(ZeGroupObjName(object), "PRINTERGROUP");
    EXPECT_EQ(ZeElement(object, "GROUP NAME"), static_cast<const void *>(ZeGroupObjName(object)));
    EXPECT_EQ(object_name(), "PRINTER");
    EXPECT_EQ(ZeGroupObjSetName(object, (kLongest + "G").c_str()), ZE_RC_INVALID_PARAMETER);
    EXPECT_TRUE(traced("*** ZeGroupObjSetName: parameter 2 (Name) is invalid"));
    EXPECT_STREQ(ZeGroupObjName(object), "PRINTERGROUP");
    // A refused attach releases the group object it made (the fixture counts blocks).
    EXPECT_EQ(ZeGroupObjInit(nullptr, "PRINTER", nullptr, "G"), ZE_RC_INVALID_PARAMETER);
}

TEST_F(GroupObjects, OpenCollectionSendsAndTypesByCase)
{
    const struct {
        const char *criteria, *sentAs;
        Texts fields, types;
    } cases[] = {
        // GROUPID comes first: the caller's filter, the group descriptor, untyped.
        {"GROUPID EQ G1, ITEM_TYPE EQ GROUP", "PRINTERGROUP", {"GRP_ID EQ G1", "ITEM_TYPE EQ GROUP"}, {"-", "-", "-"}},
        // The group kind: narrowed, wildcard id, as the group, without duplicates.
        {"ITEM_TYPE EQ group, NAME EQ A*", "PRINTERGROUP", {"NAME EQ A*", "PRT_ID EQ *"}, {"GROUP", "GROUP"}},
        // Members: handed on to the generic object; the caller's id stays.
        {"ITEM_TYPE EQ PRINTER, ID EQ 5", "PRINTER", {"PRT_ID EQ 5"}, {"PRINTER", "PRINTER", "PRINTER"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.criteria);
        router->reset();
        answer_rows();
        TestFilter filter(c.criteria);
        ASSERT_EQ(ZeSubmitAction(object, "OPEN COLLECTION", static_cast<Filter *>(filter)), ZE_OK) << trace_text();
        ASSERT_EQ(requests(), 1);
        EXPECT_STREQ(request(0).command, "SELECT");
        EXPECT_EQ(sent_object(0), c.sentAs);
        EXPECT_EQ(sent_fields(0), c.fields);
        EXPECT_EQ(object_name(), "PRINTER");
        EXPECT_EQ(collection_types(), c.types);
    }
    EXPECT_EQ(count_traced("Performing OPEN COLLECTION action using object GENERIC"), 1u);

    // Typing walks the records but leaves the cursor where it was.
    char **values = nullptr;
    Collection *collection = ZeGenericObjCollection(object);
    ASSERT_EQ(ZeSetCollectionPosition(collection, 3), ZE_OK);
    ASSERT_EQ(ZeGroupObjSetCollectionType(object, collection, "GROUP"), ZE_OK);
    ASSERT_EQ(ZeSubmitAction(object, "GET ITEM", &values), ZE_OK);
    EXPECT_STREQ(values[0], "6");
    EXPECT_STREQ(values[kItemTypeField], "GROUP");
}

TEST_F(GroupObjects, ItemActionsSendTheRequestOfTheirCase)
{
    const struct {
        const char *action, *criteria;
        Texts commands;  // one per request
        const char *sentAs;
        Texts fields;      // of the first request
        const char *type;  // ITEM_TYPE handed back; NULL: no values
    } cases[] = {
        {"OPEN ITEM", "ITEM_TYPE EQ Group, ID EQ 5", {"SELECT"}, "PRINTERGROUP", {"PRT_ID EQ 5"}, "GROUP"},
        {"OPEN ITEM", "GROUPID EQ G1, ID EQ 5", {"SELECT"}, "PRINTER", {"GROUPID EQ G1", "PRT_ID EQ 5"}, "PRINTER"},
        {"DEFINE ITEM",
         "GROUPID EQ G1, ITEM_TYPE EQ GROUP, MEMBER EQ 5",
         {"ALTER"},
         "PRINTERGROUP",
         {"GRP_ID EQ G1", "ITEM_TYPE EQ GROUP", "MEMBER EQ 5"},
         nullptr},
        {"DEFINE ITEM", "ITEM_TYPE EQ GROUP, ID EQ 5", {"DEFINE"}, "PRINTERGROUP", {"PRT_ID EQ 5"}, ""},
        {"DEFINE ITEM", "ID EQ 5, ITEM_TYPE EQ PRINTER", {"DEFINE"}, "PRINTER", {"PRT_ID EQ 5"}, ""},
        {"ALTER ITEM", "GROUPID EQ G1, ITEM_TYPE EQ GROUP", {"ALTER"}, "PRINTERGROUP", {"GROUPID EQ G1"}, ""},
        {"ALTER ITEM", "ITEM_TYPE EQ PRINTER, NAME EQ x", {"ALTER"}, "PRINTER", {"NAME EQ x"}, ""},
        {"DELETE ITEM",
         "ITEM_TYPE EQ PRINTER, GROUPID EQ G1",
         {"ALTER"},
         "PRINTERGROUP",
         {"ITEM_TYPE EQ PRINTER", "GRP_ID EQ G1"},
         nullptr},
        {"DELETE ITEM", "ITEM_TYPE EQ GROUP, ID EQ 5", {"DELETE"}, "PRINTERGROUP", {"PRT_ID EQ 5"}, nullptr},
        {"DELETE ITEM", "ID EQ 5, ITEM_TYPE EQ PRINTER", {"DELETE"}, "PRINTER", {"PRT_ID EQ 5"}, nullptr},
        {"COPY ITEM",
         "ITEM_TYPE EQ GROUP, ID EQ A, NEWID EQ B",
         {"DEFINE"},
         "PRINTERGROUP",
         {"NEWID EQ A", "PRT_ID EQ B"},
         ""},
        {"COPY ITEM", "ID EQ A, NEWID EQ B", {"DEFINE"}, "PRINTER", {"NEWID EQ A", "PRT_ID EQ B"}, ""},
        {"RENAME ITEM",
         "ITEM_TYPE EQ GROUP, ID EQ A, NEWID EQ B",
         {"DEFINE", "DELETE"},
         "PRINTERGROUP",
         {"NEWID EQ A", "PRT_ID EQ B"},
         ""},
        {"RENAME ITEM",
         "ITEM_TYPE EQ PRINTER, ID EQ A, NEWID EQ B",
         {"DEFINE", "DELETE"},
         "PRINTER",
         {"NEWID EQ A", "PRT_ID EQ B"},
         ""},
        // With override every item action concerns the group kind.
        {"OPEN ITEM", "ITEM_TYPE EQ PRINTER, ID EQ 5", {"SELECT"}, "PRINTERGROUP", {"PRT_ID EQ 5"}, "GROUP"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.action) + " with " + c.criteria);
        if (&c == &cases[std::size(cases) - 1]) ZeGroupObjSetOverride(object, 1);
        router->reset();
        answer_rows();
        answer_rows();
        char **values = reinterpret_cast<char **>(1);
        TestFilter filter(c.criteria);
        bool deleting = std::string(c.action) == "DELETE ITEM";
        Filter *f = filter;
        ASSERT_EQ(deleting ? ZeSubmitAction(object, c.action, f) : ZeSubmitAction(object, c.action, f, &values), ZE_OK);
        ASSERT_EQ(requests(), static_cast<int>(c.commands.size()));
        for (int i = 0; i < requests(); ++i) {
            EXPECT_EQ(request(i).command, c.commands[i]);
            EXPECT_EQ(sent_object(i), c.sentAs);
        }
        EXPECT_EQ(sent_fields(0), c.fields);
        EXPECT_EQ(object_name(), "PRINTER");
        if (deleting) continue;
        ASSERT_EQ(values != nullptr, c.type != nullptr);
        EXPECT_STREQ(c.type ? values[kItemTypeField] : nullptr, c.type);
    }
}

TEST_F(GroupObjects, FailedOrRefusedRequestsHandBackNullAndRestoreTheName)
{
    TestFilter criteria("ITEM_TYPE EQ GROUP, ID EQ 5");
    Filter *filter = criteria;
    answer_rows(8, "no such printer");
    EXPECT_EQ(ZeSubmitAction(object, "OPEN COLLECTION", filter), ZE_RC_ROUTER_FAILED);
    EXPECT_EQ(collection_types(), (Texts{"", ""}));  // as delivered: a failure ends before typing
    answer_rows(8, "no such printer");
    char **values = reinterpret_cast<char **>(1);
    EXPECT_EQ(ZeSubmitAction(object, "OPEN ITEM", filter, &values), ZE_RC_ROUTER_FAILED);
    EXPECT_EQ(values, nullptr);
    EXPECT_EQ(object_name(), "PRINTER");

    // Names beyond 255 characters could not be restored exactly: nothing is sent.
    ASSERT_EQ(ZeObjectSetName(object, (kLongest + "P").c_str()), ZE_OK);
    values = reinterpret_cast<char **>(1);
    EXPECT_EQ(ZeSubmitAction(object, "OPEN ITEM", filter, &values), ZE_RC_INVALID_PARAMETER);
    EXPECT_TRUE(traced("*** group_object_open_item: object name longer than 255 characters"));
    EXPECT_EQ(values, nullptr);
    EXPECT_EQ(object_name(), kLongest + "P");
    ASSERT_EQ(ZeObjectSetName(object, kLongest.c_str()), ZE_OK);
    EXPECT_EQ(ZeSubmitAction(object, "DELETE ITEM", filter), ZE_OK);
    EXPECT_EQ(sent_object(2), "PRINTERGROUP");
    EXPECT_EQ(object_name(), kLongest);

    ASSERT_EQ(ZeGroupObjSetName(object, nullptr), ZE_OK);
    EXPECT_EQ(ZeSubmitAction(object, "DELETE ITEM", filter), ZE_RC_INVALID_PARAMETER);
    EXPECT_TRUE(traced("*** group_object_delete_item: group object has no group name"));
    EXPECT_EQ(requests(), 3);
}

}  // namespace
