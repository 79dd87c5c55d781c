// Action requests: the numbered fields, the temporary response file, the
// request fields built through the descriptor and the DEFINE filter.
#include "router_fixture.hpp"

#include <cstdio>
#include <filesystem>
#include <string>

namespace {

using ActionTest = RouterTest;

std::string text_field(DtsAction *action, unsigned field)
{
    const char *text = nullptr;
    EXPECT_EQ(ZeGetDtsActionField(action, field, &text), 0u);
    return text ? text : "<null>";
}

unsigned kind_of(DtsAction *action)
{
    unsigned kind = 0;
    EXPECT_EQ(ZeGetDtsActionField(action, ZE_ACTION_RESPONSE_KIND, &kind), 0u);
    return kind;
}

std::vector<std::string> request_fields(DtsAction *action, bool withRelops = true)
{
    char **columns = nullptr, **relops = nullptr, **values = nullptr;
    int count = 0;
    std::vector<std::string> fields;
    if (ZeGetDtsActionField(action, ZE_ACTION_REQUEST_FIELDS, &columns, withRelops ? &relops : (char ***)0, &values,
                            &count) != 0)
        return fields;
    for (int i = 0; i < count; ++i)
        fields.push_back(std::string(columns[i]) + " " + (relops ? relops[i] : "?") + " " + values[i]);
    return fields;
}

}  // namespace

TEST_F(ActionTest, TextFieldsAreCopiesAndUnknownFieldsAreRefused)
{
    OwnedAction a;
    EXPECT_EQ(kind_of(a), ZE_RESPONSE_ITEM);
    EXPECT_EQ(text_field(a, ZE_ACTION_RESPONSE_FILE), "");
    EXPECT_EQ(text_field(a, ZE_ACTION_COMMAND), "<null>");

    std::string command = "SELECT";
    EXPECT_EQ(ZeSetDtsActionField(a, ZE_ACTION_COMMAND, command.c_str()), 0u);
    command[0] = 'X';
    EXPECT_EQ(text_field(a, ZE_ACTION_COMMAND), "SELECT");
    EXPECT_EQ(ZeSetDtsActionField(a, ZE_ACTION_ROUTER_TEXT1, "one"), 0u);
    EXPECT_EQ(ZeSetDtsActionField(a, ZE_ACTION_ROUTER_TEXT2, "two"), 0u);
    EXPECT_EQ(ZeSetDtsActionField(a, ZE_ACTION_ROUTER_TEXT1, (char *)0), 0u);
    EXPECT_EQ(text_field(a, ZE_ACTION_ROUTER_TEXT1), "<null>");
    EXPECT_EQ(text_field(a, ZE_ACTION_ROUTER_TEXT2), "two");

    // The response file: a name that does not fit, or none, leaves it as it was.
    EXPECT_EQ(ZeSetDtsActionField(a, ZE_ACTION_RESPONSE_FILE, "/data/answer.dat"), 0u);
    EXPECT_EQ(ZeSetDtsActionField(a, ZE_ACTION_RESPONSE_FILE, std::string(ZE_RESPONSE_FILE_SIZE, 'f').c_str()), 4u);
    EXPECT_EQ(ZeSetDtsActionField(a, ZE_ACTION_RESPONSE_FILE, (char *)0), 4u);
    EXPECT_EQ(text_field(a, ZE_ACTION_RESPONSE_FILE), "/data/answer.dat");

    // Info fields need an info, which routing attaches.
    const char *object = "unchanged";
    EXPECT_EQ(ZeSetDtsActionField(a, ZE_ACTION_OBJECT, "QUEUES"), 4u);
    EXPECT_EQ(ZeGetDtsActionField(a, ZE_ACTION_OBJECT, &object), 4u);
    EXPECT_EQ(object, nullptr);

    clear_trace();
    unsigned kind = 0;
    EXPECT_EQ(ZeSetDtsActionField(a, 0u, "x"), 4u);
    EXPECT_EQ(ZeSetDtsActionField(a, 22u, "x"), 4u);
    EXPECT_EQ(ZeSetDtsActionField(a, ZE_ACTION_HAS_DELTA, 1u), 4u);
    EXPECT_EQ(count_traced("*** ZeSetDtsActionField: parameter 2 (Field) is invalid"), 3u) << trace_text();
    EXPECT_EQ(ZeGetDtsActionField(a, ZE_ACTION_MESSAGE, &object), 4u);
    EXPECT_EQ(ZeGetDtsActionField(a, ZE_ACTION_LIST_NAME, &object), 4u);
    EXPECT_EQ(count_traced("*** ZeGetDtsActionField: parameter 2 (Field) is invalid"), 2u);
    EXPECT_EQ(ZeGetDtsActionField(a, ZE_ACTION_RESPONSE_KIND, (unsigned *)0), 4u);
    EXPECT_TRUE(traced("*** ZeGetDtsActionField: parameter 3 (pValue) is invalid"));

    auto *notAction = reinterpret_cast<DtsAction *>(result);
    EXPECT_EQ(ZeGetDtsActionField(notAction, ZE_ACTION_RESPONSE_KIND, &kind), 4u);
    EXPECT_EQ(ZeDestroyDtsAction(notAction), 4u);
    EXPECT_EQ(count_traced("*** Invalid DTS Action Object encountered."), 2u);
}

TEST_F(ActionTest, DeltaFieldsReachTheAttachedDelta)
{
    OwnedAction a;
    DtsDelta *delta = nullptr;
    ASSERT_EQ(ZeCreateDtsDelta(&delta), 0u);
    unsigned has = 9;
    EXPECT_EQ(ZeGetDtsActionField(a, ZE_ACTION_HAS_DELTA, &has), 0u);
    EXPECT_EQ(has, 0u);
    EXPECT_EQ(ZeSetDtsActionField(a, ZE_ACTION_DELTA_FIELDS, "c1", 5u), 4u);  // no delta yet

    EXPECT_EQ(ZeSetDtsActionField(a, ZE_ACTION_DELTA, delta), 0u);
    EXPECT_EQ(ZeSetDtsActionField(a, ZE_ACTION_DELTA_FIELDS, "c1", 5u), 0u);
    char *cursor = nullptr;
    unsigned count = 0;
    EXPECT_EQ(ZeGetDtsActionField(a, ZE_ACTION_DELTA_FIELDS, &cursor, &count), 0u);
    EXPECT_STREQ(cursor, "c1");
    EXPECT_EQ(count, 5u);
    EXPECT_EQ(ZeGetDtsActionField(a, ZE_ACTION_HAS_DELTA, &has), 0u);
    EXPECT_EQ(has, 1u);

    // Something that is not a delta detaches it.
    EXPECT_EQ(ZeSetDtsActionField(a, ZE_ACTION_DELTA, reinterpret_cast<DtsDelta *>(info)), 0u);
    EXPECT_EQ(ZeGetDtsActionField(a, ZE_ACTION_HAS_DELTA, &has), 0u);
    EXPECT_EQ(has, 0u);
    ZeDestroyDtsDelta(delta);
}

TEST_F(ActionTest, FileKindsGetATemporaryFileThatOnlyItsActionRemoves)
{
    const std::string named = tempDir + "/named.dat";
    std::fclose(std::fopen(named.c_str(), "w"));
    {
        OwnedAction a;
        EXPECT_EQ(ZeSetDtsActionField(a, ZE_ACTION_RESPONSE_KIND, 2u), 0u);
        EXPECT_EQ(text_field(a, ZE_ACTION_RESPONSE_FILE), "");
        for (unsigned kind : {3u, 9u, 10u, 11u, 15u}) {
            EXPECT_EQ(ZeSetDtsActionField(a, ZE_ACTION_RESPONSE_KIND, kind), 0u);
            EXPECT_EQ(kind_of(a), kind);
            const std::string file = text_field(a, ZE_ACTION_RESPONSE_FILE);
            EXPECT_EQ(file.rfind(tempDir + "/TARN", 0), 0u) << file;
            // Only the newest temporary file is kept.
            EXPECT_EQ(temporary_files().size(), 2u);
        }
        EXPECT_EQ(ZeSetDtsActionField(a, ZE_ACTION_RESPONSE_FILE, named.c_str()), 0u);
    }
    EXPECT_EQ(temporary_files(), std::vector<std::string>{named});
    std::filesystem::remove(named);
}

TEST_F(ActionTest, RequestFieldsGoOutUnderRealNamesWithDatabaseValuesAndAreEchoed)
{
    OwnedAction a;
    OwnedFilter f("NAME EQ q1, TYPE NE topic, ENABLED EQ true, COLOR EQ red, TYPE EQ bogus");
    EXPECT_EQ(request_fields(a), std::vector<std::string>{});  // none yet (7)
    ASSERT_EQ(ZeSetDtsActionRequestFilter(a, f, descriptor, 0), 0u);

    const std::vector<std::string> expected{"OBJ_NAME EQ q1", "TYPE NE T", "ENABLED EQ Y", "COLOR EQ red",
                                            "TYPE EQ bogus"};
    EXPECT_EQ(request_fields(a), expected);
    EXPECT_EQ(request_fields(a, false).size(), 5u);

    ASSERT_GE(trace().size(), 2u);
    EXPECT_EQ(trace()[0], "");
    EXPECT_EQ(trace()[1], "DTS Action Request " + handle_text(a) + " - Fields");
    for (const char *line : {"   Field(Column)      RelOp  Value(DB Value)",
                             "   -----------------  -----  ------------------------------",
                             "   NAME(OBJ_NAME)      EQ    \"q1\"",
                             "   TYPE                NE    \"topic\"(\"T\")",
                             "   ENABLED             EQ    \"true\"(\"Y\")",
                             "   COLOR               EQ    \"red\"",
                             "*** ZeGetRealValue : Value >bogus< not on values list",
                             "   TYPE                EQ    \"bogus\"",
                             "   Total of 5 fields in request"})
        EXPECT_TRUE(traced(line)) << line << "\n" << trace_text();

    // A new set replaces the fields; without a descriptor they go out as given.
    clear_trace();
    OwnedFilter logon("ID EQ admin, PASSWORD EQ secret");
    ASSERT_EQ(ZeSetDtsActionRequestFilter(a, logon, nullptr, 1), 0u);
    EXPECT_EQ(request_fields(a), (std::vector<std::string>{"ID EQ admin", "PASSWORD EQ secret"}));
    EXPECT_EQ(trace(), (std::vector<std::string>{"", "DTS Action filter echo suppressed...",
                                                 "   Total of 2 fields in request"}));

    EXPECT_EQ(ZeSetDtsActionRequestFilter(a, logon, reinterpret_cast<Descriptor *>(info), 0), 4u);
    EXPECT_TRUE(traced("*** ZeSetDtsActionRequestFilter: parameter 3 (Descriptor) is invalid"));
    EXPECT_EQ(request_fields(a).size(), 2u);
}

TEST_F(ActionTest, DefineFilterAddsTheDefaultsOfFieldsNotGiven)
{
    OwnedFilter to("OLD EQ x"), empty, given("OWNER EQ ops, NAME EQ q1");
    auto criteria = [](Filter *f) {
        std::vector<std::string> all;
        const char *c, *r, *v;
        ZeInitFilterQuery(f);
        for (; ZeGetFilterItem(f, &c, &r, &v); ZeNextFilterItem(f)) all.push_back(std::string(c) + " " + r + " " + v);
        return all;
    };
    ASSERT_EQ(ZeSetupDtsDefineFilter(to, empty, descriptor), 0u);
    EXPECT_EQ(criteria(to), (std::vector<std::string>{"TYPE EQ Queue", "OWNER EQ admin"}));

    ASSERT_EQ(ZeSetupDtsDefineFilter(to, given, descriptor), 0u);
    EXPECT_EQ(criteria(to), (std::vector<std::string>{"OWNER EQ ops", "NAME EQ q1", "TYPE EQ Queue"}));

    ASSERT_EQ(ZeSetupDtsDefineFilter(given, given, descriptor), 0u);
    EXPECT_EQ(criteria(given), (std::vector<std::string>{"OWNER EQ ops", "NAME EQ q1", "TYPE EQ Queue"}));
    EXPECT_EQ(ZeSetupDtsDefineFilter(to, empty, nullptr), 4u);
}
