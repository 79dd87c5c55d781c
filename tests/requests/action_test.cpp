// Action requests: the numbered fields, the temporary response file, the
// request fields built through the descriptor and the DEFINE filter.
#include "router_fixture.hpp"

namespace {

using ActionTest = RouterTest;

std::string text_field(DtsAction *action, unsigned field)
{
    const char *text = nullptr;
    EXPECT_EQ(ZeGetDtsActionField(action, field, &text), 0u);
    return text ? text : "<null>";
}

// Command, router texts, response kind and response file, joined with '|'.
std::string state(DtsAction *action)
{
    unsigned kind = 0;
    EXPECT_EQ(ZeGetDtsActionField(action, ZE_ACTION_RESPONSE_KIND, &kind), 0u);
    return text_field(action, ZE_ACTION_COMMAND) + "|" + text_field(action, ZE_ACTION_ROUTER_TEXT1) + "|" +
           text_field(action, ZE_ACTION_ROUTER_TEXT2) + "|" + std::to_string(kind) + "|" +
           text_field(action, ZE_ACTION_RESPONSE_FILE);
}

// The request fields as "COLUMN RELOP VALUE" (RELOP "?" when not asked for).
Texts request_fields(DtsAction *action, bool withRelops = true)
{
    char **columns = nullptr, **relops = nullptr, **values = nullptr;
    int count = 0;
    Texts fields;
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
    EXPECT_EQ(state(a), "<null>|<null>|<null>|1|");
    std::string command = "SELECT";
    EXPECT_EQ(ZeSetDtsActionField(a, ZE_ACTION_COMMAND, command.c_str()), 0u);
    command[0] = 'X';
    EXPECT_EQ(ZeSetDtsActionField(a, ZE_ACTION_ROUTER_TEXT1, "one"), 0u);
    EXPECT_EQ(ZeSetDtsActionField(a, ZE_ACTION_ROUTER_TEXT2, "two"), 0u);
    EXPECT_EQ(ZeSetDtsActionField(a, ZE_ACTION_ROUTER_TEXT1, (char *)0), 0u);
    // A response file name that does not fit, or none, leaves it as it was.
    EXPECT_EQ(ZeSetDtsActionField(a, ZE_ACTION_RESPONSE_FILE, "/data/answer.dat"), 0u);
    EXPECT_EQ(ZeSetDtsActionField(a, ZE_ACTION_RESPONSE_FILE, std::string(ZE_RESPONSE_FILE_SIZE, 'f').c_str()), 4u);
    EXPECT_EQ(ZeSetDtsActionField(a, ZE_ACTION_RESPONSE_FILE, (char *)0), 4u);
    EXPECT_EQ(state(a), "SELECT|<null>|two|1|/data/answer.dat");

    // Info fields need an info, which routing attaches.
    const char *object = "unchanged";
    EXPECT_EQ(ZeSetDtsActionField(a, ZE_ACTION_OBJECT, "QUEUES"), 4u);
    EXPECT_EQ(ZeGetDtsActionField(a, ZE_ACTION_OBJECT, &object), 4u);
    EXPECT_EQ(object, nullptr);

    // Fields that go one way only, or not at all.
    for (unsigned field : {0u, 22u, ZE_ACTION_HAS_DELTA}) EXPECT_EQ(ZeSetDtsActionField(a, field, "x"), 4u) << field;
    for (unsigned field : {ZE_ACTION_MESSAGE, ZE_ACTION_LIST_NAME})
        EXPECT_EQ(ZeGetDtsActionField(a, field, &object), 4u);
    EXPECT_EQ(ZeGetDtsActionField(a, ZE_ACTION_RESPONSE_KIND, (unsigned *)0), 4u);
}

TEST_F(ActionTest, FileKindsGetATemporaryFileThatOnlyItsActionRemoves)
{
    const std::string named = tempDir + "/named.dat";
    std::fclose(std::fopen(named.c_str(), "w"));
    {
        OwnedAction a;
        EXPECT_EQ(ZeSetDtsActionField(a, ZE_ACTION_RESPONSE_KIND, 2u), 0u);
        EXPECT_EQ(state(a), "<null>|<null>|<null>|2|");
        for (unsigned kind : {3u, 9u, 10u, 11u, 15u}) {
            EXPECT_EQ(ZeSetDtsActionField(a, ZE_ACTION_RESPONSE_KIND, kind), 0u);
            const std::string s = state(a);
            EXPECT_EQ(s.rfind("<null>|<null>|<null>|" + std::to_string(kind) + "|" + tempDir + "/TARN", 0), 0u) << s;
            EXPECT_EQ(temporary_files().size(), 2u) << "only the newest temporary file is kept";
        }
        EXPECT_EQ(ZeSetDtsActionField(a, ZE_ACTION_RESPONSE_FILE, named.c_str()), 0u);
    }
    EXPECT_EQ(temporary_files(), Texts{named});
    std::filesystem::remove(named);
}

TEST_F(ActionTest, RequestFieldsGoOutUnderRealNamesWithDatabaseValuesAndAreEchoed)
{
    OwnedAction a;
    OwnedFilter f("NAME EQ q1, TYPE NE topic, ENABLED EQ true, COLOR EQ red, TYPE EQ bogus");
    EXPECT_EQ(request_fields(a), Texts{});  // none yet (7)
    ASSERT_EQ(ZeSetDtsActionRequestFilter(a, f, descriptor, 0), 0u);
    EXPECT_EQ(request_fields(a),
              (Texts{"OBJ_NAME EQ q1", "TYPE NE T", "ENABLED EQ Y", "COLOR EQ red", "TYPE EQ bogus"}));
    EXPECT_EQ(request_fields(a, false).size(), 5u);
    EXPECT_EQ(
        trace(),
        (Texts{"", "DTS Action Request " + handle_text(a) + " - Fields", "   Field(Column)      RelOp  Value(DB Value)",
               "   -----------------  -----  ------------------------------", "   NAME(OBJ_NAME)      EQ    \"q1\"",
               "   TYPE                NE    \"topic\"(\"T\")", "   ENABLED             EQ    \"true\"(\"Y\")",
               "   COLOR               EQ    \"red\"", "*** ZeGetRealValue : Value >bogus< not on values list",
               "***     Field = TYPE", "   TYPE                EQ    \"bogus\"", "   Total of 5 fields in request"}));

    // A new set replaces the fields; without a descriptor they go out as given.
    clear_trace();
    OwnedFilter logon("ID EQ admin, PASSWORD EQ secret");
    ASSERT_EQ(ZeSetDtsActionRequestFilter(a, logon, nullptr, 1), 0u);
    EXPECT_EQ(request_fields(a), (Texts{"ID EQ admin", "PASSWORD EQ secret"}));
    EXPECT_EQ(trace(), (Texts{"", "DTS Action filter echo suppressed...", "   Total of 2 fields in request"}));
    EXPECT_EQ(ZeSetDtsActionRequestFilter(a, logon, reinterpret_cast<Descriptor *>(info), 0), 4u);
    EXPECT_EQ(request_fields(a).size(), 2u);
}

TEST_F(ActionTest, DefineFilterAddsTheDefaultsOfFieldsNotGiven)
{
    OwnedFilter to("OLD EQ x"), given("OWNER EQ ops");
    ASSERT_EQ(ZeSetupDtsDefineFilter(to, given, descriptor), 0u);
    const char *relop = nullptr, *value = nullptr;
    EXPECT_EQ(ZeFilterItemByKey(to, "TYPE", &relop, &value), 0u);
    EXPECT_STREQ(value, "Queue");
    EXPECT_EQ(ZeFilterItemByKey(to, "NEWNAME", &relop, &value), ZE_RC_NO_ENTRY) << "a pseudo field adds no default";
    EXPECT_EQ(ZeGetFilterItemCount(to), 2);  // OWNER as given, TYPE
}
