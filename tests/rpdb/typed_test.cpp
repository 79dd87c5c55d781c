// Typed values through the library's item operations, on both routers from
// one table of cases each: patterns, dates, numbers, mapped values, case folding,
// Unicode, refusals, clearing, times of day. Each test writes what every
// step answered (library code, node code, message, rows) into a transcript
// and compares the whole of it with the one kept in transcripts/, which
// both runs, rpdb (SQLite) and rout_items (PostgreSQL), must give.
#include "rpdb_test.hpp"

namespace {

enum Step { Select, Names, Open, Define, Alter, Delete };
constexpr const char *kStepNames[] = {"SELECT", "NAMES", "OPEN", "DEFINE", "ALTER", "DELETE"};

struct Case {
    Step step;
    Criteria criteria;
};

}  // namespace

class Typed : public Rpdb {
protected:
    // PRINTER as TarnObjs describes it: the fixture's fields with their
    // rules, and the date it was installed.
    void SetUp() override
    {
        Rpdb::SetUp();
        Field *field = nullptr;
        ZeCreateField(desc_, "INSTALLED", "TYPE", "DATE", "REAL NAME", "PRN_INSTALLED", (char *)0);
        ZeGetFieldByName(desc_, &field, "COPIES");
        ZeSetFieldAttribute(field, "LOW RANGE", "1");
        ZeSetFieldAttribute(field, "UPPER RANGE", "99");
        ZeGetFieldByName(desc_, &field, "LOCATION");
        ZeSetFieldAttribute(field, "UPPERCASE", 1);
        ZeBuildDescriptorHeader(desc_);
    }

    // Runs the cases and writes one transcript line for each.
    void run(std::initializer_list<Case> cases)
    {
        for (const Case &c : cases) {
            transcript_ += kStepNames[c.step];
            for (const auto &criterion : c.criteria)
                for (std::string part :
                     {" ", criterion.begin()[0], " ", criterion.begin()[1], " \"", criterion.begin()[2], "\""})
                    transcript_ += part;
            transcript_ += "\n    -> " + answer(c) + "\n";
        }
    }

    std::string answer(const Case &c)
    {
        ItemOp ops[] = {nullptr, ZeGetDtsListViaSelect, ZeOpenDtsItem, ZeDefineDtsItem, ZeAlterDtsItem, nullptr};
        const unsigned rc = c.step == Select   ? open_rows(c.criteria)
                            : c.step == Delete ? act("DELETE", c.criteria)
                                               : act(ops[c.step], c.criteria);
        const auto [code, text] = outcome();
        std::string shown = std::to_string(rc) + (rc == ZE_RC_ROUTER_FAILED ? "/" + std::to_string(code) : "");
        shown += " \"" + text + "\"";
        if (rc != ZE_OK || c.step == Delete) return shown;
        if (c.step != Select) return shown + " " + values(item_);
        const char *separator = " ";
        for (Item *i = ZeFirstCollectionItem(rows_); i; i = ZeNextCollectionItem(rows_), separator = "; ")
            shown += separator + values(i);
        return shown;
    }

    void note(const std::string &text) { transcript_ += text + "\n"; }

    // Compares the whole transcript with the kept one (a difference shows
    // as a diff); the run's own is left beside the node.
    void compare_transcript()
    {
        const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        write_file(std::string(ZeEnv(ZE_ENV_TARN_DATA_DIR)) + "/" + name + ".txt", transcript_);
        EXPECT_EQ(transcript_, read_file(std::string(RPDB_TRANSCRIPTS) + "/" + name + ".txt"));
    }

    std::string transcript_;
};

TEST_F(Typed, CriteriaMeanWhatTheFieldSays)
{
    run({// Patterns: only '*' is special, case counts; NULL is the empty value.
         {Names, {}},
         {Names, {{"NAME", "EQ", "LA*"}}},
         {Names, {{"NAME", "EQ", "la*"}}},
         {Names, {{"NAME", "NE", "*R*"}}},
         {Names, {{"NAME", "EQ", "*1"}, {"SHARED", "EQ", "TRUE"}}},
         {Names, {{"DESCRIPTION", "EQ", ""}}},
         {Names, {{"DESCRIPTION", "NE", "Label printer"}}},
         {Names, {{"LOCATION", "EQ", "BLDG ? *"}}},
         {Names, {{"NAME", "EQ", "LASER_*"}}},
         {Names, {{"LOCATION", "EQ", "%"}}},
         {Names, {{"NAME", "LE", "LASER1"}, {"NAME", "GE", "COLOR1"}}},
         {Open, {{"NAME", "EQ", "NOPE"}}},
         // Dates compare as dates, across years and months; leading zeros do not matter.
         {Names, {{"INSTALLED", "GT", "01/01/2020"}}},
         {Names, {{"INSTALLED", "LT", "01/01/2020"}}},
         {Names, {{"INSTALLED", "GE", "03/15/2021"}, {"INSTALLED", "LE", "06/30/2022"}}},
         {Names, {{"INSTALLED", "GT", "09/30/2019"}, {"INSTALLED", "LT", "12/1/2019"}}},
         {Names, {{"INSTALLED", "EQ", "3/15/2021"}}},
         {Names, {{"INSTALLED", "NE", "3/15/2021"}}},
         {Open, {{"NAME", "EQ", "LASER2"}}},
         // Numbers compare as numbers beyond one digit.
         {Names, {{"COPIES", "GT", "2"}}},
         // Mapped values, typed in any case, and patterns over the display values.
         {Names, {{"STATUS", "EQ", "offline"}}},
         {Names, {{"STATUS", "EQ", "Off*"}}},
         {Names, {{"STATUS", "NE", "*a*"}}},
         {Names, {{"STATUS", "EQ", "M*"}, {"SHARED", "EQ", "false"}}},
         // Criteria on an upper-case field are folded to capitals.
         {Names, {{"LOCATION", "EQ", "bldg a*"}}},
         {Names, {{"LOCATION", "EQ", "shipping"}}},
         // Values the field cannot hold are refused before anything is sent.
         {Names, {{"COPIES", "EQ", "abc"}}},
         {Names, {{"COPIES", "GT", "100"}}},
         {Names, {{"COPIES", "EQ", "1*"}}},
         {Names, {{"STATUS", "EQ", "Broken"}}},
         {Names, {{"STATUS", "EQ", "X*"}}},
         {Names, {{"INSTALLED", "GT", "yesterday"}}},
         {Names, {{"INSTALLED", "EQ", "02/30/2024"}}},
         {Names, {{"SHARED", "EQ", "maybe"}}},
         {Select, {{"NAME", "EQ", "LASER*"}, {"COPIES", "LE", "1"}}},
         // The nodes refuse what a field cannot hold, in one form on both.
         {Define, {{"NAME", "EQ", "P1"}, {"INSTALLED", "EQ", "02/30/2024"}}},
         {Define, {{"NAME", "EQ", "P1"}, {"COPIES", "EQ", "100"}, {"LOCATION", "EQ", "lower"}}},
         {Define, {{"NAME", "EQ", "P1"}, {"LOCATION", "EQ", "lower"}}},
         {Define, {{"NAME", "EQ", "P1"}, {"STATUS", "EQ", "Bogus"}}},
         {Define, {{"NAME", "EQ", "P1"}, {"COPIES", "EQ", "99999999999"}}},
         {Define, {{"NAME", "EQ", "P1"}, {"DESCRIPTION", "EQ", std::string(81, 'd').c_str()}}},
         {Define, {{"NAME", "EQ", std::string(33, 'N').c_str()}}},
         {Delete, {{"NAME", "EQ", "LASER*"}}},
         {Define, {{"NAME", "EQ", "P1"}, {"INSTALLED", "EQ", "2/29/2024"}, {"COPIES", "EQ", "+7"}}},
         {Names, {{"INSTALLED", "GT", "12/31/2023"}}}});
    note("stored: " + sql("SELECT PRN_INSTALLED, PRN_COPIES FROM PRINTER WHERE PRN_NAME = 'P1'"));

    // Another date format of the request: the same dates, written its way.
    ZeSetDtsInfoField(info_, ZE_INFO_DATEFORMAT, "dd-mmm-yy");
    run({{Names, {{"INSTALLED", "EQ", "15-mar-21"}}}, {Open, {{"NAME", "EQ", "P1"}}}});
    ZeSetDtsInfoField(info_, ZE_INFO_DATEFORMAT, "dd.mm.yyyy");
    run({{Select, {{"INSTALLED", "LE", "2.11.2019"}}}});
    compare_transcript();
}

// Values written and read back: Unicode, quotes and backslashes kept, case
// rules and invalid UTF-8 refused alike; optional values cleared, required
// ones refused.
TEST_F(Typed, ValuesAreKeptFoldedAndClearedAlike)
{
    run({{Define, {{"NAME", "EQ", "U1"}, {"LOCATION", "EQ", "BÂTIMENT É"}, {"DESCRIPTION", "EQ", "打印 Büro"}}},
         {Define, {{"NAME", "EQ", "U2"}, {"LOCATION", "EQ", "BÂTIMENT é"}}},
         {Define, {{"NAME", "EQ", "U2"}, {"LOCATION", "EQ", "東京 ΑΘΉΝΑ ǅ"}}},
         {Define, {{"NAME", "EQ", "U2"}, {"LOCATION", "EQ", "東京 ΑΘΗΝΑ Ǆ"}}},
         {Define, {{"NAME", "EQ", "U3"}, {"DESCRIPTION", "EQ", "say \"hi\" \\ 'so' 100% _x_"}}},
         {Define, {{"NAME", "EQ", "U4"}, {"DESCRIPTION", "EQ", "broken \xC3\x28 text"}}},
         {Define, {{"NAME", "EQ", "U\xE9"}}},
         {Names, {{"LOCATION", "EQ", "bâtiment*"}}},
         {Names, {{"LOCATION", "EQ", "東京 αθηνα*"}}},
         {Names, {{"DESCRIPTION", "EQ", "*Büro"}}},
         {Names, {{"DESCRIPTION", "EQ", "*büro"}}},
         {Names, {{"DESCRIPTION", "EQ", "*\\ 'so' 100% _x_"}}},
         {Names, {{"DESCRIPTION", "EQ", "*100_ *"}}},
         {Select, {{"NAME", "EQ", "U*"}}},
         {Alter, {{"NAME", "EQ", "U1"}, {"DESCRIPTION", "EQ", ""}, {"INSTALLED", "EQ", "5/20/2024"}}},
         {Alter, {{"NAME", "EQ", "U1"}, {"INSTALLED", "EQ", ""}}},
         {Alter, {{"NAME", "EQ", "U1"}, {"COPIES", "EQ", ""}, {"STATUS", "EQ", ""}}},
         {Names, {{"DESCRIPTION", "EQ", ""}, {"INSTALLED", "EQ", ""}}},
         {Names, {{"INSTALLED", "NE", ""}}},
         {Names, {{"INSTALLED", "LT", ""}}}});
    note("stored: " +
         sql("SELECT PRN_NAME, PRN_LOCATION, PRN_DESC, PRN_INSTALLED FROM PRINTER WHERE PRN_NAME LIKE 'U%' "
             "ORDER BY 1"));
    compare_transcript();
}

// A column of times of day: a TIME column on PostgreSQL, HH:MM:SS[.hh]
// text that the rules table marks on SQLite.
TEST_F(Typed, TimesOfDayCompareAsTimes)
{
    if (postgres()) {
        sql("CREATE TABLE EVENTS (EVT_NAME TEXT PRIMARY KEY, EVT_AT TIME(2))");
    } else {
        sql("CREATE TABLE EVENTS (EVT_NAME TEXT PRIMARY KEY NOT NULL, EVT_AT TEXT) STRICT");
        sql("INSERT INTO TARN_RULES VALUES ('EVENTS_AT', 'EVENTS', 'EVT_AT', 'TIME', '{value} is not a time')");
    }
    ZeDestroyDescriptor(desc_);
    ZeCreateDescriptor(&desc_);
    ZeCreateField(desc_, "NAME", "REAL NAME", "EVT_NAME", "KEY", 1, (char *)0);
    ZeCreateField(desc_, "AT", "TYPE", "TIME", "REAL NAME", "EVT_AT", (char *)0);
    ZeBuildDescriptorHeader(desc_);
    ZeSetDtsInfoField(info_, ZE_INFO_OBJECT, "EVENTS");
    run({{Define, {{"NAME", "EQ", "E1"}, {"AT", "EQ", "7:5"}}},
         {Define, {{"NAME", "EQ", "E2"}, {"AT", "EQ", "23:59:59.5"}}},
         {Define, {{"NAME", "EQ", "E3"}, {"AT", "EQ", "12:00:30"}}},
         {Define, {{"NAME", "EQ", "E4"}, {"AT", "EQ", "25:00"}}},
         {Names, {{"AT", "GT", "9:00"}}},
         {Names, {{"AT", "EQ", "07:05:00"}}},
         {Names, {{"AT", "LT", "noon"}}},
         {Select, {{"NAME", "EQ", "E*"}}}});
    compare_transcript();
}
