// The generic object: its components and tables, both init functions, the
// element accessors and setters, and the properties that need no request.
#include "objects_test.hpp"

namespace {

unsigned long blocksAtExtensionRelease = 0;
int extensionReleases = 0;
unsigned release_extension(void *extension)
{
    blocksAtExtensionRelease = TarnBlocksInUse();
    ++extensionReleases;
    *static_cast<int *>(extension) = -1;
    return 0;
}

std::string shown(const char *text) { return text ? text : "<null>"; }

class Generic : public ObjectTest {
protected:
    Generic() : ObjectTest("SAMPLE, TarnTestObjs.InitSample\n", SAMPLE_OBJECTS_PATH) {}
    void create_sample(const char *criteria = "")
    {
        ASSERT_EQ(create("sample", criteria), ZE_OK) << trace_text();
        generic = ZeObjectBaseObject(object);
    }
    // A query property of one or two text outputs, joined with '/'.
    std::string query(const char *property)
    {
        static const char untouched[] = "";
        const char *first = untouched, *second = untouched;
        EXPECT_EQ(ZeQueryProperty(object, property, &first, &second), ZE_OK) << property;
        return shown(first) + (second == untouched ? "" : "/" + shown(second));
    }
    void *generic = nullptr;
};

TEST_F(Generic, ANewGenericObjectHasItsComponentsAndAnExtensionReleasedLast)
{
    void *made = nullptr;
    const unsigned long before = TarnBlocksInUse();
    ASSERT_EQ(ZeCreateGenericObject(&made), ZE_OK);
    EXPECT_EQ(ZeIsValidGenericObject(made), 1);
    EXPECT_STREQ(ZeObjectInterfaceName(made), "GENERIC");
    EXPECT_TRUE(ZeIsValidDtsInfo(ZeGenericObjInfo(made)) && ZeIsValidDescriptor(ZeGenericObjDescriptor(made)) &&
                ZeIsValidCollection(ZeGenericObjCollection(made)) && ZeIsValidItem(ZeGenericObjItem(made)) &&
                ZeIsValidFilter(static_cast<Filter *>(ZeElement(made, "FILTER"))) &&
                ZeIsValidDtsResult(ZeGenericObjResult(made)));
    EXPECT_EQ(ZeGenericObjStringTable(made), nullptr) << "made only by the init functions";
    EXPECT_STREQ(ZeGenericObjChangeStamp(made), "Undefined");
    EXPECT_EQ(ZeGenericObjName(made), nullptr);

    int extension = 5;
    extensionReleases = 0;
    ZeSetGenericObjExtension(made, &extension, release_extension);
    EXPECT_EQ(ZeGenericObjExtension(made), &extension);
    ZeSetGenericObjChangeStamp(made, "stamp 1");
    ZeSetGenericObjChangeStamp(made, nullptr);
    TarnSetAllocFailure(0, 1);
    ZeSetGenericObjChangeStamp(made, "stamp 2");
    TarnSetAllocFailure(-1, 0);
    EXPECT_STREQ(ZeGenericObjChangeStamp(made), "stamp 1") << "neither NULL nor a failed copy replace the stamp";
    ASSERT_EQ(ZeDestroyGenericObject(made), ZE_OK);
    EXPECT_EQ(extensionReleases, 1);
    EXPECT_EQ(extension, -1);
    EXPECT_EQ(blocksAtExtensionRelease, before + 1) << "only the record itself is left when the extension goes";
}

TEST_F(Generic, DestinationAndUserNameRefuseEmptyTexts)
{
    create_sample();
    ASSERT_EQ(ZeSetProperty(object, "DESTINATION", "NODE1", "HUB"), ZE_OK);
    EXPECT_EQ(ZeSetProperty(object, "DESTINATION", "NODE2", ""), ZE_RC_EMPTY_NODE);
    EXPECT_EQ(ZeSetProperty(object, "DESTINATION", "", "HUB2"), ZE_RC_EMPTY_NODE);
    EXPECT_EQ(ZeSetProperty(object, "USERNAME", ""), ZE_RC_EMPTY_USERNAME);
    EXPECT_EQ(query("DESTINATION"), "NODE1/HUB");
}

TEST_F(Generic, InitTakesTheNameAndInfoFromTheCreation)
{
    create_sample("LANGUAGE EQ AMENG, VERSION EQ 2.0, COLOUR EQ RED");
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

    // A criterion for an info field must use EQ.
    EXPECT_EQ(create("SAMPLE", "LANGUAGE NE AMENG"), ZE_RC_INFO_CRITERION_NOT_EQ);
}

TEST_F(Generic, ChangeTrackingIsNotKept)
{
    create_sample();
    const char *stamp = nullptr;
    ZeSetGenericObjChangeStamp(generic, "mine");
    ASSERT_EQ(ZeSubmitAction(object, "GET CHANGE STAMP", &stamp), ZE_OK);
    EXPECT_STREQ(stamp, "Undefined");
    EXPECT_STREQ(ZeGenericObjChangeStamp(object), "Undefined");
    int changed = 0;
    EXPECT_EQ(ZeSubmitAction(object, "ANY CHANGE", static_cast<Filter *>(TestFilter()), "whatever", &changed),
              ZE_RC_DISABLED);
    EXPECT_EQ(changed, 1);
}

}  // namespace
