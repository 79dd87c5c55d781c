// Creating objects by name: the registry file, loading the object library
// and running its init procedure, and what is left after each failure.
#include "objects_test.hpp"

namespace {

class Registry : public TarnTest {
protected:
    void TearDown() override
    {
        remove_registry();
        EXPECT_FALSE(module_loaded(COUNTED_OBJECTS_PATH)) << "the object library stayed loaded";
        TarnTest::TearDown();
    }

    // Creates `name` under the criteria text; returns the code and keeps the object.
    unsigned create(const char *name, const char *criteria = "")
    {
        TestFilter filter(criteria);
        return ZeCreateObject(&object, name, filter);
    }

    // The chain's init procedure that ran, told by the kind of the real object.
    std::string created_kind() const { return ZeObjectInterfaceName(ZeObjectBaseObject(object)); }

    void destroy()
    {
        EXPECT_EQ(ZeDestroyObject(object), ZE_OK);
        object = nullptr;
    }

    void expect_not_found(const char *name)
    {
        EXPECT_EQ(create(name), ZE_RC_NO_REGISTRY_LINE);
        EXPECT_EQ(object, nullptr);
        EXPECT_TRUE(traced(std::string("*** Object Init procedure lookup failed for (") + name + ") Object"))
            << trace_text();
    }

    void *object = reinterpret_cast<void *>(1);
};

TEST_F(Registry, UnusableFilesFindNothing)
{
    remove_registry();
    expect_not_found("COUNTED");

    write_registry("");
    expect_not_found("COUNTED");

    // Comments and blank lines only, one comment that would otherwise match.
    write_registry("; the registry\n\n   \n;COUNTED, TarnCountObjs.InitCounted\n  ; COUNTED,TarnCountObjs.InitCounted\n");
    expect_not_found("COUNTED");

    // Other names, and a line whose criterion the filter does not satisfy.
    write_registry("OTHER, TarnCountObjs.InitCounted\nCOUNTED, TarnCountObjs.InitCounted, LANGUAGE EQ FRENCH\n");
    TestFilter amEng("LANGUAGE EQ AMENG");
    EXPECT_EQ(ZeCreateObject(&object, "COUNTED", amEng), ZE_RC_NO_REGISTRY_LINE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(count_traced("Calling object init procedure"), 0u);
}

TEST_F(Registry, ParameterChecksComeFirst)
{
    TestFilter filter;
    EXPECT_EQ(ZeCreateObject(&object, "COUNTED", nullptr), ZE_RC_INVALID_PARAMETER);
    EXPECT_EQ(object, nullptr);
    EXPECT_TRUE(traced("*** ZeCreateObject: parameter 3 (Filter) is invalid"));
    EXPECT_EQ(ZeCreateObject(&object, "", filter), ZE_RC_INVALID_PARAMETER);
    EXPECT_TRUE(traced("*** ZeCreateObject: parameter 2 (Name) is invalid"));
}

TEST_F(Registry, NameIgnoresCaseAndTheFrontObjectKeepsItInCapitals)
{
    write_registry("Counted, TarnCountObjs.InitCounted\n");
    ASSERT_EQ(create("counted"), ZE_OK);
    EXPECT_TRUE(traced("Calling object init procedure (TarnCountObjs.InitCounted)"));
    EXPECT_STREQ(ZeObjectInterfaceName(object), "ZEOBJECT");
    EXPECT_STREQ(static_cast<const char *>(ZeElement(object, "NAME")), "COUNTED");
    EXPECT_EQ(created_kind(), "COUNTED");
    EXPECT_TRUE(module_loaded(COUNTED_OBJECTS_PATH));
    destroy();
    EXPECT_EQ(count_traced("counted object released"), 1u);
}

TEST_F(Registry, FirstLineWhoseCriterionTheFilterHoldsWins)
{
    write_registry("COUNTED, TarnCountObjs.InitAttachThenFail, LANGUAGE EQ FRENCH\n"
                   "COUNTED, TarnCountObjs.InitCounted, language eq ameng\n"
                   "COUNTED, TarnCountObjs.InitReplacing, LANGUAGE EQ AMENG\n");
    // The filter may hold further criteria; case is ignored.
    ASSERT_EQ(create("COUNTED", "VERSION EQ 2.0, LANGUAGE EQ AMENG"), ZE_OK);
    EXPECT_TRUE(traced("Calling object init procedure (TarnCountObjs.InitCounted)"));
    destroy();

    // An empty filter satisfies the first line already.
    EXPECT_EQ(create("COUNTED"), 7u);
    EXPECT_TRUE(traced("Calling object init procedure (TarnCountObjs.InitAttachThenFail)"));
}

TEST_F(Registry, QuotedFieldsWorkAndAShortLineHasNoCriterion)
{
    write_registry("  \"counted\" ,  \"TarnCountObjs.InitCounted\"  , \"LANGUAGE EQ AMENG\"  \n");
    ASSERT_EQ(create("COUNTED", "LANGUAGE EQ AMENG"), ZE_OK);
    destroy();

    // Nothing carries over from the line before.
    write_registry("COUNTED, TarnCountObjs.InitAttachThenFail, LANGUAGE EQ FRENCH\n"
                   "COUNTED, TarnCountObjs.InitCounted\n");
    ASSERT_EQ(create("COUNTED", "LANGUAGE EQ AMENG"), ZE_OK);
    destroy();
}

TEST_F(Registry, MalformedLinesAreReportedAndPassedOver)
{
    const std::string longField(81, 'L');
    write_registry("COUNTED, TarnCountObjs.InitAttachThenFail, LANGUAGE EQ AMENG, VERSION EQ 2.0\n"
                   "COUNTED, TarnCountObjs.InitAttachThenFail, LANGUAGE EQ " + longField + "\n"
                   "COUNTED, TarnCountObjs\n"
                   "COUNTED\n"
                   "OTHER, no dot, a, b, c\n"
                   "COUNTED, TarnCountObjs.InitCounted\n");
    ASSERT_EQ(create("COUNTED"), ZE_OK);
    EXPECT_TRUE(traced("+++ Object registry line 1 for (COUNTED) ignored: more than three fields")) << trace_text();
    EXPECT_TRUE(traced("+++ Object registry line 2 for (COUNTED) ignored: field longer than 80 characters"));
    EXPECT_TRUE(traced("+++ Object registry line 3 for (COUNTED) ignored: no library.procedure in field 2"));
    EXPECT_TRUE(traced("+++ Object registry line 4 for (COUNTED) ignored: no library.procedure in field 2"));
    EXPECT_EQ(count_traced("+++ "), 4u) << "only lines naming the object are reported";
    destroy();

    // A field of exactly 80 characters is still usable.
    write_registry("COUNTED, TarnCountObjs.InitCounted, LANGUAGE EQ " + std::string(80 - 12, 'V') + "\n");
    ASSERT_EQ(create("COUNTED", ("LANGUAGE EQ " + std::string(80 - 12, 'v')).c_str()), ZE_OK);
    destroy();
}

TEST_F(Registry, TheRestOfAnOverlongLineIsDropped)
{
    // Were the tail of the comment read as a line of its own, it would match.
    std::string comment = ";" + std::string(254, '-') + "COUNTED, TarnCountObjs.InitCounted";
    write_registry(comment + "\nCOUNTED, TarnCountObjs.InitAttachThenFail\n");
    EXPECT_EQ(create("COUNTED"), 7u);
    EXPECT_EQ(count_traced("Calling object init procedure (TarnCountObjs.InitCounted)"), 0u);

    // A line cut at 255 characters is used as far as it goes.
    std::string cut = "COUNTED, TarnCountObjs.InitCounted";
    cut += std::string(255 - cut.size(), ' ') + ", LANGUAGE EQ FRENCH";
    write_registry(cut + "\n");
    ASSERT_EQ(create("COUNTED", "LANGUAGE EQ AMENG"), ZE_OK);
    destroy();
}

TEST_F(Registry, LibraryAndProcedureSplitAtTheFirstDot)
{
    write_registry("COUNTED, TarnCountObjs.Init.Counted\n");
    EXPECT_EQ(create("COUNTED"), ZE_RC_PROC_NOT_FOUND);
    EXPECT_EQ(object, nullptr);
    EXPECT_TRUE(traced("Calling object init procedure (TarnCountObjs.Init.Counted)"));
    EXPECT_TRUE(traced("*** Could not find object init procedure (TarnCountObjs.Init.Counted)"));
}

TEST_F(Registry, MissingLibrariesAndProceduresLeaveNothingLoaded)
{
    write_registry("COUNTED, TarnNoSuchObjs.InitCounted\n");
    EXPECT_EQ(create("COUNTED"), ZE_RC_LOAD_FAILED);
    EXPECT_EQ(object, nullptr);
    EXPECT_TRUE(traced("*** Could not load shared library TarnNoSuchObjs"));

    write_registry("COUNTED, TarnNoInitObjs.InitCounted\n");
    EXPECT_EQ(create("COUNTED"), ZE_RC_PROC_NOT_FOUND);
    EXPECT_EQ(object, nullptr);
    EXPECT_TRUE(traced("*** Could not find object init procedure (TarnNoInitObjs.InitCounted)"));
    EXPECT_FALSE(module_loaded(NOINIT_OBJECTS_PATH));
}

TEST_F(Registry, AFailingInitProcedureHasItsRealObjectReleasedOnce)
{
    write_registry("COUNTED, TarnCountObjs.InitAttachThenFail\n");
    EXPECT_EQ(create("COUNTED"), 7u);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(count_traced("counted object released"), 1u);
}

TEST_F(Registry, EveryAllocationFailureLeavesNothingBehind)
{
    write_registry("OTHER, TarnCountObjs.InitAttachThenFail\nCOUNTED, TarnCountObjs.InitCounted, LANGUAGE EQ AMENG\n");
    TestFilter filter("LANGUAGE EQ AMENG");
    each_alloc_failure([&](long failAt) {
        void *created = nullptr;
        unsigned rc = ZeCreateObject(&created, "COUNTED", filter);
        if (failAt < 0) {
            ASSERT_EQ(rc, ZE_OK);
        }
        if (rc) {
            EXPECT_EQ(rc, ZE_RC_NO_MEMORY);
            EXPECT_EQ(created, nullptr);
        } else {
            EXPECT_EQ(ZeDestroyObject(created), ZE_OK);
        }
        EXPECT_FALSE(module_loaded(COUNTED_OBJECTS_PATH));
    });
}

}  // namespace
