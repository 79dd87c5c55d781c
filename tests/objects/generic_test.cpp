// The generic object: its components and tables, both init functions, the
// element accessors and setters, and the properties that need no request.
#include "objects_test.hpp"

#include <vector>

namespace {

std::vector<std::string> texts(char **values, unsigned count)
{
    return values ? std::vector<std::string>(values, values + count) : std::vector<std::string>{};
}

unsigned long blocksAtExtensionRelease = 0;
int extensionReleases = 0;
unsigned release_extension(void *extension)
{
    blocksAtExtensionRelease = TarnBlocksInUse();
    ++extensionReleases;
    *static_cast<int *>(extension) = -1;
    return 0;
}

struct Plain {
    ZeInterface *interface;
};

class Generic : public TarnTest {
protected:
    void SetUp() override
    {
        TarnTest::SetUp();
        write_registry("SAMPLE, TarnTestObjs.InitSample\n");
    }
    void TearDown() override
    {
        if (object) {
            EXPECT_EQ(ZeDestroyObject(object), ZE_OK);
        }
        remove_registry();
        EXPECT_FALSE(module_loaded(SAMPLE_OBJECTS_PATH));
        TarnTest::TearDown();
    }
    void create(const char *criteria = "")
    {
        TestFilter filter(criteria);
        ASSERT_EQ(ZeCreateObject(&object, "sample", filter), ZE_OK) << trace_text();
        generic = ZeObjectBaseObject(object);
    }
    void *object = nullptr;
    void *generic = nullptr;
};

TEST_F(Generic, ANewGenericObjectHasItsComponentsAndSixteenActions)
{
    void *made = nullptr;
    ASSERT_EQ(ZeCreateGenericObject(&made), ZE_OK);
    EXPECT_EQ(ZeIsValidGenericObject(made), 1);
    EXPECT_STREQ(ZeObjectInterfaceName(made), "GENERIC");
    EXPECT_TRUE(ZeIsValidDtsInfo(ZeGenericObjInfo(made)));
    EXPECT_TRUE(ZeIsValidDescriptor(ZeGenericObjDescriptor(made)));
    EXPECT_TRUE(ZeIsValidCollection(ZeGenericObjCollection(made)));
    EXPECT_TRUE(ZeIsValidFilter(static_cast<Filter *>(ZeElement(made, "FILTER"))));
    EXPECT_TRUE(ZeIsValidItem(ZeGenericObjItem(made)));
    EXPECT_TRUE(ZeIsValidDtsResult(ZeGenericObjResult(made)));
    EXPECT_EQ(ZeGenericObjStringTable(made), nullptr) << "made only by the init functions";
    EXPECT_STREQ(ZeGenericObjChangeStamp(made), "Undefined");
    EXPECT_EQ(ZeGenericObjName(made), nullptr);

    char **actions = nullptr;
    unsigned count = 0;
    ASSERT_EQ(ZeQueryProperty(made, "ACTIONS", &actions, &count), ZE_OK);
    EXPECT_EQ(texts(actions, count),
              (std::vector<std::string>{"OPEN COLLECTION", "SET POSITION", "GET ITEM COUNT", "GET ITEM",
                                        "GET CHANGE STAMP", "CLOSE COLLECTION", "ANY CHANGE", "OPEN ITEM", "NEW ITEM",
                                        "DEFINE ITEM", "ALTER ITEM", "DELETE ITEM", "COPY ITEM", "RENAME ITEM",
                                        "VALIDATE VALUE", "GET LIST"}));
    EXPECT_EQ(actions, ZeItemValues(ZeGenericObjItem(made)));
    EXPECT_EQ(ZeDestroyGenericObject(made), ZE_OK);

    EXPECT_EQ(ZeDestroyGenericObject(nullptr), ZE_RC_INVALID_PARAMETER);
    EXPECT_TRUE(traced("*** ZeDestroyGenericObject: parameter 1 (Object) is invalid"));
    each_alloc_failure([](long) {
        void *g = reinterpret_cast<void *>(1);
        unsigned rc = ZeCreateGenericObject(&g);
        if (rc) {
            EXPECT_EQ(rc, ZE_RC_NO_MEMORY);
            EXPECT_EQ(g, nullptr);
        } else {
            ZeDestroyGenericObject(g);
        }
    });
}

TEST_F(Generic, TheExtensionIsReleasedOnceAfterEveryComponent)
{
    void *made = nullptr;
    const unsigned long before = TarnBlocksInUse();
    ASSERT_EQ(ZeCreateGenericObject(&made), ZE_OK);
    int extension = 5;
    extensionReleases = 0;
    ZeSetGenericObjExtension(made, &extension, release_extension);
    EXPECT_EQ(ZeGenericObjExtension(made), &extension);
    ZeSetGenericObjChangeStamp(made, "stamp 1");
    EXPECT_STREQ(ZeGenericObjChangeStamp(made), "stamp 1");
    ZeSetGenericObjChangeStamp(made, nullptr);
    EXPECT_STREQ(ZeGenericObjChangeStamp(made), "stamp 1");
    TarnSetAllocFailure(0, 1);
    ZeSetGenericObjChangeStamp(made, "stamp 2");
    TarnSetAllocFailure(-1, 0);
    EXPECT_STREQ(ZeGenericObjChangeStamp(made), "stamp 1") << "a failed copy keeps the old stamp";

    ASSERT_EQ(ZeDestroyGenericObject(made), ZE_OK);
    EXPECT_EQ(extensionReleases, 1);
    EXPECT_EQ(extension, -1);
    EXPECT_EQ(blocksAtExtensionRelease, before + 1) << "only the record itself is left when the extension goes";
}

TEST_F(Generic, InitTakesTheNameAndInfoFromTheCreation)
{
    create("LANGUAGE EQ AMENG, VERSION EQ 2.0, COLOUR EQ RED");
    EXPECT_TRUE(ZeIsValidGenericObject(generic));
    EXPECT_STREQ(ZeGenericObjName(object), "SAMPLE");
    EXPECT_STREQ(ZeGenericObjVersion(object), "2.0");
    EXPECT_STREQ(ZeDtsInfoField(ZeGenericObjInfo(object), ZE_INFO_LANGUAGE), "AMENG");
    EXPECT_EQ(ZeGenericObjPlatform(object), nullptr);
    ZeDumpStringTable(ZeGenericObjStringTable(object), "");
    EXPECT_TRUE(traced("String Table: language: AMENG")) << trace_text();

    // The front object's NAME is found before the generic object's.
    ASSERT_EQ(ZeObjectSetName(object, "OTHER"), ZE_OK);
    EXPECT_STREQ(ZeGenericObjName(object), "OTHER");
    EXPECT_STREQ(ZeObjectName(object), "SAMPLE");
    EXPECT_STREQ(ZeObjectName(generic), "OTHER");
    EXPECT_STREQ(static_cast<const char *>(ZeElement(generic, "NAME")), "OTHER");

    // The extension and the setters belong to the generic object itself.
    EXPECT_EQ(ZeGenericObjExtension(object), nullptr);
    EXPECT_TRUE(traced("*** ZeGenericObjExtension: parameter 1 (Object) is invalid"));
    const ZeKeyedProcEntry none[] = {{nullptr, nullptr}};
    EXPECT_EQ(ZeSetGenericObjActions(object, none, -1), ZE_RC_INVALID_PARAMETER);
    EXPECT_TRUE(traced("*** ZeSetGenericObjActions: parameter 1 (Object) is invalid"));
}

TEST_F(Generic, ACriterionForAnInfoFieldMustUseEq)
{
    TestFilter filter("LANGUAGE NE AMENG");
    EXPECT_EQ(ZeCreateObject(&object, "SAMPLE", filter), ZE_RC_INFO_CRITERION_NOT_EQ);
    EXPECT_EQ(object, nullptr);
}

TEST_F(Generic, ObjectsWithoutAGenericObjectAnswerNull)
{
    Plain plain{};
    ASSERT_EQ(ZeObjectCreateInterface(&plain.interface, "PLAIN"), ZE_OK);
    EXPECT_EQ(ZeGenericObjItem(&plain), nullptr);
    EXPECT_TRUE(traced("*** Element ITEM not supported (unknown) for object PLAIN"));
    EXPECT_STREQ(ZeObjectName(&plain), "INV_OBJECT");
    EXPECT_EQ(ZeGenericObjName(&plain), nullptr);
    EXPECT_EQ(ZeObjectSetName(&plain, "X"), ZE_RC_INVALID_PARAMETER);

    // A generic object put behind any object; its dispatch is left alone.
    TestFilter filter("PLATFORM EQ AIX");
    ASSERT_EQ(ZeGenericObjInit(&plain, "MEMBER", filter), ZE_OK);
    EXPECT_STREQ(ZeObjectName(&plain), "MEMBER");
    EXPECT_STREQ(ZeGenericObjPlatform(&plain), "AIX");
    EXPECT_EQ(ZeObjectNamedObject(&plain, "GENERIC"), ZeObjectBaseObject(&plain));
    EXPECT_EQ(ZeObjectDestroyInterface(plain.interface), ZE_OK);

    EXPECT_EQ(ZeInitGenericObject(nullptr, filter, nullptr), ZE_RC_INVALID_PARAMETER);
    EXPECT_TRUE(traced("*** ZeInitGenericObject: parameter 1 (FrontObject) is invalid"));
}

TEST_F(Generic, DisablingAnActionHidesIt)
{
    create();
    const ZeKeyedProcEntry disable[] = {{"OPEN ITEM", nullptr}, {nullptr, nullptr}};
    ASSERT_EQ(ZeSetGenericObjActions(generic, disable, -1), ZE_OK);
    TestFilter filter("NAME EQ A");
    char **values = nullptr;
    EXPECT_EQ(ZeSubmitAction(object, "OPEN ITEM", static_cast<Filter *>(filter), &values), ZE_RC_DISABLED);
    EXPECT_TRUE(traced("*** Action OPEN ITEM not supported (disabled) for object ZEOBJECT.GENERIC"));
    int response = 1;
    EXPECT_EQ(ZeQueryProperty(object, "IS VALID ACTION", "OPEN ITEM", &response), ZE_RC_DISABLED);
    EXPECT_EQ(response, 0);

    // A handler put under a key it does not serve refuses to run.
    const ZeKeyedProcEntry misplaced[] = {{"CLEAR", ZeCloseGenericObjCollection}, {nullptr, nullptr}};
    ASSERT_EQ(ZeSetGenericObjActions(generic, misplaced, -1), ZE_OK);
    EXPECT_EQ(ZeSubmitAction(object, "CLEAR"), ZE_RC_INVALID_PARAMETER);
    EXPECT_TRUE(traced("*** ZeCloseGenericObjCollection: parameter 2 (ActionKey) is invalid"));
}

TEST_F(Generic, DestinationUserAndDateFormatAreInfoFields)
{
    create();
    const char *dest = "x";
    const char *route = "x";
    ASSERT_EQ(ZeQueryProperty(object, "DESTINATION", &dest, &route), ZE_OK);
    EXPECT_EQ(dest, nullptr);
    EXPECT_EQ(route, nullptr);

    ASSERT_EQ(ZeSetProperty(object, "DESTINATION", "NODE1", "HUB"), ZE_OK);
    ASSERT_EQ(ZeQueryProperty(object, "destination", &dest, &route), ZE_OK);
    EXPECT_STREQ(dest, "NODE1");
    EXPECT_STREQ(route, "HUB");
    EXPECT_EQ(dest, ZeDtsInfoField(ZeGenericObjInfo(object), ZE_INFO_DESTNODE)) << "the info's own text";
    EXPECT_EQ(ZeSetProperty(object, "DESTINATION", "NODE2", ""), ZE_RC_EMPTY_NODE);
    EXPECT_EQ(ZeSetProperty(object, "DESTINATION", "", "HUB2"), ZE_RC_EMPTY_NODE);
    EXPECT_EQ(ZeSetProperty(object, "DESTINATION", "NODE2", (char *)nullptr), ZE_RC_INVALID_PARAMETER);
    EXPECT_TRUE(traced("*** ZeSetGenericObjDestination: parameter 4 (RouteNode) is invalid"));
    ZeQueryProperty(object, "DESTINATION", &dest, &route);
    EXPECT_STREQ(dest, "NODE1");
    EXPECT_STREQ(route, "HUB");

    const char *user = nullptr;
    ASSERT_EQ(ZeSetProperty(object, "USERNAME", "alice"), ZE_OK);
    EXPECT_EQ(ZeSetProperty(object, "USERNAME", ""), ZE_RC_EMPTY_USERNAME);
    ASSERT_EQ(ZeQueryProperty(object, "USERNAME", &user), ZE_OK);
    EXPECT_STREQ(user, "alice");

    // Date fields are validated against the object's date format.
    ASSERT_EQ(ZeSetProperty(object, "DATE FORMAT", "dd.mm.yyyy"), ZE_OK);
    const char *format = nullptr;
    ASSERT_EQ(ZeQueryProperty(object, "DATE FORMAT", &format), ZE_OK);
    EXPECT_STREQ(format, "dd.mm.yyyy");
    EXPECT_EQ(ZeSubmitAction(object, "VALIDATE VALUE", "CREATED", "29.02.2024"), ZE_OK) << trace_text();
    EXPECT_NE(ZeSubmitAction(object, "VALIDATE VALUE", "CREATED", "2024-02-29"), ZE_OK);
    ASSERT_EQ(ZeSetProperty(object, "DATE FORMAT", "yyyy-mm-dd"), ZE_OK);
    EXPECT_EQ(ZeSubmitAction(object, "VALIDATE VALUE", "CREATED", "2024-02-29"), ZE_OK);

    EXPECT_EQ(ZeSubmitAction(object, "VALIDATE VALUE", "SIZE", "100"), ZE_RC_NOT_IN_RANGE);
    EXPECT_EQ(ZeSubmitAction(object, "VALIDATE VALUE", "SIZE", "99"), ZE_OK);
}

TEST_F(Generic, FieldOrderAndAttributesComeFromTheDescriptor)
{
    create();
    char **fields = nullptr;
    int count = 0;
    ASSERT_EQ(ZeQueryProperty(object, "FIELD ORDER", &fields, &count), ZE_OK);
    EXPECT_EQ(texts(fields, static_cast<unsigned>(count)),
              (std::vector<std::string>{"NAME", "NEWNAME", "DESCRIPTION", "SIZE", "CREATED"}));

    const char *order[] = {"SIZE", "NAME", nullptr};
    ASSERT_EQ(ZeSetProperty(object, "FIELD ORDER", order, -1), ZE_OK);
    ASSERT_EQ(ZeQueryProperty(object, "FIELD ORDER", &fields, &count), ZE_OK);
    EXPECT_EQ(texts(fields, static_cast<unsigned>(count)),
              (std::vector<std::string>{"SIZE", "NAME", "NEWNAME", "DESCRIPTION", "CREATED"}));

    const char *realName = nullptr;
    ASSERT_EQ(ZeQueryProperty(object, "ATTRIBUTE", "NAME", "REAL NAME", &realName), ZE_OK);
    EXPECT_STREQ(realName, "OBJ_NAME");
    EXPECT_EQ(ZeQueryProperty(object, "ATTRIBUTE", "MISSING", "REAL NAME", &realName), ZE_RC_NO_ENTRY);

    // Change tracking is not kept.
    const char *stamp = nullptr;
    ZeSetGenericObjChangeStamp(generic, "mine");
    ASSERT_EQ(ZeSubmitAction(object, "GET CHANGE STAMP", &stamp), ZE_OK);
    EXPECT_STREQ(stamp, "Undefined");
    EXPECT_STREQ(ZeGenericObjChangeStamp(object), "Undefined");
    int changed = 0;
    TestFilter filter;
    EXPECT_EQ(ZeSubmitAction(object, "ANY CHANGE", static_cast<Filter *>(filter), "whatever", &changed), ZE_RC_DISABLED);
    EXPECT_EQ(changed, 1);
    changed = 5;
    EXPECT_EQ(ZeSubmitAction(object, "ANY CHANGE", (Filter *)nullptr, "whatever", &changed), ZE_RC_INVALID_PARAMETER);
    EXPECT_EQ(changed, 0);
}

TEST_F(Generic, EveryAllocationFailureOfTheCreationLeavesNothing)
{
    TestFilter filter("LANGUAGE EQ FRENCH");
    each_alloc_failure([&](long) {
        void *created = reinterpret_cast<void *>(1);
        unsigned rc = ZeCreateObject(&created, "SAMPLE", filter);
        if (rc) {
            EXPECT_EQ(created, nullptr);
        } else {
            EXPECT_EQ(ZeDestroyObject(created), ZE_OK);
        }
        EXPECT_FALSE(module_loaded(SAMPLE_OBJECTS_PATH));
    });
}

}  // namespace
