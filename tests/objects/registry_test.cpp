// Creating objects by name: the registry file, loading the object library
// and running its init procedure, and what is left after each failure.
#include "objects_test.hpp"

namespace {

class Registry : public ObjectTest {
protected:
    Registry() : ObjectTest("", SAMPLE_OBJECTS_PATH) {}
    void TearDown() override
    {
        ObjectTest::TearDown();
        EXPECT_FALSE(module_loaded(NOINIT_OBJECTS_PATH));
    }
};

TEST_F(Registry, TheFirstLineThatAppliesWins)
{
    const std::string choice = "QUEUE, TarnTestObjs.InitAttachThenFail, LANGUAGE EQ FRENCH\n"
                               "QUEUE, TarnTestObjs.InitSample, language eq ameng\n"
                               "QUEUE, TarnTestObjs.InitReplacing, LANGUAGE EQ AMENG\n";
    std::string cut = "QUEUE, TarnTestObjs.InitSample";
    cut += std::string(255 - cut.size(), ' ') + ", LANGUAGE EQ FRENCH\n";
    const struct {
        std::string registry, criteria;
        const char *routine;  // the init procedure called
    } cases[] = {
        // Names compare ignoring case.
        {"queue, TarnTestObjs.InitSample\n", "", "InitSample"},
        // The filter may hold further criteria; case is ignored.
        {choice, "VERSION EQ 2.0, LANGUAGE EQ AMENG", "InitSample"},
        // An empty filter satisfies the first line already.
        {choice, "", "InitAttachThenFail"},
        {"  \"queue\" ,  \"TarnTestObjs.InitSample\"  , \"LANGUAGE EQ AMENG\"  \n", "LANGUAGE EQ AMENG", "InitSample"},
        // Nothing carries over from the line before.
        {"QUEUE, TarnTestObjs.InitAttachThenFail, LANGUAGE EQ FRENCH\nQUEUE, TarnTestObjs.InitSample\n",
         "LANGUAGE EQ AMENG", "InitSample"},
        // A field of exactly 80 characters is still usable.
        {"QUEUE, TarnTestObjs.InitSample, LANGUAGE EQ " + std::string(68, 'V') + "\n",
         "LANGUAGE EQ " + std::string(68, 'v'), "InitSample"},
        // Were the tail of the comment read as a line of its own, it would match.
        {";" + std::string(254, '-') + "QUEUE, TarnTestObjs.InitSample\nQUEUE, TarnTestObjs.InitAttachThenFail\n", "",
         "InitAttachThenFail"},
        // A line cut at 255 characters is used as far as it goes.
        {cut, "LANGUAGE EQ AMENG", "InitSample"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.registry);
        clear_trace();
        write_registry(c.registry);
        EXPECT_EQ(create("QUEUE", c.criteria.c_str()), std::string(c.routine) == "InitSample" ? ZE_OK : 7u);
        EXPECT_EQ(count_traced("Calling object init procedure"), 1u);
        EXPECT_TRUE(traced(std::string("Calling object init procedure (TarnTestObjs.") + c.routine + ")"))
            << trace_text();
    }
}

TEST_F(Registry, MalformedLinesAreReportedAndPassedOver)
{
    const std::string longField(81, 'L');
    write_registry("QUEUE, TarnTestObjs.InitAttachThenFail, LANGUAGE EQ AMENG, VERSION EQ 2.0\n"
                   "QUEUE, TarnTestObjs.InitAttachThenFail, LANGUAGE EQ " +
                   longField +
                   "\n"
                   "QUEUE, TarnTestObjs\n"
                   "QUEUE\n"
                   "OTHER, no dot, a, b, c\n"
                   "QUEUE, TarnTestObjs.InitSample\n"
                   ";QUEUE, TarnTestObjs.InitSample\n");
    ASSERT_EQ(create("QUEUE"), ZE_OK);
    EXPECT_TRUE(traced("+++ Object registry line 1 for (QUEUE) ignored: more than three fields")) << trace_text();
    EXPECT_TRUE(traced("+++ Object registry line 2 for (QUEUE) ignored: field longer than 80 characters"));
    EXPECT_TRUE(traced("+++ Object registry line 3 for (QUEUE) ignored: no library.procedure in field 2"));
    EXPECT_TRUE(traced("+++ Object registry line 4 for (QUEUE) ignored: no library.procedure in field 2"));
    EXPECT_EQ(count_traced("+++ "), 4u) << "only lines naming the object are reported";
    EXPECT_EQ(create(";QUEUE"), ZE_RC_NO_REGISTRY_LINE) << "a comment line is no entry";
}

TEST_F(Registry, FailedInitsLeaveNoObjectAndNoLibraryLoaded)
{
    const struct {
        const char *routine;
        unsigned rc;
        const char *line;
    } cases[] = {
        // Library and procedure split at the first dot.
        {"TarnTestObjs.Init.Sample", ZE_RC_PROC_NOT_FOUND,
         "*** Could not find object init procedure (TarnTestObjs.Init.Sample)"},
        {"TarnNoSuchObjs.InitSample", ZE_RC_LOAD_FAILED, "*** Could not load shared library TarnNoSuchObjs"},
        {"TarnNoInitObjs.InitSample", ZE_RC_PROC_NOT_FOUND,
         "*** Could not find object init procedure (TarnNoInitObjs.InitSample)"},
        // The real object the init procedure attached is released once.
        {"TarnTestObjs.InitAttachThenFail", 7u, "sample object released"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.routine);
        clear_trace();
        write_registry(std::string("QUEUE, ") + c.routine + "\n");
        EXPECT_EQ(create("QUEUE"), c.rc);
        EXPECT_TRUE(traced(std::string("Calling object init procedure (") + c.routine + ")"));
        EXPECT_EQ(count_traced(c.line), 1u) << trace_text();
        EXPECT_FALSE(module_loaded(SAMPLE_OBJECTS_PATH));
        EXPECT_FALSE(module_loaded(NOINIT_OBJECTS_PATH));
    }
}

}  // namespace
